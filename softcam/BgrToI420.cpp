#include "softcam/BgrToI420.h"

#include "softcam/BgrToI420Rows.h"

#include <algorithm>
#include <vector>

namespace softcam {

std::size_t i420Bytes(int width, int height)
{
    const std::size_t luma = std::size_t(i420Side(width)) * std::size_t(i420Side(height));
    return luma + luma / 2;
}

void convertRowPair(const I420RowPair& rows, int width, int fromX)
{
    for (int x = fromX; x < width; x += 2) {
        // The last column of an odd width stands in for the missing one.
        const int x1 = x + 1 < width ? x + 1 : x;
        const unsigned char* p[4] = {rows.top + 3 * x, rows.top + 3 * x1, rows.bottom + 3 * x,
                                     rows.bottom + 3 * x1};
        rows.yTop[x] = lumaOf(p[0][0], p[0][1], p[0][2]);
        rows.yTop[x + 1] = lumaOf(p[1][0], p[1][1], p[1][2]);
        rows.yBottom[x] = lumaOf(p[2][0], p[2][1], p[2][2]);
        rows.yBottom[x + 1] = lumaOf(p[3][0], p[3][1], p[3][2]);
        const int b = (p[0][0] + p[1][0] + p[2][0] + p[3][0] + 2) >> 2;
        const int g = (p[0][1] + p[1][1] + p[2][1] + p[3][1] + 2) >> 2;
        const int r = (p[0][2] + p[1][2] + p[2][2] + p[3][2] + 2) >> 2;
        rows.u[x / 2] = blueDiffOf(b, g, r);
        rows.v[x / 2] = redDiffOf(b, g, r);
    }
}

void bgrToI420(const unsigned char* bgr, int width, int height, unsigned char* i420)
{
    const int lumaWidth = i420Side(width);
    const int chromaWidth = lumaWidth / 2;
    unsigned char* yPlane = i420;
    unsigned char* uPlane = yPlane + std::size_t(lumaWidth) * std::size_t(i420Side(height));
    unsigned char* vPlane = uPlane + std::size_t(chromaWidth) * std::size_t(i420Side(height) / 2);
    const std::size_t stride = std::size_t(width) * 3;

    for (int y = 0; y < height; y += 2) {
        // The last row of an odd height stands in for the missing one.
        const int y1 = y + 1 < height ? y + 1 : y;
        const I420RowPair rows{bgr + std::size_t(y) * stride,
                               bgr + std::size_t(y1) * stride,
                               yPlane + std::size_t(y) * lumaWidth,
                               yPlane + std::size_t(y + 1) * lumaWidth,
                               uPlane + std::size_t(y / 2) * chromaWidth,
                               vPlane + std::size_t(y / 2) * chromaWidth};
        convertRowPair(rows, width, convertRowPairVector(rows, width));
    }
}

void bgrToNv12(const unsigned char* bgr, int width, int height, unsigned char* nv12)
{
    // Converted as I420, whose chroma planes are then interleaved: one conversion to keep exact.
    thread_local std::vector<unsigned char> i420;
    i420.resize(i420Bytes(width, height));
    bgrToI420(bgr, width, height, i420.data());
    const std::size_t lumaBytes = std::size_t(i420Side(width)) * std::size_t(i420Side(height));
    const std::size_t chromaBytes = lumaBytes / 4;
    std::copy_n(i420.data(), lumaBytes, nv12);
    const unsigned char* u = i420.data() + lumaBytes;
    const unsigned char* v = u + chromaBytes;
    unsigned char* uv = nv12 + lumaBytes;
    for (std::size_t i = 0; i < chromaBytes; ++i) {
        uv[2 * i] = u[i];
        uv[2 * i + 1] = v[i];
    }
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
