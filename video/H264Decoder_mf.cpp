#include "video/H264Decoder.h"

#include "video/FrameLimits.h"
#include "video/H264Sps.h"
#include "video/YuvToBgr.h"

#include <mfapi.h>
#include <mfidl.h>
#include <mferror.h>
#include <mftransform.h>
#include <codecapi.h>
#include <wmcodecdsp.h>

#include <cstring>
#include <vector>

namespace {

using FrameLimits::maxSide;
// One frame at 30 frames per second, in the 100 ns units of sample times.
constexpr LONGLONG frameDuration = 333333;

void releaseCom(IUnknown* object)
{
    if (object)
        object->Release();
}

} // namespace

struct H264Decoder::Impl {
    IMFTransform* transform = nullptr; // owned: one reference
    int width = 0;                     // the visible picture, as handed to the callback
    int height = 0;
    // The decoder's own picture, padded to whole macroblocks, whose rows `stride` apart hold
    // the visible picture at the top left.
    int codedWidth = 0;
    int codedHeight = 0;
    int stride = 0;
    int outputBufferSize = 0;
    bool transformProvidesSamples = false;
    bool platformStarted = false;
    H264Sps sps; // the size the stream itself last declared
    std::vector<unsigned char> bgr;
    // Bumped whenever the transform goes away, so that a loop whose callback reset or
    // restarted the decoder stops instead of touching a released transform.
    unsigned generation = 0;

    ~Impl()
    {
        release();
        if (platformStarted)
            MFShutdown();
    }

    void release()
    {
        if (!transform)
            return;
        transform->ProcessMessage(MFT_MESSAGE_NOTIFY_END_OF_STREAM, 0);
        transform->ProcessMessage(MFT_MESSAGE_COMMAND_FLUSH, 0);
        transform->Release();
        transform = nullptr;
        stride = 0;
        outputBufferSize = 0;
        transformProvidesSamples = false;
        ++generation;
    }

    bool configureOutput();
    void chooseVisibleSize(IMFMediaType* type);
    // False when the callback ended this decoder's stream.
    bool drainOutput(const FrameCallback& callback, const FrameTarget& target,
                     const PictureWanted& wanted);
    void convertToBgr(IMFSample* sample, const FrameCallback& callback, const FrameTarget& target,
                      const PictureWanted& wanted);
};

bool H264Decoder::Impl::configureOutput()
{
    IMFMediaType* chosen = nullptr;
    for (DWORD index = 0; !chosen; ++index) {
        IMFMediaType* type = nullptr;
        if (FAILED(transform->GetOutputAvailableType(0, index, &type)) || !type)
            return false;
        GUID subtype{};
        if (SUCCEEDED(type->GetGUID(MF_MT_SUBTYPE, &subtype)) && subtype == MFVideoFormat_NV12)
            chosen = type;
        else
            type->Release();
    }
    const HRESULT set = transform->SetOutputType(0, chosen, 0);
    UINT64 size = 0;
    if (SUCCEEDED(chosen->GetUINT64(MF_MT_FRAME_SIZE, &size)) && (size >> 32) != 0
        && (size & 0xFFFFFFFFu) != 0) {
        codedWidth = int(size >> 32);
        codedHeight = int(size & 0xFFFFFFFFu);
    }
    chooseVisibleSize(chosen);
    UINT32 defaultStride = 0;
    stride =
        SUCCEEDED(chosen->GetUINT32(MF_MT_DEFAULT_STRIDE, &defaultStride)) && defaultStride != 0
        ? int(defaultStride)
        : codedWidth;
    chosen->Release();
    if (FAILED(set))
        return false;

    MFT_OUTPUT_STREAM_INFO info{};
    if (FAILED(transform->GetOutputStreamInfo(0, &info)))
        return false;
    transformProvidesSamples =
        (info.dwFlags
         & (MFT_OUTPUT_STREAM_PROVIDES_SAMPLES | MFT_OUTPUT_STREAM_CAN_PROVIDE_SAMPLES))
        != 0;
    outputBufferSize = info.cbSize != 0 ? int(info.cbSize) : stride * codedHeight * 3 / 2;
    return true;
}

