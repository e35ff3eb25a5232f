#include "softcam/CameraReader.h"
#include "tests/e2e/Processes.h"
#include "tests/pipewire/BrowserRun.h"
#include "tests/pipewire/PrivateDesktop.h"
#include "tests/pipewire/TestCamera.h"
#include "tools/common/FrameStamp.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QSettings>

#include <algorithm>
#include <functional>
#include <thread>
#include <QTest>

// Headless Chromium and Firefox ESR find "Vidlet Camera" through the Camera portal and
// PipeWire, in a private session, and see what the camera was sent; without the switch that
// makes them read PipeWire cameras, as users have them, they find none.
class BrowserCameraTest : public QObject {
    Q_OBJECT

    PrivateDesktop desktop;
    TestCamera camera;
    std::unique_ptr<PageServer> pages;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(desktop.start(), qPrintable(desktop.why()));
        QFile page(QStringLiteral(VIDLET_CAMERA_PAGE));
        QVERIFY(page.open(QIODevice::ReadOnly));
        pages = std::make_unique<PageServer>(page.readAll());
    }

    // A row that failed half way must not leave its camera publishing for the next one.
    void cleanup() { camera.destroy(); }

    void browserSeesTheCamera_data()
    {
        QTest::addColumn<QString>("browser");
        QTest::newRow("chromium") << QStringLiteral("chromium");
        QTest::newRow("firefox-esr") << QStringLiteral("firefox-esr");
    }

    void browserSeesTheCamera()
    {
        QFETCH(QString, browser);
        BrowserRun run(browser, *pages);
        if (run.program().isEmpty())
            QSKIP(
                qPrintable(QStringLiteral("the Debian package %1 is not installed").arg(browser)));
        QVERIFY(camera.create(640, 480, 30.0f));
        QTRY_VERIFY_WITH_TIMEOUT(PrivateDesktop::nodeId(QStringLiteral("vidlet-camera")) >= 0,
                                 10000);
        // Every frame the page reports was read while the camera said it was in use.
        int reportsWhileUnconnected = 0;
        connect(pages.get(), &PageServer::report, &run, [&](const QString& path) {
            if (path == QStringLiteral("/frame") && !camera.isConnected())
                ++reportsWhileUnconnected;
        });
        const int wanted = 15;
        QVERIFY2(run.run(wanted, 90000), qPrintable(run.why()));

        QCOMPARE(run.settings[QStringLiteral("label")].toString(), QStringLiteral("Vidlet Camera"));
        QCOMPARE(run.settings[QStringLiteral("width")].toInt(), 640);
        QCOMPARE(run.settings[QStringLiteral("height")].toInt(), 480);
        QCOMPARE(qRound(run.settings[QStringLiteral("frameRate")].toDouble()), 30);
        QCOMPARE(int(run.frames.size()), wanted);
        QCOMPARE(reportsWhileUnconnected, 0);
        std::uint32_t first = 0, last = 0;
        for (const BrowserRun::Frame& frame : run.frames) {
            QCOMPARE(frame.width, 640);
            QCOMPARE(frame.height, 480);
            const auto stamp = FrameStamp::decode(frame.bgr.data(), frame.width, frame.height);
            QVERIFY2(stamp, "a frame without a readable stamp");
            QVERIFY2(stamp->frame >= last, "frames out of order");
            first = first ? first : stamp->frame;
            last = stamp->frame;
            const auto wrong = camera.differences(frame.bgr.data(), 20);
            QVERIFY2(!wrong, qPrintable(wrong.value_or(QString())));
        }
        QVERIFY(last > first);
        const QString format = camera.negotiatedFormat();
        QVERIFY(!format.isEmpty());
        qInfo("%s negotiated %s (asked again for the camera %d times, each after an empty "
              "listing in its log; started again %d times after aborting its own capture)",
              qPrintable(browser), qPrintable(format), run.cameraRetries, run.browserAborts);

        run.close();
        QTRY_VERIFY_WITH_TIMEOUT(!camera.isConnected(), 10000);
    }

    // A browser as Debian installs it reads cameras through V4L2 only: it lists none of ours
    // (no loopback device is registered here) and never reads the PipeWire node. So the
    // program never sees a PipeWire reader, and the Camera tab goes on recommending the
    // registration, which is the truth for this user.
    void aBrowserWithoutItsSwitchFindsNoCamera_data() { browserSeesTheCamera_data(); }

    void aBrowserWithoutItsSwitchFindsNoCamera()
    {
        QFETCH(QString, browser);
        BrowserRun run(browser, *pages, BrowserRun::PipewireSwitch::Off);
        if (run.program().isEmpty())
            QSKIP(
                qPrintable(QStringLiteral("the Debian package %1 is not installed").arg(browser)));
        VidletProcess vidlet;
        vidlet.joinThisPipewire();
        QVERIFY2(vidlet.start(), qPrintable(vidlet.log()));
        QTRY_VERIFY_WITH_TIMEOUT(PrivateDesktop::nodeId(QStringLiteral("vidlet-camera")) >= 0,
                                 10000);
        QVERIFY(!run.run(1, 60000));
        QVERIFY2(run.why().contains(QStringLiteral("NotFoundError")), qPrintable(run.why()));
        qInfo("%s", qPrintable(run.why().section(QLatin1Char(';'), 0, 0)));
        run.close();
        vidlet.process.terminate();
        QVERIFY(vidlet.process.waitForFinished(20000));
        QVERIFY2(!vidlet.log().contains(QStringLiteral("reads the PipeWire camera")),
                 qPrintable(vidlet.log()));
        QVERIFY(!QSettings(vidlet.settingsFile(), QSettings::IniFormat)
                     .value(QStringLiteral("camera/pipewireReaderSeen"))
                     .toBool());
    }

    // The whole road: vidlet-phone streams to the real Vidlet, whose camera Chromium reads; the
    // program then remembers that a program read its PipeWire camera, and the Camera tab stops
    // recommending the registration.
    void phoneReachesTheBrowserThroughTheProgram()
    {
        BrowserRun run(QStringLiteral("chromium"), *pages);
        if (run.program().isEmpty())
            QSKIP("the Debian package chromium is not installed");
        VidletProcess vidlet;
        vidlet.joinThisPipewire();
        QVERIFY2(vidlet.start(), qPrintable(vidlet.log()));
        PhoneProcess phone;
        phone.start(vidlet, {"--size", "640x480", "--fps", "30", "--duration-ms", "120000"});

        // Live once the camera, restarted at the phone's size, shows stamped pictures.
        softcam::CameraReader reader;
        softcam::CameraFrame frame;
        const QDeadlineTimer live(30000);
        bool stamped = false;
        while (!stamped && !live.hasExpired()) {
            if (reader.attach() && reader.readNewFrame(frame))
                stamped = frame.width == 640
                    && FrameStamp::decode(frame.bgr.data(), frame.width, frame.height);
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        QVERIFY2(stamped, qPrintable(vidlet.log()));
        QTRY_VERIFY_WITH_TIMEOUT(PrivateDesktop::nodeId(QStringLiteral("vidlet-camera")) >= 0,
                                 10000);

        const int wanted = 30;
        QVERIFY2(run.run(wanted, 90000), qPrintable(run.why() + vidlet.log()));
        QCOMPARE(run.settings[QStringLiteral("label")].toString(), QStringLiteral("Vidlet Camera"));
        std::uint32_t first = 0, last = 0;
        std::vector<double> latencyMs;
        for (const BrowserRun::Frame& seen : run.frames) {
            QCOMPARE(seen.width, 640);
            const auto stamp = FrameStamp::decode(seen.bgr.data(), seen.width, seen.height);
            QVERIFY2(stamp, "a frame without a readable stamp");
            QVERIFY2(stamp->frame >= last, "frames out of order");
            first = first ? first : stamp->frame;
            last = stamp->frame;
            // From the phone's send time to the page's drawing of the frame.
            latencyMs.push_back(double(qint64(seen.arrivedUsec - seen.heldUsec - stamp->timeUsec))
                                / 1000.0);
        }
        QVERIFY(last > first);
        std::sort(latencyMs.begin(), latencyMs.end());
        qInfo("phone to browser: %d frames, stamps %u..%u, latency median %.1f ms, max %.1f ms "
              "(the page's report hop included)",
              int(latencyMs.size()), first, last, latencyMs[latencyMs.size() / 2],
              latencyMs.back());
        QVERIFY2(vidlet.log().contains(QStringLiteral("reads the PipeWire camera as")),
                 qPrintable(vidlet.log()));
        QTRY_VERIFY_WITH_TIMEOUT(QSettings(vidlet.settingsFile(), QSettings::IniFormat)
                                     .value(QStringLiteral("camera/pipewireReaderSeen"))
                                     .toBool(),
                                 10000);
    }

    // A call in the browser holds the camera while the phones change under it: opened on the
    // idle card, it goes on through a landscape phone that comes and goes and a portrait phone
    // after it, at the size it opened, each picture between the bars its shape needs; its track
    // never ends and the node is never replaced.
    void aCallInTheBrowserKeepsTheCameraThroughPhones()
    {
        BrowserRun run(QStringLiteral("firefox-esr"), *pages);
        if (run.program().isEmpty())
            QSKIP("the Debian package firefox-esr is not installed");
        VidletProcess vidlet;
        vidlet.joinThisPipewire();
        QVERIFY2(vidlet.start(), qPrintable(vidlet.log()));
        const QString node = QStringLiteral("vidlet-camera");
        QTRY_VERIFY_WITH_TIMEOUT(PrivateDesktop::nodeSerial(node) >= 0, 10000);
        const qint64 serial = PrivateDesktop::nodeSerial(node);

        // Every third picture, a quarter of the width: 320x180 for the camera's 1280x720.
        QVERIFY2(run.start(QStringLiteral("frames=100000&every=3&width=320")),
                 qPrintable(run.why()));
        const auto black = [](const BrowserRun::Frame& seen, int x) {
            const unsigned char* p =
                seen.bgr.data() + (std::size_t(seen.height / 2) * seen.width + std::size_t(x)) * 3;
            return p[0] + p[1] + p[2] < 48;
        };
        // `count` reported pictures in a row for which `shows` holds, every one of them at the
        // size the browser opened.
        const auto inARow = [&](int count,
                                const std::function<bool(const BrowserRun::Frame&)>& shows) {
            int seen = 0;
            const QDeadlineTimer deadline(30000);
            while (seen < count && !deadline.hasExpired() && run.why().isEmpty()) {
                QTest::qWait(20);
                for (const BrowserRun::Frame& frame : run.frames) {
                    if (frame.video != QSize(1280, 720))
                        return false;
                    seen = shows(frame) ? seen + 1 : 0;
                }
                run.frames.clear();
            }
            return seen >= count;
        };
        QVERIFY2(inARow(5, [](const BrowserRun::Frame&) { return true; }),
                 qPrintable(run.why() + vidlet.log()));

        PhoneProcess landscape;
        landscape.start(vidlet, {"--size", "640x480", "--duration-ms", "8000"});
        // 960x720 from column 160 of 1280: bars at 10 and 310 of 320.
        QVERIFY2(
            inARow(10,
                   [&](const auto& f) { return black(f, 10) && black(f, 310) && !black(f, 160); }),
            qPrintable(run.why() + vidlet.log()));
        QVERIFY(landscape.waitForExit(20000));

        PhoneProcess portrait;
        portrait.start(vidlet,
                       {"--device-id", "portrait", "--size", "720x1280", "--duration-ms", "60000"});
        // 405x720 from column 437 of 1280: bars at 50 and 270 of 320.
        QVERIFY2(
            inARow(10,
                   [&](const auto& f) { return black(f, 50) && black(f, 270) && !black(f, 160); }),
            qPrintable(run.why() + vidlet.log()));
        QVERIFY2(run.why().isEmpty(), qPrintable(run.why())); // the track never ended
        QCOMPARE(PrivateDesktop::nodeSerial(node), serial);
        QVERIFY(!vidlet.log().contains(QStringLiteral("adopts decoder output")));
        run.close();
    }
};

QTEST_GUILESS_MAIN(BrowserCameraTest)
#include "BrowserCameraTest.moc"
