#pragma once

#include <QObject>
#include <QString>

#include <memory>

// The desktop's light or dark preference, followed live. On Linux it is read the way Qt 6.5
// reads it: the freedesktop settings portal's "org.freedesktop.appearance" "color-scheme"
// (1 dark, 2 light, 0 no preference) and its SettingChanged signal, which Qt 6.4 lacks. On
// Windows the user's "AppsUseLightTheme" registry value and its change notification (from Qt
// 6.5, Qt's colour-scheme hint). No portal, no answer or no preference: Unknown.
// GUI thread only.
class DesktopColorScheme : public QObject {
    Q_OBJECT

public:
    enum class Scheme { Unknown, Light, Dark };

    // `busAddress` empty: the session bus. Otherwise the D-Bus address to ask instead (tests
    // run a bus of their own). The first answer is waited for, briefly, so the window opens
    // in the right colours.
    explicit DesktopColorScheme(const QString& busAddress = QString(), QObject* parent = nullptr);
    ~DesktopColorScheme() override;

    Scheme scheme() const { return scheme_; }

Q_SIGNALS:
    void schemeChanged();

private:
    void setScheme(Scheme scheme);

    struct Source;
    std::unique_ptr<Source> source;
    Scheme scheme_ = Scheme::Unknown;
};
