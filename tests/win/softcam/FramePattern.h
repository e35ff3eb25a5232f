#pragma once

#include <vector>

// A BGR frame (top row first) whose every pixel says where it is and which frame it belongs
// to, so a flipped, shifted, torn or stale picture shows.
inline std::vector<unsigned char> framePattern(int width, int height, int seed)
{
    std::vector<unsigned char> bgr(std::size_t(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            unsigned char* pixel = &bgr[(std::size_t(y) * width + x) * 3];
            pixel[0] = static_cast<unsigned char>(x * 7 + seed);
            pixel[1] = static_cast<unsigned char>(y * 5 + seed * 3);
            pixel[2] = static_cast<unsigned char>(x + y + seed * 11);
        }
    return bgr;
}

// One colour everywhere, for checking the YUV layouts against known values.
inline std::vector<unsigned char> uniformFrame(int width, int height, unsigned char b,
                                               unsigned char g, unsigned char r)
{
    std::vector<unsigned char> bgr(std::size_t(width) * height * 3);
    for (std::size_t i = 0; i < bgr.size(); i += 3) {
        bgr[i] = b;
        bgr[i + 1] = g;
        bgr[i + 2] = r;
    }
    return bgr;
}
