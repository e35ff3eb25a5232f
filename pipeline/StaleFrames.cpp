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
    if (offset - *quickestUs <= lateLimitUs) {
        lateRun.reset();
        return false;
    }
    if (!lateRun)
        lateRun = Run{now, ptsUsec};
    const std::int64_t spent = now - lateRun->sinceUs;
    if (spent >= catchUpProofUs && std::int64_t(ptsUsec - lateRun->firstPtsUsec) <= spent) {
        trusted = false;
        return false;
    }
    return true;
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
