#include "system/CpuFeatures.h"
#include "video/YuvToBgrSimd.h"
#include "video/YuvToBgrX86.h"

namespace {
// Asked once, not for every row.
const bool avx2 = CpuFeatures::hasAvx2();
const bool avx512 = CpuFeatures::hasAvx512();
} // namespace

namespace YuvToBgrSimd {

// The wide kernel takes whole blocks of 64 and the AVX2 kernel a remaining block of 32.
int i420Rows(const std::uint8_t* y0, const std::uint8_t* y1, const std::uint8_t* u,
             const std::uint8_t* v, std::uint8_t* bgr0, std::uint8_t* bgr1, int width)
{
    using namespace YuvToBgrX86;
    const int w = avx512 ? i420RowsAvx512(y0, y1, u, v, bgr0, bgr1, width) : 0;
    if (!avx2)
        return w;
    return w
        + i420RowsAvx2(y0 + w, y1 + w, u + w / 2, v + w / 2, bgr0 + w * 3, bgr1 + w * 3, width - w);
}

int nv12Rows(const std::uint8_t* y0, const std::uint8_t* y1, const std::uint8_t* uv,
             std::uint8_t* bgr0, std::uint8_t* bgr1, int width)
{
    using namespace YuvToBgrX86;
    const int w = avx512 ? nv12RowsAvx512(y0, y1, uv, bgr0, bgr1, width) : 0;
    if (!avx2)
        return w;
    return w + nv12RowsAvx2(y0 + w, y1 + w, uv + w, bgr0 + w * 3, bgr1 + w * 3, width - w);
}

} // namespace YuvToBgrSimd
