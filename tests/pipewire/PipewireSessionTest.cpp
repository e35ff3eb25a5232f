#include "tests/e2e/Processes.h"
#include "tests/pipewire/PrivateDesktop.h"
#include "tests/TestSandbox.h"
#include "tools/vidlet-camview/PipewireCameraReader.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QSettings>
#include <QTest>

#include <algorithm>

namespace {
const QString kNode = QStringLiteral("vidlet-camera");

// GStreamer's PipeWire source reading the camera for as long as it runs, as a program in a
// call does. It keeps its newest frames as numbered BGR files: the highest number says how far
// it got, a file's length the frame's size.
class GstreamerReader {
public:
    explicit GstreamerReader(const QString& name)
        : folder(TestSandbox::path() + QStringLiteral("/") + name)
    {
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        PrivateDesktop::endWithTheTest(process);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(PrivateDesktop::find(QStringLiteral("gst-launch-1.0")),
                      {QStringLiteral("-q"), QStringLiteral("pipewiresrc"),
                       QStringLiteral("target-object=") + kNode, QStringLiteral("!"),
                       QStringLiteral("video/x-raw,format=I420"), QStringLiteral("!"),
                       QStringLiteral("videoconvert"), QStringLiteral("!"),
                       QStringLiteral("video/x-raw,format=BGR"), QStringLiteral("!"),
                       QStringLiteral("multifilesink"), QStringLiteral("max-files=3"),
                       QStringLiteral("location=%1/%08d.bgr").arg(folder)});
        process.waitForStarted();
    }
    ~GstreamerReader()
    {
        process.kill();
        process.waitForFinished();
    }
    // The number of the newest frame and its length in bytes; -1 before the first.
    int newest(qint64* bytes = nullptr) const
    {
        const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files, QDir::Name);
        // The newest may still be written: the one before it is whole.
        if (files.size() < 2)
            return -1;
        if (bytes)
            *bytes = files[files.size() - 2].size();
        return files.last().baseName().toInt();
    }
    QProcess process;

private:
    QString folder;
};

// The reader's next new picture, waited for at most `timeoutMs`.
bool nextFrame(PipewireCameraReader& reader, softcam::CameraFrame& frame, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (reader.attach() && reader.readNewFrame(frame))
            return true;
        QTest::qWait(5);
    }
    return false;
}

} // namespace

// The real Vidlet in a private session, a phone played by vidlet-phone, and the camera read
// through PipeWire as a browser reads it, across what the phones do.
class PipewireSessionTest : public QObject {
    Q_OBJECT

    PrivateDesktop desktop;

private Q_SLOTS:
    void initTestCase() { QVERIFY2(desktop.start(), qPrintable(desktop.why())); }

    // A program that opened the camera before the phone came (a call waiting on the idle card)
    // keeps its stream at the size it opened: the phone's 4:3 picture arrives between black
    // bars on the same node, never a new one that would end the stream; turned a quarter and
    // filled, it covers the camera. Once the program has gone, the camera takes the phone's
    // size, turned as the settings say.
    void aReaderKeepsItsSizeWhenThePhoneComes_data()
    {
        QTest::addColumn<int>("degrees");
        QTest::addColumn<bool>("filled");
        QTest::addColumn<QString>("adopted");
        QTest::newRow("as it comes") << 0 << false << QStringLiteral("640x480");
        QTest::newRow("turned a quarter, filled") << 90 << true << QStringLiteral("480x640");
    }

