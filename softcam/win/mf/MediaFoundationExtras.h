#pragma once

// What the camera's media source uses from Media Foundation that MinGW-w64's headers lack
// (IMFMediaStream2, the device stream attributes and the user-mode IKsControl), declared from
// Microsoft's documentation. The identifiers are the documented ones.
#include <mfapi.h>
#include <mfidl.h>

namespace mfextras {

// {C5BC37D6-75C7-46A1-A132-81B5F723C20F}
inline constexpr IID iidMediaStream2 = {
    0xc5bc37d6, 0x75c7, 0x46a1, {0xa1, 0x32, 0x81, 0xb5, 0xf7, 0x23, 0xc2, 0x0f}};

// IMFMediaStream2: a stream the Frame Server turns on and off by itself.
struct IMediaStream2 : public IMFMediaStream {
    virtual HRESULT STDMETHODCALLTYPE SetStreamState(MF_STREAM_STATE value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStreamState(MF_STREAM_STATE* value) = 0;
};

// {28F54685-06FD-11D2-B27A-00A0C9223196}
inline constexpr IID iidKsControl = {
    0x28f54685, 0x06fd, 0x11d2, {0xb2, 0x7a, 0x00, 0xa0, 0xc9, 0x22, 0x31, 0x96}};

// IKsControl as ksproxy.h declares it for user mode (ks.h's variant returns NTSTATUS). The
// property, method and event headers are passed through untouched, so they stay void here.
struct IKsControlUser : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE KsProperty(void* property, ULONG propertyLength, void* data,
                                                 ULONG dataLength, ULONG* bytesReturned) = 0;
    virtual HRESULT STDMETHODCALLTYPE KsMethod(void* method, ULONG methodLength, void* data,
                                               ULONG dataLength, ULONG* bytesReturned) = 0;
    virtual HRESULT STDMETHODCALLTYPE KsEvent(void* event, ULONG eventLength, void* data,
                                              ULONG dataLength, ULONG* bytesReturned) = 0;
};

// Stream attributes the Frame Server reads to publish a stream.
// MF_DEVICESTREAM_STREAM_CATEGORY {2939E7B8-A62E-4579-B674-D4073DFABBBA}: a KS pin category.
inline constexpr GUID deviceStreamCategory = {
    0x2939e7b8, 0xa62e, 0x4579, {0xb6, 0x74, 0xd4, 0x07, 0x3d, 0xfa, 0xbb, 0xba}};
// MF_DEVICESTREAM_STREAM_ID {11BD5120-D124-446B-88E6-17060257FFF9}: UINT32.
inline constexpr GUID deviceStreamId = {
    0x11bd5120, 0xd124, 0x446b, {0x88, 0xe6, 0x17, 0x06, 0x02, 0x57, 0xff, 0xf9}};
// MF_DEVICESTREAM_FRAMESERVER_SHARED {1CB378E9-B279-41D4-AF97-34A243E68320}: UINT32, 1 when
// several programs may read the stream at once.
inline constexpr GUID deviceStreamFrameServerShared = {
    0x1cb378e9, 0xb279, 0x41d4, {0xaf, 0x97, 0x34, 0xa2, 0x43, 0xe6, 0x83, 0x20}};
// MF_DEVICESTREAM_ATTRIBUTE_FRAMESOURCE_TYPES {17145FD1-1B2B-423C-8001-2B6833ED3588}: UINT32
// of MFFrameSourceTypes.
inline constexpr GUID deviceStreamFrameSourceTypes = {
    0x17145fd1, 0x1b2b, 0x423c, {0x80, 0x01, 0x2b, 0x68, 0x33, 0xed, 0x35, 0x88}};
inline constexpr UINT32 frameSourceTypeColor = 0x0001; // MFFrameSourceTypes_Color
// PINNAME_VIDEO_CAPTURE {FB6C4281-0353-11D1-905F-0000C0CC16BA}
inline constexpr GUID pinNameVideoCapture = {
    0xfb6c4281, 0x0353, 0x11d1, {0x90, 0x5f, 0x00, 0x00, 0xc0, 0xcc, 0x16, 0xba}};

} // namespace mfextras
