#include "softcam/win/mf/SourceRegistration.h"

#include "softcam/win/Module.h"
#include "softcam/win/mf/MediaSourceClass.h"

#include <string>

namespace softcam {
namespace {

const std::wstring kClassKey = std::wstring(L"SOFTWARE\\Classes\\CLSID\\") + kMediaSourceClsidText;

LSTATUS setString(HKEY key, const wchar_t* name, const std::wstring& value)
{
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          DWORD((value.size() + 1) * sizeof(wchar_t)));
}

LSTATUS writeKey(const std::wstring& path, const wchar_t* name, const std::wstring& value)
{
    HKEY key = nullptr;
    LSTATUS status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                                     KEY_WRITE | KEY_WOW64_64KEY, nullptr, &key, nullptr);
    if (status == ERROR_SUCCESS) {
        status = setString(key, name, value);
        RegCloseKey(key);
    }
    return status;
}

} // namespace

HRESULT registerMediaSource()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return E_FAIL;
    const std::wstring server = kClassKey + L"\\InprocServer32";
    LSTATUS status =
        writeKey(kClassKey, nullptr, std::wstring(kCameraName) + L" (Media Foundation)");
    if (status == ERROR_SUCCESS)
        status = writeKey(server, nullptr, path);
    if (status == ERROR_SUCCESS)
        status = writeKey(server, L"ThreadingModel", L"Both");
    if (status != ERROR_SUCCESS)
        unregisterMediaSource();
    return HRESULT_FROM_WIN32(status);
}

HRESULT unregisterMediaSource()
{
    HKEY classes = nullptr;
    LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\CLSID", 0,
                                   KEY_ALL_ACCESS | KEY_WOW64_64KEY, &classes);
    if (status == ERROR_SUCCESS) {
        status = RegDeleteTreeW(classes, kMediaSourceClsidText);
        RegCloseKey(classes);
    }
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? S_OK
                                                                     : HRESULT_FROM_WIN32(status);
}

} // namespace softcam
