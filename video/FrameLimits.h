#pragma once

#include <cstdint>

// The largest picture anything in the pipeline takes: sides up to 8192, and no more pixels
// than the largest picture H.264 allows (level 6.2, 139264 macroblocks of 16x16). A phone may
// announce any size; one outside these is never given to the decoder or the camera, whose
// memory grows with it.
namespace FrameLimits {

inline constexpr int maxSide = 8192;
inline constexpr std::int64_t maxPixels = 139264 * 256;

inline constexpr bool accepts(int width, int height)
{
    return width > 0 && height > 0 && width <= maxSide && height <= maxSide
        && std::int64_t(width) * height <= maxPixels;
}

} // namespace FrameLimits
