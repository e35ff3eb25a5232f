#pragma once

#include <QAbstractSocket>
#include <QLocalSocket>

// The service accepts clients on a Unix socket (QLocalSocket) or on TCP (QTcpSocket); both
// are QIODevices, but closing and the disconnect signal are not. These are the few places
// where the two differ.
namespace anysocket {

template <typename Slot> void onDisconnected(QIODevice* socket, QObject* context, Slot slot)
{
    if (auto* tcp = qobject_cast<QAbstractSocket*>(socket))
        QObject::connect(tcp, &QAbstractSocket::disconnected, context, slot);
    else if (auto* local = qobject_cast<QLocalSocket*>(socket))
        QObject::connect(local, &QLocalSocket::disconnected, context, slot);
}

// Sends what is queued, then closes.
inline void closeGracefully(QIODevice* socket)
{
    if (auto* tcp = qobject_cast<QAbstractSocket*>(socket))
        tcp->disconnectFromHost();
    else if (auto* local = qobject_cast<QLocalSocket*>(socket))
        local->disconnectFromServer();
}

inline void abort(QIODevice* socket)
{
    if (auto* tcp = qobject_cast<QAbstractSocket*>(socket))
        tcp->abort();
    else if (auto* local = qobject_cast<QLocalSocket*>(socket))
        local->abort();
}

// Bounds what Qt reads ahead for a side nobody drains, so a slow peer slows the sender down
// through the kernel instead of filling memory.
inline void limitReadBuffer(QIODevice* socket, qint64 bytes)
{
    if (auto* tcp = qobject_cast<QAbstractSocket*>(socket))
        tcp->setReadBufferSize(bytes);
    else if (auto* local = qobject_cast<QLocalSocket*>(socket))
        local->setReadBufferSize(bytes);
}

} // namespace anysocket
