#include "regtool/RegTool_win.h"
#include "tests/win/TestCameraKey.h"
#include "tests/win/WinMachine.h"
#include "tests/win/WinTest.h"

using namespace WinMachine;

// vidlet-regtool.exe run as a child process from a scratch program folder, against the Wine
// prefix's ProgramData, HKLM and HKCR, which every case leaves as it found them.

namespace {

const std::wstring vidletKey = L"SOFTWARE\\Vidlet";
const std::wstring mediaSourceKey =
    L"SOFTWARE\\Classes\\CLSID\\{1CEE0E55-073D-4610-87A8-E8B0B8C727A1}";

void cleanMachine()
{
    deleteKey(HKEY_LOCAL_MACHINE, vidletKey);
    deleteKey(HKEY_LOCAL_MACHINE, mediaSourceKey);
    deleteKey(HKEY_CLASSES_ROOT, std::wstring(L"CLSID\\") + TestCameraKey::clsid);
    removeFolder(dataFolder());
}

std::wstring stagedCopy()
{
    return dataFolder() + L"\\softcam-1.1.dll";
}

std::vector<std::string> helperLog()
{
    return readLines(dataFolder() + L"\\regtool.log");
}

bool logHas(const std::string& line)
{
    for (const std::string& logged : helperLog())
        if (logged == line)
            return true;
    return false;
}

bool logHasPrefix(const std::string& start)
{
    for (const std::string& logged : helperLog())
        if (logged.compare(0, start.size(), start) == 0)
            return true;
    return false;
}

// A program folder holding the helper and, when named, one of the test DLLs as softcam.dll;
// the camera's Media Foundation source beside it when asked.
class ProgramFolder {
public:
    explicit ProgramFolder(const wchar_t* cameraDll, bool withVidlet = false,
                           bool withMediaSource = false)
        : folder(binFolder() + L"regtool-scratch")
    {
        cleanMachine();
        removeFolder(folder);
        CreateDirectoryW(folder.c_str(), nullptr);
        CHECK(copyFile(binFolder() + L"vidlet-regtool.exe", helper()));
        if (cameraDll)
            CHECK(copyFile(binFolder() + cameraDll, path(L"softcam.dll")));
        if (withVidlet)
            CHECK(writeFile(path(L"Vidlet.exe"), "MZ"));
        if (withMediaSource)
            CHECK(copyFile(binFolder() + L"vidlet-mfcamera.dll", path(L"vidlet-mfcamera.dll")));
    }
    ~ProgramFolder()
    {
        cleanMachine();
        removeFolder(folder);
    }

    std::wstring path(const wchar_t* name) const { return folder + L"\\" + name; }
    std::wstring helper() const { return path(L"vidlet-regtool.exe"); }
    int run(const std::wstring& arguments) const
    {
        return WinMachine::run(L"\"" + helper() + L"\" " + arguments);
    }

private:
    const std::wstring folder;
};

// Forgets the deletions the helper scheduled for the next start of Windows, so the prefix's next
// start has nothing to do; gives what was pending.
std::wstring forgetScheduledDeletions()
{
    const wchar_t* pendingKey = L"System\\CurrentControlSet\\Control\\Session Manager";
    HKEY session = nullptr;
    std::vector<wchar_t> pending(4096);
    DWORD bytes = DWORD((pending.size() - 1) * sizeof(wchar_t));
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, pendingKey, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, &session)
        == ERROR_SUCCESS) {
        RegQueryValueExW(session, L"PendingFileRenameOperations", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(pending.data()), &bytes);
        RegDeleteValueW(session, L"PendingFileRenameOperations");
        RegCloseKey(session);
    }
    return pending.data();
}

// Whether an allowing rule of the SDDL text `rules` lets `who` (an SDDL account: "WD" for
// everyone, "BU" for users) add or change files.
bool mayWrite(const std::wstring& rules, const std::wstring& who)
{
    for (size_t start = rules.find(L"(A;"); start != std::wstring::npos;
         start = rules.find(L"(A;", start + 1)) {
        const std::wstring rule = rules.substr(start + 1, rules.find(L')', start) - start - 1);
        // A;flags;rights;object;inherited object;account
        std::vector<std::wstring> fields;
        for (size_t from = 0, semicolon; from != std::wstring::npos; from = semicolon) {
            semicolon = rule.find(L';', from);
            fields.push_back(rule.substr(from, semicolon - from));
            if (semicolon != std::wstring::npos)
                ++semicolon;
        }
        if (fields.size() != 6 || fields[5] != who)
            continue;
        const std::wstring& rights = fields[2];
        const bool writes = rights.compare(0, 2, L"0x") == 0
            ? (wcstoul(rights.c_str(), nullptr, 16) & (FILE_WRITE_DATA | FILE_APPEND_DATA)) != 0
            : rights.find(L"FA") != std::wstring::npos || rights.find(L"GA") != std::wstring::npos
                || rights.find(L"FW") != std::wstring::npos
                || rights.find(L"GW") != std::wstring::npos;
        if (writes)
            return true;
    }
    return false;
}

} // namespace

