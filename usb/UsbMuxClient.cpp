#include "usb/UsbMuxClient.h"

#include "usb/UsbMuxCodec.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace {

// Device identifiers are integers that fit an int; anything else identifies nothing.
std::optional<int> deviceIdIn(const QVariantMap& map)
{
    const QVariant value = map.value(QStringLiteral("DeviceID"));
    if (value.typeId() != QMetaType::LongLong)
        return std::nullopt;
    const qint64 id = value.toLongLong();
    if (id < 0 || id > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(id);
}

} // namespace

UsbMuxClient::UsbMuxClient(QObject* parent)
    : UsbMuxClient(UsbMuxEndpoint::platformDefault(), parent)
{
}

UsbMuxClient::UsbMuxClient(const UsbMuxEndpoint& endpoint, QObject* parent)
    : QObject(parent),
      endpoint(endpoint)
{
    reconnectTimer.setInterval(defaultReconnectMs);
    tunnelTimer.setInterval(defaultTunnelRetryMs);
    connect(&reconnectTimer, &QTimer::timeout, this, &UsbMuxClient::connectControl);
    connect(&tunnelTimer, &QTimer::timeout, this, &UsbMuxClient::retryTunnels);
    connect(&control, &QTcpSocket::connected, this, &UsbMuxClient::onControlConnected);
    connect(&control, &QTcpSocket::readyRead, this, &UsbMuxClient::onControlReadyRead);
    // Nothing listens (or the listener went): no impostor stands in the service's place now.
    connect(&control, &QTcpSocket::errorOccurred, this, [this] {
        setRefused(false);
        onControlError();
    });
}

UsbMuxClient::~UsbMuxClient()
{
    // `control` is destroyed last among the members and aborts its connection on the way;
    // nothing it signals then may reach the half-destroyed client.
    control.disconnect(this);
}

void UsbMuxClient::start()
{
    if (started)
        return;
    started = true;
    connectControl();
}

void UsbMuxClient::noteUsbBye(QTcpSocket* socket)
{
    const auto it = handedOver.constFind(socket);
    if (it != handedOver.cend())
        byeDevices.insert(it.value());
}

void UsbMuxClient::connectControl()
{
    if (control.state() != QAbstractSocket::UnconnectedState)
        return;
    reconnectTimer.stop();
    controlBuffer.clear();
    switch (endpoint.open(control)) {
    case UsbMuxEndpoint::Opening::Pending:
        break;
    case UsbMuxEndpoint::Opening::Connected:
        onControlConnected();
        break;
    case UsbMuxEndpoint::Opening::Failed:
        onControlError();
        break;
    }
}

void UsbMuxClient::onControlConnected()
{
    if (!trusted(control))
        return onControlError();
    sendMessage(control, usbmux::listenRequest());
}

// Said once while the same listener keeps being refused, not at every reconnection.
bool UsbMuxClient::trusted(const QTcpSocket& socket)
{
    QString why;
    const bool trusts = endpoint.trustsListener(socket, &why);
    if (!trusts && !refused)
        qWarning("Vidlet: not using the USB service at %s: %s", qPrintable(endpoint.describe()),
                 qPrintable(why));
    setRefused(!trusts);
    return trusts;
}

void UsbMuxClient::setRefused(bool now)
{
    if (now == refused)
        return;
    refused = now;
    Q_EMIT refusalChanged(refused);
}

void UsbMuxClient::onControlReadyRead()
{
    controlBuffer += control.readAll();
    QVariantMap message;
    while (usbmux::takeMessage(controlBuffer, message))
        handleControlMessage(message);
}

void UsbMuxClient::onControlError()
{
    if (available) {
        available = false;
        tunnelTimer.stop();
        qInfo("Vidlet: USB service connection lost");
        Q_EMIT availabilityChanged(false);
    }
    control.abort();
    controlBuffer.clear();
    devices.clear();
    byeDevices.clear();
    while (!pendingTunnels.empty())
        closeTunnel(pendingTunnels.back().get());
    // Links already handed over keep running: the phones are still on their cables.
    reconnectTimer.start();
}

void UsbMuxClient::handleControlMessage(const QVariantMap& message)
{
    const QString type = message.value(QStringLiteral("MessageType")).toString();
    if (type == u"Result") {
        if (!usbmux::isSuccess(message))
            return;
        if (!available) {
            available = true;
            qInfo("Vidlet: USB service available at %s", qPrintable(endpoint.describe()));
            Q_EMIT availabilityChanged(true);
        }
        tunnelTimer.start();
    } else if (type == u"Attached") {
        const QVariantMap properties = message.value(QStringLiteral("Properties")).toMap();
        if (properties.value(QStringLiteral("ConnectionType")).toString() != u"USB")
            return;
        std::optional<int> id = deviceIdIn(message);
        if (!id)
            id = deviceIdIn(properties);
        if (!id || devices.contains(*id))
            return;
        if (devices.size() >= maxDevices) {
            qWarning("Vidlet: USB service announces more than %d devices, ignoring device %d",
                     maxDevices, *id);
            return;
        }
        devices.insert(*id, false);
        openTunnel(*id);
    } else if (type == u"Detached") {
        const std::optional<int> id = deviceIdIn(message);
        if (!id)
            return;
        devices.remove(*id);
        byeDevices.remove(*id);
        // A link already handed over is left to fail on its own.
        for (std::size_t i = pendingTunnels.size(); i-- > 0;) {
            if (pendingTunnels[i]->deviceId == *id)
                closeTunnel(pendingTunnels[i].get());
        }
    }
}

