#include "link/PhoneServer.h"

#include "link/PhoneLink.h"

#include <QJsonObject>
#include <QList>
#include <QTcpSocket>
#include <QtEndian>

namespace {
// An accepted connection whose last bytes are older than this is closed at the next tick.
constexpr qint64 silenceLimitMs = 4000;
constexpr qsizetype ptsSize = 8;
// Unsent bytes a connection may pile up. A phone that sends PINGs but never reads its PONGs
// would otherwise make the PC queue copies of its PINGs without end.
constexpr qint64 maxUnsentBytes = qint64(PhoneLink::maxPayload) + PhoneLink::headerSize;
}

// Every message but HELLO works the same before and after the handshake; the consumers act
// only on the ids of accepted phones.
void PhoneServer::handleMessage(QTcpSocket* socket, quint8 type, quint8 flags,
                                QByteArray payload)
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
        emit videoConfig(id, payload);
        break;
    case PhoneLink::VIDEO_FRAME: {
        // Counted even when dropped: the count measures what the phone sent.
        ++m_framesReceived;
        if (payload.size() < ptsSize)
            break;
        const quint64 ptsUsec = qFromLittleEndian<quint64>(payload.constData());
        payload.remove(0, ptsSize); // advances the start; the access unit is not copied
        emit videoFrame(id, payload, ptsUsec, (flags & PhoneLink::keyFrameFlag) != 0);
        break;
    }
    case PhoneLink::STREAM_INFO: {
        const QJsonObject info = PhoneLink::readJsonObject(payload);
        emit streamInfo(id, info.value("width").toInt(1280), info.value("height").toInt(720),
                        info.value("fps").toInt(30));
        break;
    }
    case PhoneLink::THUMBNAIL:
        emit thumbnail(id, payload);
        break;
    case PhoneLink::PING:
        if (socket->bytesToWrite() + payload.size() > maxUnsentBytes) {
            qWarning("Vidlet: phone %d does not read what it is sent, closing its connection",
                     id);
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
            emit usbByeReceived(socket);
        if (PhoneConnection* closing = connection(socket))
            closing->closeCause = "BYE";
        socket->disconnectFromHost();
        break;
    default:
        break; // PONG, the PC's own types and unknown values are consumed without effect
    }
}

void PhoneServer::setPhoneActive(int id, bool active)
{
    for (auto it = m_connections.cbegin(); it != m_connections.cend(); ++it) {
        if (it->id != id || !it->accepted)
            continue;
        PhoneLink::writeMessage(it.key(), PhoneLink::SET_ACTIVE, 0,
                                PhoneLink::jsonPayload({{"active", active}}));
        if (active)
            PhoneLink::writeMessage(it.key(), PhoneLink::KEYFRAME_REQUEST, 0,
                                    PhoneLink::jsonPayload({}));
        return;
    }
}

void PhoneServer::onPingTick()
{
    const qint64 now = m_clock.elapsed();
    const QByteArray ping = PhoneLink::jsonPayload({{"t", now}});
    QList<QTcpSocket*> stale;
    for (auto it = m_connections.cbegin(); it != m_connections.cend(); ++it) {
        if (!it->accepted)
            continue;
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
