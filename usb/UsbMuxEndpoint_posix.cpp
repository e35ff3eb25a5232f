#include "usb/UsbMuxEndpoint.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTcpSocket>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Another local user could listen at the service's path (a stale socket, a service that is not
// running) and would then be handed the pairing token; the kernel says who really listens.
bool trustedPeer(int fd, UsbMuxEndpoint::Peer peer, const QString& path)
{
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0
        || size != sizeof credentials) {
        qWarning("Vidlet: cannot tell who listens at %s; not using it", qPrintable(path));
        return false;
    }
    if (credentials.uid == 0
        || (peer == UsbMuxEndpoint::Peer::RootOrSelf && credentials.uid == geteuid()))
        return true;
    qWarning("Vidlet: %s is served by user %u, not by the system; not using it", qPrintable(path),
             unsigned(credentials.uid));
    return false;
}

} // namespace

// Qt's socket engine accepts a connected AF_UNIX descriptor and reads and writes through it
// like TCP, so the tunnel reaches the phone link as a plain QTcpSocket with no copying.
UsbMuxEndpoint::Opening UsbMuxEndpoint::openUnix(QTcpSocket& socket) const
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(path);
    if (encoded.size() >= qsizetype(sizeof address.sun_path))
        return Opening::Failed;
    std::memcpy(address.sun_path, encoded.constData(), encoded.size());

    // Non-blocking, so that a service whose backlog is full fails this attempt (EAGAIN)
    // instead of stalling the GUI thread; otherwise a local connect completes on the spot.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return Opening::Failed;
    const int result = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    if (result < 0 || !trustedPeer(fd, peer, path)
        || !socket.setSocketDescriptor(fd, QAbstractSocket::ConnectedState)) {
        ::close(fd);
        return Opening::Failed;
    }
    return Opening::Connected;
}

// usbmuxd listens on a Unix socket, checked as it is opened; a TCP port is one the user named.
bool UsbMuxEndpoint::trustsListener(const QTcpSocket&, QString*) const
{
    return true;
}

bool UsbMuxEndpoint::serviceInstalled(const QString& root)
{
    for (const char* place : {"usr/sbin", "usr/bin", "sbin", "usr/local/sbin"}) {
        if (QFileInfo(QDir(root).filePath(QLatin1String(place) + QStringLiteral("/usbmuxd")))
                .isExecutable())
            return true;
    }
    return false;
}
