#pragma once

#include <atomic>
#include <cstddef>
#include <vector>

namespace softcam {

// Hands the newest frame from one producing thread to one consuming thread without either
// waiting for the other: three buffers, one each side's own and one in the middle that the
// two swap with an atomic exchange. The consumer sees the latest frame put, never a torn one;
// frames it had no time to take are overwritten.
class FrameHandover {
public:
    explicit FrameHandover(std::size_t frameBytes);

    // Producer: copies `frame` (frameBytes long) in and makes it the newest.
    void put(const unsigned char* frame);
    // Producer: `frame` is the one it put last. Nobody writes that slot until the next put,
    // whichever side holds it now.
    bool repeatsLast(const unsigned char* frame) const;

    // Frames of another size from now on, all zeros; only while neither side runs.
    void resize(std::size_t frameBytes);

    // Consumer: moves to the newest frame if one came since the last take. False when none
    // did; latest() then still holds the frame taken before (zeros before the first).
    bool take();
    const unsigned char* latest() const { return slots[front].data(); }

private:
    static constexpr unsigned kFresh = 4; // beside the slot index in `middle`

    std::vector<unsigned char> slots[3];
    unsigned back = 0;  // producer only
    int lastPut = -1;   // producer only; none yet
    unsigned front = 1; // consumer only
    std::atomic<unsigned> middle{2};
};

} // namespace softcam
