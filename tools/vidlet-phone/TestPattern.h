#pragma once

#include "tools/vidlet-phone/X264Encoder.h"

// A moving picture for the encoder: diagonal luma ramps that slide a few pixels per frame,
// colour bands drifting the other way and a white square crossing the picture, so that every
// frame differs from the last and motion estimation has work to do.
class TestPattern {
public:
    TestPattern(int width, int height)
        : width(width),
          height(height)
    {
    }

    void draw(const X264Encoder::Picture& picture, qint64 frameNumber) const;

private:
    int width;
    int height;
};
