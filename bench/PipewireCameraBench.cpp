// What the PipeWire camera adds to each new frame, against the shared-memory path alone that
// every camera pays (SharedFramePublisher::publish): the hand-over from the sending thread
// (a copy into the three-buffer exchange) and, on PipeWire's thread, the conversion into the
// format the reader chose and the copy into PipeWire's buffer. PipeWire's own cycle (a wake-up
// and a message to the reader) is left out: it does not grow with the picture. Printed as the
// added time and as the ratio of shared memory plus PipeWire to shared memory alone.

#include "bench/BenchMode.h"
#include "bench/BenchTimer.h"
#include "softcam/CameraPixelFormat.h"
#include "softcam/FrameHandover.h"
#include "softcam/SharedFramePublisher.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

constexpr int kFrames = 8;

std::vector<unsigned char> pattern(int width, int height)
{
    std::vector<unsigned char> bgr(std::size_t(width) * height * 3);
    for (std::size_t i = 0; i < bgr.size(); ++i)
        bgr[i] = static_cast<unsigned char>((i * 31) ^ (i >> 9));
    return bgr;
}

bool run(int w, int h)
{
    softcam::SharedFramePublisher shared;
    if (!shared.open("/vidlet-bench-pipewire-" + std::to_string(getpid()), w, h, 30.0f)) {
        std::fprintf(stderr, "no camera segment\n");
        return false;
    }
    const std::vector<unsigned char> bgr = pattern(w, h);
    softcam::FrameHandover handover(bgr.size());
    // The sending thread's own share: the copy into the exchange.
    const PairedTiming sending = PairedTiming::measureCpu(
        40,
        [&] {
            for (int i = 0; i < kFrames; ++i)
                shared.publish(bgr.data());
        },
        [&] {
            for (int i = 0; i < kFrames; ++i) {
                shared.publish(bgr.data());
                handover.put(bgr.data());
            }
        });
    std::printf("%4dx%-4d sending thread  shared memory %6.3f ms/frame  + hand-over %6.3f ms/frame"
                "  ratio %.2f\n",
                w, h, sending.baselineMs / kFrames, sending.candidateMs / kFrames, sending.ratio());
    for (softcam::CameraPixelFormat format : softcam::kCameraPixelFormats) {
        std::vector<unsigned char> picture(softcam::pictureBytes(format, w, h));
        std::vector<unsigned char> pipewireBuffer(picture.size());
        const auto sharedOnly = [&] {
            for (int i = 0; i < kFrames; ++i)
                shared.publish(bgr.data());
        };
        const auto withPipewire = [&] {
            for (int i = 0; i < kFrames; ++i) {
                shared.publish(bgr.data());
                handover.put(bgr.data());
                handover.take();
                softcam::convertBgr(format, handover.latest(), w, h, picture.data());
                std::memcpy(pipewireBuffer.data(), picture.data(), picture.size());
            }
        };
        const PairedTiming t = PairedTiming::measureCpu(40, sharedOnly, withPipewire);
        std::printf(
            "%4dx%-4d both threads %s  shared memory %6.3f ms/frame  + PipeWire %6.3f ms/frame  "
            "added %6.3f ms  ratio %.2f\n",
            w, h, softcam::formatName(format), t.baselineMs / kFrames, t.candidateMs / kFrames,
            (t.candidateMs - t.baselineMs) / kFrames, t.ratio());
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    BenchMode::read(argc, argv);
    std::printf("PipeWire camera: cost per new frame against the shared-memory path alone\n");
    if (BenchMode::isShort())
        return run(640, 480) ? 0 : 1;
    return run(640, 480) && run(1280, 720) && run(1920, 1080) ? 0 : 1;
}
