#include "link/PhoneServer.h"

#include "link/PhoneLink.h"

#include <QJsonObject>
#include <QMetaObject>
#include <QPointer>
#include <QTcpSocket>

PhoneServer::PhoneServer(QObject* parent)
    : QObject(parent)
{
    qRegisterMetaType<QTcpSocket*>();
    pingTimer.setInterval(defaultKeepAliveIntervalMs);
    clock.start();
    connect(&tcpServer, &QTcpServer::newConnection, this, &PhoneServer::onNewConnection);
    connect(&tcpServer, &QTcpServer::acceptError, this, &PhoneServer::onAcceptError);
    connect(&pingTimer, &QTimer::timeout, this, &PhoneServer::onPingTick);
}

bool PhoneServer::listen(quint16 port)
{
    if (!tcpServer.listen(QHostAddress::Any, port)) {
        qWarning("Vidlet: phone link cannot listen on port %u: %s", unsigned(port),
                 qPrintable(tcpServer.errorString()));
        return false;
    }
    port_ = tcpServer.serverPort();
    pingTimer.start();
    lastTickMs = clock.elapsed();
    return true;
}

void PhoneServer::close()
{
    tcpServer.close();
    pingTimer.stop();
    // Each abort reports its disconnect at once, which removes the socket's record.
    const QList<QTcpSocket*> sockets = connections.keys();
    for (QTcpSocket* socket : sockets) {
        if (PhoneConnection* record = connection(socket)) {
            record->closeCause = "the PC closed the phone link";
            socket->abort();
        }
    }
}

void PhoneServer::onNewConnection()
{
    acceptedSinceError = true;
    acceptStalled = false;
    // The phone speaks first on the LAN, so nothing is written here.
    while (QTcpSocket* socket = tcpServer.nextPendingConnection())
        adoptSocket(socket, false);
}

void PhoneServer::onAcceptError(QAbstractSocket::SocketError error)
{
    // QTcpServer reports the last real accept error again at the end of every later burst
    // of accepts; a burst that accepted something is not stuck.
    if (acceptedSinceError) {
        acceptedSinceError = false;
        tcpServer.resumeAccepting();
        return;
    }
    if (!acceptStalled)
        qWarning("Vidlet: phone link cannot accept connections (socket error %d), retrying",
                 int(error));
    acceptStalled = true;
    QTimer::singleShot(acceptRetryMs, this, [this] {
        if (tcpServer.isListening())
            tcpServer.resumeAccepting();
    });
}

void PhoneServer::adoptUsbSocket(QTcpSocket* socket)
{
    if (socket->state() != QAbstractSocket::ConnectedState) {
        // A tunnel that closed before the hand-over never reports `disconnected` again.
        socket->setParent(this);
        socket->deleteLater();
        return;
    }
    adoptSocket(socket, true);
    // Over USB the PC speaks first: the phone learns the token without scanning the QR code.
    PhoneLink::writeMessage(
        socket, PhoneLink::PAIR_INFO, 0,
        PhoneLink::jsonPayload({{QStringLiteral("token"), pairingToken_},
                                {QStringLiteral("pcName"), pcName_},
                                {QStringLiteral("transport"), QStringLiteral("usb")}}));
    // Bytes that reached the socket before the hand-over have had their readyRead already.
    if (socket->bytesAvailable() > 0) {
        QMetaObject::invokeMethod(
            this,
            [this, guard = QPointer<QTcpSocket>(socket)] {
                if (guard)
                    onReadyRead(guard);
            },
            Qt::QueuedConnection);
    }
}

void PhoneServer::adoptSocket(QTcpSocket* socket, bool usb)
{
    makeRoomForNewcomer(socket);
    socket->setParent(this);
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket->disconnect(this); // adopted again: its new record gets the only connections

    PhoneConnection record;
    record.id = nextId++;
    record.usb = usb;
    record.lastSeenMs = clock.elapsed();
    connections.insert(socket, record);

    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
    connect(socket, &QTcpSocket::disconnected, this,
            [this, socket] { onSocketDisconnected(socket); });
    // Bound to the socket, so the timer goes when the socket does.
    QTimer::singleShot(handshakeLimitMs, socket,
                       [this, socket, id = record.id] { dropIfStillWaiting(socket, id); });
}

