#include "softcam/win/CapturePin.h"

#include "softcam/win/CameraSection.h"
#include "softcam/win/CaptureFilter.h"
#include "softcam/win/ListEnumerator.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <new>

namespace softcam {
namespace {

// Offered while no camera lives: the program's own size before its first stream.
constexpr int kIdleWidth = 1280;
constexpr int kIdleHeight = 720;
constexpr float kIdleFps = 30.0f;

AM_MEDIA_TYPE* handOutType(const VideoFormat& format)
{
    return newMediaType(format);
}

using TypeEnumerator =
    ListEnumerator<IEnumMediaTypes, IID_IEnumMediaTypes, AM_MEDIA_TYPE*, VideoFormat, handOutType>;

// A partial type from Connect (GUID_NULL where the caller does not care) admits `type`.
bool admits(const AM_MEDIA_TYPE* partial, const AM_MEDIA_TYPE& type)
{
    return !partial
        || ((partial->majortype == GUID_NULL || partial->majortype == type.majortype)
            && (partial->subtype == GUID_NULL || partial->subtype == type.subtype)
            && (partial->formattype == GUID_NULL || partial->formattype == type.formattype));
}

bool fullySpecified(const AM_MEDIA_TYPE* type)
{
    return type && type->majortype != GUID_NULL && type->subtype != GUID_NULL
        && type->formattype != GUID_NULL && type->pbFormat;
}

} // namespace

CapturePin::CapturePin(CaptureFilter& filter)
    : filter(filter)
{
}

CapturePin::~CapturePin()
{
    stopStreaming();
    releaseConnection();
}

HRESULT CapturePin::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IPin)
        *object = static_cast<IPin*>(this);
    else if (iid == IID_IAMStreamConfig)
        *object = static_cast<IAMStreamConfig*>(this);
    else if (iid == IID_IKsPropertySet)
        *object = static_cast<IKsPropertySet*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG CapturePin::AddRef()
{
    return filter.AddRef();
}

ULONG CapturePin::Release()
{
    return filter.Release();
}

std::vector<VideoFormat> CapturePin::offeredLocked() const
{
    int width = kIdleWidth;
    int height = kIdleHeight;
    float fps = kIdleFps;
    CameraSubscriber::peekLiveCamera(width, height, fps);
    std::vector<VideoFormat> formats = VideoFormat::offered(width, height, fps);
    if (requested) {
        formats.erase(std::remove(formats.begin(), formats.end(), *requested), formats.end());
        formats.insert(formats.begin(), *requested);
    }
    return formats;
}

HRESULT CapturePin::Connect(IPin* receiver, const AM_MEDIA_TYPE* type)
{
    if (!receiver)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> guard(filter.lock());
    if (connected)
        return VFW_E_ALREADY_CONNECTED;
    if (filter.stateLocked() != State_Stopped)
        return VFW_E_NOT_STOPPED;
    if (fullySpecified(type))
        return tryConnection(receiver, *type);

    // Ours first, in order of preference, then whatever the receiver proposes that we can make.
    for (const VideoFormat& offer : offeredLocked()) {
        AM_MEDIA_TYPE candidate;
        if (!offer.toMediaType(candidate))
            return E_OUTOFMEMORY;
        const HRESULT result =
            admits(type, candidate) ? tryConnection(receiver, candidate) : E_FAIL;
        freeMediaType(candidate);
        if (SUCCEEDED(result))
            return result;
    }
    IEnumMediaTypes* theirs = nullptr;
    if (SUCCEEDED(receiver->EnumMediaTypes(&theirs)) && theirs) {
        AM_MEDIA_TYPE* candidate = nullptr;
        HRESULT result = E_FAIL;
        while (FAILED(result) && theirs->Next(1, &candidate, nullptr) == S_OK && candidate) {
            if (admits(type, *candidate))
                result = tryConnection(receiver, *candidate);
            deleteMediaType(candidate);
        }
        theirs->Release();
        if (SUCCEEDED(result))
            return result;
    }
    return VFW_E_NO_ACCEPTABLE_TYPES;
}

HRESULT CapturePin::tryConnection(IPin* receiver, const AM_MEDIA_TYPE& type)
{
    VideoFormat candidate;
    if (!VideoFormat::fromMediaType(type, candidate))
        return VFW_E_TYPE_NOT_ACCEPTED;
    // Connected before the receiver is asked, so that it may ask this pin about the connection.
    if (!copyMediaType(mediaType, type))
        return E_OUTOFMEMORY;
    connected = receiver;
    connected->AddRef();
    format = candidate;
    HRESULT result = receiver->ReceiveConnection(this, &type);
    if (FAILED(result)) {
        releaseConnection();
        return result;
    }
    result = receiver->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input));
    if (SUCCEEDED(result))
        result = decideAllocator(input, candidate);
    if (FAILED(result)) {
        receiver->Disconnect();
        releaseConnection();
    }
    return result;
}

