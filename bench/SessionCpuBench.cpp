// CPU time of the controller's process per second of wall time, as a fraction of one core:
// (a) idle, the status-card pump feeding a 1280x720 camera with no phone (target: at most 5 %
// of one core), and (b) a live 1080p30 session at 6000 kbit/s from a vidlet-phone process on
// loopback, whose own CPU time is not counted. Baseline, in the same run and for the same wall
// time: an empty event loop in this process. The live session's CPU time per frame is also
// set against libavcodec decoding the same kind of stream alone (the simulator's picture,
// encoded here), measured in the same run (target: at most 1.3 times that).

#include "bench/BenchEnvironment.h"
#include "bench/DecodeAlone.h"
#include "bench/Percentile.h"
#include "controller/AppController.h"
#include "tools/vidlet-phone/PhoneOptions.h"
#include "tools/vidlet-phone/TestPattern.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>

namespace {

constexpr int kIdleRounds = 3;
constexpr int kIdleWindowMs = 4000;
constexpr int kLiveWindowMs = 10000;
constexpr int kSettleMs = 500;
constexpr double kIdleBudget = 0.05;
constexpr double kLiveBudget = 1.3;   // times decoding alone

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// CPU milliseconds per picture of decoding alone, the median of three passes over three
// seconds of the phone simulator's own stream, made here as it makes it.
double decodeAloneMs()
{
    constexpr int frames = 90;
    X264Encoder encoder;
    if (!encoder.open(1920, 1080, 30, 6000, PhoneOptions().gopFrames))
        return 0;
    const TestPattern pattern(1920, 1080);
    std::vector<QByteArray> buffers;
    for (int i = 0; i < frames; ++i) {
        pattern.draw(encoder.picture(), i);
        const auto unit = encoder.encode(i * 1000000 / 30, i == 0);
        if (!unit)
            return 0;
        buffers.push_back(unit->annexB);
    }
    std::vector<double> ms;
    for (int pass = 0; pass < 3; ++pass) {
        const double begin = threadCpuMs();
        const int pictures = decodeAlone(buffers);
        ms.push_back((threadCpuMs() - begin) / std::max(pictures, 1));
    }
    return percentile(ms, 0.5);
}

double processCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Runs the event loop for `ms` and returns the CPU time of every thread of the process over
// the wall time that passed.
double coreShare(int ms)
{
    QElapsedTimer wall;
    const double cpu = processCpuSeconds();
    wall.start();
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    return (processCpuSeconds() - cpu) / (double(wall.nsecsElapsed()) / 1e9);
}

bool waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

std::unique_ptr<AppController> startedController(const BenchEnvironment& env)
{
    auto controller = std::make_unique<AppController>(AppController::Places{
        0, UsbMuxEndpoint::unixSocket(env.absentUsbService()), env.folder()});
    controller->start();
    if (!controller->cameraReady()) {
        std::fprintf(stderr, "the controller has no camera: %s\n",
                     qPrintable(controller->status()));
        return nullptr;
    }
    return controller;
}

bool measureIdle(const BenchEnvironment& env)
{
    std::vector<double> empty, idle, cards;
    for (int round = 0; round < kIdleRounds; ++round) {
        empty.push_back(coreShare(kIdleWindowMs));
        const auto controller = startedController(env);
        if (!controller)
            return false;
        coreShare(kSettleMs);
        const qulonglong sent = controller->framesSent();
        idle.push_back(coreShare(kIdleWindowMs));
        cards.push_back(double(controller->framesSent() - sent) * 1000.0 / kIdleWindowMs);
    }
    const double share = percentile(idle, 0.5);
    std::printf("idle pump, 1280x720 camera      %6.3f core (%.1f cards/s)   empty event loop "
                "%6.3f core   target <= %.2f: %s\n",
                share, percentile(cards, 0.5), percentile(empty, 0.5), kIdleBudget,
                share <= kIdleBudget ? "met" : "NOT MET");
    return percentile(cards, 0.5) > 20;
}

bool measureLive(const BenchEnvironment& env)
{
    const double empty = coreShare(kLiveWindowMs);
    const auto controller = startedController(env);
    if (!controller)
        return false;
    QFile tokenFile(env.folder() + QStringLiteral("/pairing-token.txt"));
    if (!tokenFile.open(QIODevice::ReadOnly))
        return false;
    QProcess phone;
    phone.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    phone.start(BenchEnvironment::toolPath(QStringLiteral("vidlet-phone")),
                {QStringLiteral("--host"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"),
                 QString::number(controller->port()), QStringLiteral("--token"),
                 QString::fromUtf8(tokenFile.readAll()), QStringLiteral("--size"),
                 QStringLiteral("1920x1080"), QStringLiteral("--fps"), QStringLiteral("30"),
                 QStringLiteral("--bitrate"), QStringLiteral("6000"),
                 QStringLiteral("--duration-ms"), QString::number(kLiveWindowMs + 20000)});
    const bool streaming = waitFor(
        [&] { return controller->live() && controller->framesDecoded() >= 30; }, 20000);
    double share = 0, fps = 0;
    if (streaming) {
        const qulonglong decoded = controller->framesDecoded();
        share = coreShare(kLiveWindowMs);
        fps = double(controller->framesDecoded() - decoded) * 1000.0 / kLiveWindowMs;
    }
    phone.kill();
    phone.waitForFinished(3000);
    if (!streaming) {
        std::fprintf(stderr, "the phone's stream never went live\n");
        return false;
    }
    // The phone's encoder shares the machine, so it may fall short of 30 fps; the cost per
    // frame shows what a full rate would take.
    std::printf("live 1920x1080 30 fps 6000 kbit/s %6.3f core (%.1f fps decoded, %.1f ms CPU per "
                "frame)   empty event loop %6.3f core\n",
                share, fps, fps > 0 ? share * 1000.0 / fps : 0.0, empty);
    if (fps < 27)
        std::printf("  (the phone fell short of 30 fps: its encoder shares a busy machine)\n");
    const double alone = decodeAloneMs();
    const double perFrame = fps > 0 ? share * 1000.0 / fps : 0.0;
    std::printf("live CPU per frame against decoding alone (%.2f ms per picture): %.2fx   "
                "target <= %.1f: %s\n",
                alone, alone > 0 ? perFrame / alone : 0.0, kLiveBudget,
                alone > 0 && perFrame / alone <= kLiveBudget ? "met" : "NOT MET");
    return fps > 1;
}

} // namespace

int main(int argc, char** argv)
{
    BenchEnvironment env;
    QGuiApplication app(argc, argv);
    if (!env.useOwnCamera())
        return 1;
    std::printf("Session CPU time over wall time, as a fraction of one core; %s\n",
                qPrintable(BenchEnvironment::machine()));
    if (!measureIdle(env) || !measureLive(env)) {
        std::fprintf(stderr, "a session did not run as it should\n");
        return 1;
    }
    return 0;
}
