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

namespace {

// Writes the Y plane at `yPlane`, then each chroma pair through `store(index, u, v)`, where index
// counts the (width + 1) / 2 x (height + 1) / 2 chroma samples row by row.
template<typename StoreChroma>
void bgrToYuv420(const unsigned char* bgr, int width, int height, unsigned char* yPlane,
                 StoreChroma store)
{
    const int chromaWidth = (width + 1) / 2;
    const int chromaHeight = (height + 1) / 2;
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
            store(std::size_t(cy) * chromaWidth + cx, blueDiffOf(b, g, r), redDiffOf(b, g, r));
        }
    }
}

} // namespace

void bgrToI420(const unsigned char* bgr, int width, int height, unsigned char* i420)
{
    const std::size_t lumaBytes = std::size_t(width) * height;
    unsigned char* uPlane = i420 + lumaBytes;
    unsigned char* vPlane = uPlane + (i420Bytes(width, height) - lumaBytes) / 2;
    bgrToYuv420(bgr, width, height, i420, [&](std::size_t at, unsigned char u, unsigned char v) {
        uPlane[at] = u;
        vPlane[at] = v;
    });
}

void bgrToNv12(const unsigned char* bgr, int width, int height, unsigned char* nv12)
{
    unsigned char* uv = nv12 + std::size_t(width) * height;
    bgrToYuv420(bgr, width, height, nv12, [&](std::size_t at, unsigned char u, unsigned char v) {
        uv[2 * at] = u;
        uv[2 * at + 1] = v;
    });
}

void bgrToYuy2(const unsigned char* bgr, int width, int height, unsigned char* yuy2, int pitch)
{
    for (int y = 0; y < height; ++y) {
        const unsigned char* p = bgr + std::size_t(y) * width * 3;
        unsigned char* out = yuy2 + std::size_t(y) * pitch;
        for (int x = 0; x + 1 < width; x += 2, p += 6, out += 4) {
            const int b = (p[0] + p[3] + 1) >> 1;
            const int g = (p[1] + p[4] + 1) >> 1;
            const int r = (p[2] + p[5] + 1) >> 1;
            out[0] = lumaOf(p[0], p[1], p[2]);
            out[1] = blueDiffOf(b, g, r);
            out[2] = lumaOf(p[3], p[4], p[5]);
            out[3] = redDiffOf(b, g, r);
        }
    }
}

} // namespace softcam
