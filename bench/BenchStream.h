#pragma once

#include "bench/BenchMode.h"
#include "tests/video/TestEncoder.h"

// The stream the per-frame benchmarks measure: three seconds of a phone's usual 6 Mbit/s
// High-profile H.264 at 30 frames per second (a few frames in a short run).
inline TestEncoder::Options benchStream(int width, int height)
{
    TestEncoder::Options options;
    options.width = width;
    options.height = height;
    options.frames = BenchMode::pick(90, 6);
    options.profile = "high";
    options.preset = "veryfast";
    options.bitrateKbps = 6000;
    return options;
}
