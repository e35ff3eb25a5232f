#include "H264TestDecoder.h"
#include "PcPeer.h"

#include "tools/common/FrameStamp.h"
#include "tools/vidlet-phone/LinkFramer.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QtEndian>
#include <QtTest>

#include <memory>
#include <optional>

extern "C" {
#include <libavutil/log.h>
}

namespace {

// The message types, as the phone simulator writes them.
using enum LinkFramer::Type;

const QJsonObject kWelcome{{"v", 1}, {"sessionId", "dev"}, {"active", false}};

quint64 ptsOf(const PcPeer::Frame& frame)
{
    return qFromLittleEndian<quint64>(frame.payload.constData());
}

// NAL unit types present in an Annex B chunk.
QList<int> nalTypes(const QByteArray& annexB)
{
    QList<int> types;
    for (qsizetype at = annexB.indexOf(QByteArray("\x00\x00\x01", 3));
         at >= 0 && at + 3 < annexB.size();
         at = annexB.indexOf(QByteArray("\x00\x00\x01", 3), at + 3))
        types.append(annexB[at + 3] & 0x1F);
    return types;
}

// A phone left running by a failed check is killed, not leaked.
struct KillPhone {
    void operator()(QProcess* phone) const
    {
        if (phone->state() != QProcess::NotRunning) {
            phone->kill();
            phone->waitForFinished();
        }
        delete phone;
    }
};
using Phone = std::unique_ptr<QProcess, KillPhone>;

} // namespace

// vidlet-phone started as a real process against a PC side written in the test.
class VidletPhoneTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { av_log_set_level(AV_LOG_ERROR); }
    void lanSessionFollowsThePc();
    void rejectEndsWithItsCode_data();
    void rejectEndsWithItsCode();
    void connectionFailures_data();
    void connectionFailures();
    void noByeClosesSilently();
    void jitterHoldsVideoBackInOrder();
    void streamInfoCanAnnounceAnotherSize();
    void noStampLeavesThePicturePlain();
    void stalledPcCostsFramesNotMemory();
    void pauseStopsVideoButNotControl();
    void usbModeWaitsForPairInfo_data();
    void usbModeWaitsForPairInfo();
    void usbTunnelLossKeepsListening();
    void readsPairingTokenFile();
    void refusesBadArguments_data();
    void refusesBadArguments();

private:
    Phone startPhone(const QStringList& arguments);
    // A 320 x 240 phone on `pc`, welcomed and made active; false when it never said HELLO.
    bool startActivePhone(PcPeer& pc, const QStringList& arguments, Phone& phone);
    static bool finishes(QProcess& phone, int timeoutMs = 10000);
    // The first picture the phone on `pc` sends, decoded from its headers and first frame.
    static std::optional<H264TestDecoder::Picture> firstPicture(PcPeer& pc);
};

std::optional<H264TestDecoder::Picture> VidletPhoneTest::firstPicture(PcPeer& pc)
{
    H264TestDecoder decoder;
    const auto config = pc.nextOfType(VideoConfig);
    const auto frame = pc.nextOfType(VideoFrame);
    if (!config || !frame)
        return std::nullopt;
    decoder.decode(config->payload);
    auto pictures = decoder.decode(frame->payload.mid(8));
    if (pictures.size() != 1)
        return std::nullopt;
    return std::move(pictures[0]);
}

Phone VidletPhoneTest::startPhone(const QStringList& arguments)
{
    Phone phone(new QProcess);
    phone->setProgram(qEnvironmentVariable("VIDLET_BIN_DIR") + QStringLiteral("/vidlet-phone"));
    phone->setArguments(arguments);
    phone->start();
    if (!phone->waitForStarted())
        qWarning("cannot start %s", qPrintable(phone->program()));
    return phone;
}