WIN_TEST(commandLineMustBeOneKnownCommand)
{
    ProgramFolder program(L"test_camera.dll", true);
    CHECK_EQ(WinMachine::run(L"\"" + program.helper() + L"\""), 1);
    CHECK_EQ(program.run(L"--REGISTER"), 1);
    CHECK_EQ(program.run(L"--Firewall"), 1);
    CHECK_EQ(program.run(L"--register --firewall"), 1);
    CHECK_EQ(program.run(L"\"\""), 1);
    CHECK(!fileExists(dataFolder()));
}

WIN_TEST(registerStagesRecordsAndUnregisterTakesAllBack)
{
    ProgramFolder program(L"test_camera.dll");
    CHECK_EQ(program.run(L"--register"), 0);
    CHECK(fileExists(stagedCopy()));
    CHECK_EQ(readString(HKEY_LOCAL_MACHINE, vidletKey, L"CameraPath"), stagedCopy());
    CHECK_EQ(readString(HKEY_LOCAL_MACHINE, vidletKey, L"CameraVersion"), std::wstring(L"1.1"));
    // The staged copy registered itself, not the one beside the helper.
    CHECK_EQ(readString(HKEY_CLASSES_ROOT, TestCameraKey::inprocServer, nullptr), stagedCopy());
    const auto lines = helperLog();
    CHECK_EQ(lines.size(), size_t(4));
    CHECK_EQ(lines[0],
             "--- register: src=" + WinTest::narrow(program.path(L"softcam.dll"))
                 + " dst=" + WinTest::narrow(stagedCopy()));
    CHECK_EQ(lines[1], std::string("DllRegisterServer ok"));
    CHECK_EQ(lines[2],
             std::string("no vidlet-mfcamera.dll beside the helper: the DirectShow camera alone"));
    CHECK_EQ(lines[3], std::string("registered, version 1.1"));

    CHECK_EQ(program.run(L"--unregister"), 0);
    CHECK(!keyExists(HKEY_CLASSES_ROOT, TestCameraKey::inprocServer));
    CHECK(!keyExists(HKEY_LOCAL_MACHINE, vidletKey));
    CHECK(!fileExists(dataFolder())); // copy, log and folder are gone
}

// The camera's Media Foundation source (the real one) is staged beside the camera and
// registered machine-wide from its staged copy, where the Frame Server's account reads it, and
// both go again together.
WIN_TEST(registerStagesTheMediaSourceBesideTheCamera)
{
    ProgramFolder program(L"test_camera.dll", false, true);
    const std::wstring staged = dataFolder() + L"\\vidlet-mfcamera-1.1.dll";
    CreateDirectoryW(dataFolder().c_str(), nullptr);
    CHECK(writeFile(dataFolder() + L"\\vidlet-mfcamera-1.0.dll", "MZ")); // an older version's
    CHECK_EQ(program.run(L"--register"), 0);
    CHECK(fileExists(staged));
    CHECK(!fileExists(dataFolder() + L"\\vidlet-mfcamera-1.0.dll"));
    CHECK_EQ(readString(HKEY_LOCAL_MACHINE, vidletKey, L"MediaSourcePath"), staged);
    CHECK_EQ(readString(HKEY_LOCAL_MACHINE, mediaSourceKey + L"\\InprocServer32", nullptr), staged);
    CHECK_EQ(
        readString(HKEY_LOCAL_MACHINE, mediaSourceKey + L"\\InprocServer32", L"ThreadingModel"),
        std::wstring(L"Both"));
    CHECK_EQ(readString(HKEY_CLASSES_ROOT, TestCameraKey::inprocServer, nullptr), stagedCopy());
    CHECK(logHas("registered, version 1.1"));

    CHECK_EQ(program.run(L"--unregister"), 0);
    CHECK(!keyExists(HKEY_LOCAL_MACHINE, mediaSourceKey));
    CHECK(!keyExists(HKEY_CLASSES_ROOT, TestCameraKey::inprocServer));
    CHECK(!fileExists(dataFolder()));
}

WIN_TEST(unregisterWithNothingThereSucceeds)
{
    ProgramFolder program(nullptr);
    CHECK_EQ(program.run(L"--unregister"), 0);
    CHECK(!fileExists(dataFolder()));
    // The same once the data folder exists and only holds the log.
    CreateDirectoryW(dataFolder().c_str(), nullptr);
    CHECK(writeFile(dataFolder() + L"\\regtool.log", "earlier\r\n"));
    CHECK_EQ(program.run(L"--unregister"), 0);
    CHECK(!fileExists(dataFolder()));
}

