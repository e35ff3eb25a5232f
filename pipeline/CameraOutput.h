#pragma once

#include "camera/IVirtualCameraSink.h"
#include "pipeline/Clock.h"
#include "video/BgrBuffer.h"

#include <QSize>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

// The camera stage: the virtual camera at its current size, the output switch and the count of
// frames the camera was sent. The GUI thread starts, moves and stops it; the GUI thread and the
// card pump send to it. The card pump reads the size once as it starts, and the GUI thread
// changes it only while the pump is stopped.
class CameraOutput {
public:
    static constexpr float fps = 30.0f;

    CameraOutput(std::unique_ptr<IVirtualCameraSink> sink, const Clock& clock);

    // Replaces the camera before start(): tests hand in one of their own.
    void setSink(std::unique_ptr<IVirtualCameraSink> camera) { sink = std::move(camera); }
    // At `size`, or at the current size (1280x720 until a stream gives another).
    bool start(QSize size = {})
    {
        current = size.isValid() ? size : current;
        return sink->start(current.width(), current.height(), fps);
    }
    // The camera at `size`, restarted only when it has another size or is not running. A program
    // reading the camera that cannot follow a size change (a PipeWire stream would end, a graph
    // would stretch the picture) keeps the size it opened: the camera moves only while no such
    // program reads it. A phone may change its size at every keyframe, and each
    // remake costs the GUI thread (a new segment, a new PipeWire node), so the camera is remade
    // at most once per interval, whoever asks. False when the camera keeps its size: the
    // pictures of the other size are then fitted into it.
    bool resize(QSize size);
    void setRemakeIntervalMs(int ms) { remakeIntervalMs = ms; }
    void stop() { sink->stop(); }
    QSize size() const { return current; }
    std::size_t frameBytes() const
    {
        return std::size_t(current.width()) * std::size_t(current.height()) * 3;
    }

    // One frame of size() to the camera while the output is on. From either thread.
    void send(const unsigned char* bgr);
    // As send(), swapping buffers with the camera: `frame` comes back holding one of the same
    // size, for a later frame. It may hold I420 planes (see FrameLayout) while takesPlanes().
    // From the GUI thread.
    void hand(BgrBuffer& frame);
    // Whether the camera takes the decoder's I420 planes at its size.
    bool takesPlanes() const { return sink->takesPlanes(); }

    bool enabled() const { return on.load(); }
    void setEnabled(bool enabled) { on.store(enabled); }
    std::uint64_t sent() const { return count.load(); }

    bool isRunning() const { return sink->isRunning(); }
    bool isConnected() const { return sink->isConnected(); }
    bool mayBeRead() const { return sink->mayBeRead(); }
    bool isOnPipewire() const { return sink->isOnPipewire(); }
    bool isReadThroughPipewire() const { return sink->isReadThroughPipewire(); }
    bool segmentWasCutShort() const { return sink->segmentWasCutShort(); }

private:
    std::unique_ptr<IVirtualCameraSink> sink;
    const Clock& clock;
    QSize current{1280, 720};
    int remakeIntervalMs = 1000;
    std::optional<std::int64_t> remadeMs; // the last remake
    std::atomic<bool> on{true};           // the GUI thread flips it, the pump reads it
    std::atomic<std::uint64_t> count{0};  // both threads add
};
