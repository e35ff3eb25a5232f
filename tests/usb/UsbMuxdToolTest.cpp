#include "usb/UsbMuxClient.h"
#include "usb/UsbMuxCodec.h"

#include <QCoreApplication>
#include <QLocalSocket>
#include <QPointer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <memory>

namespace {

QByteArray request(const QVariantMap& message, quint32 version = 1, quint32 type = 8)
{
    const QByteArray payload = usbmux::buildPlist(message);
    QByteArray bytes = usbmux::buildHeader(quint32(payload.size()), 5) + payload;
    qToLittleEndian<quint32>(version, bytes.data() + 4);
    qToLittleEndian<quint32>(type, bytes.data() + 8);
    return bytes;
}

QByteArray named(const QString& type, QVariantMap entries = {})
{
    entries.insert(QStringLiteral("MessageType"), type);
    return request(entries);
}

// A client speaking raw requests to the tool, the way libusbmuxd does: one at a time.
struct RawClient {
    QLocalSocket socket;
    QByteArray buffer;
    QByteArray lastPayload;

    // The next reply, or an empty map when none comes (`closed` tells whether the tool hung up).
    QVariantMap reply(bool* closed = nullptr)
    {
        // Whether it came is read from the buffer below.
        (void)QTest::qWaitFor(
            [this] {
                return socket.state() != QLocalSocket::ConnectedState
                    || (buffer += socket.readAll(), usbmux::bytesMissing(buffer) <= 0);
            },
            3000);
        buffer += socket.readAll();
        if (closed)
            *closed = socket.state() != QLocalSocket::ConnectedState;
        if (buffer.size() < usbmux::kHeaderSize || usbmux::bytesMissing(buffer) > 0)
            return {};
        const quint32 length = qFromLittleEndian<quint32>(buffer.constData());
        lastPayload = buffer.mid(usbmux::kHeaderSize, length - usbmux::kHeaderSize);
        QVariantMap message;
        usbmux::takeMessage(buffer, message);
        return message;
    }

    QVariantMap ask(const QByteArray& bytes, bool* closed = nullptr)
    {
        socket.write(bytes);
        return reply(closed);
    }
};

QVariantMap result(int number)
{
    return {{QStringLiteral("MessageType"), QStringLiteral("Result")},
            {QStringLiteral("Number"), qint64(number)}};
}

} // namespace

