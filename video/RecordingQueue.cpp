#include "video/RecordingQueue.h"

#include <algorithm>
#include <cstring>
#include <system_error>

RecordingQueue::~RecordingQueue()
{
    if (worker.joinable())
        worker.join();
}

bool RecordingQueue::start(Worker& work)
{
    started = std::chrono::steady_clock::now();
    try {
        worker = std::thread(&RecordingQueue::run, this, std::ref(work));
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void RecordingQueue::hand(const unsigned char* bytes, std::size_t size, bool keyframe)
{
    // Two frames within one tick still need rising times.
    const auto since = std::chrono::steady_clock::now() - started;
    lastTime = std::max<std::int64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(since).count() / 100, lastTime + 1);
    std::unique_lock<std::mutex> guard(lock);
    if (failed.load() != Mp4Recorder::Failure::None)
        return;
    if (queue.size() >= capacity_) {
        ++dropped_;
        return;
    }
    std::vector<unsigned char> pixels;
    if (!spare.empty()) {
        pixels = std::move(spare.back());
        spare.pop_back();
    }
    // The copy is made unlocked, so the worker never waits for it.
    guard.unlock();
    pixels.resize(size);
    std::memcpy(pixels.data(), bytes, size);
    guard.lock();
    queue.push_back({std::move(pixels), lastTime, keyframe});
    wake.notify_all();
}

std::size_t RecordingQueue::waiting() const
{
    std::lock_guard<std::mutex> guard(lock);
    return queue.size();
}

void RecordingQueue::end()
{
    {
        std::lock_guard<std::mutex> guard(lock);
        ending = true;
    }
    wake.notify_all();
}

bool RecordingQueue::fail(Mp4Recorder::Failure why)
{
    auto none = Mp4Recorder::Failure::None;
    return failed.compare_exchange_strong(none, why);
}

void RecordingQueue::run(Worker& work)
{
    work.begin();
    for (;;) {
        Frame next;
        {
            std::unique_lock<std::mutex> guard(lock);
            wake.wait(guard, [&] { return !queue.empty() || ending; });
            if (queue.empty())
                break;
            next = std::move(queue.front());
            queue.pop_front();
        }
        if (failed.load() == Mp4Recorder::Failure::None)
            work.encode(next);
        std::lock_guard<std::mutex> guard(lock);
        spare.push_back(std::move(next.pixels));
    }
    {
        std::lock_guard<std::mutex> guard(lock);
        spare = {};
    }
    work.finish();
    {
        std::lock_guard<std::mutex> guard(lock);
        done = true;
    }
    wake.notify_all();
}

bool RecordingQueue::waitFinished(std::chrono::steady_clock::time_point deadline)
{
    std::unique_lock<std::mutex> guard(lock);
    return wake.wait_until(guard, deadline, [&] { return done.load(); });
}
