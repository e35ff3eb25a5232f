#include "pipeline/StaleFrames.h"

#include <algorithm>
#include <utility>

namespace {

// How fast the phone's clock may run slow against ours: far above any real crystal's drift,
// far below a backlog's catching up.
constexpr std::int64_t driftDivisor = 1000;

} // namespace

bool StaleFrames::arrived(std::uint64_t ptsUsec)
{
    const std::int64_t now = clock.nowUs();
    const std::int64_t offset = now - std::int64_t(ptsUsec);
    const std::optional<std::uint64_t> last = std::exchange(lastPtsUsec, ptsUsec);
    if (!trusted)
        return false;
    if (!quickestUs || !last || ptsUsec <= *last || ptsUsec - *last > std::uint64_t(jumpUs)) {
        restartAt(offset);
        return false;
    }
    quickestUs = std::min(*quickestUs + std::int64_t(ptsUsec - *last) / driftDivisor, offset);
    const std::int64_t lateness = offset - *quickestUs;
    // Once a backlog is seen, the frames stay stale until it is nearly caught up: its last
    // second, shown at the speed it arrives, would still be a burst.
    if (lateness <= (lateRun ? caughtUpUs : lateLimitUs)) {
        lateRun.reset();
        return false;
    }
    if (!lateRun)
        lateRun = Run{now, ptsUsec};
    const std::int64_t spent = now - lateRun->sinceUs;
    if (spent < catchUpProofUs)
        return true;
    if (std::int64_t(ptsUsec - lateRun->firstPtsUsec) > spent) {
        lateRun = Run{now, ptsUsec}; // still catching up: judged again over the next while
        return true;
    }
    // Not catching up. Within a second of the quickest, the stream has settled a little
    // later than before (the network holds more); beyond, the stamps are no clock.
    if (lateness <= lateLimitUs)
        restartAt(offset);
    else
        trusted = false;
    return false;
}

void StaleFrames::clear()
{
    quickestUs.reset();
    lastPtsUsec.reset();
    lateRun.reset();
    trusted = true;
}

void StaleFrames::restartAt(std::int64_t offsetUs)
{
    quickestUs = offsetUs;
    lateRun.reset();
}
