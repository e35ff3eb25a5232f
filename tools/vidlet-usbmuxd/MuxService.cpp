#include "tools/vidlet-usbmuxd/MuxService.h"

#include "tools/vidlet-usbmuxd/AnySocket.h"
#include "tools/vidlet-usbmuxd/BytePipe.h"
#include "tools/vidlet-usbmuxd/PlistWriter.h"
#include "usb/UsbMuxCodec.h"

#include <QTcpSocket>
#include <QUuid>
#include <QtEndian>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

// Result numbers of the usbmux protocol, and the errno values the service answers pair record
// requests with.
constexpr int kOk = 0;
constexpr int kBadCommand = 1;
constexpr int kBadDevice = 2;
constexpr int kConnectionRefused = 3;
constexpr int kBadVersion = 6;
constexpr int kNoSuchRecord = 2;    // ENOENT
constexpr int kInvalidRequest = 22; // EINVAL

// The service reads a whole request into a buffer of this size; a longer one ends the client.
constexpr quint32 kMaxRequestLength = 0x10000;
constexpr quint32 kPlistMessage = 8;

void log(const QString& text)
{
    std::fprintf(stderr, "vidlet-usbmuxd: %s\n", qPrintable(text));
}

} // namespace

MuxService::MuxService(const QList<Device>& devices, int refuseConnects, QObject* parent)
    : QObject(parent),
      devices(devices),
      refuseConnects(refuseConnects),
      buid(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper())
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
    QLocalServer::removeServer(path); // a socket file left by an earlier run
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
            send(control, attachedMessage(device), 0);
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
            send(control,
                 {{QStringLiteral("DeviceID"), id},
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

// Forgets the client at once, so that nothing more is sent to it or started for it (a pending
// tunnel's phone side dies with it), and lets the queued answer go out first.
void MuxService::closeAfterSending(QIODevice* socket)
{
    clients.remove(socket);
    disconnect(socket, nullptr, this, nullptr);
    anysocket::onDisconnected(socket, socket, [socket] { socket->deleteLater(); });
    anysocket::closeGracefully(socket);
}

void MuxService::accept(QIODevice* socket)
{
    Client client;
    client.number = nextClientNumber++;
    clients.insert(socket, client);
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
        const char* header = it->buffer.constData();
        const quint32 length = qFromLittleEndian<quint32>(header);
        const quint32 version = qFromLittleEndian<quint32>(header + 4);
        const quint32 type = qFromLittleEndian<quint32>(header + 8);
        const quint32 tag = qFromLittleEndian<quint32>(header + 12);
        if (length < quint32(usbmux::kHeaderSize) || length > kMaxRequestLength) {
            log(QStringLiteral("request of %1 bytes, closing the client").arg(length));
            drop(socket);
            return;
        }
        if (quint32(it->buffer.size()) < length)
            return;
        const QByteArray payload =
            it->buffer.mid(usbmux::kHeaderSize, length - usbmux::kHeaderSize);
        it->buffer.remove(0, length);

        // A connection that listens, or has asked for a tunnel, takes no more requests.
        if (it->role != Role::Requests) {
            log(QStringLiteral("request after Listen or Connect, closing the client"));
            sendResult(socket, kBadCommand, tag);
            closeAfterSending(socket);
            return;
        }
        if (version > 1) {
            sendResult(socket, kBadVersion, tag);
            continue;
        }
        // The binary dialect of version 0 is older than any client this stands in for.
        if (type != kPlistMessage) {
            sendResult(socket, kBadCommand, tag);
            continue;
        }
        const QVariantMap request = usbmux::parsePlist(payload);
        if (request.value(QStringLiteral("MessageType")).typeId() != QMetaType::QString) {
            log(QStringLiteral("request without a MessageType ignored"));
            continue; // the service answers nothing to what it cannot read
        }
        handleRequest(socket, request, tag);
    }
}

void MuxService::handleRequest(QIODevice* socket, const QVariantMap& request, quint32 tag)
{
    Client& client = clients[socket];
    for (const char* key : {"BundleID", "ClientVersionString", "ProgName", "kLibUSBMuxVersion"}) {
        const QString name = QLatin1String(key);
        if (request.contains(name))
            client.info.insert(name, request.value(name));
    }
    const QString type = request.value(QStringLiteral("MessageType")).toString();
    if (type == u"Listen") {
        client.role = Role::Listening;
        log(QStringLiteral("client listening"));
        sendResult(socket, kOk, tag);
        for (const Device& device : std::as_const(devices)) {
            if (device.id != 0)
                send(socket, attachedMessage(device), 0);
        }
    } else if (type == u"Connect") {
        handleConnect(socket, request, tag);
    } else if (type == u"ListDevices") {
        QVariantList list;
        for (const Device& device : std::as_const(devices)) {
            if (device.id != 0)
                list.append(attachedMessage(device));
        }
        send(socket, {{QStringLiteral("DeviceList"), list}}, tag);
    } else if (type == u"ListListeners") {
        send(socket, {{QStringLiteral("ListenerList"), listeners()}}, tag);
    } else if (type == u"ReadBUID") {
        send(socket, {{QStringLiteral("BUID"), buid}}, tag);
    } else if (type == u"ReadPairRecord") {
        const bool named =
            request.value(QStringLiteral("PairRecordID")).typeId() == QMetaType::QString;
        sendResult(socket, named ? kNoSuchRecord : kInvalidRequest, tag);
    } else {
        log(QStringLiteral("unknown request %1 refused").arg(type));
        sendResult(socket, kBadCommand, tag);
    }
}

void MuxService::handleConnect(QIODevice* socket, const QVariantMap& request, quint32 tag)
{
    if (!request.contains(QStringLiteral("DeviceID"))) {
        sendResult(socket, kBadDevice, tag);
        return;
    }
    if (!request.contains(QStringLiteral("PortNumber"))) {
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
    client.role = Role::Connecting;
    client.deviceId = device.id;
    // The phone side dies with the client's connection. The client socket is also the
    // context of these connections, so they are gone before it deletes its children.
    auto* phone = new QTcpSocket(socket);
    connect(phone, &QTcpSocket::connected, socket, [this, socket, phone, tag, id = device.id] {
        phone->disconnect(socket);
        const auto client = clients.find(socket);
        if (client == clients.end())
            return;
        log(QStringLiteral("tunnel to device %1 open").arg(id));
        sendResult(socket, kOk, tag);
        // Bytes that came before the answer were not meant for the phone: the service drops them.
        client->role = Role::Tunnelling;
        client->buffer.clear();
        new BytePipe(socket, phone, socket);
    });
    connect(phone, &QTcpSocket::errorOccurred, socket, [this, socket, phone, tag, id = device.id] {
        log(QStringLiteral("device %1's app does not answer: %2")
                .arg(id)
                .arg(phone->errorString()));
        phone->disconnect(socket);
        phone->deleteLater();
        const auto client = clients.find(socket);
        if (client == clients.end())
            return;
        sendResult(socket, kConnectionRefused, tag);
        client->role = Role::Requests;
        client->deviceId = 0;
    });
    phone->connectToHost(device.host, device.port);
}

QVariantMap MuxService::attachedMessage(const Device& device) const
{
    const QVariantMap properties{
        {QStringLiteral("ConnectionSpeed"), 480000000},
        {QStringLiteral("ConnectionType"), QStringLiteral("USB")},
        {QStringLiteral("DeviceID"), device.id},
        {QStringLiteral("LocationID"), 0},
        {QStringLiteral("ProductID"), 0x12a8},
        {QStringLiteral("SerialNumber"), device.serial},
    };
    return {{QStringLiteral("DeviceID"), device.id},
            {QStringLiteral("MessageType"), QStringLiteral("Attached")},
            {QStringLiteral("Properties"), properties}};
}

QVariantList MuxService::listeners() const
{
    QVariantList list;
    for (auto it = clients.cbegin(); it != clients.cend(); ++it) {
        if (it->role != Role::Listening)
            continue;
        const QString progName =
            it->info.value(QStringLiteral("ProgName"), QStringLiteral("unknown")).toString();
        QVariantMap listener{
            {QStringLiteral("Blacklisted"), false},
            {QStringLiteral("ConnType"), 0},
            {QStringLiteral("ID String"), QStringLiteral("%1-%2").arg(it->number).arg(progName)},
            {QStringLiteral("ProgName"), progName},
            {QStringLiteral("kLibUSBMuxVersion"),
             it->info.value(QStringLiteral("kLibUSBMuxVersion"), 0).toLongLong()},
        };
        if (it->info.contains(QStringLiteral("BundleID")))
            listener.insert(QStringLiteral("BundleID"), it->info.value(QStringLiteral("BundleID")));
        list.append(listener);
    }
    return list;
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
