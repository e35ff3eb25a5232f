#pragma once

#include <cstdint>

// The x86-64 conversion kernels, each behind a run-time check so the program runs on any x86-64
// processor. Every kernel converts the longest prefix of a row made of whole blocks (32 pixels
// for AVX2, 64 for AVX-512) and returns its length. All use the formula in 16-bit lanes: its sums
// reach 137000, but splitting 298 = 256 + 42, 516 = 512 + 4, -208 = -256 + 48 and
// 409 = 512 - 103 keeps every partial sum within 16 bits with the same result, because a
// multiple of 256 passes through the shift unchanged:
//
//   blue  = C + 2D + ((42C + 4D + 128) >> 8)
//   green = C -  E + ((42C - 100D + 48E + 128) >> 8)      |partial sums| < 29100
//   red   = C + 2E + ((42C - 103E + 128) >> 8)
//
// Packing to bytes with unsigned saturation is the clamp to 0..255. Splitting the luma into even
// and odd pixels lines each pixel up with its chroma pair, so the chroma terms are computed once
// per pair.
namespace YuvToBgrX86 {

bool hasAvx2();
bool hasAvx512(); // F, BW and VBMI

int i420RowAvx2(const std::uint8_t* y, const std::uint8_t* u, const std::uint8_t* v,
                std::uint8_t* bgr, int width);
int nv12RowAvx2(const std::uint8_t* y, const std::uint8_t* uv, std::uint8_t* bgr, int width);

// Its byte permutes interleave the three channels in two instructions per 64 output bytes.
int i420RowAvx512(const std::uint8_t* y, const std::uint8_t* u, const std::uint8_t* v,
                  std::uint8_t* bgr, int width);
int nv12RowAvx512(const std::uint8_t* y, const std::uint8_t* uv, std::uint8_t* bgr, int width);

} // namespace YuvToBgrX86
