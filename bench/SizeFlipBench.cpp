// A paired phone that keeps changing its picture's size, against the same phone streaming at
// one size, through the real controller and a real camera that a program reads. The phone
// turns between 640x360 and 360x640 every half second, by each route a phone has: new
// parameter sets inside its stream before a keyframe, and the same with the new size
// announced first (STREAM_INFO). Reported for each: the phone's pictures that reach the camera
// per second, and the round trip of another paired phone's PINGs, sent every 20 ms from a
// thread of its own, which only the GUI thread answers (how long the window, the keep-alives
// and the camera wait). Targets: the frame rate within 10 % of the steady phone's and the
// PING's p95 within 50 ms of the steady phone's; no PING waits a second.

#include "bench/BenchEnvironment.h"
#include "bench/BenchMode.h"
#include "bench/BlockingSocket.h"
#include "bench/Percentile.h"
#include "controller/AppController.h"
#include "link/PhoneLink.h"
#include "settings/AppSettings.h"
#include "tests/controller/PhoneThread.h"
#include "tests/video/TestEncoder.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>

#include <poll.h>
#include <unistd.h>

namespace {

constexpr int kFps = 30;
constexpr int kSegment = 15; // frames between turns: half a second

enum class Route { Steady, InStream, Announced };

// Segments of kSegment frames, each its own encoding that starts with a keyframe carrying its
// parameter sets, turning between landscape and portrait unless steady.
PhoneThread::Stream flippingStream(Route route, int segments)
{
    PhoneThread::Stream stream;
    stream.fps = kFps;
    for (int s = 0; s < segments; ++s) {
        const bool portrait = route != Route::Steady && s % 2 == 1;
        const QSize size = portrait ? QSize(360, 640) : QSize(640, 360);
        const TestEncoder part = TestEncoder::ofSize(size.width(), size.height(), kSegment);
        const QByteArray config(reinterpret_cast<const char*>(part.config.data()),
                                qsizetype(part.config.size()));
        if (s == 0) {
            stream.config = config;
            stream.width = size.width();
            stream.height = size.height();
        }
        for (std::size_t i = 0; i < part.units.size(); ++i) {
            QByteArray unit(reinterpret_cast<const char*>(part.units[i].bytes.data()),
                            qsizetype(part.units[i].bytes.size()));
            stream.units.push_back(i == 0 ? config + unit : unit);
            stream.keyframes.push_back(i == 0);
            stream.announced.push_back(route == Route::Announced && i == 0 ? size : QSize());
        }
    }
    return stream;
}

// A second paired phone that PINGs the PC every 20 ms and answers the PC's own PINGs. It pairs
// on its own thread, while the caller's event loop lets the PC answer.
class Bystander {
public:
    Bystander(quint16 port, const QByteArray& token)
        : thread([this, port, token] {
              socket = BlockingSocket::dial(port);
              welcomed = socket >= 0
                  && BlockingSocket::handshake(socket, token, QStringLiteral("bystander"));
              if (welcomed)
                  run();
          })
    {
    }
    ~Bystander()
    {
        quitting = true;
        thread.join();
        if (socket >= 0)
            ::close(socket);
    }
    bool ready() const { return welcomed; }
    // The round trips since the last call, in ms.
    std::vector<double> take()
    {
        std::lock_guard<std::mutex> guard(lock);
        std::vector<double> taken;
        taken.swap(trips);
        return taken;
    }

private:
    void run()
    {
        using Clock = std::chrono::steady_clock;
        Clock::time_point sent{};
        bool waiting = false;
        while (!quitting) {
            if (!waiting && Clock::now() - sent >= std::chrono::milliseconds(20)) {
                sent = Clock::now();
                waiting = BlockingSocket::sendAll(
                    socket, PhoneLink::header(PhoneLink::PING, 0, 2) + QByteArray("{}"));
            }
            pollfd in{socket, POLLIN, 0};
            if (::poll(&in, 1, 5) <= 0)
                continue;
            char header[6];
            if (!BlockingSocket::receiveAll(socket, header, sizeof header))
                return;
            const quint32 length = quint32(quint8(header[2])) | quint32(quint8(header[3])) << 8
                | quint32(quint8(header[4])) << 16 | quint32(quint8(header[5])) << 24;
            QByteArray payload(qsizetype(length), '\0');
            if (length > 0 && !BlockingSocket::receiveAll(socket, payload.data(), length))
                return;
            if (quint8(header[0]) == PhoneLink::PING) {
                BlockingSocket::sendAll(socket,
                                        PhoneLink::header(PhoneLink::PONG, 0, length) + payload);
            } else if (quint8(header[0]) == PhoneLink::PONG && waiting) {
                waiting = false;
                std::lock_guard<std::mutex> guard(lock);
                trips.push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
            }
        }
    }

