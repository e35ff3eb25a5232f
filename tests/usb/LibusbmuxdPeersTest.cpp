#include <QCoreApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// libusbmuxd's own tools, inetcat and iproxy, as clients of vidlet-usbmuxd: they list the
// devices, pick the phone by serial and carry bytes through a tunnel to a stand-in for the phone
// app that echoes them. USBMUXD_SOCKET_ADDRESS points them at the tool, never at the host's
// service.
class LibusbmuxdPeersTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    QTcpServer echo;
    std::unique_ptr<QProcess> service;

    static QString toolPath()
    {
        return qEnvironmentVariable("VIDLET_BIN_DIR", QCoreApplication::applicationDirPath())
            + QStringLiteral("/vidlet-usbmuxd");
    }

    static QByteArray randomBytes(qsizetype size)
    {
        QByteArray bytes(size, Qt::Uninitialized);
        QRandomGenerator(11).fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
        return bytes;
    }

    // Starts the stand-in with one phone whose app port leads to `echo`; returns the address
    // libusbmuxd is to use, in its own notation.
    QString startService(bool tcp)
    {
        const QString socketPath = dir.filePath(QStringLiteral("usbmuxd"));
        service = std::make_unique<QProcess>();
        service->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        service->start(toolPath(),
                       {tcp ? QStringLiteral("--port") : QStringLiteral("--socket"),
                        tcp ? QStringLiteral("0") : socketPath, QStringLiteral("--device"),
                        QStringLiteral("PHONE1=127.0.0.1:%1").arg(echo.serverPort())});
        if (!QTest::qWaitFor([this] { return service->canReadLine(); }, 5000))
            return {};
        const QString address = QString::fromUtf8(service->readLine()).trimmed().mid(13);
        return tcp ? address : QStringLiteral("UNIX:") + address;
    }

    static void pointAt(QProcess& process, const QString& address)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("USBMUXD_SOCKET_ADDRESS"), address);
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::SeparateChannels);
    }

    static QString peer(const char* name)
    {
        return QStandardPaths::findExecutable(QLatin1String(name));
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(dir.isValid());
        QVERIFY(echo.listen(QHostAddress::LocalHost, 0));
        connect(&echo, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = echo.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket,
                        [socket] { socket->write(socket->readAll()); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    void cleanup()
    {
        if (service) {
            service->kill();
            service->waitForFinished(5000);
            service.reset();
        }
        echo.close();
        echo.disconnect(this);
    }

    void inetcatThroughUnixSocket()
    {
        if (peer("inetcat").isEmpty())
            QSKIP("inetcat not found: install libusbmuxd-tools (scripts/install-deps.sh does)");
        const QString address = startService(false);
        QVERIFY(!address.isEmpty());

        QProcess inetcat;
        pointAt(inetcat, address);
        inetcat.start(peer("inetcat"), {"-u", "PHONE1", "7847"});
        QVERIFY(inetcat.waitForStarted(5000));
        const QByteArray sent = randomBytes(256 * 1024);
        inetcat.write(sent);
        QByteArray received;
        QTRY_VERIFY_WITH_TIMEOUT(
            (received += inetcat.readAllStandardOutput()).size() >= sent.size(), 10000);
        QVERIFY(received == sent);
        inetcat.closeWriteChannel();
        QVERIFY(inetcat.waitForFinished(5000));
        QCOMPARE(inetcat.exitCode(), 0);
    }

    void iproxyThroughTcp()
    {
        if (peer("iproxy").isEmpty())
            QSKIP("iproxy not found: install libusbmuxd-tools (scripts/install-deps.sh does)");
        const QString address = startService(true);
        QVERIFY(!address.isEmpty());
        // A port free a moment ago; iproxy listens on it, on 127.0.0.1 only.
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const quint16 localPort = probe.serverPort();
        probe.close();

        QProcess iproxy;
        pointAt(iproxy, address);
        iproxy.start(peer("iproxy"), {"-u", "PHONE1", QStringLiteral("%1:7847").arg(localPort)});
        QVERIFY(iproxy.waitForStarted(5000));
        QTcpSocket app;
        QVERIFY(QTest::qWaitFor(
            [&] {
                app.abort();
                app.connectToHost(QHostAddress::LocalHost, localPort);
                return app.waitForConnected(200);
            },
            5000));

        // Two rounds on one tunnel, then a second tunnel for a second connection.
        for (int round = 0; round < 2; ++round) {
            const QByteArray sent = randomBytes(64 * 1024 + round);
            app.write(sent);
            QByteArray received;
            QTRY_VERIFY_WITH_TIMEOUT((received += app.readAll()).size() >= sent.size(), 10000);
            QVERIFY(received == sent);
        }
        QTcpSocket second;
        second.connectToHost(QHostAddress::LocalHost, localPort);
        QVERIFY(second.waitForConnected(3000));
        second.write("second");
        QByteArray echoed;
        QTRY_COMPARE_WITH_TIMEOUT(echoed += second.readAll(), QByteArray("second"), 5000);

        iproxy.kill();
        iproxy.waitForFinished(5000);
    }
};

QTEST_GUILESS_MAIN(LibusbmuxdPeersTest)
#include "LibusbmuxdPeersTest.moc"
