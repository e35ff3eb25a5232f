#include "tests/usb/FakeMuxService.h"
#include "usb/UsbMuxClient.h"
#include "usb/UsbMuxCodec.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <memory>

using Peer = FakeMuxService::Peer;

class UsbMuxClientTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    std::unique_ptr<FakeMuxService> service;
    std::unique_ptr<UsbMuxClient> client;
    // Takes each handed-over socket as the phone link does; deleting one is a dropped link.
    std::unique_ptr<QObject> links;
    QList<QPointer<QTcpSocket>> handed;
    QList<bool> availability;

    QString socketPath() const { return dir.filePath(QStringLiteral("usbmuxd")); }

    void makeClient(const UsbMuxEndpoint& endpoint)
    {
        client = std::make_unique<UsbMuxClient>(endpoint);
        client->setReconnectMs(60);
        client->setTunnelRetryMs(40);
        connect(client.get(), &UsbMuxClient::availabilityChanged, this,
                [this](bool available) { availability.append(available); });
        connect(client.get(), &UsbMuxClient::tunnelReady, this, [this](QTcpSocket* socket) {
            socket->setParent(links.get());
            handed.append(socket);
        });
    }

    // A client that has said Listen to the service and been answered.
    bool startListening()
    {
        if (!service->listenNatively(socketPath()))
            return false;
        makeClient(service->endpoint());
        client->start();
        return QTest::qWaitFor([this] { return availability == QList<bool>{true}; }, 3000);
    }

    Peer* control() const { return service->lastControl(); }

    // Attaches a device and waits until its tunnel is handed over.
    QTcpSocket* link(int deviceId)
    {
        const qsizetype before = handed.size();
        service->send(control(), FakeMuxService::attached(deviceId, deviceId));
        if (!QTest::qWaitFor([&] { return handed.size() > before; }, 3000))
            return nullptr;
        return handed.last();
    }

    // Device 5 linked, device 6's Connect left unanswered.
    QTcpSocket* linkOneAndLeaveOnePending(Peer** pending)
    {
        if (!startListening())
            return nullptr;
        QTcpSocket* linked = link(5);
        service->connectAnswer.reset();
        service->send(control(), FakeMuxService::attached(6, 6));
        if (!QTest::qWaitFor([this] { return service->tunnels().size() == 2; }, 3000))
            return nullptr;
        *pending = service->tunnels().at(1);
        return linked;
    }

    // Drops the link of the `witness` device and waits until it is handed over again, twice.
    // The tunnel timer has ticked in between, and any other device due a tunnel got one too.
    bool tunnelRetriesPass(QTcpSocket* witness)
    {
        for (int round = 0; round < 2; ++round) {
            const qsizetype before = handed.size();
            delete witness;
            if (!QTest::qWaitFor([&] { return handed.size() > before; }, 3000))
                return false;
            witness = handed.last();
        }
        return true;
    }

    // Waits until `peer` has written everything, then lets the client read it: loopback and
    // Unix sockets deliver within the write, so one pass of the loop is enough.
    static void letClientRead(Peer* peer)
    {
        QTRY_COMPARE(peer->socket->bytesToWrite(), qint64(0));
        QCoreApplication::processEvents();
    }

    static bool carriesBothWays(QTcpSocket* socket, Peer* peer)
    {
        socket->write("from pc");
        peer->socket->write("from phone");
        return QTest::qWaitFor(
                   [&] {
                       return peer->received.endsWith("from pc") && socket->bytesAvailable() >= 10;
                   },
                   3000)
            && socket->readAll().endsWith("from phone");
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(dir.isValid());
        service = std::make_unique<FakeMuxService>();
        links = std::make_unique<QObject>();
    }

    void cleanup()
    {
        // The client goes first, as in the program, while links it handed over live on.
        client.reset();
        links.reset();
        service.reset();
        QFile::remove(socketPath());
        handed.clear();
        availability.clear();
    }

#ifndef Q_OS_WIN
    void serviceCountsAsInstalledWhenItsProgramIs()
    {
        QTemporaryDir root;
        QVERIFY(!UsbMuxEndpoint::serviceInstalled(root.path()));
        QVERIFY(QDir(root.path()).mkpath("usr/sbin"));
        QFile program(root.filePath("usr/sbin/usbmuxd"));
        QVERIFY(program.open(QIODevice::WriteOnly));
        program.close();
        QVERIFY(!UsbMuxEndpoint::serviceInstalled(root.path())); // not a program
        QVERIFY(program.setPermissions(program.permissions() | QFile::ExeOwner));
        QVERIFY(UsbMuxEndpoint::serviceInstalled(root.path()));
    }
