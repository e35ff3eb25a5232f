#pragma once

#include "softcam/win/Module.h"
#include "softcam/win/mf/MediaFoundationExtras.h"

#include <atomic>
#include <mutex>

namespace softcam {

class MediaStream;

// The camera as a Media Foundation source, created by the Frame Server for Vidlet's virtual
// camera (and by anyone through DllGetClassObject). The Frame Server also creates it while it
// discovers sensor groups, only to read its streams and types, so the constructor opens
// nothing and starts nothing: the camera's size is read when the presentation descriptor is
// first asked for, its sections are opened at Start. A live source of one stream; its
// attribute stores are handed out by reference, as the Frame Server writes into them.
class MediaSource final : public IMFMediaSourceEx, public mfextras::IKsControlUser {
public:
    static HRESULT create(REFIID iid, void** object);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetEvent(DWORD flags, IMFMediaEvent** event) override;
    HRESULT STDMETHODCALLTYPE BeginGetEvent(IMFAsyncCallback* callback, IUnknown* state) override;
    HRESULT STDMETHODCALLTYPE EndGetEvent(IMFAsyncResult* result, IMFMediaEvent** event) override;
    HRESULT STDMETHODCALLTYPE QueueEvent(MediaEventType type, REFGUID extendedType, HRESULT status,
                                         const PROPVARIANT* value) override;

    HRESULT STDMETHODCALLTYPE GetCharacteristics(DWORD* characteristics) override;
    HRESULT STDMETHODCALLTYPE
    CreatePresentationDescriptor(IMFPresentationDescriptor** descriptor) override;
    HRESULT STDMETHODCALLTYPE Start(IMFPresentationDescriptor* descriptor, const GUID* timeFormat,
                                    const PROPVARIANT* startPosition) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Shutdown() override;

    HRESULT STDMETHODCALLTYPE GetSourceAttributes(IMFAttributes** attributes) override;
    HRESULT STDMETHODCALLTYPE GetStreamAttributes(DWORD stream,
                                                  IMFAttributes** attributes) override;
    HRESULT STDMETHODCALLTYPE SetD3DManager(IUnknown* manager) override;

    // The camera has no KS properties, methods or events; the Frame Server asks for the
    // interface all the same.
    HRESULT STDMETHODCALLTYPE KsProperty(void*, ULONG, void*, ULONG, ULONG*) override;
    HRESULT STDMETHODCALLTYPE KsMethod(void*, ULONG, void*, ULONG, ULONG*) override;
    HRESULT STDMETHODCALLTYPE KsEvent(void*, ULONG, void*, ULONG, ULONG*) override;

    // From the stream, on its work queue: it ended, so the presentation has.
    void streamEnded();

private:
    MediaSource() = default;
    ~MediaSource();
    HRESULT initialise();
    HRESULT checkAlive() const; // under the lock
    HRESULT makeDescriptor();   // under the lock

    ModuleReference moduleReference;
    std::atomic<ULONG> references{1};
    IMFMediaEventQueue* events = nullptr;      // made once, shut down by Shutdown
    IMFAttributes* sourceAttributes = nullptr; // made once
    IMFAttributes* streamAttributes = nullptr; // made once

    std::mutex mutex; // guards everything below
    bool shut = false;
    bool started = false; // between Start and Stop
    IMFPresentationDescriptor* presentation = nullptr;
    int width = 0;
    int height = 0;
    MediaStream* stream = nullptr; // from the first Start on
    bool mfStarted = false;
};

} // namespace softcam
