#pragma once

#include "video/Mp4Recorder.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

// A recorder's files: the one open now and the stopped ones whose workers are still completing
// them. `R` is a backend's recording, with a RecordingQueue named `queue` as its last member.
template <class R> struct RecordingSet {
    std::unique_ptr<R> open;
    std::vector<std::unique_ptr<R>> closing;

    void hand(const unsigned char* bgr)
    {
        if (open && bgr)
            open->queue.hand(bgr);
    }

    void stop()
    {
        if (open) {
            open->queue.end();
            closing.push_back(std::move(open));
        }
    }

    // Forgets the recordings whose workers are done.
    void reap()
    {
        closing.erase(
            std::remove_if(closing.begin(), closing.end(),
                           [](const std::unique_ptr<R>& r) { return r->queue.finished(); }),
            closing.end());
    }

    void waitForAll() { closing.clear(); } // each joins its worker

    bool waitForAll(std::chrono::steady_clock::time_point deadline)
    {
        for (const std::unique_ptr<R>& r : closing)
            if (!r->queue.waitFinished(deadline))
                return false;
        closing.clear();
        return true;
    }

    std::uint64_t dropped() const { return open ? open->queue.dropped() : 0; }
    std::size_t waiting() const { return open ? open->queue.waiting() : 0; }

    Mp4Recorder::Failure failure() const
    {
        return open ? open->queue.failure() : Mp4Recorder::Failure::None;
    }
};