    void aReaderKeepsItsSizeWhenThePhoneComes()
    {
        QFETCH(int, degrees);
        QFETCH(bool, filled);
        QFETCH(QString, adopted);
        VidletProcess vidlet;
        {
            QSettings settings(vidlet.settingsFile(), QSettings::IniFormat);
            settings.setValue(QStringLiteral("camera/rotation"), degrees);
            settings.setValue(QStringLiteral("camera/fill"), filled);
        }
        vidlet.joinThisPipewire();
        QVERIFY2(vidlet.start(), qPrintable(vidlet.log()));
        QTRY_VERIFY_WITH_TIMEOUT(PrivateDesktop::nodeId(kNode) >= 0, 10000);
        const int node = PrivateDesktop::nodeId(kNode);
        const qint64 serial = PrivateDesktop::nodeSerial(kNode);

        auto reader = std::make_unique<PipewireCameraReader>(kNode.toStdString());
        softcam::CameraFrame frame;
        const auto next = [&](int timeoutMs) { return nextFrame(*reader, frame, timeoutMs); };
        QVERIFY(next(20000));
        QCOMPARE(QSize(frame.width, frame.height), QSize(1280, 720));

        PhoneProcess phone;
        phone.start(vidlet, {"--size", "640x480", "--fps", "30", "--duration-ms", "60000"});
        const auto at = [&](int x, int y) {
            const unsigned char* p = frame.bgr.data() + (std::size_t(y) * frame.width + x) * 3;
            return qRgb(p[2], p[1], p[0]);
        };
        // 4:3 in 16:9: 960x720 from column 160; filled, no bars.
        int shaped = 0;
        const QDeadlineTimer deadline(30000);
        while (shaped < 30 && !deadline.hasExpired() && next(5000)) {
            QCOMPARE(QSize(frame.width, frame.height), QSize(1280, 720));
            const bool bars = at(40, 360) == qRgb(0, 0, 0) && at(1240, 360) == qRgb(0, 0, 0);
            if (bars != filled && at(640, 360) != qRgb(0, 0, 0))
                ++shaped;
        }
        QVERIFY2(shaped == 30, qPrintable(vidlet.log()));
        QCOMPARE(PrivateDesktop::nodeId(kNode), node);
        // The window stops recommending the registration, on this start and the next.
        QTRY_VERIFY_WITH_TIMEOUT(QSettings(vidlet.settingsFile(), QSettings::IniFormat)
                                     .value(QStringLiteral("camera/pipewireReaderSeen"))
                                     .toBool(),
                                 10000);
        QVERIFY(!vidlet.log().contains(QStringLiteral("adopts decoder output")));

        reader.reset();
        QTRY_VERIFY_WITH_TIMEOUT(
            vidlet.log().contains(
                QStringLiteral(
                    "virtual camera adopts decoder output %1 (STREAM_INFO said 1280x720)")
                    .arg(adopted)),
            15000);
        // It moved in place: a program that listed the camera finds it as the same node, now
        // at the phone's size.
        QCOMPARE(PrivateDesktop::nodeSerial(kNode), serial);
        reader = std::make_unique<PipewireCameraReader>(kNode.toStdString());
        QVERIFY(next(20000));
        QCOMPARE(QStringLiteral("%1x%2").arg(frame.width).arg(frame.height), adopted);
    }

