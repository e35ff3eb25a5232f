#include "softcam/BgrToI420.h"
#include "softcam/CameraPixelFormat.h"
#include "tests/e2e/Processes.h"
#include "tests/pipewire/PrivateDesktop.h"
#include "tests/pipewire/TestCamera.h"
#include "tests/TestSandbox.h"
#include "tools/common/FrameStamp.h"
#include "tools/vidlet-camview/PipewireCameraReader.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <memory>

namespace {
const QString kNode = QStringLiteral("vidlet-camera");
}

// The camera as a PipeWire node, read by GStreamer's PipeWire source in a private session.
class PipewireCameraTest : public QObject {
    Q_OBJECT

    PrivateDesktop desktop;
    TestCamera camera;

    struct Read {
        std::vector<std::vector<unsigned char>> frames; // BGR, or as the node gave them
        bool ok = false;
    };

    enum Output { AsBgr, AsGiven };

    // `count` frames of the node, asked for in `format` and turned into BGR by GStreamer, or
    // kept as the node gave them.
    Read readWithGstreamer(const QString& format, int count, Output output = AsBgr)
    {
        const QString folder = TestSandbox::path() + QStringLiteral("/gst-") + format;
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        QStringList pipeline = {QStringLiteral("-q"),
                                QStringLiteral("pipewiresrc"),
                                QStringLiteral("target-object=vidlet-camera"),
                                QStringLiteral("num-buffers=%1").arg(count),
                                QStringLiteral("!"),
                                QStringLiteral("video/x-raw,format=%1").arg(format)};
        if (output == AsBgr)
            pipeline << QStringLiteral("!") << QStringLiteral("videoconvert") << QStringLiteral("!")
                     << QStringLiteral("video/x-raw,format=BGR");
        pipeline << QStringLiteral("!") << QStringLiteral("multifilesink")
                 << QStringLiteral("location=%1/%05d.raw").arg(folder);
        QProcess gst;
        gst.setProcessChannelMode(QProcess::ForwardedChannels);
        gst.start(PrivateDesktop::find(QStringLiteral("gst-launch-1.0")), pipeline);
        Read read;
        // Connected while GStreamer streams; the reader's end comes with the files.
        bool sawConnected = false;
        const QDeadlineTimer deadline(30000);
        while (gst.state() != QProcess::NotRunning && !deadline.hasExpired()) {
            sawConnected = sawConnected || camera.isConnected();
            gst.waitForFinished(20);
            QCoreApplication::processEvents();
        }
        if (gst.state() != QProcess::NotRunning) {
            gst.kill();
            gst.waitForFinished();
            qWarning("GStreamer did not read %d frames within 30 s", count);
            return read;
        }
        for (const QString& name : QDir(folder).entryList(QDir::Files, QDir::Name)) {
            QFile file(folder + QLatin1Char('/') + name);
            if (file.open(QIODevice::ReadOnly)) {
                const QByteArray bytes = file.readAll();
                read.frames.emplace_back(bytes.begin(), bytes.end());
            }
        }
        read.ok = sawConnected && gst.exitCode() == 0;
        if (!sawConnected)
            qWarning("scIsConnected never went true while GStreamer streamed");
        return read;
    }

    void checkFrames(const Read& read, int count)
    {
        QVERIFY(read.ok);
        QCOMPARE(int(read.frames.size()), count);
        std::uint32_t last = 0;
        for (const auto& bgr : read.frames) {
            QCOMPARE(bgr.size(), std::size_t(camera.width()) * camera.height() * 3);
            const auto stamp = FrameStamp::decode(bgr.data(), camera.width(), camera.height());
            QVERIFY2(stamp, "a frame without a readable stamp");
            QVERIFY2(stamp->frame >= last, "frames out of order");
            last = stamp->frame;
            const auto wrong = camera.differences(bgr.data(), 16);
            QVERIFY2(!wrong, qPrintable(wrong.value_or(QString())));
        }
        QVERIFY(
            read.frames.size() < 2
            || FrameStamp::decode(read.frames.back().data(), camera.width(), camera.height())->frame
                > FrameStamp::decode(read.frames.front().data(), camera.width(), camera.height())
                      ->frame);
    }

private Q_SLOTS:
    void initTestCase()
    {
        for (const char* program : {"pipewire", "wireplumber", "xdg-desktop-portal", "dbus-daemon",
                                    "gdbus", "pw-dump", "gst-launch-1.0"})
            QVERIFY2(!PrivateDesktop::find(QString::fromLatin1(program)).isEmpty(),
                     qPrintable(QStringLiteral("%1 is not installed (scripts/install-deps.sh "
                                               "installs it)")
                                    .arg(QLatin1String(program))));
        QVERIFY2(desktop.start(), qPrintable(desktop.why()));
    }

