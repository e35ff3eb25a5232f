#pragma once

#include <QString>

class QTcpSocket;

// Where the usbmux service listens: a Unix socket path (usbmuxd on Linux) or a TCP port on
// 127.0.0.1 (the Apple Mobile Device Service on Windows). Every connection to the service,
// control or tunnel, is opened through here as a QTcpSocket, so a tunnel can be handed to
// the phone link as one whatever the transport.
class UsbMuxEndpoint {
public:
    enum class Opening { Pending, Connected, Failed };

    // Who may answer on a Unix socket. The tunnel carries the pairing token (PAIR_INFO), so
    // the system's service must be root's; a service the user named (a stand-in) may also be
    // the user's own. A peer whose identity cannot be read is refused.
    enum class Peer { Root, RootOrSelf };

    static UsbMuxEndpoint platformDefault();
    static UsbMuxEndpoint tcp(quint16 port);
    // Apple's service, at `port` on 127.0.0.1: the listener must be its process.
    static UsbMuxEndpoint appleService(quint16 port);
    static UsbMuxEndpoint unixSocket(const QString& path, Peer peer = Peer::RootOrSelf);

    // Over TCP the outcome arrives later as the socket's connected or errorOccurred signal.
    // A Unix socket connects or fails at once and emits neither: the result says which.
    Opening open(QTcpSocket& socket) const;

    // Whether the listener that `socket` reached over TCP may be handed the pairing token.
    // The Windows service must be Apple's (UsbMuxListener says whose counts). A port the user
    // named (a stand-in) may be anyone's. A listener whose process cannot be told is refused;
    // `why` says why for the log.
    bool trustsListener(const QTcpSocket& socket, QString* why) const;

    QString describe() const;

    // Whether the platform's usbmux service is installed. On Linux usbmuxd runs only while an
    // Apple device is plugged in (udev starts it), so an absent socket alone says little; the
    // program is looked for under `root` instead. Windows: always true (the Apple software's
    // absence looks the same as its service being stopped).
    static bool serviceInstalled(const QString& root = QStringLiteral("/"));

private:
    Opening openUnix(QTcpSocket& socket) const;

    QString path; // used when not empty
    quint16 port = 0;
    Peer peer = Peer::Root;
    bool mustBeApple = false; // the TCP listener must be Apple's service
};
