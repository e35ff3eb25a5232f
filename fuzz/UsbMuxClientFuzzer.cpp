// UsbMuxClient against a usbmux service that sends whatever the input says: the service end
// of the control connection and of every tunnel the client opens is played by the fuzzer over
// loopback TCP. Attach, detach, refusals, garbage and hand-overs all run as in the program.
//
// Input: steps of [op, length, length bytes]:
//   op bit 0: send to the control connection (0) or to the newest tunnel (1)
//   op bit 1: close that connection afterwards
//   op bit 2: drop the oldest tunnel handed over, as the phone link does when a phone leaves

#include "fuzz/FuzzApplication.h"
#include "usb/UsbMuxClient.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

#include <cstdint>
#include <memory>

namespace {

QTcpServer* service = nullptr;

// Lets the client act on what it was sent, and takes the connections it opened.
void settle(QList<QPointer<QTcpSocket>>& connections)
{
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::processEvents();
        while (QTcpSocket* socket = service->nextPendingConnection())
            connections.append(socket);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    startFuzzApplication(argc, argv);
    service = new QTcpServer;
    return service->listen(QHostAddress::LocalHost, 0) ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QList<QPointer<QTcpSocket>> connections; // the service's ends; the first is the control
    QList<QPointer<QTcpSocket>> handed;
    {
        auto links = std::make_unique<QObject>();
        UsbMuxClient client(UsbMuxEndpoint::tcp(service->serverPort()));
        QObject::connect(&client, &UsbMuxClient::tunnelReady, links.get(), [&](QTcpSocket* socket) {
            socket->setParent(links.get());
            handed.append(socket);
        });
        client.start();
        if (!service->waitForNewConnection(2000))
            return 0;
        settle(connections);

        for (std::size_t pos = 0; pos + 2 <= size;) {
            const std::uint8_t op = data[pos];
            const std::size_t length = std::min<std::size_t>(data[pos + 1], size - pos - 2);
            const char* bytes = reinterpret_cast<const char*>(data + pos + 2);
            pos += 2 + length;

            QTcpSocket* target = (op & 1) ? connections.last() : connections.first();
            if (target && target->state() == QAbstractSocket::ConnectedState) {
                target->write(bytes, qint64(length));
                target->flush();
                if (op & 2)
                    target->disconnectFromHost();
            }
            if ((op & 4) && !handed.isEmpty())
                delete handed.takeFirst();
            settle(connections);
        }
        // The client goes first, as in the program; links it handed over die after it.
    }
    for (const QPointer<QTcpSocket>& socket : std::as_const(connections))
        delete socket;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
