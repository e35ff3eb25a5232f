#include "softcam/win/mf/MediaSource.h"

#include "softcam/BgrToI420.h"
#include "softcam/win/CameraSection.h"
#include "softcam/win/mf/MediaStream.h"

#include <mferror.h>

#include <new>

namespace softcam {
namespace {

// The size offered while no camera lives, as when the Frame Server discovers sensor groups.
constexpr int kDefaultWidth = 1280;
constexpr int kDefaultHeight = 720;
constexpr UINT32 kFps = 30;

template <typename T> void release(T*& object)
{
    if (object)
        object->Release();
    object = nullptr;
}

HRESULT makeVideoType(int width, int height, IMFMediaType** type)
{
    IMFMediaType* made = nullptr;
    HRESULT result = MFCreateMediaType(&made);
    const UINT32 stride = UINT32(width);
    if (SUCCEEDED(result))
        result = made->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
    if (SUCCEEDED(result))
        result = made->SetGUID(MF_MT_SUBTYPE, MFVideoFormat_NV12);
    if (SUCCEEDED(result))
        result = MFSetAttributeSize(made, MF_MT_FRAME_SIZE, UINT32(width), UINT32(height));
    if (SUCCEEDED(result))
        result = MFSetAttributeRatio(made, MF_MT_FRAME_RATE, kFps, 1);
    if (SUCCEEDED(result))
        result = MFSetAttributeRatio(made, MF_MT_PIXEL_ASPECT_RATIO, 1, 1);
    if (SUCCEEDED(result))
        result = made->SetUINT32(MF_MT_INTERLACE_MODE, MFVideoInterlace_Progressive);
    if (SUCCEEDED(result))
        result = made->SetUINT32(MF_MT_ALL_SAMPLES_INDEPENDENT, TRUE);
    if (SUCCEEDED(result))
        result = made->SetUINT32(MF_MT_FIXED_SIZE_SAMPLES, TRUE);
    if (SUCCEEDED(result))
        result = made->SetUINT32(MF_MT_DEFAULT_STRIDE, stride);
    if (SUCCEEDED(result))
        result = made->SetUINT32(MF_MT_SAMPLE_SIZE, UINT32(i420Bytes(width, height)));
    if (SUCCEEDED(result))
        *type = made;
    else
        release(made);
    return result;
}

} // namespace

HRESULT MediaSource::create(REFIID iid, void** object)
{
    auto* source = new (std::nothrow) MediaSource;
    if (!source)
        return E_OUTOFMEMORY;
    HRESULT result = source->initialise();
    if (SUCCEEDED(result))
        result = source->QueryInterface(iid, object);
    source->Release();
    return result;
}

// Cheap: three small objects in memory, nothing opened, no thread.
HRESULT MediaSource::initialise()
{
    HRESULT result = MFCreateEventQueue(&events);
    if (SUCCEEDED(result))
        result = MFCreateAttributes(&sourceAttributes, 1);
    if (SUCCEEDED(result))
        result = MFCreateAttributes(&streamAttributes, 4);
    if (SUCCEEDED(result))
        result = streamAttributes->SetGUID(mfextras::deviceStreamCategory,
                                           mfextras::pinNameVideoCapture);
    if (SUCCEEDED(result))
        result = streamAttributes->SetUINT32(mfextras::deviceStreamId, 0);
    // Every program that opens the camera gets the same frames through the Frame Server.
    if (SUCCEEDED(result))
        result = streamAttributes->SetUINT32(mfextras::deviceStreamFrameServerShared, 1);
    if (SUCCEEDED(result))
        result = streamAttributes->SetUINT32(mfextras::deviceStreamFrameSourceTypes,
                                             mfextras::frameSourceTypeColor);
    return result;
}

MediaSource::~MediaSource()
{
    release(stream);
    release(presentation);
    release(streamAttributes);
    release(sourceAttributes);
    release(events);
    if (mfStarted)
        MFShutdown();
}

HRESULT MediaSource::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IMFMediaEventGenerator || iid == IID_IMFMediaSource
        || iid == IID_IMFMediaSourceEx)
        *object = static_cast<IMFMediaSourceEx*>(this);
    else if (iid == mfextras::iidKsControl)
        *object = static_cast<mfextras::IKsControlUser*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG MediaSource::AddRef()
{
    return ++references;
}

