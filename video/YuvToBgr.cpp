#include "video/YuvToBgr.h"

#include "video/YuvToBgrSimd.h"

#include <cstddef>

namespace {

inline std::uint8_t clampByte(int value)
{
    return std::uint8_t(value < 0 ? 0 : value > 255 ? 255 : value);
}

// The formula itself; the vector kernels stop short of the row's end and this finishes it.
// Chroma sample i of the row sits at u[i * step] and v[i * step].
template <int step>
void rowScalar(const std::uint8_t* y, const std::uint8_t* u, const std::uint8_t* v,
               std::uint8_t* bgr, int from, int width)
{
    for (int x = from; x < width; ++x) {
        const int c = y[x] - 16;
        const int d = u[(x >> 1) * step] - 128;
        const int e = v[(x >> 1) * step] - 128;
        std::uint8_t* out = bgr + x * 3;
        out[0] = clampByte((298 * c + 516 * d + 128) >> 8);
        out[1] = clampByte((298 * c - 100 * d - 208 * e + 128) >> 8);
        out[2] = clampByte((298 * c + 409 * e + 128) >> 8);
    }
}

} // namespace

namespace YuvToBgr {

// Rows go in pairs that share a chroma row, so the kernels compute the chroma terms once for
// both; the last row of an odd height is passed as both rows.
void fromI420(const std::uint8_t* y, int yPitch, const std::uint8_t* u, int uPitch,
              const std::uint8_t* v, int vPitch, int width, int height, std::uint8_t* bgr)
{
    for (int r = 0; r < height; r += 2) {
        const int r1 = r + 1 < height ? r + 1 : r;
        const std::uint8_t* y0 = y + std::ptrdiff_t(r) * yPitch;
        const std::uint8_t* y1 = y + std::ptrdiff_t(r1) * yPitch;
        const std::uint8_t* uRow = u + std::ptrdiff_t(r >> 1) * uPitch;
        const std::uint8_t* vRow = v + std::ptrdiff_t(r >> 1) * vPitch;
        std::uint8_t* out0 = bgr + std::ptrdiff_t(r) * width * 3;
        std::uint8_t* out1 = bgr + std::ptrdiff_t(r1) * width * 3;
        const int done = YuvToBgrSimd::i420Rows(y0, y1, uRow, vRow, out0, out1, width);
        rowScalar<1>(y0, uRow, vRow, out0, done, width);
        rowScalar<1>(y1, uRow, vRow, out1, done, width);
    }
}

void fromNv12(const std::uint8_t* y, int yPitch, const std::uint8_t* uv, int uvPitch, int width,
              int height, std::uint8_t* bgr)
{
    for (int r = 0; r < height; r += 2) {
        const int r1 = r + 1 < height ? r + 1 : r;
        const std::uint8_t* y0 = y + std::ptrdiff_t(r) * yPitch;
        const std::uint8_t* y1 = y + std::ptrdiff_t(r1) * yPitch;
        const std::uint8_t* uvRow = uv + std::ptrdiff_t(r >> 1) * uvPitch;
        std::uint8_t* out0 = bgr + std::ptrdiff_t(r) * width * 3;
        std::uint8_t* out1 = bgr + std::ptrdiff_t(r1) * width * 3;
        const int done = YuvToBgrSimd::nv12Rows(y0, y1, uvRow, out0, out1, width);
        rowScalar<2>(y0, uvRow, uvRow + 1, out0, done, width);
        rowScalar<2>(y1, uvRow, uvRow + 1, out1, done, width);
    }
}

} // namespace YuvToBgr
