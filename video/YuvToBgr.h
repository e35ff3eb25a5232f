#pragma once

#include <cstdint>

// Converts 8-bit 4:2:0 pictures to the pipeline's BGR frame (3 bytes per pixel, blue first, rows
// of exactly width * 3 bytes, top row first) with the BT.601 limited-range integer transform:
//
//   C = Y - 16, D = U - 128, E = V - 128
//   blue  = (298 C + 516 D         + 128) >> 8
//   green = (298 C - 100 D - 208 E + 128) >> 8
//   red   = (298 C         + 409 E + 128) >> 8      each clamped to 0..255
//
// Every decoder backend calls this, so all platforms give the same bytes. Pitches are the
// distances between rows in bytes and may exceed the visible width; the padding is not read
// beyond what the rows hold. Picture row r takes chroma row r / 2, pixel x takes chroma sample
// x / 2, so odd widths and heights reuse the last chroma sample and row.
namespace YuvToBgr {

// Planar 4:2:0: Y, then U and V each at half width and half height (rounded up).
void fromI420(const std::uint8_t* y, int yPitch, const std::uint8_t* u, int uPitch,
              const std::uint8_t* v, int vPitch, int width, int height, std::uint8_t* bgr);

// Semi-planar 4:2:0: Y, then one plane of interleaved U, V pairs.
void fromNv12(const std::uint8_t* y, int yPitch, const std::uint8_t* uv, int uvPitch, int width,
              int height, std::uint8_t* bgr);

} // namespace YuvToBgr
