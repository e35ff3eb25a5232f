#pragma once

#include "system/Product.h"

#include <windows.h>

#include <atomic>

namespace softcam {

// {276143AA-B755-440E-834A-93CDEBCA334B}: the class programs create the camera's filter by.
inline constexpr CLSID kCameraClsid = {
    0x276143aa, 0xb755, 0x440e, {0x83, 0x4a, 0x93, 0xcd, 0xeb, 0xca, 0x33, 0x4b}};
inline constexpr const wchar_t* kCameraName = Product::cameraNameWide;

// The DLL may unload once no object it made is alive and no class factory is locked.
extern std::atomic<long> liveObjects;
extern HMODULE module;

// Counts one live object for as long as it exists.
struct ModuleReference {
    ModuleReference() { ++liveObjects; }
    ~ModuleReference() { --liveObjects; }
    ModuleReference(const ModuleReference&) = delete;
    ModuleReference& operator=(const ModuleReference&) = delete;
};

} // namespace softcam
