#include "pipeline/FramePacer.h"

#include <algorithm>

FramePacer::FramePacer(const Clock& clock, FramePool& pool, Release release)
    : clock(clock),
      pool(pool),
      release(std::move(release))
{
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [this] { wake(); });
}

void FramePacer::setPeriodMs(int ms)
{
    if (ms == periodMs)
        return;
    periodMs = ms;
    if (tickAtMs && tickOverrideMs <= 0)
        tickAtMs = clock.nowMs() + tickMs();
    arm();
}

void FramePacer::setTickMs(int ms)
{
    tickOverrideMs = ms;
    if (tickAtMs)
        tickAtMs = clock.nowMs() + tickMs();
    arm();
}

void FramePacer::setLowLatency(bool on)
{
    if (on == lowLatency)
        return;
    lowLatency = on;
    tickAtMs.reset();
    if (!frames.empty() && !lowLatency)
        tickAtMs = clock.nowMs() + tickMs();
    wake();
}

void FramePacer::push(BgrBuffer&& frame)
{
    frames.push_back(std::move(frame));
    while (frames.size() > capacity) {
        pool.give(std::move(frames.front()));
        frames.pop_front();
    }
    const std::int64_t now = clock.nowMs();
    if (lowLatency) {
        wake();
        return;
    }
    // The tick keeps its phase while the queue is empty: a frame waits for the next tick.
    if (!tickAtMs)
        tickAtMs = now + tickMs();
    else if (*tickAtMs < now)
        *tickAtMs += (now - *tickAtMs + tickMs() - 1) / tickMs() * tickMs();
    arm();
}

void FramePacer::wake()
{
    const std::int64_t now = clock.nowMs();
    if (lowLatency) {
        while (!frames.empty() && lowLatencyDueMs(now) <= now)
            letOutOldest(now);
    } else if (tickAtMs && *tickAtMs <= now && !frames.empty()) {
        letOutOldest(now);
        *tickAtMs += tickMs();
        if (*tickAtMs <= now) // far behind: the next tick is a whole tick away
            tickAtMs = now + tickMs();
    }
    arm();
}

std::optional<std::int64_t> FramePacer::nextWakeMs() const
{
    if (frames.empty())
        return std::nullopt;
    if (lowLatency)
        return lowLatencyDueMs(clock.nowMs());
    return tickAtMs;
}

void FramePacer::clear()
{
    for (BgrBuffer& frame : frames)
        pool.give(std::move(frame));
    frames.clear();
    tickAtMs.reset();
    lastLeftMs.reset();
    timer.stop();
}

std::int64_t FramePacer::lowLatencyDueMs(std::int64_t nowMs) const
{
    if (!lastLeftMs)
        return nowMs;
    const int spacing = frames.size() > 1 ? periodMs / 2 : periodMs * 3 / 4;
    return *lastLeftMs + spacing;
}

void FramePacer::letOutOldest(std::int64_t nowMs)
{
    BgrBuffer frame = std::move(frames.front());
    frames.pop_front();
    lastLeftMs = nowMs;
    release(frame);
    pool.give(std::move(frame));
}

void FramePacer::arm()
{
    const std::optional<std::int64_t> due = nextWakeMs();
    if (!due) {
        timer.stop();
        return;
    }
    timer.start(int(std::clamp<std::int64_t>(*due - clock.nowMs(), 0, INT32_MAX)));
}
