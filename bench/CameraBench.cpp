// The camera component's costs per frame against a plain copy of the same frame, which is the
// least any camera must do: publishing to shared memory (target ratio <= 1.5), reading it back
// through the reader API (<= 1.5), and the conversion for a loopback device, against
// libswscale's BGR24 to I420 (reported; the budget is the frame period, far above either).

#include "bench/BenchMode.h"
#include "bench/BenchTimer.h"
#include "softcam/BgrToI420.h"
#include "softcam/CameraReader.h"
#include "softcam/softcam.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

extern "C" {
#include <libswscale/swscale.h>
}

namespace {

constexpr int kFrames = 8;

struct SwsFree {
    void operator()(SwsContext* c) const { sws_freeContext(c); }
};

std::vector<unsigned char> pattern(int width, int height)
{
    std::vector<unsigned char> bgr(std::size_t(width) * height * 3);
    for (std::size_t i = 0; i < bgr.size(); ++i)
        bgr[i] = static_cast<unsigned char>((i * 31) ^ (i >> 9));
    return bgr;
}

void line(const char* what, int w, int h, const char* baseline, const PairedTiming& t)
{
    std::printf("%4dx%-4d %-24s %-10s %6.3f ms/frame  ours %6.3f ms/frame  ratio %.2f\n", w, h,
                what, baseline, t.baselineMs / kFrames, t.candidateMs / kFrames, t.ratio());
}

bool run(int w, int h, double& worstCopyRatio)
{
    const std::string segment = "/vidlet-bench-" + std::to_string(getpid());
    scSetSegmentName(segment.c_str());
    void* camera = scCreateCamera(w, h, 30.0f);
    if (!camera) {
        std::fprintf(stderr, "no camera\n");
        return false;
    }
    const std::vector<unsigned char> bgr = pattern(w, h);
    std::vector<unsigned char> copy(bgr.size());
    const auto plainCopy = [&] {
        for (int i = 0; i < kFrames; ++i)
            std::memcpy(copy.data(), bgr.data(), bgr.size());
    };

    const auto publish = [&] {
        for (int i = 0; i < kFrames; ++i)
            scSendFrame(camera, bgr.data());
    };
    const PairedTiming sent = PairedTiming::measure(BenchMode::pick(40, 1), plainCopy, publish);
    line("scSendFrame", w, h, "memcpy", sent);

    softcam::CameraReader reader(segment);
    softcam::CameraFrame frame;
    bool allRead = true;
    const auto read = [&] {
        for (int i = 0; i < kFrames; ++i) {
            scSendFrame(camera, bgr.data()); // a new frame each time, measured in the baseline too
            allRead = reader.readNewFrame(frame) && allRead;
        }
    };
    const auto sendThenCopy = [&] {
        for (int i = 0; i < kFrames; ++i) {
            scSendFrame(camera, bgr.data());
            std::memcpy(copy.data(), bgr.data(), bgr.size());
        }
    };
    const PairedTiming got = PairedTiming::measure(BenchMode::pick(40, 1), sendThenCopy, read);
    line("send + reader copy", w, h, "send+copy", got);
    scDeleteCamera(camera);
    shm_unlink(segment.c_str());
    if (!allRead) {
        std::fprintf(stderr, "the reader missed frames\n");
        return false;
    }

    std::vector<unsigned char> i420(softcam::i420Bytes(w, h));
    std::unique_ptr<SwsContext, SwsFree> sws(sws_getContext(
        w, h, AV_PIX_FMT_BGR24, w, h, AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!sws)
        return false;
    const auto swscale = [&] {
        for (int i = 0; i < kFrames; ++i) {
            const std::uint8_t* src[1] = {bgr.data()};
            const int srcPitch[1] = {w * 3};
            std::uint8_t* dst[3] = {i420.data(), i420.data() + w * h,
                                    i420.data() + w * h + w * h / 4};
            const int dstPitch[3] = {w, w / 2, w / 2};
            sws_scale(sws.get(), src, srcPitch, 0, h, dst, dstPitch);
        }
    };
    const auto convert = [&] {
        for (int i = 0; i < kFrames; ++i)
            softcam::bgrToI420(bgr.data(), w, h, i420.data());
    };
    line("BGR to I420", w, h, "libswscale",
         PairedTiming::measure(BenchMode::pick(20, 1), swscale, convert));

    worstCopyRatio = std::max({worstCopyRatio, sent.ratio(), got.ratio()});
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    BenchMode::read(argc, argv);
    std::printf("Camera component per frame, shared memory only (no loopback device)\n");
    double worst = 0;
    for (const auto& [w, h] : {std::pair{1280, 720}, std::pair{1920, 1080}})
        if (!run(w, h, worst))
            return 1;
    std::printf("worst copy ratio %.2f: %s\n", worst, worst <= 1.5 ? "met" : "NOT MET");
    return 0;
}
