#include "link/PhoneLink.h"
#include "link/PhoneServer.h"
#include "tests/link/TestPhone.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {
const QString currentToken = QStringLiteral("CurrentToken0123456789");
const QString oldToken = QStringLiteral("OldToken-abcdefghijklm");
}

// Handshake, trust model, duplicates and the per-message behaviour of the phone link, each
// over real loopback sockets.
class PhoneServerTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PhoneServer> server;

    std::unique_ptr<TestPhone> lanPhone()
    {
        auto phone = std::make_unique<TestPhone>();
        if (!phone->connectTo(server->port()))
            return nullptr;
        return phone;
    }

    // A phone on a tunnel the server has adopted; its PAIR_INFO is already received.
    std::unique_ptr<TestPhone> usbPhone()
    {
        auto phone = std::make_unique<TestPhone>();
        QTcpSocket* pcEnd = phone->openTunnel();
        if (!pcEnd)
            return nullptr;
        server->adoptUsbSocket(pcEnd);
        if (!phone->waitForFrames(1))
            return nullptr;
        phone->frames.clear();
        phone->received.clear();
        return phone;
    }

    // Says HELLO with the current token and waits for WELCOME; returns the connection id.
    int sayHello(TestPhone& phone, const QString& deviceId)
    {
        QSignalSpy connected(server.get(), &PhoneServer::phoneConnected);
        const qsizetype before = phone.frames.size();
        phone.sendHello(deviceId, currentToken);
        // phoneConnected is emitted right after WELCOME is written.
        if (!phone.waitForFrames(before + 1) || phone.frames.last().type != PhoneLink::WELCOME
            || connected.isEmpty())
            return -1;
        return connected.last().at(0).toInt();
    }

