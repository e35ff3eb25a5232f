#include "tests/usb/FakeMuxService.h"

#include "tools/vidlet-usbmuxd/AnySocket.h"
#include "usb/UsbMuxCodec.h"

#include <QTcpSocket>
#include <QtEndian>

FakeMuxService::FakeMuxService()
{
    connect(&localServer, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = localServer.nextPendingConnection())
            accept(socket);
    });
    connect(&tcpServer, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = tcpServer.nextPendingConnection())
            accept(socket);
    });
}

FakeMuxService::~FakeMuxService()
{
    for (const auto& peer : peers)
        disconnect(peer->socket, nullptr, this, nullptr);
}

bool FakeMuxService::listenUnix(const QString& socketPath)
{
    path = socketPath;
    return localServer.listen(socketPath);
}

bool FakeMuxService::listenTcp()
{
    return tcpServer.listen(QHostAddress::LocalHost, 0);
}

bool FakeMuxService::listenNatively(const QString& unixPath)
{
#ifdef Q_OS_WIN
    Q_UNUSED(unixPath)
    return listenTcp();
#else
    return listenUnix(unixPath);
#endif
}

UsbMuxEndpoint FakeMuxService::endpoint() const
{
    return path.isEmpty() ? UsbMuxEndpoint::tcp(tcpServer.serverPort())
                          : UsbMuxEndpoint::unixSocket(path);
}

QList<FakeMuxService::Peer*> FakeMuxService::controls() const
{
    return peersOpenedWith(QStringLiteral("Listen"));
}

QList<FakeMuxService::Peer*> FakeMuxService::tunnels() const
{
    return peersOpenedWith(QStringLiteral("Connect"));
}

QList<FakeMuxService::Peer*> FakeMuxService::peersOpenedWith(const QString& type) const
{
    QList<Peer*> found;
    for (const auto& peer : peers) {
        if (!peer->requests.isEmpty()
            && peer->requests.first().message.value("MessageType") == type)
            found.append(peer.get());
    }
    return found;
}

QList<int> FakeMuxService::connectedDevices() const
{
    QList<int> ids;
    for (Peer* peer : tunnels())
        ids.append(peer->requests.first().message.value("DeviceID").toInt());
    return ids;
}

FakeMuxService::Peer* FakeMuxService::lastControl() const
{
    const QList<Peer*> all = controls();
    return all.isEmpty() ? nullptr : all.last();
}

void FakeMuxService::send(Peer* peer, const QByteArray& payload)
{
    sendRaw(peer, usbmux::buildHeader(quint32(payload.size()), 0) + payload);
}

void FakeMuxService::sendRaw(Peer* peer, const QByteArray& bytes)
{
    peer->socket->write(bytes);
}

void FakeMuxService::drop(Peer* peer)
{
    anysocket::abort(peer->socket);
    peer->closed = true;
}

QByteArray FakeMuxService::result(int number)
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<plist version=\"1.0\">\n<dict>\n"
                          "\t<key>MessageType</key>\n\t<string>Result</string>\n"
                          "\t<key>Number</key>\n\t<integer>%1</integer>\n"
                          "</dict>\n</plist>\n")
        .arg(number)
        .toUtf8();
}

QByteArray FakeMuxService::attached(int topLevelId, int propertiesId, const QString& connectionType)
{
    const QString top = topLevelId < 0
        ? QString()
        : QStringLiteral("\t<key>DeviceID</key>\n\t<integer>%1</integer>\n").arg(topLevelId);
    const QString inner = propertiesId < 0
        ? QString()
        : QStringLiteral("\t\t<key>DeviceID</key>\n\t\t<integer>%1</integer>\n").arg(propertiesId);
    return (QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                           "<plist version=\"1.0\">\n<dict>\n")
            + top
            + QStringLiteral("\t<key>MessageType</key>\n\t<string>Attached</string>\n"
                             "\t<key>Properties</key>\n\t<dict>\n"
                             "\t\t<key>ConnectionType</key>\n\t\t<string>%1</string>\n")
                  .arg(connectionType)
            + inner
            + QStringLiteral("\t\t<key>SerialNumber</key>\n\t\t<string>TEST</string>\n"
                             "\t</dict>\n</dict>\n</plist>\n"))
        .toUtf8();
}

QByteArray FakeMuxService::detached(int id)
{
    return QStringLiteral("<plist version=\"1.0\"><dict><key>DeviceID</key><integer>%1</integer>"
                          "<key>MessageType</key><string>Detached</string></dict></plist>")
        .arg(id)
        .toUtf8();
}

void FakeMuxService::accept(QIODevice* socket)
{
    socket->setParent(this);
    peers.push_back(std::make_unique<Peer>());
    Peer* peer = peers.back().get();
    peer->socket = socket;
    connect(socket, &QIODevice::readyRead, this, [this, peer] { readFrom(peer); });
    anysocket::onDisconnected(socket, this, [peer] { peer->closed = true; });
}

void FakeMuxService::readFrom(Peer* peer)
{
    if (peer->tunnelOpen) {
        peer->received += peer->socket->readAll();
        return;
    }
    peer->buffer += peer->socket->readAll();
    while (peer->buffer.size() >= usbmux::kHeaderSize && !peer->tunnelOpen) {
        const uchar* header = reinterpret_cast<const uchar*>(peer->buffer.constData());
        Request request{qFromLittleEndian<quint32>(header),
                        qFromLittleEndian<quint32>(header + 4),
                        qFromLittleEndian<quint32>(header + 8),
                        qFromLittleEndian<quint32>(header + 12),
                        {},
                        {}};
        if (peer->buffer.size() < qsizetype(request.length))
            return;
        request.payload =
            peer->buffer.mid(usbmux::kHeaderSize, request.length - usbmux::kHeaderSize);
        if (!usbmux::takeMessage(peer->buffer, request.message))
            return;
        peer->requests.append(request);
        answer(peer, request);
        Q_EMIT requestReceived(peer);
    }
    if (peer->tunnelOpen)
        peer->received += std::exchange(peer->buffer, QByteArray());
}

void FakeMuxService::answer(Peer* peer, const Request& request)
{
    const QString type = request.message.value("MessageType").toString();
    if (type == "Listen" && listenAnswer) {
        send(peer, result(*listenAnswer));
    } else if (type == "Connect") {
        const std::optional<int> number =
            connectAnswers.isEmpty() ? connectAnswer : std::optional(connectAnswers.takeFirst());
        if (!number)
            return;
        const QByteArray reply = result(*number);
        QByteArray bytes = usbmux::buildHeader(quint32(reply.size()), request.tag) + reply;
        if (*number == 0) {
            peer->tunnelOpen = true;
            bytes += bytesAfterConnectResult;
        }
        sendRaw(peer, bytes);
    }
}