// vidlet-usbmuxd, the real program, between a real UsbMuxClient and a listener that plays
// the phone app's port.
class UsbMuxdToolTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    QTcpServer phoneApp;
    QList<QPointer<QTcpSocket>> phoneSides;
    std::unique_ptr<QProcess> tool;
    std::unique_ptr<UsbMuxClient> client;
    std::unique_ptr<QObject> links;
    QList<QPointer<QTcpSocket>> handed;

    static QString toolPath()
    {
        const QString bin =
            qEnvironmentVariable("VIDLET_BIN_DIR", QCoreApplication::applicationDirPath());
        return bin + QStringLiteral("/vidlet-usbmuxd");
    }

    // The tool's --device argument for phoneApp; it keeps the port after phoneApp closes.
    QString device;

    // Starts the tool and returns the address it printed, or an empty string.
    QString startTool(const QStringList& arguments)
    {
        tool = std::make_unique<QProcess>();
        tool->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        tool->start(toolPath(), arguments);
        if (!tool->waitForStarted(5000)
            || !QTest::qWaitFor([this] { return tool->canReadLine(); }, 5000))
            return {};
        const QString line = QString::fromUtf8(tool->readLine()).trimmed();
        return line.startsWith(u"listening on ") ? line.mid(13) : QString();
    }

    void startClient(const UsbMuxEndpoint& endpoint)
    {
        client = std::make_unique<UsbMuxClient>(endpoint);
        client->setTunnelRetryMs(50);
        connect(client.get(), &UsbMuxClient::tunnelReady, this, [this](QTcpSocket* socket) {
            socket->setParent(links.get());
            handed.append(socket);
        });
        client->start();
    }

    // The tool on a Unix socket with one phone, and a client started against it.
    bool startOnSocket(const QStringList& extraArguments = {})
    {
        const QString socketPath = dir.filePath(QStringLiteral("usbmuxd"));
        if (startTool(QStringList{"--socket", socketPath, "--device", device} + extraArguments)
                .isEmpty())
            return false;
        startClient(UsbMuxEndpoint::unixSocket(socketPath));
        return true;
    }

    bool command(const QByteArray& line) { return answer(line) == "ok"; }

    // The tool's answer to a command line, or an empty one when none comes.
    QByteArray answer(const QByteArray& line)
    {
        tool->write(line + '\n');
        if (!QTest::qWaitFor([this] { return tool->canReadLine(); }, 3000))
            return {};
        return tool->readLine().trimmed();
    }

    bool connectRaw(RawClient& raw)
    {
        raw.socket.connectToServer(dir.filePath(QStringLiteral("usbmuxd")));
        return raw.socket.waitForConnected(3000);
    }

    // The id the tool gave its phone, as a listener hears it.
    int phoneId(RawClient& listener)
    {
        if (!connectRaw(listener) || listener.ask(request(usbmux::listenRequest())) != result(0))
            return -1;
        return listener.reply().value(QStringLiteral("DeviceID"), -1).toInt();
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(dir.isValid());
        QVERIFY(phoneApp.listen(QHostAddress::LocalHost, 0));
        device = QStringLiteral("PHONE1=127.0.0.1:%1").arg(phoneApp.serverPort());
        connect(&phoneApp, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = phoneApp.nextPendingConnection())
                phoneSides.append(socket);
        });
        links = std::make_unique<QObject>();
    }

    void cleanup()
    {
        client.reset();
        links.reset();
        handed.clear();
        if (tool) {
            tool->kill();
            tool->waitForFinished(5000);
            tool.reset();
        }
        phoneApp.close();
        phoneApp.disconnect(this);
        qDeleteAll(phoneApp.findChildren<QTcpSocket*>());
        phoneSides.clear();
    }

    void pipesBytesBothWays_data()
    {
        QTest::addColumn<bool>("tcp");
        QTest::newRow("unix socket") << false;
        QTest::newRow("tcp") << true;
    }
    void pipesBytesBothWays()
    {
        QFETCH(bool, tcp);
        const QString socketPath = dir.filePath(QStringLiteral("usbmuxd"));
        const QString address =
            startTool({tcp ? QStringLiteral("--port") : QStringLiteral("--socket"),
                       tcp ? QStringLiteral("0") : socketPath, QStringLiteral("--device"), device});
        QVERIFY(!address.isEmpty());
        startClient(tcp ? UsbMuxEndpoint::tcp(quint16(address.section(':', 1).toUInt()))
                        : UsbMuxEndpoint::unixSocket(socketPath));
        QTRY_COMPARE_WITH_TIMEOUT(handed.size(), 1, 5000);
        QTRY_COMPARE(phoneSides.size(), 1);
        QTcpSocket* pc = handed.first();
        QTcpSocket* phone = phoneSides.first();

        // More than the pipe ever queues, in both directions at once.
        QByteArray up(9 * 1024 * 1024, Qt::Uninitialized);
        QByteArray down(9 * 1024 * 1024 + 7, Qt::Uninitialized);
        QRandomGenerator generator(7);
        generator.fillRange(reinterpret_cast<quint32*>(up.data()), up.size() / 4);
        generator.fillRange(reinterpret_cast<quint32*>(down.data()), down.size() / 4);
        QByteArray gotUp, gotDown;
        connect(phone, &QTcpSocket::readyRead, this, [&] { gotUp += phone->readAll(); });
        connect(pc, &QTcpSocket::readyRead, this, [&] { gotDown += pc->readAll(); });
        pc->write(up);
        phone->write(down);
        QTRY_VERIFY_WITH_TIMEOUT(gotUp.size() >= up.size() && gotDown.size() >= down.size(), 20000);
        QVERIFY(gotUp == up);
        QVERIFY(gotDown == down);

        // The phone app closes: the PC side learns of it.
        phone->disconnectFromHost();
        QTRY_COMPARE(pc->state(), QAbstractSocket::UnconnectedState);
    }

    void survivesPcClosingMidTransfer()
    {
        QVERIFY(startOnSocket());
        QTRY_COMPARE_WITH_TIMEOUT(handed.size(), 1, 3000);
        QTRY_COMPARE(phoneSides.size(), 1);
        // A phone app that reads nothing keeps the tool's side of the pipe busy writing.
        phoneSides.first()->setReadBufferSize(64 * 1024);
        handed.first()->write(QByteArray(8 * 1024 * 1024, 'v'));
        QTRY_COMPARE(phoneSides.first()->bytesAvailable(), qint64(64 * 1024));
        delete handed.first(); // the phone link drops the tunnel in the middle

        QTRY_COMPARE_WITH_TIMEOUT(handed.size(), 2, 4000);
        QCOMPARE(answer("detach NOSUCH"), QByteArray("error")); // still answering
        QCOMPARE(tool->state(), QProcess::Running);
    }

    void refusesConnectsAsTold()
    {
        const QString socketPath = dir.filePath(QStringLiteral("usbmuxd"));
        QVERIFY(!startTool({"--socket", socketPath, "--device", device, "--refuse-connects", "1"})
                     .isEmpty());
        RawClient listener, refused, served;
        const int id = phoneId(listener);
        QVERIFY(id > 0);
        QVERIFY(connectRaw(refused));
        QCOMPARE(refused.ask(request(usbmux::connectRequest(id))), result(3));
        QVERIFY(phoneSides.isEmpty());
        QVERIFY(connectRaw(served));
        QCOMPARE(served.ask(request(usbmux::connectRequest(id))), result(0));
        QTRY_COMPARE(phoneSides.size(), 1);
    }

    void refusesConnectWhenPhoneAppIsNotListening()
    {
        phoneApp.close();
        QVERIFY(startOnSocket());
        QTRY_VERIFY(client->isAvailable());
        RawClient listener, raw;
        const int id = phoneId(listener);
        QVERIFY(id > 0);
        QVERIFY(connectRaw(raw));
        QCOMPARE(raw.ask(request(usbmux::connectRequest(id))), result(3));
        QVERIFY(handed.isEmpty()); // the client's own Connects fare no better
        QVERIFY(client->isAvailable());
    }

    void detachesAndAttachesAgain_data()
    {
        QTest::addColumn<bool>("timed");
        QTest::newRow("commands") << false;
        QTest::newRow("timed") << true;
    }
    void detachesAndAttachesAgain()
    {
        QFETCH(bool, timed);
        QVERIFY(startOnSocket(
            timed ? QStringList{"--detach-after-ms", "600", "--reattach-after-ms", "100"}
                  : QStringList{}));
        QTRY_COMPARE_WITH_TIMEOUT(handed.size(), 1, 3000);
        QPointer<QTcpSocket> first = handed.first();
        QTRY_COMPARE(phoneSides.size(), 1);

        if (!timed)
            QVERIFY(command("detach PHONE1"));
        // Pulling the cable ends the link at both ends.
        QTRY_VERIFY_WITH_TIMEOUT(!first || first->state() == QAbstractSocket::UnconnectedState,
                                 5000);
        QTRY_VERIFY(!phoneSides.first()
                    || phoneSides.first()->state() == QAbstractSocket::UnconnectedState);
        if (!timed) {
            QVERIFY(!command("detach NOSUCH"));
            QVERIFY(command("attach"));
        }
        QTRY_COMPARE_WITH_TIMEOUT(handed.size(), 2, 5000);
        QTRY_COMPARE(phoneSides.size(), 2);
    }

    // The real service's rules, which a client must not get away with breaking here either.
    void holdsClientsToTheServiceRules()
    {
        const QString socketPath = dir.filePath(QStringLiteral("usbmuxd"));
        QVERIFY(!startTool({"--socket", socketPath, "--device", device}).isEmpty());
        bool closed = false;

        RawClient listener;
        QVERIFY(connectRaw(listener));
        QCOMPARE(listener.ask(request(usbmux::listenRequest())), result(0));
        QCOMPARE(listener.reply().value("MessageType").toString(), QStringLiteral("Attached"));
        // One connection listens or tunnels, never both.
        QCOMPARE(listener.ask(request(usbmux::connectRequest(1)), &closed), result(1));
        QTRY_COMPARE(listener.socket.state(), QLocalSocket::UnconnectedState);

        RawClient client;
        QVERIFY(connectRaw(client));
        QCOMPARE(client.ask(named("ListDevices")).keys(), QStringList{"DeviceList"});
        QVERIFY(client.lastPayload.contains("<string>PHONE1</string>"));
        QCOMPARE(client.ask(request(usbmux::listenRequest(), 2)), result(6));
        QCOMPARE(client.ask(request(usbmux::listenRequest(), 1, 3)), result(1));
        QCOMPARE(client.ask(named("SavePairRecord")), result(1));
        QCOMPARE(client.ask(named("ReadPairRecord", {{"PairRecordID", "PHONE1"}})), result(2));
        QCOMPARE(client.ask(named("ReadPairRecord")), result(22));
        const QString buid = client.ask(named("ReadBUID")).value("BUID").toString();
        QCOMPARE(buid.size(), 36);
        QCOMPARE(client.ask(named("ReadBUID")).value("BUID").toString(), buid);
        // What it cannot read it does not answer; the next request is still served.
        client.socket.write(request({{"Number", 1}}));
        QCOMPARE(client.ask(named("ListListeners")).keys(), QStringList{"ListenerList"});
        QVERIFY(!client.lastPayload.contains("<key>ProgName</key>"));

        RawClient second;
        QVERIFY(connectRaw(second));
        QCOMPARE(second.ask(request(usbmux::listenRequest())), result(0));
        client.ask(named("ListListeners"));
        QVERIFY(client.lastPayload.contains("<string>Vidlet</string>"));
        QVERIFY(client.lastPayload.contains("<key>kLibUSBMuxVersion</key>"));

        // Lengths the service cannot take end the connection without an answer.
        for (const quint32 length : {15u, 0x10001u}) {
            RawClient bad;
            QVERIFY(connectRaw(bad));
            QByteArray header = usbmux::buildHeader(0, 1);
            qToLittleEndian<quint32>(length, header.data());
            QVERIFY(bad.ask(header, &closed).isEmpty());
            QVERIFY2(closed, qPrintable(QString::number(length)));
        }
        QCOMPARE(tool->state(), QProcess::Running);
    }

    void rejectsBadArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no address") << QStringList{"--device", "A=127.0.0.1:1"};
        QTest::newRow("both addresses") << QStringList{"--socket", "/tmp/x", "--port", "0"};
        QTest::newRow("device without port") << QStringList{"--port", "0", "--device", "A=host"};
        QTest::newRow("device without serial") << QStringList{"--port", "0", "--device", "=h:1"};
        QTest::newRow("unknown option") << QStringList{"--port", "0", "--fast", "1"};
        QTest::newRow("missing value") << QStringList{"--port"};
    }
    void rejectsBadArguments()
    {
        QFETCH(QStringList, arguments);
        QProcess process;
        process.start(toolPath(), arguments);
        QVERIFY(process.waitForFinished(5000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 1);
    }
};

QTEST_GUILESS_MAIN(UsbMuxdToolTest)
#include "UsbMuxdToolTest.moc"
