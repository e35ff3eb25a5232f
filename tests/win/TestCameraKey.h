#pragma once

// The registry key whose presence under HKEY_CLASSES_ROOT (64-bit view) means the camera is
// registered.
namespace TestCameraKey {
constexpr wchar_t clsid[] = L"{276143AA-B755-440E-834A-93CDEBCA334B}";
constexpr wchar_t inprocServer[] = L"CLSID\\{276143AA-B755-440E-834A-93CDEBCA334B}\\InprocServer32";
} // namespace TestCameraKey