HRESULT CapturePin::decideAllocator(IMemInputPin* receiverInput, const VideoFormat& chosen)
{
    ALLOCATOR_PROPERTIES wanted{};
    receiverInput->GetAllocatorRequirements(&wanted);
    wanted.cBuffers = std::max<long>(wanted.cBuffers, 2);
    wanted.cbBuffer = std::max<long>(wanted.cbBuffer, long(chosen.imageBytes()));
    wanted.cbAlign = std::max<long>(wanted.cbAlign, 1);

    // The receiver's allocator first, then the platform's standard one.
    for (int attempt = 0; attempt < 2; ++attempt) {
        IMemAllocator* candidate = nullptr;
        const HRESULT made = attempt == 0
            ? receiverInput->GetAllocator(&candidate)
            : CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IMemAllocator, reinterpret_cast<void**>(&candidate));
        if (FAILED(made) || !candidate)
            continue;
        ALLOCATOR_PROPERTIES actual{};
        if (SUCCEEDED(candidate->SetProperties(&wanted, &actual))
            && actual.cbBuffer >= long(chosen.imageBytes()) && actual.cBuffers >= 1
            && SUCCEEDED(receiverInput->NotifyAllocator(candidate, FALSE))) {
            allocator = candidate;
            return S_OK;
        }
        candidate->Release();
    }
    return VFW_E_NO_ALLOCATOR;
}

HRESULT CapturePin::ReceiveConnection(IPin*, const AM_MEDIA_TYPE*)
{
    return E_UNEXPECTED; // an output pin
}

HRESULT CapturePin::Disconnect()
{
    std::lock_guard<std::recursive_mutex> guard(filter.lock());
    if (filter.stateLocked() != State_Stopped)
        return VFW_E_NOT_STOPPED;
    if (!connected)
        return S_FALSE;
    releaseConnection();
    return S_OK;
}

void CapturePin::releaseConnection()
{
    if (allocator)
        allocator->Release();
    if (input)
        input->Release();
    if (connected)
        connected->Release();
    allocator = nullptr;
    input = nullptr;
    connected = nullptr;
    freeMediaType(mediaType);
    mediaType = AM_MEDIA_TYPE{};
}

HRESULT CapturePin::ConnectedTo(IPin** pin)
{
    if (!pin)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> guard(filter.lock());
    *pin = connected;
    if (!connected)
        return VFW_E_NOT_CONNECTED;
    connected->AddRef();
    return S_OK;
}

HRESULT CapturePin::ConnectionMediaType(AM_MEDIA_TYPE* type)
{
    if (!type)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> guard(filter.lock());
    if (!connected) {
        *type = AM_MEDIA_TYPE{};
        return VFW_E_NOT_CONNECTED;
    }
    return copyMediaType(*type, mediaType) ? S_OK : E_OUTOFMEMORY;
}

HRESULT CapturePin::QueryPinInfo(PIN_INFO* info)
{
    if (!info)
        return E_POINTER;
    info->pFilter = &filter;
    filter.AddRef();
    info->dir = PINDIR_OUTPUT;
    info->achName[0] = L'\0';
    std::wcsncat(info->achName, kName, MAX_PIN_NAME - 1);
    return S_OK;
}

HRESULT CapturePin::QueryDirection(PIN_DIRECTION* direction)
{
    if (!direction)
        return E_POINTER;
    *direction = PINDIR_OUTPUT;
    return S_OK;
}

HRESULT CapturePin::QueryId(LPWSTR* id)
{
    if (!id)
        return E_POINTER;
    const std::size_t bytes = (std::wcslen(kName) + 1) * sizeof(wchar_t);
    *id = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (!*id)
        return E_OUTOFMEMORY;
    std::memcpy(*id, kName, bytes);
    return S_OK;
}

HRESULT CapturePin::QueryAccept(const AM_MEDIA_TYPE* type)
{
    VideoFormat ignored;
    return type && VideoFormat::fromMediaType(*type, ignored) ? S_OK : S_FALSE;
}

HRESULT CapturePin::EnumMediaTypes(IEnumMediaTypes** types)
{
    if (!types)
        return E_POINTER;
    std::vector<VideoFormat> formats;
    {
        std::lock_guard<std::recursive_mutex> guard(filter.lock());
        formats = offeredLocked();
    }
    *types = new (std::nothrow) TypeEnumerator(std::move(formats), static_cast<IPin*>(this));
    return *types ? S_OK : E_OUTOFMEMORY;
}

HRESULT CapturePin::QueryInternalConnections(IPin**, ULONG*)
{
    return E_NOTIMPL;
}

HRESULT CapturePin::EndOfStream()
{
    return E_UNEXPECTED;
}

HRESULT CapturePin::BeginFlush()
{
    return E_UNEXPECTED;
}

HRESULT CapturePin::EndFlush()
{
    return E_UNEXPECTED;
}

HRESULT CapturePin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double)
{
    return S_OK;
}

} // namespace softcam
