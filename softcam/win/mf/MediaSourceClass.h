#pragma once

#include <windows.h>

namespace softcam {

// {1CEE0E55-073D-4610-87A8-E8B0B8C727A1}: the camera's Media Foundation source, which the
// Frame Server creates for Vidlet's virtual camera.
inline constexpr CLSID kMediaSourceClsid = {
    0x1cee0e55, 0x073d, 0x4610, {0x87, 0xa8, 0xe8, 0xb0, 0xb8, 0xc7, 0x27, 0xa1}};
inline constexpr const wchar_t* kMediaSourceClsidText = L"{1CEE0E55-073D-4610-87A8-E8B0B8C727A1}";

} // namespace softcam
