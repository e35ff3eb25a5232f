#include "system/DesktopColorScheme.h"

#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
#include <QGuiApplication>
#include <QStyleHints>
#else
#include <QWinEventNotifier>
#endif

#include <windows.h>

#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
// Qt's own reading of the platform's setting, its colour-scheme hint.
struct DesktopColorScheme::Source {};

namespace {
DesktopColorScheme::Scheme fromQt(Qt::ColorScheme scheme)
{
    return scheme == Qt::ColorScheme::Dark ? DesktopColorScheme::Scheme::Dark
        : scheme == Qt::ColorScheme::Light ? DesktopColorScheme::Scheme::Light
                                           : DesktopColorScheme::Scheme::Unknown;
}
} // namespace

DesktopColorScheme::DesktopColorScheme(const QString&, QObject* parent)
    : QObject(parent)
{
    QStyleHints* hints = QGuiApplication::styleHints();
    scheme_ = fromQt(hints->colorScheme());
    connect(hints, &QStyleHints::colorSchemeChanged, this,
            [this](Qt::ColorScheme scheme) { setScheme(fromQt(scheme)); });
}
#else
// Qt 6.4 does not report the choice, so it is read where Windows keeps it: the user's
// "AppsUseLightTheme" (0 dark, 1 light) under Personalize, the value Windows' own apps follow.
// A change notification on the key signals an event that the GUI thread's event loop waits on.
struct DesktopColorScheme::Source {
    HKEY key = nullptr;
    HANDLE changed = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    QWinEventNotifier notifier{changed};

    Source()
    {
        RegOpenKeyExW(HKEY_CURRENT_USER,
                      L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize", 0,
                      KEY_QUERY_VALUE | KEY_NOTIFY, &key);
    }
    ~Source()
    {
        notifier.setEnabled(false);
        if (key)
            RegCloseKey(key);
        CloseHandle(changed);
    }

    // Asks for one signal at the key's next change; the notification then has to be renewed.
    bool watch()
    {
        return key && changed
            && RegNotifyChangeKeyValue(key, FALSE, REG_NOTIFY_CHANGE_LAST_SET, changed, TRUE)
            == ERROR_SUCCESS;
    }

    Scheme read() const
    {
        DWORD light = 0;
        DWORD bytes = sizeof light;
        DWORD type = 0;
        if (!key
            || RegQueryValueExW(key, L"AppsUseLightTheme", nullptr, &type,
                                reinterpret_cast<BYTE*>(&light), &bytes)
                != ERROR_SUCCESS
            || type != REG_DWORD)
            return Scheme::Unknown;
        return light ? Scheme::Light : Scheme::Dark;
    }
};

DesktopColorScheme::DesktopColorScheme(const QString&, QObject* parent)
    : QObject(parent),
      source(std::make_unique<Source>())
{
    scheme_ = source->read();
    if (!source->watch())
        return;
    connect(&source->notifier, &QWinEventNotifier::activated, this, [this] {
        source->watch();
        setScheme(source->read());
    });
}
#endif

DesktopColorScheme::~DesktopColorScheme() = default;

void DesktopColorScheme::setScheme(Scheme scheme)
{
    if (scheme == scheme_)
        return;
    scheme_ = scheme;
    Q_EMIT schemeChanged();
}
