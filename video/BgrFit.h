#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Scales a BGR picture into a frame of another size keeping its shape: the picture fills the
// frame's width or its height, centred, and black bars fill the rest; never stretched. Each
// output pixel is a weighted average of the pixels it covers (a tent twice the wider of one
// source or one output pixel), so a picture shrunk to a third keeps its detail without
// shimmering. Keeps its weights between calls of the same sizes; one per thread.
class BgrFit {
public:
    // `from` is fromWidth x fromHeight, `to` toWidth x toHeight, both BGR with rows of
    // width * 3 bytes, top row first; every side at least 1.
    void fit(const unsigned char* from, int fromWidth, int fromHeight, unsigned char* to,
             int toWidth, int toHeight);
    // As fit(), but the picture covers the whole frame: what overhangs the frame's shape is cut
    // off evenly on both sides, and there are no bars.
    void fill(const unsigned char* from, int fromWidth, int fromHeight, unsigned char* to,
              int toWidth, int toHeight);

    // Where the picture lands in the frame: left, top, width, height.
    struct Area {
        int x = 0, y = 0, width = 0, height = 0;
    };
    static Area area(int fromWidth, int fromHeight, int toWidth, int toHeight);

private:
    // For each output pixel along one axis: its first source pixel and its weights, which sum
    // to 1 << 14.
    struct Taps {
        int from = 0, to = 0;
        std::vector<std::int32_t> first; // per output pixel
        std::vector<std::int32_t> count;
        std::vector<std::int16_t> weights; // `width` per output pixel, unused ones 0
        int width = 0;
        // Each pixel's weights `packedCount` long (0: not packed), from `packedFirst`.
        int packedCount = 0;
        std::vector<std::int16_t> packed;
        std::vector<std::int32_t> packedFirst;
        // With at most four packed, where SSE2 runs the pass: each pixel's weights once for
        // each channel, 16 a pixel.
        std::vector<std::int16_t> expanded;
    };
    static void makeTaps(Taps& taps, int from, int to);
    // The picture scaled to exactly toWidth x toHeight, rows `fromRow` and `toRow` bytes apart.
    void scale(const unsigned char* from, std::size_t fromRow, int fromWidth, int fromHeight,
               unsigned char* to, std::size_t toRow, int toWidth, int toHeight);
    // One row across, `across.from` pixels in, `across.to` out.
    template <typename In, typename Out> void sumAcross(const In* in, Out* out, int shift) const;

    Taps across;
    Taps down;
    std::vector<std::int16_t> between; // the picture after the first pass, 7 bits finer
    std::vector<std::int32_t> sums;    // one row while it is summed down
};
