#include "system/DynamicLibrary.h"

#include <windows.h>

DynamicLibrary::~DynamicLibrary()
{
    unload();
}

namespace {

std::wstring widen(const std::string& text)
{
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(length > 0 ? std::size_t(length) : 1, L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), length);
    return wide;
}

} // namespace

bool DynamicLibrary::loadBesideProgram(const std::string& fileName)
{
    unload();
    // The program's own path, cut after its last backslash.
    wchar_t program[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
    const std::wstring path(program, length > 0 && length < MAX_PATH ? length : 0);
    const std::size_t slash = path.find_last_of(L'\\');
    if (slash != std::wstring::npos)
        handle = LoadLibraryW((path.substr(0, slash + 1) + widen(fileName).c_str()).c_str());
    if (!handle)
        return load(fileName);
    error.clear();
    return true;
}

bool DynamicLibrary::load(const std::string& path)
{
    unload();
    handle = LoadLibraryW(widen(path).c_str());
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
