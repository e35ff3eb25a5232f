#include "system/SystemIntegration_win.h"
#include "tests/win/TestCameraKey.h"
#include "tests/win/WinMachine.h"
#include "tests/win/WinTest.h"

using namespace WinMachine;

// The Windows backend against the Wine prefix: regsvr32 really runs (Wine starts "runas"
// children without a prompt) on a stand-in camera DLL, and a test child stands in for the helper.

namespace {

const std::wstring cameraClass = std::wstring(L"CLSID\\") + TestCameraKey::clsid;

// A program folder, with a space in its name as under Program Files.
class ProgramFolder {
public:
    ProgramFolder()
        : folder(binFolder() + L"system scratch")
    {
        clean();
        CreateDirectoryW(folder.c_str(), nullptr);
    }
    ~ProgramFolder()
    {
        clean();
        SetEnvironmentVariableW(L"VIDLET_TEST_CHILD_SLEEP_MS", nullptr);
    }
    std::wstring path(const wchar_t* name) const { return folder + L"\\" + name; }
    std::wstring program() const { return path(L"Vidlet.exe"); }
    void add(const wchar_t* from, const wchar_t* as) const
    {
        CHECK(copyFile(binFolder() + from, path(as)));
    }

private:
    void clean() const
    {
        deleteKey(HKEY_CLASSES_ROOT, cameraClass);
        removeFolder(folder);
    }
    const std::wstring folder;
};

} // namespace

WIN_TEST(registrationGoesThroughRegsvr32)
{
    ProgramFolder folder;
    folder.add(L"test_camera.dll", L"softcam.dll");
    WindowsSystemIntegration system(folder.program());
    CHECK(!system.isCameraRegistered());
    int done = 0;
    system.registerCamera([&] { ++done; });
    CHECK_EQ(done, 1);
    CHECK(system.isCameraRegistered());
    CHECK_EQ(readString(HKEY_CLASSES_ROOT, TestCameraKey::inprocServer, nullptr),
             folder.path(L"softcam.dll"));
    system.unregisterCamera([&] { ++done; });
    CHECK_EQ(done, 2);
    CHECK(!system.isCameraRegistered());
}

WIN_TEST(missingFilesMakeTheActionsDoNothing)
{
    // Nothing to start: no call may fail or change the state.
    ProgramFolder folder;
    for (const std::wstring& program : {folder.program(), std::wstring()}) {
        WindowsSystemIntegration system(program);
        int done = 0;
        system.registerCamera([&] { ++done; });
        system.unregisterCamera([&] { ++done; });
        system.allowThroughFirewall([&] { ++done; });
        CHECK_EQ(done, 3); // the caller still learns that each action is over
        CHECK(!system.isCameraRegistered());
    }
}

WIN_TEST(aThirtyTwoBitRegistrationDoesNotCount)
{
    ProgramFolder folder;
    HKEY key = nullptr;
    CHECK(RegCreateKeyExW(HKEY_CLASSES_ROOT, TestCameraKey::inprocServer, 0, nullptr, 0,
                          KEY_WRITE | KEY_WOW64_32KEY, nullptr, &key, nullptr)
          == ERROR_SUCCESS);
    RegCloseKey(key);
    const bool registered = WindowsSystemIntegration(folder.program()).isCameraRegistered();
    HKEY classes = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID", 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, &classes)
        == ERROR_SUCCESS) {
        RegDeleteTreeW(classes, TestCameraKey::clsid);
        RegCloseKey(classes);
    }
    if (keyExists(HKEY_CLASSES_ROOT, TestCameraKey::inprocServer))
        WinTest::skip("this Wine shows 32-bit class keys in the 64-bit view");
    CHECK(!registered);
}

WIN_TEST(firewallActionRunsTheHelperAndWaitsForIt)
{
    ProgramFolder folder;
    folder.add(L"test_child.exe", L"vidlet-regtool.exe");
    SetEnvironmentVariableW(L"VIDLET_TEST_CHILD_SLEEP_MS", L"300");
    WindowsSystemIntegration(folder.program()).allowThroughFirewall([] {});
    // The child writes its record only after its sleep: it is there, so the call waited.
    const auto lines = readLines(folder.path(L"child-ran.txt"));
    CHECK_EQ(lines.size(), size_t(1));
    const std::string suffix = "--firewall";
    CHECK(lines[0].size() > suffix.size()
          && lines[0].compare(lines[0].size() - suffix.size(), suffix.size(), suffix) == 0);
    CHECK(lines[0].find("vidlet-regtool.exe") != std::string::npos);
}

WIN_TEST(waitForTheHelperIsBounded)
{
    ProgramFolder folder;
    folder.add(L"test_child.exe", L"vidlet-regtool.exe");
    SetEnvironmentVariableW(L"VIDLET_TEST_CHILD_SLEEP_MS", L"3000");
    WindowsSystemIntegration(folder.program(), 100).allowThroughFirewall([] {});
    const bool endedBeforeReturn = fileExists(folder.path(L"child-ran.txt"));
    // Let the child finish before its folder goes.
    for (int i = 0; i < 100 && !fileExists(folder.path(L"child-ran.txt")); ++i)
        Sleep(100);
    CHECK(!endedBeforeReturn);
    CHECK(fileExists(folder.path(L"child-ran.txt")));
}

WIN_TEST(wineFirewallIsNeverBlocking)
{
    CHECK(!WindowsSystemIntegration(L"C:\\Program Files\\Vidlet\\Vidlet.exe").isInboundBlocked());
}
