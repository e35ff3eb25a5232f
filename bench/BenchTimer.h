#pragma once

#include <algorithm>
#include <chrono>
#include <ctime>
#include <vector>

// Runs the baseline and the candidate in alternating rounds, so that whatever else the shared
// machine does at the time falls on both alike, and reports the median of each.
//
// measure() takes wall-clock time. measureCpu() takes the calling thread's CPU time, which leaves
// out the time spent waiting for a core on a busy machine; use it only when both sides do all
// their work on the calling thread.
struct PairedTiming {
    double baselineMs = 0;
    double candidateMs = 0;
    double ratio() const { return candidateMs / baselineMs; }

    template <typename Baseline, typename Candidate>
    static PairedTiming measure(int rounds, Baseline&& baseline, Candidate&& candidate)
    {
        return paired(rounds, wallMs, baseline, candidate);
    }

    template <typename Baseline, typename Candidate>
    static PairedTiming measureCpu(int rounds, Baseline&& baseline, Candidate&& candidate)
    {
        return paired(rounds, threadCpuMs, baseline, candidate);
    }

private:
    static double wallMs()
    {
        return std::chrono::duration<double, std::milli>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    static double threadCpuMs()
    {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
    }

    template <typename Baseline, typename Candidate>
    static PairedTiming paired(int rounds, double (*now)(), Baseline& baseline,
                               Candidate& candidate)
    {
        std::vector<double> a, b;
        for (int i = 0; i < rounds; ++i) {
            double begin = now();
            baseline();
            a.push_back(now() - begin);
            begin = now();
            candidate();
            b.push_back(now() - begin);
        }
        return {median(a), median(b)};
    }

    static double median(std::vector<double> v)
    {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    }
};
