// Added latency of a live session, per frame, from the phone handing a whole VIDEO_FRAME to its
// socket to (a) the frame reaching SoftcamSink::sendFrame (the controller emits frameReady
// just after handing the frame to the sink, with only the preview's copy in between) and
// (b) the frame in the camera's shared memory, as a reader of the camera gets it, where the
// camera's own pacing adds its part, shown and judged on its own line.
// Over USB (through a vidlet-usbmuxd stand-in) frames skip the pacing queue; over Wi-Fi they
// wait in it, drained at the phone's rate by default or as soon as they may under "Low
// latency". The Wi-Fi sessions get the same network jitter: each frame leaves the phone up to
// 10 ms late, in order, and its time is taken when it leaves; one more gets, besides, 300 ms of
// silence every 3 s, after which the frames held arrive at once. Baseline, in the same run:
// H264Decoder alone on the same access units, so each frame's added latency is its latency
// less its own decode time. Besides the delay, the spread of the intervals between frames
// handed to the camera shows how smooth the motion is.
// The stream is 720p30 at 6000 kbit/s, stamped and encoded once before anything is timed.
// For information, the full run also has the Windows program under Wine read by a DirectShow
// program on the same three paths, from the phone's stamp (before its encoder) to the reader.
// Targets: USB adds at most 2 ms beyond decoding (median) and 3 ms (95th percentile); Wi-Fi by
// default smooths: the intervals between frames handed to the camera spread at most half as
// much as those the phone sent them at; after each silence its delay is back, within 2 s, to
// what jitter alone costs; Wi-Fi under "Low latency" adds at most 12 ms (median) and 25 ms (95th
// percentile). The camera's pacing adds at most 2 ms (median) and 5 ms (95th percentile) with
// the steady USB phone, and at most a frame period (95th percentile) with jitter. The phone runs
// at 30 fps by a clock slightly fast against the PC's (see BenchPhone), which is the hardest
// case for the pacing queue.

#include "bench/BenchEnvironment.h"
#include "settings/AppSettings.h"
#include "bench/BenchMode.h"
#include "bench/BenchPhone.h"
#include "bench/CameraWatch.h"
#include "bench/Percentile.h"
#include "bench/StampedStream.h"
#include "bench/WineReaderRuns.h"
#include "tests/pipewire/PrivateDesktop.h"
#include "controller/AppController.h"
#include "tools/common/FrameStamp.h"
#include "video/H264Decoder.h"

#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr int kFps = 30;
constexpr int kBitrateKbps = 6000;
// The first frames meet a cold decoder and a camera that has just switched from its card.
constexpr int kWarmUp = 10;
constexpr double kPeriodMs = 1000.0 / kFps;
// What the controller may add to decoding when no queue holds the frame.
constexpr double kOverheadBudgetMs = 2.0;
constexpr double kOverheadP95BudgetMs = 3.0;
constexpr int kJitterMs = 10;
constexpr int kStallMs = 300;
constexpr int kStallEveryMs = 3000;
// After a silence and its burst the delay is back to what jitter alone costs within this long.
constexpr int kRecoveryMs = 2000;
constexpr double kPacingMedianMs = 2.0;
constexpr double kPacingP95Ms = 5.0;
constexpr double kLowLatencyMedianMs = 12.0;
constexpr double kLowLatencyP95Ms = 25.0;

std::int64_t nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// One pass of H264Decoder alone over the stream, timed per access unit as the controller
// times its own decode calls. Empty when a picture is missing.
std::vector<double> decodePass(const StampedStream& stream)
{
    H264Decoder decoder;
    std::size_t pictures = 0;
    decoder.frameCallback = [&](const unsigned char*, int, int, unsigned long long) { ++pictures; };
    decoder.initialize(stream.width, stream.height);
    decoder.decode(reinterpret_cast<const unsigned char*>(stream.config.constData()),
                   std::size_t(stream.config.size()), 0);
    std::vector<double> ms;
    for (const StampedStream::Unit& unit : stream.units) {
        const std::int64_t begin = nowNs();
        decoder.decode(reinterpret_cast<const unsigned char*>(unit.annexB.constData()),
                       std::size_t(unit.annexB.size()), unit.ptsUsec);
        ms.push_back(double(nowNs() - begin) / 1e6);
    }
    return pictures == stream.units.size() ? ms : std::vector<double>();
}

