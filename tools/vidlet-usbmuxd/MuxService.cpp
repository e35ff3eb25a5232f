#include "tools/vidlet-usbmuxd/MuxService.h"

#include "tools/vidlet-usbmuxd/AnySocket.h"
#include "tools/vidlet-usbmuxd/BytePipe.h"
#include "tools/vidlet-usbmuxd/PlistWriter.h"
#include "usb/UsbMuxCodec.h"

#include <QTcpSocket>
#include <QtEndian>

#include <cstdio>
#include <utility>

namespace {

// Result numbers of the usbmux protocol.
constexpr int kOk = 0;
constexpr int kBadCommand = 1;
constexpr int kBadDevice = 2;
constexpr int kConnectionRefused = 3;

void log(const QString& text)
{
    std::fprintf(stderr, "vidlet-usbmuxd: %s\n", qPrintable(text));
}

}  // namespace

MuxService::MuxService(const QList<Device>& devices, int refuseConnects, QObject* parent)
    : QObject(parent), devices(devices), refuseConnects(refuseConnects)
{
    for (Device& device : this->devices)
        device.id = nextDeviceId++;
    connect(&tcpServer, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = tcpServer.nextPendingConnection())
            accept(socket);
    });
    connect(&localServer, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = localServer.nextPendingConnection())
            accept(socket);
    });
}

bool MuxService::listenUnix(const QString& path)
{
    QLocalServer::removeServer(path);   // a socket file left by an earlier run
    return localServer.listen(path);
}

bool MuxService::listenTcp(quint16 port)
{
    return tcpServer.listen(QHostAddress::LocalHost, port);
}

QString MuxService::address() const
{
    if (localServer.isListening())
        return localServer.fullServerName();
    return QStringLiteral("127.0.0.1:%1").arg(tcpServer.serverPort());
}

bool MuxService::attach(const QString& serial)
{
    bool found = false;
    for (Device& device : devices) {
        if (!serial.isEmpty() && device.serial != serial)
            continue;
        found = true;
        if (device.id != 0)
            continue;
        device.id = nextDeviceId++;
        log(QStringLiteral("attached %1 as device %2").arg(device.serial).arg(device.id));
        for (QIODevice* control : clientsWith(Role::Listening))
            announce(control, device);
    }
    return found;
}

bool MuxService::detach(const QString& serial)
{
    bool found = false;
    for (Device& device : devices) {
        if (!serial.isEmpty() && device.serial != serial)
            continue;
        found = true;
        if (device.id == 0)
            continue;
        const int id = device.id;
        device.id = 0;
        log(QStringLiteral("detached %1 (device %2)").arg(device.serial).arg(id));
        for (QIODevice* control : clientsWith(Role::Listening)) {
            send(control, {{QStringLiteral("DeviceID"), id},
                           {QStringLiteral("MessageType"), QStringLiteral("Detached")}},
                 0);
        }
        // Pulling the cable ends every connection to the phone.
        for (QIODevice* tunnel : clientsWith(Role::Tunnelling, id))
            drop(tunnel);
    }
    return found;
}

void MuxService::dropControl()
{
    for (QIODevice* control : clientsWith(Role::Listening))
        drop(control);
}

void MuxService::drop(QIODevice* socket)
{
    clients.remove(socket);
    disconnect(socket, nullptr, this, nullptr);
    anysocket::abort(socket);
    socket->deleteLater();
}

void MuxService::accept(QIODevice* socket)
{
    clients.insert(socket, Client());
    connect(socket, &QIODevice::readyRead, this, [this, socket] { readRequests(socket); });
    anysocket::onDisconnected(socket, this, [this, socket] {
        clients.remove(socket);
        socket->deleteLater();
    });
}

void MuxService::readRequests(QIODevice* socket)
{
    auto it = clients.find(socket);
    // Once a Connect is accepted the bytes belong to the phone app, not to us.
    if (it == clients.end() || it->role == Role::Tunnelling)
        return;
    it->buffer += socket->readAll();
    for (;;) {
        it = clients.find(socket);
        if (it == clients.end() || it->role == Role::Tunnelling
            || it->buffer.size() < usbmux::kHeaderSize)
            return;
        const quint32 tag = qFromLittleEndian<quint32>(it->buffer.constData() + 12);
        QVariantMap request;
        if (!usbmux::takeMessage(it->buffer, request))
            return;
        handleRequest(socket, request, tag);
    }
}

