#include "softcam/softcam.h"

#include "softcam/ComponentLog.h"
#include "softcam/I420Planes.h"
#include "softcam/LiveCamera.h"
#include "softcam/SharedFrameLayout.h"
#include "softcam/SoftCamera.h"

#include <string>

namespace {

softcam::LiveCamera<softcam::SoftCamera> camera;
std::string segmentName; // under camera's lock; empty: the default, looked up at each creation

// Under camera's lock.
std::unique_ptr<softcam::SoftCamera>
makeCamera(int width, int height, float framerate,
           std::unique_ptr<softcam::PipewireCameraNode> keptNode = {})
{
    return softcam::SoftCamera::create(segmentName.empty() ? softcam::defaultSegmentName()
                                                           : segmentName,
                                       width, height, framerate, std::move(keptNode));
}

} // namespace

void* scCreateCamera(int width, int height, float framerate)
{
    if (!softcam::validCameraSize(width, height)) {
        softcam::report("Vidlet: no camera of %dx%d", width, height);
        return nullptr;
    }
    bool made = false;
    void* handle = camera.create([&] {
        made = true;
        return makeCamera(width, height, framerate);
    });
    if (!handle && !made)
        softcam::report("Vidlet: a camera already exists in this process");
    return handle;
}

void* scRemakeCamera(void* handle, int width, int height, float framerate)
{
    const bool valid = softcam::validCameraSize(width, height);
    if (!valid)
        softcam::report("Vidlet: no camera of %dx%d", width, height);
    return camera.replace(handle, [&](std::unique_ptr<softcam::SoftCamera> old) {
        std::unique_ptr<softcam::PipewireCameraNode> node = old->releaseNode();
        old.reset(); // its segment and device go first: the new camera takes them over
        return valid ? makeCamera(width, height, framerate, std::move(node))
                     : std::unique_ptr<softcam::SoftCamera>();
    });
}

void scDeleteCamera(void* handle)
{
    camera.remove(handle);
}

void scSendFrame(void* handle, const void* bgr)
{
    camera.sendFrame(handle, bgr);
}

void scSendFrameI420(void* handle, const unsigned char* y, int yStride, const unsigned char* u,
                     int uStride, const unsigned char* v, int vStride)
{
    camera.sendI420(handle, softcam::I420Planes{y, yStride, u, uStride, v, vStride});
}

bool scIsConnected(void* handle)
{
    return camera.isConnected(handle);
}

bool scSeesEveryReader(void* handle)
{
    return camera.seesEveryReader(handle);
}

bool scIsOnPipewire(void* handle)
{
    return camera.isOnPipewire(handle);
}

bool scIsReadThroughPipewire(void* handle)
{
    return camera.isReadThroughPipewire(handle);
}

bool scSegmentWasCutShort(void* handle)
{
    return camera.segmentWasCutShort(handle);
}

bool scReaderHoldsSize(void* handle)
{
    return camera.readerHoldsSize(handle);
}

void scSetLogCallback(void (*callback)(const char* line, void* context), void* context)
{
    softcam::setLogCallback(callback, context);
}

void scSetSegmentName(const char* name)
{
    camera.locked([name] { segmentName = name ? std::string(name) : std::string(); });
}
