#pragma once

#include <cstddef>
#include <functional>
#include <memory>

// Turns the phone's H.264 Annex B stream into BGR frames. The controller owns one, initialises it
// when a session goes live, feeds it the SPS/PPS buffer and then one access unit per call, and
// resets it when the session ends. Not thread-safe: every call, and the callback, happen on the
// calling (GUI) thread. Each backend lives in its own file (H264Decoder_ffmpeg.cpp, ...).
class H264Decoder {
public:
    // Receives each decoded picture inside decode(). `bgr` is width * height * 3 bytes, rows
    // unpadded, and is lent only for the call: the next picture overwrites it, so a receiver that
    // keeps a frame copies it. width and height are the decoded picture's own size, which may
    // differ from the size given to initialize(). Set once before the first initialize().
    using FrameCallback = std::function<void(const unsigned char* bgr, int width, int height,
                                             unsigned long long ptsUsec)>;

    // Where the next picture is converted to, asked inside decode() with the picture's size:
    // a buffer of at least width * height * 3 bytes that stays the receiver's, or null for the
    // decoder's own. frameCallback then gets that buffer, so a receiver that keeps frames can
    // have each converted straight into the place it keeps it instead of copying it there.
    using FrameTarget = std::function<unsigned char*(int width, int height)>;

    // Asked inside decode() for each picture: false when nobody would look at it. The picture
    // is then decoded (later ones refer to it) but not converted, and frameCallback gets null
    // pixels with its size.
    using PictureWanted = std::function<bool()>;

    H264Decoder();
    ~H264Decoder();
    H264Decoder(const H264Decoder&) = delete;
    H264Decoder& operator=(const H264Decoder&) = delete;

    // Starts a fresh decoder for the announced size, ending any current one first, so it also
    // serves as "restart". Sizes beyond FrameLimits (4K) are refused. False leaves it uninitialised.
    bool initialize(int width, int height);

    // Feeds one buffer of Annex B bytes (SPS/PPS with time stamp 0, or one access unit) and
    // delivers every picture it releases to frameCallback before returning. Damaged input is
    // dropped silently. Does nothing when uninitialised or when size is 0.
    void decode(const unsigned char* data, std::size_t size, unsigned long long ptsUsec);

    // Ends the stream; pictures still inside are discarded. decode() is ignored until the next
    // initialize(). Safe to call from inside frameCallback.
    void reset();

    bool isInitialized() const;

    // Where the next picture is copied as the decoder made it, asked inside decode() before
    // frameTarget for a picture of even sides: a buffer of at least width * height * 3 / 2 bytes
    // that takes it as I420 planes (Y, then U, then V, rows unpadded), or null to have it
    // converted to BGR as usual. frameCallback then gets that buffer. The FFmpeg backend asks;
    // the Windows one always converts.
    using PlanesTarget = std::function<unsigned char*(int width, int height)>;

    FrameCallback frameCallback;
    FrameTarget frameTarget;     // optional
    PlanesTarget planesTarget;   // optional
    PictureWanted pictureWanted; // optional: without it every picture is converted

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
