#include "link/PhoneLink.h"
#include "link/PhoneServer.h"
#include "tests/link/PhoneServerFixture.h"
#include "tests/link/TestPhone.h"

#include <QDir>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

#include <memory>
#include <sys/resource.h>
#include <vector>

namespace {

// Restores the descriptor limit however the test ends.
struct DescriptorLimit {
    rlimit saved{};
    DescriptorLimit() { getrlimit(RLIMIT_NOFILE, &saved); }
    ~DescriptorLimit() { setrlimit(RLIMIT_NOFILE, &saved); }
    bool lowerTo(rlim_t soft)
    {
        rlimit lowered = saved;
        lowered.rlim_cur = soft;
        return setrlimit(RLIMIT_NOFILE, &lowered) == 0;
    }
};

// Sees the warnings on their way to the test's own handler, which still checks them.
struct WarningWatch {
    static inline QtMessageHandler next = nullptr;
    static inline QStringList seen;

    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        seen.append(text);
        next(type, context, text);
    }
    // Whether a warning matching `pattern` is logged within a few seconds.
    static bool waitFor(const QString& pattern)
    {
        seen.clear();
        next = qInstallMessageHandler(handle);
        const QRegularExpression re(pattern);
        const bool logged = QTest::qWaitFor(
            [&] {
                return std::any_of(seen.cbegin(), seen.cend(),
                                   [&](const QString& text) { return re.match(text).hasMatch(); });
            },
            5000);
        qInstallMessageHandler(next);
        return logged;
    }
};

} // namespace

// What a hostile or broken peer can throw at the server, and that the server keeps serving
// phones afterwards.
class PhoneServerAbuseTest : public PhoneServerFixture {
    Q_OBJECT

private:
    // A fresh phone still gets through the whole handshake.
    void verifyServesAPhone(const QString& deviceId)
    {
        TestPhone phone;
        QVERIFY(phone.connectTo(server->port()));
        phone.sendHello(deviceId, currentToken);
        QVERIFY(phone.waitForFrames(1, 10000));
        QCOMPARE(phone.frames[0].type, PhoneLink::WELCOME);
    }

private Q_SLOTS:
    void init() { QVERIFY(startServer()); }

    void cleanup() { server.reset(); }

    void survivesBadInput_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("closesAtOnce");

        QByteArray noise(256 * 1024, Qt::Uninitialized);
        QRandomGenerator seeded(7);
        seeded.fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
        auto frame = [](quint8 type, const QByteArray& payload) {
            return PhoneLink::header(type, 0, quint32(payload.size())) + payload;
        };
        QByteArray badJson;
        for (quint8 type : {PhoneLink::STREAM_INFO, PhoneLink::PING, PhoneLink::HELLO})
            badJson += frame(type, "{\"v\":1,");

