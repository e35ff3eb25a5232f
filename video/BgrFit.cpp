#include "video/BgrFit.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr int weightBits = 14;
constexpr std::int32_t one = 1 << weightBits;
// Between the passes a value keeps 7 bits below the pixel's (255 << 7 fits 16 bits); the second
// pass drops them all.
constexpr int keptBits = 7;

template <typename Out> Out settle(std::int32_t sum, int shift)
{
    const std::int32_t value = (sum + (1 << (shift - 1))) >> shift;
    if constexpr (sizeof(Out) == 1)
        return static_cast<Out>(std::clamp(value, 0, 255));
    else
        return static_cast<Out>(value);
}

// One output row from `count` input rows of `values` each: a weighted sum down each column.
template <typename In, typename Out>
void sumDown(const In* const* rows, const std::int16_t* weights, int count, std::size_t values,
             std::int32_t* sums, Out* out, int shift)
{
    std::fill(sums, sums + values, 0);
    for (int k = 0; k < count; ++k) {
        const std::int32_t w = weights[k];
        const In* in = rows[k];
        for (std::size_t v = 0; v < values; ++v)
            sums[v] += w * std::int32_t(in[v]);
    }
    for (std::size_t v = 0; v < values; ++v)
        out[v] = settle<Out>(sums[v], shift);
}

#if defined(__SSE2__)
// The last pass of a shrink with at most four taps a pixel (a 1080p picture into 720p takes
// three), all three channels at once: the four source pixels' twelve values times their
// weights (`expanded`, 16 a pixel) as 32-bit products, the groups of three added, rounded and
// saturated to bytes, as settle() does. Each pixel is stored as four bytes, the fourth
// overwritten by the next pixel's; the last is stored alone. Reads up to four pixels from each
// pixel's first, which may be one past the row: the caller pads its rows.
void sumAcrossToBytes(const std::int16_t* in, unsigned char* out, int to, const std::int32_t* first,
                      const std::int16_t* expanded, int shift)
{
    const __m128i round = _mm_set1_epi32(1 << (shift - 1));
    const __m128i by = _mm_cvtsi32_si128(shift);
    for (int x = 0; x < to; ++x, expanded += 16, out += 3) {
        const std::int16_t* pixel = in + std::size_t(first[x]) * 3;
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixel));
        const __m128i high = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pixel + 8));
        const __m128i lowWeights = _mm_loadu_si128(reinterpret_cast<const __m128i*>(expanded));
        const __m128i highWeights = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(expanded + 8));
        // Products e0..e11: B0 G0 R0 B1 | G1 R1 B2 G2 | R2 B3 G3 R3.
        const __m128i lowLo = _mm_mullo_epi16(low, lowWeights);
        const __m128i lowHi = _mm_mulhi_epi16(low, lowWeights);
        const __m128i e0 = _mm_unpacklo_epi16(lowLo, lowHi);
        const __m128i e4 = _mm_unpackhi_epi16(lowLo, lowHi);
        const __m128i e8 = _mm_unpacklo_epi16(_mm_mullo_epi16(high, highWeights),
                                              _mm_mulhi_epi16(high, highWeights));
        // Lined up by channel: e3..e6, e6..e9 and e9..e11 under e0..e3.
        const __m128i second = _mm_or_si128(_mm_srli_si128(e0, 12), _mm_slli_si128(e4, 4));
        const __m128i third = _mm_or_si128(_mm_srli_si128(e4, 8), _mm_slli_si128(e8, 8));
        const __m128i fourth = _mm_srli_si128(e8, 4);
        __m128i sum = _mm_add_epi32(_mm_add_epi32(e0, second), _mm_add_epi32(third, fourth));
        sum = _mm_sra_epi32(_mm_add_epi32(sum, round), by);
        sum = _mm_packs_epi32(sum, sum);
        const int bytes = _mm_cvtsi128_si32(_mm_packus_epi16(sum, sum));
        std::memcpy(out, &bytes, x + 1 < to ? 4 : 3);
    }
}
#endif

} // namespace

