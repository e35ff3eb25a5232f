#pragma once

#include "softcam/win/CameraSection.h"
#include "softcam/win/Module.h"
#include "softcam/win/mf/MediaFoundationExtras.h"

#include <atomic>
#include <mutex>
#include <vector>

namespace softcam {

class MediaSource;

// The camera's one video stream: NV12 of the camera's size at 30 frames a second. Each
// RequestSample becomes a work item on a serial work queue of the stream's own (one that comes
// before the next picture is due waits for a scheduled item), which reads
// the newest frame from the camera's sections, converts it and sends it; a frame that has not
// changed is sent again, so a reader gets the stream's rate whatever the phone's. When the
// camera it started on goes away (Vidlet stops it, or dies) or takes another size, the stream
// ends: Vidlet makes a new virtual camera for a new one.
class MediaStream final : public mfextras::IMediaStream2, public IMFAsyncCallback {
public:
    MediaStream(MediaSource* source, IMFStreamDescriptor* descriptor, int width, int height);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetEvent(DWORD flags, IMFMediaEvent** event) override;
    HRESULT STDMETHODCALLTYPE BeginGetEvent(IMFAsyncCallback* callback, IUnknown* state) override;
    HRESULT STDMETHODCALLTYPE EndGetEvent(IMFAsyncResult* result, IMFMediaEvent** event) override;
    HRESULT STDMETHODCALLTYPE QueueEvent(MediaEventType type, REFGUID extendedType, HRESULT status,
                                         const PROPVARIANT* value) override;

    HRESULT STDMETHODCALLTYPE GetMediaSource(IMFMediaSource** source) override;
    HRESULT STDMETHODCALLTYPE GetStreamDescriptor(IMFStreamDescriptor** descriptor) override;
    HRESULT STDMETHODCALLTYPE RequestSample(IUnknown* token) override;

    HRESULT STDMETHODCALLTYPE SetStreamState(MF_STREAM_STATE value) override;
    HRESULT STDMETHODCALLTYPE GetStreamState(MF_STREAM_STATE* value) override;

    // The work queue's side.
    HRESULT STDMETHODCALLTYPE GetParameters(DWORD* flags, DWORD* queue) override;
    HRESULT STDMETHODCALLTYPE Invoke(IMFAsyncResult* result) override;

    // The source's side, under the source's lock. start() opens the camera's sections and the
    // work queue the first time.
    HRESULT start();
    HRESULT pause();
    HRESULT stop();
    void shutdown();

private:
    ~MediaStream();
    HRESULT checkAlive() const; // under the lock
    // Under the lock: the state and its event.
    HRESULT enterState(MF_STREAM_STATE next);
    // Under the lock: one sample for the oldest request, or the end of the stream.
    void deliver();
    // Under the lock: deliver() once more after `wait` (100 ns units), unless already due to.
    void wakeIn(LONGLONG wait);
    void endStream();
    HRESULT sendSample(IUnknown* token);

    ModuleReference moduleReference;
    std::atomic<ULONG> references{1};
    IMFMediaEventQueue* events = nullptr; // made once, shut down by shutdown()
    IMFStreamDescriptor* const descriptor;
    const int width;
    const int height;

    std::mutex mutex;    // guards everything below
    MediaSource* source; // held until shutdown; null after it
    MF_STREAM_STATE state = MF_STREAM_STATE_STOPPED;
    bool ended = false;
    bool shut = false;
    std::atomic<DWORD> queue{0};    // 0 until the first start; read unlocked by GetParameters
    IMFAsyncResult* wake = nullptr; // the scheduled item, while one is pending
    MFWORKITEM_KEY wakeKey = 0;
    std::vector<IUnknown*> requests; // tokens (may be null) of the requests not yet served
    CameraSubscriber camera;
    bool everAttached = false;
    std::vector<unsigned char> bgr;
    std::vector<unsigned char> nv12; // the last picture sent, black before the first
    LONGLONG nextDue = 0;            // MFGetSystemTime of the next sample
};

} // namespace softcam
