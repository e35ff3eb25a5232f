#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

// Runs the baseline and the candidate in alternating rounds, so that whatever else the shared
// machine does at the time falls on both alike, and reports the median of each.
struct PairedTiming {
    double baselineMs = 0;
    double candidateMs = 0;
    double ratio() const { return candidateMs / baselineMs; }

    template <typename Baseline, typename Candidate>
    static PairedTiming measure(int rounds, Baseline&& baseline, Candidate&& candidate)
    {
        std::vector<double> a, b;
        for (int i = 0; i < rounds; ++i) {
            a.push_back(timeMs(baseline));
            b.push_back(timeMs(candidate));
        }
        return {median(a), median(b)};
    }

private:
    template <typename F>
    static double timeMs(F& f)
    {
        const auto begin = std::chrono::steady_clock::now();
        f();
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
    }

    static double median(std::vector<double> v)
    {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    }
};