// How one session is run, and what it left behind, per frame index.
struct PathRun {
    bool usb = false;
    bool lowLatency = false;
    int jitterMs = 0;
    int stallMs = 0; // Wi-Fi power saving: silent this long every kStallEveryMs

    std::vector<std::int64_t> sentNs;
    std::vector<std::int64_t> handedNs;     // frameReady, just after the sink got the frame
    std::vector<std::uint64_t> publishedNs; // the shared-memory reader's
    std::vector<std::uint64_t> pipewireNs;  // the PipeWire reader's; empty without PipeWire
    std::optional<bool> overUsb;            // how the phone came, seen with the first frame
};

// The usbmux stand-in, playing one phone on a cable whose app port is `phonePort`.
std::optional<quint16> startUsbService(QProcess& mux, quint16 phonePort)
{
    mux.start(BenchEnvironment::toolPath(QStringLiteral("vidlet-usbmuxd")),
              {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--device"),
               QStringLiteral("bench=127.0.0.1:%1").arg(phonePort)});
    static const QRegularExpression listening(
        QStringLiteral("listening on 127\\.0\\.0\\.1:(\\d+)"));
    QByteArray out;
    while (mux.waitForReadyRead(10000)) {
        out += mux.readAllStandardOutput();
        const auto match = listening.match(QString::fromUtf8(out));
        if (match.hasMatch())
            return quint16(match.captured(1).toUInt());
    }
    std::fprintf(stderr, "vidlet-usbmuxd did not start: %s\n", out.constData());
    return std::nullopt;
}

void stopUsbService(QProcess& mux)
{
    if (mux.state() == QProcess::NotRunning)
        return;
    mux.write("quit\n");
    if (!mux.waitForFinished(3000)) {
        mux.kill();
        mux.waitForFinished(3000);
    }
}

bool runPath(const StampedStream& stream, const BenchEnvironment& env, bool pipewire, PathRun& run)
{
    const bool usb = run.usb;
    BenchPhone phone(stream, run.jitterMs, run.stallMs, run.stallMs > 0 ? kStallEveryMs : 0);
    QProcess mux;
    UsbMuxEndpoint service = UsbMuxEndpoint::unixSocket(env.absentUsbService());
    if (usb) {
        const quint16 phonePort = phone.listenForTunnel();
        const auto muxPort = phonePort ? startUsbService(mux, phonePort) : std::nullopt;
        if (!muxPort)
            return false;
        service = UsbMuxEndpoint::tcp(*muxPort);
    }

    AppSettings settings; // in the bench's own folder
    AppController controller(settings, AppController::Places{0, service, env.folder()});
    controller.setLowLatency(run.lowLatency);
    run.handedNs.assign(stream.units.size(), 0);
    const auto onFrame = [&](const QImage& image) {
        // The time first: reading the stamp is the benchmark's own work.
        const std::int64_t now = nowNs();
        if (image.bytesPerLine() != image.width() * 3)
            return;
        const auto stamp = FrameStamp::decode(image.constBits(), image.width(), image.height());
        if (stamp && stamp->frame < run.handedNs.size() && run.handedNs[stamp->frame] == 0)
            run.handedNs[stamp->frame] = now;
        if (stamp && !run.overUsb) {
            const QVariantList phones = controller.phones();
            run.overUsb =
                !phones.isEmpty() && phones.first().toMap().value(QStringLiteral("usb")).toBool();
        }
    };
    QObject::connect(&controller, &AppController::frameReady, &controller, onFrame);
    controller.start();
    if (!controller.cameraReady()) {
        std::fprintf(stderr, "the controller has no camera: %s\n", qPrintable(controller.status()));
        return false;
    }

    CameraWatch camera(CameraWatch::sharedMemory(env.cameraSegment()), stream.units.size());
    std::optional<CameraWatch> node;
    if (pipewire)
        node.emplace(CameraWatch::pipewire(), stream.units.size());
    if (usb) {
        phone.startUsb();
    } else {
        QFile tokenFile(env.folder() + QStringLiteral("/pairing-token.txt"));
        if (!tokenFile.open(QIODevice::ReadOnly))
            return false;
        phone.startLan(quint16(controller.port()), QString::fromUtf8(tokenFile.readAll()));
    }

    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (phone.finished())
            loop.quit();
    });
    poll.start(20);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();

    const bool streamed = phone.wait();
    camera.stop();
    if (node)
        node->stop();
    stopUsbService(mux);
    if (!streamed) {
        std::fprintf(stderr, "the phone failed: %s\n", phone.error().c_str());
        return false;
    }
    run.sentNs = phone.sentNs();
    run.publishedNs = camera.publishedNs();
    if (node)
        run.pipewireNs = node->publishedNs();
    if (run.overUsb != usb) {
        std::fprintf(stderr, "the phone did not come over the transport asked for\n");
        return false;
    }
    return true;
}