bool VidletPhoneTest::startActivePhone(PcPeer& pc, const QStringList& arguments, Phone& phone)
{
    phone = startPhone(QStringList{"--port", QString::number(pc.listen()), "--size", "320x240"}
                       + arguments);
    if (!pc.waitForPhone() || !pc.next())
        return false;
    pc.send(Welcome, kWelcome);
    pc.send(SetActive, QJsonObject{{"active", true}});
    return true;
}

bool VidletPhoneTest::finishes(QProcess& phone, int timeoutMs)
{
    const bool done =
        QTest::qWaitFor([&] { return phone.state() == QProcess::NotRunning; }, timeoutMs);
    if (!done) {
        phone.kill();
        phone.waitForFinished();
    }
    return done && phone.exitStatus() == QProcess::NormalExit;
}

// The whole life of a LAN phone: HELLO, silence until made active, a decodable stamped
// stream, PONG echoes, stop and restart on SET_ACTIVE, and BYE at the end.
void VidletPhoneTest::lanSessionFollowsThePc()
{
    PcPeer pc;
    const quint16 port = pc.listen();
    auto phone = startPhone({"--port",        QString::number(port),
                             "--token",       "tok-123",
                             "--device-id",   "dev-42",
                             "--name",        "Desk Phone",
                             "--model",       "Pixel 9",
                             "--os",          "Android 15",
                             "--size",        "320x240",
                             "--fps",         "30",
                             "--bitrate",     "800",
                             "--duration-ms", "2500"});
    QVERIFY(pc.waitForPhone());

    const auto hello = pc.next();
    QVERIFY(hello);
    QCOMPARE(hello->type, Hello);
    const QJsonObject h = hello->json();
    QCOMPARE(h.value("v").toInt(), 1);
    QCOMPARE(h.value("token").toString(), "tok-123");
    QCOMPARE(h.value("deviceId").toString(), "dev-42");
    QCOMPARE(h.value("name").toString(), "Desk Phone");
    QCOMPARE(h.value("modelName").toString(), "Pixel 9");
    QCOMPARE(h.value("osVersion").toString(), "Android 15");

    pc.send(Welcome, kWelcome);
    // Not active yet: nothing but answers.
    pc.send(Ping, QByteArray("\x00\x01\xff", 3));
    const auto pong = pc.next();
    QVERIFY(pong);
    QCOMPARE(pong->type, Pong);
    QCOMPARE(pong->payload, QByteArray("\x00\x01\xff", 3));

    // The PC writes these two back to back; one key frame answers both.
    pc.sendRaw(PcPeer::frame(SetActive, QJsonObject{{"active", true}})
               + PcPeer::frame(KeyframeRequest, QJsonObject{}));
    const auto info = pc.next();
    QVERIFY(info);
    QCOMPARE(info->type, StreamInfo);
    QCOMPARE(info->json().value("width").toInt(), 320);
    QCOMPARE(info->json().value("height").toInt(), 240);
    QCOMPARE(info->json().value("fps").toInt(), 30);
    const auto config = pc.next();
    QVERIFY(config);
    QCOMPARE(config->type, VideoConfig);
    QVERIFY(config->payload.startsWith(QByteArray("\x00\x00\x00\x01", 4)));
    QCOMPARE(nalTypes(config->payload), (QList<int>{7, 8}));

    H264TestDecoder decoder;
    QVERIFY(decoder.isOpen());
    QVERIFY(decoder.decode(config->payload).empty());
    qint64 lastPts = -1;
    qint64 lastStamp = -1;
    int keyframes = 0;
    const auto takeFrames = [&](int count, bool firstIsKey) {
        for (int i = 0; i < count; ++i) {
            const auto frame = pc.nextOfType(VideoFrame);
            QVERIFY(frame);
            QVERIFY(frame->payload.size() > 8);
            QVERIFY(qint64(ptsOf(*frame)) > lastPts);
            lastPts = qint64(ptsOf(*frame));
            if (i == 0 && firstIsKey) {
                QCOMPARE(frame->flags & 1, 1);
                QVERIFY(nalTypes(frame->payload.mid(8)).contains(5));
            }
            QCOMPARE(bool(frame->flags & 1), nalTypes(frame->payload.mid(8)).contains(5));
            keyframes += frame->flags & 1;
            const auto pictures = decoder.decode(frame->payload.mid(8));
            QCOMPARE(int(pictures.size()), 1);
            QCOMPARE(pictures[0].width, 320);
            const auto stamp = FrameStamp::decode(pictures[0].bgr.data(), 320, 240);
            QVERIFY(stamp);
            QVERIFY(qint64(stamp->frame) > lastStamp);
            lastStamp = stamp->frame;
            const quint64 now = FrameStamp::nowUsec();
            QVERIFY(stamp->timeUsec <= now && now - stamp->timeUsec < 5000000);
        }
    };
    takeFrames(8, true);
    if (QTest::currentTestFailed())
        return;

    QCOMPARE(keyframes, 1);

    pc.send(Ping, QJsonObject{{"t", 1234}});
    const auto echo = pc.nextOfType(Pong);
    QVERIFY(echo);
    QCOMPARE(echo->payload, QByteArray(R"({"t":1234})"));

    // A key frame on request, within the frame or two already on their way.
    keyframes = 0;
    pc.send(KeyframeRequest, QJsonObject{});
    takeFrames(3, false);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(keyframes, 1);

    // Inactive: the video stops once the phone has read that (a frame already on its way
    // may still come, ahead of the answer to a PING sent behind).
    const auto deactivate = [&] {
        pc.send(SetActive, QJsonObject{{"active", false}});
        pc.send(Ping, QJsonObject{{"t", 1}});
        const auto answer = pc.nextOfType(Pong);
        QVERIFY(answer);
        QCOMPARE(answer->json().value("t").toInt(), 1);
    };
    deactivate();
    if (QTest::currentTestFailed())
        return;

    // Active again: announced and restarted from an IDR, the time line going on.
    pc.send(SetActive, QJsonObject{{"active", true}});
    pc.send(KeyframeRequest, QJsonObject{});
    const auto again = pc.next();
    QVERIFY(again);
    QCOMPARE(again->type, StreamInfo);
    const auto config2 = pc.next();
    QVERIFY(config2);
    QCOMPARE(config2->type, VideoConfig);
    takeFrames(5, true);
    if (QTest::currentTestFailed())
        return;

    // Inactive until the session's end: nothing but BYE comes after the answer.
    deactivate();
    if (QTest::currentTestFailed())
        return;
    const auto last = pc.next(5000);
    QVERIFY(last);
    QCOMPARE(last->type, Bye);
    QVERIFY(pc.waitForClosed());
    QVERIFY(finishes(*phone));
    QCOMPARE(phone->exitCode(), 0);
}

