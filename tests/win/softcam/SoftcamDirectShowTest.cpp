// softcam.dll as the system's programs meet it: registered with regsvr32, listed by DirectShow's
// device enumerator, run in a capture graph while a separate process (SoftcamSender) makes the
// camera and sends frames through the DLL's exports.
#include "tests/win/WinTest.h"
#include "tests/win/softcam/CaptureGraph.h"
#include "tests/win/softcam/ChildProcess.h"
#include "tests/win/softcam/FramePattern.h"
#include "softcam/win/NotRunningCard.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

const wchar_t* const kCameraName = L"Vidlet Camera";
const wchar_t* const kClassKey = L"CLSID\\{276143AA-B755-440E-834A-93CDEBCA334B}\\InprocServer32";
constexpr GUID kSubtypeI420 = {
    0x30323449, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

std::wstring dllPath()
{
    return programFolder() + L"softcam.dll";
}

int regsvr32(const wchar_t* options)
{
    return runProgram(L"regsvr32.exe " + std::wstring(options) + L" \"" + dllPath() + L"\"");
}

// The server path under the key programs read, in the 64-bit view; empty when the key is absent.
std::wstring registeredServer()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, kClassKey, 0, KEY_READ | KEY_WOW64_64KEY, &key)
        != ERROR_SUCCESS)
        return {};
    wchar_t value[MAX_PATH] = {};
    DWORD bytes = sizeof value - sizeof(wchar_t);
    const bool read =
        RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &bytes)
        == ERROR_SUCCESS;
    RegCloseKey(key);
    return read ? std::wstring(value) : L"?";
}

bool listed()
{
    const std::vector<std::wstring> names = CaptureGraph::videoInputNames();
    return std::find(names.begin(), names.end(), kCameraName) != names.end();
}

// COM on this thread, and the camera registered, for one case; unregistered again at its end,
// also when it fails, so the prefix is left as it was found.
struct RegisteredCamera {
    RegisteredCamera()
    {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        CHECK_EQ(regsvr32(L"/s"), 0);
    }
    ~RegisteredCamera()
    {
        regsvr32(L"/u /s");
        CoUninitialize();
    }
};

// The process that plays Vidlet.
struct Sender : ChildProcess {
    Sender() { CHECK(start(L"\"" + programFolder() + L"SoftcamSender.exe\"")); }
    void send(const std::string& command) { CHECK_EQ(ask(command), std::string("ok")); }
    // scIsConnected, polled until it reads `expected` (the graph's thread counts itself in
    // and out on its next frame period).
    bool connectedBecomes(bool expected)
    {
        for (int tries = 0; tries < 150; ++tries) {
            if (ask("connected") == (expected ? "1" : "0"))
                return true;
            Sleep(20);
        }
        return false;
    }
};

IBaseFilter* boundCamera()
{
    IBaseFilter* camera = CaptureGraph::bindVideoInput(kCameraName);
    CHECK(camera != nullptr);
    return camera;
}

// RGB24 as DirectShow carries it: rows padded to 4 bytes, bottom row first.
std::vector<unsigned char> asRgb24(const std::vector<unsigned char>& bgr, int width, int height)
{
    const std::size_t pitch = (std::size_t(width) * 3 + 3) & ~std::size_t(3);
    std::vector<unsigned char> rgb24(pitch * height, 0);
    for (int y = 0; y < height; ++y)
        std::copy_n(&bgr[std::size_t(y) * width * 3], std::size_t(width) * 3,
                    &rgb24[std::size_t(height - 1 - y) * pitch]);
    return rgb24;
}

std::vector<unsigned char> notRunningCard(int width, int height)
{
    return asRgb24(softcam::NotRunningCard::draw(width, height, GetUserDefaultUILanguage()), width,
                   height);
}

auto equalTo(const std::vector<unsigned char>& expected)
{
    return [&expected](const std::vector<unsigned char>& got) { return got == expected; };
}

} // namespace

WIN_TEST(regsvr32RegistersTheCameraAndUnregistersIt)
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    CHECK_EQ(regsvr32(L"/s"), 0);
    const std::wstring server = registeredServer();
    const bool found = listed();
    CHECK_EQ(regsvr32(L"/u /s"), 0);
    const std::wstring afterwards = registeredServer();
    const bool stillListed = listed();
    CoUninitialize();

    CHECK(lstrcmpiW(server.c_str(), dllPath().c_str()) == 0);
    CHECK(found);
    CHECK(afterwards.empty());
    CHECK(!stillListed);
}

