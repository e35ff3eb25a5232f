#include "pipeline/Clock.h"

#include <chrono>

namespace {
class SteadyClock final : public Clock {
public:
    std::int64_t nowUs() const override
    {
        using namespace std::chrono;
        return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
    }
};
} // namespace

const Clock& Clock::steady()
{
    static const SteadyClock clock;
    return clock;
}