void line(const char* what, const std::vector<double>& ms, const char* note = "")
{
    std::printf("  %-36s median %6.2f ms  p95 %6.2f ms  %s\n", what, percentile(ms, 0.5),
                percentile(ms, 0.95), note);
}

// The spread of the intervals between successive frames at `ns` (0: not seen), in ms.
std::vector<double> intervalsMs(const std::vector<std::int64_t>& ns)
{
    std::vector<double> intervals;
    std::int64_t last = 0;
    for (std::size_t i = kWarmUp; i < ns.size(); ++i) {
        if (ns[i] == 0)
            continue;
        if (last != 0)
            intervals.push_back(double(ns[i] - last) / 1e6);
        last = ns[i];
    }
    return intervals;
}

// The fewest and most new pictures a reader got in any second, in pictures per second.
std::pair<double, double> readerRate(const std::vector<std::uint64_t>& publishedNs)
{
    std::vector<std::uint64_t> times;
    for (std::size_t i = kWarmUp; i < publishedNs.size(); ++i)
        if (publishedNs[i] != 0)
            times.push_back(publishedNs[i]);
    std::sort(times.begin(), times.end());
    double fewest = 0;
    double most = 0;
    std::size_t j = 0;
    for (std::size_t i = 0; i < times.size(); ++i) {
        while (j + 1 < times.size() && times[j + 1] - times[i] <= 1'000'000'000)
            ++j;
        if (times[j] - times[i] < 900'000'000)
            break;
        const double rate = double(j - i) * 1e9 / double(times[j] - times[i]);
        fewest = i == 0 ? rate : std::min(fewest, rate);
        most = std::max(most, rate);
    }
    return {fewest, most};
}

// The median added delay of the frames that left the phone at least kRecoveryMs after a
// silence ended and before the next began; NaN when the stream had none (short mode).
double settledAfterSilences(const std::vector<double>& addedByFrame)
{
    std::vector<double> settled;
    for (std::size_t i = kWarmUp; i < addedByFrame.size(); ++i) {
        const auto made = std::int64_t(double(i) * kPeriodMs);
        const std::int64_t sinceSilence = made % kStallEveryMs;
        const bool afterOne = made >= kStallEveryMs;
        if (afterOne && sinceSilence >= kRecoveryMs && sinceSilence < kStallEveryMs - kStallMs
            && !std::isnan(addedByFrame[i]))
            settled.push_back(addedByFrame[i]);
    }
    return percentile(settled, 0.5);
}

// What one reader of the camera saw: the delay from the phone to the reader, its worst second,
// the pictures it got and how evenly they came.
void reportReader(const char* what, const PathRun& run, const std::vector<std::uint64_t>& got)
{
    std::vector<double> delay;
    std::vector<double> perSecond;
    double worstSecond = 0;
    std::size_t pictures = 0;
    for (std::size_t i = kWarmUp; i < run.sentNs.size(); ++i) {
        if (run.sentNs[i] != 0 && got[i] != 0) {
            delay.push_back((double(got[i]) - double(run.sentNs[i])) / 1e6);
            perSecond.push_back(delay.back());
            ++pictures;
        }
        if ((i + 1) % std::size_t(kFps) == 0 || i + 1 == run.sentNs.size()) {
            if (!perSecond.empty())
                worstSecond = std::max(worstSecond, percentile(perSecond, 0.5));
            perSecond.clear();
        }
    }
    const std::vector<std::int64_t> times(got.begin(), got.end());
    const std::vector<double> intervals = intervalsMs(times);
    const auto [fewest, most] = readerRate(got);
    std::printf("  %s: %zu of %zu pictures; phone to reader median %6.2f ms  p95 %6.2f ms, worst "
                "second's median %6.2f ms; intervals spread p95-p5 %6.2f ms; %.1f to %.1f new "
                "pictures per second\n",
                what, pictures, run.sentNs.size() - kWarmUp, percentile(delay, 0.5),
                percentile(delay, 0.95), worstSecond,
                percentile(intervals, 0.95) - percentile(intervals, 0.05), fewest, most);
}

// Prints the path's figures; true when it meets its target. `jitterOnlyMedian`, the median
// added delay of the same network without silences, is what a path with silences must come
// back to.
bool report(const char* name, const PathRun& run, const std::vector<double>& decodeMs,
            double jitterOnlyMedian = std::nan(""))
{
    std::vector<double> addedByFrame(run.sentNs.size(), std::nan(""));
    std::vector<double> toSink, added, toCamera, pacing;
    for (std::size_t i = kWarmUp; i < run.sentNs.size(); ++i) {
        if (run.sentNs[i] == 0)
            continue;
        const double sent = double(run.sentNs[i]);
        if (run.handedNs[i] != 0) {
            toSink.push_back((double(run.handedNs[i]) - sent) / 1e6);
            added.push_back(toSink.back() - decodeMs[i]);
            addedByFrame[i] = added.back();
        }
        if (run.publishedNs[i] != 0) {
            toCamera.push_back((double(run.publishedNs[i]) - sent) / 1e6);
            if (run.handedNs[i] != 0)
                pacing.push_back(toCamera.back() - toSink.back());
        }
    }
    const std::size_t measured = run.sentNs.size() - kWarmUp;
    std::printf("%s: %zu of %zu frames reached the sink, %zu the camera\n", name, toSink.size(),
                measured, toCamera.size());
    const double median = percentile(added, 0.5);
    const double p95 = percentile(added, 0.95);
    // Smoothness: how far the intervals between frames stray from one another.
    const auto spread = [](const std::vector<double>& intervals) {
        return percentile(intervals, 0.95) - percentile(intervals, 0.05);
    };
    const std::vector<double> handed = intervalsMs(run.handedNs);
    bool met = false;
    char verdict[96] = "";
    char smoothness[96] = "";
    if (run.usb) {
        met = median <= kOverheadBudgetMs && p95 <= kOverheadP95BudgetMs;
        std::snprintf(verdict, sizeof verdict, "target median <= %.1f, p95 <= %.1f ms: %s",
                      kOverheadBudgetMs, kOverheadP95BudgetMs, met ? "met" : "NOT MET");
    } else if (run.lowLatency) {
        met = median <= kLowLatencyMedianMs && p95 <= kLowLatencyP95Ms;
        std::snprintf(verdict, sizeof verdict, "target median <= %.0f, p95 <= %.0f ms: %s",
                      kLowLatencyMedianMs, kLowLatencyP95Ms, met ? "met" : "NOT MET");
    } else if (run.stallMs > 0) {
        const double settled = settledAfterSilences(addedByFrame);
        met = std::isnan(settled) || settled <= jitterOnlyMedian + 3;
        std::snprintf(verdict, sizeof verdict,
                      "%.0f s after each silence, median %.2f ms; target <= %.2f + 3 ms: %s",
                      kRecoveryMs / 1000.0, settled, jitterOnlyMedian,
                      std::isnan(settled) ? "not measured (too short)"
                          : met           ? "met"
                                          : "NOT MET");
    } else {
        const double phoneSpread = spread(intervalsMs(run.sentNs));
        met = spread(handed) <= phoneSpread / 2;
        std::snprintf(smoothness, sizeof smoothness, "target <= half the phone's %.2f ms: %s",
                      phoneSpread, met ? "met" : "NOT MET");
    }
    line("sent -> SoftcamSink::sendFrame", toSink);
    line("added beyond decode", added, verdict);
    line("sent -> camera shared memory", toCamera);
    // The camera's pacing thread sends a new frame at once unless that outruns its rate: with a
    // steady phone it adds at most 2 ms (median) and 5 ms (95th percentile), with jitter at
    // most a frame period (95th percentile).
    const double pacingMedian = percentile(pacing, 0.5);
    const double pacingP95 = percentile(pacing, 0.95);
    const bool pacingMet = run.jitterMs == 0
        ? pacingMedian <= kPacingMedianMs && pacingP95 <= kPacingP95Ms
        : pacingP95 <= kPeriodMs;
    char pacingVerdict[96];
    if (run.jitterMs == 0)
        std::snprintf(pacingVerdict, sizeof pacingVerdict,
                      "target median <= %.0f, p95 <= %.0f ms: %s", kPacingMedianMs, kPacingP95Ms,
                      pacingMet ? "met" : "NOT MET");
    else
        std::snprintf(pacingVerdict, sizeof pacingVerdict, "target p95 <= %.1f ms: %s", kPeriodMs,
                      pacingMet ? "met" : "NOT MET");
    line("of which the camera's pacing", pacing, pacingVerdict);
    // A backlog in the pacing queue drains only as fast as the timer outruns the phone, so
    // the first and the last second of the stream tell whether one built up.
    const auto second = std::size_t(kFps);
    if (added.size() >= 2 * second) {
        std::printf("  %-36s first second %6.2f ms  last second %6.2f ms\n",
                    "added beyond decode, median",
                    percentile({added.begin(), added.begin() + second}, 0.5),
                    percentile({added.end() - second, added.end()}, 0.5));
    }
    std::printf("  %-36s p5 %6.2f  median %6.2f  p95 %6.2f ms, spread p95-p5 %6.2f ms %s\n",
                "interval between frames to the sink", percentile(handed, 0.05),
                percentile(handed, 0.5), percentile(handed, 0.95), spread(handed), smoothness);
    reportReader("shared-memory reader", run, run.publishedNs);
    if (!run.pipewireNs.empty())
        reportReader("PipeWire reader", run, run.pipewireNs);
    return toSink.size() >= measured * 9 / 10 && met && pacingMet;
}

// The Windows program's figures, for information: Wine is not Windows.
void readUnderWine(int frames)
{
    if (BenchMode::isShort()) {
        std::printf("DirectShow reader under Wine: not in the short run (it starts Wine and the "
                    "whole program three times)\n");
        return;
    }
    const QByteArray given = qgetenv("VIDLET_WIN_BUILD");
    const QString winBuild = given.isEmpty() ? QStringLiteral(VIDLET_SOURCE_DIR "/build-win")
                                             : QString::fromLocal8Bit(given);
    std::vector<WineReaderRun> runs;
    QString why;
    if (!WineReaderRun::runAll(winBuild, frames, runs, why)) {
        std::printf("DirectShow reader under Wine: not measured, %s\n", qPrintable(why));
        return;
    }
    std::printf("Vidlet.exe under Wine, a DirectShow reader looking every 5 ms, from the phone's "
                "stamp (for information):\n");
    for (const WineReaderRun& wine : runs) {
        PathRun run;
        run.sentNs = wine.stampedNs;
        const QByteArray what = wine.path.toUtf8();
        reportReader(what.constData(), run, wine.readNs);
    }
}

} // namespace

