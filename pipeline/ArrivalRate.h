#pragma once

#include <cstdint>
#include <deque>
#include <optional>

// A phone's true frame period, from when its frames arrive: the mean interval over the last two
// seconds. What the phone announces is only a first guess (and may be wrong or hostile); the
// phone's clock also runs a little fast or slow against ours. A silence of over a second (a
// paused phone) starts the measure again.
class ArrivalRate {
public:
    void arrived(std::int64_t nowUs);
    // None until enough frames came to tell.
    std::optional<std::int64_t> periodUs() const;
    void clear() { arrivals.clear(); }

private:
    std::deque<std::int64_t> arrivals; // microseconds, oldest first
};