WIN_TEST(graphGetsBlackThenTheSentFramesPixelForPixel)
{
    RegisteredCamera registered;
    Sender sender;
    sender.send("create 161 121");
    CHECK_EQ(sender.ask("connected"), std::string("0"));

    IBaseFilter* camera = boundCamera();
    CaptureGraph graph;
    const bool built = graph.build(camera, MEDIASUBTYPE_RGB24);
    camera->Release();
    CHECK(built);
    CHECK_EQ(graph.width(), 161);
    CHECK_EQ(graph.height(), 121); // positive: bottom-up
    CHECK(graph.run());

    // Before the first frame: black.
    const auto black = asRgb24(std::vector<unsigned char>(161 * 121 * 3, 0), 161, 121);
    CHECK(graph.waitForSample(equalTo(black)));
    CHECK(sender.connectedBecomes(true));

    const auto first = asRgb24(framePattern(161, 121, 5), 161, 121);
    sender.send("pattern 5");
    CHECK(graph.waitForSample(equalTo(first)));
    const auto second = asRgb24(framePattern(161, 121, 6), 161, 121);
    sender.send("pattern 6");
    CHECK(graph.waitForSample(equalTo(second)));

    graph.stop();
    CHECK(sender.connectedBecomes(false));
    sender.send("delete");
}

WIN_TEST(runningGraphFollowsTheCameraAcrossDeleteAndSizeChange)
{
    RegisteredCamera registered;
    Sender sender;
    sender.send("create 160 120");
    sender.send("pattern 1");
    IBaseFilter* camera = boundCamera();
    {
        CaptureGraph graph;
        CHECK(graph.build(camera, MEDIASUBTYPE_RGB24));
        CHECK(graph.run());
        CHECK(graph.waitForSample(equalTo(asRgb24(framePattern(160, 120, 1), 160, 120))));

        // Deleted for good (Vidlet went): the card that says Vidlet is not running.
        sender.send("delete");
        CHECK(graph.waitForSample(equalTo(notRunningCard(160, 120))));

        // Another size: the running graph keeps the size it negotiated and gets the new
        // camera's picture scaled to it, of the same shape filling it, of another shape
        // between black bars (never stretched).
        sender.send("create 80 60");
        sender.send("colour 10 200 30");
        const auto green = asRgb24(uniformFrame(160, 120, 10, 200, 30), 160, 120);
        CHECK(graph.waitForSample(equalTo(green)));
        CHECK(sender.connectedBecomes(true));
        sender.send("delete");
        sender.send("create 60 60");
        sender.send("colour 200 40 90");
        std::vector<unsigned char> barred(160 * 120 * 3, 0);
        for (int y = 0; y < 120; ++y)
            for (int x = 20; x < 140; ++x) {
                unsigned char* pixel = &barred[std::size_t(y * 160 + x) * 3];
                pixel[0] = 200;
                pixel[1] = 40;
                pixel[2] = 90;
            }
        CHECK(graph.waitForSample(equalTo(asRgb24(barred, 160, 120))));
    }
    CHECK(sender.connectedBecomes(false));

    // A graph built now negotiates the new size.
    CaptureGraph graph;
    const bool built = graph.build(camera, MEDIASUBTYPE_RGB24);
    camera->Release();
    CHECK(built);
    CHECK_EQ(graph.width(), 60);
    CHECK_EQ(graph.height(), 60);
    sender.send("pattern 9");
    CHECK(graph.run());
    CHECK(graph.waitForSample(equalTo(asRgb24(framePattern(60, 60, 9), 60, 60))));
}

