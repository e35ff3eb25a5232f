#include "video/Mp4Recorder.h"

#include "video/RecordingQueue.h"
#include "video/RecordingStream_win.h"
#include "video/RecordingSet.h"

#include <mfapi.h>
#include <mfidl.h>
#include <mfreadwrite.h>

#include <functional>
#include <memory>

// Declared in Windows' mfidl.h, not in MinGW-w64's; libmfplat.a has its import.
extern "C" HRESULT WINAPI MFCreateMFByteStreamOnStream(IStream* stream, IMFByteStream** bytes);

namespace {

// Files of any size up to 8192 a side; the live path gives them at most its own limit.
constexpr int maxSide = 8192;
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

// One file being recorded. The GUI thread opens it in start(), then only hands frames to its
// queue; the queue's worker converts each frame into a sample for the sink writer, which
// encodes and writes on Media Foundation's own threads, and after stop() completes the file
// with Finalize(), which can take a while for a long recording.
struct Recording : RecordingQueue::Worker {
    Recording(int width, int height)
        : width(width),
          height(height),
          queue(std::size_t(width) * std::size_t(height) * 3)
    {
    }

    ~Recording() override
    {
        // Only a recording whose worker never ran still holds these: a start that failed,
        // whose file goes with it.
        releaseCom(writer);
        if (file) {
            file->discard();
            file->Release();
        }
        if (platformStarted)
            MFShutdown();
    }

    // Media Foundation is called from this thread only in the multithreaded apartment.
    void begin() override { apartment = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)); }

    void encode(const RecordingQueue::Frame& frame) override
    {
        const DWORD bytes = DWORD(width) * DWORD(height) * 4;
        IMFMediaBuffer* buffer = nullptr;
        if (FAILED(MFCreateMemoryBuffer(bytes, &buffer)))
            return;
        BYTE* data = nullptr;
        if (FAILED(buffer->Lock(&data, nullptr, nullptr))) {
            buffer->Release();
            return;
        }
        // B, G, R, X: the memory order of MFVideoFormat_RGB32.
        const unsigned char* bgr = frame.pixels.data();
        const std::size_t pixels = std::size_t(width) * std::size_t(height);
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
        sample->SetSampleTime(frame.time);
        sample->SetSampleDuration(frameDuration);
        // The sink writer reports its own threads' failures (a full disk among them) on the
        // next call; while its encoder is behind, the call waits, and the queue with it.
        const HRESULT written = writer->WriteSample(streamIndex, sample);
        sample->Release();
        buffer->Release();
        if (FAILED(written))
            fail(Mp4Recorder::Failure::WriteFailed);
    }

    void finish() override
    {
        writer->Finalize();
        writer->Release();
        writer = nullptr;
        file->Release();
        file = nullptr;
        if (platformStarted)
            MFShutdown();
        platformStarted = false;
        if (apartment)
            CoUninitialize();
    }

    void fail(Mp4Recorder::Failure why)
    {
        if (queue.fail(why) && failureCallback)
            failureCallback(why);
    }

    IMFSinkWriter* writer = nullptr; // owned until finish()
    RecordingStream* file = nullptr; // likewise
    DWORD streamIndex = 0;
    LONGLONG frameDuration = 0; // 100 ns units
    bool platformStarted = false;
    bool apartment = false;
    std::function<void(Mp4Recorder::Failure)> failureCallback;
    const int width;
    const int height;
    // Last, so that its worker is joined before the members it uses go.
    RecordingQueue queue;
};

} // namespace

struct Mp4Recorder::Impl : RecordingSet<Recording> {};

Mp4Recorder::Mp4Recorder()
    : d(std::make_unique<Impl>())
{
}

Mp4Recorder::~Mp4Recorder()
{
    stop();
    waitForFinished();
}

