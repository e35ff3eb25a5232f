#include "controller/AppController.h"
#include "tests/controller/TestPlaces.h"
#include "tests/video/FileSizeLimit.h"
#include "tests/video/RecordingReader.h"

#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <optional>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

// Recording control on the real controller: live pictures go through the session pipeline into
// a real MP4 file, which is read back after the recording ends.
class RecordingTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QList<QUrl> openedUrls;

    static Bgr colour(int i)
    {
        static const Bgr colours[] = {{20, 30, 220}, {40, 200, 60}, {210, 50, 40}, {230, 230, 230}};
        return colours[i % 4];
    }

    // One decoded picture of a solid colour through the pipeline; a Wi-Fi frame waits in the
    // pacing queue, so the tick that drains it is run at once.
    static void feed(AppController& app, int width, int height, const Bgr& c)
    {
        std::vector<unsigned char> picture(std::size_t(width) * height * 3);
        for (std::size_t i = 0; i < picture.size(); i += 3)
            std::copy(c.begin(), c.end(), picture.begin() + std::ptrdiff_t(i));
        app.onDecodedFrame(picture.data(), width, height);
        app.onPaceTick();
    }

    static void goLiveWithPhone(AppController& app, int width, int height, bool usb)
    {
        app.start();
        app.onPhoneConnected(7, "dev", "Phone", "Sim", "17", usb);
        app.onStreamInfo(7, width, height, 30);
        QVERIFY(app.live());
    }

    // The file as it stands once its completion, on the recorder's own thread, is over.
    static Recording finished(AppController& app, const QString& path)
    {
        app.recorder.waitForFinished();
        return readRecording(path);
    }

    static void verifyColours(const Recording& r, int count)
    {
        QCOMPARE(int(r.frames.size()), count);
        for (int i = 0; i < count; ++i) {
            const unsigned char* middle = r.pixel(std::size_t(i), r.width / 2, r.height / 2);
            QVERIFY2(nearColour(middle, colour(i)),
                     qPrintable(QString("frame %1: %2").arg(i).arg(describeColour(middle))));
        }
    }

public slots:
    // Stands in for the desktop's file manager.
    void openUrl(const QUrl& url) { openedUrls << url; }

