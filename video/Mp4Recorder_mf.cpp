#include "video/Mp4Recorder.h"

#include "video/FrameLimits.h"

#include <mfapi.h>
#include <mfidl.h>
#include <mfreadwrite.h>

#include <chrono>

namespace {

using FrameLimits::maxSide;
constexpr int defaultFps = 30;
constexpr UINT32 mainProfile = 77; // eAVEncH264VProfile_Main

UINT64 pair(UINT32 high, UINT32 low)
{
    return (UINT64(high) << 32) | low;
}

void releaseCom(IUnknown* object)
{
    if (object)
        object->Release();
}

// A file already at the path is taken only when it is empty: the name the caller reserved.
bool takenByAnotherFile(const std::filesystem::path& path)
{
    WIN32_FILE_ATTRIBUTE_DATA info{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &info))
        return false;
    return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || info.nFileSizeLow != 0
        || info.nFileSizeHigh != 0;
}

} // namespace

struct Mp4Recorder::Impl {
    IMFSinkWriter* writer = nullptr; // owned; non-null while recording
    DWORD streamIndex = 0;
    LONGLONG frameDuration = 0; // 100 ns units
    // Frames are timed by their arrival since the file was opened, so stalls and bursts of the
    // live feed stay in the file; each claims the nominal frame duration.
    std::chrono::steady_clock::time_point opened;
    bool platformStarted = false;
    Failure failure = Failure::None;

    void shutdownPlatform()
    {
        if (platformStarted)
            MFShutdown();
        platformStarted = false;
    }
};

Mp4Recorder::Mp4Recorder() : d(std::make_unique<Impl>()) {}

Mp4Recorder::~Mp4Recorder()
{
    stop();
}

bool Mp4Recorder::start(const std::filesystem::path& path, int width, int height, int fps)
{
    if (d->writer || width < 1 || width > maxSide || height < 1 || height > maxSide
        || takenByAnotherFile(path))
        return false;
    if (fps <= 0)
        fps = defaultFps;
    d->platformStarted = SUCCEEDED(MFStartup(MF_VERSION, MFSTARTUP_FULL));

    IMFAttributes* attributes = nullptr;
    if (FAILED(MFCreateAttributes(&attributes, 1))) {
        d->shutdownPlatform();
        return false;
    }
    // WriteSample must not wait for the encoder to catch up: it runs on the GUI thread.
    attributes->SetUINT32(MF_SINK_WRITER_DISABLE_THROTTLING, TRUE);
    IMFSinkWriter* writer = nullptr;
    // The container follows from the extension (".mp4").
    const HRESULT created = MFCreateSinkWriterFromURL(path.c_str(), nullptr, attributes, &writer);
    attributes->Release();
    if (FAILED(created) || !writer) {
        releaseCom(writer);
        d->shutdownPlatform();
        return false;
    }

    const UINT64 size = pair(UINT32(width), UINT32(height));
    const UINT64 rate = pair(UINT32(fps), 1);
    IMFMediaType* output = nullptr;
    IMFMediaType* input = nullptr;
    HRESULT result = MFCreateMediaType(&output);
    if (SUCCEEDED(result)) {
        output->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
        output->SetGUID(MF_MT_SUBTYPE, MFVideoFormat_H264);
        output->SetUINT32(MF_MT_AVG_BITRATE, UINT32(bitRate_));
        output->SetUINT32(MF_MT_INTERLACE_MODE, MFVideoInterlace_Progressive);
        output->SetUINT32(MF_MT_MPEG2_PROFILE, mainProfile);
        output->SetUINT64(MF_MT_FRAME_SIZE, size);
        output->SetUINT64(MF_MT_FRAME_RATE, rate);
        output->SetUINT64(MF_MT_PIXEL_ASPECT_RATIO, pair(1, 1));
        result = writer->AddStream(output, &d->streamIndex);
    }
    if (SUCCEEDED(result))
        result = MFCreateMediaType(&input);
    if (SUCCEEDED(result)) {
        input->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
        input->SetGUID(MF_MT_SUBTYPE, MFVideoFormat_RGB32);
        input->SetUINT32(MF_MT_INTERLACE_MODE, MFVideoInterlace_Progressive);
        // Positive: the top row comes first.
        input->SetUINT32(MF_MT_DEFAULT_STRIDE, UINT32(width * 4));
        input->SetUINT64(MF_MT_FRAME_SIZE, size);
        input->SetUINT64(MF_MT_FRAME_RATE, rate);
        input->SetUINT64(MF_MT_PIXEL_ASPECT_RATIO, pair(1, 1));
        result = writer->SetInputMediaType(d->streamIndex, input, nullptr);
    }
    if (SUCCEEDED(result))
        result = writer->BeginWriting();
    releaseCom(output);
    releaseCom(input);
    if (FAILED(result)) {
        writer->Release();
        d->shutdownPlatform();
        DeleteFileW(path.c_str());
        return false;
    }
    d->writer = writer;
    d->failure = Failure::None;
    width_ = width;
    height_ = height;
    d->frameDuration = 10000000 / fps;
    d->opened = std::chrono::steady_clock::now();
    return true;
}

void Mp4Recorder::writeFrame(const unsigned char* bgr)
{
    if (!d->writer || !bgr || d->failure != Failure::None)
        return;
    const DWORD bytes = DWORD(width_) * DWORD(height_) * 4;
    IMFMediaBuffer* buffer = nullptr;
    if (FAILED(MFCreateMemoryBuffer(bytes, &buffer)))
        return;
    BYTE* data = nullptr;
    if (FAILED(buffer->Lock(&data, nullptr, nullptr))) {
        buffer->Release();
        return;
    }
    // B, G, R, X: the memory order of MFVideoFormat_RGB32.
    const std::size_t pixels = std::size_t(width_) * std::size_t(height_);
    for (std::size_t i = 0; i < pixels; ++i) {
        data[4 * i] = bgr[3 * i];
        data[4 * i + 1] = bgr[3 * i + 1];
        data[4 * i + 2] = bgr[3 * i + 2];
        data[4 * i + 3] = 255;
    }
    buffer->Unlock();
    buffer->SetCurrentLength(bytes);
    IMFSample* sample = nullptr;
    if (FAILED(MFCreateSample(&sample))) {
        buffer->Release();
        return;
    }
    sample->AddBuffer(buffer);
    const auto elapsed = std::chrono::steady_clock::now() - d->opened;
    sample->SetSampleTime(
        LONGLONG(std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count() / 100));
    sample->SetSampleDuration(d->frameDuration);
    const HRESULT written = d->writer->WriteSample(d->streamIndex, sample);
    sample->Release();
    buffer->Release();
    // The sink writer encodes and writes on its own threads and reports their failures (a
    // full disk among them) on the next call.
    if (FAILED(written)) {
        d->failure = Failure::WriteFailed;
        if (failureCallback)
            failureCallback(d->failure);
    }
}

void Mp4Recorder::stop()
{
    if (d->writer) {
        // Completes the file; this can take a moment.
        d->writer->Finalize();
        d->writer->Release();
        d->writer = nullptr;
    }
    width_ = 0;
    height_ = 0;
    d->shutdownPlatform();
}

// Finalize() completes the file before stop() returns.
void Mp4Recorder::waitForFinished() {}

Mp4Recorder::Failure Mp4Recorder::failure() const
{
    return d->writer ? d->failure : Failure::None;
}

bool Mp4Recorder::isOpen() const
{
    return d->writer != nullptr;
}