bool Mp4Recorder::start(const std::filesystem::path& path, int width, int height, int fps)
{
    if (isOpen() || width < 1 || width > maxSide || height < 1 || height > maxSide)
        return false;
    if (fps <= 0)
        fps = defaultFps;
    d->reap();
    RecordingStream* file = RecordingStream::claim(path.wstring());
    if (!file)
        return false;
    auto r = std::make_unique<Recording>(width, height);
    r->file = file;
    r->platformStarted = SUCCEEDED(MFStartup(MF_VERSION, MFSTARTUP_FULL));
    r->failureCallback = failureCallback;
    r->frameDuration = 10000000 / fps;

    // Fragmented MP4, as on Linux: each fragment is complete once written, so a file whose
    // program was ended before it finished (a log-off that did not wait, a crash) plays up to
    // its last fragment, where a plain MP4 writes its index only at the end. A system without
    // the fragmented writer gets the plain one. WriteSample may wait for the encoder to catch
    // up: it runs on the recording's worker, and the wait bounds the memory.
    IMFByteStream* bytes = nullptr;
    IMFAttributes* container = nullptr;
    HRESULT created = MFCreateMFByteStreamOnStream(file, &bytes);
    if (SUCCEEDED(created)) {
        if (SUCCEEDED(MFCreateAttributes(&container, 1))
            && SUCCEEDED(
                container->SetGUID(MF_TRANSCODE_CONTAINERTYPE, MFTranscodeContainerType_FMPEG4)))
            created = MFCreateSinkWriterFromURL(path.c_str(), bytes, container, &r->writer);
        if (!r->writer)
            created = MFCreateSinkWriterFromURL(path.c_str(), bytes, nullptr, &r->writer);
    }
    releaseCom(container);
    releaseCom(bytes);
    if (FAILED(created) || !r->writer)
        return false;
    IMFSinkWriter* writer = r->writer;
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
        result = writer->AddStream(output, &r->streamIndex);
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
        result = writer->SetInputMediaType(r->streamIndex, input, nullptr);
    }
    if (SUCCEEDED(result))
        result = writer->BeginWriting();
    releaseCom(output);
    releaseCom(input);
    if (FAILED(result) || !r->queue.start(*r))
        return false;
    d->open = std::move(r);
    width_ = width;
    height_ = height;
    return true;
}

void Mp4Recorder::writeFrame(const unsigned char* bgr)
{
    d->hand(bgr);
}

// The sink writer is given RGB; planes would need a second input type, with nothing here to
// prove that a file made from them plays.
bool Mp4Recorder::takesPlanes()
{
    return false;
}

void Mp4Recorder::writePlanes(const unsigned char*)
{
}

// Storing the phone's stream as it came is built on Linux only so far: the sink writer can take
// H.264 as its input, but no machine here can write an MP4 through it to prove that it does.
// The window offers Original only where this is true.
bool Mp4Recorder::supportsOriginal()
{
    return false;
}

bool Mp4Recorder::startOriginal(const std::filesystem::path&, int, int, int,
                                const std::vector<unsigned char>&, int)
{
    return false;
}

void Mp4Recorder::writeAccessUnit(const unsigned char*, std::size_t, bool)
{
}

void Mp4Recorder::stop()
{
    d->stop();
    width_ = 0;
    height_ = 0;
}

void Mp4Recorder::waitForFinished()
{
    d->waitForAll();
}

bool Mp4Recorder::waitForFinished(std::chrono::milliseconds bound)
{
    return d->waitForAll(std::chrono::steady_clock::now() + bound);
}

// Media Foundation completes a file in place: nothing is ever left beside it.
int Mp4Recorder::sweepUnfinished(const std::filesystem::path&)
{
    return 0;
}

Mp4Recorder::Failure Mp4Recorder::failure() const
{
    return d->failure();
}

std::uint64_t Mp4Recorder::framesDropped() const
{
    return d->dropped();
}

std::size_t Mp4Recorder::framesWaiting() const
{
    return d->waiting();
}

bool Mp4Recorder::isOpen() const
{
    return d->open != nullptr;
}

bool Mp4Recorder::isOriginal() const
{
    return false;
}

bool Mp4Recorder::waitsForKeyframe() const
{
    return false;
}
