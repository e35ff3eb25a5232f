#include "controller/LowLatencyPacing.h"

#include <algorithm>

std::int64_t LowLatencyPacing::waitMs(std::size_t queued, std::int64_t nowMs) const
{
    if (!passedAny || queued == 0)
        return 0;
    const std::int64_t spacing = queued > 1 ? periodMs / 2 : periodMs * 3 / 4;
    return std::max<std::int64_t>(0, lastMs + spacing - nowMs);
}
