// Reads the camera as a Media Foundation program on Windows 11 would get it from the Frame
// Server: the camera's media source (vidlet-mfcamera.dll, loaded as the Frame Server loads it)
// through Media Foundation's source reader, and checks the phone simulator's stamps in the
// NV12 pictures:
//   MediaSourceStampReader.exe SOURCE_DLL FRAMES MAX_READS
// It reads until FRAMES distinct stamped pictures came, which must come in order with stamps
// of time that grow, or MAX_READS pictures were read, and prints one line:
//   "stamps N in order, first F last L"
// Exit 0 when they came, in order; 1 otherwise.
#include "softcam/win/mf/MediaSourceClass.h"
#include "tools/common/FrameStamp.h"

#include <mfapi.h>
#include <mfidl.h>
#include <mfreadwrite.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

IMFMediaSource* createSource(const wchar_t* dllPath)
{
    HMODULE dll = LoadLibraryW(dllPath);
    if (!dll)
        return nullptr;
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    const auto getClassObject = reinterpret_cast<GetClassObject>(
        reinterpret_cast<void (*)()>(GetProcAddress(dll, "DllGetClassObject")));
    IClassFactory* factory = nullptr;
    if (!getClassObject
        || FAILED(getClassObject(softcam::kMediaSourceClsid, IID_IClassFactory,
                                 reinterpret_cast<void**>(&factory))))
        return nullptr;
    IMFMediaSource* source = nullptr;
    factory->CreateInstance(nullptr, IID_IMFMediaSource, reinterpret_cast<void**>(&source));
    factory->Release();
    return source;
}

// The stamp is neutral grey, so the luma plane alone, as grey BGR, carries it.
std::vector<unsigned char> greyFromLuma(const BYTE* nv12, int width, int height)
{
    std::vector<unsigned char> bgr(std::size_t(width) * std::size_t(height) * 3);
    for (std::size_t i = 0; i < std::size_t(width) * std::size_t(height); ++i)
        bgr[i * 3] = bgr[i * 3 + 1] = bgr[i * 3 + 2] = nv12[i];
    return bgr;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4) {
        std::puts("usage: MediaSourceStampReader SOURCE_DLL FRAMES MAX_READS");
        return 1;
    }
    const int wanted = std::wcstol(argv[2], nullptr, 10);
    const int maxReads = std::wcstol(argv[3], nullptr, 10);
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    MFStartup(MF_VERSION, MFSTARTUP_FULL);
    IMFMediaSource* source = createSource(argv[1]);
    IMFSourceReader* reader = nullptr;
    if (!source || FAILED(MFCreateSourceReaderFromMediaSource(source, nullptr, &reader))) {
        std::puts("the camera's media source could not be made or read");
        return 1;
    }
    IMFMediaType* type = nullptr;
    UINT32 width = 0, height = 0;
    reader->GetCurrentMediaType(DWORD(MF_SOURCE_READER_FIRST_VIDEO_STREAM), &type);
    MFGetAttributeSize(type, MF_MT_FRAME_SIZE, &width, &height);
    type->Release();

    std::vector<std::uint32_t> frames;
    bool ordered = true;
    LONGLONG lastTime = -1;
    bool ended = false;
    for (int read = 0; read < maxReads && int(frames.size()) < wanted && !ended; ++read) {
        DWORD index = 0, flags = 0;
        LONGLONG time = 0;
        IMFSample* sample = nullptr;
        const HRESULT result = reader->ReadSample(DWORD(MF_SOURCE_READER_FIRST_VIDEO_STREAM), 0,
                                                  &index, &flags, &time, &sample);
        ended = FAILED(result) || (flags & MF_SOURCE_READERF_ENDOFSTREAM);
        if (!sample)
            continue;
        ordered = ordered && time > lastTime;
        lastTime = time;
        IMFMediaBuffer* buffer = nullptr;
        BYTE* data = nullptr;
        DWORD length = 0;
        if (SUCCEEDED(sample->ConvertToContiguousBuffer(&buffer))
            && SUCCEEDED(buffer->Lock(&data, nullptr, &length))) {
            if (length >= width * height) {
                const auto grey = greyFromLuma(data, int(width), int(height));
                const auto stamp = FrameStamp::decode(grey.data(), int(width), int(height));
                if (stamp && (frames.empty() || stamp->frame != frames.back())) {
                    ordered = ordered && (frames.empty() || stamp->frame > frames.back());
                    frames.push_back(stamp->frame);
                }
            }
            buffer->Unlock();
        }
        if (buffer)
            buffer->Release();
        sample->Release();
    }
    reader->Release();
    source->Shutdown();
    source->Release();
    std::printf("stamps %zu %s, first %u last %u%s\n", frames.size(),
                ordered ? "in order" : "OUT OF ORDER", frames.empty() ? 0u : frames.front(),
                frames.empty() ? 0u : frames.back(), ended ? ", the stream ended" : "");
    MFShutdown();
    return int(frames.size()) >= wanted && ordered ? 0 : 1;
}
