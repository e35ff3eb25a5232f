#pragma once

#include "softcam/win/Module.h"

#include <unknwn.h>

#include <atomic>

namespace softcam {

// Makes the camera's media source for DllGetClassObject. Locking it keeps the DLL loaded.
class SourceFactory final : public IClassFactory {
public:
    SourceFactory() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    ~SourceFactory() = default;

    ModuleReference moduleReference;
    std::atomic<ULONG> references{1};
};

} // namespace softcam
