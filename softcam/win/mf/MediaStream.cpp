#include "softcam/win/mf/MediaStream.h"

#include "softcam/BgrToI420.h"
#include "softcam/win/mf/MediaSource.h"

#include <mferror.h>

#include <algorithm>
#include <cstring>

namespace softcam {
namespace {

constexpr LONGLONG kPeriod = 10'000'000 / 30; // 100 ns units

} // namespace

MediaStream::MediaStream(MediaSource* source, IMFStreamDescriptor* descriptor, int width,
                         int height)
    : descriptor(descriptor),
      width(width),
      height(height),
      source(source),
      nv12(i420Bytes(width, height), 128)
{
    // Black: limited-range luma 16, neutral chroma.
    std::memset(nv12.data(), 16, std::size_t(width) * height);
    descriptor->AddRef();
    source->AddRef();
    MFCreateEventQueue(&events);
}

MediaStream::~MediaStream()
{
    for (IUnknown* token : requests)
        if (token)
            token->Release();
    if (source)
        source->Release();
    if (events)
        events->Release();
    descriptor->Release();
}

HRESULT MediaStream::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IMFMediaEventGenerator || iid == IID_IMFMediaStream
        || iid == mfextras::iidMediaStream2)
        *object = static_cast<mfextras::IMediaStream2*>(this);
    else if (iid == IID_IMFAsyncCallback)
        *object = static_cast<IMFAsyncCallback*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG MediaStream::AddRef()
{
    return ++references;
}

ULONG MediaStream::Release()
{
    const ULONG left = --references;
    if (left == 0)
        delete this;
    return left;
}

HRESULT MediaStream::checkAlive() const
{
    return shut || !events ? MF_E_SHUTDOWN : S_OK;
}

// As the source's: the event queue answers MF_E_SHUTDOWN by itself once shut down.
HRESULT MediaStream::GetEvent(DWORD flags, IMFMediaEvent** event)
{
    return events ? events->GetEvent(flags, event) : MF_E_SHUTDOWN;
}

HRESULT MediaStream::BeginGetEvent(IMFAsyncCallback* callback, IUnknown* state)
{
    return events ? events->BeginGetEvent(callback, state) : MF_E_SHUTDOWN;
}

HRESULT MediaStream::EndGetEvent(IMFAsyncResult* result, IMFMediaEvent** event)
{
    return events ? events->EndGetEvent(result, event) : MF_E_SHUTDOWN;
}

HRESULT MediaStream::QueueEvent(MediaEventType type, REFGUID extendedType, HRESULT status,
                                const PROPVARIANT* value)
{
    return events ? events->QueueEventParamVar(type, extendedType, status, value) : MF_E_SHUTDOWN;
}

HRESULT MediaStream::GetMediaSource(IMFMediaSource** mediaSource)
{
    if (!mediaSource)
        return E_POINTER;
    std::lock_guard<std::mutex> lock(mutex);
    const HRESULT alive = checkAlive();
    if (FAILED(alive))
        return alive;
    *mediaSource = source;
    source->AddRef();
    return S_OK;
}

HRESULT MediaStream::GetStreamDescriptor(IMFStreamDescriptor** streamDescriptor)
{
    if (!streamDescriptor)
        return E_POINTER;
    std::lock_guard<std::mutex> lock(mutex);
    const HRESULT alive = checkAlive();
    if (FAILED(alive))
        return alive;
    *streamDescriptor = descriptor;
    descriptor->AddRef();
    return S_OK;
}

HRESULT MediaStream::RequestSample(IUnknown* token)
{
    std::lock_guard<std::mutex> lock(mutex);
    const HRESULT alive = checkAlive();
    if (FAILED(alive))
        return alive;
    if (ended)
        return MF_E_END_OF_STREAM;
    if (state == MF_STREAM_STATE_STOPPED)
        return MF_E_MEDIA_SOURCE_WRONGSTATE;
    if (token)
        token->AddRef();
    requests.push_back(token);
    // While paused, requests wait for the next start.
    return state == MF_STREAM_STATE_RUNNING
        ? MFPutWorkItem2(queue, 0, static_cast<IMFAsyncCallback*>(this), nullptr)
        : S_OK;
}

