#include "system/CpuFeatures.h"

#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>
#endif

namespace {

struct Features {
    bool avx2 = false;
    bool avx512 = false;
};

Features detect()
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

const Features& features()
{
    static const Features found = detect();
    return found;
}

} // namespace

namespace CpuFeatures {

bool hasAvx2()
{
    return features().avx2;
}

bool hasAvx512()
{
    return features().avx512;
}

} // namespace CpuFeatures
