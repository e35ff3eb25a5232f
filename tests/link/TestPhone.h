#pragma once

#include "link/FrameReader.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>

// Plays the phone's end of one phone-link connection over loopback: sends frames or raw
// bytes and collects every frame the PC writes, in order.
class TestPhone : public QObject {
    Q_OBJECT

public:
    explicit TestPhone(QObject* parent = nullptr);

    // Connects as a phone on the LAN.
    bool connectTo(quint16 port);
    // Connects through a fresh loopback pair and returns the PC's end, the way the USB
    // transport hands over a tunnel. The returned socket has no parent.
    QTcpSocket* openTunnel();

    void send(quint8 type, quint8 flags, const QByteArray& payload);
    void sendJson(quint8 type, const QJsonObject& object);
    void sendRaw(const QByteArray& bytes);
    void sendHello(const QString& deviceId, const QString& token, int version = 1);

    bool waitForFrames(int count, int timeoutMs = 5000);
    bool waitForClose(int timeoutMs = 5000);
    // Waits until a frame of this type has arrived.
    bool waitForType(quint8 type, int timeoutMs = 5000);
    bool isClosed() const { return closed; }
    // Sends a PING and waits for its PONG. The PC handles a connection's messages in order,
    // so by then it has handled everything sent before, and what it wrote before has arrived.
    bool roundTrip(int timeoutMs = 5000);

    // The frame at `index` as a JSON object, or an empty object when there is none.
    QJsonObject json(int index) const;

    QTcpSocket socket;
    bool answerPings = false; // reply to each PING with a PONG, as a live phone does
    QList<FrameReader::Frame> frames;
    QByteArray received; // every byte the PC wrote, as it came

private:
    void onReadyRead();
    // Runs the event loop until `done` holds, looking again whenever the socket reads or closes.
    bool waitUntil(const std::function<bool()>& done, int timeoutMs);

    FrameReader reader;
    QTcpServer tunnelServer;
    bool closed = false;
    int pingsSent = 0;
};
