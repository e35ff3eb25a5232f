#include "softcam/softcam.h"

#include "softcam/ComponentLog.h"
#include "softcam/SharedFrameLayout.h"
#include "softcam/SoftCamera.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

namespace {

std::mutex lifecycle; // guards the two below
std::unique_ptr<softcam::SoftCamera> liveCamera;
std::string segmentName; // empty: the default, looked up at each creation
// The live camera for the per-frame calls, which must not wait behind creation or deletion.
std::atomic<softcam::SoftCamera*> current{nullptr};

} // namespace

void* scCreateCamera(int width, int height, float framerate)
{
    if (!softcam::validCameraSize(width, height)) {
        softcam::report("Vidlet: no camera of %dx%d", width, height);
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(lifecycle);
    if (liveCamera) {
        softcam::report("Vidlet: a camera already exists in this process");
        return nullptr;
    }
    liveCamera = softcam::SoftCamera::create(
        segmentName.empty() ? softcam::defaultSegmentName() : segmentName, width, height,
        framerate);
    current.store(liveCamera.get(), std::memory_order_release);
    return liveCamera.get();
}

void scDeleteCamera(void* camera)
{
    std::lock_guard<std::mutex> guard(lifecycle);
    if (!camera || camera != liveCamera.get())
        return;
    current.store(nullptr, std::memory_order_release);
    liveCamera.reset();
}

void scSendFrame(void* camera, const void* bgr)
{
    softcam::SoftCamera* live = current.load(std::memory_order_acquire);
    if (camera && bgr && camera == live)
        live->sendFrame(static_cast<const unsigned char*>(bgr));
}

bool scIsConnected(void* camera)
{
    softcam::SoftCamera* live = current.load(std::memory_order_acquire);
    return camera && camera == live && live->isConnected();
}

void scSetLogCallback(void (*callback)(const char* line, void* context), void* context)
{
    softcam::setLogCallback(callback, context);
}

void scSetSegmentName(const char* name)
{
    std::lock_guard<std::mutex> guard(lifecycle);
    segmentName = name ? std::string(name) : std::string();
}
