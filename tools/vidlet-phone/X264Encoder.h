#pragma once

#include <QByteArray>

#include <memory>
#include <optional>

// H.264 encoding with libx264 through libavcodec, tuned as a phone streams: no B-frames, zero
// latency (one access unit out per picture in), SPS and PPS repeated before every IDR.
class X264Encoder {
public:
    struct Picture {
        unsigned char* y = nullptr;
        unsigned char* u = nullptr;
        unsigned char* v = nullptr;
        int yStride = 0;
        int uStride = 0;
        int vStride = 0;
    };

    struct AccessUnit {
        QByteArray annexB;
        bool keyframe = false;
    };

    X264Encoder();
    ~X264Encoder();
    X264Encoder(const X264Encoder&) = delete;
    X264Encoder& operator=(const X264Encoder&) = delete;

    // False (and a message on stderr) when libx264 is missing or refuses the settings.
    bool open(int width, int height, int fps, int bitrateKbps, int gopFrames);

    // The I420 picture the next encode() reads; draw into it first. Valid until encode().
    Picture picture();

    // Encodes the picture; forceKey makes it an IDR. Empty on an encoder error.
    std::optional<AccessUnit> encode(qint64 pts, bool forceKey);

    // The SPS and PPS NAL units of an Annex B access unit, with their start codes.
    static QByteArray parameterSets(const QByteArray& annexB);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
