#pragma once

#include "softcam/CameraReader.h"

#include <cstdint>
#include <cstdio>

// Sums up what the camera delivers, one line per reporting period:
//
//   size=1280x720 nominal=30.0 fps=30.0 pictures=29.8 stamped=30 latency_ms=41.3 max_latency_ms=58.0 out_of_order=0
//
// `fps` counts the camera's frames (the same picture repeated included), `pictures` the
// distinct stamped pictures, and latency runs from a stamp's send time to the moment the camera
// published that picture first. Both clocks are CLOCK_MONOTONIC, shared by every process.
class StreamWatch {
public:
    explicit StreamWatch(std::FILE* out)
        : out(out)
    {
    }

    void add(const softcam::CameraFrame& frame, float nominalFps);
    // Prints the period's line and starts a new period; false when it saw no frame.
    bool report();
    // Totals over the whole run, printed as a line starting "summary".
    void summarize();

private:
    struct Period {
        int width = 0;
        int height = 0;
        float nominalFps = 0;
        std::uint64_t frames = 0;
        std::uint64_t firstNumber = 0;
        std::uint64_t lastNumber = 0;
        std::uint64_t firstNs = 0;
        std::uint64_t lastNs = 0;
        int pictures = 0;
        double latencySumMs = 0;
        double latencyMaxMs = 0;
        int outOfOrder = 0;
    };
    void print(const char* prefix, const Period& p) const;

    std::FILE* out;
    Period period;
    Period total;
    bool haveStamp = false;
    std::uint32_t lastStamp = 0;
};
