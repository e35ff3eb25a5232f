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
    void arrived(std::int64_t nowUs)
    {
        if (!arrivals.empty() && nowUs - arrivals.back() > silenceUs)
            arrivals.clear();
        arrivals.push_back(nowUs);
        while (arrivals.size() > most
               || (arrivals.size() > enough && nowUs - arrivals.front() > windowUs))
            arrivals.pop_front();
    }

    // None until enough frames came to tell.
    std::optional<std::int64_t> periodUs() const
    {
        if (arrivals.size() < enough || arrivals.back() == arrivals.front())
            return std::nullopt;
        return (arrivals.back() - arrivals.front()) / std::int64_t(arrivals.size() - 1);
    }

    std::optional<std::int64_t> lastUs() const
    {
        return arrivals.empty() ? std::nullopt : std::optional<std::int64_t>(arrivals.back());
    }

    void clear() { arrivals.clear(); }

private:
    static constexpr std::int64_t windowUs = 2'000'000;
    static constexpr std::int64_t silenceUs = 1'000'000;
    static constexpr std::size_t enough = 6; // arrivals, so five intervals
    static constexpr std::size_t most = 256; // a phone at 120 fps fills two seconds with 240

    std::deque<std::int64_t> arrivals; // microseconds, oldest first
};