BgrFit::Area BgrFit::area(int fromWidth, int fromHeight, int toWidth, int toHeight)
{
    Area a;
    // Compared across, so that equal shapes fill the frame exactly.
    if (std::int64_t(fromWidth) * toHeight >= std::int64_t(toWidth) * fromHeight) {
        a.width = toWidth;
        a.height = int((std::int64_t(toWidth) * fromHeight + fromWidth / 2) / fromWidth);
    } else {
        a.height = toHeight;
        a.width = int((std::int64_t(toHeight) * fromWidth + fromHeight / 2) / fromHeight);
    }
    a.width = std::clamp(a.width, 1, toWidth);
    a.height = std::clamp(a.height, 1, toHeight);
    a.x = (toWidth - a.width) / 2;
    a.y = (toHeight - a.height) / 2;
    return a;
}

void BgrFit::makeTaps(Taps& taps, int from, int to)
{
    if (taps.from == from && taps.to == to)
        return;
    taps.from = from;
    taps.to = to;
    const double scale = double(from) / to;     // source pixels per output pixel
    const double radius = std::max(1.0, scale); // the tent's half width, in source pixels
    taps.width = int(std::ceil(radius)) * 2 + 1;
    taps.first.assign(std::size_t(to), 0);
    taps.count.assign(std::size_t(to), 0);
    taps.weights.assign(std::size_t(to) * std::size_t(taps.width), 0);
    std::vector<double> raw(std::size_t(taps.width));
    for (int i = 0; i < to; ++i) {
        const double centre = (i + 0.5) * scale - 0.5;
        const int first = std::max(0, int(std::floor(centre - radius)) + 1);
        const int last = std::min(from - 1, int(std::ceil(centre + radius)) - 1);
        double sum = 0;
        int n = 0;
        for (int s = first; s <= last && n < taps.width; ++s, ++n) {
            raw[std::size_t(n)] = std::max(0.0, 1.0 - std::abs(s - centre) / radius);
            sum += raw[std::size_t(n)];
        }
        std::int16_t* weights = &taps.weights[std::size_t(i) * std::size_t(taps.width)];
        if (sum <= 0) { // a picture one pixel wide
            n = 1;
            raw[0] = sum = 1;
        }
        // Rounded, with what rounding lost given to the largest, so each set sums to one.
        std::int32_t total = 0;
        int largest = 0;
        for (int k = 0; k < n; ++k) {
            weights[k] = std::int16_t(std::lround(raw[std::size_t(k)] / sum * one));
            total += weights[k];
            if (weights[k] > weights[largest])
                largest = k;
        }
        weights[largest] = std::int16_t(weights[largest] + one - total);
        taps.first[std::size_t(i)] = std::min(first, from - 1);
        taps.count[std::size_t(i)] = n;
    }
    // The same taps, each pixel's as many as the most any has, moved left where they would
    // run past the last pixel: a pass that sums a fixed count unrolls its loop.
    const int most = *std::max_element(taps.count.begin(), taps.count.end());
    taps.packedCount = from >= most ? most : 0;
    taps.packed.assign(std::size_t(to) * std::size_t(most), 0);
    taps.packedFirst.assign(std::size_t(to), 0);
    for (int i = 0; taps.packedCount && i < to; ++i) {
        const int first = std::min(taps.first[std::size_t(i)], from - most);
        const int shift = taps.first[std::size_t(i)] - first;
        for (int k = 0; k < taps.count[std::size_t(i)]; ++k)
            taps.packed[std::size_t(i) * std::size_t(most) + std::size_t(shift + k)] =
                taps.weights[std::size_t(i) * std::size_t(taps.width) + std::size_t(k)];
        taps.packedFirst[std::size_t(i)] = first;
    }
#if defined(__SSE2__)
    // For the vector pass: each pixel's first four weights, one for each of the values it
    // multiplies (B G R of each source pixel), in two rows of eight.
    taps.expanded.assign(taps.packedCount && most <= 4 ? std::size_t(to) * 16 : 0, 0);
    for (std::size_t i = 0; i < taps.expanded.size() / 16; ++i)
        for (int k = 0; k < most; ++k)
            for (int channel = 0; channel < 3; ++channel)
                taps.expanded[i * 16 + std::size_t(3 * k + channel)] =
                    taps.packed[i * std::size_t(most) + std::size_t(k)];
#endif
}

