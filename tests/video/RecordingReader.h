#pragma once

#include <QByteArrayList>
#include <QString>

#include <array>
#include <vector>

// Reads an MP4 recording back the way a player would, for tests of the recorder and of
// recording control.

using Bgr = std::array<unsigned char, 3>; // blue, green, red

// What a player finds in a recording: the video stream's size, frame rate and duration, and
// every picture decoded back to BGR with the pipeline's own conversion.
struct Recording {
    bool readable = false; // opened, one H.264 stream, decoder ready
    int width = 0;
    int height = 0;
    double fps = 0;
    double seconds = 0;
    std::vector<std::vector<unsigned char>> frames; // width * height * 3 bytes each
    std::vector<double> times;                      // each frame's time in seconds
    std::vector<QByteArrayList> packetNals; // each stored packet's NAL units, without prefixes
    int clockwiseDegrees = 0;               // the turn its display matrix asks players for

    const unsigned char* pixel(std::size_t frame, int x, int y) const
    {
        return frames[frame].data() + (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3;
    }
};

Recording readRecording(const QString& path);

// The NAL units of an Annex B buffer, without their start codes.
QByteArrayList annexBNals(const QByteArray& annexB);

// Whether each channel is within `tolerance` of the wanted colour: encoding is lossy.
bool nearColour(const unsigned char* bgr, const Bgr& want, int tolerance = 10);

QString describeColour(const unsigned char* bgr);