    void readsEachOfferedFormat_data()
    {
        QTest::addColumn<QString>("format");
        QTest::newRow("I420") << QStringLiteral("I420");
        QTest::newRow("NV12") << QStringLiteral("NV12");
        QTest::newRow("YUY2") << QStringLiteral("YUY2");
    }

    void readsEachOfferedFormat()
    {
        QFETCH(QString, format);
        QVERIFY(camera.create(640, 480));
        QTRY_VERIFY_WITH_TIMEOUT(PrivateDesktop::nodeId(kNode) >= 0, 10000);
        QVERIFY(!camera.isConnected());
        checkFrames(readWithGstreamer(format, 8), 8);
        QCOMPARE(camera.negotiatedFormat(), format);
        QTRY_VERIFY_WITH_TIMEOUT(!camera.isConnected(), 10000);
        camera.destroy();
    }

    void nodeLeavesWithTheCameraAndReturnsAtItsNewSize()
    {
        QVERIFY(camera.create(640, 480));
        QTRY_VERIFY_WITH_TIMEOUT(PrivateDesktop::nodeId(kNode) >= 0, 10000);
        camera.destroy();
        QTRY_VERIFY_WITH_TIMEOUT(PrivateDesktop::nodeId(kNode) < 0, 10000);
        QVERIFY(camera.create(320, 240));
        QTRY_VERIFY_WITH_TIMEOUT(PrivateDesktop::nodeId(kNode) >= 0, 10000);
        checkFrames(readWithGstreamer(QStringLiteral("I420"), 4), 4);
        camera.destroy();
    }

    // The program makes the camera again at each size the phones need while nobody holds it.
    // The node stays, so a program that listed the camera finds it by the same id; the next
    // reader gets the new size in whichever format it asks for, the one the last reader chose
    // at the old size or another.
    void aCameraMadeAgainKeepsItsNode()
    {
        QVERIFY(camera.create(640, 480));
        QTRY_VERIFY_WITH_TIMEOUT(PrivateDesktop::nodeSerial(kNode) >= 0, 10000);
        const qint64 node = PrivateDesktop::nodeSerial(kNode);
        checkFrames(readWithGstreamer(QStringLiteral("I420"), 4), 4);
        const struct {
            int width;
            int height;
            const char* format;
        } sizes[] = {
            {320, 240, "I420"}, {320, 240, "NV12"}, {288, 384, "YUY2"}, {320, 240, "I420"}};
        for (const auto& next : sizes) {
            // As the program: not while a reader still streams.
            QTRY_VERIFY_WITH_TIMEOUT(!camera.isReadThroughPipewire(), 10000);
            QVERIFY(camera.remake(next.width, next.height));
            checkFrames(readWithGstreamer(QLatin1String(next.format), 4), 4);
            QCOMPARE(camera.negotiatedFormat(), QLatin1String(next.format));
            QCOMPARE(PrivateDesktop::nodeSerial(kNode), node);
        }
        camera.destroy();
        QTRY_VERIFY_WITH_TIMEOUT(PrivateDesktop::nodeId(kNode) < 0, 10000);
    }

    // A phone that paused: the program sends its last picture again at every tick. A reader
    // still gets the camera's rate, that picture each time, and the new ones once they come.
    void aPictureSentAgainStillReachesTheReader()
    {
        QVERIFY(camera.create(640, 480));
        QTRY_VERIFY_WITH_TIMEOUT(PrivateDesktop::nodeId(kNode) >= 0, 10000);
        camera.holdPicture(true);
        const Read again = readWithGstreamer(QStringLiteral("I420"), 8);
        QVERIFY(again.ok);
        QCOMPARE(int(again.frames.size()), 8);
        const auto first = FrameStamp::decode(again.frames.front().data(), 640, 480);
        QVERIFY(first);
        for (const auto& bgr : again.frames) {
            QCOMPARE(FrameStamp::decode(bgr.data(), 640, 480)->frame, first->frame);
            const auto wrong = camera.differences(bgr.data(), 16);
            QVERIFY2(!wrong, qPrintable(wrong.value_or(QString())));
        }
        camera.holdPicture(false);
        checkFrames(readWithGstreamer(QStringLiteral("I420"), 4), 4);
        camera.destroy();
    }

