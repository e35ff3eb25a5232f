#include "bench/BlockingSocket.h"

#include "link/PhoneLink.h"

#include <QJsonObject>
#include <QString>
#include <QtEndian>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace BlockingSocket {

int dial(quint16 port)
{
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    if (socket < 0)
        return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // A PC that stops reading must not stall the load for good.
    const timeval sendLimit{replyTimeoutMs / 1000, 0};
    ::setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &sendLimit, sizeof sendLimit);
    if (::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(socket);
        return -1;
    }
    return socket;
}

bool sendAll(int socket, const QByteArray& bytes)
{
    for (qsizetype sent = 0; sent < bytes.size();) {
        const ssize_t n =
            ::send(socket, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += n;
    }
    return true;
}

bool receiveAll(int socket, char* into, size_t size)
{
    for (size_t got = 0; got < size;) {
        pollfd ready{socket, POLLIN, 0};
        if (::poll(&ready, 1, replyTimeoutMs) <= 0)
            return false;
        const ssize_t n = ::recv(socket, into + got, size - got, 0);
        if (n <= 0)
            return false;
        got += size_t(n);
    }
    return true;
}

bool closedByPeer(int socket)
{
    pollfd ready{socket, POLLIN, 0};
    if (::poll(&ready, 1, 0) <= 0)
        return false;
    char byte;
    const ssize_t n = ::recv(socket, &byte, 1, MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}

bool handshake(int socket, const QByteArray& token, const QString& deviceId, QString* rejectCode)
{
    const QByteArray hello = PhoneLink::jsonPayload({{"v", PhoneLink::protocolVersion},
                                                     {"token", QString::fromUtf8(token)},
                                                     {"deviceId", deviceId},
                                                     {"name", QStringLiteral("Load")}});
    if (!sendAll(socket, PhoneLink::header(PhoneLink::HELLO, 0, quint32(hello.size())) + hello))
        return false;
    for (;;) {
        char header[PhoneLink::headerSize];
        if (!receiveAll(socket, header, sizeof header))
            return false;
        const quint32 length = qFromLittleEndian<quint32>(header + 2);
        if (length > 1024 * 1024)
            return false;
        QByteArray payload(qsizetype(length), Qt::Uninitialized);
        if (!receiveAll(socket, payload.data(), length))
            return false;
        if (quint8(header[0]) == PhoneLink::WELCOME)
            return true;
        if (quint8(header[0]) == PhoneLink::REJECT) {
            if (rejectCode)
                *rejectCode = PhoneLink::readJsonObject(payload).value("code").toString();
            return false;
        }
    }
}

} // namespace BlockingSocket
