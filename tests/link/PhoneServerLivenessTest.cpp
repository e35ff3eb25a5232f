#include "link/PhoneLink.h"
#include "link/PhoneServer.h"
#include "tests/link/TestPhone.h"

#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>

namespace {

const QString token = QStringLiteral("LivenessToken-12345678");

// Short intervals; the limit spans several ticks, so that a busy machine delaying one PONG does
// not make an answering phone look silent.
constexpr int intervalMs = 60;
constexpr int silenceLimitMs = 480;

void shortenKeepAlive(PhoneServer& server)
{
    server.setPairingToken(token);
    server.setKeepAliveIntervalMs(intervalMs);
    server.setSilenceLimitMs(silenceLimitMs);
}

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

// Keep-alive and the silence limit, on short intervals: four phones watched at once.
class PhoneServerLivenessTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pingsLivePhonesAndClosesSilentOnes()
    {
        PhoneServer server;
        shortenKeepAlive(server);
        server.setHandshakeLimitMs(60000); // the stranger outlives the silence limit
        QVERIFY(server.listen(0));
        PhoneServer notListening; // keep-alive starts with the first successful listen
        shortenKeepAlive(notListening);
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

        // The silent phone is pinged while within the limit, then closed.
        QVERIFY(silent.waitForClose());
        QTRY_COMPARE(disconnected.size(), 1);
        const auto silentPings = pingsOf(silent);
        QVERIFY(!silentPings.isEmpty());
        qint64 lastT = -1;
        for (const auto& ping : silentPings) {
            QCOMPARE(ping.flags, quint8(0));
            const QJsonObject object = QJsonDocument::fromJson(ping.payload).object();
            QCOMPARE(object.keys(), QStringList{"t"});
            QVERIFY(object.value("t").isDouble());
            const qint64 t = object.value("t").toInteger();
            QVERIFY(t > lastT); // one per tick, on the server's clock
            lastT = t;
        }

        // The phone that answers stays through more pings than the limit spans.
        const qsizetype later = pingsOf(talking).size() + silenceLimitMs / intervalMs + 2;
        QVERIFY(QTest::qWaitFor([&] { return pingsOf(talking).size() >= later; }, 10000));
        QVERIFY(talking.roundTrip());
        QVERIFY(!talking.isClosed());
        QVERIFY(!stranger.isClosed());
        QVERIFY(stranger.frames.isEmpty());
        QVERIFY(usb.roundTrip());
        QVERIFY(!usb.isClosed());
        QCOMPARE(pingsOf(usb).size(), 0);
        QCOMPARE(disconnected.size(), 1);
    }

    // The program stopped for longer than the silence limit (a debugger, a suspended machine,
    // a held thread): its phones were not silent, it was. A phone that is not streaming sends
    // only its answers to PINGs, and none were sent meanwhile: after the stop, the server's
    // overdue tick comes before anything from the phone.
    void aStoppedProgramKeepsItsPhones()
    {
        PhoneServer server;
        shortenKeepAlive(server);
        QVERIFY(server.listen(0));
        QSignalSpy disconnected(&server, &PhoneServer::phoneDisconnected);
        TestPhone talking;
        TestPhone silent;
        talking.answerPings = true;
        QVERIFY(talking.connectTo(server.port()));
        QVERIFY(silent.connectTo(server.port()));
        talking.sendHello("dev-talking", token);
        silent.sendHello("dev-silent", token);
        QVERIFY(talking.waitForType(PhoneLink::WELCOME));
        QVERIFY(silent.waitForType(PhoneLink::WELCOME));
        // Everything either phone sent has been read when the program stops.
        QVERIFY(talking.roundTrip());
        QVERIFY(silent.roundTrip());

        // The stop is the fault under test.
        QTest::qSleep(3 * silenceLimitMs);

        const qsizetype after = pingsOf(talking).size() + silenceLimitMs / intervalMs + 2;
        QVERIFY(QTest::qWaitFor([&] { return pingsOf(talking).size() >= after; }, 10000));
        QVERIFY(!talking.isClosed());
        QVERIFY(talking.roundTrip());
        // Silence while the program runs still counts: the phone that never answers goes.
        QVERIFY(silent.waitForClose());
        QCOMPARE(disconnected.size(), 1);
    }
};

QTEST_GUILESS_MAIN(PhoneServerLivenessTest)
#include "PhoneServerLivenessTest.moc"