#endif

    void sendsListenFirstWithTagOne()
    {
        QVERIFY(startListening());
        const FakeMuxService::Request listen = control()->requests.first();
        const QByteArray payload = usbmux::buildPlist(usbmux::listenRequest());
        QCOMPARE(listen.payload, payload);
        QCOMPARE(listen.length, quint32(16 + payload.size()));
        QCOMPARE(listen.version, 1u);
        QCOMPARE(listen.type, 8u);
        QCOMPARE(listen.tag, 1u);
    }

    void sharesTagsAcrossConnections()
    {
        service->connectAnswer.reset();
        QVERIFY(startListening());
        service->send(control(), FakeMuxService::attached(5, 5));
        service->send(control(), FakeMuxService::attached(6, 6));
        QTRY_COMPARE(service->tunnels().size(), 2);
        QList<quint32> tags;
        for (Peer* tunnel : service->tunnels())
            tags.append(tunnel->requests.first().tag);
        std::sort(tags.begin(), tags.end());
        QCOMPARE(tags, (QList<quint32>{2, 3}));
    }

    void becomesAvailableOnlyWhenListenAccepted_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QList<bool>>("expected");
        QTest::newRow("accepted") << 0 << QList<bool>{true};
        QTest::newRow("refused") << 1 << QList<bool>{};
    }
    void becomesAvailableOnlyWhenListenAccepted()
    {
        QFETCH(int, answer);
        QFETCH(QList<bool>, expected);
        service->listenAnswer = answer;
        QVERIFY(service->listenNatively(socketPath()));
        makeClient(service->endpoint());
        client->start();
        client->start();
        QTRY_VERIFY(control() && !control()->requests.isEmpty());
        service->send(control(), FakeMuxService::result(answer)); // a second answer changes nothing
        // Messages are handled in order: once the device announced next is asked for, the
        // second answer has been handled.
        service->send(control(), FakeMuxService::attached(5, 5));
        QTRY_COMPARE(service->connectedDevices(), QList<int>{5});
        QCOMPARE(availability, expected);
        QCOMPARE(client->isAvailable(), answer == 0);
        QCOMPARE(service->controls().size(), 1);
    }

    void opensTunnelsToUsbDevicesOnly_data()
    {
        QTest::addColumn<QByteArrayList>("messages");
        QTest::addColumn<QList<int>>("connects");
        const QByteArray usb5 = FakeMuxService::attached(5, 5);
        QTest::newRow("usb") << QByteArrayList{usb5} << QList<int>{5};
        QTest::newRow("network") << QByteArrayList{FakeMuxService::attached(5, 5, "Network")}
                                 << QList<int>{};
        QTest::newRow("no type") << QByteArrayList{FakeMuxService::attached(5, 5, "")}
                                 << QList<int>{};
        QTest::newRow("top-level id wins")
            << QByteArrayList{FakeMuxService::attached(7, 9)} << QList<int>{7};
        QTest::newRow("id from properties")
            << QByteArrayList{FakeMuxService::attached(-1, 9)} << QList<int>{9};
        QTest::newRow("no id") << QByteArrayList{FakeMuxService::attached(-1, -1)} << QList<int>{};
        QTest::newRow("attached twice") << QByteArrayList{usb5, usb5} << QList<int>{5};
        QTest::newRow("two phones")
            << QByteArrayList{usb5, FakeMuxService::attached(6, 6)} << QList<int>{5, 6};
        QByteArrayList flood;
        QList<int> believed;
        for (int id = 1; id <= UsbMuxClient::maxDevices + 8; ++id) {
            flood.append(FakeMuxService::attached(id, id));
            if (id <= UsbMuxClient::maxDevices)
                believed.append(id);
        }
        QTest::newRow("more than a PC has ports") << flood << believed;
    }
    void opensTunnelsToUsbDevicesOnly()
    {
        QFETCH(QByteArrayList, messages);
        QFETCH(QList<int>, connects);
        service->connectAnswer.reset();
        QVERIFY(startListening());
        // All messages in one write.
        QByteArray bytes;
        for (const QByteArray& xml : messages)
            bytes += usbmux::buildHeader(quint32(xml.size()), 0) + xml;
        service->sendRaw(control(), bytes);
        QTRY_VERIFY_WITH_TIMEOUT(service->connectedDevices().size() >= connects.size(), 5000);
        // A device announced afterwards (in a place freed for it) is asked for once the client
        // has handled everything before.
        constexpr int sentinel = 99;
        service->send(control(),
                      FakeMuxService::detached(connects.isEmpty() ? sentinel : connects.last()));
        service->send(control(), FakeMuxService::attached(sentinel, sentinel));
        QTRY_VERIFY(service->connectedDevices().contains(sentinel));
        QList<int> seen = service->connectedDevices();
        seen.removeOne(sentinel);
        std::sort(seen.begin(), seen.end());
        QCOMPARE(seen, connects);
        for (Peer* tunnel : service->tunnels()) {
            const FakeMuxService::Request connect = tunnel->requests.first();
            QCOMPARE(connect.payload,
                     usbmux::buildPlist(
                         usbmux::connectRequest(connect.message.value("DeviceID").toInt())));
        }
    }

    void handsOverWorkingTunnel_data()
    {
        QTest::addColumn<bool>("tcp");
#ifndef Q_OS_WIN
        QTest::newRow("unix socket") << false;
#endif
        QTest::newRow("tcp") << true;
    }
    void handsOverWorkingTunnel()
    {
        QFETCH(bool, tcp);
        service->bytesAfterConnectResult = "early";
        QVERIFY(tcp ? service->listenTcp() : service->listenUnix(socketPath()));
        makeClient(service->endpoint());
        client->start();
        QTRY_COMPARE(availability, QList<bool>{true});
        QTcpSocket* socket = link(5);
        QVERIFY(socket);
        QCOMPARE(handed.size(), 1);
        QCOMPARE(socket->state(), QAbstractSocket::ConnectedState);
        // What the phone sent right behind the reply is left for the phone link.
        QTRY_COMPARE(socket->bytesAvailable(), qint64(5));
        QCOMPARE(socket->readAll(), QByteArray("early"));
        QVERIFY(carriesBothWays(socket, service->tunnels().first()));
    }

    void closesTunnelOnFailedConnect_data()
    {
        QTest::addColumn<QByteArray>("reply");
        const auto framed = [](const QByteArray& payload) {
            return usbmux::buildHeader(quint32(payload.size()), 0) + payload;
        };
        QTest::newRow("refused") << framed(FakeMuxService::result(3));
        QTest::newRow("no message type")
            << framed("<plist><dict><key>Number</key><integer>0</integer></dict></plist>");
        QTest::newRow("malformed xml") << framed("<plist><dict><key>MessageType</key><str");
        QTest::newRow("length too small") << QByteArray::fromHex("0f000000") + QByteArray(40, 'x');
        QTest::newRow("length too large") << QByteArray::fromHex("01004000") + QByteArray(12, '\0')
                + framed(FakeMuxService::result(0));
        QTest::newRow("closed") << QByteArray();
    }
    void closesTunnelOnFailedConnect()
    {
        QFETCH(QByteArray, reply);
        service->connectAnswer.reset();
        QVERIFY(startListening());
        service->send(control(), FakeMuxService::attached(5, 5));
        QTRY_COMPARE(service->tunnels().size(), 1);
        Peer* tunnel = service->tunnels().first();
        if (reply.isEmpty())
            service->drop(tunnel);
        else
            service->sendRaw(tunnel, reply);
        QTRY_VERIFY(tunnel->closed);
        QVERIFY(handed.isEmpty()); // decided when the reply was read, as the tunnel closed
    }

    void retriesRefusedConnect()
    {
        service->connectAnswers = {3};
        QVERIFY(startListening());
        service->send(control(), FakeMuxService::attached(5, 5));
        QTRY_VERIFY(!service->tunnels().isEmpty());
        QTRY_VERIFY(service->tunnels().first()->closed);
        QTRY_COMPARE(handed.size(), 1);
        QCOMPARE(service->tunnels().size(), 2); // the refused one, then the retry
    }

    void reopensTunnelWhenLinkDropped()
    {
        QVERIFY(startListening());
        delete link(5);
        QTRY_COMPARE_WITH_TIMEOUT(service->tunnels().size(), 2, 4000);
        QTRY_COMPARE(handed.size(), 2);
        QCOMPARE(service->connectedDevices(), (QList<int>{5, 5}));
    }

    void byeStopsTunnelsUntilDetached()
    {
        QVERIFY(startListening());
        QTcpSocket* socket = link(5);
        QVERIFY(socket);
        QTcpSocket* witness = link(6);
        QVERIFY(witness);
        client->noteUsbBye(socket);
        delete socket;
        QVERIFY(tunnelRetriesPass(witness));
        QCOMPARE(service->connectedDevices().count(5), 1);

        service->send(control(), FakeMuxService::detached(5));
        service->send(control(), FakeMuxService::attached(5, 5));
        QTRY_COMPARE(service->connectedDevices().count(5), 2);
    }

    void detachAbortsPendingTunnelButLeavesLink()
    {
        Peer* pending = nullptr;
        QTcpSocket* linked = linkOneAndLeaveOnePending(&pending);
        QVERIFY(linked && pending);

        service->send(control(), FakeMuxService::detached(6));
        service->send(control(), FakeMuxService::detached(5));
        QTRY_VERIFY(pending->closed);
        QCOMPARE(linked->state(), QAbstractSocket::ConnectedState);
        QVERIFY(carriesBothWays(linked, service->tunnels().first()));
        // A detached device gets no new tunnel when its link goes.
        service->connectAnswer = 0;
        QTcpSocket* witness = link(7);
        QVERIFY(witness);
        delete linked;
        QVERIFY(tunnelRetriesPass(witness));
        QCOMPARE(service->connectedDevices().count(5), 1);
        QCOMPARE(service->connectedDevices().count(6), 1);
    }

    void keepsLinksWhenServiceConnectionLost()
    {
        Peer* pending = nullptr;
        QTcpSocket* linked = linkOneAndLeaveOnePending(&pending);
        QVERIFY(linked && pending);

        // The service goes away in the middle of a message.
        Peer* lost = control();
        service->sendRaw(lost, FakeMuxService::attached(7, 7).left(30));
        letClientRead(lost);
        service->drop(lost);
        QTRY_COMPARE(availability, (QList<bool>{true, false}));
        QTRY_VERIFY(pending->closed);
        QVERIFY(carriesBothWays(linked, service->tunnels().first()));

        QTRY_COMPARE(service->controls().size(), 2);
        QTRY_COMPARE(availability, (QList<bool>{true, false, true}));
        // The service announces the phone afresh: a second tunnel, the first link untouched.
        service->connectAnswer = 0;
        QVERIFY(link(5));
        QCOMPARE(linked->state(), QAbstractSocket::ConnectedState);
    }

    void displacedLinkOpensNoFurtherTunnel()
    {
        QVERIFY(startListening());
        QPointer<QTcpSocket> older = link(5);
        QVERIFY(older);
        service->drop(control());
        QTRY_COMPARE(service->controls().size(), 2);
        QPointer<QTcpSocket> newer = link(5);
        QVERIFY(newer);
        QTcpSocket* witness = link(6);
        QVERIFY(witness);

        // The phone link keeps the newer connection of the same phone.
        delete older;
        QVERIFY(tunnelRetriesPass(witness));
        QCOMPARE(service->connectedDevices().count(5), 2);
        delete newer;
        QTRY_COMPARE(service->connectedDevices().count(5), 3);
    }

    void retriesServiceUntilItListens()
    {
#ifdef Q_OS_WIN
        QSKIP("needs the service's address before it listens: a Unix socket path gives one, a "
              "free TCP port does not");
#endif
        makeClient(UsbMuxEndpoint::unixSocket(socketPath()));
        client->start(); // fails at once: nothing listens there yet
        QVERIFY(service->listenUnix(socketPath()));
        QTRY_VERIFY(control());
        QTRY_COMPARE(availability, QList<bool>{true});
    }

    void survivesGarbageOnServiceConnection_data()
    {
        QTest::addColumn<QByteArray>("garbage");
        QTest::newRow("noise") << QByteArray(1000, '\xff');
        QTest::newRow("length 15") << QByteArray::fromHex("0f000000") + QByteArray(30, 'a');
        QTest::newRow("length 4 MiB + 1") << QByteArray::fromHex("01004000") + QByteArray(30, 'a');
        QByteArray largest = QByteArray::fromHex("00004000") + QByteArray(12, '\0');
        largest += QByteArray(0x400000 - 16, '<');
        QTest::newRow("largest frame of junk") << largest;
        const auto framed = [](const QByteArray& payload) {
            return usbmux::buildHeader(quint32(payload.size()), 0) + payload;
        };
        QTest::newRow("malformed xml") << framed("<plist><dict><key>MessageType</key><string>Att");
        QTest::newRow("no message type")
            << framed("<dict><key>DeviceID</key><integer>9</integer></dict>");
        QTest::newRow("unknown type")
            << framed("<dict><key>MessageType</key><string>Paired</string></dict>");
        QTest::newRow("detached, unknown device") << framed(FakeMuxService::detached(42));
        QTest::newRow("huge device id") << framed(FakeMuxService::attached(-1, -1).replace(
            "<string>TEST</string>",
            "<string>TEST</string><key>DeviceID</key><integer>99999999999</integer>"));
    }
    void survivesGarbageOnServiceConnection()
    {
        QFETCH(QByteArray, garbage);
        QVERIFY(startListening());
        service->sendRaw(control(), garbage);
        letClientRead(control());
        // Framing starts afresh with the next read; the connection stays up.
        QVERIFY(link(5));
        QCOMPARE(service->connectedDevices(), QList<int>{5}); // the garbage opened none
        QCOMPARE(service->controls().size(), 1);
        QCOMPARE(availability, QList<bool>{true});
    }
};

QTEST_GUILESS_MAIN(UsbMuxClientTest)
#include "UsbMuxClientTest.moc"
