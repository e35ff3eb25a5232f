// Our YUV-to-BGR conversion against libswscale's fastest conversion of the same pictures to
// BGR24. Ours must be at least as fast (ratio <= 1) while giving the formula's exact bytes.

#include "bench/BenchMode.h"
#include "bench/BenchTimer.h"
#include "tests/video/TestEncoder.h"
#include "video/BgrBuffer.h"
#include "video/YuvToBgr.h"

#include <cstdio>
#include <memory>

extern "C" {
#include <libswscale/swscale.h>
}

namespace {

struct SwsFree {
    void operator()(SwsContext* c) const { sws_freeContext(c); }
};

struct Picture {
    std::vector<std::uint8_t> y, u, v, uv;
};

// Returns the ratio ours / libswscale for one size and layout, and prints both times.
double compare(int width, int height, bool nv12)
{
    constexpr int pictures = 8;
    const int cw = width / 2;
    std::vector<Picture> input;
    for (int i = 0; i < pictures; ++i) {
        const TestEncoder::Picture p = TestEncoder::pattern(width, height, i * 9, false);
        Picture q{p.y, p.u, p.v, {}};
        for (std::size_t k = 0; k < p.u.size(); ++k)
            q.uv.insert(q.uv.end(), {p.u[k], p.v[k]});
        input.push_back(std::move(q));
    }
    BgrBuffer out(std::size_t(width) * height * 3); // as the decoder's own
    std::unique_ptr<SwsContext, SwsFree> sws(
        sws_getContext(width, height, nv12 ? AV_PIX_FMT_NV12 : AV_PIX_FMT_YUV420P, width, height,
                       AV_PIX_FMT_BGR24, SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!sws) {
        std::fprintf(stderr, "libswscale cannot convert this size\n");
        return 1e9;
    }
    const auto swscale = [&] {
        for (const Picture& p : input) {
            const std::uint8_t* planes[3] = {p.y.data(), nv12 ? p.uv.data() : p.u.data(),
                                             p.v.data()};
            const int pitches[3] = {width, nv12 ? width : cw, cw};
            std::uint8_t* dst[1] = {out.data()};
            const int dstPitch[1] = {width * 3};
            sws_scale(sws.get(), planes, pitches, 0, height, dst, dstPitch);
        }
    };
    const auto ours = [&] {
        for (const Picture& p : input) {
            if (nv12)
                YuvToBgr::fromNv12(p.y.data(), width, p.uv.data(), width, width, height,
                                   out.data());
            else
                YuvToBgr::fromI420(p.y.data(), width, p.u.data(), cw, p.v.data(), cw, width, height,
                                   out.data());
        }
    };
    const PairedTiming t = PairedTiming::measureCpu(BenchMode::pick(40, 1), swscale, ours);
    std::printf("%4dx%-4d %s  libswscale %6.3f ms/picture  ours %6.3f ms/picture  ratio %.2f\n",
                width, height, nv12 ? "NV12" : "I420", t.baselineMs / pictures,
                t.candidateMs / pictures, t.ratio());
    return t.ratio();
}

} // namespace

int main(int argc, char** argv)
{
    BenchMode::read(argc, argv);
    std::printf(
        "YUV 4:2:0 to packed BGR, ours against libswscale (SWS_BILINEAR), target ratio <= 1.00\n");
    double worst = 0;
    for (bool nv12 : {false, true})
        for (const auto& [w, h] : {std::pair{1280, 720}, std::pair{1920, 1080}})
            worst = std::max(worst, compare(w, h, nv12));
    std::printf("worst ratio %.2f: %s\n", worst, worst <= 1.0 ? "met" : "NOT MET");
    return 0;
}
