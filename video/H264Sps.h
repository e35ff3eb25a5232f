#pragma once

#include <cstddef>
#include <cstdint>

// The visible picture size an H.264 sequence parameter set declares: the coded macroblocks less
// the frame cropping. Decoders pad pictures to whole macroblocks (1080 rows come out as 1088)
// and not every platform decoder reports the cropped size, so the decoder reads it here.
struct H264Sps {
    int width = 0;
    int height = 0;

    // Looks for the last SPS in an Annex B buffer. False when there is none or it is damaged.
    bool parse(const std::uint8_t* annexB, std::size_t size);
};
