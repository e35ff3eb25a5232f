#include "system/DynamicLibrary.h"

#include <windows.h>

DynamicLibrary::~DynamicLibrary()
{
    unload();
}

bool DynamicLibrary::load(const std::string& path)
{
    unload();
    const int length = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
    std::wstring wide(length > 0 ? std::size_t(length) : 1, L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide.data(), length);
    handle = LoadLibraryW(wide.c_str());
    if (!handle) {
        error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    error.clear();
    return true;
}

void DynamicLibrary::unload()
{
    if (handle)
        FreeLibrary(static_cast<HMODULE>(handle));
    handle = nullptr;
}

void* DynamicLibrary::symbol(const char* name) const
{
    return handle ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name))
                  : nullptr;
}