void VidletPhoneTest::rejectEndsWithItsCode_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<QString>("code");
    QTest::newRow("unpaired") << 1 << "NEEDS_PAIR";
    QTest::newRow("future version") << 2 << "VERSION_MISMATCH";
    QTest::newRow("already on USB") << 1 << "DUPLICATE";
}

void VidletPhoneTest::rejectEndsWithItsCode()
{
    QFETCH(int, version);
    QFETCH(QString, code);
    PcPeer pc;
    auto phone = startPhone({"--port", QString::number(pc.listen()), "--protocol",
                             QString::number(version), "--size", "320x240"});
    QVERIFY(pc.waitForPhone());
    const auto hello = pc.next();
    QVERIFY(hello);
    QCOMPARE(hello->json().value("v").toInt(), version);
    pc.send(Reject, QJsonObject{{"code", code}, {"message", "Scan the QR to pair"}});
    pc.close();
    QVERIFY(finishes(*phone));
    QCOMPARE(phone->exitCode(), 3);
    QVERIFY(phone->readAllStandardError().contains(("REJECT " + code).toUtf8()));
}

void VidletPhoneTest::connectionFailures_data()
{
    QTest::addColumn<QString>("pc");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("nobody listening") << "none" << 2;
    QTest::newRow("PC hangs up after WELCOME") << "hangup" << 4;
    QTest::newRow("PC announces 16 MiB + 1") << "oversized" << 4;
}

