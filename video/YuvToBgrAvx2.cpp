#include "video/YuvToBgrX86.h"

#include <array>
#include <immintrin.h>

// MSVC compiles these intrinsics without a target switch; GCC and Clang need one per function.
#if defined(_MSC_VER) && !defined(__clang__)
#define VIDLET_AVX2
#else
#define VIDLET_AVX2 __attribute__((target("avx2")))
#endif

namespace {

// After packing, each 128-bit lane holds 16 pixels of one channel with the even pixels first:
// bytes 0..7 are pixels 0, 2, .., 14 and bytes 8..15 pixels 1, 3, .., 15. These pshufb masks
// put them in order and spread the three channels over the 48 interleaved bytes B G R B G R ..;
// index [out][channel], -128 leaves a byte zero.
constexpr std::array<std::array<std::array<signed char, 32>, 3>, 3> interleaveMasks()
{
    std::array<std::array<std::array<signed char, 32>, 3>, 3> masks{};
    for (int out = 0; out < 3; ++out)
        for (int channel = 0; channel < 3; ++channel)
            for (int i = 0; i < 32; ++i) {
                const int k = out * 16 + i % 16;
                const int pixel = k / 3;
                const int source = pixel % 2 ? 8 + pixel / 2 : pixel / 2;
                masks[out][channel][i] = static_cast<signed char>(k % 3 == channel ? source : -128);
            }
    return masks;
}

constexpr auto masks = interleaveMasks();

VIDLET_AVX2 inline __m256i mask(int out, int channel)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(masks[out][channel].data()));
}

VIDLET_AVX2 inline __m256i spread(__m256i b, __m256i g, __m256i r, int out)
{
    return _mm256_or_si256(
        _mm256_or_si256(_mm256_shuffle_epi8(b, mask(out, 0)), _mm256_shuffle_epi8(g, mask(out, 1))),
        _mm256_shuffle_epi8(r, mask(out, 2)));
}

// The chroma terms of 16 pairs, from U and V as 16-bit lanes (lane 0 pairs 0..7, lane 1 8..15).
struct Chroma256 {
    __m256i bWhole, bFrac, gWhole, gFrac, rWhole, rFrac;
};

VIDLET_AVX2 inline Chroma256 chroma256(__m256i u, __m256i v)
{
    const __m256i d = _mm256_sub_epi16(u, _mm256_set1_epi16(128));
    const __m256i e = _mm256_sub_epi16(v, _mm256_set1_epi16(128));
    const __m256i sixteen = _mm256_set1_epi16(16);
    const __m256i offset = _mm256_set1_epi16(YuvToBgrX86::foldedOffset);
    return {_mm256_sub_epi16(_mm256_slli_epi16(d, 1), sixteen),
            _mm256_add_epi16(_mm256_slli_epi16(d, 2), offset),
            _mm256_sub_epi16(_mm256_sub_epi16(_mm256_setzero_si256(), e), sixteen),
            _mm256_add_epi16(_mm256_add_epi16(_mm256_mullo_epi16(d, _mm256_set1_epi16(-100)),
                                              _mm256_mullo_epi16(e, _mm256_set1_epi16(48))),
                             offset),
            _mm256_sub_epi16(_mm256_slli_epi16(e, 1), sixteen),
            _mm256_add_epi16(_mm256_mullo_epi16(e, _mm256_set1_epi16(-103)), offset)};
}

VIDLET_AVX2 inline __m256i channel(__m256i y, __m256i y42, __m256i whole, __m256i fraction)
{
    return _mm256_add_epi16(_mm256_add_epi16(y, whole),
                            _mm256_srai_epi16(_mm256_add_epi16(y42, fraction), 8));
}

