#include "bench/BenchPhone.h"

#include "link/PhoneLink.h"
#include "tools/vidlet-phone/NetworkJitter.h"

#include <QJsonObject>
#include <QtEndian>

#include <chrono>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kHandshakeTimeoutMs = 15000;
// Long enough for the PC's pacing queue (five frames) to empty before the phone leaves.
constexpr auto kLinger = std::chrono::milliseconds(500);

std::int64_t nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

QByteArray message(quint8 type, quint8 flags, const QByteArray& payload)
{
    return PhoneLink::header(type, flags, quint32(payload.size())) + payload;
}

sockaddr_in loopback(quint16 port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

} // namespace

BenchPhone::BenchPhone(const StampedStream& stream, int jitterMs, int stallMs, int stallEveryMs)
    : source(stream),
      jitterMs(jitterMs),
      stallMs(stallMs),
      stallEveryMs(stallEveryMs),
      sent(stream.units.size(), 0)
{
    frameMessages.reserve(stream.units.size());
    for (const StampedStream::Unit& unit : stream.units) {
        QByteArray payload(8, Qt::Uninitialized);
        qToLittleEndian<quint64>(unit.ptsUsec, payload.data());
        payload += unit.annexB;
        frameMessages.push_back(
            message(PhoneLink::VIDEO_FRAME, unit.keyframe ? PhoneLink::keyFrameFlag : 0, payload));
    }
}

BenchPhone::~BenchPhone()
{
    if (thread.joinable())
        thread.join();
    if (socket >= 0)
        ::close(socket);
    if (listener >= 0)
        ::close(listener);
}

void BenchPhone::startLan(quint16 port, const QString& pairingToken)
{
    lanPort = port;
    token = pairingToken;
    thread = std::thread(&BenchPhone::run, this, false);
}

quint16 BenchPhone::listenForTunnel()
{
    listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0
        || ::listen(listener, 1) != 0
        || ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

void BenchPhone::startUsb()
{
    thread = std::thread(&BenchPhone::run, this, true);
}

bool BenchPhone::wait()
{
    if (thread.joinable())
        thread.join();
    return failure.empty();
}

bool BenchPhone::fail(const std::string& why)
{
    if (failure.empty())
        failure = why;
    return false;
}

void BenchPhone::run(bool usb)
{
    if ((usb ? acceptTunnel() : dial()) && handshake(usb))
        stream();
    if (socket >= 0) {
        ::shutdown(socket, SHUT_RDWR);
        ::close(socket);
        socket = -1;
    }
    done = true;
}

bool BenchPhone::dial()
{
    socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = loopback(lanPort);
    if (socket < 0
        || ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return fail("cannot connect to the PC");
    return true;
}

bool BenchPhone::acceptTunnel()
{
    pollfd waiting{listener, POLLIN, 0};
    if (listener < 0 || ::poll(&waiting, 1, kHandshakeTimeoutMs) != 1)
        return fail("no tunnel came from the usbmux service");
    socket = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    return socket >= 0 || fail("cannot accept the tunnel");
}

bool BenchPhone::handshake(bool usb)
{
    const int on = 1;
    ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    const timeval limit{kHandshakeTimeoutMs / 1000, 0};
    ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);

    quint8 type = 0;
    QByteArray payload;
    if (usb) {
        if (!readMessage(type, payload) || type != PhoneLink::PAIR_INFO)
            return fail("the PC did not open the tunnel with PAIR_INFO");
        token = PhoneLink::readJsonObject(payload).value(QStringLiteral("token")).toString();
    }
    const QJsonObject hello{{"v", PhoneLink::protocolVersion},
                            {"token", token},
                            {"deviceId", usb ? "bench-usb" : "bench-lan"},
                            {"name", "Bench"},
                            {"modelName", "Bench"},
                            {"osVersion", "1"}};
    if (!sendAll(message(PhoneLink::HELLO, 0, PhoneLink::jsonPayload(hello))))
        return false;
    // WELCOME, then SET_ACTIVE once the PC makes this phone the active one.
    for (;;) {
        if (!readMessage(type, payload))
            return fail("the PC never made the phone active");
        if (type == PhoneLink::REJECT)
            return fail("rejected: " + payload.toStdString());
        if (type == PhoneLink::SET_ACTIVE
            && PhoneLink::readJsonObject(payload).value(QStringLiteral("active")).toBool())
            return true;
    }
}

bool BenchPhone::stream()
{
    const QJsonObject info{{"width", source.width}, {"height", source.height}, {"fps", source.fps}};
    if (!sendAll(message(PhoneLink::STREAM_INFO, 0, PhoneLink::jsonPayload(info)))
        || !sendAll(message(PhoneLink::VIDEO_CONFIG, 0, source.config)))
        return false;
    // The phone's clock runs a little fast, as no two clocks agree: over the stream it gains
    // one frame on the PC, so the phase between its frames and the camera's ticks takes every
    // value once rather than one chance value, and the PC's pacing queue has the least slack.
    const auto frames = std::int64_t(frameMessages.size());
    const auto period =
        std::chrono::nanoseconds(1'000'000'000 * frames / (source.fps * (frames + 1)));
    NetworkJitter network(jitterMs, stallMs, stallEveryMs);
    const auto start = Clock::now();
    for (std::size_t i = 0; i < frameMessages.size(); ++i) {
        const auto slot = std::chrono::duration_cast<std::chrono::microseconds>(period * i);
        const std::chrono::microseconds leave(network.arrivalUsec(slot.count()));
        std::this_thread::sleep_until(start + leave);
        // Taken as the call starts: over loopback the kernel delivers the bytes inside send(),
        // and the woken receiver may take this thread's core before the call returns, so a
        // time taken afterwards can fall after the PC has already shown the frame.
        const std::int64_t begin = nowNs();
        if (!sendAll(frameMessages[i]))
            return false;
        sent[i] = begin;
        drainIncoming();
    }
    const auto leave = Clock::now() + kLinger;
    while (Clock::now() < leave) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        drainIncoming();
    }
    return sendAll(message(PhoneLink::BYE, 0, {}));
}

bool BenchPhone::sendAll(const QByteArray& bytes)
{
    qsizetype at = 0;
    while (at < bytes.size()) {
        const ssize_t n =
            ::send(socket, bytes.constData() + at, std::size_t(bytes.size() - at), MSG_NOSIGNAL);
        if (n <= 0)
            return fail("the PC closed the connection");
        at += n;
    }
    return true;
}

bool BenchPhone::readMessage(quint8& type, QByteArray& payload)
{
    const auto readExactly = [this](char* into, std::size_t size) {
        while (size > 0) {
            const ssize_t n = ::recv(socket, into, size, 0);
            if (n <= 0)
                return false;
            into += n;
            size -= std::size_t(n);
        }
        return true;
    };
    char header[PhoneLink::headerSize];
    if (!readExactly(header, sizeof header))
        return false;
    const quint32 length = qFromLittleEndian<quint32>(header + 2);
    if (length > PhoneLink::maxPayload)
        return false;
    type = quint8(header[0]);
    payload.resize(qsizetype(length));
    return readExactly(payload.data(), length);
}

// The PC's PINGs and other messages while streaming are read and thrown away, so that they
// never fill the socket's buffers.
void BenchPhone::drainIncoming()
{
    char scratch[4096];
    while (::recv(socket, scratch, sizeof scratch, MSG_DONTWAIT) > 0) {}
}
