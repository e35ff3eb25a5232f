#pragma once

#include "softcam/win/Module.h"

#include <unknwn.h>

#include <atomic>

namespace softcam {

// Makes the camera's capture filter for DllGetClassObject. Locking it keeps the DLL loaded.
class ClassFactory final : public IClassFactory {
public:
    ClassFactory() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    ~ClassFactory() = default;

    ModuleReference moduleReference;
    std::atomic<ULONG> references{1};
};

} // namespace softcam
