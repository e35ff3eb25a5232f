#pragma once

#include <cstddef>
#include <cstdint>

// When a frame leaves the Wi-Fi pacing queue under the "Low latency" option. The default pacing
// drains one frame per tick at the phone's rate, so a queue that fills at the start, or after a
// late burst, stays full and every frame waits behind it. Here the oldest frame leaves as soon
// as it arrives, but no sooner than a spacing after the frame before: three quarters of a frame
// period while it is alone, so network jitter passes through barely smoothed, and half a period
// while others wait behind it, so a backlog is gone within a few frames instead of standing.
// Times are milliseconds of any steady clock the caller chooses.
class LowLatencyPacing {
public:
    // The frame period of a phone's announced rate, in whole milliseconds, which both pacings
    // use; a rate outside 1..120 per second keeps `current`.
    static int framePeriodMs(int fps, int current)
    {
        return fps >= 1 && fps <= 120 ? 1000 / fps : current;
    }

    void setPeriodMs(int ms) { periodMs = ms; }
    // How long the oldest of `queued` frames must still wait at `nowMs`; 0: it may leave now.
    std::int64_t waitMs(std::size_t queued, std::int64_t nowMs) const;
    // A frame left the queue at `nowMs`.
    void passed(std::int64_t nowMs)
    {
        lastMs = nowMs;
        passedAny = true;
    }
    // A new stream: nothing has left yet.
    void reset() { passedAny = false; }

private:
    int periodMs = 33;
    std::int64_t lastMs = 0;
    bool passedAny = false;
};
