#include "usb/UsbMuxEndpoint.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

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
            if (apple) // the listener is this test, and no Apple service runs here
                QCOMPARE(why, QStringLiteral("Apple Mobile Device Service is not running"));
        }
    }
};

QTEST_GUILESS_MAIN(UsbMuxEndpointWinTest)
#include "UsbMuxEndpointWinTest.moc"