// The decoder reports its padded picture (1088 rows for 1080); the visible part is the display
// aperture where the decoder gives one, else the size the stream's SPS declares when that fits.
void H264Decoder::Impl::chooseVisibleSize(IMFMediaType* type)
{
    MFVideoArea aperture{};
    UINT32 bytes = 0;
    if (SUCCEEDED(type->GetBlob(MF_MT_MINIMUM_DISPLAY_APERTURE, reinterpret_cast<UINT8*>(&aperture),
                                sizeof aperture, &bytes))
        && bytes == sizeof aperture && aperture.OffsetX.value == 0 && aperture.OffsetY.value == 0
        && aperture.Area.cx > 0 && aperture.Area.cy > 0 && aperture.Area.cx <= codedWidth
        && aperture.Area.cy <= codedHeight) {
        width = int(aperture.Area.cx);
        height = int(aperture.Area.cy);
    } else if (sps.width > 0 && sps.width <= codedWidth && sps.height <= codedHeight
               && codedWidth - sps.width < 16 && codedHeight - sps.height < 32) {
        width = sps.width;
        height = sps.height;
    } else if (codedWidth > 0 && codedHeight > 0) {
        width = codedWidth;
        height = codedHeight;
    }
}

bool H264Decoder::Impl::drainOutput(const FrameCallback& callback, const FrameTarget& target,
                                    const PictureWanted& wanted)
{
    const unsigned before = generation;
    int streamChanges = 0;
    for (;;) {
        MFT_OUTPUT_DATA_BUFFER output{};
        IMFSample* prepared = nullptr;
        IMFMediaBuffer* buffer = nullptr;
        if (!transformProvidesSamples) {
            if (FAILED(MFCreateSample(&prepared)))
                return true;
            if (FAILED(MFCreateMemoryBuffer(DWORD(outputBufferSize), &buffer))) {
                prepared->Release();
                return true;
            }
            prepared->AddBuffer(buffer);
            output.pSample = prepared;
        }
        DWORD status = 0;
        const HRESULT result = transform->ProcessOutput(0, 1, &output, &status);
        releaseCom(output.pEvents);
        if (result == MF_E_TRANSFORM_STREAM_CHANGE) {
            releaseCom(prepared);
            releaseCom(buffer);
            configureOutput();
            // A transform that keeps announcing changes would hold this loop for ever.
            if (++streamChanges > 3)
                return true;
            continue;
        }
        streamChanges = 0;
        if (SUCCEEDED(result) && output.pSample)
            convertToBgr(output.pSample, callback, target, wanted);
        // The transform's own sample, or ours handed back: either way one reference more.
        if (output.pSample && output.pSample != prepared)
            output.pSample->Release();
        releaseCom(prepared);
        releaseCom(buffer);
        if (FAILED(result))
            return true; // MF_E_TRANSFORM_NEED_MORE_INPUT ends the loop normally
        if (generation != before)
            return false;
    }
}

void H264Decoder::Impl::convertToBgr(IMFSample* sample, const FrameCallback& callback,
                                     const FrameTarget& target, const PictureWanted& wanted)
{
    const int pitch = stride >= 1 ? stride : width;
    if (!FrameLimits::accepts(width, height) || pitch < width)
        return;
    LONGLONG time = 0;
    const unsigned long long ptsUsec =
        SUCCEEDED(sample->GetSampleTime(&time)) ? static_cast<unsigned long long>(time / 10) : 0;
    // A picture nobody would see is neither copied out of the transform's sample nor locked.
    if (wanted && !wanted()) {
        if (callback)
            callback(nullptr, width, height, ptsUsec);
        return;
    }
    IMFMediaBuffer* buffer = nullptr;
    if (FAILED(sample->ConvertToContiguousBuffer(&buffer)) || !buffer)
        return;
    BYTE* data = nullptr;
    DWORD length = 0;
    if (FAILED(buffer->Lock(&data, nullptr, &length))) {
        buffer->Release();
        return;
    }
    const int planeRows = codedHeight >= height ? codedHeight : height;
    // The chroma plane follows all the decoder's luma rows; a buffer too short for the
    // picture it claims is skipped rather than read past.
    const std::size_t needed = std::size_t(pitch) * (std::size_t(planeRows) + (height + 1) / 2);
    const bool usable = needed <= length;
    unsigned char* out = usable && target ? target(width, height) : nullptr;
    if (usable && !out) {
        bgr.resize(std::size_t(width) * std::size_t(height) * 3);
        out = bgr.data();
    }
    if (usable)
        YuvToBgr::fromNv12(data, pitch, data + std::size_t(pitch) * planeRows, pitch, width, height,
                           out);
    buffer->Unlock();
    buffer->Release();
    if (usable && callback)
        callback(out, width, height, ptsUsec);
}

