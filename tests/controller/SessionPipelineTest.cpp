#include "controller/AppController.h"
#include "controller/StatusCard.h"
#include "settings/AppSettings.h"
#include "tests/controller/StreamingPhone.h"
#include "tests/controller/TestCameraSink.h"
#include "tests/TestSandbox.h"
#include "tests/controller/TestPlaces.h"
#include "tests/link/TestPhone.h"
#include "link/PhoneLink.h"

#include <QFile>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

// The session pipeline's rules, driven by a phone that streams real H.264 to the controller:
// fitting pictures to the camera, the pacing queue, stream announcements, stalls and the output
// switch.
class SessionPipelineTest : public QObject {
    Q_OBJECT

    static constexpr int never = 3'600'000;

    // Frames wait in the Wi-Fi queue until a test shortens the tick; sizes change at once.
    static AppController::Intervals held()
    {
        AppController::Intervals intervals;
        intervals.paceMs = never;
        intervals.resizeMs = 0;
        return intervals;
    }

    static AppController::Intervals quickTicks()
    {
        AppController::Intervals intervals = held();
        intervals.paceMs = 1;
        return intervals;
    }

    // A stall is noticed 30 ms after the last picture.
    static AppController::Intervals quickStall()
    {
        AppController::Intervals intervals = held();
        intervals.stallLimitMs = 30;
        intervals.stallCheckMs = 5;
        intervals.statsMs = 5;
        return intervals;
    }