// Output pixels of `Count` taps each: with the count known, the loop unrolls.
template <int Count, typename In, typename Out>
void sumAcrossFixed(const In* in, Out* out, int to, const std::int32_t* first,
                    const std::int16_t* weights, int shift)
{
    for (int x = 0; x < to; ++x, weights += Count, out += 3) {
        const In* pixel = in + std::size_t(first[x]) * 3;
        std::int32_t b = 0, g = 0, r = 0;
        for (int k = 0; k < Count; ++k) {
            b += weights[k] * std::int32_t(pixel[3 * k]);
            g += weights[k] * std::int32_t(pixel[3 * k + 1]);
            r += weights[k] * std::int32_t(pixel[3 * k + 2]);
        }
        out[0] = settle<Out>(b, shift);
        out[1] = settle<Out>(g, shift);
        out[2] = settle<Out>(r, shift);
    }
}

template <typename In, typename Out> void BgrFit::sumAcross(const In* in, Out* out, int shift) const
{
    const std::int32_t* first = across.packedFirst.data();
#if defined(__SSE2__)
    if constexpr (sizeof(In) == 2 && sizeof(Out) == 1)
        if (!across.expanded.empty())
            return sumAcrossToBytes(in, out, across.to, first, across.expanded.data(), shift);
#endif
    const std::int16_t* weights = across.packed.data();
    switch (across.packedCount) {
    case 2:
        return sumAcrossFixed<2>(in, out, across.to, first, weights, shift);
    case 3:
        return sumAcrossFixed<3>(in, out, across.to, first, weights, shift);
    case 4:
        return sumAcrossFixed<4>(in, out, across.to, first, weights, shift);
    case 5:
        return sumAcrossFixed<5>(in, out, across.to, first, weights, shift);
    case 6:
        return sumAcrossFixed<6>(in, out, across.to, first, weights, shift);
    case 7:
        return sumAcrossFixed<7>(in, out, across.to, first, weights, shift);
    default:
        break;
    }
    for (int x = 0; x < across.to; ++x) {
        const std::int16_t* w = &across.weights[std::size_t(x) * std::size_t(across.width)];
        const In* pixel = in + std::size_t(across.first[std::size_t(x)]) * 3;
        std::int32_t b = 0, g = 0, r = 0;
        for (int k = 0; k < across.count[std::size_t(x)]; ++k, pixel += 3) {
            b += w[k] * std::int32_t(pixel[0]);
            g += w[k] * std::int32_t(pixel[1]);
            r += w[k] * std::int32_t(pixel[2]);
        }
        out[x * 3] = settle<Out>(b, shift);
        out[x * 3 + 1] = settle<Out>(g, shift);
        out[x * 3 + 2] = settle<Out>(r, shift);
    }
}

void BgrFit::fit(const unsigned char* from, int fromWidth, int fromHeight, unsigned char* to,
                 int toWidth, int toHeight)
{
    const Area a = area(fromWidth, fromHeight, toWidth, toHeight);
    const std::size_t toRow = std::size_t(toWidth) * 3;
    // The bars.
    std::memset(to, 0, toRow * std::size_t(a.y));
    std::memset(to + toRow * std::size_t(a.y + a.height), 0,
                toRow * std::size_t(toHeight - a.y - a.height));
    for (int y = a.y; y < a.y + a.height; ++y) {
        std::memset(to + toRow * std::size_t(y), 0, std::size_t(a.x) * 3);
        std::memset(to + toRow * std::size_t(y) + std::size_t(a.x + a.width) * 3, 0,
                    std::size_t(toWidth - a.x - a.width) * 3);
    }
    scale(from, std::size_t(fromWidth) * 3, fromWidth, fromHeight,
          to + toRow * std::size_t(a.y) + std::size_t(a.x) * 3, toRow, a.width, a.height);
}

