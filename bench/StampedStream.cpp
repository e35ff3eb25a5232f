#include "bench/StampedStream.h"

#include "tools/common/FrameStamp.h"
#include "tools/vidlet-phone/TestPattern.h"
#include "tools/vidlet-phone/X264Encoder.h"

#include <cstdio>

bool StampedStream::make(int w, int h, int rate, int bitrateKbps, int count)
{
    width = w;
    height = h;
    fps = rate;
    units.clear();
    X264Encoder encoder;
    if (!encoder.open(w, h, rate, bitrateKbps, 2 * rate))
        return false;
    const TestPattern pattern(w, h);
    for (int i = 0; i < count; ++i) {
        const X264Encoder::Picture picture = encoder.picture();
        if (!picture.y)
            return false;
        pattern.draw(picture, i);
        // Only the index matters: the send time is taken when the frame really leaves.
        FrameStamp{std::uint32_t(i), 0}.encodeI420(picture.y, picture.yStride, picture.u,
                                                   picture.uStride, picture.v, picture.vStride, w,
                                                   h);
        const quint64 pts = quint64(i) * 1000000 / quint64(rate);
        const auto unit = encoder.encode(qint64(pts), i == 0);
        if (!unit) {
            std::fprintf(stderr, "the encoder gave no access unit for picture %d\n", i);
            return false;
        }
        if (i == 0)
            config = X264Encoder::parameterSets(unit->annexB);
        units.push_back({unit->annexB, unit->keyframe, pts});
    }
    return !config.isEmpty();
}
