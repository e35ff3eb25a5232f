#pragma once

#include <cstddef>

namespace softcam {

// 4:2:0 needs even sides, so the I420 picture of a frame with an odd side is one pixel larger
// that way, its extra column or row repeating the frame's edge.
inline int i420Side(int side)
{
    return side + side % 2;
}

// Bytes of the I420 (YU12) picture of a width x height frame: a full-size Y plane, then U and V
// at half size each way, all of the even sides above.
std::size_t i420Bytes(int width, int height);

// BGR (top row first, rows of width * 3) to limited-range BT.601 I420, the format every
// browser accepts from a loopback camera. Each chroma sample averages its 2 x 2 block. Uses the
// processor's vector unit where it has AVX2, with the same result to the bit.
void bgrToI420(const unsigned char* bgr, int width, int height, unsigned char* i420);

// The same picture as NV12: the Y plane, then one plane of interleaved U, V pairs.
void bgrToNv12(const unsigned char* bgr, int width, int height, unsigned char* nv12);

// Packed 4:2:2 (Y0 U Y1 V for each pair of pixels) for an even width; each chroma sample
// averages its pair. `pitch` is the distance between rows in bytes, at least width * 2.
void bgrToYuy2(const unsigned char* bgr, int width, int height, unsigned char* yuy2, int pitch);

} // namespace softcam
