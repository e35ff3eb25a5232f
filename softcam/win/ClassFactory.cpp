#include "softcam/win/ClassFactory.h"

#include <new>

namespace softcam {

HRESULT ClassFactory::serve(REFCLSID asked, REFCLSID served, Create create, REFIID iid,
                            void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (asked != served)
        return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new (std::nothrow) ClassFactory(create);
    if (!factory)
        return E_OUTOFMEMORY;
    const HRESULT result = factory->QueryInterface(iid, object);
    factory->Release();
    return result;
}

HRESULT ClassFactory::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

ULONG ClassFactory::AddRef()
{
    return ++references;
}

ULONG ClassFactory::Release()
{
    const ULONG left = --references;
    if (left == 0)
        delete this;
    return left;
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    return create(iid, object);
}

HRESULT ClassFactory::LockServer(BOOL lock)
{
    if (lock)
        ++liveObjects;
    else
        --liveObjects;
    return S_OK;
}

} // namespace softcam
