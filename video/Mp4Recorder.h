#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

// Writes the live feed to an MP4 file with H.264 video and no audio. The controller owns one,
// opens it with a path and the output size, hands it each live frame of that size and closes
// it. start(), writeFrame() and stop() come from one thread (the GUI thread); each file is
// converted, encoded and completed on a worker thread of its own (RecordingQueue), so that the
// caller pays little more than a copy of each frame. Each backend lives in its own file
// (Mp4Recorder_ffmpeg.cpp, Mp4Recorder_mf.cpp).
class Mp4Recorder {
public:
    // Why the open file stopped taking frames.
    enum class Failure {
        None,
        WriteFailed, // the disk is full or refused a write
        FileRemoved, // the file, or its folder, was deleted while it was written
    };

    Mp4Recorder();
    ~Mp4Recorder(); // finalises an open file, as stop() does, and waits for every file
    Mp4Recorder(const Mp4Recorder&) = delete;
    Mp4Recorder& operator=(const Mp4Recorder&) = delete;

    // Opens a new file at `path` (Qt callers pass QString::toStdWString()) for frames of
    // width x height at `fps` frames per second (0 or less means 30). False, touching nothing,
    // when already open or when a side is outside 1..8192; false as well when the file cannot
    // be written, and then a file it created is deleted again. A file already at `path` is
    // used only when it is empty (a name the caller reserved); any other is never replaced, and
    // never deleted.
    bool start(const std::filesystem::path& path, int width, int height, int fps);
    // "Original": the phone's own H.264 stored as it came, neither decoded nor encoded again.
    // `parameterSets` are the stream's SPS and PPS (Annex B); `quarterTurns` clockwise go into
    // the file's display matrix, for players to apply. The file starts at the first key frame
    // writeAccessUnit() is given. The same refusals as start(); false as well where the
    // platform cannot store a stream as it came (supportsOriginal()).
    bool startOriginal(const std::filesystem::path& path, int width, int height, int fps,
                       const std::vector<unsigned char>& parameterSets, int quarterTurns);
    static bool supportsOriginal();

    // Appends one BGR frame of exactly the open size (rows top first, width * 3 bytes each).
    // `bgr` is only read during the call. Ignored when closed, null or failed; when the encoder
    // or the disk falls behind, the frame is left out rather than the caller made to wait.
    void writeFrame(const unsigned char* bgr);
    // As writeFrame(), with one I420 frame of the open size, of even sides (Y, then U, then V,
    // rows unpadded), which the encoder takes as it is: where the live path has the decoder's
    // planes, no conversion to BGR and back. Only where takesPlanes(); ignored otherwise.
    void writePlanes(const unsigned char* i420);
    static bool takesPlanes();
    // Appends one access unit (Annex B) of an Original file: ignored when none is open, and
    // before its first key frame.
    void writeAccessUnit(const unsigned char* data, std::size_t size, bool keyframe);
    // The frames the open file left out so far, and those it holds that its encoder has not
    // taken yet; 0 when closed.
    std::uint64_t framesDropped() const;
    std::size_t framesWaiting() const;

    // Closes the file. Its completion (the encoder's last frames, and the final rewrite or
    // finalisation) goes on after the call returns; waitForFinished() waits for it. Safe when
    // closed.
    void stop();

    // Returns once every stopped file is complete.
    void waitForFinished();
    // The same, for at most `bound`; true when every stopped file is complete. The session's end
    // on Windows (a log-off) gives a program a few seconds before it is ended.
    bool waitForFinished(std::chrono::milliseconds bound);

    // Clears `folder` of what the completion of recordings left there when a Vidlet was killed
    // during it (the recordings themselves stay, and play), and returns how many recordings
    // in it another running Vidlet is still completing.
    static int sweepUnfinished(const std::filesystem::path& folder);

    // The open file's failure; it stays open until stop(), taking no more frames.
    Failure failure() const;

    // Called once when the open file fails, from whichever thread noticed it; set before start().
    std::function<void(Failure)> failureCallback;
    // Called from the worker when a stopped file that had not failed could not be made an
    // ordinary MP4 (the disk filled during the rewrite): it stays as recorded, fragmented, and
    // plays. Set before start().
    std::function<void(const std::filesystem::path& file)> keptFragmentedCallback;

    // The average video bit rate of the files opened from now on; an open file keeps its own.
    void setBitRate(int bitsPerSecond) { bitRate_ = bitsPerSecond; }
    int bitRate() const { return bitRate_; }

    bool isOpen() const;
    // The open file stores the phone's stream as it came; it waits for its first key frame.
    bool isOriginal() const;
    bool waitsForKeyframe() const;
    int width() const { return width_; } // 0 when closed
    int height() const { return height_; }

private:
    struct Impl;
    std::unique_ptr<Impl> d;
    int width_ = 0;
    int height_ = 0;
    int bitRate_ = 6'000'000;
};
