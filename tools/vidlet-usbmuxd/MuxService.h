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
class MuxService : public QObject
{
    Q_OBJECT

public:
    struct Device
    {
        QString serial;
        QString host;
        quint16 port = 0;
        int id = 0;   // 0 while detached; a new number at every attach, as the real service
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
    enum class Role { Requests, Listening, Tunnelling };
    struct Client
    {
        QByteArray buffer;
        Role role = Role::Requests;
        int deviceId = 0;   // the device a tunnel leads to
    };

    void accept(QIODevice* socket);
    void drop(QIODevice* socket);
    void readRequests(QIODevice* socket);
    void handleRequest(QIODevice* socket, const QVariantMap& request, quint32 tag);
    void openTunnel(QIODevice* socket, const Device& device, quint32 tag);
    void announce(QIODevice* socket, const Device& device);
    void send(QIODevice* socket, const QVariantMap& message, quint32 tag);
    void sendResult(QIODevice* socket, int number, quint32 tag);
    QList<QIODevice*> clientsWith(Role role, int deviceId = 0) const;

    QTcpServer tcpServer;
    QLocalServer localServer;
    QList<Device> devices;
    QHash<QIODevice*, Client> clients;
    int refuseConnects;
    int nextDeviceId = 1;
};