    // A call holds the camera through what a desk does: two programs reading it (GStreamer's
    // PipeWire source and a reader like a browser's) opened on the idle card, a landscape phone
    // that comes and goes, a portrait phone after it, and PipeWire restarted. Through the phones
    // both keep streaming from the same node at the size they opened, each picture between the
    // bars its shape needs. A PipeWire restart ends every stream of the old daemon, as it does
    // for any camera: the camera, held by nobody, takes the portrait phone's size, the node is
    // back by itself, and a program that opens the camera again gets the whole portrait picture.
    void aCallKeepsTheCameraThroughPhonesAndARestart()
    {
        VidletProcess vidlet;
        vidlet.joinThisPipewire();
        QVERIFY2(vidlet.start(), qPrintable(vidlet.log()));
        QTRY_VERIFY_WITH_TIMEOUT(PrivateDesktop::nodeId(kNode) >= 0, 10000);
        const int node = PrivateDesktop::nodeId(kNode);

        auto reader = std::make_unique<PipewireCameraReader>(kNode.toStdString());
        softcam::CameraFrame frame;
        const auto next = [&](int timeoutMs) { return nextFrame(*reader, frame, timeoutMs); };
        const auto black = [&](int x) {
            const unsigned char* p =
                frame.bgr.data() + (std::size_t(frame.height / 2) * frame.width + x) * 3;
            return p[0] < 8 && p[1] < 8 && p[2] < 8;
        };
        // 20 pictures in a row at 1280x720, black at the bars' columns and not in the middle.
        const auto shows = [&](int leftBar, int rightBar) {
            int seen = 0;
            const QDeadlineTimer deadline(30000);
            while (seen < 20 && !deadline.hasExpired() && next(5000)) {
                if (QSize(frame.width, frame.height) != QSize(1280, 720))
                    return false;
                seen = black(leftBar) && black(rightBar) && !black(640) ? seen + 1 : 0;
            }
            return seen == 20;
        };
        QVERIFY(next(20000));
        QCOMPARE(QSize(frame.width, frame.height), QSize(1280, 720));
        auto gstreamer = std::make_unique<GstreamerReader>(QStringLiteral("held"));
        const qint64 landscapeBytes = 1280 * 720 * 3;
        int gstreamerAt = -1;
        // GStreamer got 10 more frames of a size in `sizes`, without a stop.
        const auto gstreamerGoesOn = [&](std::initializer_list<qint64> sizes, int timeoutMs) {
            const int from = gstreamerAt;
            qint64 bytes = 0;
            const QDeadlineTimer deadline(timeoutMs);
            while (!deadline.hasExpired() && gstreamer->process.state() == QProcess::Running) {
                gstreamerAt = gstreamer->newest(&bytes);
                if (gstreamerAt >= from + 10)
                    return std::find(sizes.begin(), sizes.end(), bytes) != sizes.end();
                QTest::qWait(20);
            }
            return false;
        };
        QVERIFY(gstreamerGoesOn({landscapeBytes}, 20000));

        PhoneProcess landscape;
        landscape.start(vidlet, {"--size", "640x480", "--duration-ms", "12000"});
        QVERIFY2(shows(40, 1240), qPrintable(vidlet.log())); // 960x720 from column 160
        QVERIFY(gstreamerGoesOn({landscapeBytes}, 20000));
        QVERIFY(landscape.waitForExit(20000));

        PhoneProcess portrait;
        portrait.start(
            vidlet, {"--device-id", "portrait", "--size", "720x1280", "--duration-ms", "120000"});
        QVERIFY2(shows(200, 1080), qPrintable(vidlet.log())); // 405x720 from column 437
        QVERIFY(gstreamerGoesOn({landscapeBytes}, 20000));
        QCOMPARE(PrivateDesktop::nodeId(kNode), node);
        QVERIFY(!vidlet.log().contains(QStringLiteral("adopts decoder output")));

        QVERIFY2(desktop.restartPipewire(), qPrintable(desktop.why()));
        reader.reset();
        // Nobody holds the camera while PipeWire is away, so it takes the portrait phone's size.
        QTRY_VERIFY_WITH_TIMEOUT(
            vidlet.log().contains(QStringLiteral("adopts decoder output 720x1280")), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(PrivateDesktop::nodeId(kNode) >= 0, 10000);
        const qint64 portraitBytes = 720 * 1280 * 3;
        if (gstreamerGoesOn({portraitBytes}, 5000)) {
            qInfo("GStreamer's source went on by itself after the restart");
        } else {
            qInfo("GStreamer's source stopped with the old daemon, as with any camera; the "
                  "camera is opened again");
            gstreamer = std::make_unique<GstreamerReader>(QStringLiteral("reopened"));
            gstreamerAt = -1;
            QVERIFY(gstreamerGoesOn({portraitBytes}, 20000));
        }
        reader = std::make_unique<PipewireCameraReader>(kNode.toStdString());
        QVERIFY(next(20000));
        const QDeadlineTimer deadline(10000);
        int whole = 0;
        while (whole < 20 && !deadline.hasExpired() && next(5000))
            whole =
                QSize(frame.width, frame.height) == QSize(720, 1280) && !black(360) ? whole + 1 : 0;
        QVERIFY2(whole == 20, qPrintable(vidlet.log()));
        // Told at most once each way in the program's log (not at all when the camera was made
        // again at the phone's size while the daemon was away: its node then simply came).
        const int away = int(vidlet.log().count(QStringLiteral("PipeWire went away")));
        QVERIFY(away <= 1);
        QCOMPARE(int(vidlet.log().count(QStringLiteral("PipeWire is back"))), away);
    }
};

QTEST_GUILESS_MAIN(PipewireSessionTest)
#include "PipewireSessionTest.moc"
