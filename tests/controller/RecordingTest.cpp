#include "controller/AppController.h"
#include "settings/AppSettings.h"
#include "tests/controller/StreamingPhone.h"
#include "tests/controller/TestCameraSink.h"
#include "tests/controller/TestPlaces.h"
#include "tests/video/FileSizeLimit.h"
#include "tests/video/RecordingReader.h"

#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

extern "C" {
#include <libavutil/log.h>
}

// Recording control on the real controller: a phone streams to it, the live pictures go through
// the session pipeline into a real MP4 file, which is read back after the recording ends.
class RecordingTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QList<QUrl> openedUrls;

    // Wi-Fi frames leave the queue at once; the statistics never tick into a count of changes.
    static AppController::Intervals quick()
    {
        AppController::Intervals intervals;
        intervals.paceMs = 1;
        intervals.statsMs = 3'600'000;
        intervals.resizeMs = 0;
        return intervals;
    }

    // A started controller with a phone live at the given size.
    static std::unique_ptr<StreamingPhone> liveAt(int width, int height, bool usb = true)
    {
        auto phone = std::make_unique<StreamingPhone>(usb, quick());
        if (!phone->connect() || !phone->announce(width, height) || !phone->app->live())
            qFatal("the phone did not go live");
        return phone;
    }

    // Starts a recording into `folder`; the recording's path.
    static QString startRecording(AppController& app, const QString& folder)
    {
        app.setRecordingFolder(folder);
        app.toggleRecording();
        return app.lastRecordingPath();
    }

    // One picture of the stream through the pipeline, until it has left for the camera.
    static void feed(StreamingPhone& phone, const TestEncoder& stream, int index)
    {
        const auto sent = phone.app->framesSent();
        QVERIFY(phone.sendVideo(stream, index, 1));
        QTRY_VERIFY(phone.app->framesSent() > sent);
    }

    // The file as it stands once the controller, and with it the recorder's thread, is gone.
    static Recording finished(StreamingPhone& phone, const QString& path)
    {
        phone.app.reset();
        return readRecording(path);
    }

    // The recording holds these pictures of the stream, in order: encoding is lossy, but a
    // neighbour (its square moved 7 pixels) would differ by far more.
    static void verifyPictures(const Recording& r, const TestEncoder& stream,
                               const std::vector<int>& indices)
    {
        const auto pictures = StreamingPhone::reference(stream);
        QCOMPARE(r.frames.size(), indices.size());
        for (std::size_t i = 0; i < indices.size(); ++i) {
            const QImage& want = pictures.at(std::size_t(indices[i]));
            QCOMPARE(QSize(r.width, r.height), want.size());
            long total = 0;
            for (int y = 0; y < r.height; ++y)
                for (int x = 0; x < r.width * 3; ++x)
                    total += std::abs(int(r.frames[i][std::size_t(y * r.width * 3 + x)])
                                      - int(want.constScanLine(y)[x]));
            const double mean = double(total) / double(r.frames[i].size());
            QVERIFY2(mean < 6,
                     qPrintable(QString("frame %1: mean difference %2").arg(i).arg(mean)));
        }
    }

