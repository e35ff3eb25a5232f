#pragma once

#include "app/TraySession.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>

#include <functional>

class QWindow;

// The notification-area icon: green badge while a phone is live, blinking red while another
// program reads the camera, and a menu to show the window, pause the camera and quit.
// A desktop may have no notification area, or gain or lose one while the program runs (a panel
// restarting): the tray looks again every few seconds and keeps the session's `trayAvailable`
// current, so that the window never hides itself where nothing could bring it back. GUI thread
// only; the session and the window are borrowed and must outlive the tray.
class TrayIcon : public QObject {
    Q_OBJECT

public:
    enum class Badge { None, Live, InUse };
    using AvailabilityProbe = std::function<bool()>;

    TrayIcon(TraySession& session, QWindow* window,
             AvailabilityProbe trayAvailable = &QSystemTrayIcon::isSystemTrayAvailable,
             QObject* parent = nullptr);

    Badge badge() const { return badge_; }
    bool blinking() const { return blinkTimer.isActive(); }
    QSystemTrayIcon& tray() { return tray_; }
    QAction& pauseAction() { return *pause; }

    // The 32 x 32 icon with a badge painted in its lower right corner.
    static QIcon makeIcon(Badge badge);

public Q_SLOTS:
    // Re-reads the session: icon, tool tip, blinking and the pause item, in the current
    // language.
    void refresh();
    // Shows the window, raises it and asks for the focus.
    void showWindow();
    // Asks the desktop again whether it has a notification area; run by the availability timer.
    void checkAvailability();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TraySession& session;
    QWindow* window; // borrowed; may be null when the window failed to load
    QIcon plainIcon = makeIcon(Badge::None);
    QIcon liveIcon = makeIcon(Badge::Live);
    QIcon inUseIcon = makeIcon(Badge::InUse);
    QMenu menu; // before the tray, which refers to it until it is gone
    QSystemTrayIcon tray_;
    QAction* show = nullptr;  // owned by the menu
    QAction* pause = nullptr; // owned by the menu
    QAction* quit = nullptr;  // owned by the menu
    QTimer blinkTimer;
    AvailabilityProbe trayAvailable;
    QTimer availabilityTimer;
    bool blinkPhase = false;
    Badge badge_ = Badge::None;
};
