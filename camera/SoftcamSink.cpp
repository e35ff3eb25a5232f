#include "camera/SoftcamSink.h"

#include <QDebug>

#include <chrono>
#include <cstring>
#include <optional>
#include <string>
#include <system_error>

namespace {

#ifdef _WIN32
constexpr const char* kComponentName = "softcam.dll";
#else
constexpr const char* kComponentName = "libsoftcam.so";
#endif

std::int64_t nowUs()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

std::chrono::steady_clock::time_point steadyAt(std::int64_t us)
{
    return std::chrono::steady_clock::time_point(std::chrono::microseconds(us));
}

} // namespace

SoftcamSink::~SoftcamSink()
{
    stop();
    if (setLogCallback)
        setLogCallback(nullptr, nullptr);
    module.unload();
}

void SoftcamSink::componentMessage(const char* line, void* sink)
{
    qWarning("%s", line);
    auto* self = static_cast<SoftcamSink*>(sink);
    std::lock_guard<std::mutex> guard(self->messageMutex);
    self->lastComponentMessage = line;
}

std::string SoftcamSink::takeComponentMessage()
{
    std::lock_guard<std::mutex> guard(messageMutex);
    std::string message;
    message.swap(lastComponentMessage);
    const std::string prefix = "Vidlet: ";
    if (message.compare(0, prefix.size(), prefix) == 0)
        message.erase(0, prefix.size());
    return message;
}

bool SoftcamSink::loadLibrary()
{
    if (module.isLoaded())
        return true;
    // The copy beside the program wins over an installed program's private copy, and that one
    // over the search path.
    if (!module.loadBesideProgram(kComponentName)) {
        qWarning().noquote() << "Vidlet: camera component" << kComponentName
                             << "not found:" << QString::fromStdString(module.errorText());
        return false;
    }
    createCamera = reinterpret_cast<CreateCamera>(module.symbol("scCreateCamera"));
    remakeCamera = reinterpret_cast<RemakeCamera>(module.symbol("scRemakeCamera"));
    deleteCamera = reinterpret_cast<DeleteCamera>(module.symbol("scDeleteCamera"));
    sendCameraFrame = reinterpret_cast<SendCameraFrame>(module.symbol("scSendFrame"));
    sendCameraPlanes = reinterpret_cast<SendCameraPlanes>(module.symbol("scSendFrameI420"));
    cameraIsConnected = reinterpret_cast<CameraIsConnected>(module.symbol("scIsConnected"));
    cameraSeesEveryReader =
        reinterpret_cast<CameraSeesEveryReader>(module.symbol("scSeesEveryReader"));
    cameraReaderHoldsSize =
        reinterpret_cast<CameraReaderHoldsSize>(module.symbol("scReaderHoldsSize"));
    cameraIsOnPipewire = reinterpret_cast<CameraReaderHoldsSize>(module.symbol("scIsOnPipewire"));
    cameraIsReadThroughPipewire =
        reinterpret_cast<CameraReaderHoldsSize>(module.symbol("scIsReadThroughPipewire"));
    cameraSegmentWasCutShort =
        reinterpret_cast<CameraReaderHoldsSize>(module.symbol("scSegmentWasCutShort"));
    setLogCallback = reinterpret_cast<SetLogCallback>(module.symbol("scSetLogCallback"));
    if (!createCamera || !deleteCamera || !sendCameraFrame) {
        qWarning().noquote() << "Vidlet: camera component" << kComponentName
                             << "lacks scCreateCamera, scDeleteCamera or scSendFrame";
        module.unload();
        createCamera = nullptr;
        remakeCamera = nullptr;
        deleteCamera = nullptr;
        sendCameraFrame = nullptr;
        sendCameraPlanes = nullptr;
        cameraIsConnected = nullptr;
        cameraSeesEveryReader = nullptr;
        cameraReaderHoldsSize = nullptr;
        cameraIsOnPipewire = nullptr;
        cameraIsReadThroughPipewire = nullptr;
        cameraSegmentWasCutShort = nullptr;
        setLogCallback = nullptr;
        return false;
    }
    return true;
}

bool SoftcamSink::start(int newWidth, int newHeight, float newFps)
{
    if (camera)
        return true;
    if (!loadLibrary())
        return false;
    if (setLogCallback)
        setLogCallback(&SoftcamSink::componentMessage, this);
    takeComponentMessage();
    return take(createCamera(newWidth, newHeight, newFps), newWidth, newHeight, newFps);
}

bool SoftcamSink::restart(int newWidth, int newHeight, float newFps)
{
    if (!camera || !remakeCamera) {
        stop();
        return start(newWidth, newHeight, newFps);
    }
    stopPacing();
    forgetFrame();
    takeComponentMessage();
    void* made = remakeCamera(camera, newWidth, newHeight, newFps);
    camera = nullptr; // the component deleted it
    return take(made, newWidth, newHeight, newFps);
}

bool SoftcamSink::take(void* made, int newWidth, int newHeight, float newFps)
{
    if (!made) {
        const std::string reason = takeComponentMessage();
        qWarning("Vidlet: camera failed to start at %dx%d: %s", newWidth, newHeight,
                 reason.empty() ? "the camera component gave no reason" : reason.c_str());
        return false;
    }
    camera = made;
    if (startedWidth != 0 && (startedWidth != newWidth || startedHeight != newHeight))
        qInfo("Vidlet: camera resized from %dx%d to %dx%d", startedWidth, startedHeight, newWidth,
              newHeight);
    else
        qInfo("Vidlet: camera started at %dx%d", newWidth, newHeight);
    startedWidth = newWidth;
    startedHeight = newHeight;
    width = newWidth;
    height = newHeight;
    // The comparison is false for NaN too.
    fps = newFps > 1.0f ? newFps : 30.0f;
    {
        std::lock_guard<std::mutex> guard(mutex);
        bgrBytes = std::size_t(width) * std::size_t(height) * 3;
        latestFrame.assign(bgrBytes, 0);
        newFrame = false;
        tick = CameraTick(std::int64_t(1'000'000.0f / fps));
    }
    running = true;
    try {
        thread = std::thread(&SoftcamSink::pace, this);
    } catch (const std::system_error& error) {
        qWarning() << "Vidlet: cannot start the camera thread:" << error.what();
        running = false;
        deleteCamera(camera);
        camera = nullptr;
        return false;
    }
    return true;
}

