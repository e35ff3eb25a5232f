#include "app/TrayIcon.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPainter>
#include <QPixmap>
#include <QWindow>

namespace {

const char* const menuStyle =
    "QMenu { background:#ffffff; border:1px solid #dfe3ea; padding:4px; }"
    "QMenu::item { padding:6px 22px 6px 12px; border-radius:4px; }"
    "QMenu::item:selected { background:#eef0fb; }"
    "QMenu::item:disabled { color:#9aa1ad; }"
    "QMenu::separator { height:1px; background:#e9ebf0; margin:4px 8px; }";

}

namespace {
// How often a desktop without a notification area is asked again; the check is one call to the
// display server or the session bus.
constexpr int availabilityCheckMs = 3000;
} // namespace

TrayIcon::TrayIcon(TraySession& session, QWindow* window, AvailabilityProbe trayAvailable,
                   QObject* parent)
    : QObject(parent),
      session(session),
      window(window),
      trayAvailable(std::move(trayAvailable))
{
    menu.setStyleSheet(QString::fromLatin1(menuStyle));
    show = menu.addAction(QString());
    menu.addSeparator();
    pause = menu.addAction(QString());
    pause->setEnabled(false);
    menu.addSeparator();
    quit = menu.addAction(QString());
    connect(show, &QAction::triggered, this, &TrayIcon::showWindow);
    connect(pause, &QAction::triggered, this, [this] { this->session.toggleOutput(); });
    connect(quit, &QAction::triggered, qApp, &QCoreApplication::quit);
    tray_.setContextMenu(&menu);
    // A language switch reaches every top-level widget, the menu included.
    menu.installEventFilter(this);

    connect(&tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::Trigger || r == QSystemTrayIcon::DoubleClick)
            showWindow();
    });
    blinkTimer.setInterval(650);
    connect(&blinkTimer, &QTimer::timeout, this, [this] {
        blinkPhase = !blinkPhase;
        refresh();
    });
    session.watchChanges(this, [this] { refresh(); });

    refresh();
    // A desktop without a notification area (a headless session) runs the program all the same.
    const bool available = this->trayAvailable();
    session.setTrayAvailable(available);
    if (available)
        tray_.show();
    else
        qInfo("Vidlet: no notification area; running without a tray icon");
    availabilityTimer.setInterval(availabilityCheckMs);
    connect(&availabilityTimer, &QTimer::timeout, this, &TrayIcon::checkAvailability);
    availabilityTimer.start();
}

void TrayIcon::checkAvailability()
{
    const bool available = trayAvailable();
    if (available == session.trayAvailable())
        return;
    if (available) {
        qInfo("Vidlet: a notification area appeared; showing the tray icon");
        tray_.show();
    } else {
        qInfo("Vidlet: the notification area went away; closing the window will quit");
        tray_.hide();
        // A window hidden into the tray would have no way back.
        if (window && !window->isVisible())
            showWindow();
    }
    session.setTrayAvailable(available);
}

QIcon TrayIcon::makeIcon(Badge badge)
{
    QPixmap pm(QStringLiteral(":/assets/icons/app-icon-256.png"));
    if (pm.isNull()) {
        pm = QPixmap(32, 32);
        pm.fill(Qt::transparent);
    } else {
        pm = pm.scaled(32, 32, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    if (badge != Badge::None) {
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(0xFF, 0xFF, 0xFF), 2.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
        p.setBrush(badge == Badge::Live ? QColor(0x22, 0xC5, 0x5E) : QColor(0xEF, 0x44, 0x44));
        p.drawEllipse(QRectF(pm.width() - 14, pm.height() - 14, 13, 13));
    }
    return QIcon(pm);
}

void TrayIcon::refresh()
{
    const bool appConnected = session.appConnected();
    const bool live = session.live();
    const bool outputEnabled = session.outputEnabled();

    if (appConnected) {
        if (!blinkTimer.isActive())
            blinkTimer.start();
        badge_ = blinkPhase ? Badge::InUse : live ? Badge::Live : Badge::None;
        tray_.setToolTip(QCoreApplication::translate("tray", "Vidlet - in use by an app"));
    } else {
        // Blinking stops at once, whatever the phase was.
        blinkTimer.stop();
        blinkPhase = false;
        badge_ = live ? Badge::Live : Badge::None;
        tray_.setToolTip(QStringLiteral("Vidlet"));
    }
    tray_.setIcon(badge_ == Badge::InUse      ? inUseIcon
                      : badge_ == Badge::Live ? liveIcon
                                              : plainIcon);
    pause->setEnabled(live);
    pause->setText(outputEnabled ? QCoreApplication::translate("tray", "Pause")
                                 : QCoreApplication::translate("tray", "Resume"));
    show->setText(QCoreApplication::translate("tray", "Show Vidlet"));
    quit->setText(QCoreApplication::translate("tray", "Quit"));
}

bool TrayIcon::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &menu && event->type() == QEvent::LanguageChange)
        refresh();
    return QObject::eventFilter(watched, event);
}

void TrayIcon::showWindow()
{
    if (!window)
        return;
    // A minimised window comes back in the state it had before.
    window->setWindowStates(window->windowStates() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->requestActivate();
}
