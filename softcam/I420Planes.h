#pragma once

namespace softcam {

// One I420 picture as a decoder hands it: limited-range BT.601, Y at full size, U and V at half
// size each way, each plane with its own stride (the bytes from one row to the next). Borrowed
// for the duration of the call it is passed to.
struct I420Planes {
    const unsigned char* y;
    int yStride;
    const unsigned char* u;
    int uStride;
    const unsigned char* v;
    int vStride;

    // Planes that a picture of this even size can be read from: present, rows no shorter than
    // the picture's.
    bool fit(int width, int height) const;
    // Whether `i420`, a packed picture of this size (i420Bytes()), holds these planes.
    bool sameAs(const unsigned char* i420, int width, int height) const;
    // Copies the planes into `i420`, packed: Y, U, V, rows back to back.
    void pack(unsigned char* i420, int width, int height) const;
    // The planes' own memory when they are packed already (a decoder's copy usually is); null
    // otherwise.
    const unsigned char* packed(int width, int height) const;
};

} // namespace softcam