int main(int argc, char** argv)
{
    BenchEnvironment env;
    QGuiApplication app(argc, argv);
    BenchMode::read(argc, argv);
    if (!env.useOwnCamera())
        return 1;
    // A PipeWire reader reads the camera's node in a desktop session of the benchmark's own.
    PrivateDesktop desktop;
    const bool pipewire = desktop.start();
    if (!pipewire)
        std::printf("no PipeWire reader: %s\n", qPrintable(desktop.why()));
    const int frames = BenchMode::pick(300, 40);
    std::printf("Session latency, %dx%d %d fps %d kbit/s, %d frames (first %d left out); %s\n",
                kWidth, kHeight, kFps, kBitrateKbps, frames, kWarmUp,
                qPrintable(BenchEnvironment::machine()));

    StampedStream stream;
    if (!stream.make(kWidth, kHeight, kFps, kBitrateKbps, frames))
        return 1;

    // The decoder's own time is taken in passes between the sessions, so that whatever else
    // the machine does meanwhile weighs on baseline and sessions alike.
    PathRun usb, wifi, lowLatency, silences;
    usb.usb = true;
    wifi.jitterMs = kJitterMs;
    silences.jitterMs = kJitterMs;
    silences.stallMs = kStallMs;
    lowLatency.jitterMs = kJitterMs;
    lowLatency.lowLatency = true;
    std::vector<std::vector<double>> passes{decodePass(stream)};
    for (PathRun* run : {&wifi, &lowLatency, &usb, &silences}) {
        if (!runPath(stream, env, pipewire, *run))
            return 1;
        passes.push_back(decodePass(stream));
    }

    std::vector<double> decodeMs(stream.units.size());
    for (std::size_t i = 0; i < decodeMs.size(); ++i) {
        std::vector<double> samples;
        for (const auto& pass : passes) {
            if (pass.size() != decodeMs.size()) {
                std::fprintf(stderr, "the decoder alone lost pictures\n");
                return 1;
            }
            samples.push_back(pass[i]);
        }
        decodeMs[i] = percentile(samples, 0.5);
    }
    line("H264Decoder alone (baseline)",
         std::vector<double>(decodeMs.begin() + kWarmUp, decodeMs.end()));
    const bool usbMet = report("USB (no pacing queue)", usb, decodeMs);
    const bool wifiMet = report("Wi-Fi, default pacing, up to 10 ms of jitter", wifi, decodeMs);
    std::vector<double> wifiAdded;
    for (std::size_t i = kWarmUp; i < wifi.sentNs.size(); ++i)
        if (wifi.sentNs[i] != 0 && wifi.handedNs[i] != 0)
            wifiAdded.push_back(double(wifi.handedNs[i] - wifi.sentNs[i]) / 1e6 - decodeMs[i]);
    const bool silencesMet = report("Wi-Fi, default pacing, jitter and 300 ms silences every 3 s",
                                    silences, decodeMs, percentile(wifiAdded, 0.5));
    const bool lowMet =
        report("Wi-Fi, \"Low latency\", up to 10 ms of jitter", lowLatency, decodeMs);
    std::printf("targets: %s\n", usbMet && wifiMet && lowMet && silencesMet ? "met" : "NOT MET");
    readUnderWine(frames);
    return 0;
}
