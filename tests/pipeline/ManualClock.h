#pragma once

#include "pipeline/Clock.h"

// A clock that moves only when the test moves it.
class ManualClock : public Clock {
public:
    std::int64_t nowMs() const override { return now; }
    void set(std::int64_t ms) { now = ms; }

private:
    std::int64_t now = 0;
};
