// The phone link under load from strangers on the LAN, while a real phone streams to it.
// A vidlet-phone process streams 1280x720 at 30 fps to a PhoneServer in this process, whose
// frames go through the real decoder, as in a live session. First a window without load is
// measured (baseline), then a window in which 500 connections start a 64 KiB HELLO and stall
// before its end, and 1000 phones connect, pair, are welcomed and hang up, one after another.
// Reported: the phone's decoded frame rate in each window (target: the same), and the resident
// memory the load adds at its peak and leaves behind once it has gone (target: bounded by the
// limits on connections that have not said HELLO, nothing left behind but the paired phones the
// PC remembers). A third window has a phone that holds the pairing token misbehave (PairedAbuse:
// long device ids, many connections holding unfinished 16 MiB frames, size flips); the streaming
// phone's frame rate should not move, and the memory it adds is bounded by the limits on phones
// at once and on unfinished bytes. Loopback only.

#include "bench/BenchEnvironment.h"
#include "bench/BenchMode.h"
#include "bench/PairedAbuse.h"
#include "bench/ProcessMemory.h"
#include "bench/StrangerLoad.h"
#include "link/PhoneServer.h"
#include "video/H264Decoder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QProcess>
#include <QTest>

#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>

namespace {

const QByteArray kToken = "LoadBenchPairingToken0";
const QString kPhoneId = QStringLiteral("bench-phone");

// Each held connection costs two descriptors here: the stranger's end and the PC's.
bool raiseDescriptorLimit(rlim_t wanted)
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return false;
    if (limit.rlim_cur >= wanted)
        return true;
    limit.rlim_cur = std::min(wanted, limit.rlim_max);
    return setrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur >= wanted;
}

// Resident memory in use: what the allocator keeps free but mapped is handed back first, so
// that only live allocations count.
qint64 residentKiB()
{
    malloc_trim(0);
    return ProcessMemory::statusKiB("VmRSS:");
}

struct Window {
    double fps = 0;
    qint64 rssBeforeKiB = 0;
    qint64 rssPeakKiB = 0;
};

