#include "app/TrayIcon.h"
#include "settings/AppSettings.h"
#include "tests/ui/ControllerDouble.h"
#include "tests/ui/SessionDouble.h"
#include "ui/Translator.h"

#include <QApplication>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

class TrayIconTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    }
    void startsPlainWithPauseGreyedOut();
    void followsLiveAndOutput();
    void blinksWhileAnAppReadsTheCamera();
    void clickShowsWindowRightClickDoesNot();
    void followsTheNotificationAreaComingAndGoing();
    void badgesArePaintedInTheCorner_data();
    void badgesArePaintedInTheCorner();
    void speaksTheNewLanguageAtOnce();

private:
    QTemporaryDir settingsDir;
};

void TrayIconTest::startsPlainWithPauseGreyedOut()
{
    ControllerDouble app;
    SessionDouble session(app);
    TrayIcon tray(session, nullptr);
    QCOMPARE(tray.badge(), TrayIcon::Badge::None);
    QCOMPARE(tray.tray().toolTip(), QStringLiteral("Vidlet"));
    QVERIFY(!tray.pauseAction().isEnabled());
    QCOMPARE(tray.pauseAction().text(), QStringLiteral("Pause"));
    const QList<QAction*> items = tray.tray().contextMenu()->actions();
    QCOMPARE(items.size(), 5);
    QCOMPARE(items.at(0)->text(), QStringLiteral("Show Vidlet"));
    QVERIFY(items.at(1)->isSeparator() && items.at(3)->isSeparator());
    QCOMPARE(items.at(4)->text(), QStringLiteral("Quit"));
}

void TrayIconTest::followsLiveAndOutput()
{
    ControllerDouble app;
    SessionDouble session(app);
    TrayIcon tray(session, nullptr);
    app.setProperty("live", true);
    QCOMPARE(tray.badge(), TrayIcon::Badge::Live);
    QVERIFY(tray.pauseAction().isEnabled());

    tray.pauseAction().trigger();
    QCOMPARE(app.calls, QStringList{"toggleOutput"});
    QCOMPARE(tray.pauseAction().text(), QStringLiteral("Resume"));
    tray.pauseAction().trigger();
    QCOMPARE(tray.pauseAction().text(), QStringLiteral("Pause"));

    app.setProperty("live", false);
    QCOMPARE(tray.badge(), TrayIcon::Badge::None);
    QVERIFY(!tray.pauseAction().isEnabled());
}

void TrayIconTest::blinksWhileAnAppReadsTheCamera()
{
    ControllerDouble app;
    SessionDouble session(app);
    TrayIcon tray(session, nullptr);
    app.setProperty("live", true);
    app.setProperty("appConnected", true);
    QVERIFY(tray.blinking());
    QCOMPARE(tray.tray().toolTip(), QStringLiteral("Vidlet - in use by an app"));
    // The badge alternates between red and the live state every 650 ms.
    QCOMPARE(tray.badge(), TrayIcon::Badge::Live);
    QTRY_COMPARE_WITH_TIMEOUT(tray.badge(), TrayIcon::Badge::InUse, 2000);
    QTRY_COMPARE_WITH_TIMEOUT(tray.badge(), TrayIcon::Badge::Live, 2000);
    QTRY_COMPARE_WITH_TIMEOUT(tray.badge(), TrayIcon::Badge::InUse, 2000);

    // In the red phase the app goes away: blinking stops and the red badge goes at once.
    app.setProperty("appConnected", false);
    QVERIFY(!tray.blinking());
    QCOMPARE(tray.badge(), TrayIcon::Badge::Live);
    QCOMPARE(tray.tray().toolTip(), QStringLiteral("Vidlet"));

    // Without a live phone the other phase shows no badge.
    app.setProperty("live", false);
    app.setProperty("appConnected", true);
    QCOMPARE(tray.badge(), TrayIcon::Badge::None);
    QTRY_COMPARE_WITH_TIMEOUT(tray.badge(), TrayIcon::Badge::InUse, 2000);
}