// 32 pixels of one row whose 16 pairs have the chroma terms k.
template <bool stream>
VIDLET_AVX2 inline void convert32(const std::uint8_t* y, const Chroma256& k, std::uint8_t* out)
{
    const __m256i luma = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(y));
    const __m256i yParity[2] = {_mm256_and_si256(luma, _mm256_set1_epi16(0xff)),
                                _mm256_srli_epi16(luma, 8)};
    __m256i b[2], g[2], r[2];
    for (int odd = 0; odd < 2; ++odd) {
        const __m256i y16 = yParity[odd];
        const __m256i y42 = _mm256_mullo_epi16(y16, _mm256_set1_epi16(42));
        b[odd] = channel(y16, y42, k.bWhole, k.bFrac);
        g[odd] = channel(y16, y42, k.gWhole, k.gFrac);
        r[odd] = channel(y16, y42, k.rWhole, k.rFrac);
    }
    const __m256i b8 = _mm256_packus_epi16(b[0], b[1]);
    const __m256i g8 = _mm256_packus_epi16(g[0], g[1]);
    const __m256i r8 = _mm256_packus_epi16(r[0], r[1]);
    // Lane 0 now covers pixels 0..15 and lane 1 pixels 16..31, each giving 48 output bytes.
    const __m256i o0 = spread(b8, g8, r8, 0);
    const __m256i o1 = spread(b8, g8, r8, 1);
    const __m256i o2 = spread(b8, g8, r8, 2);
    auto* dst = reinterpret_cast<__m256i*>(out);
    const __m256i bytes[3] = {_mm256_permute2x128_si256(o0, o1, 0x20),
                              _mm256_permute2x128_si256(o2, o0, 0x30),
                              _mm256_permute2x128_si256(o1, o2, 0x31)};
    for (int i = 0; i < 3; ++i) {
        if constexpr (stream)
            _mm256_stream_si256(dst + i, bytes[i]);
        else
            _mm256_storeu_si256(dst + i, bytes[i]);
    }
}

template <bool stream>
VIDLET_AVX2 int i420Rows(const std::uint8_t* y0, const std::uint8_t* y1, const std::uint8_t* u,
                         const std::uint8_t* v, std::uint8_t* bgr0, std::uint8_t* bgr1, int width)
{
    int x = 0;
    for (; x + 32 <= width; x += 32) {
        const __m128i u8 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(u + x / 2));
        const __m128i v8 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(v + x / 2));
        const Chroma256 k = chroma256(_mm256_cvtepu8_epi16(u8), _mm256_cvtepu8_epi16(v8));
        convert32<stream>(y0 + x, k, bgr0 + x * 3);
        convert32<stream>(y1 + x, k, bgr1 + x * 3);
    }
    if constexpr (stream)
        _mm_sfence();
    return x;
}

template <bool stream>
VIDLET_AVX2 int nv12Rows(const std::uint8_t* y0, const std::uint8_t* y1, const std::uint8_t* uv,
                         std::uint8_t* bgr0, std::uint8_t* bgr1, int width)
{
    int x = 0;
    for (; x + 32 <= width; x += 32) {
        const __m256i pairs = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(uv + x));
        const Chroma256 k = chroma256(_mm256_and_si256(pairs, _mm256_set1_epi16(0xff)),
                                      _mm256_srli_epi16(pairs, 8));
        convert32<stream>(y0 + x, k, bgr0 + x * 3);
        convert32<stream>(y1 + x, k, bgr1 + x * 3);
    }
    if constexpr (stream)
        _mm_sfence();
    return x;
}

} // namespace

namespace YuvToBgrX86 {

VIDLET_AVX2 int i420RowsAvx2(const std::uint8_t* y0, const std::uint8_t* y1, const std::uint8_t* u,
                             const std::uint8_t* v, std::uint8_t* bgr0, std::uint8_t* bgr1,
                             int width)
{
    return onCacheLines(bgr0, bgr1) ? i420Rows<true>(y0, y1, u, v, bgr0, bgr1, width)
                                    : i420Rows<false>(y0, y1, u, v, bgr0, bgr1, width);
}

VIDLET_AVX2 int nv12RowsAvx2(const std::uint8_t* y0, const std::uint8_t* y1, const std::uint8_t* uv,
                             std::uint8_t* bgr0, std::uint8_t* bgr1, int width)
{
    return onCacheLines(bgr0, bgr1) ? nv12Rows<true>(y0, y1, uv, bgr0, bgr1, width)
                                    : nv12Rows<false>(y0, y1, uv, bgr0, bgr1, width);
}

} // namespace YuvToBgrX86
