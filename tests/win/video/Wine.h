#pragma once

#include <windows.h>

// Wine's ntdll exports wine_get_version; Windows' does not. Tests use it to tell a documented
// shortcoming of Wine from a fault of ours.
inline bool runningUnderWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}