// A program that opens the listed camera while Vidlet is not running gets a card in the user's
// language that says so, not black; the camera's picture once Vidlet makes it. A camera made
// again at another size keeps the last picture meanwhile, never showing the card.
WIN_TEST(withoutVidletTheGraphGetsTheNotRunningCard)
{
    RegisteredCamera registered;
    IBaseFilter* camera = boundCamera();
    CaptureGraph graph;
    const bool built = graph.build(camera, MEDIASUBTYPE_RGB24);
    camera->Release();
    CHECK(built);
    CHECK_EQ(graph.width(), 1280);
    const auto card = notRunningCard(1280, 720);
    CHECK(graph.run());
    CHECK(graph.waitForSample(equalTo(card)));

    Sender sender;
    sender.send("create 1280 720");
    sender.send("pattern 3");
    const auto picture = asRgb24(framePattern(1280, 720, 3), 1280, 720);
    CHECK(graph.waitForSample(equalTo(picture)));
    sender.send("delete");
    sender.send("create 640 360");
    int cards = 0;
    CHECK(!graph.waitForSample(
        [&](const std::vector<unsigned char>& got) {
            cards += got == card;
            return got != picture;
        },
        500));
    CHECK_EQ(cards, 0);
    sender.send("delete");
}

// Two programs read the camera at once, each in the format it asked for: both get every new
// picture, and the camera counts a reader until the last one stops.
WIN_TEST(twoGraphsReadTheCameraAtOnce)
{
    RegisteredCamera registered;
    Sender sender;
    sender.send("create 64 48");
    CaptureGraph rgb;
    CaptureGraph nv12;
    IBaseFilter* first = boundCamera();
    IBaseFilter* second = boundCamera();
    const bool built =
        rgb.build(first, MEDIASUBTYPE_RGB24) && nv12.build(second, MEDIASUBTYPE_NV12);
    first->Release();
    second->Release();
    CHECK(built);
    CHECK(rgb.run() && nv12.run());
    for (const int pattern : {4, 7}) {
        sender.send("pattern " + std::to_string(pattern));
        const auto picture = asRgb24(framePattern(64, 48, pattern), 64, 48);
        CHECK(rgb.waitForSample(equalTo(picture)));
    }
    sender.send("colour 0 0 255");
    CHECK(nv12.waitForSample([](const std::vector<unsigned char>& got) {
        return got.size() == 64 * 48 * 3 / 2 && got[0] == 82 && got[64 * 48] == 90
            && got[64 * 48 + 1] == 240;
    }));
    CHECK(rgb.waitForSample(equalTo(asRgb24(uniformFrame(64, 48, 0, 0, 255), 64, 48))));
    CHECK(sender.connectedBecomes(true));
    rgb.stop();
    CHECK_EQ(sender.ask("connected"), std::string("1"));
    nv12.stop();
    CHECK(sender.connectedBecomes(false));
    sender.send("delete");
}

WIN_TEST(theCardSpeaksTheUsersLanguage)
{
    using softcam::NotRunningCard;
    CHECK(NotRunningCard::text(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US))
          == L"Vidlet is not running");
    CHECK(NotRunningCard::text(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN)) == L"Vidlet läuft nicht");
    CHECK(NotRunningCard::text(MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT))
          == L"Vidlet は実行されていません");
    CHECK(NotRunningCard::text(MAKELANGID(LANG_DUTCH, SUBLANG_DEFAULT))
          == L"Vidlet is not running");
    // Words on the card: it is not one colour.
    const auto card = NotRunningCard::draw(320, 180, MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN));
    CHECK_EQ(card.size(), std::size_t(320 * 180 * 3));
    std::size_t lit = 0;
    for (std::size_t i = 0; i < card.size(); i += 3)
        lit += card[i] != card[0] || card[i + 1] != card[1] || card[i + 2] != card[2];
    CHECK(lit > 100);
}

