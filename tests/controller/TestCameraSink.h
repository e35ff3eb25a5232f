#pragma once

#include "controller/AppController.h"
#include "camera/IVirtualCameraSink.h"

#include <QImage>
#include <QSize>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

// A virtual camera that keeps what it is given, for a test to read: the size it runs at and the
// last frame, which the controller's thread and the card pump both send.
class TestCameraSink : public IVirtualCameraSink {
public:
    // Hands a new one to `app` (before its start()) and returns it; `app` owns it.
    static TestCameraSink* giveTo(AppController& app)
    {
        auto sink = std::make_unique<TestCameraSink>();
        TestCameraSink* kept = sink.get();
        app.setCameraSink(std::move(sink));
        return kept;
    }

    bool start(int width, int height, float) override
    {
        std::lock_guard<std::mutex> guard(lock);
        if (refuseStart)
            return false;
        started = QSize(width, height);
        running = true;
        ++starts_;
        return true;
    }
    void sendFrame(const unsigned char* bgr) override
    {
        {
            std::lock_guard<std::mutex> guard(lock);
            if (!running) {
                ++framesWhileStopped_;
                return;
            }
            last.assign(bgr,
                        bgr + std::size_t(started.width()) * std::size_t(started.height()) * 3);
            lastPlanes.clear();
            ++frames;
        }
        if (kept)
            kept();
    }
    bool takesPlanes() const override { return planesTaken; }
    void handPlanes(BgrBuffer& planes) override
    {
        {
            std::lock_guard<std::mutex> guard(lock);
            last.clear();
            lastPlanes.assign(planes.begin(), planes.end());
            ++frames;
        }
        if (kept)
            kept();
    }
    void stop() override
    {
        std::lock_guard<std::mutex> guard(lock);
        running = false;
    }
    bool isRunning() const override
    {
        std::lock_guard<std::mutex> guard(lock);
        return running;
    }
    bool isConnected() const override { return false; }
    bool readerHoldsSize() const override { return sizeHeld; }
    bool isOnPipewire() const override { return onPipewire; }
    bool isReadThroughPipewire() const override { return readThroughPipewire; }
    bool segmentWasCutShort() const override { return segmentCutShort; }
    bool mayBeRead() const override { return read; }

    QSize size() const
    {
        std::lock_guard<std::mutex> guard(lock);
        return started;
    }
    // How often the camera was made.
    int starts() const
    {
        std::lock_guard<std::mutex> guard(lock);
        return starts_;
    }
    int frameCount() const
    {
        std::lock_guard<std::mutex> guard(lock);
        return frames;
    }
    // Frames sent to the camera while it was not running: none, if the controller keeps its
    // order of stopping.
    int framesWhileStopped() const
    {
        std::lock_guard<std::mutex> guard(lock);
        return framesWhileStopped_;
    }
    // The last frame if it came as I420 planes; empty otherwise.
    std::vector<unsigned char> planes() const
    {
        std::lock_guard<std::mutex> guard(lock);
        return lastPlanes;
    }
    // The last frame if it came as BGR; null before any and after planes.
    QImage frame() const
    {
        std::lock_guard<std::mutex> guard(lock);
        if (last.empty())
            return {};
        return QImage(last.data(), started.width(), started.height(), started.width() * 3,
                      QImage::Format_BGR888)
            .copy();
    }

    bool refuseStart = false; // the camera cannot start, as when another program holds it
    bool read = true;         // some program may be reading; from the controller's thread
    bool sizeHeld = false;    // a program that cannot follow a size change reads it; likewise
    bool onPipewire = false;  // PipeWire lists it; likewise
    bool readThroughPipewire = false; // a program streams it through PipeWire; likewise
    bool segmentCutShort = false;     // another program cut its segment short; likewise
    bool planesTaken = false;         // it takes I420 planes as the camera component does
    std::function<void()> kept;       // after each frame is kept, on the thread that sent it

private:
    mutable std::mutex lock;
    QSize started;
    bool running = false;
    int frames = 0;
    int framesWhileStopped_ = 0;
    int starts_ = 0;
    std::vector<unsigned char> last;
    std::vector<unsigned char> lastPlanes;
};