    // A decoder's planes sent as they are, the same picture at every tick: a reader asking
    // for I420 gets them byte for byte, one asking for NV12 or YUY2 the same bytes repacked,
    // at every frame it reads, and the next picture once it is sent.
    void i420PlanesReachTheReaderUnchanged_data()
    {
        QTest::addColumn<int>("format");
        for (softcam::CameraPixelFormat format : softcam::kCameraPixelFormats)
            QTest::newRow(softcam::formatName(format)) << int(format);
    }

    void i420PlanesReachTheReaderUnchanged()
    {
        QFETCH(int, format);
        const auto chosen = softcam::CameraPixelFormat(format);
        const int w = 640, h = 480;
        QVERIFY(camera.create(w, h));
        QTRY_VERIFY_WITH_TIMEOUT(PrivateDesktop::nodeId(kNode) >= 0, 10000);
        for (int seed : {0, 1}) {
            std::vector<unsigned char> i420(softcam::i420Bytes(w, h));
            for (std::size_t i = 0; i < i420.size(); ++i)
                i420[i] = static_cast<unsigned char>((i * 7 + i / w * 13 + seed * 91) % 251);
            camera.sendI420(i420);
            std::vector<unsigned char> expected(softcam::pictureBytes(chosen, w, h));
            softcam::convertI420(chosen, i420.data(), w, h, expected.data());
            const Read read =
                readWithGstreamer(QLatin1String(softcam::formatName(chosen)), 6, AsGiven);
            QVERIFY(read.ok);
            QCOMPARE(int(read.frames.size()), 6);
            for (const auto& picture : read.frames) {
                QCOMPARE(picture.size(), expected.size());
                const auto wrong = std::mismatch(picture.begin(), picture.end(), expected.begin());
                // The message is made only on a mismatch: it reads the bytes that differ.
                if (wrong.first != picture.end())
                    QFAIL(qPrintable(QStringLiteral("picture %1: byte %2 is %3, sent %4")
                                         .arg(seed)
                                         .arg(wrong.first - picture.begin())
                                         .arg(*wrong.first)
                                         .arg(*wrong.second)));
            }
        }
        QCOMPARE(camera.negotiatedFormat(), QLatin1String(softcam::formatName(chosen)));
        camera.destroy();
    }

