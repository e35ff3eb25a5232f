#include "pipeline/ArrivalRate.h"

namespace {

constexpr std::int64_t windowUs = 2'000'000;
constexpr std::int64_t silenceUs = 1'000'000;
constexpr std::size_t enough = 6; // arrivals, so five intervals
constexpr std::size_t most = 256; // a phone at 120 fps fills two seconds with 240

} // namespace

void ArrivalRate::arrived(std::int64_t nowUs)
{
    if (!arrivals.empty() && nowUs - arrivals.back() > silenceUs)
        arrivals.clear();
    arrivals.push_back(nowUs);
    while (arrivals.size() > most
           || (arrivals.size() > enough && nowUs - arrivals.front() > windowUs))
        arrivals.pop_front();
}

std::optional<std::int64_t> ArrivalRate::periodUs() const
{
    if (arrivals.size() < enough || arrivals.back() == arrivals.front())
        return std::nullopt;
    return (arrivals.back() - arrivals.front()) / std::int64_t(arrivals.size() - 1);
}
