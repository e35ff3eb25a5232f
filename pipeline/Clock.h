#pragma once

#include <cstdint>

// A steady clock. The live path reads the time only through one of these, so that a test moves
// time by hand instead of waiting for it. Microseconds, because a frame period (33.333 ms at
// 30 fps) is not a whole number of milliseconds.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t nowUs() const = 0;
    std::int64_t nowMs() const { return nowUs() / 1000; }

    // The machine's steady clock, for the program.
    static const Clock& steady();
};