void BgrFit::fill(const unsigned char* from, int fromWidth, int fromHeight, unsigned char* to,
                  int toWidth, int toHeight)
{
    // The largest part of the picture with the frame's shape, centred.
    const Area part = area(toWidth, toHeight, fromWidth, fromHeight);
    const std::size_t fromRow = std::size_t(fromWidth) * 3;
    scale(from + fromRow * std::size_t(part.y) + std::size_t(part.x) * 3, fromRow, part.width,
          part.height, to, std::size_t(toWidth) * 3, toWidth, toHeight);
}

void BgrFit::scale(const unsigned char* from, std::size_t fromRow, int fromWidth, int fromHeight,
                   unsigned char* target, std::size_t toRow, int toWidth, int toHeight)
{
    const std::size_t fromBytes = std::size_t(fromWidth) * 3;
    if (toWidth == fromWidth && toHeight == fromHeight) {
        for (int y = 0; y < toHeight; ++y)
            std::memcpy(target + toRow * std::size_t(y), from + fromRow * std::size_t(y),
                        fromBytes);
        return;
    }
    makeTaps(across, fromWidth, toWidth);
    makeTaps(down, fromHeight, toHeight);

    // The pass across, per pixel, costs more than the pass down, which sums whole rows: it runs
    // on the fewer rows, so a picture that shrinks goes down first.
    // The rows of `base` (`stride` values each) that output row `y` sums, in `rows`.
    const auto rowsFor = [&](int y, const auto* base, std::size_t stride, auto& rows) {
        rows.resize(std::size_t(down.width));
        for (int k = 0; k < down.count[std::size_t(y)]; ++k)
            rows[std::size_t(k)] = base + stride * std::size_t(down.first[std::size_t(y)] + k);
        return rows.data();
    };
    const std::int16_t* weightsDown = down.weights.data();
    if (toHeight < fromHeight) {
        // Padded by a pixel and more: the vector pass across reads up to four from a first.
        between.resize(fromBytes * std::size_t(toHeight) + 16);
        sums.resize(fromBytes);
        std::vector<const unsigned char*> rows;
        for (int y = 0; y < toHeight; ++y)
            sumDown(rowsFor(y, from, fromRow, rows), weightsDown + std::size_t(y) * down.width,
                    down.count[std::size_t(y)], fromBytes, sums.data(),
                    &between[fromBytes * std::size_t(y)], weightBits - keptBits);
        for (int y = 0; y < toHeight; ++y)
            sumAcross(&between[fromBytes * std::size_t(y)], target + toRow * std::size_t(y),
                      weightBits + keptBits);
    } else {
        const std::size_t narrowRow = std::size_t(toWidth) * 3;
        between.resize(narrowRow * std::size_t(fromHeight));
        sums.resize(narrowRow);
        for (int y = 0; y < fromHeight; ++y)
            sumAcross(from + fromRow * std::size_t(y), &between[narrowRow * std::size_t(y)],
                      weightBits - keptBits);
        const std::int16_t* base = between.data();
        std::vector<const std::int16_t*> rows;
        for (int y = 0; y < toHeight; ++y)
            sumDown(rowsFor(y, base, narrowRow, rows), weightsDown + std::size_t(y) * down.width,
                    down.count[std::size_t(y)], narrowRow, sums.data(),
                    target + toRow * std::size_t(y), weightBits + keptBits);
    }
}
