#include "tests/link/TestPhone.h"

#include "link/PhoneLink.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QJsonDocument>
#include <QTimer>

#include <algorithm>

TestPhone::TestPhone(QObject* parent)
    : QObject(parent)
{
    connect(&socket, &QTcpSocket::readyRead, this, &TestPhone::onReadyRead);
    connect(&socket, &QTcpSocket::disconnected, this, [this] { closed = true; });
}

bool TestPhone::connectTo(quint16 port)
{
    socket.connectToHost(QHostAddress::LocalHost, port);
    return socket.waitForConnected(5000);
}

QTcpSocket* TestPhone::openTunnel()
{
    if (!tunnelServer.listen(QHostAddress::LocalHost, 0) || !connectTo(tunnelServer.serverPort())
        || !tunnelServer.waitForNewConnection(5000))
        return nullptr;
    QTcpSocket* pcEnd = tunnelServer.nextPendingConnection();
    pcEnd->setParent(nullptr);
    return pcEnd;
}

void TestPhone::send(quint8 type, quint8 flags, const QByteArray& payload)
{
    PhoneLink::writeMessage(&socket, type, flags, payload);
    socket.flush();
}

void TestPhone::sendJson(quint8 type, const QJsonObject& object)
{
    send(type, 0, PhoneLink::jsonPayload(object));
}

void TestPhone::sendRaw(const QByteArray& bytes)
{
    socket.write(bytes);
    socket.flush();
}

void TestPhone::sendHello(const QString& deviceId, const QString& token, int version)
{
    sendJson(PhoneLink::HELLO, {{"v", version}, {"deviceId", deviceId}, {"token", token}});
}

bool TestPhone::waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QEventLoop loop;
        connect(&socket, &QTcpSocket::readyRead, &loop, &QEventLoop::quit);
        connect(&socket, &QTcpSocket::disconnected, &loop, &QEventLoop::quit);
        QTimer::singleShot(int(deadline.remainingTime()), &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

bool TestPhone::waitForFrames(int count, int timeoutMs)
{
    return waitUntil([&] { return frames.size() >= count; }, timeoutMs);
}

bool TestPhone::waitForType(quint8 type, int timeoutMs)
{
    return waitUntil(
        [&] {
            return std::any_of(
                frames.cbegin(), frames.cend(),
                [type](const FrameReader::Frame& frame) { return frame.type == type; });
        },
        timeoutMs);
}

bool TestPhone::waitForClose(int timeoutMs)
{
    return waitUntil([this] { return closed; }, timeoutMs);
}

bool TestPhone::roundTrip(int timeoutMs)
{
    const QByteArray payload = PhoneLink::jsonPayload({{"t", ++pingsSent}});
    send(PhoneLink::PING, 0, payload);
    return waitUntil(
        [&] {
            return std::any_of(frames.cbegin(), frames.cend(),
                               [&](const FrameReader::Frame& frame) {
                                   return frame.type == PhoneLink::PONG && frame.payload == payload;
                               });
        },
        timeoutMs);
}

QJsonObject TestPhone::json(int index) const
{
    if (index < 0 || index >= frames.size())
        return {};
    return QJsonDocument::fromJson(frames.at(index).payload).object();
}

void TestPhone::onReadyRead()
{
    const QByteArray bytes = socket.readAll();
    received.append(bytes);
    reader.append(bytes);
    FrameReader::Frame frame;
    while (reader.next(frame) == FrameReader::Status::Frame) {
        if (answerPings && frame.type == PhoneLink::PING)
            send(PhoneLink::PONG, 0, frame.payload);
        frames.append(frame);
    }
}
