// A soak of a whole call: the real Vidlet (offscreen, its window shown), a phone streaming
// 1920x1080 at 30 fps with 10 ms of network jitter, two programs reading the camera all along
// (its shared memory, and its PipeWire node in a private desktop session, as browsers read it),
// a second phone that comes for 30 s every 2 minutes, recordings for part of the time (asked
// for and ended as a script does, through a second start: one in the warm-up, one of five
// minutes after minute 13), and in runs of 13 minutes or more two busy loops that take both
// cores for minute 12. Once a minute it prints the
// program's resident memory, open descriptors, threads and CPU, the pictures the reader got
// against those the phone sent, and the delay from the phone's send to the reader (median,
// p95). It ends by itself and judges: resident memory after the first five minutes grows by at
// most 2 MB (the lowest sample of the last five minutes against that of minutes 6-10: a
// 1080p picture is 6 MB, and whether one is in flight at the moment of a sample is no growth), descriptors and threads come back to the level of minute five, the delay of the
// last five minutes is within 2 ms of the first five's, and the reader got at least 99 % of the
// pictures outside the busy minute; in the busy minute the delay's p95 stays under a second
// (late frames are dropped, not queued), and the minute after it is back within 2 ms. `--minutes N` (make soak: SOAK_MINUTES, 60 by default); runs under ten minutes
// judge nothing and only prove that the soak runs, its recording included (make test runs one
// minute). The recordings after the warm-up are judged in longer runs: each file plays, as an
// ordinary MP4, and holds at least 99 % of the pictures of its time.

#include "bench/Percentile.h"
#include "softcam/CameraReader.h"
#include "tests/e2e/Processes.h"
#include "tests/pipewire/PrivateDesktop.h"
#include "tests/video/Mp4Probe.h"
#include "tools/common/FrameStamp.h"
#include "tools/vidlet-camview/PipewireCameraReader.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <functional>
#include <algorithm>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

constexpr int kWarmUpMinutes = 5;
constexpr int kVisitorEveryMinutes = 2;
constexpr int kMemorySampleMs = 2000;
// In runs long enough to judge, two busy loops take both cores for this minute, after the one
// the memory is measured from: frames must be dropped, not queued, and the delay come back.
constexpr int kLoadMinute = 2 * kWarmUpMinutes + 2;
// Recordings, in seconds from the soak's start. In runs long enough to judge: one in the
// warm-up, as the first recording of a run pages in the encoder's and the muxer's code and
// tables (about 10 MB, once: measured over three recordings in a row), so that the memory judged
// after the warm-up shows what a recording leaves behind; and one of five minutes after the busy
// minute and the one that follows it. In shorter runs, the middle of the first minute.
struct Span {
    int fromS;
    int seconds;
};
constexpr Span kJudgedRecordings[] = {{2 * 60, 60}, {(kLoadMinute + 2) * 60, 5 * 60}};
constexpr Span kShortRecordings[] = {{20, 20}};
constexpr int kFps = 30;

// What /proc says of a process.
struct ProcessState {
    qint64 rssKiB = 0;
    int descriptors = 0;
    int threads = 0;
    double cpuSeconds = 0;
};

ProcessState stateOf(qint64 pid)
{
    ProcessState state;
    const QString proc = QStringLiteral("/proc/%1").arg(pid);
    QFile status(proc + QStringLiteral("/status"));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                state.rssKiB = line.mid(6).trimmed().split(' ').value(0).toLongLong();
            else if (line.startsWith("Threads:"))
                state.threads = line.mid(8).trimmed().toInt();
        }
    state.descriptors = int(QDir(proc + QStringLiteral("/fd")).entryList(QDir::System).size());
    QFile stat(proc + QStringLiteral("/stat"));
    if (stat.open(QIODevice::ReadOnly)) {
        // After the command's closing parenthesis: utime and stime are fields 14 and 15.
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        const double ticks = double(sysconf(_SC_CLK_TCK));
        state.cpuSeconds = (fields.value(11).toDouble() + fields.value(12).toDouble()) / ticks;
    }
    return state;
}

// Reads the camera on a thread of its own; each stamped picture counts once, when first seen.
class Reader {
public:
    // Attaches if need be; true with a frame newer than the last.
    using Read = std::function<bool(softcam::CameraFrame&)>;

