// The Windows reading of the light or dark choice: the registry value Windows' own apps follow,
// read at start and followed when it changes. The test's registry is its Wine prefix's.
#include "system/DesktopColorScheme.h"

#include <QSignalSpy>
#include <QTest>

#include <windows.h>

namespace {

const wchar_t* const kPersonalize =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

void setAppsUseLightTheme(DWORD light)
{
    HKEY key = nullptr;
    QCOMPARE(RegCreateKeyExW(HKEY_CURRENT_USER, kPersonalize, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                             &key, nullptr),
             ERROR_SUCCESS);
    RegSetValueExW(key, L"AppsUseLightTheme", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&light),
                   sizeof light);
    RegCloseKey(key);
}

} // namespace

class DesktopColorSchemeWinTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void followsTheRegistryValue()
    {
        using Scheme = DesktopColorScheme::Scheme;
        setAppsUseLightTheme(0);
        DesktopColorScheme scheme;
        QCOMPARE(scheme.scheme(), Scheme::Dark);

        QSignalSpy changed(&scheme, &DesktopColorScheme::schemeChanged);
        setAppsUseLightTheme(1);
        QVERIFY(changed.wait(10000));
        QCOMPARE(scheme.scheme(), Scheme::Light);
        // The notification is renewed after each change.
        setAppsUseLightTheme(0);
        QVERIFY(changed.wait(10000));
        QCOMPARE(scheme.scheme(), Scheme::Dark);
    }

    void cleanupTestCase()
    {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kPersonalize, L"AppsUseLightTheme");
    }
};

QTEST_GUILESS_MAIN(DesktopColorSchemeWinTest)
#include "DesktopColorSchemeWinTest.moc"
