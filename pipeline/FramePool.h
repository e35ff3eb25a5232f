#pragma once

#include "video/BgrBuffer.h"

#include <utility>
#include <vector>

// Frame buffers that come back from the camera and the queue, so that the live path allocates
// nothing per frame. Two are kept: one covers the steady state, a frame in and a frame out per
// period; what a burst leaves beyond that is freed.
class FramePool {
public:
    // A buffer of any size and contents; empty when none is spare.
    BgrBuffer take()
    {
        if (spares.empty())
            return {};
        BgrBuffer buffer = std::move(spares.back());
        spares.pop_back();
        return buffer;
    }
    void give(BgrBuffer&& buffer)
    {
        if (spares.size() < kept && !buffer.empty())
            spares.push_back(std::move(buffer));
    }

private:
    static constexpr std::size_t kept = 2;
    std::vector<BgrBuffer> spares;
};
