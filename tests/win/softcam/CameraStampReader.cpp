// Reads "Vidlet Camera" as a video-call program does (DirectShow's device enumerator, a capture
// graph in RGB24) and checks the phone simulator's stamps in the pictures:
//   CameraStampReader.exe FRAMES TIMEOUT_MS [SENDER_STEADY_MINUS_WALL_USEC [TIMES_FILE]]
// It waits for FRAMES distinct stamped pictures, which must come in order, and prints one line:
//   "stamps N in order, first F last L, latency median M ms p95 P ms"
// TIMES_FILE gets one line per picture, "FRAME STAMPED_US READ_US", both on the wall clock, for
// the latency benchmark. The camera is looked at every 5 ms, which the figures include.
// Exit 0 when they came in time and in order, 1 otherwise, 2 when the camera is not listed.
// The stamps carry the sender's steady clock, which under Wine is not this process's (they
// differ by some milliseconds). Both share the wall clock, so the sender's steady clock minus
// the wall clock, when given, maps its stamps onto this process's steady clock; the latency
// then spans phone, program and camera.
#include "tests/win/softcam/CaptureGraph.h"
#include "tools/common/FrameStamp.h"

#include <algorithm>
#include <chrono>
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

// This process's steady clock minus the wall clock, in microseconds.
long long steadyMinusWallUsec()
{
    using namespace std::chrono;
    const long long wall =
        duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
    return (long long)(FrameStamp::nowUsec()) - wall;
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
    const bool clocksKnown = argc > 3;
    // Added to a stamp's time, gives this process's steady clock at that moment.
    const long long stampToOwnClock = clocksKnown ? steadyMinusWallUsec() - std::atoll(argv[3]) : 0;
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

    std::FILE* times = argc > 4 && clocksKnown ? std::fopen(argv[4], "w") : nullptr;
    const long long senderSteadyMinusWall = clocksKnown ? std::atoll(argv[3]) : 0;
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
        const long long now = (long long)(FrameStamp::nowUsec());
        latenciesMs.push_back(double(now - ((long long)(stamp->timeUsec) + stampToOwnClock))
                              / 1000.0);
        if (times)
            std::fprintf(times, "%u %lld %lld\n", stamp->frame,
                         (long long)(stamp->timeUsec) - senderSteadyMinusWall,
                         now - steadyMinusWallUsec());
    }
    if (times)
        std::fclose(times);
    graph.stop();
    camera->Release();

    std::printf("stamps %zu %s, first %u last %u", frames.size(),
                ordered ? "in order" : "OUT OF ORDER", frames.empty() ? 0u : frames.front(),
                frames.empty() ? 0u : frames.back());
    if (clocksKnown)
        std::printf(", latency median %.1f ms p95 %.1f ms", percentile(latenciesMs, 0.5),
                    percentile(latenciesMs, 0.95));
    std::printf("\n");
    return int(frames.size()) >= wanted && ordered ? 0 : 1;
}
