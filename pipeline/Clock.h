#pragma once

#include <cstdint>

// Milliseconds on a steady clock. The live path reads the time only through one of these, so
// that a test moves time by hand instead of waiting for it.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t nowMs() const = 0;

    // The machine's steady clock, for the program.
    static const Clock& steady();
};