void MuxService::handleRequest(QIODevice* socket, const QVariantMap& request, quint32 tag)
{
    const QString type = request.value(QStringLiteral("MessageType")).toString();
    if (type == u"Listen") {
        clients[socket].role = Role::Listening;
        log(QStringLiteral("client listening"));
        sendResult(socket, kOk, tag);
        for (const Device& device : std::as_const(devices)) {
            if (device.id != 0)
                announce(socket, device);
        }
        return;
    }
    if (type != u"Connect") {
        sendResult(socket, kBadCommand, tag);
        return;
    }
    const int id = request.value(QStringLiteral("DeviceID")).toInt();
    const quint16 wirePort = quint16(request.value(QStringLiteral("PortNumber")).toUInt());
    const quint16 port = quint16((wirePort >> 8) | (wirePort << 8));
    const auto device = std::find_if(devices.cbegin(), devices.cend(),
                                     [id](const Device& d) { return d.id != 0 && d.id == id; });
    if (device == devices.cend()) {
        log(QStringLiteral("Connect to unknown device %1 refused").arg(id));
        sendResult(socket, kBadDevice, tag);
    } else if (port != usbmux::kPhoneAppPort) {
        log(QStringLiteral("Connect to device %1 port %2 refused").arg(id).arg(port));
        sendResult(socket, kConnectionRefused, tag);
    } else if (refuseConnects > 0) {
        --refuseConnects;
        log(QStringLiteral("Connect to device %1 refused as told").arg(id));
        sendResult(socket, kConnectionRefused, tag);
    } else {
        openTunnel(socket, *device, tag);
    }
}

void MuxService::openTunnel(QIODevice* socket, const Device& device, quint32 tag)
{
    Client& client = clients[socket];
    client.role = Role::Tunnelling;
    client.deviceId = device.id;
    // The phone side dies with the client's connection. The client socket is also the
    // context of these connections, so they are gone before it deletes its children.
    auto* phone = new QTcpSocket(socket);
    connect(phone, &QTcpSocket::connected, socket, [this, socket, phone, tag, id = device.id] {
        phone->disconnect(socket);
        log(QStringLiteral("tunnel to device %1 open").arg(id));
        sendResult(socket, kOk, tag);
        // Bytes the client sent right behind its Connect were read with it.
        if (clients.contains(socket))
            phone->write(std::exchange(clients[socket].buffer, QByteArray()));
        new BytePipe(socket, phone, socket);
    });
    connect(phone, &QTcpSocket::errorOccurred, socket, [this, socket, phone, tag, id = device.id] {
        log(QStringLiteral("device %1's app does not answer: %2").arg(id).arg(phone->errorString()));
        phone->disconnect(socket);
        phone->deleteLater();
        sendResult(socket, kConnectionRefused, tag);
        if (clients.contains(socket))
            clients[socket] = Client();
    });
    phone->connectToHost(device.host, device.port);
}

void MuxService::announce(QIODevice* socket, const Device& device)
{
    const QVariantMap properties{
        {QStringLiteral("ConnectionSpeed"), 480000000},
        {QStringLiteral("ConnectionType"), QStringLiteral("USB")},
        {QStringLiteral("DeviceID"), device.id},
        {QStringLiteral("LocationID"), 0},
        {QStringLiteral("ProductID"), 0x12a8},
        {QStringLiteral("SerialNumber"), device.serial},
    };
    send(socket,
         {{QStringLiteral("DeviceID"), device.id},
          {QStringLiteral("MessageType"), QStringLiteral("Attached")},
          {QStringLiteral("Properties"), properties}},
         0);
}

void MuxService::send(QIODevice* socket, const QVariantMap& message, quint32 tag)
{
    const QByteArray payload = writePrettyPlist(message);
    socket->write(usbmux::buildHeader(quint32(payload.size()), tag) + payload);
}

void MuxService::sendResult(QIODevice* socket, int number, quint32 tag)
{
    send(socket,
         {{QStringLiteral("MessageType"), QStringLiteral("Result")},
          {QStringLiteral("Number"), number}},
         tag);
}

QList<QIODevice*> MuxService::clientsWith(Role role, int deviceId) const
{
    QList<QIODevice*> found;
    for (auto it = clients.cbegin(); it != clients.cend(); ++it) {
        if (it->role == role && (role != Role::Tunnelling || it->deviceId == deviceId))
            found.append(it.key());
    }
    return found;
}
