#include "softcam/win/CaptureFilter.h"

#include "softcam/win/ListEnumerator.h"

#include <cwchar>
#include <new>

namespace softcam {
namespace {

IPin* handOutPin(IPin* const& pin)
{
    pin->AddRef();
    return pin;
}

using PinEnumerator = ListEnumerator<IEnumPins, IID_IEnumPins, IPin*, IPin*, handOutPin>;

} // namespace

HRESULT CaptureFilter::create(REFIID iid, void** object)
{
    auto* filter = new (std::nothrow) CaptureFilter;
    if (!filter)
        return E_OUTOFMEMORY;
    const HRESULT result = filter->QueryInterface(iid, object);
    filter->Release();
    return result;
}

CaptureFilter::CaptureFilter()
    : pin(*this)
{
}

CaptureFilter::~CaptureFilter()
{
    pin.stopStreaming();
    if (clock)
        clock->Release();
}

HRESULT CaptureFilter::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IPersist || iid == IID_IMediaFilter
        || iid == IID_IBaseFilter)
        *object = static_cast<IBaseFilter*>(this);
    else if (iid == IID_IAMFilterMiscFlags)
        *object = static_cast<IAMFilterMiscFlags*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG CaptureFilter::AddRef()
{
    return ++references;
}

ULONG CaptureFilter::Release()
{
    const ULONG left = --references;
    if (left == 0)
        delete this;
    return left;
}

HRESULT CaptureFilter::GetClassID(CLSID* clsid)
{
    if (!clsid)
        return E_POINTER;
    *clsid = kCameraClsid;
    return S_OK;
}

HRESULT CaptureFilter::Stop()
{
    FILTER_STATE before;
    {
        std::lock_guard<std::recursive_mutex> guard(mutex);
        before = state;
        state = State_Stopped;
    }
    // Outside the lock: the streaming thread takes it on every frame.
    if (before != State_Stopped)
        pin.stopStreaming();
    return S_OK;
}

HRESULT CaptureFilter::Pause()
{
    return leaveStopped(State_Paused, 0);
}

HRESULT CaptureFilter::Run(REFERENCE_TIME start)
{
    return leaveStopped(State_Running, start);
}

HRESULT CaptureFilter::leaveStopped(FILTER_STATE next, REFERENCE_TIME start)
{
    FILTER_STATE before;
    {
        std::lock_guard<std::recursive_mutex> guard(mutex);
        before = state;
        state = next;
        if (next == State_Running)
            startTime = start;
    }
    // The pin streams from the first pause on; outside the lock, as in Stop().
    if (before == State_Stopped) {
        const HRESULT result = pin.startStreaming();
        if (FAILED(result)) {
            std::lock_guard<std::recursive_mutex> guard(mutex);
            state = State_Stopped;
            return result;
        }
    }
    return S_OK;
}

HRESULT CaptureFilter::GetState(DWORD, FILTER_STATE* current)
{
    if (!current)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> guard(mutex);
    *current = state;
    // A live source has nothing to show while paused.
    return state == State_Paused ? VFW_S_CANT_CUE : S_OK;
}

HRESULT CaptureFilter::SetSyncSource(IReferenceClock* newClock)
{
    std::lock_guard<std::recursive_mutex> guard(mutex);
    if (newClock)
        newClock->AddRef();
    if (clock)
        clock->Release();
    clock = newClock;
    return S_OK;
}

HRESULT CaptureFilter::GetSyncSource(IReferenceClock** current)
{
    if (!current)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> guard(mutex);
    *current = clock;
    if (clock)
        clock->AddRef();
    return S_OK;
}

bool CaptureFilter::runningClock(IReferenceClock** current, REFERENCE_TIME* start)
{
    std::lock_guard<std::recursive_mutex> guard(mutex);
    if (state != State_Running)
        return false;
    *current = clock;
    if (clock)
        clock->AddRef();
    *start = startTime;
    return true;
}

HRESULT CaptureFilter::EnumPins(IEnumPins** pins)
{
    if (!pins)
        return E_POINTER;
    *pins = new (std::nothrow)
        PinEnumerator({static_cast<IPin*>(&pin)}, static_cast<IBaseFilter*>(this));
    return *pins ? S_OK : E_OUTOFMEMORY;
}

HRESULT CaptureFilter::FindPin(LPCWSTR id, IPin** found)
{
    if (!id || !found)
        return E_POINTER;
    if (std::wcscmp(id, CapturePin::kName) != 0) {
        *found = nullptr;
        return VFW_E_NOT_FOUND;
    }
    *found = &pin;
    pin.AddRef();
    return S_OK;
}

HRESULT CaptureFilter::QueryFilterInfo(FILTER_INFO* info)
{
    if (!info)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> guard(mutex);
    std::wcscpy(info->achName, name);
    info->pGraph = graph;
    if (graph)
        graph->AddRef();
    return S_OK;
}

HRESULT CaptureFilter::JoinFilterGraph(IFilterGraph* newGraph, LPCWSTR newName)
{
    std::lock_guard<std::recursive_mutex> guard(mutex);
    graph = newGraph;
    name[0] = L'\0';
    if (newName)
        std::wcsncat(name, newName, MAX_FILTER_NAME - 1);
    return S_OK;
}

HRESULT CaptureFilter::QueryVendorInfo(LPWSTR*)
{
    return E_NOTIMPL;
}

ULONG CaptureFilter::GetMiscFlags()
{
    return AM_FILTER_MISC_FLAGS_IS_SOURCE;
}

} // namespace softcam
