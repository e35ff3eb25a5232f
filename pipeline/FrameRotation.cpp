#include "pipeline/FrameRotation.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace FrameRotation {

QSize turned(QSize size, int quarterTurns)
{
    return quarterTurns % 2 ? size.transposed() : size;
}

void turn(const unsigned char* from, int width, int height, int quarterTurns, unsigned char* to)
{
    const std::size_t fromRow = std::size_t(width) * 3;
    const int turns = quarterTurns & 3;
    if (turns == 0) {
        std::memcpy(to, from, fromRow * std::size_t(height));
        return;
    }
    if (turns == 2) {
        // The last pixel first: each row backwards, the rows from the bottom.
        for (int y = 0; y < height; ++y) {
            const unsigned char* in = from + std::size_t(height - 1 - y) * fromRow + fromRow - 3;
            unsigned char* out = to + std::size_t(y) * fromRow;
            for (int x = 0; x < width; ++x, in -= 3, out += 3) {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
            }
        }
        return;
    }
    // A quarter turn reads down columns: done in tiles that stay in the cache.
    const std::size_t toRow = std::size_t(height) * 3;
    constexpr int tile = 32;
    for (int ty = 0; ty < height; ty += tile)
        for (int tx = 0; tx < width; tx += tile)
            for (int y = ty; y < std::min(ty + tile, height); ++y) {
                const unsigned char* in = from + std::size_t(y) * fromRow;
                for (int x = tx; x < std::min(tx + tile, width); ++x) {
                    // Clockwise, the left column becomes the top row, read from the bottom up;
                    // anticlockwise, the right column does, read from the top down.
                    const std::size_t outX =
                        turns == 1 ? std::size_t(height - 1 - y) : std::size_t(y);
                    const std::size_t outY =
                        turns == 1 ? std::size_t(x) : std::size_t(width - 1 - x);
                    unsigned char* out = to + outY * toRow + outX * 3;
                    out[0] = in[std::size_t(x) * 3];
                    out[1] = in[std::size_t(x) * 3 + 1];
                    out[2] = in[std::size_t(x) * 3 + 2];
                }
            }
}

} // namespace FrameRotation