HRESULT MediaStream::SetStreamState(MF_STREAM_STATE value)
{
    std::lock_guard<std::mutex> lock(mutex);
    const HRESULT alive = checkAlive();
    if (FAILED(alive))
        return alive;
    if (value != MF_STREAM_STATE_STOPPED && value != MF_STREAM_STATE_PAUSED
        && value != MF_STREAM_STATE_RUNNING)
        return E_INVALIDARG;
    return value == state ? S_OK : enterState(value);
}

HRESULT MediaStream::GetStreamState(MF_STREAM_STATE* value)
{
    if (!value)
        return E_POINTER;
    std::lock_guard<std::mutex> lock(mutex);
    const HRESULT alive = checkAlive();
    if (SUCCEEDED(alive))
        *value = state;
    return alive;
}

HRESULT MediaStream::start()
{
    std::lock_guard<std::mutex> lock(mutex);
    const HRESULT alive = checkAlive();
    return FAILED(alive) ? alive : enterState(MF_STREAM_STATE_RUNNING);
}

HRESULT MediaStream::pause()
{
    std::lock_guard<std::mutex> lock(mutex);
    const HRESULT alive = checkAlive();
    return FAILED(alive) ? alive : enterState(MF_STREAM_STATE_PAUSED);
}

HRESULT MediaStream::stop()
{
    std::lock_guard<std::mutex> lock(mutex);
    const HRESULT alive = checkAlive();
    return FAILED(alive) ? alive : enterState(MF_STREAM_STATE_STOPPED);
}

HRESULT MediaStream::enterState(MF_STREAM_STATE next)
{
    if (next == MF_STREAM_STATE_RUNNING) {
        if (queue == 0) {
            DWORD made = 0;
            const HRESULT allocated =
                MFAllocateSerialWorkQueue(MFASYNC_CALLBACK_QUEUE_MULTITHREADED, &made);
            if (FAILED(allocated))
                return allocated;
            queue = made;
        }
        // Counted among the camera's readers, so Vidlet keeps the camera's size for us.
        camera.setRunning(true);
        nextDue = MFGetSystemTime();
        state = next;
        PROPVARIANT time;
        PropVariantInit(&time);
        time.vt = VT_I8;
        time.hVal.QuadPart = nextDue;
        const HRESULT queued = events->QueueEventParamVar(MEStreamStarted, GUID_NULL, S_OK, &time);
        for (std::size_t i = 0; i < requests.size(); ++i)
            MFPutWorkItem2(queue, 0, static_cast<IMFAsyncCallback*>(this), nullptr);
        return queued;
    }
    if (next == MF_STREAM_STATE_STOPPED) {
        for (IUnknown* token : requests)
            if (token)
                token->Release();
        requests.clear();
        camera.setRunning(false);
    }
    state = next;
    return events->QueueEventParamVar(next == MF_STREAM_STATE_PAUSED ? MEStreamPaused
                                                                     : MEStreamStopped,
                                      GUID_NULL, S_OK, nullptr);
}

void MediaStream::shutdown()
{
    MediaSource* owner = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (shut)
            return;
        shut = true;
        state = MF_STREAM_STATE_STOPPED;
        for (IUnknown* token : requests)
            if (token)
                token->Release();
        requests.clear();
        camera.setRunning(false);
        events->Shutdown();
        if (wake) {
            MFCancelWorkItem(wakeKey);
            wake->Release();
            wake = nullptr;
        }
        if (queue != 0)
            MFUnlockWorkQueue(queue);
        queue = 0;
        owner = source;
        source = nullptr;
    }
    // The stream held its source; the cycle ends here.
    if (owner)
        owner->Release();
}