    // PipeWire restarted under a live camera (an update, a user fixing their sound): the node
    // is published again by itself, and a reader that opens it gets the camera's pictures.
    // Meanwhile the camera says that PipeWire does not list it.
    void nodeReturnsWhenPipewireRestarts()
    {
        QVERIFY(camera.create(640, 480));
        QTRY_VERIFY_WITH_TIMEOUT(PrivateDesktop::nodeId(kNode) >= 0, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(camera.isOnPipewire(), 10000);
        QVERIFY2(desktop.stopPipewire(), qPrintable(desktop.why()));
        QTRY_VERIFY_WITH_TIMEOUT(!camera.isOnPipewire(), 10000);
        QVERIFY2(desktop.restartPipewire(), qPrintable(desktop.why()));
        QElapsedTimer back;
        back.start();
        QTRY_VERIFY_WITH_TIMEOUT(PrivateDesktop::nodeId(kNode) >= 0, 10000);
        qInfo("the node was back %lld ms after the new daemon's socket", back.elapsed());
        QTRY_VERIFY_WITH_TIMEOUT(camera.isOnPipewire(), 10000);
        checkFrames(readWithGstreamer(QStringLiteral("I420"), 4), 4);
        const QStringList log = camera.log();
        QCOMPARE(log.filter(QStringLiteral("PipeWire went away")).size(), 1);
        QCOMPARE(log.filter(QStringLiteral("PipeWire is back")).size(), 1);
        camera.destroy();
    }

    // Two programs read the camera at once (a browser and a recorder, two tabs): both get its
    // pictures, in order, for as long as both keep reading. The camera knows it is read through
    // PipeWire while they stream, and not once they have gone.
    void twoReadersAtOnce()
    {
        QVERIFY(camera.create(640, 480));
        QTRY_VERIFY_WITH_TIMEOUT(PrivateDesktop::nodeId(kNode) >= 0, 10000);
        QVERIFY(!camera.isReadThroughPipewire());
        auto first = std::make_unique<PipewireCameraReader>(kNode.toStdString());
        auto second = std::make_unique<PipewireCameraReader>(kNode.toStdString());
        struct Seen {
            int stamped = 0;
            std::uint32_t last = 0;
            bool inOrder = true;
        } seen[2];
        softcam::CameraFrame frame;
        const QDeadlineTimer deadline(30000);
        while ((seen[0].stamped < 10 || seen[1].stamped < 10) && !deadline.hasExpired()) {
            int i = 0;
            for (PipewireCameraReader* reader : {first.get(), second.get()}) {
                if (reader->attach() && reader->readNewFrame(frame)) {
                    QCOMPARE(QSize(frame.width, frame.height), QSize(640, 480));
                    const auto stamp = FrameStamp::decode(frame.bgr.data(), 640, 480);
                    QVERIFY2(stamp, "a frame without a readable stamp");
                    seen[i].inOrder = seen[i].inOrder && stamp->frame >= seen[i].last;
                    seen[i].last = stamp->frame;
                    ++seen[i].stamped;
                }
                ++i;
            }
            QTest::qWait(5); // the camera's timer sends on this thread
        }
        QVERIFY2(seen[0].stamped >= 10 && seen[1].stamped >= 10,
                 qPrintable(QStringLiteral("the readers got %1 and %2 pictures")
                                .arg(seen[0].stamped)
                                .arg(seen[1].stamped)));
        QVERIFY(seen[0].inOrder && seen[1].inOrder);
        QVERIFY(camera.isReadThroughPipewire());
        first.reset();
        second.reset();
        QTRY_VERIFY_WITH_TIMEOUT(!camera.isReadThroughPipewire(), 10000);
        camera.destroy();
    }

    // A program that opened the camera and then hangs (its process stopped, so it takes no
    // buffer and returns none): the other reader goes on getting the camera's pictures.
    void aStuckReaderSlowsNoOther()
    {
        QVERIFY(camera.create(640, 480));
        QTRY_VERIFY_WITH_TIMEOUT(PrivateDesktop::nodeId(kNode) >= 0, 10000);
        QProcess stuck;
        stuck.start(
            binPath(QStringLiteral("vidlet-camview")),
            {QStringLiteral("--pipewire"), QStringLiteral("--timeout"), QStringLiteral("20000")});
        // It prints once a second while it reads: it has the stream.
        QTRY_VERIFY_WITH_TIMEOUT(stuck.canReadLine(), 20000);
        QCOMPARE(::kill(pid_t(stuck.processId()), SIGSTOP), 0);

        PipewireCameraReader other(kNode.toStdString());
        int stamped = 0;
        softcam::CameraFrame frame;
        const QDeadlineTimer deadline(20000);
        while (stamped < 30 && !deadline.hasExpired()) {
            if (other.attach() && other.readNewFrame(frame)
                && FrameStamp::decode(frame.bgr.data(), frame.width, frame.height))
                ++stamped;
            QTest::qWait(5); // the camera's timer sends on this thread
        }
        ::kill(pid_t(stuck.processId()), SIGCONT);
        stuck.kill();
        stuck.waitForFinished(5000);
        QVERIFY2(stamped >= 30,
                 qPrintable(QString("the other reader got %1 pictures").arg(stamped)));
        camera.destroy();
    }

    // Our own reader: a user checks the camera without a browser.
    void camviewReadsTheNode()
    {
        QVERIFY(camera.create(640, 480));
        QTRY_VERIFY_WITH_TIMEOUT(PrivateDesktop::nodeId(kNode) >= 0, 10000);
        const QString file = TestSandbox::path() + QStringLiteral("/camview.png");
        QProcess camview;
        camview.setProcessChannelMode(QProcess::ForwardedChannels);
        camview.start(binPath(QStringLiteral("vidlet-camview")),
                      {QStringLiteral("--pipewire"), QStringLiteral("--snapshot"), file,
                       QStringLiteral("--timeout"), QStringLiteral("20000")});
        // The snapshot comes as the camera's timer sends frames, so the loop keeps running.
        QTRY_VERIFY_WITH_TIMEOUT(camview.state() == QProcess::NotRunning, 30000);
        QCOMPARE(camview.exitCode(), 0);
        const QImage image = QImage(file).convertToFormat(QImage::Format_BGR888);
        QCOMPARE(image.size(), QSize(640, 480));
        std::vector<unsigned char> bgr(640 * 480 * 3);
        for (int y = 0; y < 480; ++y)
            std::memcpy(bgr.data() + y * 640 * 3, image.constScanLine(y), 640 * 3);
        QVERIFY(FrameStamp::decode(bgr.data(), 640, 480));
        const auto wrong = camera.differences(bgr.data(), 16);
        QVERIFY2(!wrong, qPrintable(wrong.value_or(QString())));
        camera.destroy();
    }
};

QTEST_GUILESS_MAIN(PipewireCameraTest)
#include "PipewireCameraTest.moc"
