#pragma once

#include <filesystem>
#include <memory>

// Writes the live feed to an MP4 file with H.264 video and no audio. The controller owns one,
// opens it with a path and the output size, hands it each live frame of that size and closes
// it. Every call happens on the GUI thread; there is no lock. Each backend lives in its own file
// (Mp4Recorder_ffmpeg.cpp, Mp4Recorder_mf.cpp).
class Mp4Recorder {
public:
    Mp4Recorder();
    ~Mp4Recorder();   // finalises an open file, as stop() does
    Mp4Recorder(const Mp4Recorder&) = delete;
    Mp4Recorder& operator=(const Mp4Recorder&) = delete;

    // Opens a new file at `path` (Qt callers pass QString::toStdWString()) for frames of width x height at `fps` frames per second (0 or
    // less means 30). False, touching nothing, when already open or when a side is outside
    // 1..8192; false as well when the file cannot be written, and then a file it created is
    // deleted again.
    bool start(const std::filesystem::path& path, int width, int height, int fps);

    // Appends one BGR frame of exactly the open size (rows top first, width * 3 bytes each).
    // `bgr` is only read during the call. Ignored when closed or null; a frame the encoder
    // refuses is dropped and the file stays open.
    void writeFrame(const unsigned char* bgr);

    // Finalises and closes the file. Safe when closed.
    void stop();

    // The average video bit rate of the files opened from now on; an open file keeps its own.
    void setBitRate(int bitsPerSecond) { bitRate_ = bitsPerSecond; }
    int bitRate() const { return bitRate_; }

    bool isOpen() const;
    int width() const { return width_; }   // 0 when closed
    int height() const { return height_; }

private:
    struct Impl;
    std::unique_ptr<Impl> d;
    int width_ = 0;
    int height_ = 0;
    int bitRate_ = 6'000'000;
};
