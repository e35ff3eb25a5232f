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
};

QTEST_GUILESS_MAIN(BrowserCameraTest)
#include "BrowserCameraTest.moc"
