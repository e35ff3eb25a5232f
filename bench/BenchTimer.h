#pragma once

#include <algorithm>
#include <ctime>
#include <vector>

// Runs the baseline and the candidate in alternating rounds and reports the median of each and
// the median of the per-round ratios. Time is this thread's CPU time, not wall time: the machine
// is shared, and time spent waiting for a core would otherwise land on whichever side was
// running. Both sides must do their work on the calling thread.
struct PairedTiming {
    double baselineMs = 0;
    double candidateMs = 0;
    double ratio = 0;

    template <typename Baseline, typename Candidate>
    static PairedTiming measure(int rounds, Baseline&& baseline, Candidate&& candidate)
    {
        std::vector<double> a, b, r;
        for (int i = 0; i < rounds; ++i) {
            a.push_back(cpuMs(baseline));
            b.push_back(cpuMs(candidate));
            r.push_back(b.back() / a.back());
        }
        return {median(a), median(b), median(r)};
    }

private:
    static double now()
    {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
    }

    template <typename F>
    static double cpuMs(F& f)
    {
        const double begin = now();
        f();
        return now() - begin;
    }

    static double median(std::vector<double> v)
    {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    }
};
