#include "usb/UsbMuxEndpoint.h"

#include <QHostAddress>
#include <QTcpSocket>

UsbMuxEndpoint UsbMuxEndpoint::platformDefault()
{
#ifdef Q_OS_WIN
    return appleService(27015);
#else
    return unixSocket(QStringLiteral("/var/run/usbmuxd"), Peer::Root);
#endif
}

UsbMuxEndpoint UsbMuxEndpoint::tcp(quint16 port)
{
    UsbMuxEndpoint endpoint;
    endpoint.port = port;
    return endpoint;
}

UsbMuxEndpoint UsbMuxEndpoint::appleService(quint16 port)
{
    UsbMuxEndpoint endpoint = tcp(port);
    endpoint.mustBeApple = true;
    return endpoint;
}

UsbMuxEndpoint UsbMuxEndpoint::unixSocket(const QString& path, Peer peer)
{
    UsbMuxEndpoint endpoint;
    endpoint.path = path;
    endpoint.peer = peer;
    return endpoint;
}

UsbMuxEndpoint::Opening UsbMuxEndpoint::open(QTcpSocket& socket) const
{
    if (!path.isEmpty())
        return openUnix(socket);
    socket.connectToHost(QHostAddress(QHostAddress::LocalHost), port, QIODevice::ReadWrite);
    return Opening::Pending;
}

QString UsbMuxEndpoint::describe() const
{
    return path.isEmpty() ? QStringLiteral("127.0.0.1:%1").arg(port) : path;
}
