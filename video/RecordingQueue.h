#pragma once

#include "video/Mp4Recorder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

// The frames of one recording on their way from the GUI thread, which only copies each one, to
// the recording's own worker thread, which converts, encodes and writes them and completes the
// file at the end. This thread is the one the recorder adds beside the program's others: without
// it the GUI thread would pay for the conversion and the encoder's hand-over on every frame, as
// much again as decoding, and the window would freeze while the file is completed at stop.
// Both platforms' recorders use it; what they do with a frame is their Worker's.
class RecordingQueue {
public:
    struct Frame {
        std::vector<unsigned char> pixels; // BGR, rows top first; or one access unit
        std::int64_t time = 0;             // 100 ns units since start(), rising
        bool keyframe = false;             // an access unit the phone marked as a key frame
    };

    // Runs on the worker thread: begin(), encode() for every frame handed over unless the
    // recording failed, then finish().
    class Worker {
    public:
        virtual ~Worker() = default;
        virtual void begin() {}
        virtual void encode(const Frame& frame) = 0;
        virtual void finish() = 0;
    };

    explicit RecordingQueue(std::size_t frameBytes)
        : frameBytes(frameBytes),
          capacity_(std::clamp<std::size_t>(maxQueuedBytes / std::max<std::size_t>(frameBytes, 1),
                                            minQueued, maxQueued))
    {
    }
    ~RecordingQueue(); // waits for the worker, which end() must have let go
    RecordingQueue(const RecordingQueue&) = delete;
    RecordingQueue& operator=(const RecordingQueue&) = delete;

    // Starts the worker thread; false when the system gives no thread.
    bool start(Worker& worker);
    // GUI thread: a copy of `bgr` joins the queue, timed by its arrival. While capacity()
    // frames wait the frame is left out and counted: the GUI thread never waits for a disk that
    // cannot keep up (a USB stick, a network folder, a hung mount). Nothing once failed.
    void hand(const unsigned char* bgr) { hand(bgr, frameBytes, false); }
    // The same for `size` bytes of the phone's own stream.
    void hand(const unsigned char* bytes, std::size_t size, bool keyframe);
    // GUI thread: the frames left out so far.
    std::uint64_t dropped() const { return dropped_; }
    // Any thread: the frames handed over that the worker has not taken yet.
    std::size_t waiting() const;
    // GUI thread: no more frames; the worker encodes what waits, then finishes the file.
    void end();

    // Any thread: records why the file stopped taking frames. True for the first failure only.
    bool fail(Mp4Recorder::Failure why);
    Mp4Recorder::Failure failure() const { return failed.load(); }
    // The worker has finished the file.
    bool finished() const { return done.load(); }
    // Any thread: waits until the worker has finished the file or `deadline` has passed; true
    // when finished.
    bool waitFinished(std::chrono::steady_clock::time_point deadline);

    // The frames that may wait: a whole second at small sizes, a third of one at 1920x1080 (ten
    // frames, 62 MB), and never fewer than two (57 MB at 4K).
    static constexpr std::size_t maxQueuedBytes = 64 * 1024 * 1024;
    static constexpr std::size_t minQueued = 2;
    static constexpr std::size_t maxQueued = 30;
    std::size_t capacity() const { return capacity_; }

private:
    void run(Worker& worker);

    const std::size_t frameBytes;
    const std::size_t capacity_;
    // The GUI thread's: frames are timed by their arrival, so stalls and bursts of the live feed
    // stay in the file.
    std::chrono::steady_clock::time_point started;
    std::int64_t lastTime = -1;
    std::uint64_t dropped_ = 0;

    mutable std::mutex lock;      // guards the three below, and `done`'s change
    std::condition_variable wake; // a frame, the end, or the file finished
    std::deque<Frame> queue;
    std::vector<std::vector<unsigned char>> spare; // buffers handed back by the worker
    bool ending = false;

    std::atomic<Mp4Recorder::Failure> failed{Mp4Recorder::Failure::None};
    std::atomic<bool> done{false};
    std::thread worker;
};