void UsbMuxClient::retryTunnels()
{
    if (!available)
        return;
    for (auto it = devices.cbegin(); it != devices.cend(); ++it) {
        if (!it.value() && !byeDevices.contains(it.key()) && !hasPendingTunnel(it.key()))
            openTunnel(it.key());
    }
}

void UsbMuxClient::openTunnel(int deviceId)
{
    pendingTunnels.push_back(
        std::make_unique<Tunnel>(Tunnel{new QTcpSocket(this), QByteArray(), deviceId}));
    Tunnel* tunnel = pendingTunnels.back().get();
    // Checked again for each tunnel: the phone link sends the pairing token through it.
    connect(tunnel->socket, &QTcpSocket::connected, this, [this, tunnel] {
        if (trusted(*tunnel->socket))
            sendConnect(tunnel);
        else
            closeTunnel(tunnel);
    });
    connect(tunnel->socket, &QTcpSocket::readyRead, this,
            [this, tunnel] { handleTunnelData(tunnel); });
    connect(tunnel->socket, &QTcpSocket::errorOccurred, this,
            [this, tunnel] { closeTunnel(tunnel); });
    switch (endpoint.open(*tunnel->socket)) {
    case UsbMuxEndpoint::Opening::Pending:
        break;
    case UsbMuxEndpoint::Opening::Connected:
        sendConnect(tunnel);
        break;
    case UsbMuxEndpoint::Opening::Failed:
        closeTunnel(tunnel);
        break;
    }
}

void UsbMuxClient::sendConnect(Tunnel* tunnel)
{
    sendMessage(*tunnel->socket, usbmux::connectRequest(tunnel->deviceId));
}

void UsbMuxClient::handleTunnelData(Tunnel* tunnel)
{
    // Read no further than the reply: whatever the phone app sends behind it stays in the
    // socket for the phone link.
    QVariantMap reply;
    for (;;) {
        const bool hadHeader = tunnel->buffer.size() >= usbmux::kHeaderSize;
        if (usbmux::takeMessage(tunnel->buffer, reply))
            break;
        // takeMessage empties a buffer whose length field is out of range. A tunnel carries
        // a single reply, so nothing after it could be framed: count it as a refusal.
        if (hadHeader && tunnel->buffer.isEmpty()) {
            closeTunnel(tunnel);
            return;
        }
        const QByteArray chunk = tunnel->socket->read(usbmux::bytesMissing(tunnel->buffer));
        if (chunk.isEmpty())
            return;
        tunnel->buffer += chunk;
    }
    if (!usbmux::isSuccess(reply)) {
        closeTunnel(tunnel); // the next retry tick tries again
        return;
    }

    QTcpSocket* socket = tunnel->socket;
    const int deviceId = tunnel->deviceId;
    socket->disconnect(this);
    eraseTunnel(tunnel);
    devices.insert(deviceId, true);
    handedOver.insert(socket, deviceId);
    connect(socket, &QObject::destroyed, this, [this, socket] { forgetSocket(socket); });
    qInfo("Vidlet: USB tunnel to device %d open", deviceId);
    Q_EMIT tunnelReady(socket);
}

void UsbMuxClient::closeTunnel(Tunnel* tunnel)
{
    QTcpSocket* socket = tunnel->socket;
    eraseTunnel(tunnel);
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void UsbMuxClient::eraseTunnel(Tunnel* tunnel)
{
    std::erase_if(pendingTunnels, [tunnel](const auto& t) { return t.get() == tunnel; });
}

bool UsbMuxClient::hasPendingTunnel(int deviceId) const
{
    return std::any_of(pendingTunnels.cbegin(), pendingTunnels.cend(),
                       [deviceId](const auto& t) { return t->deviceId == deviceId; });
}

void UsbMuxClient::forgetSocket(QTcpSocket* socket)
{
    const auto it = handedOver.find(socket);
    if (it == handedOver.end())
        return;
    const int deviceId = it.value();
    handedOver.erase(it);
    // The flag says whether any link exists: after the service came back, a second tunnel
    // may have displaced this one, and that one still counts.
    const bool stillLinked =
        std::find(handedOver.cbegin(), handedOver.cend(), deviceId) != handedOver.cend();
    if (devices.contains(deviceId) && !stillLinked)
        devices.insert(deviceId, false);
}

void UsbMuxClient::sendMessage(QTcpSocket& socket, const QVariantMap& message)
{
    const QByteArray payload = usbmux::buildPlist(message);
    socket.write(usbmux::buildHeader(quint32(payload.size()), nextTag++));
    socket.write(payload);
}
