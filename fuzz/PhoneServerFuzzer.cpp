// PhoneServer's reading code driven through real loopback sockets: up to three phones, each
// on the LAN or through a USB hand-over, send the input's bytes in the pieces it chooses; the
// handshake, the pairing check, the duplicate rules and the media and control messages all
// run as in the program. Reading is driven synchronously (waitForReadyRead on the PC's side of
// each socket), so one input runs the same way every time.
//
// Input: one byte of set-up, then steps of [op, length, length bytes]:
//   set-up bit i (0..2): phone i comes over USB; bit 3: no pairing token yet; bit 4: the
//   handshake limit runs out at the next turn of the event loop
//   op bits 0-1: phone 0..2, or 3 to make phone id `length` active (bit 2: active)
//   op bit 2: the phone closes after sending; op bit 3: run the event loop once afterwards

#include "fuzz/FuzzApplication.h"
#include "link/PhoneServer.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

#include <sys/socket.h>

#include <array>
#include <cstdint>

namespace {

QTcpServer* usbListener = nullptr; // stands in for the USB transport's tunnels

struct Phone {
    QTcpSocket* socket = nullptr; // the phone's end
    QPointer<QTcpSocket> pcSide;  // the end PhoneServer owns
};

// The PC's end of a LAN phone's connection, once the server has adopted it.
QTcpSocket* adoptedSide(PhoneServer& server, quint16 phonePort)
{
    for (int round = 0; round < 50; ++round) {
        for (QTcpSocket* socket : server.findChildren<QTcpSocket*>()) {
            if (socket->peerPort() == phonePort)
                return socket;
        }
        QCoreApplication::processEvents();
    }
    return nullptr;
}

bool connectPhone(PhoneServer& server, Phone& phone, bool usb)
{
    phone.socket = new QTcpSocket;
    phone.socket->connectToHost(QHostAddress::LocalHost,
                                usb ? usbListener->serverPort() : server.port());
    if (!phone.socket->waitForConnected(2000))
        return false;
    if (usb) {
        if (!usbListener->waitForNewConnection(2000))
            return false;
        QTcpSocket* tunnel = usbListener->nextPendingConnection();
        phone.pcSide = tunnel;
        server.adoptUsbSocket(tunnel);
    } else {
        phone.pcSide = adoptedSide(server, phone.socket->localPort());
    }
    return phone.pcSide != nullptr;
}

// A reset instead of a close keeps the machine free of TIME_WAIT sockets across millions of
// inputs.
void resetPhone(Phone& phone)
{
    if (!phone.socket)
        return;
    const linger reset{1, 0};
    if (phone.socket->socketDescriptor() != -1)
        ::setsockopt(int(phone.socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &reset,
                     sizeof reset);
    phone.socket->abort();
    delete phone.socket;
    phone.socket = nullptr;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    startFuzzApplication(argc, argv);
    usbListener = new QTcpServer;
    return usbListener->listen(QHostAddress::LocalHost, 0) ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::uint8_t setup = data[0];
    std::array<Phone, 3> phones;
    {
        PhoneServer server;
        if (!(setup & 8))
            server.setPairingToken(QStringLiteral("fuzz-pairing-token"));
        server.setPcName(QStringLiteral("Fuzz PC"));
        if (setup & 16)
            server.setHandshakeLimitMs(0);
        server.setTrustedDevices({{QStringLiteral("known-phone"), QStringLiteral("older-token")}});
        // As the roster does: a phone that connects becomes the active one.
        QObject::connect(&server, &PhoneServer::phoneConnected, &server,
                         [&server](int id) { server.setPhoneActive(id, true); });
        if (!server.listen(0))
            return 0;

        for (std::size_t pos = 1; pos + 2 <= size;) {
            const std::uint8_t op = data[pos];
            const std::uint8_t lengthByte = data[pos + 1];
            const std::size_t length = std::min<std::size_t>(lengthByte, size - pos - 2);
            const char* bytes = reinterpret_cast<const char*>(data + pos + 2);
            pos += 2 + length;

            const int index = op & 3;
            if (index == 3) {
                server.setPhoneActive(lengthByte, (op & 4) != 0);
                continue;
            }
            Phone& phone = phones[index];
            if (!phone.socket && !connectPhone(server, phone, (setup >> index) & 1))
                break;
            if (phone.socket->state() == QAbstractSocket::ConnectedState) {
                phone.socket->write(bytes, qint64(length));
                phone.socket->flush();
                if (op & 4)
                    phone.socket->disconnectFromHost();
            }
            if (length > 0 && phone.pcSide
                && phone.pcSide->state() == QAbstractSocket::ConnectedState)
                phone.pcSide->waitForReadyRead(20);
            if (op & 8)
                QCoreApplication::processEvents();
        }
        for (Phone& phone : phones)
            resetPhone(phone);
        QCoreApplication::processEvents();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
