#include "tests/controller/StreamingPhone.h"
#include "link/PhoneLink.h"
#include "tests/TestSandbox.h"
#include "tests/controller/TestPlaces.h"
#include "video/H264Decoder.h"

#include <QFile>
#include <QTest>
#include <QtEndian>

StreamingPhone::StreamingPhone(bool usb, const AppController::Intervals& intervals)
    : usb(usb)
{
    AppController::Places places = testPlaces();
    const QString servicePath = TestSandbox::path() + QStringLiteral("/usbmuxd");
    QFile::remove(servicePath);
    if (usb && usbService.listenNatively(servicePath))
        places.usbService = usbService.endpoint();
    app = std::make_unique<AppController>(settings, places);
    camera = TestCameraSink::giveTo(*app);
    app->setIntervals(intervals);
    app->start();
}

StreamingPhone::~StreamingPhone()
{
    app.reset();
    QFile::remove(TestSandbox::path() + QStringLiteral("/usbmuxd"));
}

bool StreamingPhone::connect()
{
    QFile tokenFile(TestSandbox::path() + QStringLiteral("/pairing-token.txt"));
    if (!tokenFile.open(QIODevice::ReadOnly))
        return false;
    const QJsonObject hello{{"v", PhoneLink::protocolVersion},
                            {"deviceId", "dev"},
                            {"token", QString::fromUtf8(tokenFile.readAll()).trimmed()},
                            {"name", "Phone"},
                            {"model", "Sim"},
                            {"os", "17"}};
    if (usb) {
        if (!QTest::qWaitFor([this] { return usbService.lastControl(); }, 5000))
            return false;
        usbService.send(usbService.lastControl(), FakeMuxService::attached(5, 5));
        if (!QTest::qWaitFor([this] { return !usbService.tunnels().isEmpty(); }, 5000))
            return false;
        tunnel = usbService.tunnels().constLast();
    } else if (!wifi.connectTo(quint16(app->port()))) {
        return false;
    }
    send(PhoneLink::HELLO, 0, PhoneLink::jsonPayload(hello));
    return QTest::qWaitFor([this] { return app->activeId() >= 0; }, 5000);
}

void StreamingPhone::send(quint8 type, quint8 flags, const QByteArray& payload)
{
    if (usb)
        usbService.sendRaw(tunnel,
                           PhoneLink::header(type, flags, quint32(payload.size())) + payload);
    else
        wifi.send(type, flags, payload);
}

bool StreamingPhone::announce(int width, int height, int fps)
{
    send(PhoneLink::STREAM_INFO, 0,
         PhoneLink::jsonPayload({{"width", width}, {"height", height}, {"fps", fps}}));
    return settle();
}

bool StreamingPhone::sendVideo(const TestEncoder& stream, int first, int count)
{
    const qulonglong target = app->framesDecoded() + qulonglong(count);
    if (first == 0)
        send(PhoneLink::VIDEO_CONFIG, 0,
             QByteArray(reinterpret_cast<const char*>(stream.config.data()),
                        qsizetype(stream.config.size())));
    for (int i = first; i < first + count; ++i) {
        const auto& unit = stream.units.at(std::size_t(i));
        QByteArray payload(8, '\0');
        qToLittleEndian<quint64>(unit.ptsUsec, payload.data());
        payload.append(reinterpret_cast<const char*>(unit.bytes.data()),
                       qsizetype(unit.bytes.size()));
        send(PhoneLink::VIDEO_FRAME, i == 0 ? PhoneLink::keyFrameFlag : 0, payload);
    }
    return QTest::qWaitFor([&] { return app->framesDecoded() >= target; }, 10000);
}

void StreamingPhone::leave()
{
    if (usb)
        usbService.drop(tunnel);
    else
        wifi.socket.disconnectFromHost();
}

// The PC answers a PING in turn, after everything the phone sent before it.
bool StreamingPhone::settle()
{
    const QByteArray payload = PhoneLink::jsonPayload({{"n", ++pings}});
    const QByteArray pong =
        PhoneLink::header(PhoneLink::PONG, 0, quint32(payload.size())) + payload;
    send(PhoneLink::PING, 0, payload);
    return QTest::qWaitFor([&] { return (usb ? tunnel->received : wifi.received).contains(pong); },
                           5000);
}

std::vector<QImage> StreamingPhone::reference(const TestEncoder& stream)
{
    std::vector<QImage> pictures;
    H264Decoder decoder;
    decoder.frameCallback = [&pictures](const unsigned char* bgr, int width, int height,
                                        unsigned long long) {
        pictures.push_back(QImage(bgr, width, height, width * 3, QImage::Format_BGR888).copy());
    };
    decoder.initialize(TestEncoder::Options{}.width, TestEncoder::Options{}.height);
    decoder.decode(stream.config.data(), stream.config.size(), 0);
    for (const auto& unit : stream.units)
        decoder.decode(unit.bytes.data(), unit.bytes.size(), unit.ptsUsec);
    return pictures;
}
