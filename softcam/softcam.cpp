#include "softcam/softcam.h"

#include "softcam/LiveCamera.h"
#include "softcam/SharedFrameLayout.h"
#include "softcam/SoftCamera.h"

#include <cstdio>
#include <string>

namespace {

softcam::LiveCamera<softcam::SoftCamera> camera;
std::string segmentName; // under camera's lock; empty: the default, looked up at each creation

} // namespace

void* scCreateCamera(int width, int height, float framerate)
{
    if (!softcam::validCameraSize(width, height)) {
        std::fprintf(stderr, "Vidlet: no camera of %dx%d\n", width, height);
        return nullptr;
    }
    return camera.create([&] {
        return softcam::SoftCamera::create(
            segmentName.empty() ? softcam::defaultSegmentName() : segmentName, width, height,
            framerate);
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

bool scIsConnected(void* handle)
{
    return camera.isConnected(handle);
}

void scSetSegmentName(const char* name)
{
    camera.locked([name] { segmentName = name ? std::string(name) : std::string(); });
}
