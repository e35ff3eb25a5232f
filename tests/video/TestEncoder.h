#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Makes H.264 streams at run time with libavcodec's libx264 encoder, from a moving test pattern,
// for the decoder's tests and benchmarks. The headers (SPS, PPS) come separately, as a phone
// sends them, unless inBandHeaders asks for them inside the first access unit.
struct TestEncoder {
    struct Options {
        int width = 320;
        int height = 240;
        int frames = 30;
        int fps = 30;
        std::string profile = "baseline";
        std::string preset = "ultrafast";
        std::string tune = "zerolatency";
        int bitrateKbps = 0; // 0: constant quantiser qp
        int qp = 20;         // 0 with profile "high444" is lossless
        int bFrames = 0;     // needs a tune other than zerolatency
        bool yuv444 = false;
        bool inBandHeaders = false;
        bool bt601Tagged = false; // declares BT.601 colour in the VUI; untagged otherwise
    };

    // One source picture as tight I420 planes (or 4:4:4 when asked).
    struct Picture {
        std::vector<std::uint8_t> y, u, v;
    };

    struct AccessUnit {
        std::vector<std::uint8_t> bytes;
        unsigned long long ptsUsec = 0; // presentation time; decode order differs with B frames
    };

    std::vector<std::uint8_t> config;
    std::vector<AccessUnit> units;
    std::vector<Picture> pictures;
    std::string error;

    bool encode(const Options& options);
    // A stream of `frames` pictures at this size, the other options at their defaults; the test
    // program stops, saying why, when libx264 cannot make it.
    static TestEncoder ofSize(int width, int height, int frames);

    static Picture pattern(int width, int height, int index, bool yuv444);
};
