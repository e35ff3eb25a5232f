#pragma once

#include "pipeline/Clock.h"
#include "pipeline/FramePool.h"

#include <QTimer>

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>

// The Wi-Fi queue: decoded frames wait here so that the network's jitter does not reach the
// camera. At most five wait; a sixth drops the oldest. By default a tick at the phone's frame
// rate lets one frame leave per tick. Under "Low latency" the oldest frame leaves as soon as it
// arrives, but no sooner than a spacing after the frame before: three quarters of a frame period
// while it is alone, so jitter passes through barely smoothed, and half a period while others
// wait behind it, so a backlog is gone within a few frames instead of standing.
// GUI thread only. Time comes from the clock it is given; its own timer calls wake() when the
// next frame is due.
class FramePacer {
public:
    static constexpr std::size_t capacity = 5;
    // Called with each frame that leaves; the buffer then goes back to the pool.
    using Release = std::function<void(BgrBuffer& frame)>;

    FramePacer(const Clock& clock, FramePool& pool, Release release);
    FramePacer(const FramePacer&) = delete;
    FramePacer& operator=(const FramePacer&) = delete;

    // The frame period of a phone's announced rate, in whole milliseconds; a rate outside
    // 1..120 per second keeps `current`.
    static int framePeriodMs(int fps, int current)
    {
        return fps >= 1 && fps <= 120 ? 1000 / fps : current;
    }

    // The phone's frame period, which both rules follow.
    void setPeriodMs(int ms);
    // The default rule's tick when it should not be the period (tests); 0: the period.
    void setTickMs(int ms);
    // The frames waiting now go on under the new rule.
    void setLowLatency(bool on);

    void push(BgrBuffer&& frame);
    // Lets out what is due now and arms the timer for what is due next.
    void wake();
    // When wake() next has a frame to let out; none while the queue is empty.
    std::optional<std::int64_t> nextWakeMs() const;
    std::size_t queued() const { return frames.size(); }
    // A new stream, or a paused one: the frames waiting are dropped, the tick stops and no
    // frame has left yet.
    void clear();

private:
    int tickMs() const { return tickOverrideMs > 0 ? tickOverrideMs : periodMs; }
    std::int64_t lowLatencyDueMs(std::int64_t nowMs) const;
    void letOutOldest(std::int64_t nowMs);
    void arm();

    const Clock& clock;
    FramePool& pool;
    Release release;
    QTimer timer;
    std::deque<BgrBuffer> frames;
    int periodMs = 33;
    int tickOverrideMs = 0;
    bool lowLatency = false;
    std::optional<std::int64_t> tickAtMs;   // the default rule's next tick, once it runs
    std::optional<std::int64_t> lastLeftMs; // when the last frame left
};
