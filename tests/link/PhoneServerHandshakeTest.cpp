#include "link/PhoneLink.h"
#include "link/PhoneServer.h"
#include "tests/link/PhoneServerFixture.h"
#include "tests/link/TestPhone.h"

#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

// HELLO and its answers, the trust model, phones connected twice and the adoption of USB
// tunnels, over real loopback sockets.
class PhoneServerHandshakeTest : public PhoneServerFixture {
    Q_OBJECT

private Q_SLOTS:
    void init() { QVERIFY(startServer()); }
    void cleanup() { server.reset(); }

    void welcomesPairedPhoneAndReportsIt()
    {
        QSignalSpy connected(server.get(), &PhoneServer::phoneConnected);
        auto phone = lanPhone();
        QVERIFY(phone);
        phone->sendJson(PhoneLink::HELLO,
                        {{"v", 1},
                         {"token", currentToken},
                         {"deviceId", "dev-A"},
                         {"name", "Ana's phone"},
                         {"modelName", "iPhone15,2"},
                         {"model", "iPhone"},
                         {"osVersion", "17.4"}});
        QVERIFY(phone->waitForFrames(1));
        QCOMPARE(phone->frames[0].type, PhoneLink::WELCOME);
        QCOMPARE(phone->frames[0].flags, quint8(0));
        const QJsonObject request{{"codec", "h264"},
                                  {"width", 1280},
                                  {"height", 720},
                                  {"fps", 30},
                                  {"bitrateKbps", 6000}};
        QCOMPARE(
            phone->json(0),
            (QJsonObject{{"v", 1}, {"sessionId", "dev"}, {"active", false}, {"request", request}}));
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

    // A quitting program closes every phone and the port, which the next start can take.
    void closeEndsEveryPhoneAndFreesThePort()
    {
        auto lan = lanPhone();
        auto usb = usbPhone();
        QVERIFY(lan && usb);
        QVERIFY(sayHello(*lan, "lan") >= 0);
        QSignalSpy gone(server.get(), &PhoneServer::phoneDisconnected);
        const quint16 port = server->port();
        QTest::ignoreMessage(QtInfoMsg,
                             QRegularExpression("disconnected: the PC closed the phone link$"));
        server->close();
        QCOMPARE(gone.size(), 1); // the accepted one; the tunnel had not said HELLO
        QVERIFY(lan->waitForClose());
        QVERIFY(usb->waitForClose());
        PhoneServer next;
        QVERIFY(next.listen(port));
    }

    void helloFieldsTakeTheirDefaults_data()
    {
        QTest::addColumn<QJsonObject>("extra");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("os");
        QTest::newRow("nothing given") << QJsonObject{} << "Phone"
                                       << ""
                                       << "";
        QTest::newRow("model only") << QJsonObject{{"model", "Pixel"}} << "Phone"
                                    << "Pixel"
                                    << "";
        QTest::newRow("modelName not a string")
            << QJsonObject{{"modelName", 7}, {"model", "Pixel"}} << "Phone"
            << "Pixel"
            << "";
        QTest::newRow("wrong types") << QJsonObject{{"name", 3}, {"osVersion", true}} << "Phone"
                                     << ""
                                     << "";
        QTest::newRow("empty name stays empty") << QJsonObject{{"name", ""}} << ""
                                                << ""
                                                << "";
        // Texts a phone chooses are cut at 64 characters, never inside a surrogate pair.
        QTest::newRow("long texts are cut")
            << QJsonObject{{"name", QString(10000, 'n')},
                           {"model", QString(70, 'm')},
                           {"osVersion", QString(65, 'o')}}
            << QString(64, 'n') << QString(64, 'm') << QString(64, 'o');
        QTest::newRow("cut keeps whole characters")
            << QJsonObject{{"name", QString(63, 'a') + QString::fromUtf8("\xF0\x9F\x98\x80")}}
            << QString(63, 'a') << ""
            << "";
    }

    // A full list of paired phones takes no more: the newcomer is welcomed but not stored.
    void trustedListHasACeiling()
    {
        QHash<QString, QString> full;
        for (int i = 0; i < PhoneServer::maxTrustedDevices; ++i)
            full.insert(QStringLiteral("dev-%1").arg(i), oldToken);
        server->setTrustedDevices(full);
        QSignalSpy paired(server.get(), &PhoneServer::devicePaired);
        auto phone = lanPhone();
        QVERIFY(phone);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("not remembering another"));
        QVERIFY(sayHello(*phone, "dev-new") > 0);
        QCOMPARE(paired.size(), 0);
        QCOMPARE(server->trustedDevices().size(), PhoneServer::maxTrustedDevices);
        // A phone already on the list still renews its token.
        auto known = lanPhone();
        QVERIFY(known);
        QVERIFY(sayHello(*known, "dev-0") > 0);
        QCOMPARE(paired.size(), 1);
    }

