#pragma once

#include "softcam/win/VideoFormat.h"
#include "video/BgrFit.h"

#include <optional>
#include <thread>

namespace softcam {

class CaptureFilter;

// The filter's output pin. It connects in any format VideoFormat describes, asks the
// downstream pin for its allocator, and while the graph is active pushes one sample per frame
// period from its own thread: the newest camera frame, scaled into the negotiated size keeping
// its shape (black bars, never stretched) when the graph negotiated another size, or black while
// no camera lives or it has sent nothing yet. Reference counting is the
// filter's.
class CapturePin final : public IPin, public IAMStreamConfig, public IKsPropertySet {
public:
    explicit CapturePin(CaptureFilter& filter);
    ~CapturePin();

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IPin
    HRESULT STDMETHODCALLTYPE Connect(IPin* receiver, const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector,
                                                const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE Disconnect() override;
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** pin) override;
    HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* info) override;
    HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* direction) override;
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) override;
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** types) override;
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin** pins, ULONG* count) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop,
                                         double rate) override;
    // IAMStreamConfig
    HRESULT STDMETHODCALLTYPE SetFormat(AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE GetFormat(AM_MEDIA_TYPE** type) override;
    HRESULT STDMETHODCALLTYPE GetNumberOfCapabilities(int* count, int* size) override;
    HRESULT STDMETHODCALLTYPE GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE* caps) override;
    // IKsPropertySet: answers the pin category (capture), nothing else.
    HRESULT STDMETHODCALLTYPE Set(REFGUID set, DWORD id, LPVOID instance, DWORD instanceBytes,
                                  LPVOID data, DWORD dataBytes) override;
    HRESULT STDMETHODCALLTYPE Get(REFGUID set, DWORD id, LPVOID instance, DWORD instanceBytes,
                                  LPVOID data, DWORD dataBytes, DWORD* returned) override;
    HRESULT STDMETHODCALLTYPE QuerySupported(REFGUID set, DWORD id, DWORD* support) override;

    // The filter calls these outside its lock when it leaves and returns to the stopped state.
    HRESULT startStreaming();
    void stopStreaming();

    static constexpr const wchar_t* kName = L"Capture";

private:
    std::vector<VideoFormat> offeredLocked() const;
    HRESULT tryConnection(IPin* receiver, const AM_MEDIA_TYPE& type);
    HRESULT decideAllocator(IMemInputPin* input, const VideoFormat& format);
    void releaseConnection();
    void stream(HANDLE stop);

    CaptureFilter& filter;
    // Under the filter's lock; fixed while the graph is active, so the thread reads them freely.
    IPin* connected = nullptr;          // owned
    IMemInputPin* input = nullptr;      // owned
    IMemAllocator* allocator = nullptr; // owned
    AM_MEDIA_TYPE mediaType{};
    VideoFormat format;
    std::optional<VideoFormat> requested; // IAMStreamConfig::SetFormat's choice

    // The streaming thread and what it alone touches.
    std::thread thread;
    HANDLE stopEvent = nullptr;
    std::vector<unsigned char> scaled;
    BgrFit fitter;
};

} // namespace softcam