        QTest::newRow("random bytes") << noise << false;
        QTest::newRow("largest 32-bit length") << QByteArray::fromHex("11ffffffffff") << true;
        QTest::newRow("truncated frame") << PhoneLink::header(PhoneLink::VIDEO_FRAME, 1, 100000)
                + QByteArray(5000, 'x') << false;
        QTest::newRow("half a header") << QByteArray::fromHex("1101ff") << false;
        QTest::newRow("invalid JSON everywhere") << badJson << true;
        QTest::newRow("deeply nested JSON")
            << frame(PhoneLink::HELLO, QByteArray(200000, '[')) << true;
        QTest::newRow("HELLO of 16 MiB")
            << frame(PhoneLink::HELLO, "{\"v\":1,\"name\":\"" + QByteArray(0xFFFF00, 'n') + "\"}")
            << true;
        QTest::newRow("media before HELLO") << frame(PhoneLink::VIDEO_FRAME, QByteArray(3, '\0'))
                + frame(PhoneLink::VIDEO_CONFIG, {})
                + frame(PhoneLink::BYE, {}) << true;
    }
    void survivesBadInput()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, closesAtOnce);
        QSignalSpy connected(server.get(), &PhoneServer::phoneConnected);
        {
            TestPhone peer;
            QVERIFY(peer.connectTo(server->port()));
            peer.sendRaw(bytes);
            if (closesAtOnce)
                QVERIFY(peer.waitForClose(20000));
            else
                QTRY_COMPARE(peer.socket.bytesToWrite(), qint64(0)); // all of it reaches the server
        }
        QCOMPARE(connected.size(), 0);
        verifyServesAPhone("dev-after");
    }

    void outlivesAFloodOfConnections()
    {
        QSignalSpy connected(server.get(), &PhoneServer::phoneConnected);
        std::vector<std::unique_ptr<TestPhone>> flood;
        for (int i = 0; i < 200; ++i) {
            auto peer = std::make_unique<TestPhone>();
            QVERIFY(peer->connectTo(server->port()));
            peer->sendRaw(PhoneLink::header(PhoneLink::VIDEO_CONFIG, 0, 4096) + "partial");
            flood.push_back(std::move(peer));
            QCoreApplication::processEvents(); // the server accepts as the flood comes in
        }
        // Each newcomer displaces the longest waiting one: once the last flooder is adopted,
        // all but the newest few are closed.
        const auto& lastDisplaced = flood[flood.size() - PhoneServer::maxWaitingConnections - 1];
        QVERIFY(lastDisplaced->waitForClose());
        flood.clear();
        verifyServesAPhone("dev-after");
        QCOMPARE(connected.size(), 1);
        QCOMPARE(connected.first().at(0).toInt(), 201); // every flooder was adopted
    }

    void closesAPhoneThatDoesNotReadItsPongs()
    {
        QSignalSpy disconnected(server.get(), &PhoneServer::phoneDisconnected);
        TestPhone phone;
        QVERIFY(phone.connectTo(server->port()));
        phone.sendHello("dev-deaf", currentToken);
        QVERIFY(phone.waitForFrames(1));
        // From here the phone reads nothing, so the PC's copies back up at its end.
        phone.socket.setReadBufferSize(1);
        phone.socket.disconnect(&phone);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("does not read what it is sent"));
        const QByteArray ping =
            (PhoneLink::header(PhoneLink::PING, 0, 4096) + QByteArray(4096, 'p')).repeated(256);
        for (int i = 0; i < 96 && disconnected.isEmpty(); ++i) {
            phone.socket.write(ping);
            QTRY_VERIFY_WITH_TIMEOUT(phone.socket.bytesToWrite() == 0 || !disconnected.isEmpty(),
                                     10000);
        }
        QTRY_COMPARE_WITH_TIMEOUT(disconnected.size(), 1, 10000);
    }

    // Strangers that never say HELLO are closed after the handshake limit; an accepted phone
    // is not, however long it has been connected.
    void closesConnectionsThatNeverSayHello()
    {
        server->setHandshakeLimitMs(100);
        TestPhone phone;
        QVERIFY(phone.connectTo(server->port()));
        phone.sendHello("dev-patient", currentToken);
        QVERIFY(phone.waitForFrames(1));
        QCOMPARE(phone.frames[0].type, PhoneLink::WELCOME);
        // Adopted after the phone, so the phone's limit has run out when this one is closed.
        TestPhone silent;
        QVERIFY(silent.connectTo(server->port()));
        silent.sendRaw(PhoneLink::header(PhoneLink::HELLO, 0, 100) + "{\"v\":1");
        QVERIFY(silent.waitForClose(5000));
        QVERIFY(phone.roundTrip());
        QVERIFY(!phone.isClosed());
    }

    // A frame before HELLO may not be larger than any HELLO; later frames may.
    void refusesLargeFramesBeforeHello_data()
    {
        QTest::addColumn<bool>("helloFirst");
        QTest::addColumn<bool>("closed");
        QTest::newRow("before HELLO") << false << true;
        QTest::newRow("after HELLO") << true << false;
    }

    void refusesLargeFramesBeforeHello()
    {
        QFETCH(bool, helloFirst);
        QFETCH(bool, closed);
        TestPhone phone;
        QVERIFY(phone.connectTo(server->port()));
        if (helloFirst) {
            phone.sendHello("dev-big", currentToken);
            QVERIFY(phone.waitForFrames(1));
        }
        // The header first: the server decides on the announced size.
        const quint32 size = PhoneServer::maxHandshakePayload + 1;
        phone.sendRaw(PhoneLink::header(PhoneLink::VIDEO_FRAME, 0, size));
        if (closed) {
            QVERIFY(phone.waitForClose(5000));
            return;
        }
        phone.sendRaw(QByteArray(size, 'v'));
        QVERIFY(phone.roundTrip());
        QVERIFY(!phone.isClosed());
    }

    // A paired phone may send video of up to 16 MiB, but nothing else that large.
    void limitsEachMessageToItsPurpose_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<quint32>("length");
        QTest::newRow("THUMBNAIL") << int(PhoneLink::THUMBNAIL) << quint32(512 * 1024 + 1);
        QTest::newRow("VIDEO_CONFIG") << int(PhoneLink::VIDEO_CONFIG) << quint32(64 * 1024 + 1);
        QTest::newRow("STREAM_INFO") << int(PhoneLink::STREAM_INFO) << quint32(4097);
        QTest::newRow("PING") << int(PhoneLink::PING) << quint32(4097);
    }

    void limitsEachMessageToItsPurpose()
    {
        QFETCH(int, type);
        QFETCH(quint32, length);
        TestPhone phone;
        QVERIFY(phone.connectTo(server->port()));
        QVERIFY(sayHello(phone, "dev-chatty") > 0);
        phone.sendRaw(PhoneLink::header(quint8(type), 0, length));
        QVERIFY(phone.waitForClose(5000));
    }

    // However many device ids a phone with the current token invents, only so many phones
    // are connected at once; a place that frees up is taken again.
    void limitsPhonesConnectedAtOnce()
    {
        std::vector<std::unique_ptr<TestPhone>> phones;
        for (int i = 0; i < PhoneServer::maxAcceptedPhones; ++i) {
            phones.push_back(lanPhone());
            QVERIFY(sayHello(*phones.back(), "dev-" + QString::number(i)) > 0);
        }
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("phones are connected already"));
        auto extra = lanPhone();
        QCOMPARE(sayHello(*extra, "dev-extra"), -1);
        QCOMPARE(extra->json(0).value("code").toString(), QStringLiteral("BUSY"));
        QVERIFY(extra->waitForClose());
        phones.front()->socket.disconnectFromHost();
        QVERIFY(phones.front()->waitForClose());
        QTRY_VERIFY(sayHello(*lanPhone(), "dev-extra") > 0);
    }

    // Unfinished frames held open on several connections are bounded all together: the one
    // holding most is closed.
    void boundsUnfinishedBytesOfAllPhones()
    {
        constexpr int hoarders = 5;
        const QByteArray part(int(PhoneLink::maxPayload) - 1024 * 1024, 'v');
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("bytes of unfinished messages"));
        std::vector<std::unique_ptr<TestPhone>> phones;
        for (int i = 0; i < hoarders; ++i) {
            phones.push_back(lanPhone());
            QVERIFY(sayHello(*phones.back(), "dev-hoard-" + QString::number(i)) > 0);
            phones.back()->sendRaw(
                PhoneLink::header(PhoneLink::VIDEO_FRAME, 0, PhoneLink::maxPayload) + part);
        }
        QTRY_VERIFY_WITH_TIMEOUT(
            std::any_of(phones.begin(), phones.end(), [](const auto& p) { return p->isClosed(); }),
            20000);
        verifyServesAPhone("dev-after");
    }

    // Each change of a phone's size re-creates the camera; a phone flipping it is held to one
    // change per interval, and the last size it announced still arrives.
    void mergesRapidSizeChanges()
    {
        server->setSizeChangeIntervalMs(200);
        QSignalSpy info(server.get(), &PhoneServer::streamInfo);
        TestPhone phone;
        QVERIFY(phone.connectTo(server->port()));
        QVERIFY(sayHello(phone, "dev-flipper") > 0);
        for (int i = 0; i < 20; ++i) {
            const int side = i % 2 ? 64 : 5888;
            phone.sendJson(PhoneLink::STREAM_INFO,
                           {{"width", side}, {"height", side}, {"fps", 30}});
        }
        phone.sendJson(PhoneLink::PING, {{"t", 1}});
        QVERIFY(phone.waitForType(PhoneLink::PONG)); // every STREAM_INFO above was handled
        QCOMPARE(info.size(), 1);
        QVERIFY(info.wait(5000));
        QCOMPARE(info.size(), 2);
        QCOMPARE(info.last().at(1).toInt(), 64);
    }

    // A full waiting room makes room for the newcomer by closing the longest waiting
    // stranger, so a phone that pairs during a flood of silent connections still gets in.
    void pairedPhoneGetsInWhileStrangersFillTheWaitingRoom()
    {
        std::vector<std::unique_ptr<TestPhone>> strangers;
        for (int i = 0; i < PhoneServer::maxWaitingConnections; ++i) {
            strangers.push_back(std::make_unique<TestPhone>());
            QVERIFY(strangers.back()->connectTo(server->port()));
        }
        verifyServesAPhone("dev-during-flood");
        QVERIFY(strangers.front()->waitForClose(5000));
        // The room held all of them until then: only the longest waiting one made room.
        QVERIFY(strangers[1]->roundTrip());
        QVERIFY(!strangers[1]->isClosed());
        QVERIFY(!strangers.back()->isClosed());
    }

    // With the descriptor table full the listening socket cannot accept; once descriptors
    // are free again phones must get through without a restart.
    void acceptsAgainAfterDescriptorsRanOut()
    {
        server->setAcceptRetryMs(20);
        const rlim_t open = rlim_t(QDir("/proc/self/fd").entryList(QDir::Files).size());
        DescriptorLimit limit;
        std::vector<std::unique_ptr<QTcpSocket>> hogs;
        {
            QVERIFY(limit.lowerTo(open + 8));
            // Connections complete in the kernel's backlog; the server, given no chance to
            // accept until the loop below, then finds no descriptor left for them.
            for (int i = 0; i < 32; ++i) {
                auto hog = std::make_unique<QTcpSocket>();
                hog->connectToHost(QHostAddress::LocalHost, server->port());
                if (!hog->waitForConnected(2000))
                    break;
                hogs.push_back(std::move(hog));
            }
            QVERIFY(!hogs.empty());
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression("^Vidlet: phone link cannot accept"));
            QVERIFY(WarningWatch::waitFor("^Vidlet: phone link cannot accept"));
        }
        hogs.clear();
        limit.lowerTo(limit.saved.rlim_cur);
        // Qt repeats the old accept error after later accepts; that is no new failure.
        QTest::failOnWarning(QRegularExpression("^Vidlet: phone link cannot accept"));
        verifyServesAPhone("dev-after");
        verifyServesAPhone("dev-later");
    }
};

QTEST_GUILESS_MAIN(PhoneServerAbuseTest)
#include "PhoneServerAbuseTest.moc"
