#pragma once

#include "usb/UsbMuxEndpoint.h"

#include <QList>
#include <QLocalServer>
#include <QObject>
#include <QTcpServer>
#include <QVariantMap>

#include <memory>
#include <optional>

// A usbmux service inside the test, on a Unix socket or on loopback TCP. It records every
// request with its raw header, answers Listen and Connect as the test sets it up, and lets
// the test send anything at all on any connection.
class FakeMuxService : public QObject {
    Q_OBJECT

public:
    struct Request {
        quint32 length, version, type, tag;
        QByteArray payload;
        QVariantMap message;
    };
    struct Peer {
        QIODevice* socket = nullptr;
        QByteArray buffer;
        QList<Request> requests;
        bool closed = false;
        bool tunnelOpen = false; // after Result 0 to a Connect; bytes then go to `received`
        QByteArray received;
    };

    FakeMuxService();
    ~FakeMuxService() override;

    bool listenUnix(const QString& path);
    bool listenTcp();
    // Where the platform's own service listens: a Unix socket at `unixPath`; TCP on Windows.
    bool listenNatively(const QString& unixPath);
    UsbMuxEndpoint endpoint() const;

    // Answer to Listen; none when empty.
    std::optional<int> listenAnswer = 0;
    // Answers to Connects in turn; once used up, `connectAnswer` answers (none when empty).
    QList<int> connectAnswers;
    std::optional<int> connectAnswer = 0;
    // Sent in the same write as a Result 0 to a Connect, as a phone app's first bytes.
    QByteArray bytesAfterConnectResult;

    QList<Peer*> controls() const;       // connections whose first request was Listen
    QList<Peer*> tunnels() const;        // connections whose first request was Connect
    QList<int> connectedDevices() const; // DeviceID of every Connect, in order
    Peer* lastControl() const;

    void send(Peer* peer, const QByteArray& payload);
    void sendRaw(Peer* peer, const QByteArray& bytes);
    void drop(Peer* peer);

    static QByteArray result(int number);
    // An Attached message as the service lays it out; a negative id leaves that key out.
    static QByteArray attached(int topLevelId, int propertiesId,
                               const QString& connectionType = QStringLiteral("USB"));
    static QByteArray detached(int id);

Q_SIGNALS:
    void requestReceived(FakeMuxService::Peer* peer);

private:
    void accept(QIODevice* socket);
    void readFrom(Peer* peer);
    void answer(Peer* peer, const Request& request);
    QList<Peer*> peersOpenedWith(const QString& type) const;

    QLocalServer localServer;
    QTcpServer tcpServer;
    QString path;
    std::vector<std::unique_ptr<Peer>> peers;
};
