#pragma once

#include "usb/UsbMuxEndpoint.h"

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QThread>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <vector>

// A paired phone on a thread of its own, over Wi-Fi or over USB through a usbmux service of its
// own, that sends its stream at the stream's rate whatever the PC's thread is doing: the PC can
// fall behind it, as it falls behind a real phone.
class PhoneThread {
public:
    struct Stream {
        QByteArray config;
        std::vector<QByteArray> units;
        int width = 0;
        int height = 0;
        int fps = 30;
        // Optional, per unit: which are keyframes (otherwise the first alone), and a size to
        // announce just before the unit (an invalid one: nothing announced).
        std::vector<bool> keyframes;
        std::vector<QSize> announced;
    };
    using Time = std::chrono::steady_clock::time_point;

    PhoneThread(bool usb, Stream stream);
    ~PhoneThread();

    // Where the phone's usbmux service listens, for the controller's places (USB only).
    UsbMuxEndpoint usbService();
    // Pairs with the controller at `port` (Wi-Fi) or through the service (USB) with `token`,
    // announces the stream and sends it, one picture each period. It stays connected until the
    // phone thread is destroyed.
    void go(quint16 port, const QString& token);
    bool done() const { return finished; }
    bool failed() const { return failure; }
    // When the last picture left; valid once done().
    Time lastSentAt() const { return lastSent; }

private:
    void run();

    const bool usb;
    const Stream stream;
    std::promise<UsbMuxEndpoint> endpoint;
    std::future<UsbMuxEndpoint> endpointFuture = endpoint.get_future();
    std::promise<std::pair<quint16, QString>> start;
    std::promise<void> leave;
    bool went = false;
    std::unique_ptr<QThread> thread;
    std::atomic<bool> finished{false};
    std::atomic<bool> failure{false};
    Time lastSent;
};
