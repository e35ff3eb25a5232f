#pragma once

#include "video/ArrivalRate.h"
#include "pipeline/Clock.h"
#include "pipeline/FramePool.h"

#include <QTimer>

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>

// The Wi-Fi queue: decoded frames wait here so that the network's jitter does not reach the
// camera. At most five wait, and no more than 64 MB of them (two at 4K); one more drops the
// oldest. Both rules follow the phone's true frame period, measured from the frames' arrivals.
//
// By default frames leave one per period, evenly spaced, so that a late frame does not show as a
// stutter. A frame that finds the queue empty and its slot gone leaves at once, and the slots
// move later to follow it. A queue that keeps every frame waiting (a burst that filled it, a
// phone whose clock runs fast) is a standing delay that smooths nothing: while every frame of
// the last half second waited, or more than two wait, the slots come up to a sixth of a period
// sooner until the quickest one barely waits. So the delay follows the jitter of the last
// moments and shrinks when the network calms.
//
// Under "Low latency" the oldest frame leaves as soon as it arrives, but no sooner than a
// spacing after the frame before: three quarters of a period while it is alone, so jitter passes
// through barely smoothed, and half a period while others wait behind it, so a backlog is gone
// within a few frames instead of standing.
//
// A frame that waited more than a second (and three periods) was held by this thread not
// running, not by jitter: it is dropped rather than shown late.
//
// GUI thread only. Time comes from the clock it is given; its own timer calls wake() when the
// next frame is due, and each new frame lets out what is due too, so a timer that a busy thread
// fires late, or never, costs at most some stale frames, never the pictures.
class FramePacer {
public:
    static constexpr std::size_t capacity = 5;
    static constexpr std::size_t capacityBytes = 64 * 1024 * 1024;
    // Called with each frame that leaves; the buffer then goes back to the pool.
    using Release = std::function<void(BgrBuffer& frame)>;

    FramePacer(const Clock& clock, FramePool& pool, Release release);
    FramePacer(const FramePacer&) = delete;
    FramePacer& operator=(const FramePacer&) = delete;

    // The frame period of a phone's announced rate; none for a rate outside 1..120 per second.
    static std::optional<std::int64_t> announcedPeriodUs(int fps)
    {
        return fps >= 1 && fps <= 120 ? std::optional<std::int64_t>(1'000'000 / fps) : std::nullopt;
    }

    // What the phone announced: the period until its frames have shown their own.
    void setAnnouncedPeriodUs(std::int64_t us);
    // A fixed period instead of the phone's (tests); 0: the phone's.
    void setTickMs(int ms);
    // The frames waiting now go on under the new rule.
    void setLowLatency(bool on);

    // `behind`: a later frame has already arrived. Once one frame of such a run has left, the
    // rest only queue (the oldest dropped when full): this thread is behind the phone, and
    // letting each one out would keep it there.
    void push(BgrBuffer&& frame, bool behind = false);
    // Lets out what is due now and arms the timer for what is due next.
    void wake();
    // When wake() next has a frame to let out; none while the queue is empty.
    std::optional<std::int64_t> nextWakeUs() const;
    std::size_t queued() const { return frames.size(); }
    // The phone's period: measured, or until then announced.
    std::int64_t periodUs() const;
    // A new stream, or a paused one: the frames waiting are dropped, no frame has left yet, and
    // the phone's rate is measured again.
    void clear();

private:
    struct Waiting {
        BgrBuffer frame;
        std::int64_t arrivedUs = 0;
    };

    // Lets out what is due; `byFrame` when a new frame, not the timer, asks.
    void serve(bool byFrame);
    // The default rule's spacing: the phone's period unless a test fixed it.
    std::int64_t slotSpacingUs() const { return tickOverrideUs > 0 ? tickOverrideUs : periodUs(); }
    std::int64_t lowLatencyDueUs(std::int64_t nowUs) const;
    // How much sooner than a period the next slot comes: the standing delay, a step at a time.
    std::int64_t shedUs() const;
    void letOutOldest(std::int64_t nowUs);
    void arm();

    const Clock& clock;
    FramePool& pool;
    Release release;
    QTimer timer;
    std::deque<Waiting> frames;
    ArrivalRate rate;
    std::int64_t announcedUs = 33'333;
    std::int64_t tickOverrideUs = 0;
    bool lowLatency = false;
    std::optional<std::int64_t> slotUs;     // by default, when the next frame may leave
    std::optional<std::int64_t> lastLeftUs; // when the last frame left
    std::deque<std::int64_t> recentWaits;   // how long the last frames waited, newest last
    std::uint64_t framesLeft = 0;
    bool leftWhileBehind = false; // a frame left during this run of frames pushed behind
};
