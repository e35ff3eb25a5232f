#include "system/DesktopColorScheme.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The colour scheme read from a settings portal stand-in on a private bus of the test's own;
// the machine's session bus is never asked.
class DesktopColorSchemeTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QProcess daemon;
    QString address;

    // The stand-in portal answering `value` ("--mute": never answering); waits until it is up.
    bool startPortal(QProcess& portal, const QString& value)
    {
        portal.start(QCoreApplication::applicationDirPath() + "/portal-standin", {address, value});
        return portal.waitForReadyRead(10000) && portal.readLine().trimmed() == "ready";
    }

    static void stop(QProcess& portal)
    {
        portal.closeWriteChannel();
        if (!portal.waitForFinished(3000))
            portal.kill();
    }

private Q_SLOTS:
    void initTestCase()
    {
        // A bus with no service files, so nothing is ever started on demand.
        const QString config = dir.filePath("bus.conf");
        QFile file(config);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<busconfig><type>session</type><listen>unix:dir=" + dir.path().toUtf8()
                   + "</listen><policy context=\"default\"><allow send_destination=\"*\"/>"
                     "<allow send_type=\"signal\"/><allow receive_sender=\"*\"/><allow "
                     "own=\"*\"/></policy></busconfig>");
        file.close();
        daemon.start("dbus-daemon", {"--config-file=" + config, "--nofork", "--print-address=1"});
        if (!daemon.waitForStarted(5000))
            QSKIP("dbus-daemon is not installed (Debian package dbus)");
        QVERIFY(daemon.waitForReadyRead(5000));
        address = QString::fromUtf8(daemon.readLine()).trimmed();
        QVERIFY(address.startsWith("unix:"));
    }

    void cleanupTestCase()
    {
        daemon.terminate();
        daemon.waitForFinished(3000);
    }

    void withoutAPortalTheSchemeIsUnknown()
    {
        DesktopColorScheme scheme(address);
        QCOMPARE(scheme.scheme(), DesktopColorScheme::Scheme::Unknown);
    }

    void readsTheSchemeAndFollowsItsChanges()
    {
        QProcess portal;
        QVERIFY(startPortal(portal, "2"));
        DesktopColorScheme scheme(address);
        QCOMPARE(scheme.scheme(), DesktopColorScheme::Scheme::Light);

        QSignalSpy changed(&scheme, &DesktopColorScheme::schemeChanged);
        portal.write("1\n");
        QTRY_COMPARE(scheme.scheme(), DesktopColorScheme::Scheme::Dark);
        QCOMPARE(changed.size(), 1);
        portal.write("0\n"); // no preference
        QTRY_COMPARE(scheme.scheme(), DesktopColorScheme::Scheme::Unknown);
        portal.write("0\n"); // no change, no signal
        portal.write("2\n");
        QTRY_COMPARE(scheme.scheme(), DesktopColorScheme::Scheme::Light);
        QCOMPARE(changed.size(), 3);
        stop(portal);
    }

    void aPortalThatNeverAnswersCountsAsUnknown()
    {
        QProcess portal;
        QVERIFY(startPortal(portal, "--mute"));
        DesktopColorScheme scheme(address);
        QCOMPARE(scheme.scheme(), DesktopColorScheme::Scheme::Unknown);
        stop(portal);
    }
};

QTEST_GUILESS_MAIN(DesktopColorSchemeTest)
#include "DesktopColorSchemeTest.moc"
