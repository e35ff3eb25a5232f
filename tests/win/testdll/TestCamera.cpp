#include "tests/win/TestCameraKey.h"

#include <windows.h>

// What the camera's registration must do and undo, as the real component does it: the class's
// InprocServer32 key in the 64-bit view, naming this file.

namespace {

HMODULE self = nullptr;

}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        self = instance;
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer()
{
#ifdef TEST_CAMERA_FAILS
    return E_FAIL;
#else
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(self, path, MAX_PATH);
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, TestCameraKey::inprocServer, 0, nullptr, 0,
                        KEY_WRITE | KEY_WOW64_64KEY, nullptr, &key, nullptr)
        != ERROR_SUCCESS)
        return E_UNEXPECTED;
    const LSTATUS status =
        RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                       DWORD((wcslen(path) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? S_OK : E_UNEXPECTED;
#endif
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()
{
#ifdef TEST_CAMERA_FAILS
    return E_FAIL;
#else
    HKEY classes = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID", 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, &classes)
        != ERROR_SUCCESS)
        return S_OK;
    RegDeleteTreeW(classes, TestCameraKey::clsid);
    RegCloseKey(classes);
    return S_OK;
#endif
}