public Q_SLOTS:
    // Stands in for the desktop's file manager.
    void openUrl(const QUrl& url) { openedUrls << url; }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(dir.isValid());
        av_log_set_level(AV_LOG_ERROR); // libx264 reports every file it encodes
    }

    void refusedWithoutLiveOutput_data()
    {
        QTest::addColumn<bool>("live");
        QTest::newRow("not live") << false;
        QTest::newRow("live with the output paused") << true;
    }

    void refusedWithoutLiveOutput()
    {
        QFETCH(bool, live);
        auto phone = live ? liveAt(64, 48) : std::make_unique<StreamingPhone>(false, quick());
        AppController& app = *phone->app;
        if (live)
            app.toggleOutput();
        const QString folder = dir.filePath("refused");
        app.setRecordingFolder(folder);
        QSignalSpy changed(&app, &AppController::changed);
        app.toggleRecording();
        QCOMPARE(changed.count(), 0);
        QVERIFY(!app.recording());
        QVERIFY(app.lastRecordingPath().isEmpty());
        QVERIFY(!QFileInfo::exists(folder));
    }

    void recordsLiveFramesUntilIdle_data()
    {
        QTest::addColumn<bool>("usb");
        QTest::newRow("Wi-Fi, paced") << false;
        QTest::newRow("USB, at once") << true;
    }

    void recordsLiveFramesUntilIdle()
    {
        QFETCH(bool, usb);
        auto phone = liveAt(64, 48, usb);
        AppController& app = *phone->app;
        // Created on demand, with every missing parent.
        const QString folder = dir.filePath(usb ? "usb clips/nested" : "wifi clips/nested");
        app.setRecordingFolder(folder);
        QSignalSpy changed(&app, &AppController::changed);

        const QDateTime before = QDateTime::currentDateTime();
        app.toggleRecording();
        const QDateTime after = QDateTime::currentDateTime();
        QCOMPARE(changed.count(), 1);
        QVERIFY(app.recording());
        QVERIFY(QFileInfo(folder).isDir());
        const QString path = app.lastRecordingPath();
        const QRegularExpression name("^" + QRegularExpression::escape(folder)
                                      + "/Vidlet_(\\d{8}_\\d{6})\\.mp4$");
        const auto match = name.match(path);
        QVERIFY2(match.hasMatch(), qPrintable(path));
        const QDateTime stamp = QDateTime::fromString(match.captured(1), "yyyyMMdd_HHmmss");
        QVERIFY(stamp >= before.addMSecs(-before.time().msec()) && stamp <= after);
        QVERIFY(QFileInfo::exists(path));

        // Over USB sent in one go, as a PC that falls behind finds them: the recording still
        // keeps every picture, not just the newest. (On Wi-Fi the recording gets what the
        // pacing queue lets out, which drops frames that are late for their slots.)
        const TestEncoder stream = TestEncoder::ofSize(64, 48, 5);
        if (usb) {
            const auto sent = app.framesSent();
            QVERIFY(phone->sendVideo(stream, 0, 5));
            QTRY_COMPARE(app.framesSent(), sent + 5);
        } else {
            for (int i = 0; i < 5; ++i)
                feed(*phone, stream, i);
        }
        // A picture of another size moves the camera and ends the file, which keeps what it has;
        // the window says why.
        QTest::ignoreMessage(QtInfoMsg,
                             "Vidlet: virtual camera adopts decoder output 32x24 "
                             "(STREAM_INFO said 64x48)");
        feed(*phone, TestEncoder::ofSize(32, 24, 1), 0);
        QVERIFY(!app.recording());
        QCOMPARE(app.recordingFailure(), 3);

        phone->leave();
        QTRY_VERIFY(!app.live());
        QVERIFY(!app.recording());
        QCOMPARE(app.lastRecordingPath(), path);

        // "Show" opens the file's own folder, even after the recordings folder changed.
        app.setRecordingFolder(dir.filePath("elsewhere"));
        QDesktopServices::setUrlHandler("file", this, "openUrl");
        app.showLastRecording();
        QDesktopServices::unsetUrlHandler("file");
        QCOMPARE(openedUrls, QList<QUrl>{QUrl::fromLocalFile(folder)});
        openedUrls.clear();

        const Recording r = finished(*phone, path);
        QVERIFY(r.readable);
        QCOMPARE(r.width, 64);
        QCOMPARE(r.height, 48);
        verifyPictures(r, stream, {0, 1, 2, 3, 4});
        for (std::size_t i = 1; i < r.times.size(); ++i)
            QVERIFY(r.times[i] > r.times[i - 1]);
    }

    // Standard and High differ in bit rate; the choice is kept for the next start. The encoder
    // writes the settings it ran with into the file (libx264's SEI text), where they are read.
    void qualityChoosesTheBitRate()
    {
        const TestEncoder stream = TestEncoder::ofSize(64, 48, 3);
        for (const int quality : {0, 1}) {
            auto phone = liveAt(64, 48);
            AppController& app = *phone->app;
            QSignalSpy changed(&app, &AppController::changed);
            app.setRecordingQuality(quality);
            app.setRecordingQuality(3); // no such quality
            QCOMPARE(changed.count(), quality == 0 ? 0 : 1);
            app.setRecordingFolder(dir.filePath(QStringLiteral("quality %1").arg(quality)));
            app.toggleRecording();
            QVERIFY(app.recording());
            for (int i = 0; i < 3; ++i)
                feed(*phone, stream, i);
            app.toggleRecording();
            const QString path = app.lastRecordingPath();
            QVERIFY(finished(*phone, path).readable);
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            QVERIFY(bytes.contains(quality == 1 ? " bitrate=6000 " : " bitrate=3000 "));
        }
        AppSettings stored; // as the next start reads them
        AppController restarted(stored, testPlaces());
        QCOMPARE(restarted.recordingQuality(), 1);
        restarted.setRecordingQuality(0);
    }

    // Original stores the phone's own access units, untouched: from the first key frame on
    // (the window says it waits for one), with the settings' turn in the display matrix, and
    // in a new file when the phone's parameter sets change with its size.
    void originalKeepsThePhonesStream()
    {
        if (!Mp4Recorder::supportsOriginal())
            QSKIP("this platform's recorder cannot store a stream as it came");
        const TestEncoder first = TestEncoder::ofSize(64, 48, 6);
        const TestEncoder again = TestEncoder::ofSize(64, 48, 4);
        const TestEncoder larger = TestEncoder::ofSize(96, 64, 3);
        QCOMPARE(first.config, again.config); // a new key frame, the same parameter sets
        auto phone = liveAt(64, 48);
        AppController& app = *phone->app;
        const auto restore = qScopeGuard([&] {
            phone->settings.setRecordingQuality(0);
            phone->settings.setQuarterTurns(0);
        });
        app.setRecordingQuality(2);
        app.setQuarterTurns(1);
        app.setRecordingFolder(dir.filePath(QStringLiteral("original")));
        for (int i = 0; i < 3; ++i)
            feed(*phone, first, i);
        app.toggleRecording();
        const QString firstPath = app.lastRecordingPath();
        QVERIFY(app.recording() && app.recordingWaitsForKeyframe());
        for (int i = 3; i < 6; ++i)
            feed(*phone, first, i);
        QVERIFY(app.recordingWaitsForKeyframe());
        for (int i = 0; i < 4; ++i)
            feed(*phone, again, i);
        QVERIFY(!app.recordingWaitsForKeyframe());
        for (int i = 0; i < 3; ++i)
            feed(*phone, larger, i);
        const QString secondPath = app.lastRecordingPath();
        QVERIFY(secondPath != firstPath && app.recording());
        app.toggleRecording();

        const auto stored = [](const TestEncoder& stream) {
            std::vector<QByteArrayList> units;
            for (const TestEncoder::AccessUnit& unit : stream.units)
                units.push_back(
                    annexBNals(QByteArray(reinterpret_cast<const char*>(unit.bytes.data()),
                                          qsizetype(unit.bytes.size()))));
            return units;
        };
        const Recording before = finished(*phone, firstPath);
        QVERIFY(before.readable);
        QCOMPARE(QSize(before.width, before.height), QSize(64, 48));
        QCOMPARE(before.clockwiseDegrees, 90);
        QCOMPARE(before.packetNals, stored(again));
        QCOMPARE(int(before.frames.size()), 4);
        const Recording after = readRecording(secondPath);
        QCOMPARE(QSize(after.width, after.height), QSize(96, 64));
        QCOMPARE(after.packetNals, stored(larger));
    }

    void stopsFinaliseTheFile_data()
    {
        QTest::addColumn<bool>("byToggle");
        QTest::newRow("toggle again") << true;
        QTest::newRow("controller stops") << false;
    }

    void stopsFinaliseTheFile()
    {
        QFETCH(bool, byToggle);
        auto phone = liveAt(48, 32);
        AppController& app = *phone->app;
        app.setRecordingFolder(dir.filePath(byToggle ? "toggle" : "stop"));
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression("^Vidlet: recording to .*\\.mp4$"));
        app.toggleRecording();
        const QString path = app.lastRecordingPath();
        const TestEncoder stream = TestEncoder::ofSize(48, 32, 3);
        feed(*phone, stream, 0);
        feed(*phone, stream, 1);

        QSignalSpy changed(&app, &AppController::changed);
        QTest::ignoreMessage(QtInfoMsg,
                             qPrintable("Vidlet: recording stopped: " + path
                                        + ", 2 frames, 0 left out by a slow disk"));
        if (byToggle)
            app.toggleRecording();
        else
            app.stop();
        QCOMPARE(changed.count(), 1);
        QVERIFY(!app.recording());
        QCOMPARE(app.lastRecordingPath(), path);
        if (byToggle)
            feed(*phone, stream, 2); // still live, no longer recorded

        const Recording r = finished(*phone, path);
        QVERIFY(r.readable);
        verifyPictures(r, stream, {0, 1});
    }

    // A stopped recording that cannot be made an ordinary MP4 (the disk fills during the copy;
    // here the copy's name is taken, which takes the same way) is kept as recorded, and the
    // window is told so.
    void aRecordingThatCannotBeCompletedIsSaid()
    {
        auto phone = liveAt(48, 32);
        AppController& app = *phone->app;
        const QString path = startRecording(app, dir.filePath("kept"));
        const TestEncoder stream = TestEncoder::ofSize(48, 32, 2);
        feed(*phone, stream, 0);
        feed(*phone, stream, 1);
        QFile taken(path + ".part");
        QVERIFY(taken.open(QIODevice::WriteOnly));
        taken.close();
        QTest::ignoreMessage(QtWarningMsg,
                             qPrintable("Vidlet: the recording " + path + " stays fragmented"));
        app.toggleRecording();
        QTRY_COMPARE(app.recordingFailure(), 4);
        QVERIFY(!app.recording());
        verifyPictures(readRecording(path), stream, {0, 1});
    }

    // The session's end (a log-off on Windows) completes the recording within its bound, while
    // the program still runs: the system may end it right after.
    void aSessionEndCompletesTheRecordingInTime()
    {
        auto phone = liveAt(48, 32);
        AppController& app = *phone->app;
        const QString path = startRecording(app, dir.filePath("session-end"));
        const TestEncoder stream = TestEncoder::ofSize(48, 32, 3);
        feed(*phone, stream, 0);
        feed(*phone, stream, 1);
        app.stop();
        QVERIFY(app.finishRecordings(std::chrono::seconds(30)));
        verifyPictures(readRecording(path), stream, {0, 1});
        QVERIFY(app.finishRecordings(std::chrono::milliseconds(0))); // nothing left to wait for
    }

    // A phone's clock that jumps back and forward (its time stamps do) stops nothing: every
    // picture reaches the camera through the Wi-Fi pacing, and the recording's times still rise.
    void timeStampsThatJumpStopNothing()
    {
        auto phone = liveAt(48, 32, false);
        AppController& app = *phone->app;
        const QString path = startRecording(app, dir.filePath("jumps"));
        TestEncoder stream = TestEncoder::ofSize(48, 32, 6);
        const unsigned long long jumps[] = {0, 33'333, 60'000'000, 66'666, 5'000'000, 1};
        for (std::size_t i = 0; i < stream.units.size(); ++i)
            stream.units[i].ptsUsec = jumps[i];
        for (int i = 0; i < 6; ++i)
            feed(*phone, stream, i);
        app.toggleRecording();

        const Recording r = finished(*phone, path);
        QCOMPARE(r.frames.size(), std::size_t(6));
        for (std::size_t i = 1; i < r.times.size(); ++i)
            QVERIFY2(r.times[i] > r.times[i - 1], qPrintable(QString::number(i)));
    }

    // Stop and start again at once: the second file gets its own name, the first stays whole.
    void quickRestartKeepsBothRecordings()
    {
        auto phone = liveAt(48, 32);
        AppController& app = *phone->app;
        app.setRecordingFolder(dir.filePath("quick"));
        const TestEncoder stream = TestEncoder::ofSize(48, 32, 3);
        QStringList paths;
        for (int take = 0; take < 2; ++take) {
            app.toggleRecording();
            paths << app.lastRecordingPath();
            for (int i = 0; i <= take; ++i)
                feed(*phone, stream, take + i);
            app.toggleRecording();
        }
        QVERIFY(paths[0] != paths[1]);
        verifyPictures(finished(*phone, paths[0]), stream, {0});
        verifyPictures(readRecording(paths[1]), stream, {1, 2});
    }

    void newSessionSizeClosesTheFile_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("keeps");
        QTest::newRow("same size") << 64 << 48 << true;
        QTest::newRow("other width") << 80 << 48 << false;
        QTest::newRow("other height") << 64 << 64 << false;
    }

    void newSessionSizeClosesTheFile()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(bool, keeps);
        auto phone = liveAt(64, 48);
        AppController& app = *phone->app;
        const QString path = startRecording(app, dir.filePath("resized"));
        const TestEncoder stream = TestEncoder::ofSize(64, 48, 2);
        feed(*phone, stream, 0);

        QVERIFY(phone->announce(width, height));
        QCOMPARE(app.recording(), keeps);
        if (keeps)
            feed(*phone, stream, 1);
        else
            feed(*phone, TestEncoder::ofSize(width, height, 1), 0);
        app.stop();

        const Recording r = finished(*phone, path);
        QVERIFY(r.readable);
        QCOMPARE(r.width, 64);
        verifyPictures(r, stream, keeps ? std::vector<int>{0, 1} : std::vector<int>{0});
    }

    // A full disk or a deleted folder stops the recording, and the window learns why instead
    // of showing a recording that no longer grows.
    void writeFailureStopsTheRecording_data()
    {
        QTest::addColumn<bool>("deleteFolder");
        QTest::newRow("full disk") << false;
        QTest::newRow("folder deleted") << true;
    }

    void writeFailureStopsTheRecording()
    {
        QFETCH(bool, deleteFolder);
        auto phone = liveAt(64, 48);
        AppController& app = *phone->app;
        const QString folder = dir.filePath(deleteFolder ? "deleted" : "full");
        app.setRecordingFolder(folder);
        app.toggleRecording();
        QVERIFY(app.recording());
        const QString path = app.lastRecordingPath();
        QSignalSpy changed(&app, &AppController::changed);
        const TestEncoder stream = TestEncoder::ofSize(64, 48, 70);
        std::optional<FileSizeLimit> full;
        if (deleteFolder)
            QVERIFY(QDir(folder).removeRecursively());
        else
            full.emplace(QFileInfo(path).size() + 100);
        // The key frame of each second writes the fragment before it.
        for (int i = 0; i < 70 && app.recording(); ++i)
            feed(*phone, stream, i);
        QTRY_VERIFY(!app.recording());
        full.reset();
        QCOMPARE(app.recordingFailure(), deleteFolder ? 2 : 1);
        QVERIFY(!changed.isEmpty());
        QCOMPARE(app.lastRecordingPath(), path);

        app.setRecordingFolder(dir.filePath(deleteFolder ? "deleted again" : "full again"));
        app.toggleRecording();
        QVERIFY(app.recording());
        QCOMPARE(app.recordingFailure(), 0); // the next start clears it
        app.toggleRecording();
    }

    // A start soon after a quit: the Vidlet that quit still completes a recording (it holds
    // a lock on the copy it writes), and the window says so until the copy is renamed over the
    // recording. What a Vidlet killed while completing left behind is cleared.
    void aStartAfterAQuitAwaitsItsRecordings()
    {
        const QString folder = dir.filePath("after-quit");
        QVERIFY(QDir().mkpath(folder));
        for (const char* name :
             {"Vidlet_1.mp4", "Vidlet_1.mp4.part", "Vidlet_2.mp4", "Vidlet_2.mp4.part"}) {
            QFile file(folder + "/" + name);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const QString completing = folder + "/Vidlet_2.mp4.part";
        const int held = ::open(QFile::encodeName(completing).constData(), O_RDONLY | O_CLOEXEC);
        QCOMPARE(flock(held, LOCK_EX), 0);

        AppSettings settings;
        settings.setRecordingFolder(folder);
        AppController app(settings, testPlaces());
        TestCameraSink::giveTo(app);
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression("^Vidlet: removing .*Vidlet_1"));
        app.start();
        QCOMPARE(app.recordingsBeingCompleted(), 1);
        QVERIFY(!QFile::exists(folder + "/Vidlet_1.mp4.part"));

        QSignalSpy changed(&app, &AppController::changed);
        QCOMPARE(::rename(QFile::encodeName(completing).constData(),
                          QFile::encodeName(folder + "/Vidlet_2.mp4").constData()),
                 0);
        ::close(held);
        QTRY_COMPARE(app.recordingsBeingCompleted(), 0);
        QVERIFY(changed.count() > 0);
    }

    void failedStartStaysOffAndSaysSo()
    {
        auto phone = liveAt(64, 48);
        AppController& app = *phone->app;
        // A folder that is really a file cannot hold a recording.
        const QString blocker = dir.filePath("blocker");
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        app.setRecordingFolder(blocker);
        QSignalSpy changed(&app, &AppController::changed);
        QSignalSpy refused(&app, &AppController::recordingRefused);
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("^Vidlet: cannot create the recording "));
        app.toggleRecording();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(refused.count(), 1); // the window says so
        QVERIFY(!app.recording());
        QVERIFY(app.lastRecordingPath().isEmpty());
        QVERIFY(QDir(blocker).entryList(QDir::Files).isEmpty());
    }
};

QTEST_MAIN(RecordingTest)
#include "RecordingTest.moc"
