// The Windows backend against the Wine prefix: the real helper registers a stand-in camera DLL
// (Wine starts "runas" children without a prompt), and a slow test child stands in for the
// helper where the wait itself is tested.
#include "system/SystemIntegration_win.h"
#include "tests/win/TestCameraKey.h"
#include "tests/win/WinMachine.h"

#include <QCoreApplication>
#include <QDir>
#include <QTest>
#include <QTimer>

#include <windows.h>

using namespace WinMachine;

namespace {

const std::wstring cameraClass = std::wstring(L"CLSID\\") + TestCameraKey::clsid;

// A program folder beside the test, with a space in its name as under Program Files.
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
    bool add(const wchar_t* from, const wchar_t* as) const
    {
        return copyFile(binFolder() + from, path(as));
    }
    // What the test child wrote: its command line, once it has slept.
    std::string childRecord() const
    {
        const auto lines = readLines(path(L"child-ran.txt"));
        return lines.empty() ? std::string() : lines.front();
    }

private:
    void clean() const
    {
        deleteKey(HKEY_CLASSES_ROOT, cameraClass);
        deleteKey(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vidlet");
        removeFolder(dataFolder());
        removeFolder(folder);
    }
    const std::wstring folder;
};

bool endsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size()
        && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

} // namespace

class WinSystemIntegrationTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The window's Register and Unregister run the installer's helper, which stages the camera
    // in the machine's data folder and registers that copy, never the program folder's.
    void registrationGoesThroughTheHelper()
    {
        ProgramFolder folder;
        QVERIFY(folder.add(L"vidlet-regtool.exe", L"vidlet-regtool.exe"));
        QVERIFY(folder.add(L"test_camera.dll", L"softcam.dll"));
        WindowsSystemIntegration system(folder.program());
        QVERIFY(!system.isCameraRegistered());
        int done = 0;
        system.registerCamera([&] { ++done; });
        QTRY_COMPARE_WITH_TIMEOUT(done, 1, 30000);
        QVERIFY(system.isCameraRegistered());
        QCOMPARE(readString(HKEY_CLASSES_ROOT, TestCameraKey::inprocServer, nullptr),
                 dataFolder() + L"\\softcam-1.1.dll");
        system.unregisterCamera([&] { ++done; });
        QTRY_COMPARE_WITH_TIMEOUT(done, 2, 30000);
        QVERIFY(!system.isCameraRegistered());
        QVERIFY(!fileExists(dataFolder()));
    }

    // The consent prompt and the helper's work take seconds: the GUI thread's events go on
    // meanwhile (the camera, the phones' keep-alives), and a second action waits its turn.
    void theWindowGoesOnWhileTheHelperWorks_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("register") << "--register";
        QTest::newRow("unregister") << "--unregister";
        QTest::newRow("firewall") << "--firewall";
    }
    void theWindowGoesOnWhileTheHelperWorks()
    {
        QFETCH(QString, command);
        ProgramFolder folder;
        QVERIFY(folder.add(L"test_child.exe", L"vidlet-regtool.exe"));
        SetEnvironmentVariableW(L"VIDLET_TEST_CHILD_SLEEP_MS", L"1500");
        WindowsSystemIntegration system(folder.program());
        int ticks = 0;
        QTimer tick;
        connect(&tick, &QTimer::timeout, this, [&] { ++ticks; });
        tick.start(10);

        int done = 0;
        const auto act = [&](std::function<void()> then) {
            if (command == "--register")
                system.registerCamera(std::move(then));
            else if (command == "--unregister")
                system.unregisterCamera(std::move(then));
            else
                system.allowThroughFirewall(std::move(then));
        };
        act([&] { ++done; });
        QCOMPARE(done, 0);
        int refused = 0;
        act([&] { ++refused; });
        QCOMPARE(refused, 1);

        QTRY_COMPARE_WITH_TIMEOUT(done, 1, 30000);
        QVERIFY2(ticks > 10, qPrintable(QString::number(ticks)));
        // The ended helper's handle stays signalled: it is reported once.
        const int ticksThen = ticks;
        QTRY_VERIFY(ticks > ticksThen + 5);
        QCOMPARE(done, 1);
        // The child records itself after its sleep: the action ended with it, not before.
        const std::string record = folder.childRecord();
        QVERIFY2(endsWith(record, command.toStdString()), record.c_str());
        QVERIFY(record.find("vidlet-regtool.exe") != std::string::npos);
    }

    void missingHelperMakesTheActionsDoNothing()
    {
        ProgramFolder folder;
        QVERIFY(folder.add(L"test_camera.dll", L"softcam.dll"));
        for (const std::wstring& program : {folder.program(), std::wstring()}) {
            WindowsSystemIntegration system(program);
            int done = 0;
            system.registerCamera([&] { ++done; });
            system.unregisterCamera([&] { ++done; });
            system.allowThroughFirewall([&] { ++done; });
            QCOMPARE(done, 3); // the caller still learns that each action is over
            QVERIFY(!system.isCameraRegistered());
        }
    }

    void aThirtyTwoBitRegistrationDoesNotCount()
    {
        ProgramFolder folder;
        HKEY key = nullptr;
        QCOMPARE(RegCreateKeyExW(HKEY_CLASSES_ROOT, TestCameraKey::inprocServer, 0, nullptr, 0,
                                 KEY_WRITE | KEY_WOW64_32KEY, nullptr, &key, nullptr),
                 ERROR_SUCCESS);
        RegCloseKey(key);
        const bool registered = WindowsSystemIntegration(folder.program()).isCameraRegistered();
        HKEY classes = nullptr;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID", 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                          &classes)
            == ERROR_SUCCESS) {
            RegDeleteTreeW(classes, TestCameraKey::clsid);
            RegCloseKey(classes);
        }
        if (keyExists(HKEY_CLASSES_ROOT, TestCameraKey::inprocServer))
            QSKIP("this Wine shows 32-bit class keys in the 64-bit view");
        QVERIFY(!registered);
    }

    void wineFirewallIsNeverBlocking()
    {
        QVERIFY(
            !WindowsSystemIntegration(L"C:\\Program Files\\Vidlet\\Vidlet.exe").isInboundBlocked());
    }
};

QTEST_GUILESS_MAIN(WinSystemIntegrationTest)
#include "WinSystemIntegrationTest.moc"
