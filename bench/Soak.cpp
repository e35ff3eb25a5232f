// A soak of a whole call: the real Vidlet (offscreen, its window shown), a phone streaming
// 1920x1080 at 30 fps with 10 ms of network jitter, a program reading the camera's shared memory
// all along, and a second phone that comes for 30 s every 2 minutes. Once a minute it prints the
// program's resident memory, open descriptors, threads and CPU, the pictures the reader got
// against those the phone sent, and the delay from the phone's send to the reader (median,
// p95). It ends by itself and judges: resident memory after the first five minutes grows by at
// most 2 MB, descriptors and threads come back to the level of minute five, the delay of the
// last five minutes is within 2 ms of the first five's, and the reader got at least 99 % of the
// pictures. `--minutes N` (make soak: SOAK_MINUTES, 60 by default); runs under ten minutes
// judge nothing and only prove that the soak runs (make test runs one minute).

#include "bench/Percentile.h"
#include "softcam/CameraReader.h"
#include "tests/e2e/Processes.h"
#include "tools/common/FrameStamp.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

constexpr int kWarmUpMinutes = 5;
constexpr int kVisitorEveryMinutes = 2;

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
    explicit Reader(std::string segment)
        : thread([this, segment] { run(segment); })
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
    void run(const std::string& segment)
    {
        softcam::CameraReader reader(segment);
        softcam::CameraFrame frame;
        std::uint32_t newest = 0;
        bool any = false;
        while (running) {
            if (!reader.attach() || !reader.readNewFrame(frame)) {
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

struct Row {
    ProcessState state;
    int pictures = 0;
    int sent = 0;
    double medianMs = 0;
    double p95Ms = 0;
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
    // A camera of the soak's own, beside a Vidlet the user may be running.
    const std::string segment = "/vidlet-soak-" + std::to_string(::getpid());
    qputenv("VIDLET_CAMERA_SEGMENT", QByteArray::fromStdString(segment));
    VidletProcess vidlet;
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
    Reader reader(segment);
    std::unique_ptr<PhoneProcess> visitor;

    std::printf("soak: %d minutes; Vidlet (pid %lld) with a 1080p30 phone, jitter 10 ms, a "
                "shared-memory reader, a second phone for 30 s every %d minutes\n",
                minutes, pid, kVisitorEveryMinutes);
    std::printf("min   RSS MiB  fds thr  CPU %%  pictures/sent   delay median  p95 ms\n");
    std::fflush(stdout);
    std::vector<Row> rows;
    ProcessState last = stateOf(pid);
    int minute = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &app, [&] {
        ++minute;
        Row row;
        row.state = stateOf(pid);
        const Reader::Minute got = reader.take();
        row.pictures = got.pictures;
        row.sent = got.pictures ? int(got.last - got.first) + 1 : 0;
        row.medianMs = percentile(got.delaysMs, 0.5);
        row.p95Ms = percentile(got.delaysMs, 0.95);
        const double cpu = (row.state.cpuSeconds - last.cpuSeconds) / 60.0 * 100.0;
        last = row.state;
        std::printf("%3d  %8.1f %4d %3d %6.1f  %6d/%-6d   %8.1f %8.1f\n", minute,
                    double(row.state.rssKiB) / 1024.0, row.state.descriptors, row.state.threads,
                    cpu, row.pictures, row.sent, row.medianMs, row.p95Ms);
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
        if (minute == minutes || vidlet.process.state() != QProcess::Running)
            app.quit();
    });
    tick.start(60000);
    app.exec();

    if (vidlet.process.state() != QProcess::Running) {
        std::printf("Vidlet ended during the soak:\n%s\n", qPrintable(vidlet.log()));
        return 1;
    }
    if (minutes < 2 * kWarmUpMinutes) {
        std::printf("short soak: it only proves that the soak runs; nothing is judged\n");
        return rows.empty() || rows.back().pictures == 0 ? 1 : 0;
    }
    const Row& warm = rows[kWarmUpMinutes - 1];
    const Row& end = rows.back();
    const auto meanMedian = [&](std::size_t from, std::size_t to) {
        double sum = 0;
        for (std::size_t i = from; i < to; ++i)
            sum += rows[i].medianMs;
        return sum / double(to - from);
    };
    const double firstDelay = meanMedian(0, kWarmUpMinutes);
    const double lastDelay = meanMedian(rows.size() - kWarmUpMinutes, rows.size());
    long long pictures = 0, sent = 0;
    for (const Row& row : rows) {
        pictures += row.pictures;
        sent += row.sent;
    }
    const double growthMiB = double(end.state.rssKiB - warm.state.rssKiB) / 1024.0;
    const bool memory = growthMiB <= 2.0;
    const bool handles =
        end.state.descriptors <= warm.state.descriptors && end.state.threads <= warm.state.threads;
    const bool delay = lastDelay <= firstDelay + 2.0;
    const bool complete = double(pictures) >= 0.99 * double(sent);
    std::printf("memory after minute %d: %+.2f MiB (target <= 2): %s\n", kWarmUpMinutes, growthMiB,
                memory ? "met" : "NOT MET");
    std::printf("descriptors %d -> %d, threads %d -> %d: %s\n", warm.state.descriptors,
                end.state.descriptors, warm.state.threads, end.state.threads,
                handles ? "met" : "NOT MET");
    std::printf("delay median, first %d minutes %.1f ms, last %d %.1f ms (target within 2): %s\n",
                kWarmUpMinutes, firstDelay, kWarmUpMinutes, lastDelay, delay ? "met" : "NOT MET");
    std::printf("pictures %lld of %lld (target 99 %%): %s\n", pictures, sent,
                complete ? "met" : "NOT MET");
    return memory && handles && delay && complete ? 0 : 1;
}
