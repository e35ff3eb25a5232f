#pragma once

#include "softcam/CameraReader.h"
#include "softcam/PipewireConnection.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

struct pw_stream;
struct spa_hook;
struct spa_pod;

// Reads the camera's PipeWire node the way a program that opens PipeWire cameras does: an
// input stream aimed at the node by name, asking for I420 at whatever size the node offers.
// The same calls as CameraReader, so the tool's watch and snapshot take either. PipeWire's loop
// runs on its own thread and leaves the newest picture, converted to BGR, for readNewFrame().
class PipewireCameraReader {
public:
    explicit PipewireCameraReader(std::string nodeName);
    ~PipewireCameraReader();
    PipewireCameraReader(const PipewireCameraReader&) = delete;
    PipewireCameraReader& operator=(const PipewireCameraReader&) = delete;

    // True while the stream runs; connects on the first call. `publishedNs` of a frame is when
    // it arrived here.
    bool attach();
    bool readNewFrame(softcam::CameraFrame& frame);
    float frameRate() const { return rate.load(); }

private:
    bool connect();
    void onFormat(const spa_pod* param);
    void onProcess();

    std::string nodeName;
    softcam::PipewireConnection pipewire; // first: destroyed after the stream
    pw_stream* stream = nullptr;
    std::unique_ptr<spa_hook> hook;
    bool connectTried = false;
    std::atomic<bool> streaming{false};
    std::atomic<float> rate{0};

    std::mutex lock; // guards latest
    softcam::CameraFrame latest;
    std::uint64_t lastReturned = 0; // readNewFrame() only
    // PipeWire's loop only:
    int streamWidth = 0;
    int streamHeight = 0;
};