ULONG MediaSource::Release()
{
    const ULONG left = --references;
    if (left == 0)
        delete this;
    return left;
}

HRESULT MediaSource::checkAlive() const
{
    return shut ? MF_E_SHUTDOWN : S_OK;
}

// The event queue answers MF_E_SHUTDOWN by itself once Shutdown has shut it down, and it
// locks for itself: a blocking GetEvent must not hold up Start or Stop.
HRESULT MediaSource::GetEvent(DWORD flags, IMFMediaEvent** event)
{
    return events->GetEvent(flags, event);
}

HRESULT MediaSource::BeginGetEvent(IMFAsyncCallback* callback, IUnknown* state)
{
    return events->BeginGetEvent(callback, state);
}

HRESULT MediaSource::EndGetEvent(IMFAsyncResult* result, IMFMediaEvent** event)
{
    return events->EndGetEvent(result, event);
}

HRESULT MediaSource::QueueEvent(MediaEventType type, REFGUID extendedType, HRESULT status,
                                const PROPVARIANT* value)
{
    return events->QueueEventParamVar(type, extendedType, status, value);
}

HRESULT MediaSource::GetCharacteristics(DWORD* characteristics)
{
    if (!characteristics)
        return E_POINTER;
    std::lock_guard<std::mutex> lock(mutex);
    const HRESULT alive = checkAlive();
    if (SUCCEEDED(alive))
        *characteristics = MFMEDIASOURCE_IS_LIVE;
    return alive;
}

HRESULT MediaSource::makeDescriptor()
{
    if (presentation)
        return S_OK;
    float fps = 0;
    if (!CameraSubscriber::peekLiveCamera(width, height, fps)) {
        width = kDefaultWidth;
        height = kDefaultHeight;
    }
    // NV12 has even sides; the conversion repeats an odd side's edge.
    width = i420Side(width);
    height = i420Side(height);
    IMFMediaType* type = nullptr;
    IMFStreamDescriptor* streamDescriptor = nullptr;
    IMFMediaTypeHandler* handler = nullptr;
    HRESULT result = makeVideoType(width, height, &type);
    if (SUCCEEDED(result))
        result = MFCreateStreamDescriptor(0, 1, &type, &streamDescriptor);
    if (SUCCEEDED(result))
        result = streamDescriptor->GetMediaTypeHandler(&handler);
    if (SUCCEEDED(result))
        result = handler->SetCurrentMediaType(type);
    // The stream descriptor carries the stream's attributes too.
    if (SUCCEEDED(result))
        result = streamAttributes->CopyAllItems(streamDescriptor);
    if (SUCCEEDED(result))
        result = MFCreatePresentationDescriptor(1, &streamDescriptor, &presentation);
    if (SUCCEEDED(result))
        result = presentation->SelectStream(0);
    if (FAILED(result))
        release(presentation);
    release(handler);
    release(streamDescriptor);
    release(type);
    return result;
}

HRESULT MediaSource::CreatePresentationDescriptor(IMFPresentationDescriptor** descriptor)
{
    if (!descriptor)
        return E_POINTER;
    std::lock_guard<std::mutex> lock(mutex);
    HRESULT result = checkAlive();
    if (SUCCEEDED(result))
        result = makeDescriptor();
    return SUCCEEDED(result) ? presentation->Clone(descriptor) : result;
}

