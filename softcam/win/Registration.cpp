#include "softcam/win/Registration.h"

#include "softcam/win/Module.h"

#define STRSAFE_NO_DEPRECATE
#include <dshow.h>

#include <string>

namespace softcam {
namespace {

// The key programs read to decide whether the camera is registered.
std::wstring classKey()
{
    wchar_t clsid[40] = {};
    StringFromGUID2(kCameraClsid, clsid, 40);
    return std::wstring(L"CLSID\\") + clsid;
}

LSTATUS setString(HKEY key, const wchar_t* name, const std::wstring& value)
{
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          DWORD((value.size() + 1) * sizeof(wchar_t)));
}

HRESULT writeClassKeys()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return E_FAIL;
    const std::wstring key = classKey() + L"\\InprocServer32";
    HKEY server = nullptr;
    LSTATUS status = RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0,
                                     KEY_WRITE | KEY_WOW64_64KEY, nullptr, &server, nullptr);
    if (status == ERROR_SUCCESS) {
        status = setString(server, nullptr, path);
        if (status == ERROR_SUCCESS)
            status = setString(server, L"ThreadingModel", L"Both");
        RegCloseKey(server);
    }
    HKEY named = nullptr;
    if (status == ERROR_SUCCESS)
        status = RegOpenKeyExW(HKEY_CLASSES_ROOT, classKey().c_str(), 0,
                               KEY_WRITE | KEY_WOW64_64KEY, &named);
    if (status == ERROR_SUCCESS) {
        status = setString(named, nullptr, kCameraName);
        RegCloseKey(named);
    }
    return HRESULT_FROM_WIN32(status);
}

HRESULT removeClassKeys()
{
    const LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, classKey().c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? S_OK
                                                                     : HRESULT_FROM_WIN32(status);
}

// Runs `work` with a filter mapper, with COM started on this thread for the while.
template <typename Work> HRESULT withFilterMapper(Work work)
{
    const HRESULT started = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IFilterMapper2* mapper = nullptr;
    HRESULT result = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IFilterMapper2, reinterpret_cast<void**>(&mapper));
    if (SUCCEEDED(result)) {
        result = work(mapper);
        mapper->Release();
    }
    if (SUCCEEDED(started))
        CoUninitialize();
    return result;
}

} // namespace

HRESULT registerCamera()
{
    HRESULT result = writeClassKeys();
    if (FAILED(result))
        return result;
    result = withFilterMapper([](IFilterMapper2* mapper) {
        REGPINTYPES type = {&MEDIATYPE_Video, &MEDIASUBTYPE_NULL};
        REGFILTERPINS2 pin{};
        pin.cInstances = 1;
        pin.nMediaTypes = 1;
        pin.lpMediaType = &type;
        pin.clsPinCategory = &PIN_CATEGORY_CAPTURE;
        pin.dwFlags = REG_PINFLAG_B_OUTPUT;
        REGFILTER2 filter{};
        filter.dwVersion = 2;
        filter.dwMerit = MERIT_DO_NOT_USE;
        filter.cPins2 = 1;
        filter.rgPins2 = &pin;
        return mapper->RegisterFilter(kCameraClsid, kCameraName, nullptr,
                                      &CLSID_VideoInputDeviceCategory, nullptr, &filter);
    });
    if (FAILED(result))
        removeClassKeys();
    return result;
}

HRESULT unregisterCamera()
{
    const HRESULT category = withFilterMapper([](IFilterMapper2* mapper) {
        const HRESULT result =
            mapper->UnregisterFilter(&CLSID_VideoInputDeviceCategory, nullptr, kCameraClsid);
        // Not registered in the category is what unregistering wants.
        return result == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ? S_OK : result;
    });
    const HRESULT keys = removeClassKeys();
    return FAILED(category) ? category : keys;
}

} // namespace softcam
