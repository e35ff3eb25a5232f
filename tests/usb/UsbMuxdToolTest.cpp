#include "usb/UsbMuxClient.h"

#include <QCoreApplication>
#include <QPointer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// vidlet-usbmuxd, the real program, between a real UsbMuxClient and a listener that plays
// the phone app's port.
class UsbMuxdToolTest : public QObject
{
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
        const QString bin = qEnvironmentVariable("VIDLET_BIN_DIR", QCoreApplication::applicationDirPath());
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
        if (!tool->waitForStarted(5000) || !QTest::qWaitFor([this] { return tool->canReadLine(); }, 5000))
            return {};
        const QString line = QString::fromUtf8(tool->readLine()).trimmed();
        return line.startsWith(u"listening on ") ? line.mid(13) : QString();
    }

    void startClient(const UsbMuxEndpoint& endpoint)
    {
        client = std::make_unique<UsbMuxClient>(endpoint);
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

    bool command(const QByteArray& line)
    {
        tool->write(line + '\n');
        return QTest::qWaitFor([this] { return tool->canReadLine(); }, 3000)
               && tool->readLine().trimmed() == "ok";
    }

private slots:
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
        const QString address = startTool({tcp ? QStringLiteral("--port") : QStringLiteral("--socket"),
                                           tcp ? QStringLiteral("0") : socketPath,
                                           QStringLiteral("--device"), device});
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
        QTest::qWait(300);
        delete handed.first();   // the phone link drops the tunnel in the middle

        QTRY_COMPARE_WITH_TIMEOUT(handed.size(), 2, 4000);
        QTest::qWait(200);
        QCOMPARE(tool->state(), QProcess::Running);
    }

    void refusesConnectsAsTold()
    {
        QElapsedTimer clock;
        clock.start();
        QVERIFY(startOnSocket({"--refuse-connects", "1"}));
        QTRY_COMPARE_WITH_TIMEOUT(handed.size(), 1, 5000);
        QVERIFY2(clock.elapsed() >= 1500, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(phoneSides.size(), 1);
    }

    void refusesConnectWhenPhoneAppIsNotListening()
    {
        phoneApp.close();
        QVERIFY(startOnSocket());
        QTest::qWait(2500);
        QVERIFY(handed.isEmpty());
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
        QVERIFY(startOnSocket(timed ? QStringList{"--detach-after-ms", "1500", "--reattach-after-ms", "500"}
                                    : QStringList{}));
        QTRY_COMPARE_WITH_TIMEOUT(handed.size(), 1, 3000);
        QPointer<QTcpSocket> first = handed.first();
        QTRY_COMPARE(phoneSides.size(), 1);

        if (!timed)
            QVERIFY(command("detach PHONE1"));
        // Pulling the cable ends the link at both ends.
        QTRY_VERIFY_WITH_TIMEOUT(!first || first->state() == QAbstractSocket::UnconnectedState, 5000);
        QTRY_VERIFY(!phoneSides.first() || phoneSides.first()->state() == QAbstractSocket::UnconnectedState);
        if (!timed) {
            QVERIFY(!command("detach NOSUCH"));
            QVERIFY(command("attach"));
        }
        QTRY_COMPARE_WITH_TIMEOUT(handed.size(), 2, 5000);
        QTRY_COMPARE(phoneSides.size(), 2);
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
