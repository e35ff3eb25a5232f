#pragma once

#include "link/PhoneConnection.h"
#include "link/PhoneLink.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QTimer>

class QTcpSocket;

// The PC end of the phone link. Listens for phones on the LAN, takes over the tunnel sockets
// the USB transport opens, runs the handshake and the pairing check, settles a phone that is
// connected twice, and turns each phone's messages into signals.
//
// GUI thread only. Signals are delivered by direct calls from inside the receive loop, so a
// handler must not close or delete the socket; the QByteArray arguments are the receiver's to
// keep. The server owns every phone socket, network or USB.
class PhoneServer : public QObject {
    Q_OBJECT

public:
    explicit PhoneServer(QObject* parent = nullptr);

    // On all addresses, IPv4 and IPv6; 0 lets the system choose. On failure nothing changes.
    bool listen(quint16 port);
    // Stops listening and closes every phone's connection, so that a program started next can
    // take the port at once.
    void close();
    quint16 port() const { return port_; }
    quint64 framesReceived() const { return framesReceived_; }

    // The token a phone must present to pair, and the PC name sent to USB phones. While the
    // token is empty no phone passes, not even a trusted one.
    QString pairingToken() const { return pairingToken_; }
    void setPairingToken(const QString& token) { pairingToken_ = token; }
    QString pcName() const { return pcName_; }
    void setPcName(const QString& name) { pcName_ = name; }

    // Paired phones: device id to the token each presented when it paired. Installed from the
    // stored list at start-up and replaced with an empty map to make every phone pair again.
    const QHash<QString, QString>& trustedDevices() const { return trustedDevices_; }
    void setTrustedDevices(const QHash<QString, QString>& devices) { trustedDevices_ = devices; }

    // Connections that have not said HELLO yet cost memory and a descriptor each and may come
    // from anyone on the LAN, so they are bounded: at most this many wait at once (a newcomer
    // displaces the longest waiting one, so a phone still gets in during a flood), each must
    // complete HELLO within the handshake limit, and none may send a frame larger than a
    // handshake can be.
    static constexpr int maxWaitingConnections = 16;
    static constexpr quint32 maxHandshakePayload = 64 * 1024;
    static constexpr int defaultHandshakeLimitMs = 10000;
    // Phones remembered as paired at most; "Regenerate" empties the list.
    static constexpr qsizetype maxTrustedDevices = 64;
    // Even a paired phone is bounded: phones connected at once, bytes of unfinished messages
    // held for all connections together, and how often a phone's announced size may change
    // (each change re-creates the camera; changes in between are merged into the last).
    static constexpr int maxAcceptedPhones = 8;
    static constexpr qint64 maxBufferedBytes = 4 * qint64(PhoneLink::maxPayload);
    static constexpr int defaultSizeChangeIntervalMs = 1000;
    // An accepted phone is pinged once per keep-alive interval and closed once it has been
    // silent for longer than the silence limit.
    static constexpr int defaultKeepAliveIntervalMs = 1500;
    static constexpr int defaultSilenceLimitMs = 4000;
    // An accept error (a full descriptor table) makes QTcpServer stop accepting for good; it
    // is told to try again this much later.
    static constexpr int defaultAcceptRetryMs = 1000;
    // Tests shorten these; the handshake limit applies to connections adopted from then on.
    void setHandshakeLimitMs(int ms) { handshakeLimitMs = ms; }
    void setSizeChangeIntervalMs(int ms) { sizeChangeIntervalMs = ms; }
    void setKeepAliveIntervalMs(int ms) { pingTimer.setInterval(ms); }
    void setSilenceLimitMs(int ms) { silenceLimitMs = ms; }
    void setAcceptRetryMs(int ms) { acceptRetryMs = ms; }

public Q_SLOTS:
    // Takes over a connected tunnel socket (re-parenting it) and speaks first with PAIR_INFO.
    void adoptUsbSocket(QTcpSocket* socket);
    // Tells an accepted phone whether it is the one whose video is shown; ignores other ids.
    void setPhoneActive(int id, bool active);

Q_SIGNALS:
    void phoneConnected(int id, QString deviceId, QString name, QString model, QString os,
                        bool usb);
    void phoneDisconnected(int id);
    void thumbnail(int id, QByteArray jpeg);
    void devicePaired(QString deviceId, QString token);
    // A phone presented a token that is neither the current one nor its paired one; `name` is
    // what the phone calls itself, unchecked.
    void pairingRefused(QString name);
    void usbByeReceived(QTcpSocket* socket);
    void streamInfo(int id, int width, int height, int fps);
    void videoConfig(int id, QByteArray annexbSpsPps);
    // `newerWaiting`: a later frame of the same phone has already arrived, so the PC is behind.
    void videoFrame(int id, QByteArray annexbAccessUnit, qulonglong ptsUsec, bool keyframe,
                    bool newerWaiting);

private:
    void onNewConnection();
    void onAcceptError(QAbstractSocket::SocketError error);
    void adoptSocket(QTcpSocket* socket, bool usb);
    void onReadyRead(QTcpSocket* socket);
    void drainFrames(QTcpSocket* socket);
    void limitBufferedBytes();
    void onSocketDisconnected(QTcpSocket* socket);
    void makeRoomForNewcomer(QTcpSocket* newcomer);
    void dropIfStillWaiting(QTcpSocket* socket, int id);

    void handleMessage(QTcpSocket* socket, quint8 type, quint8 flags, QByteArray payload);
    void handleHello(QTcpSocket* socket, const QByteArray& payload);
    void rememberPairing(const QString& deviceId, const QString& token);
    // Whether a connection other than `besides` has been accepted for this device id.
    bool isConnected(QTcpSocket* besides, const QString& deviceId) const;
    bool settleDuplicates(QTcpSocket* socket, const QString& deviceId);
    void reject(QTcpSocket* socket, const QString& code, const QString& message);
    void passStreamInfo(QTcpSocket* socket, const QByteArray& payload);
    void sendHeldStreamInfo(QTcpSocket* socket);
    void onPingTick();

    // The record of a socket, or null once it is gone. Looked up afresh after anything that
    // may close a connection: a close can remove records, and with them their addresses.
    PhoneConnection* connection(QTcpSocket* socket);
    // The phone's address and port for the log; "the USB tunnel" for a USB connection.
    QString peerText(QTcpSocket* socket);

    QTcpServer tcpServer;
    QHash<QTcpSocket*, PhoneConnection> connections;
    quint16 port_ = 0;
    quint64 framesReceived_ = 0;
    int nextId = 1;
    QString pairingToken_;
    QString pcName_;
    QHash<QString, QString> trustedDevices_;
    QTimer pingTimer;
    int handshakeLimitMs = defaultHandshakeLimitMs;
    int sizeChangeIntervalMs = defaultSizeChangeIntervalMs;
    int silenceLimitMs = defaultSilenceLimitMs;
    int acceptRetryMs = defaultAcceptRetryMs;
    QElapsedTimer clock;
    qint64 lastTickMs = 0;           // the keep-alive's last tick (or its start) on the clock
    bool acceptStalled = false;      // warned about failing accepts; cleared by an accept
    bool acceptedSinceError = false; // a connection was accepted since the last accept error
};
