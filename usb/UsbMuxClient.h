#pragma once

#include "usb/UsbMuxEndpoint.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QTcpSocket>
#include <QTimer>
#include <QVariantMap>

#include <memory>
#include <vector>

// Finds phones on a USB cable through the usbmux service and opens, for each, a tunnel to
// the phone app's port 7847. One control connection listens for attach and detach; every
// tunnel is a connection of its own that a Connect request turns into a byte pipe.
//
// Lives on the GUI thread. A finished tunnel is handed over through tunnelReady: the
// receiver takes the socket during the emission and owns it from then on; the client only
// watches for its destruction, to open a new tunnel while the phone stays attached.
class UsbMuxClient : public QObject {
    Q_OBJECT

public:
    explicit UsbMuxClient(QObject* parent = nullptr);
    explicit UsbMuxClient(const UsbMuxEndpoint& endpoint, QObject* parent = nullptr);
    ~UsbMuxClient() override;

    // More phones than a PC has USB ports: a service announcing more is not believed, so that
    // it cannot make the client open tunnels without end.
    static constexpr int maxDevices = 32;
    // While the service is unreachable it is tried again at this interval; while it is up,
    // attached phones without a link get a new tunnel at the other.
    static constexpr int defaultReconnectMs = 5000;
    static constexpr int defaultTunnelRetryMs = 2000;
    // Tests shorten these.
    void setReconnectMs(int ms) { reconnectTimer.setInterval(ms); }
    void setTunnelRetryMs(int ms) { tunnelTimer.setInterval(ms); }

    void start();
    bool isAvailable() const { return available; }
    // True while the program that answers where the service should be is not the service
    // (UsbMuxEndpoint::trustsListener): nothing is sent to it.
    bool isRefused() const { return refused; }

    // The phone app said goodbye on `socket`: open no new tunnel to its device until the
    // device is detached.
    void noteUsbBye(QTcpSocket* socket);

Q_SIGNALS:
    void availabilityChanged(bool available);
    void refusalChanged(bool refused);
    void tunnelReady(QTcpSocket* socket);

private:
    struct Tunnel {
        QTcpSocket* socket; // child of the client until handed over
        QByteArray buffer;
        int deviceId;
    };

    void connectControl();
    void onControlConnected();
    void onControlReadyRead();
    void onControlError();
    void setRefused(bool now);
    bool trusted(const QTcpSocket& socket);
    void handleControlMessage(const QVariantMap& message);
    void retryTunnels();
    void openTunnel(int deviceId);
    void sendConnect(Tunnel* tunnel);
    void handleTunnelData(Tunnel* tunnel);
    void closeTunnel(Tunnel* tunnel);
    void eraseTunnel(Tunnel* tunnel);
    bool hasPendingTunnel(int deviceId) const;
    void forgetSocket(QTcpSocket* socket);
    void sendMessage(QTcpSocket& socket, const QVariantMap& message);

    const UsbMuxEndpoint endpoint;
    QTcpSocket control;
    QByteArray controlBuffer;
    QTimer reconnectTimer;
    QTimer tunnelTimer;
    QHash<int, bool> devices;           // attached over USB -> a handed-over link exists
    QHash<QTcpSocket*, int> handedOver; // socket -> device
    QSet<int> byeDevices;
    std::vector<std::unique_ptr<Tunnel>> pendingTunnels;
    quint32 nextTag = 1; // shared by the control and every tunnel
    bool available = false;
    bool started = false;
    bool refused = false; // the refusal is in the log already
};
