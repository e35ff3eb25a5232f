#include "tests/video/FileSizeLimit.h"
#include "tests/video/Mp4Probe.h"
#include "tests/video/RecordingReader.h"
#include "tests/video/TestEncoder.h"
#include "video/Mp4Recorder.h"
#include "video/RecordingQueue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QTest>

#include <array>
#include <atomic>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

extern "C" {
#include <libavutil/log.h>
}

namespace {

// Distinct colours, blue first, far enough apart that encoding cannot blur one into another.
constexpr std::array<Bgr, 6> palette{{
    {20, 30, 220},
    {40, 200, 60},
    {210, 50, 40},
    {230, 230, 230},
    {30, 30, 30},
    {200, 180, 20},
}};

// Each quadrant gets its own colour and the colours rotate with the frame number, so a read
// back checks channel order, orientation and frame order at once.
Bgr quadrantColour(int frame, int quadrant)
{
    return palette[std::size_t(frame + quadrant) % 6];
}

std::vector<unsigned char> quadrantFrame(int width, int height, int frame)
{
    std::vector<unsigned char> bgr(std::size_t(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Bgr c = quadrantColour(frame, (y * 2 / height) * 2 + x * 2 / width);
            std::copy(c.begin(), c.end(), bgr.begin() + (std::size_t(y) * width + x) * 3);
        }
    return bgr;
}

// The same picture as limited-range BT.601 I420 planes, for even sides whose quadrants keep
// whole 2 x 2 blocks.
std::vector<unsigned char> quadrantPlanes(int width, int height, int frame)
{
    const std::size_t luma = std::size_t(width) * std::size_t(height);
    std::vector<unsigned char> i420(luma * 3 / 2);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Bgr c = quadrantColour(frame, (y * 2 / height) * 2 + x * 2 / width);
            const int b = c[0], g = c[1], r = c[2];
            i420[std::size_t(y) * width + x] =
                static_cast<unsigned char>(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
            if (x % 2 || y % 2)
                continue;
            const std::size_t chroma = std::size_t(y / 2) * (width / 2) + x / 2;
            i420[luma + chroma] =
                static_cast<unsigned char>(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128);
            i420[luma + luma / 4 + chroma] =
                static_cast<unsigned char>(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128);
        }
    return i420;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

} // namespace

// The recorder against the real encoder and muxer: every file is read back with libavformat and
// decoded with libavcodec.
class Mp4RecorderTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    // Hands a frame over as the live feed does, never faster than the encoder takes them: a
    // longer burst than may wait would be left out.
    static void writeInTurn(Mp4Recorder& recorder, const std::vector<unsigned char>& frame)
    {
        QTRY_VERIFY(recorder.framesWaiting() < RecordingQueue::minQueued);
        recorder.writeFrame(frame.data());
    }

private Q_SLOTS:
    // libx264 reports every file it encodes.
    void initTestCase() { av_log_set_level(AV_LOG_ERROR); }

    // Frames carry the time they arrived since the file was opened, so a stall in the live
    // feed stays in the recording.
    void frameTimesFollowArrival()
    {
        const QString file = path("timed.mp4");
        Mp4Recorder recorder;
        QVERIFY(recorder.start(file.toStdWString(), 64, 48, 30));
        QElapsedTimer clock;
        clock.start();
        std::vector<double> written;
        for (int wait : {0, 400, 200, 100}) {
            QTest::qWait(wait);
            written.push_back(clock.nsecsElapsed() / 1e9);
            recorder.writeFrame(quadrantFrame(64, 48, int(written.size())).data());
        }
        recorder.stop();
        recorder.waitForFinished();

        const Recording r = readRecording(file);
        QVERIFY(r.readable);
        QCOMPARE(r.times.size(), written.size());
        for (std::size_t i = 0; i < written.size(); ++i) {
            QVERIFY2(qAbs(r.times[i] - written[i]) < 0.05,
                     qPrintable(QString("frame %1 at %2 s, written at %3 s")
                                    .arg(i)
                                    .arg(r.times[i])
                                    .arg(written[i])));
        }
        QVERIFY(qAbs(r.seconds - (r.times.back() + 1.0 / 30)) < 0.002);
    }

    // Original: the stream's own access units in the file, untouched, from its first key frame;
    // pictures are not for it, and it needs the stream's parameter sets.
    void originalStoresTheUnitsFromTheFirstKeyFrame()
    {
        const TestEncoder stream = TestEncoder::ofSize(64, 48, 5);
        const auto unit = [&](std::size_t i) {
            return QByteArray(reinterpret_cast<const char*>(stream.units[i].bytes.data()),
                              qsizetype(stream.units[i].bytes.size()));
        };
        const QString file = path("original.mp4");
        Mp4Recorder recorder;
        QVERIFY(!recorder.startOriginal(file.toStdWString(), 64, 48, 30, {}, 0));
        QVERIFY(recorder.startOriginal(file.toStdWString(), 64, 48, 30, stream.config, 0));
        QVERIFY(recorder.isOriginal() && recorder.waitsForKeyframe());
        recorder.writeFrame(quadrantFrame(64, 48, 0).data());
        recorder.writeAccessUnit(stream.units[1].bytes.data(), stream.units[1].bytes.size(), false);
        QVERIFY(recorder.waitsForKeyframe());
        for (std::size_t i = 0; i < stream.units.size(); ++i)
            recorder.writeAccessUnit(stream.units[i].bytes.data(), stream.units[i].bytes.size(),
                                     i == 0);
        QVERIFY(!recorder.waitsForKeyframe());
        QCOMPARE(recorder.framesDropped(), 0u);
        recorder.stop();
        recorder.waitForFinished();

        const Recording r = readRecording(file);
        QVERIFY(r.readable);
        QCOMPARE(int(r.packetNals.size()), 5);
        for (std::size_t i = 0; i < r.packetNals.size(); ++i)
            QCOMPARE(r.packetNals[i], annexBNals(unit(i)));
        QCOMPARE(int(r.frames.size()), 5);
        QCOMPARE(r.clockwiseDegrees, 0);
    }

    void recordsEveryFrameAsWritten_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("fps");
        QTest::addColumn<int>("expectedFps");
        QTest::addColumn<bool>("planes"); // the decoder's I420 instead of BGR
        QTest::newRow("even 96x64 at 30") << 96 << 64 << 30 << 30 << false;
        QTest::newRow("25 per second") << 64 << 48 << 25 << 25 << false;
        QTest::newRow("rate 0 means 30") << 64 << 48 << 0 << 30 << false;
        QTest::newRow("negative rate means 30") << 64 << 48 << -5 << 30 << false;
        QTest::newRow("odd width and height") << 97 << 63 << 30 << 30 << false;
        QTest::newRow("smallest") << 1 << 1 << 30 << 30 << false;
        if (Mp4Recorder::takesPlanes())
            QTest::newRow("I420 planes, 96x64") << 96 << 64 << 30 << 30 << true;
    }