void SoftcamSink::sendFrame(const unsigned char* bgr)
{
    // The size is read under the lock rather than from `width`, which the controller's thread
    // may be writing.
    std::lock_guard<std::mutex> guard(mutex);
    if (bgrBytes == 0)
        return;
    latestFrame.resize(bgrBytes); // it may hold planes
    std::memcpy(latestFrame.data(), bgr, bgrBytes);
    noteNewFrame();
}

void SoftcamSink::handFrame(BgrBuffer& frame)
{
    std::lock_guard<std::mutex> guard(mutex);
    if (bgrBytes == 0 || frame.size() != bgrBytes)
        return;
    swapInFrame(frame);
}

// While a reader of the shared memory, which is BGR, reads and none that holds the size does,
// the decoder's one pass to BGR serves it better than planes converted by the component.
bool SoftcamSink::takesPlanes() const
{
    return sendCameraPlanes && width % 2 == 0 && height % 2 == 0
        && !(isConnected() && !readerHoldsSize());
}

void SoftcamSink::handPlanes(BgrBuffer& planes)
{
    if (!sendCameraPlanes || width % 2 || height % 2)
        return;
    std::lock_guard<std::mutex> guard(mutex);
    if (bgrBytes == 0 || planes.size() != bgrBytes / 2)
        return;
    swapInFrame(planes);
}

void SoftcamSink::swapInFrame(BgrBuffer& frame)
{
    latestFrame.resize(frame.size()); // the caller's next frame has the layout of this one
    latestFrame.swap(frame);
    noteNewFrame();
}

void SoftcamSink::noteNewFrame()
{
    newFrame = true;
    tick.frameCame(nowUs());
    frameCame.notify_one();
}

void SoftcamSink::pace()
{
    BgrBuffer frame(std::size_t(width) * std::size_t(height) * 3, 0);
    std::unique_lock<std::mutex> lock(mutex);
    while (running.load()) {
        const std::optional<std::int64_t> due = tick.nextSendUs();
        if (!due) {
            frameCame.wait(lock);
            continue;
        }
        if (*due > nowUs()) {
            frameCame.wait_until(lock, steadyAt(*due));
            continue;
        }
        // A new frame is taken by swapping buffers, not copied; without one the last is sent
        // again.
        if (newFrame) {
            latestFrame.swap(frame);
            newFrame = false;
        }
        tick.sent(nowUs());
        // The component is called outside the lock so that sendFrame never waits for it.
        lock.unlock();
        if (camera)
            sendToCamera(frame);
        lock.lock();
    }
}

void SoftcamSink::sendToCamera(const BgrBuffer& frame)
{
    const std::size_t pixels = std::size_t(width) * std::size_t(height);
    if (frame.size() != pixels * 3 / 2) {
        sendCameraFrame(camera, frame.data());
        return;
    }
    const unsigned char* y = frame.data();
    const unsigned char* u = y + pixels;
    const unsigned char* v = u + pixels / 4;
    sendCameraPlanes(camera, y, width, u, width / 2, v, width / 2);
}

void SoftcamSink::stop()
{
    stopPacing();
    if (camera && deleteCamera) {
        deleteCamera(camera);
        camera = nullptr;
    }
    forgetFrame();
}

// The size too: after a failed restart at another size, sendFrame must not copy the old size
// out of a caller's smaller buffer.
void SoftcamSink::forgetFrame()
{
    std::lock_guard<std::mutex> guard(mutex);
    bgrBytes = 0;
    latestFrame.clear();
    newFrame = false;
}

void SoftcamSink::stopPacing()
{
    if (running.exchange(false) && thread.joinable()) {
        {
            // Under the lock, so that the wake cannot fall between the thread's check of
            // `running` and its wait.
            std::lock_guard<std::mutex> guard(mutex);
            frameCame.notify_one();
        }
        thread.join();
    }
}

bool SoftcamSink::isRunning() const
{
    return camera != nullptr;
}

bool SoftcamSink::isConnected() const
{
    return camera && cameraIsConnected && cameraIsConnected(camera);
}

bool SoftcamSink::isOnPipewire() const
{
    return camera && cameraIsOnPipewire && cameraIsOnPipewire(camera);
}

bool SoftcamSink::isReadThroughPipewire() const
{
    return camera && cameraIsReadThroughPipewire && cameraIsReadThroughPipewire(camera);
}

bool SoftcamSink::segmentWasCutShort() const
{
    return camera && cameraSegmentWasCutShort && cameraSegmentWasCutShort(camera);
}

// A component that cannot tell which readers follow a size change takes every reader as one
// that does not.
bool SoftcamSink::readerHoldsSize() const
{
    if (!camera)
        return false;
    return cameraReaderHoldsSize ? cameraReaderHoldsSize(camera) : isConnected();
}

// A component that cannot tell whether somebody reads is taken as read.
bool SoftcamSink::mayBeRead() const
{
    if (!camera)
        return false;
    if (!cameraIsConnected || !cameraSeesEveryReader || !cameraSeesEveryReader(camera))
        return true;
    return cameraIsConnected(camera);
}
