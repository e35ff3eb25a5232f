#include "usb/UsbMuxClient.h"
#include "usb/UsbMuxEndpoint.h"

#include <QCoreApplication>
#include <QDir>
#include <QSignalSpy>

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <memory>

// The pairing token goes down every tunnel, so the default service on 127.0.0.1 is used only
// when its listener is Apple's service; a port the user named may be anyone's.
class UsbMuxEndpointWinTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void onlyApplesServiceIsHandedTheToken()
    {
        QTcpServer impostor;
        QVERIFY(impostor.listen(QHostAddress::LocalHost));
        for (const bool apple : {true, false}) {
            const UsbMuxEndpoint endpoint = apple
                ? UsbMuxEndpoint::appleService(impostor.serverPort())
                : UsbMuxEndpoint::tcp(impostor.serverPort());
            QTcpSocket socket;
            QCOMPARE(endpoint.open(socket), UsbMuxEndpoint::Opening::Pending);
            QVERIFY(socket.waitForConnected(5000));
            QString why;
            const bool trusted = endpoint.trustsListener(socket, &why);
            if (why == QLatin1String("cannot tell which process listens there"))
                QSKIP("this system does not say which process owns a TCP connection");
            QCOMPARE(trusted, !apple);
            // The listener is this test, unsigned, and no Apple service runs here.
            if (apple)
                QCOMPARE(why,
                         QStringLiteral("%1 (process %2) listens there, neither Apple's "
                                        "service nor signed by Apple")
                             .arg(QDir::toNativeSeparators(QCoreApplication::applicationFilePath()),
                                  QString::number(QCoreApplication::applicationPid())));
        }
    }

    // The window says why USB phones are not found: while an impostor answers, and no more once
    // it has gone.
    void aRefusedListenerIsToldUntilItGoes()
    {
        auto impostor = std::make_unique<QTcpServer>();
        QVERIFY(impostor->listen(QHostAddress::LocalHost));
        UsbMuxClient client(UsbMuxEndpoint::appleService(impostor->serverPort()));
        client.setReconnectMs(20);
        QSignalSpy told(&client, &UsbMuxClient::refusalChanged);
        client.start();
        QVERIFY(told.wait(5000));
        QVERIFY(client.isRefused());
        QVERIFY(!client.isAvailable());
        impostor.reset();
        QTRY_VERIFY_WITH_TIMEOUT(!client.isRefused(), 5000);
        QCOMPARE(told.size(), 2);
    }
};

QTEST_GUILESS_MAIN(UsbMuxEndpointWinTest)
#include "UsbMuxEndpointWinTest.moc"
