#include "link/PhoneServer.h"

#include "link/PhoneLink.h"

#include <QJsonObject>
#include <QList>
#include <QTcpSocket>

namespace {

QByteArray welcomePayload()
{
    const QJsonObject request{{QStringLiteral("codec"), QStringLiteral("h264")},
                              {QStringLiteral("width"), 1280},
                              {QStringLiteral("height"), 720},
                              {QStringLiteral("fps"), 30},
                              {QStringLiteral("bitrateKbps"), 6000}};
    return PhoneLink::jsonPayload({{QStringLiteral("v"), PhoneLink::protocolVersion},
                                   {QStringLiteral("sessionId"), QStringLiteral("dev")},
                                   {QStringLiteral("active"), false},
                                   {QStringLiteral("request"), request}});
}

// Takes as long for every string of a given length wherever the first difference lies, so the
// time of a refusal does not reveal how much of a guessed token was right. The token's length
// is no secret.
bool sameSecret(const QString& a, const QString& b)
{
    if (a.size() != b.size())
        return false;
    volatile char16_t difference = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        difference = difference | char16_t(a.at(i).unicode() ^ b.at(i).unicode());
    return difference == 0;
}

// A text the phone chooses, cut to `maxLength` UTF-16 units without splitting a character: it
// is shown in the window and stored in the settings.
QString capped(const QString& text, qsizetype maxLength)
{
    if (text.size() <= maxLength)
        return text;
    return text.left(text.at(maxLength).isLowSurrogate() ? maxLength - 1 : maxLength);
}

// Device ids of real phones are UUIDs or hardware ids of a few dozen characters; the names are
// what a phone's settings let a user type.
constexpr qsizetype maxDeviceId = 128;
constexpr qsizetype maxText = 64;

} // namespace

void PhoneServer::handleHello(QTcpSocket* socket, const QByteArray& payload)
{
    const QJsonObject hello = PhoneLink::readJsonObject(payload);
    const QString token = hello.value(QLatin1String("token")).toString();
    const QString deviceId = capped(hello.value(QLatin1String("deviceId")).toString(), maxDeviceId);

    if (hello.value(QLatin1String("v")).toInt(0) != PhoneLink::protocolVersion)
        return reject(socket, QStringLiteral("VERSION_MISMATCH"),
                      QStringLiteral("Unsupported protocol version"));
    // Before the pairing data exists there is nothing a phone could prove, so nobody passes.
    const bool ownToken = !token.isEmpty() && trustedDevices_.contains(deviceId)
        && sameSecret(trustedDevices_.value(deviceId), token);
    if (pairingToken_.isEmpty() || (!ownToken && !sameSecret(token, pairingToken_))) {
        Q_EMIT pairingRefused(hello.value(QLatin1String("name")).toString());
        return reject(socket, QStringLiteral("NEEDS_PAIR"), QStringLiteral("Scan the QR to pair"));
    }
    // A phone connected now keeps its connection, its stored token and its card against a
    // newcomer that claims its id with only the current code: replacing it takes the token
    // stored for it. (A phone that is not connected may pair again with the current code,
    // which is how a phone that scanned the code again is served.)
    if (!ownToken && isConnected(socket, deviceId))
        return reject(socket, QStringLiteral("DUPLICATE"),
                      QStringLiteral("This phone is connected already"));
    rememberPairing(deviceId, token);
    if (!deviceId.isEmpty() && !settleDuplicates(socket, deviceId))
        return;

    PhoneConnection* record = connection(socket);
    if (!record || socket->state() != QAbstractSocket::ConnectedState)
        return;
    // A connection on its way out (a duplicate just replaced) no longer counts.
    int accepted = 0;
    for (auto it = connections.cbegin(); it != connections.cend(); ++it)
        accepted += it->accepted && it.key()->state() == QAbstractSocket::ConnectedState;
    if (accepted >= maxAcceptedPhones) {
        qWarning("Vidlet: %d phones are connected already; refusing another", accepted);
        return reject(socket, QStringLiteral("BUSY"), QStringLiteral("Too many phones connected"));
    }
    record->deviceId = deviceId;
    record->name =
        capped(hello.value(QLatin1String("name")).toString(QStringLiteral("Phone")), maxText);
    const QString model = capped(hello.value(QLatin1String("modelName"))
                                     .toString(hello.value(QLatin1String("model")).toString()),
                                 maxText);
    const QString os = capped(hello.value(QLatin1String("osVersion")).toString(), maxText);
    record->accepted = true;
    const int id = record->id;
    const bool usb = record->usb;

    PhoneLink::writeMessage(socket, PhoneLink::WELCOME, 0, welcomePayload());
    qInfo("Vidlet: phone %d connected over %s from %s: device \"%s\", name \"%s\"", id,
          usb ? "USB" : "LAN", qPrintable(peerText(socket)),
          PhoneLink::logText(deviceId).constData(), PhoneLink::logText(record->name).constData());
    Q_EMIT phoneConnected(id, deviceId, record->name, model, os, usb);
}

