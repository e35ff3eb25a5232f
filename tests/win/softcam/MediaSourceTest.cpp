// vidlet-mfcamera.dll, the camera's Media Foundation source, activated the way the Frame Server
// activates it (LoadLibrary, DllGetClassObject, IClassFactory::CreateInstance) and read through
// Media Foundation's source reader, while a separate process (SoftcamSender) makes the camera
// and sends frames through softcam.dll's exports.
#include "tests/win/WinTest.h"
#include "tests/win/softcam/ChildProcess.h"
#include "tests/win/softcam/FramePattern.h"
#include "softcam/BgrToI420.h"
#include "softcam/win/mf/MediaFoundationExtras.h"
#include "softcam/win/mf/MediaSourceClass.h"

#include <mferror.h>
#include <mfreadwrite.h>

#include <string>
#include <vector>

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

// Releases what it holds.
template <typename T> struct Com {
    T* p = nullptr;
    Com() = default;
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    ~Com()
    {
        if (p)
            p->Release();
    }
    T* operator->() const { return p; }
    T** put() { return &p; }
    void** putVoid() { return reinterpret_cast<void**>(&p); }
};

// Media Foundation on this thread for one case.
struct MediaFoundation {
    MediaFoundation()
    {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        CHECK_EQ(long(MFStartup(MF_VERSION, MFSTARTUP_FULL)), long(S_OK));
    }
    ~MediaFoundation()
    {
        MFShutdown();
        CoUninitialize();
    }
};

// A fresh source, as the Frame Server makes one.
void createSource(IMFMediaSource** source)
{
    static HMODULE dll = LoadLibraryW((programFolder() + L"vidlet-mfcamera.dll").c_str());
    CHECK(dll != nullptr);
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    const auto getClassObject = reinterpret_cast<GetClassObject>(
        reinterpret_cast<void (*)()>(GetProcAddress(dll, "DllGetClassObject")));
    CHECK(getClassObject != nullptr);
    Com<IClassFactory> factory;
    CHECK_EQ(long(getClassObject(softcam::kMediaSourceClsid, IID_IClassFactory, factory.putVoid())),
             long(S_OK));
    CHECK_EQ(long(factory->CreateInstance(nullptr, IID_IMFMediaSource,
                                          reinterpret_cast<void**>(source))),
             long(S_OK));
}

// SoftcamSender with a camera of the test's size.
void startSender(ChildProcess& sender)
{
    CHECK(sender.start(L"\"" + programFolder() + L"SoftcamSender.exe\""));
    CHECK_EQ(sender.ask("create " + std::to_string(kWidth) + " " + std::to_string(kHeight)),
             std::string("ok"));
}

std::vector<unsigned char> expectedNv12(int seed)
{
    std::vector<unsigned char> nv12(softcam::i420Bytes(kWidth, kHeight));
    softcam::bgrToNv12(framePattern(kWidth, kHeight, seed).data(), kWidth, kHeight, nv12.data());
    return nv12;
}

struct Picture {
    bool ended = false;
    LONGLONG time = 0;
    std::vector<unsigned char> bytes;
};

// One read; `ended` when the stream ended or the read failed.
Picture readPicture(IMFSourceReader* reader)
{
    Picture picture;
    DWORD index = 0;
    DWORD flags = 0;
    Com<IMFSample> sample;
    const HRESULT result = reader->ReadSample(DWORD(MF_SOURCE_READER_FIRST_VIDEO_STREAM), 0, &index,
                                              &flags, &picture.time, sample.put());
    picture.ended = FAILED(result) || (flags & MF_SOURCE_READERF_ENDOFSTREAM);
    if (picture.ended || !sample.p)
        return picture;
    Com<IMFMediaBuffer> buffer;
    CHECK_EQ(long(sample->ConvertToContiguousBuffer(buffer.put())), long(S_OK));
    BYTE* data = nullptr;
    DWORD length = 0;
    CHECK_EQ(long(buffer->Lock(&data, nullptr, &length)), long(S_OK));
    picture.bytes.assign(data, data + length);
    buffer->Unlock();
    return picture;
}