    // `open` makes the reader, on the reading thread.
    explicit Reader(std::function<Read()> open)
        : thread([this, open] { run(open()); })
    {
    }
    ~Reader()
    {
        running = false;
        thread.join();
    }
    struct Minute {
        int pictures = 0;                  // new stamped pictures the reader got
        std::uint32_t first = 0, last = 0; // their stamps' frame numbers
        std::vector<double> delaysMs;
    };
    Minute take()
    {
        std::lock_guard<std::mutex> guard(lock);
        Minute taken = std::move(current);
        current = Minute();
        return taken;
    }

private:
    void run(const Read& read)
    {
        softcam::CameraFrame frame;
        std::uint32_t newest = 0;
        bool any = false;
        while (running) {
            if (!read(frame)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                continue;
            }
            const auto stamp = FrameStamp::decode(frame.bgr.data(), frame.width, frame.height);
            if (!stamp || (any && stamp->frame <= newest))
                continue;
            const double delayMs = double(FrameStamp::nowUsec() - stamp->timeUsec) / 1000.0;
            newest = stamp->frame;
            any = true;
            std::lock_guard<std::mutex> guard(lock);
            if (current.pictures == 0)
                current.first = stamp->frame;
            current.last = stamp->frame;
            ++current.pictures;
            current.delaysMs.push_back(delayMs);
        }
    }

    std::atomic<bool> running{true};
    std::mutex lock; // guards current
    Minute current;
    std::thread thread; // last: it uses the members above
};

template <typename Camera> std::function<Reader::Read()> opening(std::function<Camera*()> make)
{
    return [make] {
        std::shared_ptr<Camera> camera(make());
        return [camera](softcam::CameraFrame& frame) {
            return camera->attach() && camera->readNewFrame(frame);
        };
    };
}

// One reader's minute.
struct Seen {
    int pictures = 0;
    int sent = 0;
    double medianMs = 0;
    double p95Ms = 0;

    explicit Seen(const Reader::Minute& got)
        : pictures(got.pictures),
          sent(got.pictures ? int(got.last - got.first) + 1 : 0),
          medianMs(percentile(got.delaysMs, 0.5)),
          p95Ms(percentile(got.delaysMs, 0.95))
    {
    }
};

// Asks the running Vidlet, as a script would, through a second start of the program.
bool askVidlet(VidletProcess& vidlet, const QString& option)
{
    QProcess second;
    second.setProcessEnvironment(vidlet.process.processEnvironment());
    second.start(binPath(QStringLiteral("Vidlet")), vidlet.options({option}));
    return second.waitForFinished(15000) && second.exitCode() == 0;
}

// A recording as Vidlet ended it and as ffprobe plays it.
struct Recording {
    Span span;
    QString file;
    int kept = -1;    // the pictures Vidlet says it wrote
    int leftOut = -1; // and left out for a slow disk
    int played = -1;
    bool ordinary = false;

    int sent() const { return span.seconds * kFps; }
    bool whole() const { return ordinary && played == kept && played >= sent() * 99 / 100; }

    // Reads Vidlet's line for its `nth` finished recording (from 0), once it is in the log and
    // the file is complete.
    bool read(const QString& log, int nth)
    {
        static const QRegularExpression stopped(
            QStringLiteral("recording stopped: (\\S+\\.mp4), (\\d+) frames, (\\d+) left out"));
        QRegularExpressionMatchIterator matches = stopped.globalMatch(log);
        for (int i = 0; matches.hasNext(); ++i) {
            const QRegularExpressionMatch match = matches.next();
            if (i < nth)
                continue;
            file = match.captured(1);
            if (!log.contains("recording complete: " + file)
                && !log.contains("the recording " + file + " stays fragmented"))
                return false;
            kept = match.captured(2).toInt();
            leftOut = match.captured(3).toInt();
            played = Mp4Probe::framesPlayed(file);
            ordinary = Mp4Probe::isOrdinary(Mp4Probe::topLevelBoxes(file));
            return true;
        }
        return false;
    }
};

