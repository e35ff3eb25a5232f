#include "softcam/win/mf/SourceFactory.h"

#include "softcam/win/mf/MediaSource.h"

namespace softcam {

HRESULT SourceFactory::QueryInterface(REFIID iid, void** object)
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

ULONG SourceFactory::AddRef()
{
    return ++references;
}

ULONG SourceFactory::Release()
{
    const ULONG left = --references;
    if (left == 0)
        delete this;
    return left;
}

HRESULT SourceFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    return MediaSource::create(iid, object);
}

HRESULT SourceFactory::LockServer(BOOL lock)
{
    if (lock)
        ++liveObjects;
    else
        --liveObjects;
    return S_OK;
}

} // namespace softcam
