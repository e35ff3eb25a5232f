#pragma once

#include "pipeline/Clock.h"

#include <cstdint>
#include <optional>

// Tells a backlog from the live stream by the phone's time stamps. A live frame arrives about
// as long after its time stamp as the quickest frames of the stream did; one that arrives more
// than a second later than that waited somewhere (this program was stopped or held, the
// network stalled) and the live picture is a burst away. Such frames are only decoded.
//
// The time stamps are the phone's, so they are trusted only while they behave like a clock: a
// stamp that goes back or jumps far ahead starts the comparison afresh, and a stream whose
// "late" frames do not catch up on the time (stamps slower than real time) is never called late
// again. A phone clock that drifts is followed.
class StaleFrames {
public:
    static constexpr std::int64_t lateLimitUs = 1'000'000;
    // A backlog has been caught up once its frames are this close to the quickest again.
    static constexpr std::int64_t caughtUpUs = 200'000;
    // A run of late frames whose stamps advance no faster than the time for this long is not a
    // backlog being caught up. Judged over each such while of the run in turn.
    static constexpr std::int64_t catchUpProofUs = 250'000;
    static constexpr std::int64_t jumpUs = 5'000'000;

    explicit StaleFrames(const Clock& clock)
        : clock(clock)
    {
    }

    // Takes the frame that arrives now; true when it is stale.
    bool arrived(std::uint64_t ptsUsec);
    // A new stream.
    void clear();

private:
    void restartAt(std::int64_t offsetUs);

    struct Run {
        std::int64_t sinceUs;
        std::uint64_t firstPtsUsec;
    };

    const Clock& clock;
    std::optional<std::int64_t> quickestUs; // arrival minus stamp of the quickest frames
    std::optional<std::uint64_t> lastPtsUsec;
    std::optional<Run> lateRun;
    bool trusted = true;
};
