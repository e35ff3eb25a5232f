#pragma once

#include <windows.h>

namespace softcam {

// The media source's COM class, machine-wide under HKLM\SOFTWARE\Classes\CLSID (its
// InprocServer32 naming this DLL, free threaded or apartment), where the Frame Server's
// account finds it too. Unregistering succeeds when the keys are already gone.
HRESULT registerMediaSource();
HRESULT unregisterMediaSource();

} // namespace softcam
