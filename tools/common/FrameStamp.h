#pragma once

#include <cstdint>
#include <optional>

// A machine-readable stamp drawn into the top-left corner of a picture, so that a reader of the
// camera can check frame order and measure latency end to end.
//
// The stamp is 128 bits, each a black or white 8x8 block, 32 blocks per row over 4 rows
// (256 x 32 pixels), most significant bit first:
//
//   bits   0..15   marker 0xA5C3
//   bits  16..47   frame number
//   bits  48..111  send time, microseconds of the steady clock
//   bits 112..127  CRC-16/CCITT of the 12 bytes of frame number and time
//
// The area is aligned to 16-pixel macroblocks and neutral in colour, so H.264 at any sane
// bitrate and the YUV to BGR conversion leave every block well on its side of mid-grey.
struct FrameStamp {
    std::uint32_t frame = 0;
    std::uint64_t timeUsec = 0;

    static constexpr int kBlock = 8;
    static constexpr int kColumns = 32;
    static constexpr int kRows = 4;
    static constexpr int kWidth = kBlock * kColumns;
    static constexpr int kHeight = kBlock * kRows;

    // Microseconds of the steady clock. On Linux that is CLOCK_MONOTONIC, which every process
    // on the machine shares, so a stamp made by one process can be compared with nowUsec() in
    // another.
    static std::uint64_t nowUsec();

    // Draw the stamp. Both return false and leave the picture alone when it is smaller than
    // kWidth x kHeight.
    bool encodeBgr(unsigned char* bgr, int width, int height) const;
    bool encodeI420(unsigned char* y, int yStride, unsigned char* u, int uStride, unsigned char* v,
                    int vStride, int width, int height) const;

    // Read the stamp from a BGR picture (packed, top row first, no padding). Empty when the
    // picture is too small, the marker is missing or the checksum does not match.
    static std::optional<FrameStamp> decode(const unsigned char* bgr, int width, int height);

    bool operator==(const FrameStamp&) const = default;
};
