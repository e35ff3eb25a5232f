#pragma once

namespace softcam {

// Two source rows of a frame and where their part of the I420 picture goes. For the last row
// of an odd height `bottom` is `top` again and `yBottom` the picture's extra row.
struct I420RowPair {
    const unsigned char* top;
    const unsigned char* bottom;
    unsigned char* yTop;
    unsigned char* yBottom;
    unsigned char* u;
    unsigned char* v;
};

// Converts the pixels from the even column `fromX` to the end of rows `width` pixels wide,
// with the extra column of an odd width.
void convertRowPair(const I420RowPair& rows, int width, int fromX);

// Converts a leading part of the rows with the vector unit and returns where it stopped: an
// even column, 0 when the processor has no vector unit to use.
int convertRowPairVector(const I420RowPair& rows, int width);

// Integer BT.601 limited range, the inverse of the decoder's YUV to BGR formula. The vector
// code computes exactly these.
inline unsigned char lumaOf(int b, int g, int r)
{
    return static_cast<unsigned char>(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
}

inline unsigned char blueDiffOf(int b, int g, int r)
{
    return static_cast<unsigned char>(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128);
}

inline unsigned char redDiffOf(int b, int g, int r)
{
    return static_cast<unsigned char>(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128);
}

} // namespace softcam