void VidletPhoneTest::connectionFailures()
{
    QFETCH(QString, pc);
    QFETCH(int, exitCode);
    PcPeer peer;
    quint16 port = peer.listen();
    std::optional<PcPeer> closed;
    if (pc == "none") {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        port = probe.serverPort();
    }
    auto phone = startPhone({"--port", QString::number(port), "--size", "320x240"});
    if (pc != "none") {
        QVERIFY(peer.waitForPhone());
        QVERIFY(peer.next());
        peer.send(Welcome, kWelcome);
        if (pc == "hangup")
            peer.close();
        else
            peer.sendRaw(QByteArray("\x02\x00\x01\x00\x00\x01", 6));
    }
    QVERIFY(finishes(*phone));
    QCOMPARE(phone->exitCode(), exitCode);
}

void VidletPhoneTest::noByeClosesSilently()
{
    PcPeer pc;
    Phone phone;
    QVERIFY(startActivePhone(pc, {"--frames", "5", "--no-bye"}, phone));
    int frames = 0;
    while (const auto frame = pc.next(3000)) {
        QVERIFY(frame->type != Bye);
        frames += frame->type == VideoFrame;
    }
    QCOMPARE(frames, 5);
    QVERIFY(pc.waitForClosed());
    QVERIFY(finishes(*phone));
    QCOMPARE(phone->exitCode(), 0);
}

// The simulated network lets frames arrive late and then together, never out of order, and
// everything it holds arrives before BYE.
void VidletPhoneTest::jitterHoldsVideoBackInOrder()
{
    PcPeer pc;
    Phone phone;
    QVERIFY(startActivePhone(pc, {"--frames", "12", "--jitter-ms", "300"}, phone));
    qint64 lastPts = -1;
    int frames = 0;
    int together = 0; // frames that came in the same read as the frame before
    bool withTheLast = false;
    bool bye = false;
    while (const auto frame = pc.next(3000)) {
        bye = frame->type == Bye;
        if (bye)
            break;
        if (frame->type != VideoFrame)
            continue;
        QVERIFY(qint64(ptsOf(*frame)) > lastPts);
        lastPts = qint64(ptsOf(*frame));
        together += frames++ > 0 && withTheLast;
        withTheLast = pc.holdsWholeFrame();
    }
    QVERIFY(bye);
    QCOMPARE(frames, 12);
    QVERIFY2(together > 0, "no frame was held back behind another");
    QVERIFY(finishes(*phone));
    QCOMPARE(phone->exitCode(), 0);
}

void VidletPhoneTest::noStampLeavesThePicturePlain()
{
    PcPeer pc;
    Phone phone;
    QVERIFY(startActivePhone(pc, {"--frames", "2", "--no-stamp"}, phone));
    const auto picture = firstPicture(pc);
    QVERIFY(picture);
    QVERIFY(!FrameStamp::decode(picture->bgr.data(), 320, 240));
    QVERIFY(finishes(*phone));
}

void VidletPhoneTest::streamInfoCanAnnounceAnotherSize()
{
    PcPeer pc;
    Phone phone;
    QVERIFY(startActivePhone(pc, {"--stream-info", "640x480", "--frames", "3"}, phone));
    const auto info = pc.nextOfType(StreamInfo);
    QVERIFY(info);
    QCOMPARE(info->json().value("width").toInt(), 640);
    QCOMPARE(info->json().value("height").toInt(), 480);
    const auto picture = firstPicture(pc);
    QVERIFY(picture);
    QCOMPARE(picture->width, 320);
    QCOMPARE(picture->height, 240);
    QVERIFY(pc.nextOfType(Bye));
    QVERIFY(finishes(*phone));
    QCOMPARE(phone->exitCode(), 0);
}

