#pragma once

#include "pipeline/Clock.h"

#include <cstdint>

// Notices that the active phone stopped sending video: after at least one picture, none for
// longer than a limit. The session looks at the count of decoded pictures on a timer of its own.
class StallWatch {
public:
    explicit StallWatch(const Clock& clock)
        : clock(clock)
    {
    }

    // A stream starts: nothing of it decoded yet.
    void restart(std::uint64_t decoded)
    {
        seen = decoded;
        progressMs = clock.nowMs();
        pictured = false;
    }
    void pictureArrived() { pictured = true; }
    // Takes the count of decoded pictures: true when it moved since the last look.
    bool moved(std::uint64_t decoded)
    {
        const bool progress = decoded != seen;
        seen = decoded;
        if (progress)
            progressMs = clock.nowMs();
        return progress;
    }
    // The stream, after its first picture, has been silent for longer than `limitMs`.
    bool stalled(int limitMs) const { return pictured && clock.nowMs() - progressMs > limitMs; }

private:
    const Clock& clock;
    std::uint64_t seen = 0;
    std::int64_t progressMs = 0;
    bool pictured = false;
};
