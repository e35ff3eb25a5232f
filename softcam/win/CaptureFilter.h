#pragma once

#include "softcam/win/CapturePin.h"
#include "softcam/win/Module.h"

#include <atomic>
#include <mutex>

namespace softcam {

// The camera as a DirectShow video capture source: one output pin, "Capture", that pushes the
// Vidlet process's frames into a program's graph. A live source: it produces nothing while
// paused and reports that it cannot cue. The pin shares this object's reference count.
class CaptureFilter final : public IBaseFilter, public IAMFilterMiscFlags {
public:
    static HRESULT create(REFIID iid, void** object);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IPersist
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
    // IMediaFilter
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD timeout, FILTER_STATE* state) override;
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) override;
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) override;
    // IBaseFilter
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** pins) override;
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) override;
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* info) override;
    // IAMFilterMiscFlags
    ULONG STDMETHODCALLTYPE GetMiscFlags() override;

    // For the pin. Guards the state, the clock, the graph and the pin's connection. Recursive:
    // while the pin connects under it, the other pin may call back into this one.
    std::recursive_mutex& lock() { return mutex; }
    FILTER_STATE stateLocked() const { return state; }
    IFilterGraph* graphLocked() const { return graph; }
    // While running: true, with the clock (a reference the caller releases, or null) and the
    // stream's start time.
    bool runningClock(IReferenceClock** clock, REFERENCE_TIME* start);

private:
    CaptureFilter();
    ~CaptureFilter();
    // Pause and Run: to `next`, starting the pin's stream when coming from Stopped.
    HRESULT leaveStopped(FILTER_STATE next, REFERENCE_TIME start);

    ModuleReference moduleReference;
    std::atomic<ULONG> references{1};
    std::recursive_mutex mutex;
    FILTER_STATE state = State_Stopped;
    REFERENCE_TIME startTime = 0;
    IReferenceClock* clock = nullptr; // owned
    IFilterGraph* graph = nullptr;    // not owned: the graph owns its filters
    wchar_t name[MAX_FILTER_NAME] = {};
    CapturePin pin;
};

} // namespace softcam
