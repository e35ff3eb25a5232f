#pragma once

#include <QByteArray>

#include <vector>

// A phone's stream made once, before anything is timed: pictures of the phone simulator's
// moving pattern, each stamped with its index, encoded as the simulator encodes them (libx264,
// zero latency, no B-frames, an IDR first), so that picture i comes out of the decoder for
// access unit i and can be told apart by its stamp wherever it surfaces.
struct StampedStream {
    struct Unit {
        QByteArray annexB;
        bool keyframe = false;
        quint64 ptsUsec = 0;
    };

    int width = 0;
    int height = 0;
    int fps = 0;
    QByteArray config; // SPS and PPS, as VIDEO_CONFIG carries them
    std::vector<Unit> units;

    // False (with a message on stderr) when the encoder refuses.
    bool make(int width, int height, int fps, int bitrateKbps, int count);
};
