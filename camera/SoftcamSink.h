#pragma once

#include "system/DynamicLibrary.h"
#include "video/BgrBuffer.h"
#include "camera/CameraTick.h"
#include "camera/IVirtualCameraSink.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Drives the camera component, loaded at run time from the program's folder or the search
// path. A pacing thread, alive between start() and stop(), hands the newest frame to the
// component as soon as the camera's rate allows and repeats it while no newer one arrives (see
// CameraTick), so a reader gets the camera's rate whatever the phone's, without a tick of its
// own to wait for. start() and stop() must come from one thread.
class SoftcamSink : public IVirtualCameraSink {
public:
    SoftcamSink() = default;
    ~SoftcamSink() override;
    SoftcamSink(const SoftcamSink&) = delete;
    SoftcamSink& operator=(const SoftcamSink&) = delete;

    bool start(int width, int height, float fps) override;
    void sendFrame(const unsigned char* bgr) override;
    // Swaps buffers rather than copying; a frame of another size is ignored.
    void handFrame(BgrBuffer& frame) override;
    // The component takes I420 (Linux's does) and the camera's sides are even.
    bool takesPlanes() const override;
    void handPlanes(BgrBuffer& planes) override;
    void stop() override;
    bool restart(int width, int height, float fps) override;
    bool isRunning() const override;
    bool isConnected() const override;
    bool mayBeRead() const override;
    bool readerHoldsSize() const override;
    bool isOnPipewire() const override;
    bool isReadThroughPipewire() const override;
    bool segmentWasCutShort() const override;

private:
    using CreateCamera = void* (*)(int, int, float);
    using RemakeCamera = void* (*)(void*, int, int, float);
    using DeleteCamera = void (*)(void*);
    using SendCameraFrame = void (*)(void*, const void*);
    using SendCameraPlanes = void (*)(void*, const unsigned char*, int, const unsigned char*, int,
                                      const unsigned char*, int);
    using CameraIsConnected = bool (*)(void*);
    using CameraSeesEveryReader = bool (*)(void*);
    using CameraReaderHoldsSize = bool (*)(void*);
    using LogCallback = void (*)(const char*, void*);
    using SetLogCallback = void (*)(LogCallback, void*);

    bool loadLibrary();
    // Starts sending to the camera the component `made`; false, saying why, when it made none.
    bool take(void* made, int width, int height, float fps);
    void stopPacing();
    void forgetFrame();
    void pace();
    // Under the lock: `frame` becomes the latest, swapped in; it comes back of its own size.
    void swapInFrame(BgrBuffer& frame);
    // Under the lock: a frame was put into latestFrame.
    void noteNewFrame();
    // The pacing thread's: one frame, BGR or I420 by its length, to the component.
    void sendToCamera(const BgrBuffer& frame);
    // The component's diagnostics, from any thread: into the program's log, and kept as the
    // reason of the next failed start.
    static void componentMessage(const char* line, void* sink);
    std::string takeComponentMessage();

    // Written only while the pacing thread is not running.
    DynamicLibrary module;
    CreateCamera createCamera = nullptr;
    RemakeCamera remakeCamera = nullptr; // Linux's component has it
    DeleteCamera deleteCamera = nullptr;
    SendCameraFrame sendCameraFrame = nullptr;
    SendCameraPlanes sendCameraPlanes = nullptr; // Linux's component has it
    CameraIsConnected cameraIsConnected = nullptr;
    CameraSeesEveryReader cameraSeesEveryReader = nullptr;       // our own component has it
    CameraReaderHoldsSize cameraReaderHoldsSize = nullptr;       // likewise
    CameraReaderHoldsSize cameraIsOnPipewire = nullptr;          // Linux's has it
    CameraReaderHoldsSize cameraIsReadThroughPipewire = nullptr; // likewise
    CameraReaderHoldsSize cameraSegmentWasCutShort = nullptr;    // likewise
    SetLogCallback setLogCallback = nullptr; // our own component has it, others may not
    void* camera = nullptr;
    int startedWidth = 0; // size of the last camera started, for the log
    int startedHeight = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    float fps = 30.0f;

    std::thread thread;
    std::atomic<bool> running{false};
    std::mutex mutex; // guards the five below, held only to copy a frame in or swap it out
    std::condition_variable frameCame; // wakes the pacing thread for a new frame or to stop
    std::size_t bgrBytes = 0;          // of the started size; none before the first start
    BgrBuffer latestFrame;             // BGR, or I420 when half as long
    bool newFrame = false;             // latestFrame holds a frame the pacing thread has not taken
    CameraTick tick{33'333};
    std::mutex messageMutex; // guards the one below
    std::string lastComponentMessage;
};