void makeReader(IMFMediaSource* source, IMFSourceReader** reader)
{
    CHECK_EQ(long(MFCreateSourceReaderFromMediaSource(source, nullptr, reader)), long(S_OK));
    Com<IMFMediaType> type;
    CHECK_EQ(long((*reader)->GetCurrentMediaType(DWORD(MF_SOURCE_READER_FIRST_VIDEO_STREAM),
                                                 type.put())),
             long(S_OK));
    GUID subtype{};
    type->GetGUID(MF_MT_SUBTYPE, &subtype);
    CHECK(subtype == MFVideoFormat_NV12);
    UINT32 width = 0, height = 0, numerator = 0, denominator = 0;
    MFGetAttributeSize(type.p, MF_MT_FRAME_SIZE, &width, &height);
    MFGetAttributeRatio(type.p, MF_MT_FRAME_RATE, &numerator, &denominator);
    CHECK_EQ(width, UINT32(kWidth));
    CHECK_EQ(height, UINT32(kHeight));
    CHECK_EQ(numerator, 30u);
    CHECK_EQ(denominator, 1u);
}

// Reads until the picture of `seed` arrives; before it only the previous seed's picture may
// come (the stream repeats the newest frame), and every stamp is later than the one before.
void readUntil(IMFSourceReader* reader, int seed, int previous, LONGLONG& lastTime)
{
    const std::vector<unsigned char> wanted = expectedNv12(seed);
    const std::vector<unsigned char> before = previous ? expectedNv12(previous) : wanted;
    // The stream sends 30 pictures a second and the sender has written the frame before this
    // is called, so a handful of repeats at most come first; 60 means it is lost.
    for (int read = 0; read < 60; ++read) {
        const Picture picture = readPicture(reader);
        CHECK(!picture.ended);
        if (picture.bytes.empty())
            continue; // a gap without a sample
        CHECK(picture.time > lastTime);
        lastTime = picture.time;
        if (picture.bytes == wanted)
            return;
        CHECK(picture.bytes == before);
    }
    WinTest::fail(__FILE__, __LINE__,
                  "the picture of seed " + std::to_string(seed) + " never came");
}

// After the camera went away, reads end within a few repeats instead of waiting forever.
void readUntilEnd(IMFSourceReader* reader, int lastSeed)
{
    const std::vector<unsigned char> last = expectedNv12(lastSeed);
    for (int read = 0; read < 60; ++read) {
        const Picture picture = readPicture(reader);
        if (picture.ended)
            return;
        CHECK(picture.bytes.empty() || picture.bytes == last);
    }
    WinTest::fail(__FILE__, __LINE__, "the stream did not end");
}

} // namespace

