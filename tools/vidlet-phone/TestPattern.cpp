#include "tools/vidlet-phone/TestPattern.h"

#include <algorithm>
#include <cstring>

void TestPattern::draw(const X264Encoder::Picture& p, qint64 frameNumber) const
{
    const int shift = int(frameNumber % 256);
    for (int y = 0; y < height; ++y) {
        unsigned char* row = p.y + y * p.yStride;
        for (int x = 0; x < width; ++x)
            row[x] = static_cast<unsigned char>(16 + ((x + y + 4 * shift) & 0xFF) * 219 / 255);
    }
    for (int y = 0; y < height / 2; ++y) {
        unsigned char* u = p.u + y * p.uStride;
        unsigned char* v = p.v + y * p.vStride;
        for (int x = 0; x < width / 2; ++x) {
            u[x] = static_cast<unsigned char>(64 + ((x - 2 * shift) & 0x7F));
            v[x] = static_cast<unsigned char>(64 + ((y + 2 * shift) & 0x7F));
        }
    }
    const int side = std::max(2, std::min(width, height) / 6) & ~1;
    const int span = std::max(1, width - side);
    const int left = int((frameNumber * 8) % span) & ~1;
    const int top = (height - side) / 2 & ~1;
    for (int y = top; y < top + side; ++y)
        std::memset(p.y + y * p.yStride + left, 235, size_t(side));
}
