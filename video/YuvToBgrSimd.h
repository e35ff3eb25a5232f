#pragma once

#include <cstdint>

// Vector kernels behind YuvToBgr. Each converts two picture rows that share one chroma row (the
// same row twice for the last row of an odd height), as far as it can with the instructions this
// processor has, and returns how many pixels of each row that was (0 when it has none); YuvToBgr
// finishes the rows. The bytes are exactly those of the scalar formula.
namespace YuvToBgrSimd {

int i420Rows(const std::uint8_t* y0, const std::uint8_t* y1, const std::uint8_t* u,
             const std::uint8_t* v, std::uint8_t* bgr0, std::uint8_t* bgr1, int width);
int nv12Rows(const std::uint8_t* y0, const std::uint8_t* y1, const std::uint8_t* uv,
             std::uint8_t* bgr0, std::uint8_t* bgr1, int width);

} // namespace YuvToBgrSimd
