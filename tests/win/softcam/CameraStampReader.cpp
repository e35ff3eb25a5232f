// Reads "Vidlet Camera" as a video-call program does (DirectShow's device enumerator, a capture
// graph in RGB24) and checks the phone simulator's stamps in the pictures:
//   CameraStampReader.exe FRAMES TIMEOUT_MS
// It waits for FRAMES distinct stamped pictures, which must come in order, and prints one line:
//   "stamps N in order, first F last L, latency median M ms p95 P ms"
// Exit 0 when they came in time and in order, 1 otherwise, 2 when the camera is not listed.
// The latency compares the stamp's steady-clock time with this process's; under Wine both
// clocks are the host's monotonic clock, so the figure spans phone, program and camera.
#include "tests/win/softcam/CaptureGraph.h"
#include "tools/common/FrameStamp.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// DirectShow's RGB24 is bottom-up BGR with rows padded to four bytes; the stamp reader wants
// packed rows, top first.
std::vector<unsigned char> topDown(const std::vector<unsigned char>& sample, int width, int height)
{
    const std::size_t row = std::size_t(width) * 3;
    const std::size_t stride = (row + 3) & ~std::size_t(3);
    std::vector<unsigned char> picture(row * std::size_t(height));
    if (sample.size() < stride * std::size_t(height))
        return {};
    for (int y = 0; y < height; ++y)
        std::copy_n(sample.data() + stride * std::size_t(height - 1 - y), row,
                    picture.data() + row * std::size_t(y));
    return picture;
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(p * double(values.size())))];
}

} // namespace

int main(int argc, char** argv)
{
    const int wanted = argc > 1 ? std::atoi(argv[1]) : 30;
    const int timeoutMs = argc > 2 ? std::atoi(argv[2]) : 60000;
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);

    IBaseFilter* camera = CaptureGraph::bindVideoInput(L"Vidlet Camera");
    if (!camera) {
        std::puts("Vidlet Camera is not among the video input devices");
        return 2;
    }
    CaptureGraph graph;
    if (!graph.build(camera, MEDIASUBTYPE_RGB24) || !graph.run()) {
        std::puts("the capture graph could not be built or run");
        camera->Release();
        return 1;
    }

    std::vector<std::uint32_t> frames;
    std::vector<double> latenciesMs;
    bool ordered = true;
    std::vector<unsigned char> sample;
    for (int waited = 0; waited < timeoutMs && int(frames.size()) < wanted; waited += 5) {
        Sleep(5);
        if (!graph.latestSample(sample))
            continue;
        const std::vector<unsigned char> picture = topDown(sample, graph.width(), graph.height());
        const auto stamp = FrameStamp::decode(picture.data(), graph.width(), graph.height());
        if (!stamp || (!frames.empty() && stamp->frame == frames.back()))
            continue;
        ordered = ordered && (frames.empty() || stamp->frame > frames.back());
        frames.push_back(stamp->frame);
        latenciesMs.push_back(double(FrameStamp::nowUsec() - stamp->timeUsec) / 1000.0);
    }
    graph.stop();
    camera->Release();

    std::printf("stamps %zu %s, first %u last %u, latency median %.1f ms p95 %.1f ms\n",
                frames.size(), ordered ? "in order" : "OUT OF ORDER",
                frames.empty() ? 0u : frames.front(), frames.empty() ? 0u : frames.back(),
                percentile(latenciesMs, 0.5), percentile(latenciesMs, 0.95));
    return int(frames.size()) >= wanted && ordered ? 0 : 1;
}
