#pragma once

#include "softcam/CameraReader.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// Reads the camera on a thread of its own, as a video-call program would, and notes for each
// stamped frame when the reader first had it (CLOCK_MONOTONIC nanoseconds; the camera repeats
// its newest frame, and only the first showing counts). The reader is the camera's shared memory
// or its PipeWire node.
class CameraWatch {
public:
    // Attaches if need be; true with a frame newer than the last.
    using Read = std::function<bool(softcam::CameraFrame&)>;

    // Frames are known by their stamp's number, below `frames`. `open` makes the reader, on
    // the watching thread.
    CameraWatch(std::function<Read()> open, std::size_t frames);
    ~CameraWatch();
    CameraWatch(const CameraWatch&) = delete;
    CameraWatch& operator=(const CameraWatch&) = delete;

    // The camera's shared memory, as the program's own readers read it.
    static std::function<Read()> sharedMemory(std::string segment);
    // The camera's PipeWire node, as browsers read it.
    static std::function<Read()> pipewire();

    void stop();
    // Per frame number, 0 for a frame the reader never had. Read after stop().
    const std::vector<std::uint64_t>& publishedNs() const { return published; }

private:
    void watch(std::function<Read()> open);

    std::atomic<bool> running{true};
    std::vector<std::uint64_t> published; // the watching thread's until stop()
    std::thread thread;
};
