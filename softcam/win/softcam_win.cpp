#include "softcam/softcam.h"

#include "softcam/LiveCamera.h"
#include "softcam/win/CameraSection.h"
#include "softcam/win/CaptureFilter.h"
#include "softcam/win/ClassFactory.h"
#include "softcam/win/Module.h"
#include "softcam/win/Registration.h"

namespace softcam {

std::atomic<long> liveObjects{0};
HMODULE module = nullptr;

namespace {

LiveCamera<CameraPublisher> camera;

} // namespace
} // namespace softcam

using namespace softcam;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

void* scCreateCamera(int width, int height, float framerate)
{
    return camera.create([&] { return CameraPublisher::create(width, height, framerate); });
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

bool scSeesEveryReader(void* handle)
{
    return camera.seesEveryReader(handle);
}

// Every reader here is a graph, which keeps the format it negotiated.
bool scReaderHoldsSize(void* handle)
{
    return camera.isConnected(handle);
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** object)
{
    return ClassFactory::serve(clsid, kCameraClsid, &CaptureFilter::create, iid, object);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return liveObjects.load() == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer()
{
    return registerCamera();
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    return unregisterCamera();
}
