#pragma once

#include <cstdio>
#include <cstring>

// A benchmark runs in full for `make bench`, or with `--short` as the test suite runs it: the
// same steps over a small fraction of the work, so that a change that breaks a benchmark fails
// the suite. A short run's figures mean nothing and are never judged.
namespace BenchMode {

inline bool& shortRun()
{
    static bool value = false;
    return value;
}

// Takes `--short` from the command line; announces a short run.
inline void read(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        shortRun() = shortRun() || std::strcmp(argv[i], "--short") == 0;
    if (shortRun())
        std::printf("short run: it only proves the benchmark runs and ends; the figures mean "
                    "nothing\n");
}

inline bool isShort()
{
    return shortRun();
}

// `full` in a full run, `brief` in a short one: rounds, frames, milliseconds.
inline int pick(int full, int brief)
{
    return shortRun() ? brief : full;
}

} // namespace BenchMode
