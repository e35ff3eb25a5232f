#include "softcam/BgrToI420Rows.h"
#include "system/CpuFeatures.h"

#include <array>
#include <immintrin.h>

#define VIDLET_AVX2 __attribute__((target("avx2")))

namespace softcam {
namespace {

// pshufb masks that gather one channel of 16 interleaved pixels (48 bytes, B G R B G R ..)
// from the three 16-byte pieces they span: index [channel][piece], -128 leaves a byte zero, and
// OR-ing the three results gives the channel's 16 bytes in pixel order.
constexpr std::array<std::array<std::array<signed char, 16>, 3>, 3> gatherMasks()
{
    std::array<std::array<std::array<signed char, 16>, 3>, 3> masks{};
    for (int channel = 0; channel < 3; ++channel)
        for (int piece = 0; piece < 3; ++piece)
            for (int pixel = 0; pixel < 16; ++pixel) {
                const int at = 3 * pixel + channel;
                masks[channel][piece][pixel] =
                    static_cast<signed char>(at / 16 == piece ? at % 16 : -128);
            }
    return masks;
}

constexpr auto kGather = gatherMasks();

struct Channels {
    __m128i b, g, r; // 16 pixels each, one byte per pixel
};

VIDLET_AVX2 inline __m128i gather(const __m128i piece[3], int channel)
{
    __m128i out = _mm_setzero_si128();
    for (int i = 0; i < 3; ++i) {
        const __m128i mask =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(kGather[channel][i].data()));
        out = _mm_or_si128(out, _mm_shuffle_epi8(piece[i], mask));
    }
    return out;
}

VIDLET_AVX2 inline Channels load16(const unsigned char* bgr)
{
    const __m128i piece[3] = {_mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr)),
                              _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr + 16)),
                              _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr + 32))};
    return {gather(piece, 0), gather(piece, 1), gather(piece, 2)};
}

// The scalar formula in 16-bit lanes: its largest sum, 56228, fits unsigned 16 bits.
VIDLET_AVX2 inline __m128i luma16(const Channels& c)
{
    const __m256i b = _mm256_cvtepu8_epi16(c.b);
    const __m256i g = _mm256_cvtepu8_epi16(c.g);
    const __m256i r = _mm256_cvtepu8_epi16(c.r);
    __m256i sum = _mm256_add_epi16(_mm256_mullo_epi16(r, _mm256_set1_epi16(66)),
                                   _mm256_mullo_epi16(g, _mm256_set1_epi16(129)));
    sum = _mm256_add_epi16(sum, _mm256_mullo_epi16(b, _mm256_set1_epi16(25)));
    sum = _mm256_add_epi16(sum, _mm256_set1_epi16(128));
    const __m256i y = _mm256_add_epi16(_mm256_srli_epi16(sum, 8), _mm256_set1_epi16(16));
    return _mm_packus_epi16(_mm256_castsi256_si128(y), _mm256_extracti128_si256(y, 1));
}

// Rounded mean of each 2 x 2 block of one channel: 8 values in 16-bit lanes.
VIDLET_AVX2 inline __m128i blockMean(__m128i top, __m128i bottom)
{
    const __m128i ones = _mm_set1_epi8(1);
    const __m128i sum =
        _mm_add_epi16(_mm_maddubs_epi16(top, ones), _mm_maddubs_epi16(bottom, ones));
    return _mm_srli_epi16(_mm_add_epi16(sum, _mm_set1_epi16(2)), 2);
}

// One colour difference: every partial sum stays within signed 16 bits, and the arithmetic
// shift rounds as the scalar >> does.
VIDLET_AVX2 inline __m128i difference(__m128i b, __m128i g, __m128i r, short kb, short kg, short kr)
{
    __m128i sum = _mm_add_epi16(_mm_mullo_epi16(r, _mm_set1_epi16(kr)),
                                _mm_mullo_epi16(g, _mm_set1_epi16(kg)));
    sum = _mm_add_epi16(sum,
                        _mm_add_epi16(_mm_mullo_epi16(b, _mm_set1_epi16(kb)), _mm_set1_epi16(128)));
    const __m128i value = _mm_add_epi16(_mm_srai_epi16(sum, 8), _mm_set1_epi16(128));
    return _mm_packus_epi16(value, value);
}

VIDLET_AVX2 int convertRowPairAvx2(const I420RowPair& rows, int width)
{
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        const Channels top = load16(rows.top + 3 * x);
        const Channels bottom = load16(rows.bottom + 3 * x);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(rows.yTop + x), luma16(top));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(rows.yBottom + x), luma16(bottom));
        const __m128i b = blockMean(top.b, bottom.b);
        const __m128i g = blockMean(top.g, bottom.g);
        const __m128i r = blockMean(top.r, bottom.r);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(rows.u + x / 2),
                         difference(b, g, r, 112, -74, -38));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(rows.v + x / 2),
                         difference(b, g, r, -18, -94, 112));
    }
    return x;
}

// Asked once, not for every row.
const bool hasAvx2 = CpuFeatures::hasAvx2();

} // namespace

int convertRowPairVector(const I420RowPair& rows, int width)
{
    return hasAvx2 ? convertRowPairAvx2(rows, width) : 0;
}

} // namespace softcam
