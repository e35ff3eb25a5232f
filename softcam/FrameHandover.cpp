#include "softcam/FrameHandover.h"

#include <cstring>

namespace softcam {

FrameHandover::FrameHandover(std::size_t frameBytes)
{
    resize(frameBytes);
}

void FrameHandover::resize(std::size_t frameBytes)
{
    for (auto& slot : slots)
        slot.assign(frameBytes, 0);
    back = 0;
    front = 1;
    middle.store(2);
    lastPut = -1;
}

void FrameHandover::put(const unsigned char* frame)
{
    std::memcpy(slots[back].data(), frame, slots[back].size());
    lastPut = int(back);
    // Release publishes the copy; acquire takes the consumer's last writes to the slot it gave
    // back before this side writes into it.
    back = middle.exchange(back | kFresh, std::memory_order_acq_rel) & ~kFresh;
}

bool FrameHandover::repeatsLast(const unsigned char* frame) const
{
    return lastPut >= 0 && std::memcmp(slots[lastPut].data(), frame, slots[lastPut].size()) == 0;
}

bool FrameHandover::take()
{
    if (!(middle.load(std::memory_order_relaxed) & kFresh))
        return false;
    front = middle.exchange(front, std::memory_order_acq_rel) & ~kFresh;
    return true;
}

} // namespace softcam