    static QImage shown(const QSignalSpy& preview, int index)
    {
        return preview.at(index).at(0).value<QImage>();
    }

private Q_SLOTS:
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
        QTest::newRow("fourteen wider is cropped") << 640 << 360 << 654 << 360 << false;
        QTest::newRow("sixteen wider is adopted") << 640 << 360 << 656 << 360 << true;
        QTest::newRow("smaller is adopted") << 1920 << 1080 << 1280 << 720 << true;
        QTest::newRow("narrower but higher is adopted") << 640 << 360 << 632 << 368 << true;
    }

    // Over USB, so that each picture goes out at once.
    void fitsDecodedPicturesToTheOutput()
    {
        QFETCH(int, outW);
        QFETCH(int, outH);
        QFETCH(int, decW);
        QFETCH(int, decH);
        QFETCH(bool, adopted);
        StreamingPhone phone(true, held());
        QVERIFY(phone.connect());
        QVERIFY(phone.announce(outW, outH));
        QVERIFY(phone.app->live());
        QCOMPARE(phone.camera->size(), QSize(outW, outH));

        if (adopted) {
            QTest::ignoreMessage(QtInfoMsg,
                                 qPrintable(QString("Vidlet: virtual camera adopts decoder output "
                                                    "%1x%2 (STREAM_INFO said %3x%4)")
                                                .arg(decW)
                                                .arg(decH)
                                                .arg(outW)
                                                .arg(outH)));
        }
        QSignalSpy preview(phone.app.get(), &AppController::frameReady);
        const TestEncoder stream = TestEncoder::ofSize(decW, decH, 1);
        QVERIFY(phone.sendVideo(stream, 0, 1));
        const QSize output = adopted ? QSize(decW, decH) : QSize(outW, outH);
        QCOMPARE(phone.camera->size(), output);
        // A crop keeps the picture's top left.
        const QImage expected =
            StreamingPhone::reference(stream).at(0).copy(QRect(QPoint(), output));
        QCOMPARE(preview.count(), 1);
        QCOMPARE(shown(preview, 0), expected);
        QCOMPARE(phone.camera->frame(), expected);
    }

    void queueKeepsTheNewestFive()
    {
        StreamingPhone phone(false, held());
        QVERIFY(phone.connect());
        QVERIFY(phone.announce(64, 48));
        QSignalSpy preview(phone.app.get(), &AppController::frameReady);
        const auto sentBefore = phone.app->framesSent();
        const TestEncoder stream = TestEncoder::ofSize(64, 48, 7);
        QVERIFY(phone.sendVideo(stream, 0, 7));
        QCOMPARE(preview.count(), 1); // the first goes at once, the others wait for a tick

        // Each tick releases the oldest frame to the camera and the preview.
        phone.app->setIntervals(quickTicks());
        QTRY_COMPARE(preview.count(), 6);
        const auto pictures = StreamingPhone::reference(stream);
        QCOMPARE(shown(preview, 0), pictures.at(0));
        for (int i = 1; i < 6; ++i)
            QCOMPARE(shown(preview, i), pictures.at(std::size_t(i) + 1));
        QCOMPARE(phone.app->framesSent() - sentBefore, 6ull);
    }

    // Mirrored in the settings, a new start sends the phone's pictures left for right to the
    // camera and the preview alike.
    void theMirrorSettingTurnsThePhonesPicture()
    {
        {
            StreamingPhone earlier(true);
            earlier.app->setMirrored(true);
        }
        StreamingPhone phone(true);
        const auto restore = qScopeGuard([&] { phone.app->setMirrored(false); });
        QVERIFY(phone.app->mirrored());
        QVERIFY(phone.connect());
        QVERIFY(phone.announce(64, 48));
        QSignalSpy preview(phone.app.get(), &AppController::frameReady);
        const TestEncoder stream = TestEncoder::ofSize(64, 48, 2);
        QVERIFY(phone.sendVideo(stream, 0, 1));
        QVERIFY(phone.sendVideo(stream, 1, 1)); // one at a time: each is shown
        QTRY_COMPARE(preview.count(), 2);
        const QImage expected = StreamingPhone::reference(stream).at(1).mirrored(true, false);
        QCOMPARE(shown(preview, 1), expected);
        QCOMPARE(phone.camera->frame(), expected);
    }

    // Turned a quarter in the settings, a new start gives the camera the phone's picture on its
    // side at the turned size. A size chosen while live moves the camera there with the
    // picture between bars; Fill covers it; back to following the phone, the camera follows.
    void theShapeSettingsReachTheCamera()
    {
        {
            StreamingPhone earlier(true);
            earlier.app->setQuarterTurns(1);
        }
        StreamingPhone phone(true, held());
        const auto restore = qScopeGuard([&] {
            phone.app->setQuarterTurns(0);
            phone.app->setCameraSize(0);
            phone.app->setFilled(false);
        });
        QCOMPARE(phone.app->quarterTurns(), 1);
        QVERIFY(phone.connect());
        QVERIFY(phone.announce(64, 48));
        QCOMPARE(phone.camera->size(), QSize(48, 64));
        QSignalSpy preview(phone.app.get(), &AppController::frameReady);
        const TestEncoder stream = TestEncoder::ofSize(64, 48, 3);
        QVERIFY(phone.sendVideo(stream, 0, 1));
        QTRY_COMPARE(preview.count(), 1);
        const QImage turned =
            StreamingPhone::reference(stream).at(0).transformed(QTransform().rotate(90));
        QCOMPARE(phone.camera->frame(), turned);
        QCOMPARE(shown(preview, 0), turned);

        // 48x64 into 1280x720: 540 wide in the middle, black either side.
        phone.app->setCameraSize(1);
        QCOMPARE(phone.camera->size(), QSize(1280, 720));
        QVERIFY(phone.sendVideo(stream, 1, 1));
        QTRY_COMPARE(preview.count(), 2);
        QImage frame = phone.camera->frame();
        QCOMPARE(frame.size(), QSize(1280, 720));
        QCOMPARE(frame.pixel(369, 360), qRgb(0, 0, 0));
        QCOMPARE(frame.pixel(910, 360), qRgb(0, 0, 0));
        QVERIFY(frame.pixel(640, 360) != qRgb(0, 0, 0));

        phone.app->setFilled(true);
        QVERIFY(phone.sendVideo(stream, 2, 1));
        QTRY_COMPARE(preview.count(), 3);
        frame = phone.camera->frame();
        QVERIFY(frame.pixel(0, 360) != qRgb(0, 0, 0));
        QVERIFY(frame.pixel(1279, 360) != qRgb(0, 0, 0));

        phone.app->setCameraSize(0);
        QCOMPARE(phone.camera->size(), QSize(48, 64));
        AppSettings stored; // as the next start reads them
        QCOMPARE(stored.quarterTurns(), 1);
        QVERIFY(stored.filled());
    }

    void lowLatencyPassesFramesOnAtOnceAndDrainsABacklog()
    {
        StreamingPhone phone(false, held());
        QVERIFY(phone.connect());
        QVERIFY(phone.announce(64, 48));
        phone.app->setLowLatency(true);
        QSignalSpy preview(phone.app.get(), &AppController::frameReady);
        const TestEncoder stream = TestEncoder::ofSize(64, 48, 6);
        QVERIFY(phone.sendVideo(stream, 0, 1));
        QCOMPARE(preview.count(), 1); // nothing to wait behind, though the tick is held
        QVERIFY(phone.sendVideo(stream, 1, 3));
        QTRY_COMPARE(preview.count(), 4);
        QCOMPARE(shown(preview, 3), StreamingPhone::reference(stream).at(3));

        // Back to the phone's rate, frames wait for the tick; switched again, they go on.
        phone.app->setLowLatency(false);
        QVERIFY(phone.sendVideo(stream, 4, 2));
        QCOMPARE(preview.count(), 4);
        phone.app->setLowLatency(true);
        QTRY_COMPARE(preview.count(), 6);
        AppSettings stored; // as the next start reads them
        AppController reread(stored, testPlaces());
        QVERIFY(reread.lowLatency());
        reread.setLowLatency(false); // the tests after this one pace by default
    }

    void repeatedStreamInfoKeepsTheSession()
    {
        StreamingPhone phone(false, held());
        QVERIFY(phone.connect());
        QVERIFY(phone.announce(64, 48));
        QSignalSpy preview(phone.app.get(), &AppController::frameReady);
        const TestEncoder small = TestEncoder::ofSize(64, 48, 2);
        QVERIFY(phone.sendVideo(small, 0, 2)); // the first goes at once, the second waits
        QVERIFY(phone.announce(64, 48));
        // A new size restarts it: the frame that waited is dropped.
        QVERIFY(phone.announce(80, 48));
        QCOMPARE(phone.camera->size(), QSize(80, 48));
        const TestEncoder wider = TestEncoder::ofSize(80, 48, 3);
        QVERIFY(phone.sendVideo(wider, 0, 1));
        phone.app->setIntervals(quickTicks());
        QTRY_COMPARE(preview.count(), 2);
        QCOMPARE(shown(preview, 1), StreamingPhone::reference(wider).at(0));

        // The same size again keeps the frames that wait.
        phone.app->setIntervals(held());
        QVERIFY(phone.sendVideo(wider, 1, 2));
        QVERIFY(phone.announce(80, 48));
        QCOMPARE(preview.count(), 2);
        phone.app->setIntervals(quickTicks());
        QTRY_COMPARE(preview.count(), 4);
    }

    void usbFramesBypassTheQueue()
    {
        StreamingPhone phone(true, held());
        QVERIFY(phone.connect());
        QVERIFY(phone.announce(64, 48));
        QSignalSpy preview(phone.app.get(), &AppController::frameReady);
        QVERIFY(phone.sendVideo(TestEncoder::ofSize(64, 48, 1), 0, 1));
        QCOMPARE(preview.count(), 1);
    }

    void picturesNobodySeesAreNotConverted_data()
    {
        QTest::addColumn<bool>("cameraRead");
        QTest::addColumn<bool>("previewShown");
        QTest::addColumn<int>("sent"); // of the four pictures, to the camera
        QTest::newRow("nobody looks: the first only") << false << false << 1;
        QTest::newRow("a program may read the camera") << true << false << 4;
        QTest::newRow("the window shows the preview") << false << true << 4;
    }

    void picturesNobodySeesAreNotConverted()
    {
        QFETCH(bool, cameraRead);
        QFETCH(bool, previewShown);
        QFETCH(int, sent);
        AppController::Intervals intervals = held();
        intervals.unreadRefreshMs = never;
        StreamingPhone phone(true, intervals);
        QVERIFY(phone.connect());
        QVERIFY(phone.announce(64, 48));
        phone.camera->read = cameraRead;
        phone.app->setPreviewShown(previewShown);
        QSignalSpy preview(phone.app.get(), &AppController::frameReady);
        const int before = phone.camera->frameCount();
        const TestEncoder stream = TestEncoder::ofSize(64, 48, 5);
        for (int i = 0; i < 4; ++i)
            QVERIFY(phone.sendVideo(stream, i, 1));
        QCOMPARE(phone.app->framesDecoded(), 4ull);
        QCOMPARE(phone.camera->frameCount() - before, sent);
        QCOMPARE(preview.count(), previewShown ? 4 : 0);
        const auto pictures = StreamingPhone::reference(stream);
        QCOMPARE(phone.camera->frame(), pictures.at(std::size_t(sent) - 1));

        // A program that opens the camera gets the next picture.
        phone.camera->read = true;
        QVERIFY(phone.sendVideo(stream, 4, 1));
        QCOMPARE(phone.camera->frameCount() - before, sent + 1);
        QCOMPARE(phone.camera->frame(), pictures.at(4));
    }

    // Pictures that arrive together over USB, as they do once the PC has fallen behind the
    // phone: all are decoded, but only the newest goes to the camera and the preview. (On Wi-Fi
    // they go into the queue, which evens out the network's bursts: queueKeepsTheNewestFive.)
    void aPcBehindShowsOnlyTheNewestPicture()
    {
        StreamingPhone phone(true, held());
        QVERIFY(phone.connect());
        QVERIFY(phone.announce(64, 48));
        phone.camera->read = true;
        QSignalSpy preview(phone.app.get(), &AppController::frameReady);
        const int before = phone.camera->frameCount();
        const TestEncoder stream = TestEncoder::ofSize(64, 48, 4);
        QVERIFY(phone.sendVideo(stream, 0, 4));
        QCOMPARE(phone.app->framesDecoded(), 4ull);
        QCOMPARE(preview.count(), 1);
        QCOMPARE(phone.camera->frameCount() - before, 1);
        QCOMPARE(phone.camera->frame(), StreamingPhone::reference(stream).back());
    }

    void implausibleAnnouncedSizeKeepsTheCamera_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("zero") << 0 << 0;
        QTest::newRow("negative") << -640 << 360;
        QTest::newRow("huge") << 100000 << 100000;
        QTest::newRow("one too wide") << 4097 << 720;
        QTest::newRow("more pixels than 4K") << 4096 << 4096;
        QTest::newRow("8K") << 7680 << 4320;
    }

    void implausibleAnnouncedSizeKeepsTheCamera()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        StreamingPhone phone(true, held());
        QVERIFY(phone.connect());
        QVERIFY(phone.announce(width, height));
        QVERIFY(phone.app->live());
        QCOMPARE(phone.camera->size(), QSize(1280, 720));
        // The first decoded picture then sets the size.
        QTest::ignoreMessage(QtInfoMsg,
                             "Vidlet: virtual camera adopts decoder output 320x240 "
                             "(STREAM_INFO said 1280x720)");
        QVERIFY(phone.sendVideo(TestEncoder::ofSize(320, 240, 1), 0, 1));
        QCOMPARE(phone.camera->size(), QSize(320, 240));
    }

    // A phone that changes its size inside its stream (new parameter sets before a keyframe)
    // or by announcing it remakes the camera at most once per interval: meanwhile the pictures
    // of another size are scaled into the camera's, between bars, never taken for its own.
    void sizeFlipsRemakeTheCameraAtMostOncePerInterval()
    {
        AppController::Intervals intervals = held();
        intervals.paceMs = 1;
        intervals.resizeMs = never;
        StreamingPhone phone(false, intervals);
        QVERIFY(phone.connect());
        QVERIFY(phone.announce(64, 48));
        QCOMPARE(phone.camera->size(), QSize(64, 48));
        const int starts = phone.camera->starts();
        QSignalSpy preview(phone.app.get(), &AppController::frameReady);
        const TestEncoder narrow = TestEncoder::ofSize(64, 48, 3);
        const TestEncoder wide = TestEncoder::ofSize(80, 48, 3);
        const TestEncoder upright = TestEncoder::ofSize(48, 64, 3);
        QVERIFY(phone.sendVideo(narrow, 0, 1));
        QTRY_COMPARE(preview.count(), 1);
        // One at a time: the 1 ms test slots would count frames sent in one go as late.
        for (const TestEncoder* stream : {&wide, &upright}) { // upright: as many bytes as 64x48
            for (int i = 0; i < 2; ++i) {
                const qsizetype shownBefore = preview.count();
                QVERIFY(phone.sendVideo(*stream, i, 1));
                QTRY_COMPARE(preview.count(), shownBefore + 1);
            }
        }
        QCOMPARE(phone.camera->starts(), starts);
        QCOMPARE(phone.camera->size(), QSize(64, 48));
        // Upright in landscape: 36 wide from column 14, black either side.
        const QImage fitted = shown(preview, 4);
        QCOMPARE(fitted.size(), QSize(64, 48));
        for (int x : {0, 13, 50, 63})
            QCOMPARE(fitted.pixel(x, 24), qRgb(0, 0, 0));
        QVERIFY(fitted.pixel(32, 24) != qRgb(0, 0, 0));
        QVERIFY(phone.sendVideo(narrow, 0, 1));
        QTRY_COMPARE(preview.count(), 6);
        QVERIFY(phone.sendVideo(narrow, 1, 1));
        QTRY_COMPARE(preview.count(), 7);
        QCOMPARE(shown(preview, 6), StreamingPhone::reference(narrow).at(1));

        // Once the interval has passed, the next picture of a new size has the camera remade.
        intervals.resizeMs = 0;
        phone.app->setIntervals(intervals);
        QVERIFY(phone.sendVideo(wide, 0, 1));
        QCOMPARE(phone.camera->size(), QSize(80, 48));
        QCOMPARE(phone.camera->starts(), starts + 1);
        QTRY_COMPARE(preview.count(), 8);
    }

    // The pacing follows the active phone: another paired phone announcing one frame a second
    // does not hold the active phone's frames for a second each.
    void anotherPhonesRateDoesNotSteerThePacing()
    {
        AppController::Intervals intervals;
        intervals.resizeMs = 0;
        StreamingPhone phone(false, intervals);
        QVERIFY(phone.connect());
        QVERIFY(phone.announce(64, 48, 30));
        TestPhone other;
        QVERIFY(other.connectTo(quint16(phone.app->port())));
        QFile tokenFile(TestSandbox::path() + QStringLiteral("/pairing-token.txt"));
        QVERIFY(tokenFile.open(QIODevice::ReadOnly));
        other.sendHello(QStringLiteral("other"), QString::fromUtf8(tokenFile.readAll()).trimmed());
        QTRY_COMPARE(phone.app->phones().size(), 2);
        other.sendJson(PhoneLink::STREAM_INFO, {{"width", 64}, {"height", 48}, {"fps", 1}});
        QVERIFY(other.roundTrip());
        QSignalSpy preview(phone.app.get(), &AppController::frameReady);
        // The first leaves at once, the second a period of the active phone's rate later.
        QVERIFY(phone.sendVideo(TestEncoder::ofSize(64, 48, 2), 0, 2));
        QTRY_COMPARE_WITH_TIMEOUT(preview.count(), 2, 500);
    }

    void outputSwitchStopsTheCameraOnly()
    {
        StreamingPhone phone(true, held());
        QVERIFY(phone.connect());
        QVERIFY(phone.announce(64, 48));
        AppController& app = *phone.app;
        app.toggleOutput();
        QVERIFY(!app.outputEnabled());
        QSignalSpy preview(&app, &AppController::frameReady);
        const auto sent = app.framesSent();
        const int taken = phone.camera->frameCount();
        const TestEncoder stream = TestEncoder::ofSize(64, 48, 2);
        QVERIFY(phone.sendVideo(stream, 0, 1));
        QCOMPARE(app.framesSent(), sent);
        QCOMPARE(phone.camera->frameCount(), taken);
        QCOMPARE(preview.count(), 1);
        app.toggleOutput();
        QVERIFY(phone.sendVideo(stream, 1, 1));
        QCOMPARE(app.framesSent(), sent + 1);
        QCOMPARE(phone.camera->frameCount(), taken + 1);
    }

    void stallShowsThePausedCardAndFramesResume()
    {
        StreamingPhone phone(true, quickStall());
        QVERIFY(phone.connect());
        QVERIFY(phone.announce(64, 48));
        AppController& app = *phone.app;
        // Live without any decoded frame: never a paused card, however many checks pass.
        QSignalSpy ticks(&app, &AppController::changed);
        QTRY_VERIFY(ticks.count() >= 20);
        QCOMPARE(app.status(), QStringLiteral("Live (decoding phone stream)"));

        QTest::ignoreMessage(QtInfoMsg,
                             "Vidlet: stall -> paused card (active phone stopped sending video)");
        const TestEncoder stream = TestEncoder::ofSize(64, 48, 2);
        QVERIFY(phone.sendVideo(stream, 0, 1));
        QTRY_COMPARE(app.status(), QStringLiteral("Phone paused (no video)"));
        QVERIFY(app.live());
        // The pump now feeds the camera the paused card on its own.
        const int taken = phone.camera->frameCount();
        QTRY_VERIFY(phone.camera->frameCount() > taken + 3);
        QCOMPARE(phone.camera->frame(), StatusCard::paused({64, 48}));

        AppController::Intervals patient = quickStall();
        patient.stallLimitMs = never;
        app.setIntervals(patient);
        QTest::ignoreMessage(QtInfoMsg, "Vidlet: stall cleared -> live feed resumed");
        QVERIFY(phone.sendVideo(stream, 1, 1));
        QCOMPARE(app.status(), QStringLiteral("Live (decoding phone stream)"));
        const QImage picture = StreamingPhone::reference(stream).at(1);
        QCOMPARE(phone.camera->frame(), picture);
    }

    void pausedPictureOfANewSizeStopsThePumpFirst()
    {
        StreamingPhone phone(true, quickStall());
        QVERIFY(phone.connect());
        QVERIFY(phone.announce(64, 48));
        QTest::ignoreMessage(QtInfoMsg,
                             "Vidlet: stall -> paused card (active phone stopped sending video)");
        QVERIFY(phone.sendVideo(TestEncoder::ofSize(64, 48, 1), 0, 1));
        QTRY_COMPARE(phone.app->status(), QStringLiteral("Phone paused (no video)"));

        AppController::Intervals patient = quickStall();
        patient.stallLimitMs = never;
        phone.app->setIntervals(patient);
        QTest::ignoreMessage(QtInfoMsg, "Vidlet: stall cleared -> live feed resumed");
        QTest::ignoreMessage(QtInfoMsg,
                             "Vidlet: virtual camera adopts decoder output 320x240 "
                             "(STREAM_INFO said 64x48)");
        const TestEncoder larger = TestEncoder::ofSize(320, 240, 1);
        QVERIFY(phone.sendVideo(larger, 0, 1));
        QCOMPARE(phone.camera->size(), QSize(320, 240));
        QCOMPARE(phone.camera->frame(), StreamingPhone::reference(larger).at(0));
        QCOMPARE(phone.app->status(), QStringLiteral("Live (decoding phone stream)"));
    }
};

QTEST_MAIN(SessionPipelineTest)
#include "SessionPipelineTest.moc"
