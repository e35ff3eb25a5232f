#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>

#include <unistd.h>

// The camera's shared-memory segment, written by libsoftcam.so and read through CameraReader.
//
//   offset              size          content
//   0                   4096          SharedFrameHeader (below), zero padded
//   4096                slotBytes     slot 0: one BGR frame, top row first, rows of width * 3
//   4096 + slotBytes    slotBytes     slot 1
//
// One writer, any number of readers. The writer fills the slot that is not `latestSlot`, so a
// reader copying the newest frame is only disturbed when the writer laps it twice. A slot's
// sequence number is odd while the writer fills it; a reader that sees it change retries.
// Everything before `state` is written once, before `state` becomes Live, and never again.
namespace softcam {

inline constexpr std::uint32_t kMagic = 0x43'4C'44'56; // "VDLC" in memory order
inline constexpr std::uint32_t kVersion = 1;
inline constexpr std::size_t kHeaderBytes = 4096;
inline constexpr int kSlotCount = 2;
// The decoder's limits, which also bound what a reader is asked to map: sides up to 8192 and
// the largest picture H.264 allows (level 6.2, 139264 macroblocks).
inline constexpr int kMaxSide = 8192;
inline constexpr std::int64_t kMaxPixels = 139264 * 256;

enum CameraState : std::uint32_t { Starting = 0, Live = 1, Stopped = 2 };

struct SlotHeader {
    std::atomic<std::uint64_t> sequence;
    std::atomic<std::uint64_t> frameNumber; // 1 for a camera's first frame
    std::atomic<std::uint64_t> publishedNs; // CLOCK_MONOTONIC when the frame was written
};

struct SharedFrameHeader {
    std::uint32_t magic;
    std::uint32_t version;
    std::int32_t width;
    std::int32_t height;
    float fps;
    std::int32_t writerPid;
    std::uint64_t slotBytes;
    std::atomic<std::uint32_t> state;
    std::atomic<std::uint32_t> latestSlot;
    std::atomic<std::uint64_t> frameCount; // frames published, 0 before the first
    std::atomic<std::uint64_t> readerBeatNs; // CLOCK_MONOTONIC of the last reader's poll
    SlotHeader slot[kSlotCount];
};

static_assert(sizeof(SharedFrameHeader) <= kHeaderBytes);
static_assert(std::atomic<std::uint64_t>::is_always_lock_free,
              "atomics shared between processes must be lock-free");

inline bool validCameraSize(int width, int height)
{
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide
        && std::int64_t(width) * height <= kMaxPixels;
}

inline std::size_t frameBytes(int width, int height)
{
    return std::size_t(width) * std::size_t(height) * 3;
}

inline std::size_t segmentBytes(std::size_t slotBytes)
{
    return kHeaderBytes + kSlotCount * slotBytes;
}

// CLOCK_MONOTONIC is one clock for every process on the machine, so reader and writer agree.
inline std::uint64_t monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::uint64_t(now.tv_sec) * 1'000'000'000u + std::uint64_t(now.tv_nsec);
}

// One camera per user: a video-call program of that user finds it without being told.
inline std::string userSegmentName()
{
    return "/vidlet-camera-" + std::to_string(getuid());
}

// The user's camera, unless VIDLET_CAMERA_SEGMENT names another segment. Tests set it for the
// programs they start, so that their cameras and readers never meet the user's; a camera on
// another segment is private and leaves the machine's loopback device alone.
inline std::string defaultSegmentName()
{
    const char* chosen = std::getenv("VIDLET_CAMERA_SEGMENT");
    return chosen && *chosen ? std::string(chosen) : userSegmentName();
}

} // namespace softcam
