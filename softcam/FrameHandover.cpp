#include "softcam/FrameHandover.h"

#include <cstring>

namespace softcam {

FrameHandover::FrameHandover(std::size_t frameBytes)
{
    resize(frameBytes);
}

void FrameHandover::resize(std::size_t frameBytes)
{
    bytesPerFrame = frameBytes;
    for (auto& slot : slots) {
        slot.bytes.assign(frameBytes, 0);
        slot.used = frameBytes;
        slot.kind = FrameKind::Bgr;
    }
    back = 0;
    front = 1;
    middle.store(2);
    lastPut = -1;
}

void FrameHandover::put(const unsigned char* frame, std::size_t bytes, FrameKind kind)
{
    Slot& slot = slots[back];
    slot.used = bytes < slot.bytes.size() ? bytes : slot.bytes.size();
    slot.kind = kind;
    std::memcpy(slot.bytes.data(), frame, slot.used);
    lastPut = int(back);
    // Release publishes the copy; acquire takes the consumer's last writes to the slot it gave
    // back before this side writes into it.
    back = middle.exchange(back | kFresh, std::memory_order_acq_rel) & ~kFresh;
}

bool FrameHandover::repeatsLast(const unsigned char* frame, std::size_t bytes, FrameKind kind) const
{
    if (lastPut < 0)
        return false;
    const Slot& slot = slots[lastPut];
    return slot.kind == kind && slot.used == bytes
        && std::memcmp(slot.bytes.data(), frame, bytes) == 0;
}

bool FrameHandover::take()
{
    if (!(middle.load(std::memory_order_relaxed) & kFresh))
        return false;
    front = middle.exchange(front, std::memory_order_acq_rel) & ~kFresh;
    return true;
}

} // namespace softcam