// When the waiting room is full, the connection that has waited longest goes: a flood of
// strangers then only ever holds the newest places, and a phone that connects during it still
// has the handshake time to say HELLO.
void PhoneServer::makeRoomForNewcomer(QTcpSocket* newcomer)
{
    QTcpSocket* oldest = nullptr;
    int oldestId = 0;
    int waiting = 0;
    for (auto it = connections.cbegin(); it != connections.cend(); ++it) {
        if (it->accepted || it.key() == newcomer
            || it.key()->state() != QAbstractSocket::ConnectedState)
            continue;
        ++waiting;
        if (!oldest || it->id < oldestId) {
            oldest = it.key();
            oldestId = it->id;
        }
    }
    if (waiting >= maxWaitingConnections)
        oldest->abort();
}

void PhoneServer::dropIfStillWaiting(QTcpSocket* socket, int id)
{
    const PhoneConnection* record = connection(socket);
    if (record && record->id == id && !record->accepted)
        socket->abort();
}

void PhoneServer::onReadyRead(QTcpSocket* socket)
{
    PhoneConnection* record = connection(socket);
    if (!record)
        return;
    const QByteArray bytes = socket->readAll();
    if (bytes.isEmpty() || socket->state() != QAbstractSocket::ConnectedState)
        return; // a connection on its way out is not listened to any more
    record->lastSeenMs = clock.elapsed();
    record->rxBuffer.append(bytes);
    drainFrames(socket);
    limitBufferedBytes();
}

// Each connection may hold one unfinished frame of up to 16 MiB, which a real phone fills in
// a moment; a paired phone holding such frames open on several connections would hold their
// sum. Past the common ceiling the connection holding most goes.
void PhoneServer::limitBufferedBytes()
{
    qint64 total = 0;
    QTcpSocket* largest = nullptr;
    qsizetype largestBytes = 0;
    for (auto it = connections.begin(); it != connections.end(); ++it) {
        const qsizetype bytes = it->rxBuffer.buffered();
        total += bytes;
        if (bytes > largestBytes) {
            largest = it.key();
            largestBytes = bytes;
        }
    }
    if (total <= maxBufferedBytes)
        return;
    PhoneConnection* record = connection(largest);
    qWarning("Vidlet: connection %d holds %lld bytes of unfinished messages, closing it",
             record->id, qlonglong(largestBytes));
    record->closeCause = "holds too many unfinished bytes";
    record->rxBuffer = {};
    largest->abort();
}

void PhoneServer::drainFrames(QTcpSocket* socket)
{
    FrameReader::Frame frame;
    for (;;) {
        PhoneConnection* record = connection(socket);
        if (!record || socket->state() != QAbstractSocket::ConnectedState)
            return;
        quint8 type = 0;
        const quint32 limit = !record->rxBuffer.peekType(type) ? PhoneLink::maxPayload
            : record->accepted                                 ? PhoneLink::payloadLimit(type)
                               : qMin(PhoneLink::payloadLimit(type), maxHandshakePayload);
        switch (record->rxBuffer.next(frame, limit)) {
        case FrameReader::Status::NeedMore:
            return;
        case FrameReader::Status::Oversized:
            record->closeCause = "oversized message";
            record->rxBuffer = {};
            socket->disconnectFromHost();
            return;
        case FrameReader::Status::Frame:
            handleMessage(socket, frame.type, frame.flags, std::move(frame.payload));
            break;
        }
    }
}

void PhoneServer::onSocketDisconnected(QTcpSocket* socket)
{
    const auto it = connections.constFind(socket);
    if (it == connections.cend())
        return;
    const int id = it->id;
    const bool accepted = it->accepted;
    if (accepted) {
        const QAbstractSocket::SocketError error = socket->error();
        const QByteArray cause = it->closeCause ? QByteArray(it->closeCause)
            : error == QAbstractSocket::RemoteHostClosedError
                || error == QAbstractSocket::UnknownSocketError
            ? QByteArray("closed by the phone")
            : "socket error: " + socket->errorString().toUtf8();
        qInfo("Vidlet: phone %d disconnected: %s", id, cause.constData());
    }
    connections.erase(it);
    socket->deleteLater();
    if (accepted)
        Q_EMIT phoneDisconnected(id);
}

QString PhoneServer::peerText(QTcpSocket* socket)
{
    const PhoneConnection* record = connection(socket);
    if (record && record->usb)
        return QStringLiteral("the USB tunnel");
    // The dual-stack listener sees IPv4 phones as IPv4-mapped IPv6 addresses.
    QHostAddress address = socket->peerAddress();
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    if (isV4)
        address = QHostAddress(v4);
    const QString host =
        isV4 ? address.toString() : QLatin1Char('[') + address.toString() + QLatin1Char(']');
    return host + QLatin1Char(':') + QString::number(socket->peerPort());
}

PhoneConnection* PhoneServer::connection(QTcpSocket* socket)
{
    const auto it = connections.find(socket);
    return it == connections.end() ? nullptr : &it.value();
}