// What the Frame Server reads while it discovers sensor groups, and a clean shutdown: creating
// the source and reading its descriptor opens no reader's place on the camera.
WIN_TEST(sourceDescribesItselfWithoutOpeningTheCamera)
{
    MediaFoundation mf;
    ChildProcess sender;
    startSender(sender);
    sender.ask("pattern 1");
    Com<IMFMediaSource> source;
    createSource(source.put());
    Com<IMFPresentationDescriptor> presentation;
    CHECK_EQ(long(source->CreatePresentationDescriptor(presentation.put())), long(S_OK));
    CHECK_EQ(sender.ask("connected"), std::string("0"));

    DWORD characteristics = 0;
    CHECK_EQ(long(source->GetCharacteristics(&characteristics)), long(S_OK));
    CHECK(characteristics & MFMEDIASOURCE_IS_LIVE);
    Com<IUnknown> control;
    CHECK_EQ(long(source->QueryInterface(mfextras::iidKsControl, control.putVoid())), long(S_OK));

    // The stream's attributes are one store, handed out by reference: what the Frame Server
    // writes into it, it reads back.
    Com<IMFMediaSourceEx> sourceEx;
    CHECK_EQ(long(source->QueryInterface(IID_IMFMediaSourceEx, sourceEx.putVoid())), long(S_OK));
    Com<IMFAttributes> first;
    Com<IMFAttributes> second;
    CHECK_EQ(long(sourceEx->GetStreamAttributes(0, first.put())), long(S_OK));
    CHECK_EQ(long(sourceEx->GetStreamAttributes(0, second.put())), long(S_OK));
    CHECK(first.p == second.p);
    CHECK_EQ(long(sourceEx->GetStreamAttributes(1, second.put())), long(MF_E_INVALIDSTREAMNUMBER));
    GUID category{};
    CHECK_EQ(long(first->GetGUID(mfextras::deviceStreamCategory, &category)), long(S_OK));
    CHECK(category == mfextras::pinNameVideoCapture);
    CHECK_EQ(MFGetAttributeUINT32(first.p, mfextras::deviceStreamFrameServerShared, 0), 1u);
    CHECK_EQ(MFGetAttributeUINT32(first.p, mfextras::deviceStreamFrameSourceTypes, 0),
             mfextras::frameSourceTypeColor);
    Com<IMFAttributes> sourceAttributes;
    Com<IMFAttributes> sameSourceAttributes;
    CHECK_EQ(long(sourceEx->GetSourceAttributes(sourceAttributes.put())), long(S_OK));
    CHECK_EQ(long(sourceEx->GetSourceAttributes(sameSourceAttributes.put())), long(S_OK));
    CHECK(sourceAttributes.p == sameSourceAttributes.p);

    CHECK_EQ(long(source->Shutdown()), long(S_OK));
    PROPVARIANT start;
    PropVariantInit(&start);
    Com<IMFMediaEvent> event;
    CHECK_EQ(long(source->Start(presentation.p, nullptr, &start)), long(MF_E_SHUTDOWN));
    CHECK_EQ(long(source->GetCharacteristics(&characteristics)), long(MF_E_SHUTDOWN));
    CHECK_EQ(long(source->GetEvent(MF_EVENT_FLAG_NO_WAIT, event.put())), long(MF_E_SHUTDOWN));
    CHECK_EQ(long(source->Shutdown()), long(MF_E_SHUTDOWN));
}

// A program reading the camera through Media Foundation gets the pictures the camera was sent,
// converted to NV12, in order, with stamps that grow; it counts as the camera's reader, and its
// reads end when Vidlet deletes the camera.
WIN_TEST(readerGetsTheCameraPicturesUntilTheCameraStops)
{
    MediaFoundation mf;
    ChildProcess sender;
    startSender(sender);
    CHECK_EQ(sender.ask("pattern 1"), std::string("ok"));
    Com<IMFMediaSource> source;
    createSource(source.put());
    Com<IMFSourceReader> reader;
    makeReader(source.p, reader.put());
    LONGLONG lastTime = -1;
    readUntil(reader.p, 1, 0, lastTime);
    CHECK_EQ(sender.ask("connected"), std::string("1"));
    for (int seed = 2; seed <= 6; ++seed) {
        CHECK_EQ(sender.ask("pattern " + std::to_string(seed)), std::string("ok"));
        readUntil(reader.p, seed, seed - 1, lastTime);
    }
    CHECK_EQ(sender.ask("delete"), std::string("ok"));
    readUntilEnd(reader.p, 6);
}

// Reads end as well when the process that fed the camera dies without deleting it.
WIN_TEST(readsEndWhenTheFeedingProcessDies)
{
    MediaFoundation mf;
    ChildProcess sender;
    startSender(sender);
    CHECK_EQ(sender.ask("pattern 3"), std::string("ok"));
    Com<IMFMediaSource> source;
    createSource(source.put());
    Com<IMFSourceReader> reader;
    makeReader(source.p, reader.put());
    LONGLONG lastTime = -1;
    readUntil(reader.p, 3, 0, lastTime);
    sender.kill();
    readUntilEnd(reader.p, 3);
}