HRESULT MediaSource::Start(IMFPresentationDescriptor* descriptor, const GUID* timeFormat,
                           const PROPVARIANT* startPosition)
{
    if (!descriptor || !startPosition)
        return E_INVALIDARG;
    if (timeFormat && *timeFormat != GUID_NULL)
        return MF_E_UNSUPPORTED_TIME_FORMAT;
    std::lock_guard<std::mutex> lock(mutex);
    HRESULT result = checkAlive();
    if (SUCCEEDED(result))
        result = makeDescriptor();
    if (FAILED(result))
        return result;
    BOOL selected = FALSE;
    IMFStreamDescriptor* chosen = nullptr;
    result = descriptor->GetStreamDescriptorByIndex(0, &selected, &chosen);
    if (FAILED(result))
        return result;
    DWORD id = 1;
    chosen->GetStreamIdentifier(&id);
    if (id != 0 || !selected) {
        chosen->Release();
        return MF_E_INVALIDREQUEST;
    }
    if (!mfStarted)
        mfStarted = SUCCEEDED(MFStartup(MF_VERSION, MFSTARTUP_LITE));
    const bool fresh = stream == nullptr;
    if (fresh) {
        stream = new (std::nothrow) MediaStream(this, chosen, width, height);
        if (!stream) {
            chosen->Release();
            return E_OUTOFMEMORY;
        }
    }
    chosen->Release();
    // The stream is announced before it says it started.
    PROPVARIANT value;
    PropVariantInit(&value);
    value.vt = VT_UNKNOWN;
    value.punkVal = static_cast<IMFMediaStream*>(stream);
    result =
        events->QueueEventParamVar(fresh ? MENewStream : MEUpdatedStream, GUID_NULL, S_OK, &value);
    if (SUCCEEDED(result))
        result = stream->start();
    if (FAILED(result))
        return result;
    // A live source starts now, whatever position it was asked for.
    PROPVARIANT time;
    PropVariantInit(&time);
    time.vt = VT_I8;
    time.hVal.QuadPart = MFGetSystemTime();
    started = true;
    return events->QueueEventParamVar(MESourceStarted, GUID_NULL, S_OK, &time);
}

HRESULT MediaSource::Stop()
{
    std::lock_guard<std::mutex> lock(mutex);
    HRESULT result = checkAlive();
    if (FAILED(result))
        return result;
    if (stream) {
        result = stream->stop();
        if (FAILED(result))
            return result;
    }
    started = false;
    return events->QueueEventParamVar(MESourceStopped, GUID_NULL, S_OK, nullptr);
}

HRESULT MediaSource::Pause()
{
    std::lock_guard<std::mutex> lock(mutex);
    HRESULT result = checkAlive();
    if (FAILED(result))
        return result;
    if (!started || !stream)
        return MF_E_INVALID_STATE_TRANSITION;
    result = stream->pause();
    return SUCCEEDED(result) ? events->QueueEventParamVar(MESourcePaused, GUID_NULL, S_OK, nullptr)
                             : result;
}

HRESULT MediaSource::Shutdown()
{
    MediaStream* ending = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (shut)
            return MF_E_SHUTDOWN;
        shut = true;
        started = false;
        ending = stream;
        stream = nullptr;
        events->Shutdown();
    }
    // Outside the lock: the stream's work item may be calling streamEnded().
    if (ending) {
        ending->shutdown();
        ending->Release();
    }
    return S_OK;
}

HRESULT MediaSource::GetSourceAttributes(IMFAttributes** attributes)
{
    if (!attributes)
        return E_POINTER;
    std::lock_guard<std::mutex> lock(mutex);
    const HRESULT alive = checkAlive();
    if (FAILED(alive))
        return alive;
    *attributes = sourceAttributes;
    sourceAttributes->AddRef();
    return S_OK;
}

HRESULT MediaSource::GetStreamAttributes(DWORD streamId, IMFAttributes** attributes)
{
    if (!attributes)
        return E_POINTER;
    std::lock_guard<std::mutex> lock(mutex);
    const HRESULT alive = checkAlive();
    if (FAILED(alive))
        return alive;
    if (streamId != 0)
        return MF_E_INVALIDSTREAMNUMBER;
    *attributes = streamAttributes;
    streamAttributes->AddRef();
    return S_OK;
}

HRESULT MediaSource::SetD3DManager(IUnknown*)
{
    return E_NOTIMPL; // frames are made in system memory
}

HRESULT MediaSource::KsProperty(void*, ULONG, void*, ULONG, ULONG*)
{
    return HRESULT_FROM_WIN32(ERROR_SET_NOT_FOUND);
}

HRESULT MediaSource::KsMethod(void*, ULONG, void*, ULONG, ULONG*)
{
    return HRESULT_FROM_WIN32(ERROR_SET_NOT_FOUND);
}

HRESULT MediaSource::KsEvent(void*, ULONG, void*, ULONG, ULONG*)
{
    return HRESULT_FROM_WIN32(ERROR_SET_NOT_FOUND);
}

void MediaSource::streamEnded()
{
    // The queue is thread-safe and outlives Shutdown (which only shuts it), so no lock.
    events->QueueEventParamVar(MEEndOfPresentation, GUID_NULL, S_OK, nullptr);
}

} // namespace softcam
