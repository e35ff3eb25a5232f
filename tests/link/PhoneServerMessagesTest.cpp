#include "link/PhoneLink.h"
#include "link/PhoneServer.h"
#include "tests/link/PhoneServerFixture.h"
#include "tests/link/TestPhone.h"

#include <QSignalSpy>
#include <QTest>

// The messages of a connected phone and the framing of its stream, over real loopback
// sockets.
class PhoneServerMessagesTest : public PhoneServerFixture {
    Q_OBJECT

private Q_SLOTS:
    void init() { QVERIFY(startServer()); }
    void cleanup() { server.reset(); }

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
        QTest::newRow("true, then a key frame request") << true
                                                        << QByteArray::fromHex("20000f000000")
                + "{\"active\":true}" + QByteArray::fromHex("210002000000") + "{}";
        QTest::newRow("false alone")
            << false << QByteArray::fromHex("200010000000") + "{\"active\":false}";
    }

    void setPhoneActiveWritesExactBytes()
    {
        QFETCH(bool, active);
        QFETCH(QByteArray, expected);
        server->setKeepAliveIntervalMs(3600000); // no PING among the bytes counted
        auto stranger = lanPhone();              // id 1, never says HELLO
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
        const qsizetype frames = phone->frames.size();
        QVERIFY(phone->roundTrip());
        QCOMPARE(phone->frames.size(), frames + 1); // the PONG, nothing else
        QVERIFY(stranger->roundTrip());
        QCOMPARE(stranger->frames.size(), 1);
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
            << quint8(0x01) << QByteArray::fromHex("0100000000000000") + au << true << qulonglong(1)
            << true << au;
        QTest::newRow("other bits set too")
            << quint8(0x03) << QByteArray::fromHex("0807060504030201") + au << true
            << qulonglong(0x0102030405060708) << true << au;
        QTest::newRow("only other bits")
            << quint8(0x02) << QByteArray::fromHex("ffffffffffffffff") + au << true
            << qulonglong(0xffffffffffffffff) << false << au;
        QTest::newRow("exactly 8 bytes") << quint8(0x00) << QByteArray::fromHex("0a00000000000000")
                                         << true << qulonglong(10) << false << QByteArray();
        QTest::newRow("7 bytes") << quint8(0x01) << QByteArray(7, '\0') << false << qulonglong(0)
                                 << false << QByteArray();
        QTest::newRow("empty") << quint8(0x01) << QByteArray() << false << qulonglong(0) << false
                               << QByteArray();
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
        QTest::newRow("all given")
            << QByteArray("{\"width\":640,\"height\":480,\"fps\":60}") << QList<int>{640, 480, 60};
        QTest::newRow("fraction") << QByteArray("{\"width\":1920,\"fps\":29.97}")
                                  << QList<int>{1920, 720, 30};
        QTest::newRow("beyond 32 bits")
            << QByteArray("{\"height\":4294967296}") << QList<int>{1280, 720, 30};
        QTest::newRow("text values")
            << QByteArray("{\"width\":\"640\",\"fps\":null}") << QList<int>{1280, 720, 30};
        QTest::newRow("no range check")
            << QByteArray("{\"width\":-5,\"height\":0}") << QList<int>{-5, 0, 30};
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
            // Loopback delivers the byte within the write, so one pass of the loop lets the
            // server read it on its own.
            QCoreApplication::processEvents();
        }
        QTRY_COMPARE_WITH_TIMEOUT(config.size(), 1, 5000);
        QCOMPARE(config.first().at(1).toByteArray(), QByteArray("abcde"));
        QVERIFY(phone->roundTrip());
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
        QSignalSpy video(server.get(), &PhoneServer::videoFrame);
        QSignalSpy thumbs(server.get(), &PhoneServer::thumbnail);
        // The frame ahead of the big header arrives in the same write and is still handled.
        phone->sendRaw(PhoneLink::header(PhoneLink::THUMBNAIL, 0, 1) + "t"
                       + PhoneLink::header(PhoneLink::VIDEO_FRAME, 0, length));
        QTRY_COMPARE_WITH_TIMEOUT(thumbs.size(), 1, 5000);
        if (!accepted) {
            QVERIFY(phone->waitForClose());
            QCOMPARE(phone->frames.size(), 1); // WELCOME only: no REJECT for this
            return;
        }
        phone->sendRaw(QByteArray(qsizetype(length), '\x5a'));
        QTRY_COMPARE_WITH_TIMEOUT(video.size(), 1, 20000);
        // The access unit follows the 8 bytes of its time stamp.
        QCOMPARE(video.first().at(1).toByteArray().size(), qsizetype(length) - 8);
        QVERIFY(!phone->isClosed());
    }
};

QTEST_GUILESS_MAIN(PhoneServerMessagesTest)
#include "PhoneServerMessagesTest.moc"
