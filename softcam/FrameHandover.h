#pragma once

#include <atomic>
#include <cstddef>
#include <vector>

namespace softcam {

// What a handed frame holds: the camera's BGR frame, or its I420 picture, which is smaller.
enum class FrameKind { Bgr, I420 };

// Hands the newest frame from one producing thread to one consuming thread without either
// waiting for the other: three buffers, one each side's own and one in the middle that the
// two swap with an atomic exchange. The consumer sees the latest frame put, never a torn one;
// frames it had no time to take are overwritten. Each frame travels with its kind.
class FrameHandover {
public:
    explicit FrameHandover(std::size_t frameBytes);

    // Producer: copies `frame`, `bytes` long (at most frameBytes), in as `kind` and makes it
    // the newest.
    void put(const unsigned char* frame, std::size_t bytes, FrameKind kind);
    // Producer: a whole BGR frame.
    void put(const unsigned char* frame) { put(frame, bytesPerFrame, FrameKind::Bgr); }
    // Producer: `frame` is the one it put last, of the same kind and length. Nobody writes
    // that slot until the next put, whichever side holds it now.
    bool repeatsLast(const unsigned char* frame, std::size_t bytes, FrameKind kind) const;
    bool repeatsLast(const unsigned char* frame) const
    {
        return repeatsLast(frame, bytesPerFrame, FrameKind::Bgr);
    }

    // Frames of another size from now on, all zeros (BGR); only while neither side runs.
    void resize(std::size_t frameBytes);

    // Consumer: moves to the newest frame if one came since the last take. False when none
    // did; latest() then still holds the frame taken before (zeros before the first).
    bool take();
    const unsigned char* latest() const { return slots[front].bytes.data(); }
    FrameKind latestKind() const { return slots[front].kind; }

private:
    static constexpr unsigned kFresh = 4; // beside the slot index in `middle`

    // Written by the producer before the exchange that hands the slot over, like its bytes.
    struct Slot {
        std::vector<unsigned char> bytes;
        std::size_t used = 0;
        FrameKind kind = FrameKind::Bgr;
    };

    std::size_t bytesPerFrame = 0; // set by resize()
    Slot slots[3];
    unsigned back = 0;  // producer only
    int lastPut = -1;   // producer only; none yet
    unsigned front = 1; // consumer only
    std::atomic<unsigned> middle{2};
};

} // namespace softcam