H264Decoder::H264Decoder()
    : d(std::make_unique<Impl>())
{
}

H264Decoder::~H264Decoder() = default;

bool H264Decoder::initialize(int width, int height)
{
    d->release();
    if (width < 1 || height < 1 || width > maxSide || height > maxSide)
        return false;
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (!d->platformStarted) {
        if (FAILED(MFStartup(MF_VERSION, MFSTARTUP_LITE)))
            return false;
        d->platformStarted = true;
    }
    d->width = d->codedWidth = width;
    d->height = d->codedHeight = height;
    d->sps = {};

    IMFTransform* transform = nullptr;
    if (FAILED(CoCreateInstance(CLSID_CMSH264DecoderMFT, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IMFTransform, reinterpret_cast<void**>(&transform)))
        || !transform)
        return false;
    d->transform = transform;
    IMFAttributes* attributes = nullptr;
    if (SUCCEEDED(transform->GetAttributes(&attributes)) && attributes) {
        attributes->SetUINT32(CODECAPI_AVLowLatencyMode, 1);
        attributes->Release();
    }

    IMFMediaType* input = nullptr;
    HRESULT result = MFCreateMediaType(&input);
    if (SUCCEEDED(result)) {
        input->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
        input->SetGUID(MF_MT_SUBTYPE, MFVideoFormat_H264);
        input->SetUINT64(MF_MT_FRAME_SIZE, (UINT64(UINT32(width)) << 32) | UINT32(height));
        input->SetUINT64(MF_MT_FRAME_RATE, (UINT64(30) << 32) | 1);
        input->SetUINT32(MF_MT_INTERLACE_MODE, MFVideoInterlace_Progressive);
        result = transform->SetInputType(0, input, 0);
        input->Release();
    }
    if (FAILED(result) || !d->configureOutput()) {
        d->release();
        return false;
    }
    transform->ProcessMessage(MFT_MESSAGE_NOTIFY_BEGIN_STREAMING, 0);
    transform->ProcessMessage(MFT_MESSAGE_NOTIFY_START_OF_STREAM, 0);
    return true;
}

void H264Decoder::decode(const unsigned char* data, std::size_t size, unsigned long long ptsUsec)
{
    if (!d->transform || !data || size == 0 || size > 0x7FFFFFFF)
        return;
    d->sps.parse(data, size);
    // A stream that declares more than the live path takes is not decoded at all: the
    // transform would hold frames of that size.
    if (d->sps.width > 0 && !FrameLimits::accepts(d->sps.width, d->sps.height))
        return;
    IMFMediaBuffer* buffer = nullptr;
    if (FAILED(MFCreateMemoryBuffer(DWORD(size), &buffer)))
        return;
    BYTE* target = nullptr;
    if (FAILED(buffer->Lock(&target, nullptr, nullptr))) {
        buffer->Release();
        return;
    }
    std::memcpy(target, data, size);
    buffer->Unlock();
    buffer->SetCurrentLength(DWORD(size));
    IMFSample* sample = nullptr;
    if (FAILED(MFCreateSample(&sample))) {
        buffer->Release();
        return;
    }
    sample->AddBuffer(buffer);
    sample->SetSampleTime(LONGLONG(ptsUsec * 10));
    sample->SetSampleDuration(frameDuration);

    const unsigned generation = d->generation;
    HRESULT result = d->transform->ProcessInput(0, sample, 0);
    // A transform that refuses input has output waiting. One that refuses again after giving
    // nothing would refuse for ever: the access unit is dropped instead of spinning.
    while (result == MF_E_NOTACCEPTING) {
        const unsigned before = d->generation;
        int delivered = 0;
        const FrameCallback counting = [&](const unsigned char* bgr, int w, int h,
                                           unsigned long long pts) {
            ++delivered;
            if (frameCallback)
                frameCallback(bgr, w, h, pts);
        };
        if (!d->drainOutput(counting, frameTarget, pictureWanted) || d->generation != before
            || delivered == 0)
            break;
        result = d->transform->ProcessInput(0, sample, 0);
    }
    sample->Release();
    buffer->Release();
    if (d->transform && d->generation == generation)
        d->drainOutput(frameCallback, frameTarget, pictureWanted);
}

void H264Decoder::reset()
{
    d->release();
}

bool H264Decoder::isInitialized() const
{
    return d->transform != nullptr;
}