    // A device id becomes a permanent settings key: a phone cannot make it huge.
    void deviceIdIsCutBeforeItIsStored()
    {
        QSignalSpy connected(server.get(), &PhoneServer::phoneConnected);
        QSignalSpy paired(server.get(), &PhoneServer::devicePaired);
        auto phone = lanPhone();
        QVERIFY(phone);
        const QString id(60000, 'd');
        QVERIFY(sayHello(*phone, id) > 0);
        QTRY_COMPARE_WITH_TIMEOUT(connected.size(), 1, 5000);
        QCOMPARE(connected.first().at(1).toString(), id.left(128));
        QCOMPARE(paired.size(), 1);
        QCOMPARE(paired.first().at(0).toString(), id.left(128));
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
        QTest::addColumn<QString>("pairing");   // the server's current token
        QTest::addColumn<QString>("trustedId"); // one stored phone, or none
        QTest::addColumn<QString>("trustedToken");
        QTest::addColumn<QByteArray>("hello");
        QTest::addColumn<QString>("rejectCode"); // empty: WELCOME
        QTest::addColumn<int>("pairedSignals");
        QTest::addColumn<QString>("storedAfter"); // token stored for dev-A afterwards

        auto hello = [](const QString& deviceId, const QString& token, QJsonValue v = 1) {
            return PhoneLink::jsonPayload({{"v", v}, {"deviceId", deviceId}, {"token", token}});
        };
        const QString none;
        QTest::newRow("current token pairs a new phone")
            << currentToken << none << none << hello("dev-A", currentToken) << "" << 1
            << currentToken;
        QTest::newRow("current token replaces another stored token")
            << currentToken << "dev-A" << oldToken << hello("dev-A", currentToken) << "" << 1
            << currentToken;
        QTest::newRow("current token already stored")
            << currentToken << "dev-A" << currentToken << hello("dev-A", currentToken) << "" << 0
            << currentToken;
        QTest::newRow("stored token after the current one changed")
            << currentToken << "dev-A" << oldToken << hello("dev-A", oldToken) << "" << 0
            << oldToken;
        QTest::newRow("current token without device id is remembered nowhere")
            << currentToken << none << none << hello("", currentToken) << "" << 0 << none;
        QTest::newRow("no pairing token yet admits nobody")
            << none << none << none << hello("dev-A", "") << "NEEDS_PAIR" << 0 << none;
        QTest::newRow("no pairing token yet admits no trusted phone either")
            << none << "dev-A" << oldToken << hello("dev-A", oldToken) << "NEEDS_PAIR" << 0
            << oldToken;
        QTest::newRow("wrong token") << currentToken << none << none << hello("dev-A", oldToken)
                                     << "NEEDS_PAIR" << 0 << none;
        QTest::newRow("missing token") << currentToken << "dev-A" << oldToken << hello("dev-A", "")
                                       << "NEEDS_PAIR" << 0 << oldToken;
        QTest::newRow("stored token in other letter case")
            << currentToken << "dev-A" << oldToken << hello("dev-A", oldToken.toLower())
            << "NEEDS_PAIR" << 0 << oldToken;
        QTest::newRow("current token in other letter case")
            << currentToken << none << none << hello("dev-A", currentToken.toUpper())
            << "NEEDS_PAIR" << 0 << none;
        QTest::newRow("another device's stored token")
            << currentToken << "dev-B" << oldToken << hello("dev-A", oldToken) << "NEEDS_PAIR" << 0
            << none;
        QTest::newRow("stored token without device id")
            << currentToken << "dev-A" << oldToken << hello("", oldToken) << "NEEDS_PAIR" << 0
            << oldToken;
        QTest::newRow("version 2")
            << currentToken << none << none << hello("dev-A", currentToken, 2) << "VERSION_MISMATCH"
            << 0 << none;
        QTest::newRow("version as text")
            << currentToken << none << none << hello("dev-A", currentToken, "1")
            << "VERSION_MISMATCH" << 0 << none;
        QTest::newRow("version checked before pairing")
            << currentToken << none << none << hello("dev-A", oldToken, 0) << "VERSION_MISMATCH"
            << 0 << none;
        QTest::newRow("payload not JSON")
            << currentToken << none << none << QByteArray("v=1") << "VERSION_MISMATCH" << 0 << none;
        QTest::newRow("payload a JSON array")
            << currentToken << none << none << QByteArray("[1]") << "VERSION_MISMATCH" << 0 << none;
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
        QSignalSpy refused(server.get(), &PhoneServer::pairingRefused);
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
        // Only a refused token is worth telling the user about.
        QCOMPARE(refused.size(), rejectCode == "NEEDS_PAIR" ? 1 : 0);
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

        // The new code pairs the phone again once its old connection is gone: while it lasts,
        // the code alone cannot take a connected phone's place.
        auto early = lanPhone();
        QVERIFY(early);
        early->sendHello("dev-A", "NextToken-000000000000");
        QVERIFY(early->waitForFrames(1));
        QCOMPARE(early->json(0).value("code").toString(), QString("DUPLICATE"));
        QSignalSpy gone(server.get(), &PhoneServer::phoneDisconnected);
        phone->socket.disconnectFromHost();
        QTRY_COMPARE(gone.size(), 1);
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
            QCOMPARE(
                second->json(0),
                (QJsonObject{{"code", "DUPLICATE"}, {"message", "Already connected over USB"}}));
            QVERIFY(second->waitForClose());
            QCOMPARE(connected.size(), 2);
        }
        // Neither the loser's nor the winner's peer is disturbed beyond that.
        QVERIFY((secondWins ? second : first)->roundTrip());
        QVERIFY(bystander->roundTrip());
        QCOMPARE(first->isClosed(), secondWins);
        QCOMPARE(second->isClosed(), !secondWins);
        QVERIFY(!bystander->isClosed());
        QCOMPARE(disconnected.size(), secondWins ? 1 : 0);
    }

    // A phone that paired under an older code is connected; a newcomer that claims its id with
    // the current code (what any phone on the LAN that can see the window could present) is
    // turned away, and the phone keeps its connection and its stored token. With the phone's
    // own stored token the newcomer is the phone itself, connecting again, and takes over.
    void aConnectedPhoneIsNotTakenOverWithoutItsToken()
    {
        server->setTrustedDevices({{"dev-A", oldToken}});
        QSignalSpy paired(server.get(), &PhoneServer::devicePaired);
        auto phone = lanPhone();
        QVERIFY(phone);
        phone->sendHello("dev-A", oldToken);
        QVERIFY(phone->waitForType(PhoneLink::WELCOME));

        auto impostor = lanPhone();
        QVERIFY(impostor);
        impostor->sendHello("dev-A", currentToken);
        QVERIFY(impostor->waitForFrames(1));
        QCOMPARE(
            impostor->json(0),
            (QJsonObject{{"code", "DUPLICATE"}, {"message", "This phone is connected already"}}));
        QVERIFY(impostor->waitForClose());
        QVERIFY(phone->roundTrip());
        QCOMPARE(server->trustedDevices().value("dev-A"), oldToken);
        QCOMPARE(paired.size(), 0);

        auto again = lanPhone();
        QVERIFY(again);
        again->sendHello("dev-A", oldToken);
        QVERIFY(again->waitForType(PhoneLink::WELCOME));
        QVERIFY(phone->waitForClose());
    }

    // Settings keys ignore case on Windows, so an id that differs from a paired one only in
    // case is welcomed with the current code but never stored over the paired phone's entry.
    void anIdDifferingOnlyInCaseIsNotRemembered()
    {
        server->setTrustedDevices({{"PHONE-A", oldToken}});
        QSignalSpy paired(server.get(), &PhoneServer::devicePaired);
        auto phone = lanPhone();
        QVERIFY(phone);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("only in case; not remembering"));
        QVERIFY(sayHello(*phone, "phone-a") > 0);
        QCOMPARE(paired.size(), 0);
        QCOMPARE(server->trustedDevices(), (QHash<QString, QString>{{"PHONE-A", oldToken}}));
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
        QCOMPARE(
            phone->json(0),
            (QJsonObject{{"token", currentToken}, {"pcName", "DESK-7"}, {"transport", "usb"}}));

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
        // Both ends were closed before the witness spoke, so the server has seen both.
        auto witness = lanPhone();
        QVERIFY(witness);
        QVERIFY(witness->roundTrip());
        QCOMPARE(disconnected.size(), 1);
        QCOMPARE(disconnected.first().at(0).toInt(), id);
    }
};

QTEST_GUILESS_MAIN(PhoneServerHandshakeTest)
#include "PhoneServerHandshakeTest.moc"