// A PC that stops reading: the phone drops frames instead of queueing them without end, and
// restarts with an IDR, so that every frame the PC does get decodes.
void VidletPhoneTest::stalledPcCostsFramesNotMemory()
{
    PcPeer pc;
    const quint16 port = pc.listen(4096);
    QVERIFY(port != 0);
    constexpr int fps = 30;
    auto phone = startPhone({"--port", QString::number(port), "--size", "640x360", "--bitrate",
                             "2000", "--gop", "100000", "--fps", QString::number(fps),
                             "--duration-ms", "6000", "--verbose"});
    QVERIFY(pc.waitForPhone());
    QVERIFY(pc.next());
    pc.send(Welcome, kWelcome);
    pc.sendRaw(PcPeer::frame(SetActive, QJsonObject{{"active", true}})
               + PcPeer::frame(KeyframeRequest, QJsonObject{}));
    QList<PcPeer::Frame> video;
    H264TestDecoder decoder;
    while (video.isEmpty()) {
        const auto frame = pc.next();
        QVERIFY(frame);
        if (frame->type == VideoConfig)
            decoder.decode(frame->payload);
        if (frame->type == VideoFrame)
            video.append(*frame);
    }
    pc.setReading(false);
    QByteArray said;
    QVERIFY(QTest::qWaitFor(
        [&] {
            said += phone->readAllStandardOutput();
            return said.contains("dropping video");
        },
        8000));
    pc.setReading(true); // at least the frame it said that of is lost

    bool bye = false;
    while (const auto frame = pc.next(3000)) {
        bye = frame->type == Bye;
        if (bye)
            break;
        if (frame->type == VideoFrame)
            video.append(*frame);
    }
    QVERIFY(bye);
    // Past the first, key frames come only where the time line skips frames that were dropped:
    // the phone restarts with one after each drop, and every frame the PC gets decodes.
    QCOMPARE(video.first().flags & 1, 1);
    qsizetype restartAt = 0;
    for (qsizetype i = 0; i < video.size(); ++i) {
        if (i > 0 && (video[i].flags & 1)) {
            QVERIFY(ptsOf(video[i]) - ptsOf(video[i - 1]) > 1000000 / fps);
            restartAt = restartAt ? restartAt : i;
        }
        const auto pictures = decoder.decode(video[i].payload.mid(8));
        QCOMPARE(int(pictures.size()), 1);
        QVERIFY(FrameStamp::decode(pictures[0].bgr.data(), 640, 360));
    }
    QVERIFY(restartAt > 0 && restartAt + 5 < video.size());
    QVERIFY(finishes(*phone));
    QCOMPARE(phone->exitCode(), 0);
}

// The pause is a gap in the video the length of --pause-ms on the phone's clock; PINGs are
// still answered in it.
void VidletPhoneTest::pauseStopsVideoButNotControl()
{
    PcPeer pc;
    auto phone =
        startPhone({"--port", QString::number(pc.listen()), "--size", "320x240", "--pause-at-ms",
                    "200", "--pause-ms", "600", "--duration-ms", "1200", "--verbose"});
    QVERIFY(pc.waitForPhone());
    QVERIFY(pc.next());
    pc.send(Welcome, kWelcome);
    pc.send(SetActive, QJsonObject{{"active", true}});

    QList<quint64> video;
    qsizetype afterPong = -1; // the index of the first video frame after the PONG
    QByteArray said;
    bool pinged = false;
    bool bye = false;
    QDeadlineTimer deadline(10000);
    while (!bye && !deadline.hasExpired()) {
        if (!pinged && (said += phone->readAllStandardOutput()).contains("video paused")) {
            pinged = true;
            pc.send(Ping, QByteArray("pause?"));
        }
        const auto frame = pc.next(pinged ? 5000 : 20);
        if (!frame) {
            QVERIFY(!pinged);
            continue;
        }
        bye = frame->type == Bye;
        if (frame->type == VideoFrame)
            video.append(ptsOf(*frame));
        if (frame->type == Pong) {
            QCOMPARE(frame->payload, QByteArray("pause?"));
            afterPong = video.size();
        }
    }
    QVERIFY(bye);
    QVERIFY(afterPong > 0);
    // The presentation times jump over the pause as a camera's clock would, and the PONG
    // came in that jump.
    qsizetype gapAt = 1;
    for (qsizetype i = 1; i < video.size(); ++i)
        if (video[i] - video[i - 1] > video[gapAt] - video[gapAt - 1])
            gapAt = i;
    QVERIFY(video[gapAt] - video[gapAt - 1] >= 500000);
    QCOMPARE(afterPong, gapAt);
    QVERIFY(video.size() - gapAt >= 5);
    QVERIFY(finishes(*phone));
    QCOMPARE(phone->exitCode(), 0);
}

