#include "controller/AppController.h"
#include "tests/controller/TestPlaces.h"

#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTest>

#include <vector>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

// The session pipeline's rules, fed with decoded pictures directly: fitting pictures to the
// camera, the pacing queue, stream announcements, stalls and the output switch.
class SessionPipelineTest : public QObject {
    Q_OBJECT

    static std::vector<unsigned char> picture(int width, int height, unsigned char value)
    {
        return std::vector<unsigned char>(std::size_t(width) * height * 3, value);
    }

    static void decoded(AppController& app, int width, int height, unsigned char value = 0x40)
    {
        const auto frame = picture(width, height, value);
        app.onDecodedFrame(frame.data(), width, height);
    }

    // A started controller with one Wi-Fi phone live at the given size.
    static void goLiveWithPhone(AppController& app, int width, int height, bool usb = false)
    {
        app.start();
        app.onPhoneConnected(7, "dev", "Phone", "Sim", "17", usb);
        app.onStreamInfo(7, width, height, 30);
        QVERIFY(app.live());
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void fitsDecodedPicturesToTheOutput_data()
    {
        QTest::addColumn<int>("outW");
        QTest::addColumn<int>("outH");
        QTest::addColumn<int>("decW");
        QTest::addColumn<int>("decH");
        QTest::addColumn<bool>("adopted");
        QTest::newRow("exact") << 1280 << 720 << 1280 << 720 << false;
        QTest::newRow("macroblock padding is cropped") << 1920 << 1080 << 1920 << 1088 << false;
        QTest::newRow("fifteen wider is cropped") << 640 << 360 << 655 << 360 << false;
        QTest::newRow("sixteen wider is adopted") << 640 << 360 << 656 << 360 << true;
        QTest::newRow("smaller is adopted") << 1920 << 1080 << 1280 << 720 << true;
        QTest::newRow("narrower but higher is adopted") << 640 << 360 << 632 << 368 << true;
    }

    void fitsDecodedPicturesToTheOutput()
    {
        QFETCH(int, outW);
        QFETCH(int, outH);
        QFETCH(int, decW);
        QFETCH(int, decH);
        QFETCH(bool, adopted);
        AppController app(testPlaces());
        goLiveWithPhone(app, outW, outH);
        decoded(app, outW, outH);
        QCOMPARE(app.pendingFrames.size(), std::size_t(1));

        if (adopted) {
            QTest::ignoreMessage(QtInfoMsg,
                                 qPrintable(QString("Vidlet: virtual camera adopts decoder output "
                                                    "%1x%2 (STREAM_INFO said %3x%4)")
                                                .arg(decW).arg(decH).arg(outW).arg(outH)));
        }
        decoded(app, decW, decH, 0x55);
        QCOMPARE(app.outputWidth, adopted ? decW : outW);
        QCOMPARE(app.outputHeight, adopted ? decH : outH);
        // Adopting a size drops frames of the old size; a crop keeps the queue.
        QCOMPARE(app.pendingFrames.size(), std::size_t(adopted ? 1 : 2));
        const auto& last = app.pendingFrames.back();
        QCOMPARE(last.size(), std::size_t(app.outputWidth) * app.outputHeight * 3);
        QCOMPARE(int(last.back()), 0x55);
        QVERIFY(app.sink->isRunning());
    }

    void queueKeepsTheNewestFive()
    {
        AppController app(testPlaces());
        goLiveWithPhone(app, 64, 48);
        for (int i = 1; i <= 7; ++i)
            decoded(app, 64, 48, static_cast<unsigned char>(i));
        QCOMPARE(app.pendingFrames.size(), std::size_t(5));
        QCOMPARE(int(app.pendingFrames.front()[0]), 3);
        QVERIFY(app.paceTimer.isActive());
        QCOMPARE(app.paceTimer.interval(), 33);

        // Each tick releases the oldest frame to the camera and the preview.
        QSignalSpy preview(&app, &AppController::frameReady);
        const auto sentBefore = app.framesSent();
        QTRY_COMPARE(app.pendingFrames.size(), std::size_t(0));
        QCOMPARE(preview.count(), 5);
        QCOMPARE(app.framesSent() - sentBefore, 5ull);
        const QImage shown = preview.last().at(0).value<QImage>();
        QCOMPARE(shown.size(), QSize(64, 48));
        QCOMPARE(shown.pixelColor(0, 0), QColor(7, 7, 7));
    }

    void lowLatencyPassesFramesOnAtOnceAndDrainsABacklogFaster()
    {
        AppController app(testPlaces());
        goLiveWithPhone(app, 64, 48);
        app.setLowLatency(true);
        QSignalSpy preview(&app, &AppController::frameReady);
        decoded(app, 64, 48, 1);
        QCOMPARE(preview.count(), 1);   // nothing to wait behind
        QVERIFY(app.pendingFrames.empty());
        for (int i = 2; i <= 4; ++i)
            decoded(app, 64, 48, static_cast<unsigned char>(i));
        QCOMPARE(app.pendingFrames.size(), std::size_t(3));
        QVERIFY(app.paceTimer.isActive());
        QVERIFY(app.paceTimer.interval() <= 16);
        QTRY_COMPARE(preview.count(), 4);
        QCOMPARE(preview.last().at(0).value<QImage>().pixelColor(0, 0), QColor(4, 4, 4));
        QVERIFY(!app.paceTimer.isActive());

        // Back to the phone's rate, frames that wait keep their place.
        decoded(app, 64, 48, 5);
        decoded(app, 64, 48, 6);
        app.setLowLatency(false);
        QVERIFY(!app.pendingFrames.empty());
        QVERIFY(app.paceTimer.isActive() && !app.paceTimer.isSingleShot());
        QCOMPARE(app.paceTimer.interval(), 33);
        app.setLowLatency(true);
        AppController reread(testPlaces());
        QVERIFY(reread.lowLatency());
        reread.setLowLatency(false);   // the tests after this one pace by default
    }

    void repeatedStreamInfoKeepsTheSession()
    {
        AppController app(testPlaces());
        goLiveWithPhone(app, 64, 48);
        decoded(app, 64, 48);
        app.onStreamInfo(7, 64, 48, 30);
        QCOMPARE(app.pendingFrames.size(), std::size_t(1));
        app.onStreamInfo(7, 80, 48, 30);   // a new size does restart it
        QCOMPARE(app.pendingFrames.size(), std::size_t(0));
        QCOMPARE(app.outputWidth, 80);
    }

    void usbFramesBypassTheQueue()
    {
        AppController app(testPlaces());
        goLiveWithPhone(app, 64, 48, true);
        QSignalSpy preview(&app, &AppController::frameReady);
        decoded(app, 64, 48);
        QCOMPARE(preview.count(), 1);
        QVERIFY(app.pendingFrames.empty());
        QVERIFY(!app.paceTimer.isActive());
    }

    void streamInfoSetsThePace_data()
    {
        QTest::addColumn<int>("fps");
        QTest::addColumn<int>("interval");
        QTest::newRow("60") << 60 << 16;
        QTest::newRow("25") << 25 << 40;
        QTest::newRow("0 keeps") << 0 << 33;
        QTest::newRow("121 keeps") << 121 << 33;
    }

    void streamInfoSetsThePace()
    {
        QFETCH(int, fps);
        QFETCH(int, interval);
        AppController app(testPlaces());
        app.start();
        app.onPhoneConnected(1, "a", "A", "", "", false);
        app.onPhoneConnected(2, "b", "B", "", "", false);
        // A phone that is not active only has its size remembered.
        app.onStreamInfo(2, 320, 240, fps);
        QCOMPARE(app.paceIntervalMs, interval);
        QVERIFY(!app.live());
        QCOMPARE(app.findPhone(2)->streamSize, QSize(320, 240));
        // A connection that is not on the roster is not remembered.
        app.onStreamInfo(99, 640, 480, fps);
        QVERIFY(!app.findPhone(99));
    }

    void implausibleAnnouncedSizeKeepsTheCamera_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("zero") << 0 << 0;
        QTest::newRow("negative") << -640 << 360;
        QTest::newRow("huge") << 100000 << 100000;
        QTest::newRow("one too wide") << 8193 << 720;
        QTest::newRow("more pixels than H.264 has") << 8192 << 8192;
    }

