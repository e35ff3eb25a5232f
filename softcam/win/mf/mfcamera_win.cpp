// vidlet-mfcamera.dll: the camera as a Media Foundation source, a COM in-process server that
// the Windows Frame Server loads for Vidlet's virtual camera. It reads the frames softcam.dll
// publishes and carries its own C++ runtime, like softcam.dll.
#include "softcam/win/Module.h"
#include "softcam/win/mf/MediaSource.h"
#include "softcam/win/mf/MediaSourceClass.h"
#include "softcam/win/ClassFactory.h"
#include "softcam/win/mf/SourceRegistration.h"

namespace softcam {

std::atomic<long> liveObjects{0};
HMODULE module = nullptr;

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

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** object)
{
    return ClassFactory::serve(clsid, kMediaSourceClsid, &MediaSource::create, iid, object);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return liveObjects.load() == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer()
{
    return registerMediaSource();
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    return unregisterMediaSource();
}
