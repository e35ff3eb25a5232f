#pragma once

#include <QHash>
#include <QList>
#include <QLocalServer>
#include <QObject>
#include <QTcpServer>
#include <QVariantMap>

// A usbmux service on loopback for tests. It announces the devices it is given as attached
// by USB, answers Listen and Connect, and turns an accepted Connect to port 7847 into a byte
// pipe to the address that stands in for the phone app on that device (a vidlet-phone in
// USB mode). Devices can be detached and attached again, and Connects refused, to exercise
// a client's recovery.
//
// It holds clients to the rules of the real service, so that a client passing here does not
// fail there: one request at a time on a connection until it Listens or Connects, after which
// any further request is refused and the connection closed; header version 0 or 1; messages of
// 16 bytes to 64 KiB, anything else closes the connection. Besides Listen and Connect it
// answers what libusbmuxd's clients ask: ListDevices, ListListeners, ReadBUID and
// ReadPairRecord (it keeps no pair records). Only the property-list dialect is spoken.
class MuxService : public QObject {
    Q_OBJECT

public:
    struct Device {
        QString serial;
        QString host;
        quint16 port = 0;
        int id = 0; // 0 while detached; a new number at every attach, as the real service
    };

    MuxService(const QList<Device>& devices, int refuseConnects, QObject* parent = nullptr);

    bool listenUnix(const QString& path);
    bool listenTcp(quint16 port);
    QString address() const;

    // An empty serial means every device. False when no device has that serial.
    bool attach(const QString& serial);
    bool detach(const QString& serial);
    // Closes every control connection, as a restarting service would.
    void dropControl();

private:
    enum class Role { Requests, Listening, Connecting, Tunnelling };
    struct Client {
        QByteArray buffer;
        Role role = Role::Requests;
        int deviceId = 0; // the device a tunnel leads to
        int number = 0;   // counts clients since start, for ListListeners
        QVariantMap info; // ProgName, kLibUSBMuxVersion and BundleID of its last request
    };

    void accept(QIODevice* socket);
    void drop(QIODevice* socket);
    void closeAfterSending(QIODevice* socket);
    void readRequests(QIODevice* socket);
    void handleRequest(QIODevice* socket, const QVariantMap& request, quint32 tag);
    void handleConnect(QIODevice* socket, const QVariantMap& request, quint32 tag);
    void openTunnel(QIODevice* socket, const Device& device, quint32 tag);
    QVariantMap attachedMessage(const Device& device) const;
    QVariantList listeners() const;
    void send(QIODevice* socket, const QVariantMap& message, quint32 tag);
    void sendResult(QIODevice* socket, int number, quint32 tag);
    QList<QIODevice*> clientsWith(Role role, int deviceId = 0) const;

    QTcpServer tcpServer;
    QLocalServer localServer;
    QList<Device> devices;
    QHash<QIODevice*, Client> clients;
    int refuseConnects;
    int nextDeviceId = 1;
    int nextClientNumber = 1;
    const QString buid; // the host's identity, as ReadBUID reports it
};