struct Row {
    ProcessState state;
    // The lowest and highest resident memory of the minute's samples.
    qint64 rssLowKiB = 0;
    qint64 rssHighKiB = 0;
    std::vector<Seen> readers; // shared memory, PipeWire
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int minutes = 60;
    const QStringList args = app.arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--minutes"));
    if (at >= 0)
        minutes = args.value(at + 1).toInt();
    if (minutes < 1) {
        std::fprintf(stderr, "vidlet-soak: --minutes takes a whole number of at least 1\n");
        return 2;
    }
    // A camera of the soak's own, beside a Vidlet the user may be running, and a desktop
    // session of its own for the PipeWire reader.
    const std::string segment = "/vidlet-soak-" + std::to_string(::getpid());
    qputenv("VIDLET_CAMERA_SEGMENT", QByteArray::fromStdString(segment));
    PrivateDesktop desktop;
    if (!desktop.start()) {
        std::fprintf(stderr, "vidlet-soak: no private desktop session: %s\n",
                     qPrintable(desktop.why()));
        return 1;
    }
    VidletProcess vidlet;
    vidlet.joinThisPipewire();
    if (!vidlet.start()) {
        std::fprintf(stderr, "vidlet-soak: Vidlet did not start:\n%s\n", qPrintable(vidlet.log()));
        return 1;
    }
    const qint64 pid = vidlet.process.processId();
    PhoneProcess phone;
    phone.start(vidlet,
                {QStringLiteral("--size"), QStringLiteral("1920x1080"), QStringLiteral("--fps"),
                 QStringLiteral("30"), QStringLiteral("--jitter-ms"), QStringLiteral("10"),
                 QStringLiteral("--duration-ms"),
                 QString::number(qint64(minutes) * 60000 + 30000)});
    // The readers open the camera once it has the phone's size, as a call joined after the phone
    // went live: one opened on the idle card would keep its size, and the stamps would be scaled.
    const QDeadlineTimer live(30000);
    while (!vidlet.log().contains(QStringLiteral("to 1920x1080")) && !live.hasExpired())
        vidlet.process.waitForReadyRead(200);
    std::vector<std::unique_ptr<Reader>> readers;
    readers.push_back(std::make_unique<Reader>(
        opening<softcam::CameraReader>([segment] { return new softcam::CameraReader(segment); })));
    readers.push_back(std::make_unique<Reader>(
        opening<PipewireCameraReader>([] { return new PipewireCameraReader("vidlet-camera"); })));
    std::unique_ptr<PhoneProcess> visitor;
    std::vector<std::unique_ptr<QProcess>> busyLoops;
    const bool loaded = minutes > kLoadMinute;
    const bool judged = minutes >= 2 * kWarmUpMinutes;
    std::vector<Recording> recordings;
    for (const Span& span : judged
             ? std::vector<Span>(std::begin(kJudgedRecordings), std::end(kJudgedRecordings))
             : std::vector<Span>(std::begin(kShortRecordings), std::end(kShortRecordings)))
        if (span.fromS + span.seconds < minutes * 60)
            recordings.emplace_back().span = span;
    for (std::size_t i = 0; i < recordings.size(); ++i) {
        const Span span = recordings[i].span;
        QTimer::singleShot(span.fromS * 1000, &app, [&, span] {
            std::printf("(recording from %d s)\n", span.fromS);
            if (!askVidlet(vidlet, QStringLiteral("--record")))
                std::printf("Vidlet did not take the request to record\n");
        });
        QTimer::singleShot((span.fromS + span.seconds) * 1000, &app, [&, i, span] {
            if (!askVidlet(vidlet, QStringLiteral("--stop-recording")))
                std::printf("Vidlet did not take the request to end the recording\n");
            const QDeadlineTimer finished(60000);
            while (!recordings[i].read(vidlet.log(), int(i)) && !finished.hasExpired())
                vidlet.process.waitForReadyRead(200);
            std::printf("(recording ended at %d s: %s)\n", span.fromS + span.seconds,
                        qPrintable(recordings[i].file));
        });
    }