namespace {

MediaEventType nextEvent(IMFMediaEventGenerator* generator, IUnknown** value = nullptr)
{
    Com<IMFMediaEvent> event;
    CHECK_EQ(long(generator->GetEvent(0, event.put())), long(S_OK));
    MediaEventType type = MEUnknown;
    event->GetType(&type);
    HRESULT status = E_FAIL;
    event->GetStatus(&status);
    CHECK_EQ(long(status), long(S_OK));
    if (value) {
        PROPVARIANT variant;
        PropVariantInit(&variant);
        event->GetValue(&variant);
        CHECK_EQ(int(variant.vt), int(VT_UNKNOWN));
        *value = variant.punkVal; // the reference moves to the caller
    }
    return type;
}

} // namespace

// The source and its stream through the states the Frame Server drives them: a new stream at
// the first Start and an updated one after, the stream's own state set and read back, requests
// that wait while paused, samples that carry their request's token, and MF_E_SHUTDOWN after
// Shutdown.
WIN_TEST(sourceAndStreamFollowTheirStates)
{
    MediaFoundation mf;
    ChildProcess sender;
    startSender(sender);
    CHECK_EQ(sender.ask("pattern 2"), std::string("ok"));
    Com<IMFMediaSource> source;
    createSource(source.put());
    Com<IMFPresentationDescriptor> presentation;
    CHECK_EQ(long(source->CreatePresentationDescriptor(presentation.put())), long(S_OK));
    PROPVARIANT start;
    PropVariantInit(&start);
    const GUID wrongFormat = MFVideoFormat_NV12;
    CHECK_EQ(long(source->Start(presentation.p, &wrongFormat, &start)),
             long(MF_E_UNSUPPORTED_TIME_FORMAT));
    CHECK_EQ(long(source->Start(presentation.p, nullptr, &start)), long(S_OK));
    Com<IUnknown> streamObject;
    CHECK_EQ(long(nextEvent(source.p, streamObject.put())), long(MENewStream));
    CHECK_EQ(long(nextEvent(source.p)), long(MESourceStarted));
    Com<mfextras::IMediaStream2> stream;
    CHECK_EQ(long(streamObject->QueryInterface(mfextras::iidMediaStream2, stream.putVoid())),
             long(S_OK));
    CHECK_EQ(long(nextEvent(stream.p)), long(MEStreamStarted));
    MF_STREAM_STATE state = MF_STREAM_STATE_STOPPED;
    CHECK_EQ(long(stream->GetStreamState(&state)), long(S_OK));
    CHECK_EQ(int(state), int(MF_STREAM_STATE_RUNNING));

    Com<IMFAttributes> token;
    CHECK_EQ(long(MFCreateAttributes(token.put(), 0)), long(S_OK));
    CHECK_EQ(long(stream->RequestSample(token.p)), long(S_OK));
    Com<IUnknown> sampleObject;
    CHECK_EQ(long(nextEvent(stream.p, sampleObject.put())), long(MEMediaSample));
    Com<IMFSample> sample;
    CHECK_EQ(long(sampleObject->QueryInterface(IID_IMFSample, sample.putVoid())), long(S_OK));
    Com<IUnknown> carried;
    CHECK_EQ(long(sample->GetUnknown(MFSampleExtension_Token, IID_IUnknown, carried.putVoid())),
             long(S_OK));
    Com<IUnknown> tokenIdentity;
    token->QueryInterface(IID_IUnknown, tokenIdentity.putVoid());
    CHECK(carried.p == tokenIdentity.p);

    CHECK_EQ(long(stream->SetStreamState(MF_STREAM_STATE_STOPPED)), long(S_OK));
    CHECK_EQ(long(nextEvent(stream.p)), long(MEStreamStopped));
    CHECK_EQ(long(stream->GetStreamState(&state)), long(S_OK));
    CHECK_EQ(int(state), int(MF_STREAM_STATE_STOPPED));
    CHECK_EQ(long(stream->RequestSample(nullptr)), long(MF_E_MEDIA_SOURCE_WRONGSTATE));
    CHECK_EQ(long(stream->SetStreamState(MF_STREAM_STATE_RUNNING)), long(S_OK));
    CHECK_EQ(long(nextEvent(stream.p)), long(MEStreamStarted));

    CHECK_EQ(long(source->Pause()), long(S_OK));
    CHECK_EQ(long(nextEvent(stream.p)), long(MEStreamPaused));
    CHECK_EQ(long(nextEvent(source.p)), long(MESourcePaused));
    CHECK_EQ(long(stream->RequestSample(nullptr)), long(S_OK)); // waits for the next start
    CHECK_EQ(long(source->Start(presentation.p, nullptr, &start)), long(S_OK));
    Com<IUnknown> updated;
    CHECK_EQ(long(nextEvent(source.p, updated.put())), long(MEUpdatedStream));
    CHECK_EQ(long(nextEvent(source.p)), long(MESourceStarted));
    CHECK_EQ(long(nextEvent(stream.p)), long(MEStreamStarted));
    Com<IUnknown> waited;
    CHECK_EQ(long(nextEvent(stream.p, waited.put())), long(MEMediaSample));

    CHECK_EQ(long(source->Stop()), long(S_OK));
    CHECK_EQ(long(nextEvent(stream.p)), long(MEStreamStopped));
    CHECK_EQ(long(nextEvent(source.p)), long(MESourceStopped));

    CHECK_EQ(long(source->Shutdown()), long(S_OK));
    Com<IMFMediaEvent> event;
    CHECK_EQ(long(stream->RequestSample(nullptr)), long(MF_E_SHUTDOWN));
    CHECK_EQ(long(stream->GetEvent(MF_EVENT_FLAG_NO_WAIT, event.put())), long(MF_E_SHUTDOWN));
    CHECK_EQ(long(stream->SetStreamState(MF_STREAM_STATE_RUNNING)), long(MF_E_SHUTDOWN));
}

