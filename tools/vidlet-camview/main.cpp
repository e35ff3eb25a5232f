#include "softcam/CameraReader.h"
#include "tools/vidlet-camview/PipewireCameraReader.h"
#include "tools/vidlet-camview/Snapshot.h"
#include "tools/vidlet-camview/StreamWatch.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <cstdio>
#include <string>

namespace {

// Watches the camera for `seconds` (0: until killed), one report line per second. Exit code
// 1 when no camera appeared within `timeoutMs`.
template <typename Reader> int watch(Reader& reader, int seconds, int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    while (!reader.attach()) {
        if (waited.elapsed() >= timeoutMs) {
            std::fprintf(stderr,
                         "vidlet-camview: no camera found within %d ms (is Vidlet running?)\n",
                         timeoutMs);
            return 1;
        }
        QThread::msleep(20);
    }
    StreamWatch stats(stdout);
    QElapsedTimer run;
    run.start();
    qint64 nextReport = 1000;
    softcam::CameraFrame frame;
    while (seconds == 0 || run.elapsed() < qint64(seconds) * 1000) {
        // Polling every few milliseconds sees every frame of a camera up to a few hundred fps.
        if (reader.readNewFrame(frame))
            stats.add(frame, reader.frameRate());
        else
            QThread::msleep(2);
        if (run.elapsed() >= nextReport) {
            stats.report();
            nextReport += 1000;
        }
    }
    stats.summarize();
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vidlet-camview"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Reads the Vidlet camera. Without --snapshot it prints the size, the frame rate and, "
        "for stamped pictures, order and latency, once a second."));
    parser.addHelpOption();
    const QCommandLineOption snapshot(
        QStringLiteral("snapshot"),
        QStringLiteral("Save the current frame to <file> (PNG) and exit."), QStringLiteral("file"));
    const QCommandLineOption duration(
        QStringLiteral("duration"), QStringLiteral("Watch for <seconds>, 0 for ever (default 0)."),
        QStringLiteral("seconds"), QStringLiteral("0"));
    const QCommandLineOption timeout(
        QStringLiteral("timeout"),
        QStringLiteral("Wait at most <ms> for the camera (default 5000)."), QStringLiteral("ms"),
        QStringLiteral("5000"));
    const QCommandLineOption segment(
        QStringLiteral("segment"),
        QStringLiteral("Shared-memory segment of the camera (default: this user's)."),
        QStringLiteral("name"));
    const QCommandLineOption pipewire(
        QStringLiteral("pipewire"),
        QStringLiteral(
            "Read the camera's PipeWire node, as browsers do, instead of the shared memory."));
    parser.addOptions({snapshot, duration, timeout, segment, pipewire});
    parser.process(app);

    bool timeoutOk = false;
    bool durationOk = false;
    const int timeoutMs = parser.value(timeout).toInt(&timeoutOk);
    const int seconds = parser.value(duration).toInt(&durationOk);
    if (!timeoutOk || timeoutMs < 0 || !durationOk || seconds < 0) {
        std::fprintf(stderr, "vidlet-camview: --timeout and --duration take a whole number >= 0\n");
        return 2;
    }
    const auto read = [&](auto& reader) {
        return parser.isSet(snapshot) ? takeSnapshot(reader, parser.value(snapshot), timeoutMs)
                                      : watch(reader, seconds, timeoutMs);
    };
    if (parser.isSet(pipewire)) {
        PipewireCameraReader reader("vidlet-camera");
        return read(reader);
    }
    softcam::CameraReader reader(parser.isSet(segment) ? parser.value(segment).toStdString()
                                                       : softcam::defaultSegmentName());
    return read(reader);
}