    void recordsEveryFrameAsWritten()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, fps);
        QFETCH(int, expectedFps);
        QFETCH(bool, planes);
        const QString file = dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + ".mp4");
        const int count = 12;
        {
            Mp4Recorder recorder;
            QVERIFY(recorder.start(file.toStdWString(), width, height, fps));
            QVERIFY(recorder.isOpen());
            QCOMPARE(recorder.width(), width);
            QCOMPARE(recorder.height(), height);
            for (int i = 0; i < count; ++i) {
                if (planes)
                    recorder.writePlanes(quadrantPlanes(width, height, i).data());
                else
                    recorder.writeFrame(quadrantFrame(width, height, i).data());
            }
            recorder.writeFrame(nullptr);
            recorder.stop();
            QVERIFY(!recorder.isOpen());
        }

        const Recording r = readRecording(file);
        QVERIFY(r.readable);
        // 4:2:0 video has even sides: an odd side is one pixel larger in the file.
        QCOMPARE(r.width, width + width % 2);
        QCOMPARE(r.height, height + height % 2);
        QCOMPARE(int(r.frames.size()), count);
        // Written back to back, the frames follow each other closely; the last one claims the
        // nominal frame duration.
        QVERIFY(r.times.back() < 1.0);
        QVERIFY2(qAbs(r.seconds - (r.times.back() + 1.0 / expectedFps)) < 0.002,
                 qPrintable(QString("duration %1 s").arg(r.seconds)));

        for (int i = 0; i < count; ++i) {
            for (int q = 0; q < 4; ++q) {
                // The middle of each quadrant, or the only pixel.
                const int x = width < 4 ? 0 : (q % 2) * width / 2 + width / 4;
                const int y = height < 4 ? 0 : (q / 2) * height / 2 + height / 4;
                const Bgr want = width < 4 ? quadrantColour(i, 0) : quadrantColour(i, q);
                const unsigned char* got = r.pixel(std::size_t(i), x, y);
                QVERIFY2(nearColour(got, want),
                         qPrintable(QString("frame %1 quadrant %2: %3")
                                        .arg(i)
                                        .arg(q)
                                        .arg(describeColour(got))));
            }
            // The padding repeats the picture's edge rather than showing a black line.
            const unsigned char* corner = r.pixel(std::size_t(i), r.width - 1, r.height - 1);
            const Bgr cornerWant = width < 4 ? quadrantColour(i, 0) : quadrantColour(i, 3);
            QVERIFY2(nearColour(corner, cornerWant), qPrintable(describeColour(corner)));
        }
    }

    void refusesSizesOutsideTheRange_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("width 0") << 0 << 720;
        QTest::newRow("width 8193") << 8193 << 720;
        QTest::newRow("height 0") << 1280 << 0;
        QTest::newRow("height 8193") << 1280 << 8193;
        QTest::newRow("negative") << -1280 << -720;
    }

    void refusesSizesOutsideTheRange()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        const QString file = path("refused.mp4");
        Mp4Recorder recorder;
        QVERIFY(!recorder.start(file.toStdWString(), width, height, 30));
        QVERIFY(!recorder.isOpen());
        QCOMPARE(recorder.width(), 0);
        QCOMPARE(recorder.height(), 0);
        QVERIFY(!QFile::exists(file));
        recorder.writeFrame(quadrantFrame(4, 4, 0).data()); // closed: ignored
    }

    void secondStartLeavesTheOpenFileAlone()
    {
        const QString first = path("first.mp4");
        const QString second = path("second.mp4");
        Mp4Recorder recorder;
        QVERIFY(recorder.start(first.toStdWString(), 64, 48, 30));
        recorder.writeFrame(quadrantFrame(64, 48, 0).data());
        QVERIFY(!recorder.start(second.toStdWString(), 32, 32, 30));
        QVERIFY(!QFile::exists(second));
        QCOMPARE(recorder.width(), 64);
        recorder.writeFrame(quadrantFrame(64, 48, 1).data());
        recorder.stop();
        recorder.stop();
        QCOMPARE(recorder.width(), 0);
        QCOMPARE(recorder.height(), 0);
        recorder.waitForFinished();

        const Recording r = readRecording(first);
        QVERIFY(r.readable);
        QCOMPARE(int(r.frames.size()), 2);
    }

    void reopensWithANewSizeAfterStop()
    {
        Mp4Recorder recorder;
        QVERIFY(recorder.start(path("a.mp4").toStdWString(), 64, 48, 30));
        recorder.writeFrame(quadrantFrame(64, 48, 0).data());
        recorder.stop();
        QVERIFY(recorder.start(path("b.mp4").toStdWString(), 48, 32, 30));
        recorder.writeFrame(quadrantFrame(48, 32, 0).data());
        recorder.stop();
        recorder.waitForFinished();
        const Recording a = readRecording(path("a.mp4"));
        const Recording b = readRecording(path("b.mp4"));
        QVERIFY(a.readable);
        QCOMPARE(a.width, 64);
        QCOMPARE(int(a.frames.size()), 1);
        QVERIFY(b.readable);
        QCOMPARE(b.width, 48);
        QCOMPARE(int(b.frames.size()), 1);
    }

    // While open the file is fragmented MP4, complete up to its last key frame, which is what
    // a crash leaves; a stop turns it into an ordinary MP4 with its index in front.
    void playsWhileOpenAndEndsAsAnOrdinaryMp4()
    {
        const QString file = path("hybrid.mp4");
        Mp4Recorder recorder;
        QVERIFY(recorder.start(file.toStdWString(), 64, 48, 30));
        for (int i = 0; i < 70; ++i)
            writeInTurn(recorder, quadrantFrame(64, 48, i));
        // The recorder's thread writes a fragment once the next key frame is encoded.
        QTRY_VERIFY(Mp4Probe::framesPlayed(file) >= 60);
        const QString crashed = path("crashed.mp4");
        QVERIFY(QFile::copy(file, crashed));
        QVERIFY(Mp4Probe::topLevelBoxes(crashed).contains("moof"));

        recorder.stop();
        recorder.waitForFinished();
        const QStringList boxes = Mp4Probe::topLevelBoxes(file);
        QVERIFY2(Mp4Probe::isOrdinary(boxes), qPrintable(boxes.join(' ')));
        QCOMPARE(Mp4Probe::framesPlayed(file), 70);
        QVERIFY(!QFile::exists(file + ".part"));
    }

    // The copy that would make an ordinary MP4 cannot be made (here its name is taken; a disk
    // that fills during the copy takes the same way): the recording stays as it was recorded,
    // plays, and the recorder says so once, from its own thread.
    void aRecordingThatCannotBeCompletedIsKeptAndTold()
    {
        const QString file = path("kept.mp4");
        Mp4Recorder recorder;
        std::atomic<int> told{0};
        QString toldOf;
        recorder.keptFragmentedCallback = [&](const std::filesystem::path& kept) {
            toldOf = QString::fromStdU16String(kept.u16string());
            ++told;
        };
        QVERIFY(recorder.start(file.toStdWString(), 64, 48, 30));
        for (int i = 0; i < 40; ++i)
            writeInTurn(recorder, quadrantFrame(64, 48, i));
        QFile taken(file + ".part");
        QVERIFY(taken.open(QIODevice::WriteOnly));
        taken.write("another program's");
        taken.close();
        QTest::ignoreMessage(QtWarningMsg,
                             qPrintable("Vidlet: the recording " + file + " stays fragmented"));
        recorder.stop();
        recorder.waitForFinished();
        QCOMPARE(told.load(), 1);
        QCOMPARE(toldOf, file);
        QVERIFY(Mp4Probe::topLevelBoxes(file).contains("moof"));
        QCOMPARE(int(readRecording(file).frames.size()), 40);
        QCOMPARE(readAll(file + ".part"), QByteArray("another program's"));
    }

    void destructionFinalisesTheFile()
    {
        const QString file = path("destroyed.mp4");
        {
            Mp4Recorder recorder;
            QVERIFY(recorder.start(file.toStdWString(), 64, 48, 30));
            for (int i = 0; i < 3; ++i)
                recorder.writeFrame(quadrantFrame(64, 48, i).data());
        }
        QCOMPARE(int(readRecording(file).frames.size()), 3);
    }

    // A relative path that looks like an FFmpeg protocol still names a file, not standard output.
    void pathsAreAlwaysFiles()
    {
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        Mp4Recorder recorder;
        const bool started = recorder.start("pipe:1.mp4", 32, 32, 30);
        recorder.writeFrame(quadrantFrame(32, 32, 0).data());
        recorder.stop();
        recorder.waitForFinished();
        QDir::setCurrent(previous);
        QVERIFY(started);
        QCOMPARE(int(readRecording(dir.filePath("pipe:1.mp4")).frames.size()), 1);
    }

    void unwritablePathFailsAndLeavesNoFile()
    {
        // A folder that is really a file: nothing can be created below it, even by root.
        const QString blocker = path("blocker");
        QFile block(blocker);
        QVERIFY(block.open(QIODevice::WriteOnly));
        block.close();
        const QString file = blocker + "/clip.mp4";
        Mp4Recorder recorder;
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("^Vidlet: cannot create the recording"));
        QVERIFY(!recorder.start(file.toStdWString(), 64, 48, 30));
        QVERIFY(!recorder.isOpen());
        QCOMPARE(recorder.width(), 0);
        QVERIFY(!QFile::exists(file));
        // The failure leaves the recorder usable.
        QVERIFY(recorder.start(path("after.mp4").toStdWString(), 64, 48, 30));
        recorder.stop();
    }

    // A file of the name is never replaced, and a failed start deletes only a file it created
    // itself: an empty file there is a name the caller reserved, and stays the caller's.
    void neverReplacesNorDeletesAnotherFile()
    {
        const QString taken = path("taken.mp4");
        writeFile(taken, "someone's clip");
        Mp4Recorder recorder;
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("^Vidlet: cannot create the recording .*taken"));
        QVERIFY(!recorder.start(taken.toStdWString(), 64, 48, 30));
        QCOMPARE(readAll(taken), QByteArray("someone's clip"));

        const QString reserved = path("reserved.mp4");
        writeFile(reserved, "");
        const QString fresh = path("fresh.mp4");
        {
            // A disk that takes a few bytes: the start fails writing the header.
            const FileSizeLimit full(16);
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression("^Vidlet: cannot start the recording"));
            QVERIFY(!recorder.start(reserved.toStdWString(), 64, 48, 30));
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression("^Vidlet: cannot start the recording"));
            QVERIFY(!recorder.start(fresh.toStdWString(), 64, 48, 30));
        }
        QVERIFY(QFile::exists(reserved));
        QVERIFY(!QFile::exists(fresh));
        QVERIFY(recorder.start(fresh.toStdWString(), 16, 16, 30)); // still usable
    }

    // A Vidlet killed while it completed a recording leaves its copy beside the recording; the
    // next start clears it, but not a copy that a running Vidlet still writes (it holds a lock
    // on it) nor anything that is not a recording's copy.
    void copiesLeftByAKilledVidletAreCleared()
    {
        const QString folder = path("sweep");
        QVERIFY(QDir().mkpath(folder));
        const auto make = [&](const QString& name) {
            writeFile(folder + "/" + name, "bytes");
            return folder + "/" + name;
        };
        make("Vidlet_1.mp4");
        const QString left = make("Vidlet_1.mp4.part");
        make("Vidlet_2.mp4");
        const QString completing = make("Vidlet_2.mp4.part");
        make("clip.mp4");
        const QString download = make("clip.mp4.part");  // a browser's unfinished download
        const QString alone = make("Vidlet_3.mp4.part"); // beside no recording
        make("Vidlet_4.mp4");
        const QString target = make("elsewhere");
        QVERIFY(QFile::link(target, folder + "/Vidlet_4.mp4.part"));

        const int held = ::open(QFile::encodeName(completing).constData(), O_RDONLY | O_CLOEXEC);
        QCOMPARE(flock(held, LOCK_EX), 0);
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression("^Vidlet: removing .*Vidlet_1"));
        QCOMPARE(Mp4Recorder::sweepUnfinished(folder.toStdWString()), 1);
        QVERIFY(!QFile::exists(left));
        for (const QString& kept : {completing, download, alone, target})
            QCOMPARE(readAll(kept), QByteArray("bytes"));
        QVERIFY(QFileInfo(folder + "/Vidlet_4.mp4.part").isSymLink());

        ::close(held); // that Vidlet is done; had it been killed, the copy would be left over
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression("^Vidlet: removing .*Vidlet_2"));
        QCOMPARE(Mp4Recorder::sweepUnfinished(folder.toStdWString()), 0);
        QVERIFY(!QFile::exists(completing));
        QCOMPARE(Mp4Recorder::sweepUnfinished(path("no-such-folder").toStdWString()), 0);
    }

    // A full disk fails the file: the recorder says so once, from its own thread, takes no more
    // frames and keeps what it wrote.
    void fullDiskFailsTheFile()
    {
        const QString file = path("full.mp4");
        Mp4Recorder recorder;
        std::atomic<int> calls{0};
        std::atomic<int> reported{0};
        recorder.failureCallback = [&](Mp4Recorder::Failure why) {
            reported = int(why);
            ++calls;
        };
        QVERIFY(recorder.start(file.toStdWString(), 64, 48, 30));
        {
            const FileSizeLimit full(QFileInfo(file).size() + 100);
            // The key frame of each second closes a fragment, which is written at once.
            for (int i = 0; i < 70; ++i)
                writeInTurn(recorder, quadrantFrame(64, 48, i));
            QTRY_COMPARE(int(recorder.failure()), int(Mp4Recorder::Failure::WriteFailed));
        }
        recorder.writeFrame(quadrantFrame(64, 48, 0).data());
        QTRY_COMPARE(calls.load(), 1);
        QCOMPARE(reported.load(), int(Mp4Recorder::Failure::WriteFailed));
        QVERIFY(recorder.isOpen());
        recorder.stop();
        recorder.waitForFinished();
        QCOMPARE(int(recorder.failure()), int(Mp4Recorder::Failure::None));
        QCOMPARE(calls.load(), 1);
        QVERIFY(QFile::exists(file));
        QVERIFY(!QFile::exists(file + ".part"));
    }

    // On Linux an open file outlives its deleted folder, so without a check every frame would
    // go into a file nobody can reach.
    void deletedFolderFailsTheFile()
    {
        const QString folder = path("gone");
        QVERIFY(QDir().mkpath(folder));
        Mp4Recorder recorder;
        std::atomic<int> removed{0};
        recorder.failureCallback = [&](Mp4Recorder::Failure why) {
            removed += why == Mp4Recorder::Failure::FileRemoved;
        };
        QVERIFY(recorder.start((folder + "/clip.mp4").toStdWString(), 64, 48, 30));
        recorder.writeFrame(quadrantFrame(64, 48, 0).data());
        QVERIFY(QDir(folder).removeRecursively());
        recorder.writeFrame(quadrantFrame(64, 48, 1).data());
        QTRY_COMPARE(int(recorder.failure()), int(Mp4Recorder::Failure::FileRemoved));
        QTRY_COMPARE(removed.load(), 1);
        recorder.stop();
        recorder.waitForFinished();
        QVERIFY(!QFileInfo::exists(folder));
    }

    // stop() leaves the file's completion (the last frames, the rewrite into an ordinary MP4)
    // to the recorder's thread: the caller, the window's thread, goes on at once. Four 1080p
    // frames still queued and the rewrite take tens of milliseconds, the check a few
    // microseconds.
    void stopReturnsBeforeTheFileIsComplete()
    {
        const QString file = path("large.mp4");
        const std::vector<unsigned char> frame = quadrantFrame(1920, 1080, 0);
        Mp4Recorder recorder;
        QVERIFY(recorder.start(file.toStdWString(), 1920, 1080, 30));
        for (int i = 0; i < 10; ++i)
            recorder.writeFrame(frame.data());
        recorder.stop();
        QVERIFY(!Mp4Probe::isOrdinary(Mp4Probe::topLevelBoxes(file)));
        recorder.waitForFinished();
        QVERIFY(Mp4Probe::isOrdinary(Mp4Probe::topLevelBoxes(file)));
        QCOMPARE(Mp4Probe::framesPlayed(file), 10);
    }
};

QTEST_GUILESS_MAIN(Mp4RecorderTest)
#include "Mp4RecorderTest.moc"
