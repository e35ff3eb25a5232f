#pragma once

#include <cstdint>

// The largest picture the live path takes: what a phone honestly sends, 4K at most, landscape
// or portrait (sides up to 4096, no more pixels than 4096x2304). Every stage holds a few frames
// of the stream's size (the decoder's references, the Wi-Fi queue, the recorder's queue, the
// preview, the camera's segment), so a paired phone announcing a larger size could make the PC
// hold gigabytes; one outside these is never given to the decoder or the camera.
namespace FrameLimits {

inline constexpr int maxSide = 4096;
inline constexpr std::int64_t maxPixels = std::int64_t(4096) * 2304;

inline constexpr bool accepts(int width, int height)
{
    return width > 0 && height > 0 && width <= maxSide && height <= maxSide
        && std::int64_t(width) * height <= maxPixels;
}

} // namespace FrameLimits
