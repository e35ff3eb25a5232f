#include "video/YuvToBgrX86.h"

#include <array>
#include <immintrin.h>

// MSVC compiles these intrinsics without a target switch; GCC and Clang need one per function.
#if defined(_MSC_VER) && !defined(__clang__)
#define VIDLET_AVX512
#else
#define VIDLET_AVX512 __attribute__((target("avx2,avx512f,avx512bw,avx512vbmi")))
#endif

namespace {

// 16-bit lanes follow memory order, so lane i holds pair i; packing interleaves per 128-bit lane,
// so pixel p of the 64 sits at byte 16 * (p / 16) + (p odd ? 8 : 0) + (p % 16) / 2 of each packed
// channel. The permute tables put each byte in its place.
struct Interleave512 {
    std::array<std::array<signed char, 64>, 3> index{}; // into [blue, green] or into red
    std::array<unsigned long long, 3> redBytes{};       // output bytes taken from red
};

constexpr Interleave512 interleave512()
{
    Interleave512 table;
    for (int out = 0; out < 3; ++out)
        for (int i = 0; i < 64; ++i) {
            const int k = out * 64 + i;
            const int pixel = k / 3, channel = k % 3, q = pixel % 16;
            const int packed = 16 * (pixel / 16) + (q % 2 ? 8 : 0) + q / 2;
            table.index[out][i] = static_cast<signed char>(channel == 1 ? 64 + packed : packed);
            if (channel == 2)
                table.redBytes[out] |= 1ULL << i;
        }
    return table;
}

constexpr Interleave512 table512 = interleave512();

// The chroma terms of 32 pairs, from U and V as 16-bit lanes.
struct Chroma512 {
    __m512i bWhole, bFrac, gWhole, gFrac, rWhole, rFrac;
};

VIDLET_AVX512 inline Chroma512 chroma512(__m512i u, __m512i v)
{
    const __m512i d = _mm512_sub_epi16(u, _mm512_set1_epi16(128));
    const __m512i e = _mm512_sub_epi16(v, _mm512_set1_epi16(128));
    const __m512i sixteen = _mm512_set1_epi16(16);
    const __m512i offset = _mm512_set1_epi16(YuvToBgrX86::foldedOffset);
    return {_mm512_sub_epi16(_mm512_slli_epi16(d, 1), sixteen),
            _mm512_add_epi16(_mm512_slli_epi16(d, 2), offset),
            _mm512_sub_epi16(_mm512_sub_epi16(_mm512_setzero_si512(), e), sixteen),
            _mm512_add_epi16(_mm512_add_epi16(_mm512_mullo_epi16(d, _mm512_set1_epi16(-100)),
                                              _mm512_mullo_epi16(e, _mm512_set1_epi16(48))),
                             offset),
            _mm512_sub_epi16(_mm512_slli_epi16(e, 1), sixteen),
            _mm512_add_epi16(_mm512_mullo_epi16(e, _mm512_set1_epi16(-103)), offset)};
}

VIDLET_AVX512 inline __m512i channel512(__m512i y, __m512i y42, __m512i whole, __m512i fraction)
{
    return _mm512_add_epi16(_mm512_add_epi16(y, whole),
                            _mm512_srai_epi16(_mm512_add_epi16(y42, fraction), 8));
}

// 64 pixels of one row whose 32 pairs have the chroma terms k.
template <bool stream>
VIDLET_AVX512 inline void convert64(const std::uint8_t* y, const Chroma512& k, std::uint8_t* out)
{
    const __m512i luma = _mm512_loadu_si512(y);
    const __m512i yParity[2] = {_mm512_and_si512(luma, _mm512_set1_epi16(0xff)),
                                _mm512_srli_epi16(luma, 8)};
    __m512i b[2], g[2], r[2];
    for (int odd = 0; odd < 2; ++odd) {
        const __m512i y16 = yParity[odd];
        const __m512i y42 = _mm512_mullo_epi16(y16, _mm512_set1_epi16(42));
        b[odd] = channel512(y16, y42, k.bWhole, k.bFrac);
        g[odd] = channel512(y16, y42, k.gWhole, k.gFrac);
        r[odd] = channel512(y16, y42, k.rWhole, k.rFrac);
    }
    const __m512i b8 = _mm512_packus_epi16(b[0], b[1]);
    const __m512i g8 = _mm512_packus_epi16(g[0], g[1]);
    const __m512i r8 = _mm512_packus_epi16(r[0], r[1]);
    for (int i = 0; i < 3; ++i) {
        const __m512i index = _mm512_loadu_si512(table512.index[i].data());
        const __m512i blueGreen = _mm512_permutex2var_epi8(b8, index, g8);
        const __m512i bytes =
            _mm512_mask_permutexvar_epi8(blueGreen, table512.redBytes[i], index, r8);
        if constexpr (stream)
            _mm512_stream_si512(reinterpret_cast<__m512i*>(out + 64 * i), bytes);
        else
            _mm512_storeu_si512(out + 64 * i, bytes);
    }
}

template <bool stream>
VIDLET_AVX512 int i420Rows(const std::uint8_t* y0, const std::uint8_t* y1, const std::uint8_t* u,
                           const std::uint8_t* v, std::uint8_t* bgr0, std::uint8_t* bgr1, int width)
{
    int x = 0;
    for (; x + 64 <= width; x += 64) {
        const __m256i u8 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(u + x / 2));
        const __m256i v8 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(v + x / 2));
        const Chroma512 k = chroma512(_mm512_cvtepu8_epi16(u8), _mm512_cvtepu8_epi16(v8));
        convert64<stream>(y0 + x, k, bgr0 + x * 3);
        convert64<stream>(y1 + x, k, bgr1 + x * 3);
    }
    if constexpr (stream)
        _mm_sfence();
    return x;
}

template <bool stream>
VIDLET_AVX512 int nv12Rows(const std::uint8_t* y0, const std::uint8_t* y1, const std::uint8_t* uv,
                           std::uint8_t* bgr0, std::uint8_t* bgr1, int width)
{
    int x = 0;
    for (; x + 64 <= width; x += 64) {
        const __m512i pairs = _mm512_loadu_si512(uv + x);
        const Chroma512 k = chroma512(_mm512_and_si512(pairs, _mm512_set1_epi16(0xff)),
                                      _mm512_srli_epi16(pairs, 8));
        convert64<stream>(y0 + x, k, bgr0 + x * 3);
        convert64<stream>(y1 + x, k, bgr1 + x * 3);
    }
    if constexpr (stream)
        _mm_sfence();
    return x;
}

} // namespace

namespace YuvToBgrX86 {

VIDLET_AVX512 int i420RowsAvx512(const std::uint8_t* y0, const std::uint8_t* y1,
                                 const std::uint8_t* u, const std::uint8_t* v, std::uint8_t* bgr0,
                                 std::uint8_t* bgr1, int width)
{
    return onCacheLines(bgr0, bgr1) ? i420Rows<true>(y0, y1, u, v, bgr0, bgr1, width)
                                    : i420Rows<false>(y0, y1, u, v, bgr0, bgr1, width);
}

VIDLET_AVX512 int nv12RowsAvx512(const std::uint8_t* y0, const std::uint8_t* y1,
                                 const std::uint8_t* uv, std::uint8_t* bgr0, std::uint8_t* bgr1,
                                 int width)
{
    return onCacheLines(bgr0, bgr1) ? nv12Rows<true>(y0, y1, uv, bgr0, bgr1, width)
                                    : nv12Rows<false>(y0, y1, uv, bgr0, bgr1, width);
}

} // namespace YuvToBgrX86