namespace {

// USB mode prints the port it listens on; 0 on the command line lets the system choose.
quint16 listeningPort(QProcess& phone)
{
    QByteArray out;
    const bool printed = QTest::qWaitFor(
        [&] {
            out += phone.readAllStandardOutput();
            return out.contains('\n');
        },
        10000);
    if (!printed)
        return 0;
    const QByteArray marker("listening on 127.0.0.1:");
    const qsizetype at = out.indexOf(marker);
    return at < 0 ? 0 : quint16(out.mid(at + marker.size()).trimmed().toUInt());
}

void pairOverUsb(PcPeer& tunnel, const QString& token)
{
    tunnel.send(PairInfo, QJsonObject{{"token", token}, {"pcName", "DESK"}, {"transport", "usb"}});
}

} // namespace

void VidletPhoneTest::usbModeWaitsForPairInfo_data()
{
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<QString>("expectedToken");
    QTest::newRow("token from PAIR_INFO") << QStringList() << "AbCdEfGhIjKlMnOpQrStUv";
    QTest::newRow("--token wins") << QStringList{"--token", "stale"} << "stale";
}

void VidletPhoneTest::usbModeWaitsForPairInfo()
{
    QFETCH(QStringList, extra);
    QFETCH(QString, expectedToken);
    auto phone = startPhone(QStringList{"--usb-listen", "0", "--size", "320x240", "--frames", "4",
                                        "--device-id", "usb-dev"}
                            + extra);
    const quint16 port = listeningPort(*phone);
    QVERIFY(port != 0);
    PcPeer tunnel;
    QVERIFY(tunnel.connectToPhone(port));
    // Over USB the PC speaks first: a HELLO said before PAIR_INFO could not carry its token.
    pairOverUsb(tunnel, "AbCdEfGhIjKlMnOpQrStUv");
    const auto hello = tunnel.next();
    QVERIFY(hello);
    QCOMPARE(hello->type, Hello);
    QCOMPARE(hello->json().value("token").toString(), expectedToken);
    QCOMPARE(hello->json().value("deviceId").toString(), "usb-dev");
    tunnel.send(Welcome, kWelcome);
    tunnel.send(SetActive, QJsonObject{{"active", true}});
    tunnel.send(KeyframeRequest, QJsonObject{});
    QVERIFY(tunnel.nextOfType(StreamInfo));
    int frames = 0;
    bool bye = false;
    while (const auto frame = tunnel.next()) {
        frames += frame->type == VideoFrame;
        bye = frame->type == Bye;
        if (bye)
            break;
    }
    QVERIFY(bye);
    QCOMPARE(frames, 4);
    QVERIFY(finishes(*phone));
    QCOMPARE(phone->exitCode(), 0);
}

