#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

// The BT.601 limited-range formula written as plainly as possible, pixel by pixel in 32-bit
// arithmetic, as the yardstick for the optimised conversion. chromaStep is 1 for separate U and V
// planes and 2 for interleaved pairs (pass v = u + 1).
inline std::vector<std::uint8_t> referenceBgr(const std::uint8_t* y, int yPitch,
                                              const std::uint8_t* u, const std::uint8_t* v,
                                              int chromaPitch, int chromaStep, int width,
                                              int height)
{
    std::vector<std::uint8_t> bgr(std::size_t(width) * height * 3);
    const auto clamp = [](int value) { return std::uint8_t(std::clamp(value, 0, 255)); };
    for (int r = 0; r < height; ++r)
        for (int x = 0; x < width; ++x) {
            const int c = y[r * yPitch + x] - 16;
            const int chroma = (r / 2) * chromaPitch + (x / 2) * chromaStep;
            const int d = u[chroma] - 128;
            const int e = v[chroma] - 128;
            std::uint8_t* out = &bgr[(std::size_t(r) * width + x) * 3];
            out[0] = clamp((298 * c + 516 * d + 128) >> 8);
            out[1] = clamp((298 * c - 100 * d - 208 * e + 128) >> 8);
            out[2] = clamp((298 * c + 409 * e + 128) >> 8);
        }
    return bgr;
}
