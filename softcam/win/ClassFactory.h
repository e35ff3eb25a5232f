#pragma once

#include "softcam/win/Module.h"

#include <unknwn.h>

#include <atomic>

namespace softcam {

// Makes a DLL's one class for DllGetClassObject: the camera's capture filter, or its media
// source. Locking it keeps the DLL loaded.
class ClassFactory final : public IClassFactory {
public:
    // Makes the object and asks it for `iid`.
    using Create = HRESULT (*)(REFIID iid, void** object);

    explicit ClassFactory(Create create)
        : create(create)
    {
    }

    // DllGetClassObject's answer for a DLL that serves the one class `served`.
    static HRESULT serve(REFCLSID asked, REFCLSID served, Create create, REFIID iid, void** object);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    ~ClassFactory() = default;

    const Create create;
    ModuleReference moduleReference;
    std::atomic<ULONG> references{1};
};

} // namespace softcam
