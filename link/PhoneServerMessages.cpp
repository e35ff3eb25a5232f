#include "link/PhoneServer.h"

#include "link/PhoneLink.h"

#include <QJsonObject>
#include <QList>
#include <QTcpSocket>
#include <QTimer>
#include <QtEndian>

namespace {
constexpr qsizetype ptsSize = 8;
// Unsent bytes a connection may pile up. The PC only ever writes small control messages, so a
// phone that sends PINGs but never reads its PONGs would otherwise make the PC queue copies
// of its PINGs without end.
constexpr qint64 maxUnsentBytes = 1024 * 1024;
} // namespace

// Every message but HELLO works the same before and after the handshake; the consumers act
// only on the ids of accepted phones.
void PhoneServer::handleMessage(QTcpSocket* socket, quint8 type, quint8 flags, QByteArray payload)
{
    const PhoneConnection* record = connection(socket);
    if (!record)
        return;
    const int id = record->id;

    switch (type) {
    case PhoneLink::HELLO:
        handleHello(socket, payload);
        break;
    case PhoneLink::VIDEO_CONFIG:
        Q_EMIT videoConfig(id, payload);
        break;
    case PhoneLink::VIDEO_FRAME: {
        // Counted even when dropped: the count measures what the phone sent.
        ++framesReceived_;
        if (payload.size() < ptsSize)
            break;
        const quint64 ptsUsec = qFromLittleEndian<quint64>(payload.constData());
        payload.remove(0, ptsSize); // advances the start; the access unit is not copied
        Q_EMIT videoFrame(id, payload, ptsUsec, (flags & PhoneLink::keyFrameFlag) != 0,
                          record->rxBuffer.holdsWhole(PhoneLink::VIDEO_FRAME));
        break;
    }
    case PhoneLink::STREAM_INFO:
        passStreamInfo(socket, payload);
        break;
    case PhoneLink::THUMBNAIL:
        Q_EMIT thumbnail(id, payload);
        break;
    case PhoneLink::PING:
        if (socket->bytesToWrite() + payload.size() > maxUnsentBytes) {
            qWarning("Vidlet: phone %d does not read what it is sent, closing its connection", id);
            if (PhoneConnection* closing = connection(socket))
                closing->closeCause = "does not read what it is sent";
            socket->abort();
            break;
        }
        PhoneLink::writeMessage(socket, PhoneLink::PONG, 0, payload);
        break;
    case PhoneLink::BYE:
        // The USB transport must learn of the goodbye before the tunnel closes, or it would
        // open a new tunnel to a phone that has just left.
        if (record->usb)
            Q_EMIT usbByeReceived(socket);
        if (PhoneConnection* closing = connection(socket))
            closing->closeCause = "BYE";
        socket->disconnectFromHost();
        break;
    default:
        break; // PONG, the PC's own types and unknown values are consumed without effect
    }
}

// A change of size re-creates the camera, which takes a while for a large one, so a phone may
// change its size once per interval; what it announces in between is merged into the last.
void PhoneServer::passStreamInfo(QTcpSocket* socket, const QByteArray& payload)
{
    PhoneConnection* record = connection(socket);
    const QJsonObject info = PhoneLink::readJsonObject(payload);
    const int width = info.value(QLatin1String("width")).toInt(1280);
    const int height = info.value(QLatin1String("height")).toInt(720);
    const int fps = info.value(QLatin1String("fps")).toInt(30);
    const qint64 now = clock.elapsed();
    const bool resized = width != record->width || height != record->height;
    if (record->streamInfoHeld
        || (resized && record->sizeChangedMs != 0
            && now - record->sizeChangedMs < sizeChangeIntervalMs)) {
        if (!record->streamInfoHeld) {
            const int wait = int(record->sizeChangedMs + sizeChangeIntervalMs - now);
            QTimer::singleShot(wait, socket, [this, socket] { sendHeldStreamInfo(socket); });
        }
        record->streamInfoHeld = true;
        record->heldWidth = width;
        record->heldHeight = height;
        record->heldFps = fps;
        return;
    }
    if (resized) {
        record->width = width;
        record->height = height;
        record->sizeChangedMs = qMax<qint64>(now, 1);
    }
    Q_EMIT streamInfo(record->id, width, height, fps);
}

void PhoneServer::sendHeldStreamInfo(QTcpSocket* socket)
{
    PhoneConnection* record = connection(socket);
    if (!record || !record->streamInfoHeld)
        return;
    record->streamInfoHeld = false;
    if (record->heldWidth != record->width || record->heldHeight != record->height) {
        record->width = record->heldWidth;
        record->height = record->heldHeight;
        record->sizeChangedMs = qMax<qint64>(clock.elapsed(), 1);
    }
    Q_EMIT streamInfo(record->id, record->width, record->height, record->heldFps);
}

void PhoneServer::setPhoneActive(int id, bool active)
{
    for (auto it = connections.cbegin(); it != connections.cend(); ++it) {
        if (it->id != id || !it->accepted)
            continue;
        PhoneLink::writeMessage(it.key(), PhoneLink::SET_ACTIVE, 0,
                                PhoneLink::jsonPayload({{QStringLiteral("active"), active}}));
        if (active)
            PhoneLink::writeMessage(it.key(), PhoneLink::KEYFRAME_REQUEST, 0,
                                    PhoneLink::jsonPayload({}));
        return;
    }
}

void PhoneServer::onPingTick()
{
    const qint64 now = clock.elapsed();
    // A tick far later than its interval means this program did not run meanwhile (stopped,
    // the machine suspended, the thread held): that silence was ours, and what the phones sent
    // in it still waits unread. It does not count against them.
    const qint64 interval = pingTimer.interval();
    const qint64 away = now - lastTickMs > 2 * interval ? now - lastTickMs - interval : 0;
    lastTickMs = now;
    const QByteArray ping = PhoneLink::jsonPayload({{QStringLiteral("t"), now}});
    QList<QTcpSocket*> stale;
    for (auto it = connections.begin(); it != connections.end(); ++it) {
        if (!it->accepted)
            continue;
        it->lastSeenMs = qMin(it->lastSeenMs + away, now);
        if (now - it->lastSeenMs > silenceLimitMs)
            stale.append(it.key());
        else if (it.key()->state() == QAbstractSocket::ConnectedState)
            PhoneLink::writeMessage(it.key(), PhoneLink::PING, 0, ping);
    }
    // Closing after the walk: a close can remove records from the hash at once.
    for (QTcpSocket* socket : stale) {
        PhoneConnection* closing = connection(socket);
        if (!closing)
            continue;
        closing->closeCause = "silence limit";
        // A graceful close waits for the phone to take our pending bytes; a phone that has
        // been silent through a whole limit since then is not going to.
        if (socket->state() == QAbstractSocket::ClosingState)
            socket->abort();
        else
            socket->disconnectFromHost();
    }
}