    void implausibleAnnouncedSizeKeepsTheCamera()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        AppController app(testPlaces());
        goLiveWithPhone(app, width, height);
        QCOMPARE(app.outputWidth, 1280);
        QCOMPARE(app.outputHeight, 720);
        QVERIFY(app.decoder.isInitialized());
        // The first decoded picture then sets the size.
        QTest::ignoreMessage(QtInfoMsg, "Vidlet: virtual camera adopts decoder output 320x240 "
                                        "(STREAM_INFO said 1280x720)");
        decoded(app, 320, 240);
        QCOMPARE(app.outputWidth, 320);
    }

    void outputSwitchStopsTheCameraOnly()
    {
        AppController app(testPlaces());
        goLiveWithPhone(app, 64, 48, true);
        app.toggleOutput();
        QVERIFY(!app.outputEnabled());
        QSignalSpy preview(&app, &AppController::frameReady);
        const auto sent = app.framesSent();
        decoded(app, 64, 48);
        QCOMPARE(app.framesSent(), sent);
        QCOMPARE(preview.count(), 1);
        app.toggleOutput();
        decoded(app, 64, 48);
        QCOMPARE(app.framesSent(), sent + 1);
    }

    void stallShowsThePausedCardAndFramesResume()
    {
        AppController app(testPlaces());
        goLiveWithPhone(app, 64, 48, true);
        // Live without any decoded frame: never a paused card.
        QTest::qWait(1800);
        QVERIFY(!(app.session == AppController::Session::Paused));

        QTest::ignoreMessage(QtInfoMsg,
                             "Vidlet: stall -> paused card (active phone stopped sending video)");
        decoded(app, 64, 48);
        QTRY_VERIFY_WITH_TIMEOUT((app.session == AppController::Session::Paused), 5000);
        QCOMPARE(app.status(), QStringLiteral("Phone paused (no video)"));
        QVERIFY(app.cardPumpRunning.load());
        // The pump now feeds the camera on its own.
        const auto sent = app.framesSent();
        QTRY_VERIFY(app.framesSent() > sent + 3);

        QTest::ignoreMessage(QtInfoMsg, "Vidlet: stall cleared -> live feed resumed");
        decoded(app, 64, 48);
        QVERIFY(!(app.session == AppController::Session::Paused));
        QVERIFY(!app.cardPumpRunning.load());
        QCOMPARE(app.status(), QStringLiteral("Live (decoding phone stream)"));
    }

    void pausedPictureOfANewSizeStopsThePumpFirst()
    {
        AppController app(testPlaces());
        goLiveWithPhone(app, 64, 48, true);
        decoded(app, 64, 48);
        QTest::ignoreMessage(QtInfoMsg,
                             "Vidlet: stall -> paused card (active phone stopped sending video)");
        app.pauseForStall();
        QVERIFY(app.cardPumpRunning.load());
        QTest::ignoreMessage(QtInfoMsg, "Vidlet: stall cleared -> live feed resumed");
        QTest::ignoreMessage(QtInfoMsg, "Vidlet: virtual camera adopts decoder output 320x240 "
                                        "(STREAM_INFO said 64x48)");
        decoded(app, 320, 240);
        QVERIFY(!app.cardPumpRunning.load());
        QCOMPARE(app.outputWidth, 320);
    }

    void startTwiceAndStop()
    {
        AppController app(testPlaces());
        app.start();
        QVERIFY(app.cameraReady());
        QVERIFY(app.cardPumpRunning.load());
        const int port = app.port();
        app.start();
        QCOMPARE(app.port(), port);
        app.stop();
        QVERIFY(!app.cardPumpRunning.load());
        QVERIFY(!app.cameraReady());
        QCOMPARE(app.status(), QStringLiteral("Stopped"));
    }

    // Whatever keeps the camera from starting (here another camera of the user's holds its
    // segment), phones can still connect.
    void cameraThatCannotStartLeavesThePhonesAServer()
    {
#ifdef Q_OS_WIN
        QSKIP("holds the camera's POSIX shared-memory segment first");
#else
        const QByteArray segment = qgetenv("VIDLET_CAMERA_SEGMENT");
        const int held = shm_open(segment.constData(), O_RDWR | O_CREAT, 0600);
        QVERIFY(held >= 0);
        QCOMPARE(flock(held, LOCK_EX | LOCK_NB), 0);
        AppController app(testPlaces());
        app.start();
        close(held);
        shm_unlink(segment.constData());
        QVERIFY(!app.cameraReady());
        QCOMPARE(app.status(), QStringLiteral("softcam.dll not found or camera unavailable"));
        QVERIFY(app.port() > 0);
        QTcpSocket phone;
        phone.connectToHost(QHostAddress::LocalHost, quint16(app.port()));
        QVERIFY(phone.waitForConnected(5000));
#endif
    }

    // The pump runs on its own thread while the GUI thread flips the output switch and redraws
    // the card with new pairing data.
    void pumpRunsBesideTheGuiThread()
    {
        AppController app(testPlaces());
        app.start();
        QTRY_VERIFY(app.framesSent() > 3);
        for (int i = 0; i < 20; ++i) {
            app.toggleOutput();
            app.regeneratePairing();
            QTest::qWait(5);
        }
        QVERIFY(app.outputEnabled());
        app.stop();
        const auto sent = app.framesSent();
        QTest::qWait(100);
        QCOMPARE(app.framesSent(), sent);
    }
};

QTEST_MAIN(SessionPipelineTest)
#include "SessionPipelineTest.moc"