private slots:
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
        AppController app(testPlaces());
        if (live) {
            goLiveWithPhone(app, 64, 48, true);
            app.toggleOutput();
        } else {
            app.start();
        }
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
        AppController app(testPlaces());
        goLiveWithPhone(app, 64, 48, usb);
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

        for (int i = 0; i < 5; ++i)
            feed(app, 64, 48, colour(i));
        // A picture of another size moves the camera, but the file keeps its size and skips it.
        QTest::ignoreMessage(QtInfoMsg,
                             "Vidlet: virtual camera adopts decoder output 32x24 "
                             "(STREAM_INFO said 64x48)");
        feed(app, 32, 24, colour(0));
        QVERIFY(app.recording());

        app.onPhoneDisconnected(7);
        QVERIFY(!app.live());
        QVERIFY(!app.recording());
        QCOMPARE(app.lastRecordingPath(), path);

        const Recording r = finished(app, path);
        QVERIFY(r.readable);
        QCOMPARE(r.width, 64);
        QCOMPARE(r.height, 48);
        verifyColours(r, 5);
        for (std::size_t i = 1; i < r.times.size(); ++i)
            QVERIFY(r.times[i] > r.times[i - 1]);

        // "Show" opens the file's own folder, even after the recordings folder changed.
        app.setRecordingFolder(dir.filePath("elsewhere"));
        QDesktopServices::setUrlHandler("file", this, "openUrl");
        app.showLastRecording();
        QDesktopServices::unsetUrlHandler("file");
        QCOMPARE(openedUrls, QList<QUrl>{QUrl::fromLocalFile(folder)});
        openedUrls.clear();
    }

    // Standard and High differ in bit rate; the choice is kept for the next start. The encoder
    // writes the settings it ran with into the file (libx264's SEI text), where they are read.
    void qualityChoosesTheBitRate()
    {
        for (const int quality : {0, 1}) {
            AppController app(testPlaces());
            QSignalSpy changed(&app, &AppController::changed);
            app.setRecordingQuality(quality);
            app.setRecordingQuality(2); // no such quality
            QCOMPARE(changed.count(), quality == 0 ? 0 : 1);
            goLiveWithPhone(app, 64, 48, true);
            app.setRecordingFolder(dir.filePath(QStringLiteral("quality %1").arg(quality)));
            app.toggleRecording();
            QVERIFY(app.recording());
            for (int i = 0; i < 3; ++i)
                feed(app, 64, 48, colour(i));
            app.toggleRecording();
            QVERIFY(finished(app, app.lastRecordingPath()).readable);
            QFile file(app.lastRecordingPath());
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            QVERIFY(bytes.contains(quality == 1 ? " bitrate=6000 " : " bitrate=3000 "));
        }
        AppController restarted(testPlaces());
        QCOMPARE(restarted.recordingQuality(), 1);
        restarted.setRecordingQuality(0);
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
        AppController app(testPlaces());
        goLiveWithPhone(app, 48, 32, true);
        app.setRecordingFolder(dir.filePath(byToggle ? "toggle" : "stop"));
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression("^Vidlet: recording to .*\\.mp4$"));
        app.toggleRecording();
        const QString path = app.lastRecordingPath();
        feed(app, 48, 32, colour(0));
        feed(app, 48, 32, colour(1));

        QSignalSpy changed(&app, &AppController::changed);
        QTest::ignoreMessage(QtInfoMsg,
                             qPrintable("Vidlet: recording stopped: " + path + ", 2 frames"));
        if (byToggle)
            app.toggleRecording();
        else
            app.stop();
        QCOMPARE(changed.count(), 1);
        QVERIFY(!app.recording());
        QCOMPARE(app.lastRecordingPath(), path);
        feed(app, 48, 32, colour(2)); // no longer recorded

        const Recording r = finished(app, path);
        QVERIFY(r.readable);
        verifyColours(r, 2);
    }

    // Stop and start again at once: the second file gets its own name, the first stays whole.
    void quickRestartKeepsBothRecordings()
    {
        AppController app(testPlaces());
        goLiveWithPhone(app, 48, 32, true);
        app.setRecordingFolder(dir.filePath("quick"));
        QStringList paths;
        for (int take = 0; take < 2; ++take) {
            app.toggleRecording();
            paths << app.lastRecordingPath();
            for (int i = 0; i <= take; ++i)
                feed(app, 48, 32, colour(i));
            app.toggleRecording();
        }
        QVERIFY(paths[0] != paths[1]);
        verifyColours(finished(app, paths[0]), 1);
        verifyColours(readRecording(paths[1]), 2);
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
        AppController app(testPlaces());
        goLiveWithPhone(app, 64, 48, true);
        app.setRecordingFolder(dir.filePath("resized"));
        app.toggleRecording();
        const QString path = app.lastRecordingPath();
        feed(app, 64, 48, colour(0));

        app.onStreamInfo(7, width, height, 30);
        QCOMPARE(app.recording(), keeps);
        feed(app, width, height, colour(1));
        app.stop();

        const Recording r = finished(app, path);
        QVERIFY(r.readable);
        QCOMPARE(r.width, 64);
        verifyColours(r, keeps ? 2 : 1);
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
        AppController app(testPlaces());
        goLiveWithPhone(app, 64, 48, true);
        const QString folder = dir.filePath(deleteFolder ? "deleted" : "full");
        app.setRecordingFolder(folder);
        app.toggleRecording();
        QVERIFY(app.recording());
        const QString path = app.lastRecordingPath();
        QSignalSpy changed(&app, &AppController::changed);
        std::optional<FileSizeLimit> full;
        if (deleteFolder)
            QVERIFY(QDir(folder).removeRecursively());
        else
            full.emplace(QFileInfo(path).size() + 100);
        // The key frame of each second writes the fragment before it.
        for (int i = 0; i < 70 && app.recording(); ++i)
            feed(app, 64, 48, colour(i));
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

    void failedStartStaysOffAndSaysSo()
    {
        AppController app(testPlaces());
        goLiveWithPhone(app, 64, 48, true);
        // A folder that is really a file cannot hold a recording.
        const QString blocker = dir.filePath("blocker");
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        app.setRecordingFolder(blocker);
        QSignalSpy changed(&app, &AppController::changed);
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("^Vidlet: cannot create the recording "));
        app.toggleRecording();
        QCOMPARE(changed.count(), 1);
        QVERIFY(!app.recording());
        QVERIFY(app.lastRecordingPath().isEmpty());
        QVERIFY(QDir(blocker).entryList(QDir::Files).isEmpty());
    }
};

QTEST_MAIN(RecordingTest)
#include "RecordingTest.moc"
