// Peak resident memory that a live session adds to the controller's process, with a phone at the
// largest size the live path takes (4096x2304) against the same phone at 1280x720, in the same
// run: the phone on Wi-Fi (its frames wait in the pacing queue), a program reading the camera
// (every picture converted and copied into the camera's segment) and a recording (its queue),
// each session for the same number of decoded pictures. Every stage holds a few frames of the
// stream's size, so the figure grows with it; it must stay bounded, not run into gigabytes.
// Target: the 4K session adds at most 600 MB.

#include "bench/BenchEnvironment.h"
#include "bench/BenchMode.h"
#include "bench/ProcessMemory.h"
#include "bench/WaitFor.h"
#include "controller/AppController.h"
#include "settings/AppSettings.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

constexpr double kBudgetMiB = 600;

// The resident memory the session at `size` added at its peak, in MiB; negative on failure.
double sessionPeakMiB(const BenchEnvironment& env, const QString& size, int pictures)
{
    static AppSettings settings; // in the bench's own folder
    QTemporaryDir recordings;
    ProcessMemory::resetPeak();
    const qint64 before = ProcessMemory::statusKiB("VmRSS:");
    AppController controller(
        settings,
        AppController::Places{0, UsbMuxEndpoint::unixSocket(env.absentUsbService()), env.folder()});
    controller.setRecordingFolder(recordings.path());
    controller.start();
    QFile tokenFile(env.folder() + QStringLiteral("/pairing-token.txt"));
    if (!controller.cameraReady() || !tokenFile.open(QIODevice::ReadOnly))
        return -1;
    QProcess phone;
    QProcess reader;
    phone.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    phone.start(BenchEnvironment::toolPath(QStringLiteral("vidlet-phone")),
                {QStringLiteral("--host"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"),
                 QString::number(controller.port()), QStringLiteral("--token"),
                 QString::fromUtf8(tokenFile.readAll()), QStringLiteral("--size"), size,
                 QStringLiteral("--fps"), QStringLiteral("30"), QStringLiteral("--jitter-ms"),
                 QStringLiteral("10"), QStringLiteral("--duration-ms"), QStringLiteral("180000")});
    reader.start(BenchEnvironment::toolPath(QStringLiteral("vidlet-camview")),
                 {QStringLiteral("--segment"), QString::fromStdString(env.cameraSegment()),
                  QStringLiteral("--duration"), QStringLiteral("180")});
    const auto stopProcesses = qScopeGuard([&] {
        for (QProcess* process : {&phone, &reader}) {
            process->kill();
            process->waitForFinished(3000);
        }
    });
    if (!waitFor([&] { return controller.live() && controller.framesDecoded() >= 5; }, 60000)) {
        std::fprintf(stderr, "the %s stream never went live\n", qPrintable(size));
        return -1;
    }
    controller.toggleRecording();
    const qulonglong from = controller.framesDecoded();
    const bool decoded =
        waitFor([&] { return controller.framesDecoded() >= from + qulonglong(pictures); }, 120000);
    const bool recorded = controller.recording();
    controller.toggleRecording();
    const double peak = double(ProcessMemory::statusKiB("VmHWM:") - before) / 1024.0;
    if (!decoded || !recorded) {
        std::fprintf(stderr, "the %s session stopped short\n", qPrintable(size));
        return -1;
    }
    return peak;
}

} // namespace

int main(int argc, char** argv)
{
    BenchEnvironment env;
    QGuiApplication app(argc, argv);
    BenchMode::read(argc, argv);
    if (!env.useOwnCamera())
        return 1;
    const int pictures = BenchMode::pick(90, 10);
    const QString small = QStringLiteral("1280x720");
    const QString large =
        BenchMode::isShort() ? QStringLiteral("1920x1080") : QStringLiteral("4096x2304");
    std::printf("Peak resident memory a live session adds (Wi-Fi queue, a camera reader, a "
                "recording), %d pictures each; %s\n",
                pictures, qPrintable(BenchEnvironment::machine()));
    const double baseline = sessionPeakMiB(env, small, pictures);
    const double largest = sessionPeakMiB(env, large, pictures);
    if (baseline < 0 || largest < 0)
        return 1;
    std::printf("  %-10s %7.1f MiB (baseline)\n  %-10s %7.1f MiB (%.2fx)   target <= %.0f MiB: "
                "%s\n",
                qPrintable(small), baseline, qPrintable(large), largest,
                baseline > 0 ? largest / baseline : 0.0, kBudgetMiB,
                largest <= kBudgetMiB ? "met" : "NOT MET");
    return 0;
}
