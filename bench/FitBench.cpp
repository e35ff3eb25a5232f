// Our scaling of a picture into a camera of another size (BgrFit: kept shape, black bars)
// against libswscale scaling the same pictures to the same area, BGR24 to BGR24, with its area
// filter (the closest to ours when shrinking) and its bilinear one. The bars cost ours a memset
// that libswscale is spared. Filled (Fill: no bars, the overhang cut off), both scale the same
// middle of the picture to the whole camera. Target: ours no slower than libswscale's area
// filter (ratio <= 1).

#include "bench/BenchMode.h"
#include "bench/BenchTimer.h"
#include "video/BgrBuffer.h"
#include "video/BgrFit.h"

#include <cstdio>
#include <memory>
#include <vector>

extern "C" {
#include <libswscale/swscale.h>
}

namespace {

struct SwsFree {
    void operator()(SwsContext* c) const { sws_freeContext(c); }
};

// Returns the ratio ours / libswscale for one pair of sizes, and prints the times.
double compare(int width, int height, int cameraWidth, int cameraHeight, bool filled, int filter,
               const char* filterName)
{
    constexpr int pictures = 4;
    std::vector<std::vector<std::uint8_t>> input;
    for (int i = 0; i < pictures; ++i) {
        std::vector<std::uint8_t> bgr(std::size_t(width) * height * 3);
        for (std::size_t k = 0; k < bgr.size(); ++k)
            bgr[k] = std::uint8_t((k * 7 + std::size_t(i) * 31 + k / std::size_t(width * 3)) & 255);
        input.push_back(std::move(bgr));
    }
    // Fitted: the whole picture into part of the camera; filled: part of the picture into the
    // whole camera.
    const BgrFit::Area area = filled ? BgrFit::Area{0, 0, cameraWidth, cameraHeight}
                                     : BgrFit::area(width, height, cameraWidth, cameraHeight);
    const BgrFit::Area part = filled ? BgrFit::area(cameraWidth, cameraHeight, width, height)
                                     : BgrFit::Area{0, 0, width, height};
    BgrBuffer out(std::size_t(cameraWidth) * cameraHeight * 3);
    std::unique_ptr<SwsContext, SwsFree> sws(
        sws_getContext(part.width, part.height, AV_PIX_FMT_BGR24, area.width, area.height,
                       AV_PIX_FMT_BGR24, filter, nullptr, nullptr, nullptr));
    if (!sws) {
        std::fprintf(stderr, "libswscale cannot scale %dx%d\n", width, height);
        return 1e9;
    }
    const auto swscale = [&] {
        for (const auto& picture : input) {
            const std::uint8_t* planes[1] = {picture.data()
                                             + (std::size_t(part.y) * width + part.x) * 3};
            const int pitches[1] = {width * 3};
            std::uint8_t* dst[1] = {out.data() + (std::size_t(area.y) * cameraWidth + area.x) * 3};
            const int dstPitch[1] = {cameraWidth * 3};
            sws_scale(sws.get(), planes, pitches, 0, part.height, dst, dstPitch);
        }
    };
    BgrFit fit;
    const auto ours = [&] {
        for (const auto& picture : input)
            if (filled)
                fit.fill(picture.data(), width, height, out.data(), cameraWidth, cameraHeight);
            else
                fit.fit(picture.data(), width, height, out.data(), cameraWidth, cameraHeight);
    };
    const PairedTiming t = PairedTiming::measureCpu(BenchMode::pick(20, 1), swscale, ours);
    std::printf("%4dx%-4d %s %4dx%-4d  libswscale %-8s %6.2f ms/picture  ours %6.2f "
                "ms/picture  ratio %.2f\n",
                width, height, filled ? "fills" : "into ", cameraWidth, cameraHeight, filterName,
                t.baselineMs / pictures, t.candidateMs / pictures, t.ratio());
    return t.ratio();
}

} // namespace

int main(int argc, char** argv)
{
    BenchMode::read(argc, argv);
    std::printf("A picture scaled into the camera's size, ours against libswscale; target: "
                "ratio <= 1.00 against the area filter\n");
    struct Case {
        int width, height, cameraWidth, cameraHeight;
    };
    // A portrait phone in a landscape camera, a 1080p phone in a 720p camera, a 4:3 phone
    // grown into a 1080p camera.
    const Case cases[] = {{1080, 1920, 1280, 720}, {1920, 1080, 1280, 720}, {640, 480, 1920, 1080}};
    double worst = 0;
    for (const bool filled : {false, true})
        for (const Case& c : cases) {
            worst = std::max(worst,
                             compare(c.width, c.height, c.cameraWidth, c.cameraHeight, filled,
                                     SWS_AREA, "area"));
            compare(c.width, c.height, c.cameraWidth, c.cameraHeight, filled, SWS_BILINEAR,
                    "bilinear");
        }
    std::printf("worst ratio against the area filter %.2f: %s\n", worst,
                worst <= 1.0 ? "met" : "NOT MET");
    return 0;
}
