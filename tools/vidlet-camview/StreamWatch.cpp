#include "tools/vidlet-camview/StreamWatch.h"

#include "tools/common/FrameStamp.h"

#include <algorithm>
#include <optional>

namespace {

void count(auto& p, const softcam::CameraFrame& frame, float nominalFps)
{
    // A new size means a new camera whose frame numbers start again.
    if (p.frames == 0 || p.width != frame.width || p.height != frame.height
        || frame.number <= p.lastNumber) {
        p.firstNumber = frame.number;
        p.firstNs = frame.publishedNs;
    }
    p.width = frame.width;
    p.height = frame.height;
    p.nominalFps = nominalFps;
    p.lastNumber = frame.number;
    p.lastNs = frame.publishedNs;
    ++p.frames;
}

void countPicture(auto& p, double latencyMs, bool outOfOrder)
{
    ++p.pictures;
    p.latencySumMs += latencyMs;
    p.latencyMaxMs = std::max(p.latencyMaxMs, latencyMs);
    p.outOfOrder += outOfOrder ? 1 : 0;
}

} // namespace

void StreamWatch::add(const softcam::CameraFrame& frame, float nominalFps)
{
    count(period, frame, nominalFps);
    count(total, frame, nominalFps);
    const std::optional<FrameStamp> stamp =
        FrameStamp::decode(frame.bgr.data(), frame.width, frame.height);
    // The camera repeats a picture until a newer one comes; only its first showing counts.
    if (!stamp || (haveStamp && stamp->frame == lastStamp))
        return;
    const bool outOfOrder = haveStamp && stamp->frame < lastStamp;
    haveStamp = true;
    lastStamp = stamp->frame;
    const double latencyMs =
        (double(frame.publishedNs) / 1000.0 - double(stamp->timeUsec)) / 1000.0;
    countPicture(period, latencyMs, outOfOrder);
    countPicture(total, latencyMs, outOfOrder);
}

bool StreamWatch::report()
{
    const bool any = period.frames > 0;
    if (any)
        print("", period);
    else
        std::fprintf(out, "no frames\n");
    std::fflush(out);
    period = Period{};
    return any;
}

void StreamWatch::summarize()
{
    print("summary ", total);
    std::fflush(out);
}

void StreamWatch::print(const char* prefix, const Period& p) const
{
    const double seconds = double(p.lastNs - p.firstNs) / 1e9;
    const double fps = seconds > 0 ? double(p.lastNumber - p.firstNumber) / seconds : 0.0;
    const double pictures = seconds > 0 && p.pictures > 1 ? (p.pictures - 1) / seconds : 0.0;
    std::fprintf(out, "%ssize=%dx%d nominal=%.1f fps=%.1f pictures=%.1f stamped=%d", prefix,
                 p.width, p.height, double(p.nominalFps), fps, pictures, p.pictures);
    if (p.pictures > 0)
        std::fprintf(out, " latency_ms=%.1f max_latency_ms=%.1f", p.latencySumMs / p.pictures,
                     p.latencyMaxMs);
    std::fprintf(out, " out_of_order=%d\n", p.outOfOrder);
}