// A scheduled item runs on the stream's own queue too. Not under the lock: Media Foundation
// may ask while the stream schedules.
HRESULT MediaStream::GetParameters(DWORD* flags, DWORD* workQueue)
{
    if (!flags || !workQueue)
        return E_POINTER;
    *flags = 0;
    *workQueue = queue.load();
    return S_OK;
}

HRESULT MediaStream::Invoke(IMFAsyncResult* result)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (result && result == wake) {
        wake->Release();
        wake = nullptr;
    }
    deliver();
    return S_OK;
}

void MediaStream::deliver()
{
    if (shut || ended || state != MF_STREAM_STATE_RUNNING || requests.empty())
        return;
    // Requests are served at the stream's rate: one that comes early waits for a scheduled
    // item, so no thread of the work queue is held meanwhile.
    const LONGLONG now = MFGetSystemTime();
    if (now < nextDue) {
        wakeIn(nextDue - now);
        return;
    }
    nextDue = std::max(nextDue + kPeriod, now - kPeriod);

    int frameWidth = 0;
    int frameHeight = 0;
    bool live = false;
    const bool fresh = camera.readNewFrame(bgr, frameWidth, frameHeight, live);
    if (camera.attached())
        everAttached = true;
    else if (everAttached) {
        endStream(); // the camera stopped, or Vidlet is gone
        return;
    }
    if (fresh) {
        if (i420Side(frameWidth) != width || i420Side(frameHeight) != height) {
            endStream(); // a camera of another size gets a virtual camera of its own
            return;
        }
        bgrToNv12(bgr.data(), frameWidth, frameHeight, nv12.data());
    }
    camera.beat();
    IUnknown* token = requests.front();
    requests.erase(requests.begin());
    sendSample(token);
    if (token)
        token->Release();
    // The items put for the requests still waiting may all have come early.
    if (!requests.empty())
        wakeIn(nextDue - MFGetSystemTime());
}

void MediaStream::wakeIn(LONGLONG wait)
{
    if (wake || FAILED(MFCreateAsyncResult(nullptr, this, nullptr, &wake)))
        return;
    // Whole milliseconds, at least one; negative: from now.
    const INT64 ms = std::max<LONGLONG>(wait / 10'000, 1);
    if (FAILED(MFScheduleWorkItemEx(wake, -ms, &wakeKey))) {
        wake->Release();
        wake = nullptr;
    }
}

HRESULT MediaStream::sendSample(IUnknown* token)
{
    IMFMediaBuffer* buffer = nullptr;
    IMFSample* sample = nullptr;
    HRESULT result = MFCreateMemoryBuffer(DWORD(nv12.size()), &buffer);
    BYTE* data = nullptr;
    if (SUCCEEDED(result))
        result = buffer->Lock(&data, nullptr, nullptr);
    if (SUCCEEDED(result)) {
        std::memcpy(data, nv12.data(), nv12.size());
        buffer->Unlock();
        result = buffer->SetCurrentLength(DWORD(nv12.size()));
    }
    if (SUCCEEDED(result))
        result = MFCreateSample(&sample);
    if (SUCCEEDED(result))
        result = sample->AddBuffer(buffer);
    // Stamped with the system clock when it leaves, as a capture device does.
    if (SUCCEEDED(result))
        result = sample->SetSampleTime(MFGetSystemTime());
    if (SUCCEEDED(result))
        result = sample->SetSampleDuration(kPeriod);
    if (SUCCEEDED(result) && token)
        result = sample->SetUnknown(MFSampleExtension_Token, token);
    if (SUCCEEDED(result))
        result = events->QueueEventParamUnk(MEMediaSample, GUID_NULL, S_OK, sample);
    if (sample)
        sample->Release();
    if (buffer)
        buffer->Release();
    return result;
}

void MediaStream::endStream()
{
    ended = true;
    for (IUnknown* token : requests)
        if (token)
            token->Release();
    requests.clear();
    camera.setRunning(false);
    events->QueueEventParamVar(MEEndOfStream, GUID_NULL, S_OK, nullptr);
    if (source)
        source->streamEnded();
}

} // namespace softcam
