#include "bench/StrangerLoad.h"

#include "bench/Percentile.h"
#include "link/PhoneLink.h"

#include <QJsonObject>
#include <QtEndian>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

constexpr int kReplyTimeoutMs = 5000;
// A HELLO as large as a handshake may be, of which a stalled stranger sends all but the end: the
// most a waiting connection can make the PC hold.
constexpr quint32 kStalledHelloSize = 64 * 1024;
constexpr quint32 kStalledHelloSent = kStalledHelloSize - 4 * 1024;

bool sendAll(int socket, const QByteArray& bytes)
{
    for (qsizetype sent = 0; sent < bytes.size();) {
        const ssize_t n = ::send(socket, bytes.constData() + sent, size_t(bytes.size() - sent),
                                 MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += n;
    }
    return true;
}

bool receiveAll(int socket, char* into, size_t size)
{
    for (size_t got = 0; got < size;) {
        pollfd ready{socket, POLLIN, 0};
        if (::poll(&ready, 1, kReplyTimeoutMs) <= 0)
            return false;
        const ssize_t n = ::recv(socket, into + got, size - got, 0);
        if (n <= 0)
            return false;
        got += size_t(n);
    }
    return true;
}

// True when the PC has closed the connection, gracefully or with a reset.
bool closedByPeer(int socket)
{
    pollfd ready{socket, POLLIN, 0};
    if (::poll(&ready, 1, 0) <= 0)
        return false;
    char byte;
    const ssize_t n = ::recv(socket, &byte, 1, MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}

} // namespace

StrangerLoad::StrangerLoad(quint16 port, const QByteArray& token, int idle, int cycles)
    : port(port), token(token), idleCount(idle), cycleCount(cycles)
{
}

StrangerLoad::~StrangerLoad()
{
    stop();
}

void StrangerLoad::start()
{
    thread = std::thread([this] { run(); });
}

void StrangerLoad::stop()
{
    stopping = true;
    if (thread.joinable())
        thread.join();
    for (int socket : idleSockets) {
        if (closedByPeer(socket))
            ++result.idleClosedByPc;
        ::close(socket);
    }
    idleSockets.clear();
}

void StrangerLoad::run()
{
    const QByteArray stalled = PhoneLink::header(PhoneLink::HELLO, 0, kStalledHelloSize)
        + QByteArray(kStalledHelloSent, ' ');
    for (int i = 0; i < idleCount && !stopping; ++i) {
        const int socket = dial();
        if (socket < 0)
            continue;
        idleSockets.push_back(socket);
        // A PC that has already let this one go refuses the rest; it still counts as held.
        sendAll(socket, stalled);
    }
    result.idleOpened = int(idleSockets.size());

    std::vector<double> cycleMs;
    for (int i = 0; i < cycleCount && !stopping; ++i) {
        const auto begin = std::chrono::steady_clock::now();
        const int socket = dial();
        const bool welcomed = socket >= 0 && handshake(socket, i);
        if (socket >= 0)
            ::close(socket);
        if (welcomed) {
            ++result.cyclesWelcomed;
            cycleMs.push_back(std::chrono::duration<double, std::milli>(
                                  std::chrono::steady_clock::now() - begin).count());
        } else {
            ++result.cyclesFailed;
        }
    }
    result.cycleMsMedian = cycleMs.empty() ? 0 : percentile(cycleMs, 0.5);
    done = true;
}

int StrangerLoad::dial() const
{
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    if (socket < 0)
        return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // A PC that stops reading must not stall the load for good.
    const timeval sendLimit{kReplyTimeoutMs / 1000, 0};
    ::setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &sendLimit, sizeof sendLimit);
    if (::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(socket);
        return -1;
    }
    return socket;
}

// HELLO as a phone that has scanned the QR code, then frames until WELCOME, REJECT or silence.
bool StrangerLoad::handshake(int socket, int index) const
{
    const QByteArray hello = PhoneLink::jsonPayload(
        {{"v", PhoneLink::protocolVersion},
         {"token", QString::fromUtf8(token)},
         {"deviceId", QStringLiteral("load-%1").arg(index)},
         {"name", QStringLiteral("Load %1").arg(index)}});
    if (!sendAll(socket, PhoneLink::header(PhoneLink::HELLO, 0, quint32(hello.size())) + hello))
        return false;
    for (;;) {
        char header[PhoneLink::headerSize];
        if (!receiveAll(socket, header, sizeof header))
            return false;
        const quint32 length = qFromLittleEndian<quint32>(header + 2);
        if (length > 1024 * 1024)
            return false;
        QByteArray payload(qsizetype(length), Qt::Uninitialized);
        if (!receiveAll(socket, payload.data(), length))
            return false;
        if (quint8(header[0]) == PhoneLink::WELCOME)
            return true;
        if (quint8(header[0]) == PhoneLink::REJECT)
            return false;
    }
}
