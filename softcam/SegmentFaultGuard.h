#pragma once

#include <cstddef>

namespace softcam {

// Shrinking a shared file under a mapping turns the next touch of the lost pages into SIGBUS.
// Only the user's own programs can open the camera's segment, but one that truncates it must
// not take the camera, and with it Vidlet, down. While a guard lives, a SIGBUS inside its range
// replaces the whole range with private zero pages, so the faulting copy completes into memory
// that nobody reads, and the guard is marked tripped. Faults anywhere else, and a SIGBUS sent
// by a process, go to the handler that was there before, or have the default action, as if no
// guard were there; the guard stays for the next fault. A process holds at most kMaxGuards
// guards at once.
class SegmentFaultGuard {
public:
    static constexpr int kMaxGuards = 16;

    SegmentFaultGuard() = default;
    ~SegmentFaultGuard();
    SegmentFaultGuard(const SegmentFaultGuard&) = delete;
    SegmentFaultGuard& operator=(const SegmentFaultGuard&) = delete;

    // False when every guard is in use; the range then stays unguarded.
    bool watch(void* base, std::size_t bytes);
    void release();
    // Whether a fault replaced the range: what is written there no longer reaches anyone.
    bool tripped() const;

private:
    int index = -1;
};

} // namespace softcam
