#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

// Reads the camera on a thread of its own, as a video-call program would, and notes for each
// stamped frame when the camera first published it (CLOCK_MONOTONIC nanoseconds; the camera
// repeats its newest frame at its own rate, and only the first showing counts).
class CameraWatch {
public:
    // Frames are known by their stamp's number, below `frames`.
    CameraWatch(std::string segment, std::size_t frames);
    ~CameraWatch();
    CameraWatch(const CameraWatch&) = delete;
    CameraWatch& operator=(const CameraWatch&) = delete;

    void stop();
    // Per frame number, 0 for a frame the camera never showed. Read after stop().
    const std::vector<std::uint64_t>& publishedNs() const { return published; }

private:
    void watch(std::string segment);

    std::atomic<bool> running{true};
    std::vector<std::uint64_t> published; // the watching thread's until stop()
    std::thread thread;
};