// regsvr32 and the helper call these: the class lands machine-wide, where the Frame Server's
// account reads it, and goes again.
WIN_TEST(registersTheClassMachineWide)
{
    const std::wstring dll = programFolder() + L"vidlet-mfcamera.dll";
    const std::wstring key = std::wstring(L"SOFTWARE\\Classes\\CLSID\\")
        + softcam::kMediaSourceClsidText + L"\\InprocServer32";
    CHECK_EQ(runProgram(L"regsvr32.exe /s \"" + dll + L"\""), 0);
    wchar_t value[MAX_PATH] = {};
    DWORD bytes = sizeof value - sizeof(wchar_t);
    CHECK_EQ(long(RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), nullptr,
                               RRF_RT_REG_SZ | RRF_SUBKEY_WOW6464KEY, nullptr, value, &bytes)),
             long(ERROR_SUCCESS));
    CHECK_EQ(_wcsicmp(value, dll.c_str()), 0);
    bytes = sizeof value - sizeof(wchar_t);
    CHECK_EQ(long(RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"ThreadingModel",
                               RRF_RT_REG_SZ | RRF_SUBKEY_WOW6464KEY, nullptr, value, &bytes)),
             long(ERROR_SUCCESS));
    CHECK_EQ(std::wstring(value), std::wstring(L"Both"));
    CHECK_EQ(runProgram(L"regsvr32.exe /u /s \"" + dll + L"\""), 0);
    bytes = sizeof value;
    CHECK_EQ(long(RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), nullptr,
                               RRF_RT_REG_SZ | RRF_SUBKEY_WOW6464KEY, nullptr, value, &bytes)),
             long(ERROR_FILE_NOT_FOUND));
}
