// The controller's reaction to what phones send: two phones on loopback sockets speak to the
// real controller (its phone server, roster, session, decoder, pacer and recorder stages), with
// a camera of the fuzzer's own. The input is decoded into messages, so that most reach the
// controller's rules rather than the link's checks: real H.264 of two sizes to play with,
// stream announcements of any size and rate, phones that come, go, pause and are switched.
//
// Input: steps of [op, argument, length, length bytes]:
//   op bit 0: phone 0 or 1
//   op bits 1-4: 0 connect (argument bit 0: the wrong token; bit 1: the other phone's id),
//     1 STREAM_INFO (width and height from the bytes, fps the argument), 2 VIDEO_CONFIG of
//     stream (argument & 1), 3 VIDEO_FRAME: access unit (argument >> 1) of stream (argument &
//     1), its time stamp from the bytes, 4 VIDEO_FRAME of the bytes themselves, 5 a message of
//     type argument with the bytes as its payload, 6 the phone leaves, 7 the user makes it the
//     active phone, 8 the user turns the camera output off or on
//   op bit 5: wait until the controller has handled what the phone sent (a PING's PONG)

#include "controller/AppController.h"
#include "link/PhoneLink.h"
#include "settings/AppSettings.h"
#include "tests/TestSandbox.h"
#include "tests/controller/TestCameraSink.h"
#include "tests/controller/TestPlaces.h"
#include "tests/link/TestPhone.h"
#include "tests/video/TestEncoder.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QGuiApplication>
#include <QtEndian>

#include <array>
#include <cstdint>
#include <memory>

namespace {

std::array<TestEncoder, 2> streams; // 64x48 and 48x64, made once

QByteArray bytesOf(const std::vector<std::uint8_t>& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

struct Phone {
    std::unique_ptr<TestPhone> link;
    int pings = 0;

    bool connected() const
    {
        return link && link->socket.state() == QAbstractSocket::ConnectedState;
    }
    void send(quint8 type, quint8 flags, const QByteArray& payload)
    {
        if (connected())
            link->send(type, flags, payload);
    }
    // Everything sent before has been handled once its PONG is back, or the PC closed the
    // connection.
    void settle()
    {
        if (!connected())
            return;
        const QByteArray payload = PhoneLink::jsonPayload({{"n", ++pings}});
        const qsizetype before = link->frames.size();
        link->send(PhoneLink::PING, 0, payload);
        const QDeadlineTimer deadline(200);
        while (connected() && !deadline.hasExpired()) {
            QCoreApplication::processEvents(); // the PC's side runs on this thread
            for (qsizetype i = before; i < link->frames.size(); ++i) {
                if (link->frames.at(i).type == PhoneLink::PONG
                    && link->frames.at(i).payload == payload)
                    return;
            }
            link->socket.waitForReadyRead(1);
        }
    }
};

QString pairingToken()
{
    QFile file(TestSandbox::path() + QStringLiteral("/pairing-token.txt"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QGuiApplication(*argc, *argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    streams[0] = TestEncoder::ofSize(64, 48, 4);
    streams[1] = TestEncoder::ofSize(48, 64, 4);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    {
        AppSettings settings;
        AppController app(settings, testPlaces());
        TestCameraSink::giveTo(app);
        AppController::Intervals intervals;
        intervals.resizeMs = 0;
        app.setIntervals(intervals);
        app.start();
        const QString token = pairingToken();
        std::array<Phone, 2> phones;

        for (std::size_t pos = 0; pos + 3 <= size;) {
            const std::uint8_t op = data[pos];
            const std::uint8_t argument = data[pos + 1];
            const std::size_t length = std::min<std::size_t>(data[pos + 2], size - pos - 3);
            const QByteArray bytes(reinterpret_cast<const char*>(data + pos + 3),
                                   qsizetype(length));
            pos += 3 + length;
            Phone& phone = phones[op & 1];

            const int which = argument & 1;
            switch ((op >> 1) & 15) {
            case 0:
                if (phone.link)
                    break;
                phone.link = std::make_unique<TestPhone>();
                phone.link->answerPings = true;
                if (!phone.link->connectTo(quint16(app.port())))
                    return 0;
                // A PING after a frame would otherwise wait for the frame's delayed ACK.
                phone.link->socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
                phone.link->sendHello(
                    QStringLiteral("phone-%1").arg((op & 1) ^ (argument >> 1 & 1)),
                    argument & 1 ? QStringLiteral("wrong") : token);
                break;
            case 1: {
                const int width = bytes.size() > 1 ? quint8(bytes[0]) * 16 + quint8(bytes[1]) : 0;
                const int height = bytes.size() > 3 ? quint8(bytes[2]) * 16 + quint8(bytes[3]) : 0;
                phone.send(PhoneLink::STREAM_INFO, 0,
                           PhoneLink::jsonPayload(
                               {{"width", width}, {"height", height}, {"fps", int(argument)}}));
                break;
            }
            case 2:
                phone.send(PhoneLink::VIDEO_CONFIG, 0, bytesOf(streams[which].config));
                break;
            case 3: {
                const auto& units = streams[which].units;
                const std::size_t unit = std::size_t(argument >> 1) % units.size();
                QByteArray payload(8, '\0');
                quint64 pts = units[unit].ptsUsec;
                if (bytes.size() >= 8)
                    pts = qFromLittleEndian<quint64>(bytes.constData());
                qToLittleEndian<quint64>(pts, payload.data());
                phone.send(PhoneLink::VIDEO_FRAME, unit == 0 ? PhoneLink::keyFrameFlag : 0,
                           payload + bytesOf(units[unit].bytes));
                break;
            }
            case 4:
                phone.send(PhoneLink::VIDEO_FRAME, argument & 1, bytes);
                break;
            case 5:
                phone.send(argument, 0, bytes);
                break;
            case 6:
                if (phone.link)
                    phone.link->socket.abort();
                phone.link.reset();
                break;
            case 7: {
                const QVariantList listed = app.phones();
                if (!listed.isEmpty())
                    app.setActive(listed.at(argument % listed.size()).toMap().value("id").toInt());
                break;
            }
            case 8:
                app.toggleOutput();
                break;
            default:
                break;
            }
            if (op & 32)
                phone.settle();
            QCoreApplication::processEvents();
        }
        for (Phone& phone : phones) {
            if (phone.link)
                phone.link->socket.abort();
        }
        QCoreApplication::processEvents();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
