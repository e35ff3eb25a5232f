#include "video/YuvToBgrSimd.h"
#include "video/YuvToBgrX86.h"

#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>
#endif

namespace {

struct CpuFeatures {
    bool avx2 = false;
    bool avx512 = false; // F, BW and VBMI
};

CpuFeatures detect()
{
#if defined(_MSC_VER) && !defined(__clang__)
    int info[4];
    __cpuid(info, 1);
    if (!(info[2] & (1 << 27)))
        return {};
    const unsigned long long osSaves = _xgetbv(0);
    __cpuidex(info, 7, 0);
    const bool ymm = (osSaves & 0x6) == 0x6, zmm = (osSaves & 0xE6) == 0xE6;
    return {ymm && (info[1] & (1 << 5)),
            zmm && (info[1] & (1 << 16)) && (info[1] & (1 << 30)) && (info[2] & (1 << 1))};
#else
    __builtin_cpu_init();
    return {bool(__builtin_cpu_supports("avx2")),
            __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw")
                && __builtin_cpu_supports("avx512vbmi")};
#endif
}

const CpuFeatures cpu = detect();

} // namespace

namespace YuvToBgrX86 {

bool hasAvx2()
{
    return cpu.avx2;
}

bool hasAvx512()
{
    return cpu.avx512;
}

} // namespace YuvToBgrX86

namespace YuvToBgrSimd {

// The wide kernel takes whole blocks of 64 and the AVX2 kernel a remaining block of 32.
int i420Rows(const std::uint8_t* y0, const std::uint8_t* y1, const std::uint8_t* u,
             const std::uint8_t* v, std::uint8_t* bgr0, std::uint8_t* bgr1, int width)
{
    using namespace YuvToBgrX86;
    const int w = cpu.avx512 ? i420RowsAvx512(y0, y1, u, v, bgr0, bgr1, width) : 0;
    if (!cpu.avx2)
        return w;
    return w
        + i420RowsAvx2(y0 + w, y1 + w, u + w / 2, v + w / 2, bgr0 + w * 3, bgr1 + w * 3, width - w);
}

int nv12Rows(const std::uint8_t* y0, const std::uint8_t* y1, const std::uint8_t* uv,
             std::uint8_t* bgr0, std::uint8_t* bgr1, int width)
{
    using namespace YuvToBgrX86;
    const int w = cpu.avx512 ? nv12RowsAvx512(y0, y1, uv, bgr0, bgr1, width) : 0;
    if (!cpu.avx2)
        return w;
    return w + nv12RowsAvx2(y0 + w, y1 + w, uv + w, bgr0 + w * 3, bgr1 + w * 3, width - w);
}

} // namespace YuvToBgrSimd
