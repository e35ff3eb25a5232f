#pragma once

#include <cstdint>

// Vector kernels behind YuvToBgr. Each converts the longest prefix of one picture row that it can
// handle with the instructions this processor has and returns how many pixels that was (0 when
// it has none); YuvToBgr finishes the row. The bytes are exactly those of the scalar formula.
namespace YuvToBgrSimd {

int i420Row(const std::uint8_t* y, const std::uint8_t* u, const std::uint8_t* v,
            std::uint8_t* bgr, int width);
int nv12Row(const std::uint8_t* y, const std::uint8_t* uv, std::uint8_t* bgr, int width);

} // namespace YuvToBgrSimd
