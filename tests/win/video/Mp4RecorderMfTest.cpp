// The Media Foundation recorder, writing real MP4 files that Media Foundation's source reader
// reads back. Wine has neither an MP4 sink nor an H.264 encoder transform, so under Wine the
// cases that write a file report themselves skipped; only the refusals run there.
#include "tests/win/WinTest.h"
#include "tests/win/softcam/FramePattern.h"
#include "tests/win/video/Wine.h"
#include "video/Mp4Recorder.h"

#include <mfapi.h>
#include <mfidl.h>
#include <mfreadwrite.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

void needsMp4Writing()
{
    if (runningUnderWine())
        WinTest::skip("Wine has no MP4 sink writer and no H.264 encoder transform");
}

std::wstring scratchFile(const wchar_t* name)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"vidlet-recorder-" + std::to_wstring(GetCurrentProcessId()) + L"-"
        + name;
}

bool exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

struct ReadBack {
    int width = 0, height = 0;
    std::vector<LONGLONG> times;
    std::vector<std::vector<unsigned char>> pictures; // RGB32 as the reader hands it over
};

// Decodes the whole file to RGB32 with Media Foundation's source reader.
bool readBack(const std::wstring& path, ReadBack& file)
{
    IMFAttributes* attributes = nullptr;
    MFCreateAttributes(&attributes, 1);
    attributes->SetUINT32(MF_SOURCE_READER_ENABLE_VIDEO_PROCESSING, TRUE);
    IMFSourceReader* reader = nullptr;
    const HRESULT opened = MFCreateSourceReaderFromURL(path.c_str(), attributes, &reader);
    attributes->Release();
    if (FAILED(opened))
        return false;
    IMFMediaType* type = nullptr;
    MFCreateMediaType(&type);
    type->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
    type->SetGUID(MF_MT_SUBTYPE, MFVideoFormat_RGB32);
    const DWORD video = DWORD(MF_SOURCE_READER_FIRST_VIDEO_STREAM);
    bool ok = SUCCEEDED(reader->SetCurrentMediaType(video, nullptr, type));
    type->Release();
    IMFMediaType* current = nullptr;
    if (ok && SUCCEEDED(reader->GetCurrentMediaType(video, &current))) {
        UINT64 size = 0;
        current->GetUINT64(MF_MT_FRAME_SIZE, &size);
        file.width = int(size >> 32);
        file.height = int(size & 0xFFFFFFFF);
        current->Release();
    }
    while (ok) {
        DWORD flags = 0;
        LONGLONG time = 0;
        IMFSample* sample = nullptr;
        ok = SUCCEEDED(reader->ReadSample(video, 0, nullptr, &flags, &time, &sample));
        if (!ok || (flags & MF_SOURCE_READERF_ENDOFSTREAM))
            break;
        if (!sample)
            continue;
        IMFMediaBuffer* buffer = nullptr;
        BYTE* data = nullptr;
        DWORD length = 0;
        if (SUCCEEDED(sample->ConvertToContiguousBuffer(&buffer))
            && SUCCEEDED(buffer->Lock(&data, nullptr, &length))) {
            file.pictures.emplace_back(data, data + length);
            file.times.push_back(time);
            buffer->Unlock();
        }
        if (buffer)
            buffer->Release();
        sample->Release();
    }
    reader->Release();
    return ok;
}

struct Platform {
    Platform() { MFStartup(MF_VERSION, MFSTARTUP_FULL); }
    ~Platform() { MFShutdown(); }
};

} // namespace

WIN_TEST(refusesSizesOutsideTheRangeWithoutMakingAFile)
{
    const std::wstring path = scratchFile(L"refused.mp4");
    const int sizes[][2] = {{0, 48}, {64, 0}, {8193, 48}, {64, 8193}, {-1, -1}};
    for (const auto& size : sizes) {
        Mp4Recorder recorder;
        CHECK(!recorder.start(path, size[0], size[1], 30));
        CHECK(!recorder.isOpen());
        CHECK_EQ(recorder.width(), 0);
    }
    CHECK(!exists(path));
}

WIN_TEST(recordsFramesThatReadBackInOrderAndColour)
{
    needsMp4Writing();
    Platform platform;
    const std::wstring path = scratchFile(L"colours.mp4");
    {
        Mp4Recorder recorder;
        CHECK(recorder.start(path, 64, 48, 0)); // 0: 30 frames per second
        CHECK(recorder.isOpen());
        CHECK_EQ(recorder.width(), 64);
        CHECK_EQ(recorder.height(), 48);
        CHECK(!recorder.start(scratchFile(L"second.mp4"), 32, 32, 30));
        const auto red = uniformFrame(64, 48, 20, 30, 220);
        const auto blue = uniformFrame(64, 48, 220, 30, 20);
        for (int i = 0; i < 30; ++i) {
            recorder.writeFrame(i < 15 ? red.data() : blue.data());
            Sleep(10);
        }
        recorder.writeFrame(nullptr);
        recorder.stop();
        CHECK(!recorder.isOpen());
        CHECK_EQ(recorder.width(), 0);
        recorder.stop();
    }
    CHECK(!exists(scratchFile(L"second.mp4")));
    ReadBack file;
    const bool read = readBack(path, file);
    DeleteFileW(path.c_str());
    CHECK(read);
    CHECK_EQ(file.width, 64);
    CHECK_EQ(file.height, 48);
    CHECK_EQ(file.pictures.size(), std::size_t(30));
    for (std::size_t i = 1; i < file.times.size(); ++i)
        CHECK(file.times[i] > file.times[i - 1]);
    // Compression keeps a flat colour within a few levels: B, G, R, X.
    const auto nearColour = [](const std::vector<unsigned char>& picture, int b, int g, int r) {
        return std::abs(picture[0] - b) < 12 && std::abs(picture[1] - g) < 12
            && std::abs(picture[2] - r) < 12;
    };
    CHECK(nearColour(file.pictures.front(), 20, 30, 220));
    CHECK(nearColour(file.pictures.back(), 220, 30, 20));
}

WIN_TEST(samplesAreTimedByTheirArrival)
{
    needsMp4Writing();
    Platform platform;
    const std::wstring path = scratchFile(L"timed.mp4");
    {
        Mp4Recorder recorder;
        CHECK(recorder.start(path, 32, 32, 30));
        const auto grey = uniformFrame(32, 32, 128, 128, 128);
        recorder.writeFrame(grey.data());
        Sleep(500);
        recorder.writeFrame(grey.data());
        recorder.stop();
    }
    ReadBack file;
    const bool read = readBack(path, file);
    DeleteFileW(path.c_str());
    CHECK(read);
    CHECK_EQ(file.times.size(), std::size_t(2));
    // The stall stays in the file: half a second, in 100 ns units.
    CHECK(file.times[1] - file.times[0] >= 4500000);
}
