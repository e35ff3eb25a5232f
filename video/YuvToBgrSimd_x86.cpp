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
int i420Row(const std::uint8_t* y, const std::uint8_t* u, const std::uint8_t* v,
            std::uint8_t* bgr, int width)
{
    using namespace YuvToBgrX86;
    const int wide = cpu.avx512 ? i420RowAvx512(y, u, v, bgr, width) : 0;
    return cpu.avx2 ? wide + i420RowAvx2(y + wide, u + wide / 2, v + wide / 2, bgr + wide * 3,
                                         width - wide)
                    : wide;
}

int nv12Row(const std::uint8_t* y, const std::uint8_t* uv, std::uint8_t* bgr, int width)
{
    using namespace YuvToBgrX86;
    const int wide = cpu.avx512 ? nv12RowAvx512(y, uv, bgr, width) : 0;
    return cpu.avx2 ? wide + nv12RowAvx2(y + wide, uv + wide, bgr + wide * 3, width - wide) : wide;
}

} // namespace YuvToBgrSimd