    std::printf("soak: %d minutes; Vidlet (pid %lld) with a 1080p30 phone, jitter 10 ms, a "
                "shared-memory and a PipeWire reader, a second phone for 30 s every %d "
                "minutes\n",
                minutes, pid, kVisitorEveryMinutes);
    std::printf(
        "min   RSS MiB (low-high)  fds thr  CPU %%   shared memory: pictures/sent median p95 ms"
        "   PipeWire: pictures/sent median p95 ms\n");
    std::fflush(stdout);
    std::vector<Row> rows;
    ProcessState last = stateOf(pid);
    int minute = 0;
    // Memory is sampled every few seconds, so that a minute's lowest level shows.
    qint64 rssLow = last.rssKiB;
    qint64 rssHigh = last.rssKiB;
    QTimer sample;
    QObject::connect(&sample, &QTimer::timeout, &app, [&] {
        const qint64 rss = stateOf(pid).rssKiB;
        rssLow = std::min(rssLow, rss);
        rssHigh = std::max(rssHigh, rss);
    });
    sample.start(kMemorySampleMs);
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &app, [&] {
        ++minute;
        Row row;
        row.state = stateOf(pid);
        row.rssLowKiB = std::min(rssLow, row.state.rssKiB);
        row.rssHighKiB = std::max(rssHigh, row.state.rssKiB);
        rssLow = rssHigh = row.state.rssKiB;
        for (const auto& reader : readers)
            row.readers.emplace_back(reader->take());
        const double cpu = (row.state.cpuSeconds - last.cpuSeconds) / 60.0 * 100.0;
        last = row.state;
        std::printf("%3d  %8.1f (%5.1f-%5.1f) %4d %3d %6.1f", minute,
                    double(row.state.rssKiB) / 1024.0, double(row.rssLowKiB) / 1024.0,
                    double(row.rssHighKiB) / 1024.0, row.state.descriptors, row.state.threads, cpu);
        for (const Seen& seen : row.readers)
            std::printf("   %20d/%-6d %6.1f %6.1f", seen.pictures, seen.sent, seen.medianMs,
                        seen.p95Ms);
        std::printf("\n");
        std::fflush(stdout);
        rows.push_back(row);
        // The visitor comes every few minutes and leaves by itself after 30 s.
        if (minute % kVisitorEveryMinutes == 1) {
            visitor = std::make_unique<PhoneProcess>();
            visitor->start(vidlet,
                           {QStringLiteral("--device-id"), QStringLiteral("visitor"),
                            QStringLiteral("--size"), QStringLiteral("640x480"),
                            QStringLiteral("--duration-ms"), QStringLiteral("30000")});
        }
        if (loaded && minute == kLoadMinute - 1) {
            for (int core = 0; core < 2; ++core) {
                busyLoops.push_back(std::make_unique<QProcess>());
                busyLoops.back()->start(
                    QStringLiteral("sh"),
                    {QStringLiteral("-c"), QStringLiteral("while :; do :; done")});
            }
            std::printf("(two busy loops take both cores for minute %d)\n", kLoadMinute);
        } else if (minute == kLoadMinute) {
            for (const auto& loop : busyLoops) {
                loop->kill();
                loop->waitForFinished();
            }
            busyLoops.clear();
        }
        if (minute == minutes || vidlet.process.state() != QProcess::Running)
            app.quit();
    });
    tick.start(60000);
    app.exec();

    if (vidlet.process.state() != QProcess::Running) {
        std::printf("Vidlet ended during the soak:\n%s\n", qPrintable(vidlet.log()));
        return 1;
    }
    for (const Recording& recording : recordings)
        std::printf("recording of %d s from %d s: %d pictures written, %d left out for a slow "
                    "disk, %d played (about %d sent), %s MP4\n",
                    recording.span.seconds, recording.span.fromS, recording.kept, recording.leftOut,
                    recording.played, recording.sent(),
                    recording.ordinary ? "an ordinary" : "NOT an ordinary");
    // What was measured is out before the processes and readers are taken down.
    std::fflush(stdout);
    if (!judged) {
        std::printf("short soak: it only proves that the soak runs; nothing is judged\n");
        std::fflush(stdout);
        for (const Seen& seen : rows.empty() ? std::vector<Seen>() : rows.back().readers)
            if (seen.pictures == 0)
                return 1;
        for (const Recording& recording : recordings)
            if (recording.played <= 0 || !recording.ordinary)
                return 1;
        return rows.empty() ? 1 : 0;
    }
    const Row& warm = rows[kWarmUpMinutes - 1];
    const Row& end = rows.back();
    const auto lowest = [&](std::size_t from, std::size_t to) {
        qint64 low = rows[from].rssLowKiB;
        for (std::size_t i = from; i < to; ++i)
            low = std::min(low, rows[i].rssLowKiB);
        return low;
    };
    const qint64 warmLow = lowest(kWarmUpMinutes, 2 * kWarmUpMinutes);
    const qint64 endLow = lowest(rows.size() - kWarmUpMinutes, rows.size());
    const double growthMiB = double(endLow - warmLow) / 1024.0;
    bool met = growthMiB <= 2.0;
    std::printf("memory after minute %d: lowest of minutes %d-%d %.1f MiB, of the last %d %.1f "
                "MiB: %+.2f MiB (target <= 2): %s\n",
                kWarmUpMinutes, kWarmUpMinutes + 1, 2 * kWarmUpMinutes, double(warmLow) / 1024.0,
                kWarmUpMinutes, double(endLow) / 1024.0, growthMiB,
                growthMiB <= 2.0 ? "met" : "NOT MET");
    const bool handles =
        end.state.descriptors <= warm.state.descriptors && end.state.threads <= warm.state.threads;
    met = met && handles;
    std::printf("descriptors %d -> %d, threads %d -> %d: %s\n", warm.state.descriptors,
                end.state.descriptors, warm.state.threads, end.state.threads,
                handles ? "met" : "NOT MET");
    const char* names[] = {"shared memory", "PipeWire"};
    for (std::size_t r = 0; r < readers.size(); ++r) {
        const auto meanMedian = [&](std::size_t from, std::size_t to) {
            double sum = 0;
            for (std::size_t i = from; i < to; ++i)
                sum += rows[i].readers[r].medianMs;
            return sum / double(to - from);
        };
        const double firstDelay = meanMedian(0, kWarmUpMinutes);
        const double lastDelay = meanMedian(rows.size() - kWarmUpMinutes, rows.size());
        long long pictures = 0, sent = 0;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (loaded && int(i) == kLoadMinute - 1)
                continue;
            pictures += rows[i].readers[r].pictures;
            sent += rows[i].readers[r].sent;
        }
        const bool delay = lastDelay <= firstDelay + 2.0;
        const bool complete = double(pictures) >= 0.99 * double(sent);
        met = met && delay && complete;
        std::printf("%s: delay median first %d minutes %.1f ms, last %d %.1f ms (target within "
                    "2): %s; pictures %lld of %lld outside the busy minute (target 99 %%): %s\n",
                    names[r], kWarmUpMinutes, firstDelay, kWarmUpMinutes, lastDelay,
                    delay ? "met" : "NOT MET", pictures, sent, complete ? "met" : "NOT MET");
        if (!loaded)
            continue;
        const Seen& busy = rows[kLoadMinute - 1].readers[r];
        const Seen& after = rows[kLoadMinute].readers[r];
        const bool dropped = busy.p95Ms < 1000.0;
        const bool back = after.medianMs <= firstDelay + 2.0;
        met = met && dropped && back;
        std::printf("%s under two busy loops: %d of %d pictures, delay p95 %.1f ms (target under "
                    "1000): %s; the minute after, median %.1f ms (target within 2 of the first "
                    "minutes'): %s\n",
                    names[r], busy.pictures, busy.sent, busy.p95Ms, dropped ? "met" : "NOT MET",
                    after.medianMs, back ? "met" : "NOT MET");
    }
    for (const Recording& recording : recordings) {
        // The warm-up's recording takes the first one's loading, as the warm-up takes the
        // program's; like the rest of the warm-up it is shown, not judged.
        if (recording.span.fromS < kWarmUpMinutes * 60) {
            std::printf("recording from %d s: in the warm-up, not judged\n", recording.span.fromS);
            continue;
        }
        met = met && recording.whole();
        std::printf("recording from %d s: %d of about %d pictures played from an %s MP4 (target "
                    "99 %%, all it wrote): %s\n",
                    recording.span.fromS, recording.played, recording.sent(),
                    recording.ordinary ? "ordinary" : "unfinished",
                    recording.whole() ? "met" : "NOT MET");
    }
    return met ? 0 : 1;
}
