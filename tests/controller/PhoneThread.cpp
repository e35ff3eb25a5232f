#include "tests/controller/PhoneThread.h"
#include "link/PhoneLink.h"
#include "tests/TestSandbox.h"
#include "tests/link/TestPhone.h"
#include "tests/usb/FakeMuxService.h"

#include <QEventLoop>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <QtEndian>

PhoneThread::PhoneThread(bool usb, Stream stream)
    : usb(usb),
      stream(std::move(stream)),
      thread(QThread::create([this] { run(); }))
{
    thread->start();
}

PhoneThread::~PhoneThread()
{
    if (!went)
        start.set_value({0, QString()}); // the thread gives up at once
    leave.set_value();
    thread->wait();
}

UsbMuxEndpoint PhoneThread::usbService()
{
    return endpointFuture.get();
}

void PhoneThread::go(quint16 port, const QString& token)
{
    went = true;
    start.set_value({port, token});
}

void PhoneThread::run()
{
    const QString servicePath = TestSandbox::path() + QStringLiteral("/usbmuxd-phone");
    QFile::remove(servicePath);
    FakeMuxService service;
    if (usb)
        service.listenNatively(servicePath);
    endpoint.set_value(service.endpoint());
    const auto [port, token] = start.get_future().get();
    if (token.isEmpty()) {
        finished = true;
        return;
    }

    TestPhone wifi;
    FakeMuxService::Peer* tunnel = nullptr;
    bool connected = false;
    if (usb) {
        connected = QTest::qWaitFor([&] { return service.lastControl(); }, 10000);
        if (connected) {
            service.send(service.lastControl(), FakeMuxService::attached(5, 5));
            connected = QTest::qWaitFor([&] { return !service.tunnels().isEmpty(); }, 10000);
            tunnel = connected ? service.tunnels().constLast() : nullptr;
        }
    } else {
        connected = wifi.connectTo(port);
    }
    const auto send = [&](quint8 type, quint8 flags, const QByteArray& payload) {
        if (tunnel)
            service.sendRaw(tunnel,
                            PhoneLink::header(type, flags, quint32(payload.size())) + payload);
        else
            wifi.send(type, flags, payload);
    };
    if (!connected) {
        failure = true;
        finished = true;
        return;
    }
    send(PhoneLink::HELLO, 0,
         PhoneLink::jsonPayload({{"v", PhoneLink::protocolVersion},
                                 {"deviceId", "threaded"},
                                 {"token", token},
                                 {"name", "Phone"}}));
    send(PhoneLink::STREAM_INFO, 0,
         PhoneLink::jsonPayload(
             {{"width", stream.width}, {"height", stream.height}, {"fps", stream.fps}}));
    send(PhoneLink::VIDEO_CONFIG, 0, stream.config);

    // One picture per period, on this thread's own timer.
    QEventLoop loop;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(1000 / stream.fps);
    std::size_t next = 0;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (next < stream.announced.size() && stream.announced[next].isValid())
            send(PhoneLink::STREAM_INFO, 0,
                 PhoneLink::jsonPayload({{"width", stream.announced[next].width()},
                                         {"height", stream.announced[next].height()},
                                         {"fps", stream.fps}}));
        QByteArray payload(8, '\0');
        qToLittleEndian<quint64>(quint64(next) * 1'000'000 / quint64(stream.fps), payload.data());
        const bool keyframe = stream.keyframes.empty() ? next == 0 : stream.keyframes.at(next);
        send(PhoneLink::VIDEO_FRAME, keyframe ? PhoneLink::keyFrameFlag : 0,
             payload + stream.units.at(next));
        if (++next == stream.units.size()) {
            lastSent = std::chrono::steady_clock::now();
            loop.quit();
        }
    });
    tick.start();
    loop.exec();
    // The last bytes reach the PC before the phone goes.
    const QIODevice* socket = tunnel ? tunnel->socket : &wifi.socket;
    if (!QTest::qWaitFor([socket] { return socket->bytesToWrite() == 0; }, 5000))
        failure = true;
    finished = true;
    leave.get_future().wait();
}