// Runs the event loop for at least `ms` and until `finished` holds.
Window measure(const qulonglong& decoded, int ms, const std::function<bool()>& finished)
{
    Window window;
    window.rssBeforeKiB = residentKiB();
    ProcessMemory::resetPeak();
    const qulonglong first = decoded;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms || !finished())
        QTest::qWait(100);
    window.fps = double(decoded - first) * 1000.0 / double(clock.elapsed());
    window.rssPeakKiB = ProcessMemory::statusKiB("VmHWM:");
    return window;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    BenchMode::read(argc, argv);
    // The server's lines about each of a thousand phones would bury the figures.
    QLoggingCategory::setFilterRules(QStringLiteral("default.info=false"));
    const int idleStrangers = BenchMode::pick(500, 20);
    const int cycles = BenchMode::pick(1000, 20);
    const int windowMs = BenchMode::pick(10000, 1000);
    if (!raiseDescriptorLimit(4 * (idleStrangers + 64))) {
        std::fprintf(stderr, "cannot raise the descriptor limit to %d\n", 4 * (idleStrangers + 64));
        return 1;
    }

    PhoneServer server;
    server.setPairingToken(QString::fromUtf8(kToken));
    H264Decoder decoder;
    qulonglong decoded = 0;
    decoder.frameCallback = [&decoded](const unsigned char*, int, int, unsigned long long) {
        ++decoded;
    };
    // As the roster and the session do, for the one phone that streams.
    int phoneId = -1;
    QObject::connect(&server, &PhoneServer::phoneConnected, &server,
                     [&](int id, const QString& deviceId) {
                         if (deviceId != kPhoneId)
                             return;
                         phoneId = id;
                         server.setPhoneActive(id, true);
                     });
    QObject::connect(&server, &PhoneServer::streamInfo, &server,
                     [&](int id, int width, int height) {
                         if (id == phoneId)
                             decoder.initialize(width, height);
                     });
    QObject::connect(
        &server, &PhoneServer::videoConfig, &server, [&](int id, const QByteArray& config) {
            if (id == phoneId)
                decoder.decode(reinterpret_cast<const unsigned char*>(config.constData()),
                               std::size_t(config.size()), 0);
        });
    QObject::connect(&server, &PhoneServer::videoFrame, &server,
                     [&](int id, const QByteArray& unit, qulonglong pts) {
                         if (id == phoneId)
                             decoder.decode(
                                 reinterpret_cast<const unsigned char*>(unit.constData()),
                                 std::size_t(unit.size()), pts);
                     });
    if (!server.listen(0))
        return 1;

    QProcess phone;
    phone.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    phone.start(BenchEnvironment::toolPath(QStringLiteral("vidlet-phone")),
                {"--host", "127.0.0.1", "--port", QString::number(server.port()), "--token",
                 QString::fromUtf8(kToken), "--device-id", kPhoneId, "--size", "1280x720", "--fps",
                 "30", "--bitrate", "6000", "--duration-ms", QString::number(10 * windowMs)});
    if (!QTest::qWaitFor([&] { return decoded >= 30; }, 20000)) {
        std::fprintf(stderr, "the phone's stream never arrived\n");
        return 1;
    }
    std::printf("Phone link under load; %s\n", qPrintable(BenchEnvironment::machine()));

    const Window quiet = measure(decoded, windowMs, [] { return true; });
    StrangerLoad load(server.port(), kToken, idleStrangers, cycles);
    load.start();
    const Window loaded = measure(decoded, windowMs, [&] { return load.cyclesDone(); });
    load.stop();
    QTest::qWait(BenchMode::pick(2000, 200)); // the PC notices the closed connections
    const qint64 afterKiB = residentKiB();

    PairedAbuse abuse(server.port(), kToken, BenchMode::pick(1, 10));
    abuse.start();
    const Window abused = measure(decoded, windowMs, [&] { return abuse.done(); });
    abuse.stop();
    const bool phoneRan = phone.state() == QProcess::Running;
    phone.kill();
    phone.waitForFinished(3000);

    const StrangerLoad::Figures& f = load.figures();
    std::printf("phone without load     %5.1f fps decoded\n", quiet.fps);
    std::printf("phone under load       %5.1f fps decoded (%.2f of the baseline; target: 1)\n",
                loaded.fps, quiet.fps > 0 ? loaded.fps / quiet.fps : 0.0);
    std::printf("stalled strangers      %d connected, %d of them closed by the PC by the end\n",
                f.idleOpened, f.idleClosedByPc);
    std::printf("pair-and-leave cycles  %d welcomed, %d failed, median %.2f ms each\n",
                f.cyclesWelcomed, f.cyclesFailed, f.cycleMsMedian);
    std::printf("resident memory        %lld KiB before load, peak +%lld KiB under load (at most "
                "%d strangers wait, each with at most %u KiB of HELLO), +%lld KiB after it "
                "(baseline window: +%lld KiB)\n",
                loaded.rssBeforeKiB, loaded.rssPeakKiB - loaded.rssBeforeKiB,
                PhoneServer::maxWaitingConnections,
                unsigned(PhoneServer::maxHandshakePayload / 1024), afterKiB - loaded.rssBeforeKiB,
                quiet.rssPeakKiB - quiet.rssBeforeKiB);
    const PairedAbuse::Figures& a = abuse.figures();
    std::printf("phone beside abuse     %5.1f fps decoded (%.2f of the baseline; target: 1)\n",
                abused.fps, quiet.fps > 0 ? abused.fps / quiet.fps : 0.0);
    std::printf("paired abuse           %d of %d long device ids welcomed; of %d hoarders %d "
                "welcomed, %d refused as busy, %d closed by the PC; %d size flips sent\n",
                a.longIdsWelcomed, a.longIds, a.hoarders, a.hoardersWelcomed, a.hoardersBusy,
                a.hoardersClosedByPc, a.sizeFlips);
    std::printf("resident memory        peak +%lld KiB during the abuse (at most %d phones, %lld "
                "MiB of unfinished messages in all)\n",
                abused.rssPeakKiB - abused.rssBeforeKiB, PhoneServer::maxAcceptedPhones,
                PhoneServer::maxBufferedBytes / (1024 * 1024));
    if (!phoneRan || f.cyclesWelcomed == 0) {
        std::fprintf(stderr, "the phone stopped or no stranger was welcomed\n");
        return 1;
    }
    return 0;
}
