#pragma once

#include "softcam/SharedFrameLayout.h"

#include <cstdint>
#include <string>
#include <vector>

namespace softcam {

struct CameraFrame {
    int width = 0;
    int height = 0;
    std::uint64_t number = 0;       // counts from 1 for each camera
    std::uint64_t publishedNs = 0;  // CLOCK_MONOTONIC when the camera got the frame
    std::vector<unsigned char> bgr; // width * height * 3, top row first
};

// Attaches to the camera the way a video-call program would, from any process of the user;
// a segment that another user owns or can open is never read.
// Every poll tells the camera that a reader is present. A reader follows the camera across
// restarts and size changes by looking its segment up again by name. Not thread-safe: one
// reader per thread.
class CameraReader {
public:
    // Tests pass their own segment name to keep apart from a running program.
    explicit CameraReader(std::string segmentName = defaultSegmentName());
    ~CameraReader();
    CameraReader(const CameraReader&) = delete;
    CameraReader& operator=(const CameraReader&) = delete;

    // True while a live camera is attached; attaches if one has appeared.
    bool attach();
    // Copies the newest frame into `frame` when it is newer than the last one returned.
    bool readNewFrame(CameraFrame& frame);
    int width() const { return cameraWidth; }
    int height() const { return cameraHeight; }
    float frameRate() const { return cameraFps; }

private:
    bool attachTo(const std::string& segmentName);
    bool stillLive() const;
    void detach();

    std::string name;
    SharedFrameHeader* header = nullptr; // start of the mapping, null while detached
    std::size_t mappedBytes = 0;
    int cameraWidth = 0;
    int cameraHeight = 0;
    float cameraFps = 0;
    std::size_t bytesPerFrame = 0;
    std::uint64_t lastNumber = 0;
};

} // namespace softcam
