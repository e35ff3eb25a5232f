#include "pipeline/FramePacer.h"

#include <algorithm>

namespace {

// The waits that tell a standing delay from jitter: about half a second's worth.
constexpr std::size_t waitsKept = 15;
// A frame that waits this little is on time; the timer is no finer.
constexpr std::int64_t onTimeUs = 2000;
// A wake this long after its slot did not come from the timer.
constexpr std::int64_t lateUs = 5000;
// No frame waits this long, nor three of the phone's periods, for its jitter; one that did is
// stale.
constexpr std::int64_t heldTooLongUs = 1'000'000;

} // namespace

FramePacer::FramePacer(const Clock& clock, FramePool& pool, Release release)
    : clock(clock),
      pool(pool),
      release(std::move(release))
{
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [this] { wake(); });
}

void FramePacer::setAnnouncedPeriodUs(std::int64_t us)
{
    announcedUs = us;
    arm();
}

void FramePacer::setTickMs(int ms)
{
    tickOverrideUs = std::int64_t(ms) * 1000;
    if (slotUs && lastLeftUs)
        slotUs = clock.nowUs() + slotSpacingUs();
    arm();
}

void FramePacer::setLowLatency(bool on)
{
    if (on == lowLatency)
        return;
    lowLatency = on;
    // The default rule's slots start a period after the last frame that left.
    slotUs.reset();
    if (lastLeftUs)
        slotUs = *lastLeftUs + slotSpacingUs();
    wake();
}

std::int64_t FramePacer::periodUs() const
{
    return rate.periodUs().value_or(announcedUs);
}

void FramePacer::push(BgrBuffer&& frame, bool behind)
{
    const std::int64_t now = clock.nowUs();
    rate.arrived(now);
    // A period measured shorter than the word the slot was set by brings the slot nearer.
    if (slotUs && lastLeftUs && !lowLatency)
        slotUs = std::min(*slotUs, *lastLeftUs + slotSpacingUs());
    const std::size_t room = std::clamp<std::size_t>(
        capacityBytes / std::max<std::size_t>(frame.size(), 1), 2, capacity);
    frames.push_back({std::move(frame), now});
    while (frames.size() > room) {
        pool.give(std::move(frames.front().frame));
        frames.pop_front();
    }
    if (behind && leftWhileBehind) {
        arm();
        return;
    }
    const std::uint64_t before = framesLeft;
    serve(true);
    leftWhileBehind = behind && framesLeft != before;
}

void FramePacer::wake()
{
    serve(false);
}

void FramePacer::serve(bool byFrame)
{
    const std::int64_t now = clock.nowUs();
    // A queue that smooths jitter holds a frame for a few periods. One that waited far longer
    // was held by this thread not running (stopped, suspended, busy): it is not shown late.
    const std::int64_t tooLong = std::max(heldTooLongUs, 3 * periodUs());
    while (!frames.empty() && now - frames.front().arrivedUs > tooLong) {
        pool.give(std::move(frames.front().frame));
        frames.pop_front();
    }
    if (lowLatency) {
        while (!frames.empty() && lowLatencyDueUs(now) <= now)
            letOutOldest(now);
    } else if (!frames.empty() && (!slotUs || *slotUs <= now)) {
        // A frame came long after a slot the timer missed (on Windows a busy thread's timer
        // waits behind every other message): frames whose slots have all passed are stale, and
        // only the newest of them leaves; nor do more than two wait, or the frames alone would
        // drain them one each.
        const auto stale = [&] {
            return byFrame && frames.size() > 1
                && (*slotUs + slotSpacingUs() <= now
                    || (frames.size() > 2 && now - *slotUs > lateUs));
        };
        while (slotUs && stale()) {
            pool.give(std::move(frames.front().frame));
            frames.pop_front();
            *slotUs += slotSpacingUs();
        }
        // A frame alone whose slot has passed was late: the slots follow it from now.
        const bool late = frames.size() == 1 && frames.front().arrivedUs >= slotUs.value_or(now);
        const std::int64_t shed = shedUs();
        letOutOldest(now);
        const std::int64_t from = late || !slotUs ? now : *slotUs;
        slotUs = from + slotSpacingUs() - shed;
        if (*slotUs <= now) // far behind: the next frame is a whole period away
            slotUs = now + slotSpacingUs();
    }
    arm();
}

std::optional<std::int64_t> FramePacer::nextWakeUs() const
{
    if (frames.empty())
        return std::nullopt;
    if (lowLatency)
        return lowLatencyDueUs(clock.nowUs());
    return slotUs.value_or(clock.nowUs());
}

void FramePacer::clear()
{
    for (Waiting& waiting : frames)
        pool.give(std::move(waiting.frame));
    frames.clear();
    slotUs.reset();
    lastLeftUs.reset();
    recentWaits.clear();
    rate.clear();
    timer.stop();
}

std::int64_t FramePacer::lowLatencyDueUs(std::int64_t nowUs) const
{
    if (!lastLeftUs)
        return nowUs;
    const std::int64_t spacing = frames.size() > 1 ? periodUs() / 2 : periodUs() * 3 / 4;
    return *lastLeftUs + spacing;
}

std::int64_t FramePacer::shedUs() const
{
    // Frames waiting behind the one that leaves are a backlog whatever the waits before said.
    const std::int64_t backlog =
        frames.size() > 2 ? std::int64_t(frames.size() - 1) * slotSpacingUs() : 0;
    if (recentWaits.size() < waitsKept && backlog == 0)
        return 0;
    const std::int64_t standing = std::max(
        backlog,
        recentWaits.size() < waitsKept ? 0
                                       : *std::min_element(recentWaits.begin(), recentWaits.end()));
    // A step of at most a sixth of a period: the motion speeds up a little, never jumps.
    return std::clamp<std::int64_t>(standing - onTimeUs, 0, slotSpacingUs() / 6);
}

void FramePacer::letOutOldest(std::int64_t nowUs)
{
    Waiting waiting = std::move(frames.front());
    frames.pop_front();
    lastLeftUs = nowUs;
    ++framesLeft;
    recentWaits.push_back(nowUs - waiting.arrivedUs);
    if (recentWaits.size() > waitsKept)
        recentWaits.pop_front();
    release(waiting.frame);
    pool.give(std::move(waiting.frame));
}

void FramePacer::arm()
{
    const std::optional<std::int64_t> due = nextWakeUs();
    if (!due) {
        timer.stop();
        return;
    }
    // The timer counts whole milliseconds: round up, so that it never fires before the slot.
    const std::int64_t waitUs = std::max<std::int64_t>(*due - clock.nowUs(), 0);
    timer.start(int(std::min<std::int64_t>((waitUs + 999) / 1000, INT32_MAX)));
}
