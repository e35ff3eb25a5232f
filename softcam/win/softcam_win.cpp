#include "softcam/softcam.h"

#include "softcam/win/CameraSection.h"
#include "softcam/win/ClassFactory.h"
#include "softcam/win/Module.h"
#include "softcam/win/Registration.h"

#include <memory>
#include <mutex>
#include <new>

namespace softcam {

std::atomic<long> liveObjects{0};
HMODULE module = nullptr;

namespace {

std::mutex lifecycle; // guards liveCamera
std::unique_ptr<CameraPublisher> liveCamera;
// The live camera for the per-frame calls, which must not wait behind creation or deletion.
std::atomic<CameraPublisher*> current{nullptr};

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
    std::lock_guard<std::mutex> guard(lifecycle);
    if (liveCamera)
        return nullptr;
    liveCamera = CameraPublisher::create(width, height, framerate);
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
    CameraPublisher* live = current.load(std::memory_order_acquire);
    if (camera && bgr && camera == live)
        live->publish(static_cast<const unsigned char*>(bgr));
}

bool scIsConnected(void* camera)
{
    CameraPublisher* live = current.load(std::memory_order_acquire);
    return camera && camera == live && live->readerRunning();
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (clsid != kCameraClsid)
        return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new (std::nothrow) ClassFactory;
    if (!factory)
        return E_OUTOFMEMORY;
    const HRESULT result = factory->QueryInterface(iid, object);
    factory->Release();
    return result;
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
