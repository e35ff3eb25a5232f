#include "PcPeer.h"

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QtEndian>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

QJsonObject PcPeer::Frame::json() const
{
    return QJsonDocument::fromJson(payload).object();
}

quint16 PcPeer::listen(int receiveBufferBytes)
{
    if (receiveBufferBytes == 0) {
        server.listen(QHostAddress::LocalHost, 0);
        return server.serverPort();
    }
    // Accepted sockets inherit SO_RCVBUF from the listener, and QTcpServer offers no way to
    // set it before listen(), so the listener is made by hand.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBufferBytes, sizeof receiveBufferBytes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || ::listen(fd, 4) != 0 || !server.setSocketDescriptor(fd)) {
        ::close(fd);
        return 0;
    }
    return server.serverPort();
}

void PcPeer::setReading(bool reading)
{
    // Qt stops taking bytes from the kernel once its own buffer holds this many.
    socket->setReadBufferSize(reading ? 0 : 1);
}

bool PcPeer::waitForPhone(int timeoutMs)
{
    if (!QTest::qWaitFor([this] { return server.hasPendingConnections(); }, timeoutMs))
        return false;
    socket = server.nextPendingConnection();
    return true;
}

bool PcPeer::connectToPhone(quint16 port)
{
    ownSocket = std::make_unique<QTcpSocket>();
    socket = ownSocket.get();
    socket->connectToHost(QHostAddress::LocalHost, port);
    return QTest::qWaitFor([this] { return socket->state() == QAbstractSocket::ConnectedState; },
                           5000);
}

QByteArray PcPeer::frame(quint8 type, const QByteArray& payload)
{
    QByteArray header(6, 0);
    header[0] = char(type);
    qToLittleEndian<quint32>(quint32(payload.size()), header.data() + 2);
    return header + payload;
}

QByteArray PcPeer::frame(quint8 type, const QJsonObject& payload)
{
    return frame(type, QJsonDocument(payload).toJson(QJsonDocument::Compact));
}

void PcPeer::send(quint8 type, const QByteArray& payload)
{
    sendRaw(frame(type, payload));
}

void PcPeer::send(quint8 type, const QJsonObject& payload)
{
    sendRaw(frame(type, payload));
}

void PcPeer::sendRaw(const QByteArray& bytes)
{
    socket->write(bytes);
    socket->flush();
}

std::optional<PcPeer::Frame> PcPeer::parse()
{
    if (socket)
        buffer += socket->readAll();
    if (buffer.size() < 6)
        return std::nullopt;
    const quint32 length = qFromLittleEndian<quint32>(buffer.constData() + 2);
    if (quint32(buffer.size() - 6) < length)
        return std::nullopt;
    Frame frame{quint8(buffer[0]), quint8(buffer[1]), buffer.mid(6, length)};
    buffer.remove(0, 6 + length);
    return frame;
}

bool PcPeer::holdsWholeFrame() const
{
    return buffer.size() >= 6
        && quint32(buffer.size() - 6) >= qFromLittleEndian<quint32>(buffer.constData() + 2);
}

std::optional<PcPeer::Frame> PcPeer::next(int timeoutMs)
{
    std::optional<Frame> frame;
    (void)QTest::qWaitFor(
        [&] {
            return bool(frame = parse()) || !socket
                || socket->state() == QAbstractSocket::UnconnectedState;
        },
        timeoutMs);
    return frame;
}

std::optional<PcPeer::Frame> PcPeer::nextOfType(quint8 type, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        auto frame = next(int(deadline.remainingTime()));
        if (frame && frame->type == type)
            return frame;
    }
    return std::nullopt;
}

bool PcPeer::waitForClosed(int timeoutMs)
{
    return QTest::qWaitFor(
        [this] { return !socket || socket->state() == QAbstractSocket::UnconnectedState; },
        timeoutMs);
}

void PcPeer::close()
{
    if (socket)
        socket->disconnectFromHost();
}