private slots:
    void init()
    {
        server = std::make_unique<PhoneServer>();
        QVERIFY(server->listen(0));
        QVERIFY(server->port() != 0);
        server->setPairingToken(currentToken);
        server->setPcName("DESK-7");
    }

    void cleanup() { server.reset(); }

    void welcomesPairedPhoneAndReportsIt()
    {
        QSignalSpy connected(server.get(), &PhoneServer::phoneConnected);
        auto phone = lanPhone();
        QVERIFY(phone);
        phone->sendJson(PhoneLink::HELLO, {{"v", 1},
                                           {"token", currentToken},
                                           {"deviceId", "dev-A"},
                                           {"name", "Ana's phone"},
                                           {"modelName", "iPhone15,2"},
                                           {"model", "iPhone"},
                                           {"osVersion", "17.4"}});
        QVERIFY(phone->waitForFrames(1));
        QCOMPARE(phone->frames[0].type, PhoneLink::WELCOME);
        QCOMPARE(phone->frames[0].flags, quint8(0));
        const QJsonObject request{{"codec", "h264"}, {"width", 1280}, {"height", 720},
                                  {"fps", 30}, {"bitrateKbps", 6000}};
        QCOMPARE(phone->json(0), (QJsonObject{{"v", 1}, {"sessionId", "dev"},
                                              {"active", false}, {"request", request}}));
        QTRY_COMPARE_WITH_TIMEOUT(connected.size(), 1, 5000);
        const QList<QVariant> args = connected.first();
        QCOMPARE(args.at(0).toInt(), 1);
        QCOMPARE(args.at(1).toString(), QString("dev-A"));
        QCOMPARE(args.at(2).toString(), QString("Ana's phone"));
        QCOMPARE(args.at(3).toString(), QString("iPhone15,2"));
        QCOMPARE(args.at(4).toString(), QString("17.4"));
        QCOMPARE(args.at(5).toBool(), false);
        QVERIFY(!phone->isClosed());
    }

    void helloFieldsTakeTheirDefaults_data()
    {
        QTest::addColumn<QJsonObject>("extra");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("os");
        QTest::newRow("nothing given") << QJsonObject{} << "Phone" << "" << "";
        QTest::newRow("model only") << QJsonObject{{"model", "Pixel"}} << "Phone" << "Pixel"
                                    << "";
        QTest::newRow("modelName not a string")
            << QJsonObject{{"modelName", 7}, {"model", "Pixel"}} << "Phone" << "Pixel" << "";
        QTest::newRow("wrong types") << QJsonObject{{"name", 3}, {"osVersion", true}} << "Phone"
                                     << "" << "";
        QTest::newRow("empty name stays empty") << QJsonObject{{"name", ""}} << "" << "" << "";
    }
    void helloFieldsTakeTheirDefaults()
    {
        QFETCH(QJsonObject, extra);
        QFETCH(QString, name);
        QFETCH(QString, model);
        QFETCH(QString, os);
        QSignalSpy connected(server.get(), &PhoneServer::phoneConnected);
        auto phone = lanPhone();
        QVERIFY(phone);
        QJsonObject hello = extra;
        hello.insert("v", 1);
        hello.insert("token", currentToken);
        hello.insert("deviceId", "dev-A");
        phone->sendJson(PhoneLink::HELLO, hello);
        QTRY_COMPARE_WITH_TIMEOUT(connected.size(), 1, 5000);
        QCOMPARE(connected.first().at(2).toString(), name);
        QCOMPARE(connected.first().at(3).toString(), model);
        QCOMPARE(connected.first().at(4).toString(), os);
    }

    // The whole handshake decision: version first, then the token against the current one
    // and the one stored for the device.
    void checksVersionAndPairing_data()
    {
        QTest::addColumn<QString>("pairing");      // the server's current token
        QTest::addColumn<QString>("trustedId");    // one stored phone, or none
        QTest::addColumn<QString>("trustedToken");
        QTest::addColumn<QByteArray>("hello");
        QTest::addColumn<QString>("rejectCode");   // empty: WELCOME
        QTest::addColumn<int>("pairedSignals");
        QTest::addColumn<QString>("storedAfter");  // token stored for dev-A afterwards

        auto hello = [](const QString& deviceId, const QString& token, QJsonValue v = 1) {
            return PhoneLink::jsonPayload({{"v", v}, {"deviceId", deviceId}, {"token", token}});
        };
        const QString none;
        QTest::newRow("current token pairs a new phone")
            << currentToken << none << none << hello("dev-A", currentToken) << ""
            << 1 << currentToken;
        QTest::newRow("current token replaces another stored token")
            << currentToken << "dev-A" << oldToken << hello("dev-A", currentToken) << ""
            << 1 << currentToken;
        QTest::newRow("current token already stored")
            << currentToken << "dev-A" << currentToken << hello("dev-A", currentToken) << ""
            << 0 << currentToken;
        QTest::newRow("stored token after the current one changed")
            << currentToken << "dev-A" << oldToken << hello("dev-A", oldToken) << "" << 0
            << oldToken;
        QTest::newRow("current token without device id is remembered nowhere")
            << currentToken << none << none << hello("", currentToken) << "" << 0 << none;
        QTest::newRow("no pairing token yet admits anyone")
            << none << none << none << hello("dev-A", "whatever") << "" << 0 << none;
        QTest::newRow("wrong token")
            << currentToken << none << none << hello("dev-A", oldToken) << "NEEDS_PAIR" << 0
            << none;
        QTest::newRow("missing token")
            << currentToken << "dev-A" << oldToken << hello("dev-A", "") << "NEEDS_PAIR" << 0
            << oldToken;
        QTest::newRow("stored token in other letter case")
            << currentToken << "dev-A" << oldToken << hello("dev-A", oldToken.toLower())
            << "NEEDS_PAIR" << 0 << oldToken;
        QTest::newRow("current token in other letter case")
            << currentToken << none << none << hello("dev-A", currentToken.toUpper())
            << "NEEDS_PAIR" << 0 << none;
        QTest::newRow("another device's stored token")
            << currentToken << "dev-B" << oldToken << hello("dev-A", oldToken) << "NEEDS_PAIR"
            << 0 << none;
        QTest::newRow("stored token without device id")
            << currentToken << "dev-A" << oldToken << hello("", oldToken) << "NEEDS_PAIR" << 0
            << oldToken;
        QTest::newRow("version 2")
            << currentToken << none << none << hello("dev-A", currentToken, 2)
            << "VERSION_MISMATCH" << 0 << none;
        QTest::newRow("version as text")
            << currentToken << none << none << hello("dev-A", currentToken, "1")
            << "VERSION_MISMATCH" << 0 << none;
        QTest::newRow("version checked before pairing")
            << currentToken << none << none << hello("dev-A", oldToken, 0)
            << "VERSION_MISMATCH" << 0 << none;
        QTest::newRow("payload not JSON")
            << currentToken << none << none << QByteArray("v=1") << "VERSION_MISMATCH" << 0
            << none;
        QTest::newRow("payload a JSON array")
            << currentToken << none << none << QByteArray("[1]") << "VERSION_MISMATCH" << 0
            << none;
    }
    void checksVersionAndPairing()
    {
        QFETCH(QString, pairing);
        QFETCH(QString, trustedId);
        QFETCH(QString, trustedToken);
        QFETCH(QByteArray, hello);
        QFETCH(QString, rejectCode);
        QFETCH(int, pairedSignals);
        QFETCH(QString, storedAfter);

        server->setPairingToken(pairing);
        if (!trustedId.isEmpty())
            server->setTrustedDevices({{trustedId, trustedToken}});
        QSignalSpy connected(server.get(), &PhoneServer::phoneConnected);
        QSignalSpy disconnected(server.get(), &PhoneServer::phoneDisconnected);
        QSignalSpy paired(server.get(), &PhoneServer::devicePaired);
        auto phone = lanPhone();
        QVERIFY(phone);
        phone->send(PhoneLink::HELLO, 0, hello);
        QVERIFY(phone->waitForFrames(1));

        if (rejectCode.isEmpty()) {
            QCOMPARE(phone->frames[0].type, PhoneLink::WELCOME);
            QTRY_COMPARE_WITH_TIMEOUT(connected.size(), 1, 5000);
            QVERIFY(!phone->isClosed());
        } else {
            static const QHash<QString, QString> messages{
                {"VERSION_MISMATCH", "Unsupported protocol version"},
                {"NEEDS_PAIR", "Scan the QR to pair"}};
            QCOMPARE(phone->frames[0].type, PhoneLink::REJECT);
            QCOMPARE(phone->json(0),
                     (QJsonObject{{"code", rejectCode}, {"message", messages[rejectCode]}}));
            QVERIFY(phone->waitForClose());
            QCOMPARE(phone->frames.size(), 1);
            QCOMPARE(connected.size(), 0);
            QCOMPARE(disconnected.size(), 0);
        }
        QCOMPARE(paired.size(), pairedSignals);
        if (pairedSignals)
            QCOMPARE(paired.first(), (QList<QVariant>{"dev-A", currentToken}));
        QCOMPARE(server->trustedDevices().value("dev-A"), storedAfter);
    }

    void readsNothingAfterARejection()
    {
        QSignalSpy info(server.get(), &PhoneServer::streamInfo);
        auto phone = lanPhone();
        QVERIFY(phone);
        phone->sendRaw(PhoneLink::header(PhoneLink::HELLO, 0, 2) + "{}"
                       + PhoneLink::header(PhoneLink::STREAM_INFO, 0, 2) + "{}"
                       + PhoneLink::header(PhoneLink::PING, 0, 0));
        QVERIFY(phone->waitForClose());
        QCOMPARE(phone->frames.size(), 1);
        QCOMPARE(phone->frames[0].type, PhoneLink::REJECT);
        QCOMPARE(info.size(), 0);
    }

    void pairsOnceAndRecognisesThePhoneLater()
    {
        QSignalSpy paired(server.get(), &PhoneServer::devicePaired);
        auto first = lanPhone();
        QVERIFY(first);
        QCOMPARE(sayHello(*first, "dev-A"), 1);
        auto second = lanPhone();
        QVERIFY(second);
        QCOMPARE(sayHello(*second, "dev-A"), 2);
        QCOMPARE(paired.size(), 1);

        // The pairing screen shows a new token; the phone still has the one it paired with.
        server->setPairingToken("NextToken-000000000000");
        auto third = lanPhone();
        QVERIFY(third);
        QCOMPARE(sayHello(*third, "dev-A"), 3); // presents the token it paired with
        QCOMPARE(paired.size(), 1);
    }

    void regeneratingForgetsPairedPhones()
    {
        auto phone = lanPhone();
        QVERIFY(phone);
        QVERIFY(sayHello(*phone, "dev-A") > 0);

        server->setTrustedDevices({});
        server->setPairingToken("NextToken-000000000000");
        QVERIFY(!phone->isClosed()); // connected phones stay

        QSignalSpy paired(server.get(), &PhoneServer::devicePaired);
        auto again = lanPhone();
        QVERIFY(again);
        again->sendHello("dev-A", currentToken);
        QVERIFY(again->waitForFrames(1));
        QCOMPARE(again->json(0).value("code").toString(), QString("NEEDS_PAIR"));

        auto repaired = lanPhone();
        QVERIFY(repaired);
        repaired->sendHello("dev-A", "NextToken-000000000000");
        QVERIFY(repaired->waitForFrames(1));
        QCOMPARE(repaired->frames[0].type, PhoneLink::WELCOME);
        QCOMPARE(paired.size(), 1);
        QCOMPARE(server->trustedDevices().value("dev-A"), QString("NextToken-000000000000"));
    }

    void rejectedConnectionsStillUseUpTheirIds()
    {
        QSignalSpy connected(server.get(), &PhoneServer::phoneConnected);
        auto refused = lanPhone();
        QVERIFY(refused);
        refused->sendHello("dev-A", "nope");
        QVERIFY(refused->waitForClose());
        auto usb = usbPhone();
        QVERIFY(usb);
        auto lan = lanPhone();
        QVERIFY(lan);
        QCOMPARE(sayHello(*lan, "dev-B"), 3);
        QCOMPARE(sayHello(*usb, "dev-C"), 2);
    }

    // A network connection never displaces the phone's USB connection; otherwise the newer
    // connection wins.
    void settlesAPhoneConnectedTwice_data()
    {
        QTest::addColumn<bool>("firstUsb");
        QTest::addColumn<bool>("secondUsb");
        QTest::addColumn<bool>("secondWins");
        QTest::newRow("network after network") << false << false << true;
        QTest::newRow("USB after network") << false << true << true;
        QTest::newRow("USB after USB") << true << true << true;
        QTest::newRow("network after USB") << true << false << false;
    }
    void settlesAPhoneConnectedTwice()
    {
        QFETCH(bool, firstUsb);
        QFETCH(bool, secondUsb);
        QFETCH(bool, secondWins);
        QSignalSpy connected(server.get(), &PhoneServer::phoneConnected);
        QSignalSpy disconnected(server.get(), &PhoneServer::phoneDisconnected);

        auto first = firstUsb ? usbPhone() : lanPhone();
        QVERIFY(first);
        const int firstId = sayHello(*first, "dev-A");
        QVERIFY(firstId > 0);
        auto bystander = lanPhone();
        QVERIFY(bystander);
        QVERIFY(sayHello(*bystander, "dev-B") > 0);

        auto second = secondUsb ? usbPhone() : lanPhone();
        QVERIFY(second);
        second->sendHello("dev-A", currentToken);
        QVERIFY(second->waitForFrames(1));
        if (secondWins) {
            QCOMPARE(second->frames[0].type, PhoneLink::WELCOME);
            QVERIFY(first->waitForClose());
            QTRY_COMPARE_WITH_TIMEOUT(disconnected.size(), 1, 5000);
            QCOMPARE(disconnected.first().at(0).toInt(), firstId);
            QCOMPARE(connected.size(), 3);
            QCOMPARE(connected.last().at(5).toBool(), secondUsb);
        } else {
            QCOMPARE(second->frames[0].type, PhoneLink::REJECT);
            QCOMPARE(second->json(0), (QJsonObject{{"code", "DUPLICATE"},
                                                   {"message", "Already connected over USB"}}));
            QVERIFY(second->waitForClose());
            QCOMPARE(connected.size(), 2);
        }
        // Neither the loser's nor the winner's peer is disturbed beyond that.
        QTest::qWait(100);
        QCOMPARE(first->isClosed(), secondWins);
        QCOMPARE(second->isClosed(), !secondWins);
        QVERIFY(!bystander->isClosed());
        QCOMPARE(disconnected.size(), secondWins ? 1 : 0);
    }

    void usbPhoneHearsPairInfoBeforeSayingAnything()
    {
        auto phone = std::make_unique<TestPhone>();
        QTcpSocket* pcEnd = phone->openTunnel();
        QVERIFY(pcEnd);
        server->adoptUsbSocket(pcEnd);
        QCOMPARE(pcEnd->parent(), server.get());
        QVERIFY(phone->waitForFrames(1));
        QCOMPARE(phone->received.left(2), QByteArray::fromHex("0400"));
        QCOMPARE(phone->json(0), (QJsonObject{{"token", currentToken},
                                              {"pcName", "DESK-7"},
                                              {"transport", "usb"}}));

        QSignalSpy connected(server.get(), &PhoneServer::phoneConnected);
        phone->sendHello("dev-U", phone->json(0).value("token").toString());
        QVERIFY(phone->waitForFrames(2));
        QCOMPARE(phone->frames[1].type, PhoneLink::WELCOME);
        QTRY_COMPARE_WITH_TIMEOUT(connected.size(), 1, 5000);
        QCOMPARE(connected.first().at(5).toBool(), true);
    }

    // The phone may speak before the USB transport hands the tunnel over; those bytes
    // already sit in the socket and raise no new readyRead.
    void readsWhatATunnelReceivedBeforeTheHandOver()
    {
        auto phone = std::make_unique<TestPhone>();
        QTcpSocket* pcEnd = phone->openTunnel();
        QVERIFY(pcEnd);
        phone->sendHello("dev-U", currentToken);
        QTRY_VERIFY_WITH_TIMEOUT(pcEnd->bytesAvailable() > 0, 5000);
        server->adoptUsbSocket(pcEnd);
        QVERIFY(phone->waitForFrames(2));
        QCOMPARE(phone->frames[0].type, PhoneLink::PAIR_INFO);
        QCOMPARE(phone->frames[1].type, PhoneLink::WELCOME);
    }

    void closedTunnelIsNotAdopted()
    {
        QSignalSpy connected(server.get(), &PhoneServer::phoneConnected);
        QTcpSocket* dead = new QTcpSocket;
        QPointer<QTcpSocket> guard(dead);
        server->adoptUsbSocket(dead);
        QTRY_VERIFY_WITH_TIMEOUT(guard.isNull(), 5000);
        auto phone = lanPhone();
        QVERIFY(phone);
        QCOMPARE(sayHello(*phone, "dev-A"), 1);
    }

    void byeClosesTheConnection_data()
    {
        QTest::addColumn<bool>("usb");
        QTest::newRow("network") << false;
        QTest::newRow("USB") << true;
    }
    void byeClosesTheConnection()
    {
        QFETCH(bool, usb);
        auto phone = usb ? usbPhone() : lanPhone();
        QVERIFY(phone);
        const int id = sayHello(*phone, "dev-A");
        QVERIFY(id > 0);

        QStringList order;
        QTcpSocket* byeSocket = nullptr;
        connect(server.get(), &PhoneServer::usbByeReceived, this, [&](QTcpSocket* socket) {
            order << "bye";
            byeSocket = socket;
            QCOMPARE(socket->state(), QAbstractSocket::ConnectedState);
        });
        connect(server.get(), &PhoneServer::phoneDisconnected, this,
                [&](int gone) { order << QString("gone %1").arg(gone); });
        phone->send(PhoneLink::BYE, 0, {});
        QVERIFY(phone->waitForClose());
        QTRY_VERIFY_WITH_TIMEOUT(order.contains(QString("gone %1").arg(id)), 5000);
        const QStringList expected = usb ? QStringList{"bye", QString("gone %1").arg(id)}
                                         : QStringList{QString("gone %1").arg(id)};
        QCOMPARE(order, expected);
        QCOMPARE(byeSocket != nullptr, usb);
    }

    void unacceptedConnectionLeavesWithoutSignal()
    {
        QSignalSpy disconnected(server.get(), &PhoneServer::phoneDisconnected);
        auto stranger = lanPhone();
        QVERIFY(stranger);
        auto phone = lanPhone();
        QVERIFY(phone);
        const int id = sayHello(*phone, "dev-A");
        stranger->socket.disconnectFromHost();
        phone->socket.disconnectFromHost();
        QTRY_COMPARE_WITH_TIMEOUT(disconnected.size(), 1, 5000);
        QTest::qWait(100);
        QCOMPARE(disconnected.size(), 1);
        QCOMPARE(disconnected.first().at(0).toInt(), id);
    }

    void answersPingWithAByteCopy_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("empty") << QByteArray() << true;
        QTest::newRow("binary") << QByteArray::fromHex("00ff0a0d0000") << true;
        QTest::newRow("JSON kept as written") << QByteArray("{ \"t\" : 5 }") << true;
        QTest::newRow("before HELLO") << QByteArray("x") << false;
    }
    void answersPingWithAByteCopy()
    {
        QFETCH(QByteArray, payload);
        QFETCH(bool, accepted);
        auto phone = lanPhone();
        QVERIFY(phone);
        if (accepted) {
            QVERIFY(sayHello(*phone, "dev-A") > 0);
            phone->received.clear();
        }
        phone->send(PhoneLink::PING, 0x07, payload);
        QTRY_COMPARE_WITH_TIMEOUT(phone->received.size(), 6 + payload.size(), 5000);
        QCOMPARE(phone->received, PhoneLink::header(0x31, 0, quint32(payload.size())) + payload);
    }

    void ignoresTypesItDoesNotHandle_data()
    {
        QTest::addColumn<quint8>("type");
        QTest::newRow("0x00") << quint8(0x00);
        QTest::newRow("PONG") << PhoneLink::PONG;
        QTest::newRow("0x05") << quint8(0x05);
        QTest::newRow("WELCOME from a phone") << PhoneLink::WELCOME;
        QTest::newRow("SET_ACTIVE from a phone") << PhoneLink::SET_ACTIVE;
        QTest::newRow("KEYFRAME_REQUEST from a phone") << PhoneLink::KEYFRAME_REQUEST;
        QTest::newRow("0xFF") << quint8(0xFF);
    }
    void ignoresTypesItDoesNotHandle()
    {
        QFETCH(quint8, type);
        auto phone = lanPhone();
        QVERIFY(phone);
        QVERIFY(sayHello(*phone, "dev-A") > 0);
        QSignalSpy frames(server.get(), &PhoneServer::videoFrame);
        QSignalSpy connected(server.get(), &PhoneServer::phoneConnected);
        phone->sendRaw(PhoneLink::header(type, 0x01, 12) + QByteArray(12, '\x01')
                       + PhoneLink::header(PhoneLink::PING, 0, 2) + "ok");
        QVERIFY(phone->waitForFrames(2));
        QCOMPARE(phone->frames[1].type, PhoneLink::PONG);
        QCOMPARE(phone->frames[1].payload, QByteArray("ok"));
        QCOMPARE(phone->frames.size(), 2);
        QVERIFY(!phone->isClosed());
        QCOMPARE(frames.size(), 0);
        QCOMPARE(connected.size(), 0);
    }

    void setPhoneActiveWritesExactBytes_data()
    {
        QTest::addColumn<bool>("active");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("true, then a key frame request")
            << true
            << QByteArray::fromHex("20000f000000") + "{\"active\":true}"
                   + QByteArray::fromHex("210002000000") + "{}";
        QTest::newRow("false alone") << false
                                     << QByteArray::fromHex("200010000000") + "{\"active\":false}";
    }
    void setPhoneActiveWritesExactBytes()
    {
        QFETCH(bool, active);
        QFETCH(QByteArray, expected);
        auto stranger = lanPhone(); // id 1, never says HELLO
        QVERIFY(stranger);
        auto phone = lanPhone();
        QVERIFY(phone);
        const int id = sayHello(*phone, "dev-A");
        QCOMPARE(id, 2);
        phone->received.clear();

        server->setPhoneActive(1, true);  // not accepted
        server->setPhoneActive(99, true); // unknown
        server->setPhoneActive(id, active);
        QTRY_COMPARE_WITH_TIMEOUT(phone->received.size(), expected.size(), 5000);
        QCOMPARE(phone->received, expected);
        QTest::qWait(100);
        QCOMPARE(phone->received, expected);
        QVERIFY(stranger->received.isEmpty());
    }

    void videoFrameFields_data()
    {
        QTest::addColumn<quint8>("flags");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<bool>("emitted");
        QTest::addColumn<qulonglong>("pts");
        QTest::addColumn<bool>("keyframe");
        QTest::addColumn<QByteArray>("accessUnit");
        const QByteArray au = QByteArray::fromHex("0000000165888480");
        QTest::newRow("key frame flag")
            << quint8(0x01) << QByteArray::fromHex("0100000000000000") + au << true
            << qulonglong(1) << true << au;
        QTest::newRow("other bits set too")
            << quint8(0x03) << QByteArray::fromHex("0807060504030201") + au << true
            << qulonglong(0x0102030405060708) << true << au;
        QTest::newRow("only other bits")
            << quint8(0x02) << QByteArray::fromHex("ffffffffffffffff") + au << true
            << qulonglong(0xffffffffffffffff) << false << au;
        QTest::newRow("exactly 8 bytes")
            << quint8(0x00) << QByteArray::fromHex("0a00000000000000") << true << qulonglong(10)
            << false << QByteArray();
        QTest::newRow("7 bytes") << quint8(0x01) << QByteArray(7, '\0') << false
                                 << qulonglong(0) << false << QByteArray();
        QTest::newRow("empty") << quint8(0x01) << QByteArray() << false << qulonglong(0)
                               << false << QByteArray();
    }
    void videoFrameFields()
    {
        QFETCH(quint8, flags);
        QFETCH(QByteArray, payload);
        QFETCH(bool, emitted);
        QFETCH(qulonglong, pts);
        QFETCH(bool, keyframe);
        QFETCH(QByteArray, accessUnit);
        auto phone = lanPhone();
        QVERIFY(phone);
        const int id = sayHello(*phone, "dev-A");
        QSignalSpy frames(server.get(), &PhoneServer::videoFrame);
        const quint64 before = server->framesReceived();
        phone->send(PhoneLink::VIDEO_FRAME, flags, payload);
        phone->send(PhoneLink::PING, 0, {}); // a marker: everything before it is handled
        QVERIFY(phone->waitForFrames(2));
        QCOMPARE(server->framesReceived(), before + 1);
        QCOMPARE(frames.size(), emitted ? 1 : 0);
        if (emitted) {
            QCOMPARE(frames.first().at(0).toInt(), id);
            QCOMPARE(frames.first().at(1).toByteArray(), accessUnit);
            QCOMPARE(frames.first().at(2).toULongLong(), pts);
            QCOMPARE(frames.first().at(3).toBool(), keyframe);
        }
    }

    void streamInfoReadsIntegersWithDefaults_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("empty object") << QByteArray("{}") << QList<int>{1280, 720, 30};
        QTest::newRow("all given") << QByteArray("{\"width\":640,\"height\":480,\"fps\":60}")
                                   << QList<int>{640, 480, 60};
        QTest::newRow("fraction") << QByteArray("{\"width\":1920,\"fps\":29.97}")
                                  << QList<int>{1920, 720, 30};
        QTest::newRow("beyond 32 bits") << QByteArray("{\"height\":4294967296}")
                                        << QList<int>{1280, 720, 30};
        QTest::newRow("text values") << QByteArray("{\"width\":\"640\",\"fps\":null}")
                                     << QList<int>{1280, 720, 30};
        QTest::newRow("no range check") << QByteArray("{\"width\":-5,\"height\":0}")
                                        << QList<int>{-5, 0, 30};
        QTest::newRow("not JSON") << QByteArray("640x480") << QList<int>{1280, 720, 30};
        QTest::newRow("empty payload") << QByteArray() << QList<int>{1280, 720, 30};
    }
    void streamInfoReadsIntegersWithDefaults()
    {
        QFETCH(QByteArray, payload);
        QFETCH(QList<int>, expected);
        auto phone = lanPhone();
        QVERIFY(phone);
        QSignalSpy info(server.get(), &PhoneServer::streamInfo);
        phone->send(PhoneLink::STREAM_INFO, 0, payload);
        QTRY_COMPARE_WITH_TIMEOUT(info.size(), 1, 5000);
        QCOMPARE(info.first().at(0).toInt(), 1); // signalled before HELLO too, with its id
        QCOMPARE((QList<int>{info.first().at(1).toInt(), info.first().at(2).toInt(),
                             info.first().at(3).toInt()}),
                 expected);
    }

    void binaryPayloadsPassWhole()
    {
        auto phone = lanPhone();
        QVERIFY(phone);
        const int id = sayHello(*phone, "dev-A");
        QSignalSpy config(server.get(), &PhoneServer::videoConfig);
        QSignalSpy thumbs(server.get(), &PhoneServer::thumbnail);
        const QByteArray spsPps = QByteArray::fromHex("00000001674d401fe8800000000168ebef20");
        const QByteArray jpeg = QByteArray::fromHex("ffd8ffe000104a464946") + QByteArray(3000, 'j');
        phone->send(PhoneLink::VIDEO_CONFIG, 0, spsPps);
        phone->send(PhoneLink::THUMBNAIL, 0, jpeg);
        QTRY_COMPARE_WITH_TIMEOUT(thumbs.size(), 1, 5000);
        QCOMPARE(config.size(), 1);
        QCOMPARE(config.first(), (QList<QVariant>{id, spsPps}));
        QCOMPARE(thumbs.first(), (QList<QVariant>{id, jpeg}));
    }

    void reassemblesAFrameSentByteByByte()
    {
        auto phone = lanPhone();
        QVERIFY(phone);
        phone->socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        QSignalSpy config(server.get(), &PhoneServer::videoConfig);
        const QByteArray bytes = PhoneLink::header(PhoneLink::VIDEO_CONFIG, 0, 5) + "abcde";
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            QCOMPARE(config.size(), 0);
            phone->sendRaw(bytes.mid(i, 1));
            QTest::qWait(5); // let the server read each byte on its own
        }
        QTRY_COMPARE_WITH_TIMEOUT(config.size(), 1, 5000);
        QCOMPARE(config.first().at(1).toByteArray(), QByteArray("abcde"));
        QTest::qWait(50);
        QCOMPARE(config.size(), 1);
    }

    void dispatchesEveryFrameOfOneReadInOrder()
    {
        auto phone = lanPhone();
        QVERIFY(phone);
        QStringList order;
        connect(server.get(), &PhoneServer::videoConfig, this, [&] { order << "config"; });
        connect(server.get(), &PhoneServer::streamInfo, this, [&] { order << "info"; });
        connect(server.get(), &PhoneServer::thumbnail, this, [&] { order << "thumb"; });
        connect(server.get(), &PhoneServer::videoFrame, this, [&] { order << "frame"; });
        QByteArray burst;
        burst += PhoneLink::header(PhoneLink::STREAM_INFO, 0, 2) + "{}";
        burst += PhoneLink::header(PhoneLink::VIDEO_CONFIG, 0, 1) + "c";
        for (int i = 0; i < 3; ++i)
            burst += PhoneLink::header(PhoneLink::VIDEO_FRAME, 1, 9) + QByteArray(9, char(i));
        burst += PhoneLink::header(PhoneLink::THUMBNAIL, 0, 0);
        phone->sendRaw(burst);
        QTRY_COMPARE_WITH_TIMEOUT(order.size(), 6, 5000);
        QCOMPARE(order, (QStringList{"info", "config", "frame", "frame", "frame", "thumb"}));
    }

    void limitsTheAnnouncedPayload_data()
    {
        QTest::addColumn<quint32>("length");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("exactly 16 MiB") << quint32(0x1000000) << true;
        QTest::newRow("one byte over") << quint32(0x1000001) << false;
    }
    void limitsTheAnnouncedPayload()
    {
        QFETCH(quint32, length);
        QFETCH(bool, accepted);
        auto phone = lanPhone();
        QVERIFY(phone);
        QVERIFY(sayHello(*phone, "dev-A") > 0);
        QSignalSpy config(server.get(), &PhoneServer::videoConfig);
        QSignalSpy thumbs(server.get(), &PhoneServer::thumbnail);
        // The frame ahead of the big header arrives in the same write and is still handled.
        phone->sendRaw(PhoneLink::header(PhoneLink::THUMBNAIL, 0, 1) + "t"
                       + PhoneLink::header(PhoneLink::VIDEO_CONFIG, 0, length));
        QTRY_COMPARE_WITH_TIMEOUT(thumbs.size(), 1, 5000);
        if (!accepted) {
            QVERIFY(phone->waitForClose());
            QCOMPARE(phone->frames.size(), 1); // WELCOME only: no REJECT for this
            return;
        }
        QTest::qWait(100);
        QVERIFY(!phone->isClosed());
        phone->sendRaw(QByteArray(qsizetype(length), '\x5a'));
        QTRY_COMPARE_WITH_TIMEOUT(config.size(), 1, 20000);
        QCOMPARE(config.first().at(1).toByteArray().size(), qsizetype(length));
        QVERIFY(!phone->isClosed());
    }
};

QTEST_GUILESS_MAIN(PhoneServerTest)
#include "PhoneServerTest.moc"
