#include "softcam/BgrToI420.h"

namespace softcam {
namespace {

// Integer BT.601 limited range, the inverse of the decoder's YUV to BGR formula.
inline unsigned char lumaOf(int b, int g, int r)
{
    return static_cast<unsigned char>(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
}

inline unsigned char blueDiffOf(int b, int g, int r)
{
    return static_cast<unsigned char>(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128);
}

inline unsigned char redDiffOf(int b, int g, int r)
{
    return static_cast<unsigned char>(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128);
}

} // namespace

std::size_t i420Bytes(int width, int height)
{
    const std::size_t chroma = std::size_t((width + 1) / 2) * std::size_t((height + 1) / 2);
    return std::size_t(width) * std::size_t(height) + 2 * chroma;
}

void bgrToI420(const unsigned char* bgr, int width, int height, unsigned char* i420)
{
    const int chromaWidth = (width + 1) / 2;
    const int chromaHeight = (height + 1) / 2;
    unsigned char* yPlane = i420;
    unsigned char* uPlane = yPlane + std::size_t(width) * height;
    unsigned char* vPlane = uPlane + std::size_t(chromaWidth) * chromaHeight;
    const std::size_t stride = std::size_t(width) * 3;

    for (int y = 0; y < height; ++y) {
        const unsigned char* row = bgr + y * stride;
        unsigned char* out = yPlane + std::size_t(y) * width;
        for (int x = 0; x < width; ++x)
            out[x] = lumaOf(row[3 * x], row[3 * x + 1], row[3 * x + 2]);
    }
    for (int cy = 0; cy < chromaHeight; ++cy) {
        // The last row or column of an odd size is its own block.
        const int y0 = 2 * cy;
        const int y1 = y0 + 1 < height ? y0 + 1 : y0;
        for (int cx = 0; cx < chromaWidth; ++cx) {
            const int x0 = 2 * cx;
            const int x1 = x0 + 1 < width ? x0 + 1 : x0;
            const unsigned char* p[4] = {bgr + y0 * stride + 3 * x0, bgr + y0 * stride + 3 * x1,
                                         bgr + y1 * stride + 3 * x0, bgr + y1 * stride + 3 * x1};
            const int b = (p[0][0] + p[1][0] + p[2][0] + p[3][0] + 2) >> 2;
            const int g = (p[0][1] + p[1][1] + p[2][1] + p[3][1] + 2) >> 2;
            const int r = (p[0][2] + p[1][2] + p[2][2] + p[3][2] + 2) >> 2;
            const std::size_t at = std::size_t(cy) * chromaWidth + cx;
            uPlane[at] = blueDiffOf(b, g, r);
            vPlane[at] = redDiffOf(b, g, r);
        }
    }
}

} // namespace softcam