void TrayIconTest::clickShowsWindowRightClickDoesNot()
{
    ControllerDouble app;
    QWindow window;
    SessionDouble session(app);
    TrayIcon tray(session, &window);
    QVERIFY(!window.isVisible());
    Q_EMIT tray.tray().activated(QSystemTrayIcon::Context);
    Q_EMIT tray.tray().activated(QSystemTrayIcon::MiddleClick);
    QVERIFY(!window.isVisible());
    Q_EMIT tray.tray().activated(QSystemTrayIcon::Trigger);
    QVERIFY(window.isVisible());
    window.hide();
    Q_EMIT tray.tray().activated(QSystemTrayIcon::DoubleClick);
    QVERIFY(window.isVisible());
    window.hide();
    tray.tray().contextMenu()->actions().at(0)->trigger();
    QVERIFY(window.isVisible());
}

void TrayIconTest::followsTheNotificationAreaComingAndGoing()
{
    ControllerDouble app;
    QWindow window;
    bool available = false;
    SessionDouble session(app);
    TrayIcon tray(session, &window, [&available] { return available; });
    QCOMPARE(app.property("trayAvailable").toBool(), false);
    QVERIFY(!tray.tray().isVisible());

    available = true;
    tray.checkAvailability();
    QCOMPARE(app.property("trayAvailable").toBool(), true);
    QVERIFY(tray.tray().isVisible());

    // The window was closed into the tray; the tray then goes away and gives the window back.
    window.hide();
    available = false;
    tray.checkAvailability();
    QCOMPARE(app.property("trayAvailable").toBool(), false);
    QVERIFY(!tray.tray().isVisible());
    QVERIFY(window.isVisible());
}

void TrayIconTest::badgesArePaintedInTheCorner_data()
{
    QTest::addColumn<int>("badge");
    QTest::addColumn<QColor>("centre");
    QTest::newRow("live") << int(TrayIcon::Badge::Live) << QColor("#22c55e");
    QTest::newRow("in use") << int(TrayIcon::Badge::InUse) << QColor("#ef4444");
}

void TrayIconTest::badgesArePaintedInTheCorner()
{
    QFETCH(int, badge);
    QFETCH(QColor, centre);
    const QImage plain = TrayIcon::makeIcon(TrayIcon::Badge::None).pixmap(32, 32).toImage();
    const QImage icon = TrayIcon::makeIcon(TrayIcon::Badge(badge)).pixmap(32, 32).toImage();
    QCOMPARE(icon.size(), QSize(32, 32));
    // The ellipse sits at (18, 18), 13 x 13, with a white ring.
    QCOMPARE(QColor(icon.pixel(24, 24)).rgb(), centre.rgb());
    const QColor ring(icon.pixel(24, 18));
    QVERIFY(ring.red() > 200 && ring.green() > 200 && ring.blue() > 200);
    // Away from the badge the application icon is untouched.
    QCOMPARE(icon.pixel(8, 8), plain.pixel(8, 8));
    QVERIFY(QColor(plain.pixel(24, 24)).rgb() != centre.rgb());
}

void TrayIconTest::speaksTheNewLanguageAtOnce()
{
    ControllerDouble app;
    app.appConnected = true;
    SessionDouble session(app);
    TrayIcon tray(session, nullptr);
    const QList<QAction*> items = tray.tray().contextMenu()->actions();
    AppSettings settings;
    Translator i18n(settings, QCoreApplication::instance(), nullptr);
    // Only the language change is delivered: no change from the controller, no blink tick.
    i18n.setLanguage("de");
    QCoreApplication::sendPostedEvents();
    QCOMPARE(items.at(0)->text(), QStringLiteral("Vidlet anzeigen"));
    QCOMPARE(tray.pauseAction().text(), QStringLiteral("Anhalten"));
    QCOMPARE(items.at(4)->text(), QStringLiteral("Beenden"));
    QCOMPARE(tray.tray().toolTip(), QStringLiteral("Vidlet – wird von einer App verwendet"));
    i18n.setLanguage("en");
    QCoreApplication::sendPostedEvents();
    QCOMPARE(items.at(0)->text(), QStringLiteral("Show Vidlet"));
    QCOMPARE(tray.tray().toolTip(), QStringLiteral("Vidlet - in use by an app"));
}

QTEST_MAIN(TrayIconTest)
#include "TrayIconTest.moc"
