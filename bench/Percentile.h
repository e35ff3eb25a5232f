#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

// The sample at `fraction` (0.5 the median, 0.95 the 95th percentile) by nearest rank, so that
// every figure printed is one that was really measured. NaN for no samples.
inline double percentile(std::vector<double> samples, double fraction)
{
    if (samples.empty())
        return std::nan("");
    std::sort(samples.begin(), samples.end());
    const auto rank = std::size_t(std::ceil(fraction * double(samples.size())));
    return samples[std::clamp<std::size_t>(rank, 1, samples.size()) - 1];
}