// The phone app outlives its tunnels: two may be open at once (a PC whose service came back
// opens a second), and one the PC drops leaves the phone listening for the next.
void VidletPhoneTest::usbTunnelLossKeepsListening()
{
    auto phone = startPhone({"--usb-listen", "0", "--size", "320x240", "--duration-ms", "2500"});
    const quint16 port = listeningPort(*phone);
    QVERIFY(port != 0);
    PcPeer first, second;
    QVERIFY(first.connectToPhone(port));
    QVERIFY(second.connectToPhone(port));
    pairOverUsb(first, "one");
    pairOverUsb(second, "two");
    QCOMPARE(first.nextOfType(Hello)->json().value("token").toString(), "one");
    QCOMPARE(second.nextOfType(Hello)->json().value("token").toString(), "two");
    first.send(Welcome, kWelcome);
    second.send(Welcome, kWelcome);
    first.close();
    QVERIFY(first.waitForClosed());

    second.send(SetActive, QJsonObject{{"active", true}});
    QVERIFY(second.nextOfType(VideoFrame));
    second.close();
    QVERIFY(second.waitForClosed());
    QCOMPARE(phone->state(), QProcess::Running);

    PcPeer third;
    QVERIFY(third.connectToPhone(port));
    pairOverUsb(third, "three");
    QVERIFY(third.nextOfType(Hello));
    third.send(Welcome, kWelcome);
    third.send(SetActive, QJsonObject{{"active", true}});
    QVERIFY(third.nextOfType(VideoFrame));
    QVERIFY(third.nextOfType(Bye));
    QVERIFY(finishes(*phone));
    QCOMPARE(phone->exitCode(), 0);
}

// The program writes pairing-token.txt as the bare token, without a line end.
void VidletPhoneTest::readsPairingTokenFile()
{
    QTemporaryDir dir;
    QFile file(dir.filePath("pairing-token.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Zx-9_abcdefghijklmnopq");
    file.close();
    PcPeer pc;
    auto phone = startPhone({"--port", QString::number(pc.listen()), "--token-file",
                             file.fileName(), "--size", "320x240"});
    QVERIFY(pc.waitForPhone());
    const auto hello = pc.next();
    QVERIFY(hello);
    QCOMPARE(hello->json().value("token").toString(), "Zx-9_abcdefghijklmnopq");
    pc.send(Reject, QJsonObject{{"code", "NEEDS_PAIR"}, {"message", "Scan the QR to pair"}});
    QVERIFY(finishes(*phone));
    QCOMPARE(phone->exitCode(), 3);
}

void VidletPhoneTest::refusesBadArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("odd width") << QStringList{"--size", "321x240"};
    QTest::newRow("size without x") << QStringList{"--size", "320"};
    QTest::newRow("zero fps") << QStringList{"--fps", "0"};
    QTest::newRow("missing value") << QStringList{"--port"};
    QTest::newRow("unknown option") << QStringList{"--fast"};
    QTest::newRow("pause without length") << QStringList{"--pause-at-ms", "100"};
    QTest::newRow("jitter beyond ten seconds") << QStringList{"--jitter-ms", "10001"};
    QTest::newRow("stall without its cycle") << QStringList{"--stall-ms", "300"};
    QTest::newRow("stall as long as its cycle")
        << QStringList{"--stall-ms", "300", "--stall-every-ms", "300"};
    QTest::newRow("skew beyond ten percent") << QStringList{"--skew-ppm", "-100001"};
    QTest::newRow("unreadable token file") << QStringList{"--token-file", "/nonexistent/token"};
}

void VidletPhoneTest::refusesBadArguments()
{
    QFETCH(QStringList, arguments);
    auto phone = startPhone(arguments);
    QVERIFY(finishes(*phone));
    QCOMPARE(phone->exitCode(), 1);
    QVERIFY(phone->readAllStandardError().contains("usage: vidlet-phone"));
}

QTEST_GUILESS_MAIN(VidletPhoneTest)
#include "VidletPhoneTest.moc"
