#pragma once

#include "softcam/StreamingCopy.h"
#include "video/FrameLimits.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

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
    std::atomic<std::uint64_t> frameCount;   // frames published, 0 before the first
    std::atomic<std::uint64_t> readerBeatNs; // CLOCK_MONOTONIC of the last reader's poll
    SlotHeader slot[kSlotCount];
};

static_assert(sizeof(SharedFrameHeader) <= kHeaderBytes);
static_assert(std::atomic<std::uint64_t>::is_always_lock_free,
              "atomics shared between processes must be lock-free");

// The decoder's limits also bound what a reader is asked to map.
inline bool validCameraSize(int width, int height)
{
    return FrameLimits::accepts(width, height);
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

#ifndef _WIN32
// One camera per user: a video-call program of that user finds it without being told.
inline std::string userSegmentName()
{
    return "/vidlet-camera-" + std::to_string(getuid());
}
#endif

#ifndef _WIN32
// Segment names live in one folder every user can write, so another user may take a camera's
// name first. The camera then moves to the next of a few fixed names, and readers look through
// the same ones: index 0 is the name itself, then name.1, name.2 and so on. Past them all it
// takes a random name that a private pointer tells readers (SegmentPointer).
inline constexpr int kSegmentNames = 8;

inline std::string segmentCandidate(const std::string& name, int index)
{
    return index == 0 ? name : name + "." + std::to_string(index);
}

// Whether the segment behind `fd` is this user's and nobody else's: anything else may be read
// or written by someone the user never chose.
inline bool ownPrivateSegment(int fd)
{
    struct stat st {};
    return fstat(fd, &st) == 0 && st.st_uid == geteuid() && (st.st_mode & 077) == 0;
}
#endif

inline unsigned char* slotData(SharedFrameHeader* header, std::size_t slotBytes, std::uint32_t slot)
{
    return reinterpret_cast<unsigned char*>(header) + kHeaderBytes + slot * slotBytes;
}

// What the writer needs to place the next frame, kept in its own memory: every reader maps the
// segment writable, so nothing the writer acts on is read back from it.
struct WriterState {
    std::uint32_t latestSlot = 0;
    std::uint64_t sequence[kSlotCount] = {};
};

// The writer's side: fills the slot readers are not pointed at, then points them at it.
// `number` is the frame's number, 1 for a camera's first. Both sides pass the slot size they
// settled on when they mapped the segment, never one read back from it.
inline void writeFrame(SharedFrameHeader* header, std::size_t slotBytes, WriterState& state,
                       const unsigned char* bgr, std::uint64_t number)
{
    const std::uint32_t slot = 1 - state.latestSlot;
    SlotHeader& meta = header->slot[slot];
    const std::uint64_t seq = state.sequence[slot];
    // Odd while the slot is written; as an acquire, the copy below cannot start before it. The
    // exchange ignores whatever a reader may have left in the field.
    meta.sequence.exchange(seq + 1, std::memory_order_acquire);
    copyPastCache(slotData(header, slotBytes, slot), bgr, slotBytes);
    meta.frameNumber.store(number, std::memory_order_relaxed);
    meta.publishedNs.store(monotonicNs(), std::memory_order_relaxed);
    meta.sequence.store(seq + 2, std::memory_order_release);
    state.sequence[slot] = seq + 2;
    state.latestSlot = slot;
    header->latestSlot.store(slot, std::memory_order_release);
    header->frameCount.store(number, std::memory_order_release);
}

struct SlotCopy {
    std::uint64_t number = 0;
    std::uint64_t publishedNs = 0;
};

// The reader's side: copies the newest frame into `bgr` when its number differs from
// `lastNumber`. False when there is none, or when the writer lapped the copy every time.
inline bool readLatestFrame(SharedFrameHeader* header, std::size_t slotBytes,
                            std::uint64_t lastNumber, std::vector<unsigned char>& bgr,
                            SlotCopy& copy)
{
    // A writer that lapped the reader this often in one poll is left alone until the next poll.
    constexpr int kCopyAttempts = 16;
    for (int attempt = 0; attempt < kCopyAttempts; ++attempt) {
        const std::uint64_t count = header->frameCount.load(std::memory_order_acquire);
        if (count == 0 || count == lastNumber)
            return false;
        const std::uint32_t slot = header->latestSlot.load(std::memory_order_acquire);
        if (slot >= std::uint32_t(kSlotCount))
            return false;
        SlotHeader& meta = header->slot[slot];
        const std::uint64_t before = meta.sequence.load(std::memory_order_acquire);
        if (before & 1)
            continue;
        copy.number = meta.frameNumber.load(std::memory_order_relaxed);
        copy.publishedNs = meta.publishedNs.load(std::memory_order_relaxed);
        bgr.resize(slotBytes);
        std::memcpy(bgr.data(), slotData(header, slotBytes, slot), slotBytes);
        // A release read-modify-write keeps the copy above before this second look (a plain
        // load would let it drift later). Adding 0 leaves the writer's count alone.
        if (meta.sequence.fetch_add(0, std::memory_order_release) == before)
            return true;
    }
    return false;
}

#ifndef _WIN32
// The user's camera, unless VIDLET_CAMERA_SEGMENT names another segment. Tests set it for the
// programs they start, so that their cameras and readers never meet the user's; a camera on
// another segment is private and leaves the machine's loopback device alone.
inline std::string defaultSegmentName()
{
    const char* chosen = std::getenv("VIDLET_CAMERA_SEGMENT");
    return chosen && *chosen ? std::string(chosen) : userSegmentName();
}
#endif

} // namespace softcam
