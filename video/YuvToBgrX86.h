#pragma once

#include <cstdint>

// The x86-64 conversion kernels, each behind a run-time check so the program runs on any x86-64
// processor. A kernel converts two picture rows that share one chroma row (pass the same row
// twice for the last row of an odd height), as far as whole blocks go (32 pixels for AVX2, 64 for
// AVX-512), and returns how many pixels of each row it did.
//
// All use the formula in 16-bit lanes. Its sums reach 137000, but splitting 298 = 256 + 42,
// 516 = 512 + 4, -208 = -256 + 48 and 409 = 512 - 103 keeps every partial sum within 16 bits
// with the same result, because a multiple of 256 passes through the shift unchanged:
//
//   blue  = C + 2D + ((42C + 4D + 128) >> 8)
//   green = C -  E + ((42C - 100D + 48E + 128) >> 8)      |partial sums| < 29100
//   red   = C + 2E + ((42C - 103E + 128) >> 8)
//
// With C = Y - 16 the constant parts (-16 outside, 128 - 42 * 16 inside the shift) move into the
// per-pair chroma terms, which are computed once for two rows; per pixel there is then one
// multiply and four operations per channel. Packing to bytes with unsigned saturation is the
// clamp to 0..255. Splitting the luma into even and odd pixels lines each pixel up with its
// chroma pair.
//
// Rows that start on a cache line (64 bytes) are written with streaming stores, which bypass the
// caches: a converted frame is read next by another thread, after the decoder has gone through
// its next picture, and 6 MB of 1080p output left in the caches would only push out the
// reference pictures the decoder reads again. Other rows take ordinary stores.
namespace YuvToBgrX86 {

constexpr short foldedOffset = 128 - 42 * 16;

inline bool onCacheLines(const std::uint8_t* row0, const std::uint8_t* row1)
{
    return ((reinterpret_cast<std::uintptr_t>(row0) | reinterpret_cast<std::uintptr_t>(row1)) & 63)
        == 0;
}

int i420RowsAvx2(const std::uint8_t* y0, const std::uint8_t* y1, const std::uint8_t* u,
                 const std::uint8_t* v, std::uint8_t* bgr0, std::uint8_t* bgr1, int width);
int nv12RowsAvx2(const std::uint8_t* y0, const std::uint8_t* y1, const std::uint8_t* uv,
                 std::uint8_t* bgr0, std::uint8_t* bgr1, int width);

// Its byte permutes interleave the three channels in two instructions per 64 output bytes.
int i420RowsAvx512(const std::uint8_t* y0, const std::uint8_t* y1, const std::uint8_t* u,
                   const std::uint8_t* v, std::uint8_t* bgr0, std::uint8_t* bgr1, int width);
int nv12RowsAvx512(const std::uint8_t* y0, const std::uint8_t* y1, const std::uint8_t* uv,
                   std::uint8_t* bgr0, std::uint8_t* bgr1, int width);

} // namespace YuvToBgrX86