WIN_TEST(registerReportsEachFailure)
{
    {
        ProgramFolder program(nullptr);
        CHECK_EQ(program.run(L"--register"), 2);
        CHECK(logHas("source dll missing"));
    }
    {
        ProgramFolder program(L"test_camera_bare.dll");
        CHECK_EQ(program.run(L"--register"), 6);
        CHECK(logHas("DllRegisterServer not exported"));
        CHECK(!keyExists(HKEY_LOCAL_MACHINE, vidletKey));
    }
    {
        ProgramFolder program(nullptr);
        CHECK(writeFile(program.path(L"softcam.dll"), "not a library"));
        CHECK_EQ(program.run(L"--register"), 5);
        CHECK(logHasPrefix("LoadLibraryEx failed on " + WinTest::narrow(stagedCopy()) + " (err "));
    }
    {
        // The source cannot be read while another program holds it exclusively.
        ProgramFolder program(L"test_camera.dll");
        HANDLE locked = CreateFileW(program.path(L"softcam.dll").c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        CHECK(locked != INVALID_HANDLE_VALUE);
        const int result = program.run(L"--register");
        CloseHandle(locked);
        CHECK_EQ(result, 4);
        CHECK(logHas("CopyFile failed (err 32)"));
    }
    {
        ProgramFolder program(L"test_camera_failing.dll");
        CHECK_EQ(program.run(L"--register"), 6);
        CHECK(logHas("DllRegisterServer returned 0x80004005"));
        CHECK(!keyExists(HKEY_LOCAL_MACHINE, vidletKey));
    }
}

WIN_TEST(dataFolderMustBeKnownAndCreatable)
{
    const std::wstring helperFolder = binFolder();
    CHECK_EQ(RegTool(helperFolder, L"").run({L"--register"}), 3);
    CHECK_EQ(RegTool(helperFolder, L"").run({L"--unregister"}), 3);
    const std::wstring unreachable = L"C:\\vidlet-no-such-folder\\below\\Vidlet";
    CHECK_EQ(RegTool(helperFolder, unreachable).run({L"--register"}), 3);
    CHECK(!fileExists(unreachable));
}

WIN_TEST(failedUnregisterStillRemovesKeyAndCopiesButKeepsLog)
{
    ProgramFolder program(L"test_camera.dll");
    CHECK_EQ(program.run(L"--register"), 0);
    CHECK(copyFile(binFolder() + L"test_camera_failing.dll", stagedCopy()));
    CHECK(copyFile(binFolder() + L"test_camera.dll", dataFolder() + L"\\softcam-0.9.dll"));
    CHECK_EQ(program.run(L"--unregister"), 6);
    CHECK(!keyExists(HKEY_LOCAL_MACHINE, vidletKey));
    CHECK(!fileExists(stagedCopy()));
    CHECK(!fileExists(dataFolder() + L"\\softcam-0.9.dll"));
    CHECK(logHas("--- unregister: " + WinTest::narrow(stagedCopy())));
    CHECK(logHas("DllUnregisterServer returned 0x80004005"));
    CHECK(logHas("sweeping stale softcam-0.9.dll"));
}

WIN_TEST(copyInUseIsReused)
{
    ProgramFolder program(L"test_camera.dll");
    CHECK_EQ(program.run(L"--register"), 0);
    HMODULE held = LoadLibraryW(stagedCopy().c_str());
    CHECK(held != nullptr);
    const int result = program.run(L"--register");
    FreeLibrary(held);
    CHECK_EQ(result, 0);
    const auto lines = helperLog();
    CHECK_EQ(lines.size(), size_t(10));
    CHECK_EQ(lines[5], std::string("CopyFile failed (err 32)"));
    CHECK_EQ(lines[6], std::string("same-version copy already present and in use, reusing it"));
    CHECK_EQ(lines[7], std::string("DllRegisterServer ok"));
}

WIN_TEST(staleCopyInUseIsScheduledForDeletion)
{
    ProgramFolder program(L"test_camera.dll");
    CreateDirectoryW(dataFolder().c_str(), nullptr);
    const std::wstring inUse = dataFolder() + L"\\softcam-1.0.dll";
    const std::wstring unused = dataFolder() + L"\\SOFTCAM-0.9.DLL";
    CHECK(copyFile(binFolder() + L"test_camera.dll", inUse));
    CHECK(copyFile(binFolder() + L"test_camera.dll", unused));
    HMODULE held = LoadLibraryW(inUse.c_str());
    CHECK(held != nullptr);

    const int result = program.run(L"--register");
    FreeLibrary(held);
    DeleteFileW(inUse.c_str());
    const std::wstring pending = forgetScheduledDeletions();

    CHECK_EQ(result, 0);
    CHECK(!fileExists(unused));
    CHECK(fileExists(stagedCopy()));
    CHECK(logHas("sweeping stale softcam-1.0.dll"));
    CHECK(logHas("DeleteFile " + WinTest::narrow(inUse)
                 + " failed (err 5), delete scheduled for next reboot"));
    CHECK(logHas("sweeping stale SOFTCAM-0.9.DLL"));
    CHECK(pending.find(inUse) != std::wstring::npos);
}

// Any user may create files in ProgramData, and the helper runs what it registers as an
// administrator: a file planted at the staged name (read-only, or loaded by a program so that it
// cannot be replaced) is never loaded. The planted stand-in's registration fails, so running it
// would show as exit code 6.
WIN_TEST(aPlantedCopyIsNeverLoaded)
{
    {
        ProgramFolder program(L"test_camera.dll");
        CreateDirectoryW(dataFolder().c_str(), nullptr);
        CHECK(copyFile(binFolder() + L"test_camera_failing.dll", stagedCopy()));
        CHECK(SetFileAttributesW(stagedCopy().c_str(), FILE_ATTRIBUTE_READONLY));
        HMODULE planted = LoadLibraryW(stagedCopy().c_str());
        CHECK(planted != nullptr);
        const int result = program.run(L"--register");
        FreeLibrary(planted);
        forgetScheduledDeletions();

        CHECK_EQ(result, 0);
        CHECK(logHas("the file at the staged name is not the shipped camera: never loaded"));
        CHECK(!logHasPrefix("DllRegisterServer returned"));
        CHECK(readBytes(stagedCopy()) == readBytes(program.path(L"softcam.dll")));
        CHECK_EQ(readString(HKEY_CLASSES_ROOT, TestCameraKey::inprocServer, nullptr), stagedCopy());
        CHECK(logHasPrefix("sweeping stale softcam-aside-"));
    }
    {
        // Held by a program that shares it with nobody: it cannot be checked, removed or renamed.
        ProgramFolder program(L"test_camera.dll");
        CreateDirectoryW(dataFolder().c_str(), nullptr);
        CHECK(copyFile(binFolder() + L"test_camera_failing.dll", stagedCopy()));
        HANDLE locked = CreateFileW(stagedCopy().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        CHECK(locked != INVALID_HANDLE_VALUE);
        const int result = program.run(L"--register");
        CloseHandle(locked);

        CHECK_EQ(result, 4);
        CHECK(logHasPrefix(WinTest::narrow(stagedCopy()) + " can be neither removed nor renamed"));
        CHECK(!keyExists(HKEY_CLASSES_ROOT, TestCameraKey::inprocServer));
        CHECK(!keyExists(HKEY_LOCAL_MACHINE, vidletKey));
    }
}

// A data folder someone else made, open to everyone, is closed to all but the administrators and
// the system before anything is staged in it; a new one is made so. (Wine keeps no security
// rules of its own: it shows a folder's Unix mode as rules for its owner and for everyone.)
WIN_TEST(theDataFolderIsTheAdministrators)
{
    ProgramFolder program(L"test_camera.dll");
    CHECK(makeFolderWithRules(dataFolder(), L"O:BUD:(A;OICI;FA;;;WD)"));
    CHECK(mayWrite(folderRules(dataFolder()), L"WD"));
    CHECK_EQ(program.run(L"--register"), 0);
    for (const wchar_t* others : {L"WD", L"BU", L"AU", L"AC"})
        CHECK(!mayWrite(folderRules(dataFolder()), others));
    CHECK_EQ(program.run(L"--unregister"), 0);
    CHECK(!fileExists(dataFolder()));
    CHECK_EQ(program.run(L"--register"), 0);
    CHECK(!mayWrite(folderRules(dataFolder()), L"WD"));
}

WIN_TEST(firewallNeedsVidletBesideTheHelper)
{
    {
        ProgramFolder program(L"test_camera.dll");
        CHECK_EQ(program.run(L"--firewall"), 2);
        const auto lines = helperLog();
        CHECK_EQ(lines.size(), size_t(2));
        CHECK_EQ(lines[0], "--- firewall: " + WinTest::narrow(program.path(L"Vidlet.exe")));
        CHECK_EQ(lines[1], std::string("Vidlet.exe not found next to the helper"));
    }
    // Wine's firewall stores no rule, so only the report can be checked: the exit code and the
    // log agree. The rule logic itself is tested against test objects.
    ProgramFolder program(nullptr, true);
    for (const wchar_t* command : {L"--firewall", L"--unfirewall"}) {
        removeFolder(dataFolder());
        const int result = program.run(command);
        CHECK(result == 0 || result == 8);
        CHECK_EQ(helperLog().size(), size_t(2));
        CHECK_EQ(helperLog()[1],
                 std::string(result == 0 ? "firewall rules updated" : "firewall update failed"));
    }
}
