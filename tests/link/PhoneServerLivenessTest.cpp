#include "link/PhoneLink.h"
#include "link/PhoneServer.h"
#include "tests/link/TestPhone.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>

namespace {

const QString token = QStringLiteral("LivenessToken-12345678");

QList<FrameReader::Frame> pingsOf(const TestPhone& phone)
{
    QList<FrameReader::Frame> pings;
    for (const auto& frame : phone.frames) {
        if (frame.type == PhoneLink::PING)
            pings.append(frame);
    }
    return pings;
}

} // namespace

// Keep-alive and the silence limit, in real time: one run of about nine seconds watches
// four phones at once.
class PhoneServerLivenessTest : public QObject
{
    Q_OBJECT

private slots:
    void pingsLivePhonesAndClosesSilentOnes()
    {
        PhoneServer server;
        server.setPairingToken(token);
        server.setHandshakeLimitMs(60000); // the stranger outlives the test's silence limits
        QVERIFY(server.listen(0));
        PhoneServer notListening; // keep-alive starts with the first successful listen
        notListening.setPairingToken(token);
        QSignalSpy disconnected(&server, &PhoneServer::phoneDisconnected);

        TestPhone silent;
        TestPhone talking;
        TestPhone stranger; // never says HELLO
        TestPhone usb;
        talking.answerPings = true;
        QVERIFY(silent.connectTo(server.port()));
        QVERIFY(talking.connectTo(server.port()));
        QVERIFY(stranger.connectTo(server.port()));
        QTcpSocket* tunnel = usb.openTunnel();
        QVERIFY(tunnel);
        notListening.adoptUsbSocket(tunnel);
        QVERIFY(usb.waitForFrames(1));

        talking.sendHello("dev-talking", token);
        usb.sendHello("dev-usb", token);
        silent.sendHello("dev-silent", token);
        QVERIFY(silent.waitForType(PhoneLink::WELCOME));
        QVERIFY(talking.waitForType(PhoneLink::WELCOME));
        QVERIFY(usb.waitForType(PhoneLink::WELCOME));

        // The silent phone speaks last one second after a tick, so the ticks that follow
        // find it silent for about 0.5, 2, 3.5 and 5 seconds: pinged three times, then closed.
        QVERIFY(silent.waitForType(PhoneLink::PING));
        QTest::qWait(1000);
        silent.frames.clear();
        silent.send(PhoneLink::PONG, 0, {});
        QElapsedTimer sinceSilentSpoke; // started before the server can have read the PONG
        sinceSilentSpoke.start();

        QVERIFY(silent.waitForClose(12000));
        const qint64 silenceMs = sinceSilentSpoke.elapsed();
        QVERIFY2(silenceMs >= 4000, qPrintable(QString::number(silenceMs)));
        QVERIFY2(silenceMs < 7000, qPrintable(QString::number(silenceMs)));
        QTRY_COMPARE_WITH_TIMEOUT(disconnected.size(), 1, 5000);

        const auto silentPings = pingsOf(silent);
        QCOMPARE(silentPings.size(), 3);
        qint64 lastT = -1;
        for (const auto& ping : silentPings) {
            QCOMPARE(ping.flags, quint8(0));
            const QJsonObject object = QJsonDocument::fromJson(ping.payload).object();
            QCOMPARE(object.keys(), QStringList{"t"});
            QVERIFY(object.value("t").isDouble());
            const qint64 t = object.value("t").toInteger();
            QVERIFY(lastT < 0 || t - lastT >= 1000); // one per tick, on the server's clock
            lastT = t;
        }

        // Another tick and a half: the phone that answers is well past the limit by now.
        QTest::qWait(2500);
        QVERIFY(!talking.isClosed());
        QVERIFY(pingsOf(talking).size() >= 3);
        QVERIFY(!stranger.isClosed());
        QVERIFY(stranger.frames.isEmpty());
        QVERIFY(!usb.isClosed());
        QCOMPARE(pingsOf(usb).size(), 0);
        QCOMPARE(disconnected.size(), 1);
    }
};

QTEST_GUILESS_MAIN(PhoneServerLivenessTest)
#include "PhoneServerLivenessTest.moc"
