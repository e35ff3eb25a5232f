#include "app/SingleInstance.h"
#include "tests/TestSandbox.h"

#include <QDir>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTest>

// The lock decides alone whether another Vidlet runs, and the local socket cannot be held
// open by a caller that says nothing.
class SingleInstanceGuardTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void onlyAHeldLockMeansAnotherInstance()
    {
        const QString folder = TestSandbox::path() + "/held";
        SingleInstance first(folder, "settings-a");
        QVERIFY(first.claim());
        SingleInstance second(folder, "settings-a");
        QVERIFY(!second.claim());
        SingleInstance other(folder, "settings-b");
        QVERIFY(other.claim());
    }

    // A quitting program lets go before it completes its recordings: the next start runs.
    void aReleasedInstanceLetsTheNextStartIn()
    {
        const QString folder = TestSandbox::path() + "/released";
        SingleInstance first(folder, "settings-e");
        QVERIFY(first.claim());
        first.release();
        SingleInstance next(folder, "settings-e");
        QVERIFY(next.claim());
        SingleInstance third(folder, "settings-e");
        QVERIFY(!third.claim()); // the new one holds it now
    }

    void lockThatCannotBeMadeDoesNotStopTheStart()
    {
        const QString folder = TestSandbox::path() + "/blocked";
        SingleInstance probe(folder, "settings-c");
        QVERIFY(QDir().mkpath(probe.lockFileName())); // a folder where the lock file belongs
        SingleInstance instance(folder, "settings-c");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot take the lock"));
        QVERIFY(instance.claim());
    }

    void silentCallerIsDisconnected()
    {
        SingleInstance instance(TestSandbox::path() + "/idle", "settings-d");
        instance.setIdleTimeout(0);
        QVERIFY(instance.claim());
        QSignalSpy shown(&instance, &SingleInstance::activationRequested);
        QLocalSocket socket;
        QSignalSpy closed(&socket, &QLocalSocket::disconnected);
        socket.connectToServer(instance.serverName());
        QVERIFY(socket.waitForConnected(5000));
        QTRY_COMPARE_WITH_TIMEOUT(closed.size(), 1, 5000);
        QCOMPARE(shown.size(), 0);
    }
};

QTEST_GUILESS_MAIN(SingleInstanceGuardTest)
#include "SingleInstanceGuardTest.moc"