// A phone presenting the current token pairs and is remembered by device id; later it is
// recognised by the token stored for it, even after the current token has changed. The
// settings hear of it only when the stored token changes.
void PhoneServer::rememberPairing(const QString& deviceId, const QString& token)
{
    if (deviceId.isEmpty() || !sameSecret(token, pairingToken_)
        || trustedDevices_.value(deviceId) == token)
        return;
    // Each stored phone is a permanent settings entry, so the list has a ceiling; a phone
    // beyond it is welcomed this time and pairs again next time.
    if (!trustedDevices_.contains(deviceId) && trustedDevices_.size() >= maxTrustedDevices) {
        qWarning("Vidlet: %d phones are paired already; not remembering another",
                 int(maxTrustedDevices));
        return;
    }
    // The settings' keys ignore case on Windows: an id that differs from a paired phone's only
    // in case would take over that phone's entry. It is welcomed, but not remembered.
    for (auto it = trustedDevices_.cbegin(); it != trustedDevices_.cend(); ++it) {
        if (it.key() != deviceId && it.key().compare(deviceId, Qt::CaseInsensitive) == 0) {
            qWarning("Vidlet: a paired phone's id differs from \"%s\" only in case; not "
                     "remembering it",
                     PhoneLink::logText(deviceId).constData());
            return;
        }
    }
    trustedDevices_.insert(deviceId, token);
    Q_EMIT devicePaired(deviceId, token);
}

bool PhoneServer::isConnected(QTcpSocket* besides, const QString& deviceId) const
{
    if (deviceId.isEmpty())
        return false;
    for (auto it = connections.cbegin(); it != connections.cend(); ++it)
        if (it.key() != besides && it->accepted && it->deviceId == deviceId
            && it.key()->state() == QAbstractSocket::ConnectedState)
            return true;
    return false;
}

// The newer connection of a phone wins, except that a network connection never displaces the
// phone's USB connection. Returns false when this connection was refused for that reason.
bool PhoneServer::settleDuplicates(QTcpSocket* socket, const QString& deviceId)
{
    const PhoneConnection* self = connection(socket);
    if (!self)
        return false;
    const bool usb = self->usb;

    // Closing a connection can remove records at once, so decide on a snapshot. Connections
    // already on their way out no longer count.
    QList<QTcpSocket*> others;
    for (auto it = connections.cbegin(); it != connections.cend(); ++it) {
        if (it.key() != socket && it->accepted && it->deviceId == deviceId
            && it.key()->state() == QAbstractSocket::ConnectedState)
            others.append(it.key());
    }
    for (QTcpSocket* other : others) {
        const PhoneConnection* record = connection(other);
        if (!record)
            continue;
        if (record->usb && !usb) {
            reject(socket, QStringLiteral("DUPLICATE"),
                   QStringLiteral("Already connected over USB"));
            return false;
        }
        connection(other)->closeCause = "duplicate: replaced by the phone's newer connection";
        other->disconnectFromHost();
    }
    return true;
}

void PhoneServer::reject(QTcpSocket* socket, const QString& code, const QString& message)
{
    qInfo("Vidlet: REJECT %s to %s: %s", qPrintable(code), qPrintable(peerText(socket)),
          qPrintable(message));
    PhoneLink::writeMessage(socket, PhoneLink::REJECT, 0,
                            PhoneLink::jsonPayload({{QStringLiteral("code"), code},
                                                    {QStringLiteral("message"), message}}));
    socket->disconnectFromHost();
}
