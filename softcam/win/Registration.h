#pragma once

#include <windows.h>

namespace softcam {

// Makes the camera known machine-wide: the COM class under HKEY_CLASSES_ROOT\CLSID (its
// InprocServer32 naming this DLL) and the filter in the video input device category, where
// every DirectShow program looks for cameras. Unregistering removes both and succeeds when
// they are already gone.
HRESULT registerCamera();
HRESULT unregisterCamera();

} // namespace softcam
