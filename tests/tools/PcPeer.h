#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>
#include <optional>

// The PC's end of a phone link, written from the wire format alone so that it checks the
// phone's framing rather than sharing it. Over the LAN it listens and the phone connects; in
// USB mode it connects to the phone's port, as a tunnel does.
class PcPeer {
public:
    struct Frame {
        quint8 type = 0;
        quint8 flags = 0;
        QByteArray payload;
        QJsonObject json() const;
    };

    // A receive buffer size other than 0 is set on the listening socket, so that a PC that
    // stops reading makes the phone's sending stall quickly.
    quint16 listen(int receiveBufferBytes = 0);
    bool waitForPhone(int timeoutMs = 10000);
    bool connectToPhone(quint16 port);

    static QByteArray frame(quint8 type, const QByteArray& payload);
    static QByteArray frame(quint8 type, const QJsonObject& payload);
    void send(quint8 type, const QByteArray& payload);
    void send(quint8 type, const QJsonObject& payload);
    void sendRaw(const QByteArray& bytes);

    // The next frame, waiting up to timeoutMs; empty on a timeout or a closed connection.
    std::optional<Frame> next(int timeoutMs = 5000);
    // Skips frames until one of this type arrives.
    std::optional<Frame> nextOfType(quint8 type, int timeoutMs = 5000);
    bool waitForClosed(int timeoutMs = 5000);
    // Whether the next frame came in the same read as the last one taken.
    bool holdsWholeFrame() const;
    // Stops or resumes taking bytes from the connection, as a stalled PC would.
    void setReading(bool reading);
    void close();

private:
    std::optional<Frame> parse();

    QTcpServer server;
    std::unique_ptr<QTcpSocket> ownSocket;
    QTcpSocket* socket = nullptr;
    QByteArray buffer;
};
