#pragma once

#include <cstddef>

namespace softcam {

// Bytes of an I420 (YU12) picture: a full-size Y plane, then U and V at half size each way,
// rounded up so an odd last row or column keeps its own chroma sample.
std::size_t i420Bytes(int width, int height);

// BGR (top row first, rows of width * 3) to limited-range BT.601 I420, the format every
// browser accepts from a loopback camera. Each chroma sample averages its 2 x 2 block.
void bgrToI420(const unsigned char* bgr, int width, int height, unsigned char* i420);

// The same picture as NV12: the Y plane, then one plane of interleaved U, V pairs.
void bgrToNv12(const unsigned char* bgr, int width, int height, unsigned char* nv12);

// Packed 4:2:2 (Y0 U Y1 V for each pair of pixels) for an even width; each chroma sample
// averages its pair. `pitch` is the distance between rows in bytes, at least width * 2.
void bgrToYuy2(const unsigned char* bgr, int width, int height, unsigned char* yuy2, int pitch);

} // namespace softcam
