// The pin's answers to programs that configure a camera before they connect it:
// IAMStreamConfig (the formats, and the one a program chooses) and IKsPropertySet (the category).
#include "softcam/win/CapturePin.h"

#include "softcam/win/CaptureFilter.h"

#include <cstring>

namespace softcam {

HRESULT CapturePin::SetFormat(AM_MEDIA_TYPE* type)
{
    VideoFormat chosen;
    if (type && !VideoFormat::fromMediaType(*type, chosen))
        return VFW_E_INVALIDMEDIATYPE;
    IFilterGraph* graph = nullptr;
    {
        std::lock_guard<std::recursive_mutex> guard(filter.lock());
        if (filter.stateLocked() != State_Stopped)
            return VFW_E_NOT_STOPPED;
        if (type)
            requested = chosen;
        else
            requested.reset();
        if (!connected || (type && chosen == format))
            return S_OK;
        if (connected->QueryAccept(type) != S_OK)
            return VFW_E_INVALIDMEDIATYPE;
        graph = filter.graphLocked();
        if (graph)
            graph->AddRef();
    }
    // The graph reconnects the pin, which then offers the requested format first.
    const HRESULT result = graph ? graph->Reconnect(this) : VFW_E_NOT_IN_GRAPH;
    if (graph)
        graph->Release();
    return result;
}

HRESULT CapturePin::GetFormat(AM_MEDIA_TYPE** type)
{
    if (!type)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> guard(filter.lock());
    if (connected) {
        *type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
        if (*type && !copyMediaType(**type, mediaType)) {
            CoTaskMemFree(*type);
            *type = nullptr;
        }
    } else {
        *type = newMediaType(offeredLocked().front());
    }
    return *type ? S_OK : E_OUTOFMEMORY;
}

HRESULT CapturePin::GetNumberOfCapabilities(int* count, int* size)
{
    if (!count || !size)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> guard(filter.lock());
    *count = int(offeredLocked().size());
    *size = sizeof(VIDEO_STREAM_CONFIG_CAPS);
    return S_OK;
}

HRESULT CapturePin::GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE* capsBytes)
{
    if (!type || !capsBytes)
        return E_POINTER;
    std::vector<VideoFormat> formats;
    {
        std::lock_guard<std::recursive_mutex> guard(filter.lock());
        formats = offeredLocked();
    }
    if (index < 0 || std::size_t(index) >= formats.size())
        return S_FALSE;
    const VideoFormat& offer = formats[std::size_t(index)];
    *type = newMediaType(offer);
    if (!*type)
        return E_OUTOFMEMORY;
    VIDEO_STREAM_CONFIG_CAPS caps{};
    caps.guid = FORMAT_VideoInfo;
    caps.InputSize = {offer.width, offer.height};
    caps.MinCroppingSize = caps.MaxCroppingSize = caps.InputSize;
    caps.CropGranularityX = caps.CropGranularityY = 1;
    caps.CropAlignX = caps.CropAlignY = 1;
    caps.MinOutputSize = caps.MaxOutputSize = caps.InputSize;
    caps.OutputGranularityX = caps.OutputGranularityY = 1;
    caps.MinFrameInterval = caps.MaxFrameInterval = offer.frameTime;
    caps.MinBitsPerSecond = caps.MaxBitsPerSecond =
        LONG(offer.imageBytes() * 8 * (10000000 / offer.frameTime));
    std::memcpy(capsBytes, &caps, sizeof caps);
    return S_OK;
}

HRESULT CapturePin::Set(REFGUID, DWORD, LPVOID, DWORD, LPVOID, DWORD)
{
    return E_NOTIMPL;
}

HRESULT CapturePin::Get(REFGUID set, DWORD id, LPVOID, DWORD, LPVOID data, DWORD dataBytes,
                        DWORD* returned)
{
    if (set != AMPROPSETID_Pin)
        return E_PROP_SET_UNSUPPORTED;
    if (id != AMPROPERTY_PIN_CATEGORY)
        return E_PROP_ID_UNSUPPORTED;
    if (!data && !returned)
        return E_POINTER;
    if (returned)
        *returned = sizeof(GUID);
    if (!data)
        return S_OK;
    if (dataBytes < sizeof(GUID))
        return E_UNEXPECTED;
    *static_cast<GUID*>(data) = PIN_CATEGORY_CAPTURE;
    return S_OK;
}

HRESULT CapturePin::QuerySupported(REFGUID set, DWORD id, DWORD* support)
{
    if (set != AMPROPSETID_Pin)
        return E_PROP_SET_UNSUPPORTED;
    if (id != AMPROPERTY_PIN_CATEGORY)
        return E_PROP_ID_UNSUPPORTED;
    if (support)
        *support = KSPROPERTY_SUPPORT_GET;
    return S_OK;
}

} // namespace softcam
