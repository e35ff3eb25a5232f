#pragma once

#include "pipeline/Clock.h"

#include <cstdint>
#include <optional>

// The frame rate and decode time the window shows, worked out at each statistics tick.
class LiveStats {
public:
    explicit LiveStats(const Clock& clock)
        : clock(clock),
          lastMs(clock.nowMs())
    {
    }

    // `decoded`: pictures decoded so far; `decodeMs`: the mean decode time since the last tick,
    // none when nothing was decoded (the last figure stays).
    void tick(std::uint64_t decoded, std::optional<int> decodeMs)
    {
        const std::int64_t now = clock.nowMs();
        const std::int64_t elapsed = now - lastMs;
        lastMs = now;
        fps_ = elapsed > 0 ? int((decoded - lastDecoded) * 1000 / std::uint64_t(elapsed)) : 0;
        lastDecoded = decoded;
        if (decodeMs)
            decodeMs_ = *decodeMs;
    }
    int fps() const { return fps_; }
    int decodeMs() const { return decodeMs_; }

private:
    const Clock& clock;
    std::int64_t lastMs;
    std::uint64_t lastDecoded = 0;
    int fps_ = 0;
    int decodeMs_ = 0;
};