    std::atomic<int> socket{-1};
    std::atomic<bool> welcomed{false};
    std::atomic<bool> quitting{false};
    std::mutex lock; // guards trips
    std::vector<double> trips;
    std::thread thread; // last: it uses the members above
};

struct Figures {
    double fps = 0;
    double pingMedianMs = 0;
    double pingP95Ms = 0;
    double pingMaxMs = 0;
};

// The connection id of the streaming phone; -1 while it is not connected.
int streamingPhone(const AppController& controller)
{
    for (const QVariant& entry : controller.phones())
        if (entry.toMap().value(QStringLiteral("deviceId")).toString() == QLatin1String("threaded"))
            return entry.toMap().value(QStringLiteral("id")).toInt();
    return -1;
}

// The phone streams `route` once; none when it did not arrive or stream.
std::optional<Figures> runRoute(AppController& controller, Bystander& bystander,
                                const QString& token, Route route, int segments)
{
    // The last route's phone has gone, so that the one found below is this route's.
    if (!QTest::qWaitFor([&] { return streamingPhone(controller) < 0; }, 10000))
        return std::nullopt;
    PhoneThread phone(false, flippingStream(route, segments));
    phone.go(quint16(controller.port()), token);
    // The bystander came first: the streaming phone is made the active one as it arrives.
    int id = -1;
    const bool arrived =
        QTest::qWaitFor([&] { return (id = streamingPhone(controller)) >= 0; }, 10000);
    if (!arrived)
        return std::nullopt;
    controller.setActive(id);
    const std::uint64_t sentBefore = controller.framesSent();
    bystander.take();
    QElapsedTimer clock;
    clock.start();
    if (!QTest::qWaitFor([&] { return phone.done(); }, segments * kSegment * 1000 / kFps + 20000)
        || phone.failed())
        return std::nullopt;
    Figures f;
    f.fps = double(controller.framesSent() - sentBefore) * 1000.0 / double(clock.elapsed());
    std::vector<double> trips = bystander.take();
    f.pingMedianMs = percentile(trips, 0.5);
    f.pingP95Ms = percentile(trips, 0.95);
    f.pingMaxMs = trips.empty() ? 0 : *std::max_element(trips.begin(), trips.end());
    return f;
}

} // namespace

int main(int argc, char** argv)
{
    BenchMode::read(argc, argv);
    BenchEnvironment env;
    QGuiApplication app(argc, argv);
    if (!env.useOwnCamera()) {
        std::fprintf(stderr, "the camera component cannot be loaded\n");
        return 1;
    }
    AppSettings settings;
    AppController controller(
        settings,
        AppController::Places{0, UsbMuxEndpoint::unixSocket(env.absentUsbService()), env.folder()});
    controller.start();
    QFile tokenFile(env.folder() + QStringLiteral("/pairing-token.txt"));
    if (!controller.cameraReady() || !tokenFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "the controller did not start its camera\n");
        return 1;
    }
    const QByteArray token = tokenFile.readAll();
    // A program reading the camera's shared memory, which follows each remake.
    QProcess reader;
    reader.start(BenchEnvironment::toolPath(QStringLiteral("vidlet-camview")),
                 {QStringLiteral("--segment"), QString::fromStdString(env.cameraSegment()),
                  QStringLiteral("--duration"), QStringLiteral("0")});
    const auto stopReader = qScopeGuard([&] {
        reader.kill();
        reader.waitForFinished();
    });
    Bystander bystander(quint16(controller.port()), token);
    if (!QTest::qWaitFor([&] { return bystander.ready(); }, 10000)) {
        std::fprintf(stderr, "the bystander phone was not welcomed\n");
        return 1;
    }
    const int segments = BenchMode::pick(40, 4); // 20 s, or 2 s
    std::printf("a phone turning between 640x360 and 360x640 every %d frames at %d fps against "
                "the same phone at one size; a bystander PINGs every 20 ms; %s\n",
                kSegment, kFps, BenchEnvironment::machine().toUtf8().constData());
    const std::optional<Figures> measured =
        runRoute(controller, bystander, QString::fromUtf8(token), Route::Steady, segments);
    if (!measured) {
        std::fprintf(stderr, "the steady phone did not stream\n");
        return 1;
    }
    const Figures steady = *measured;
    bool met = true;
    const auto print = [&](const char* name, const std::optional<Figures>& run, bool judged) {
        if (!run) {
            std::printf("%-28s the phone did not stream\n", name);
            met = false;
            return;
        }
        const Figures& f = *run;
        std::printf("%-28s %5.1f pictures/s (%.2fx)  PING median %5.1f ms, p95 %6.1f ms, max "
                    "%6.1f ms\n",
                    name, f.fps, f.fps / steady.fps, f.pingMedianMs, f.pingP95Ms, f.pingMaxMs);
        if (judged)
            met = met && f.fps >= 0.9 * steady.fps && f.pingP95Ms <= steady.pingP95Ms + 50
                && f.pingMaxMs < 1000;
    };
    print("steady", steady, false);
    const QString text = QString::fromUtf8(token);
    print("turning inside the stream",
          runRoute(controller, bystander, text, Route::InStream, segments), true);
    print("turning, announced first",
          runRoute(controller, bystander, text, Route::Announced, segments), true);
    std::printf("targets: %s\n", met ? "met" : "NOT MET");
    return 0;
}
