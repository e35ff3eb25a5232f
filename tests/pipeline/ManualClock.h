#pragma once

#include "pipeline/Clock.h"

// A clock that moves only when the test moves it.
class ManualClock : public Clock {
public:
    std::int64_t nowUs() const override { return now; }
    void set(std::int64_t ms) { now = ms * 1000; }
    void setUs(std::int64_t us) { now = us; }

private:
    std::int64_t now = 0;
};