WIN_TEST(pinDescribesItselfAndHonoursTheFormatAProgramSets)
{
    RegisteredCamera registered;
    Sender sender;
    sender.send("create 64 48");
    IBaseFilter* camera = boundCamera();
    IEnumPins* pins = nullptr;
    IPin* pin = nullptr;
    CHECK(SUCCEEDED(camera->EnumPins(&pins)) && pins->Next(1, &pin, nullptr) == S_OK);
    pins->Release();

    IKsPropertySet* properties = nullptr;
    CHECK(
        SUCCEEDED(pin->QueryInterface(IID_IKsPropertySet, reinterpret_cast<void**>(&properties))));
    GUID category = GUID_NULL;
    DWORD returned = 0;
    const HRESULT got = properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0,
                                        &category, sizeof category, &returned);
    properties->Release();
    CHECK(SUCCEEDED(got) && category == PIN_CATEGORY_CAPTURE && returned == sizeof(GUID));

    IAMStreamConfig* config = nullptr;
    CHECK(SUCCEEDED(pin->QueryInterface(IID_IAMStreamConfig, reinterpret_cast<void**>(&config))));
    int count = 0, size = 0;
    CHECK(SUCCEEDED(config->GetNumberOfCapabilities(&count, &size)));
    CHECK_EQ(size, int(sizeof(VIDEO_STREAM_CONFIG_CAPS)));
    const GUID offered[] = {MEDIASUBTYPE_RGB24, MEDIASUBTYPE_YUY2, MEDIASUBTYPE_NV12, kSubtypeI420};
    CHECK_EQ(count, 4);
    AM_MEDIA_TYPE* i420 = nullptr;
    for (int i = 0; i < count; ++i) {
        AM_MEDIA_TYPE* type = nullptr;
        VIDEO_STREAM_CONFIG_CAPS caps{};
        CHECK(config->GetStreamCaps(i, &type, reinterpret_cast<BYTE*>(&caps)) == S_OK);
        const auto* video = reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat);
        CHECK(type->subtype == offered[i] && type->formattype == FORMAT_VideoInfo);
        CHECK(video->bmiHeader.biWidth == 64 && video->bmiHeader.biHeight == 48);
        CHECK(caps.MaxOutputSize.cx == 64 && caps.MinFrameInterval == 333333);
        if (type->subtype == kSubtypeI420) {
            i420 = type;
            continue;
        }
        CoTaskMemFree(type->pbFormat);
        CoTaskMemFree(type);
    }
    const HRESULT set = config->SetFormat(i420);
    CoTaskMemFree(i420->pbFormat);
    CoTaskMemFree(i420);
    CHECK(SUCCEEDED(set));
    AM_MEDIA_TYPE* current = nullptr;
    CHECK(SUCCEEDED(config->GetFormat(&current)));
    const bool currentIsI420 = current->subtype == kSubtypeI420;
    CoTaskMemFree(current->pbFormat);
    CoTaskMemFree(current);
    config->Release();
    pin->Release();
    CHECK(currentIsI420);

    // A graph that leaves the format to the camera gets the one set, also when the capture
    // graph builder finds the pin by its category and connects it.
    CaptureGraph graph;
    const bool built =
        graph.build(camera, GUID_NULL, CaptureGraph::Connection::CaptureGraphBuilder);
    camera->Release();
    CHECK(built);
    CHECK(graph.subtype() == kSubtypeI420);
    sender.send("colour 0 0 255");
    CHECK(graph.run());
    CHECK(graph.waitForSample([](const std::vector<unsigned char>& got) {
        return got.size() == 64 * 48 * 3 / 2 && got[0] == 82;
    }));
}

WIN_TEST(yuvLayoutsCarryTheBt601Colour)
{
    RegisteredCamera registered;
    Sender sender;
    sender.send("create 64 48");
    // Pure red in limited-range BT.601: Y 82, U 90, V 240.
    sender.send("colour 0 0 255");
    struct Layout {
        const char* name;
        GUID subtype;
        std::size_t bytes;
        std::size_t y, u, v; // offsets of one sample of each
    };
    const Layout layouts[] = {
        {"YUY2", MEDIASUBTYPE_YUY2, 64 * 48 * 2, 0, 1, 3},
        {"NV12", MEDIASUBTYPE_NV12, 64 * 48 * 3 / 2, 0, 64 * 48, 64 * 48 + 1},
        {"I420", kSubtypeI420, 64 * 48 * 3 / 2, 0, 64 * 48, 64 * 48 * 5 / 4},
    };
    for (const Layout& layout : layouts) {
        IBaseFilter* camera = boundCamera();
        CaptureGraph graph;
        const bool built = graph.build(camera, layout.subtype);
        camera->Release();
        if (!built)
            WinTest::fail(__FILE__, __LINE__, std::string("cannot connect in ") + layout.name);
        CHECK(graph.run());
        const bool red = graph.waitForSample([&](const std::vector<unsigned char>& got) {
            return got.size() == layout.bytes && got[layout.y] == 82 && got[layout.u] == 90
                && got[layout.v] == 240 && got[layout.bytes - 1] != 0;
        });
        if (!red)
            WinTest::fail(__FILE__, __LINE__, std::string("wrong colour in ") + layout.name);
    }
}
