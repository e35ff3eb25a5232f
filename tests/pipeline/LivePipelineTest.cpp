#include "pipeline/LivePipeline.h"
#include "tests/controller/TestCameraSink.h"
#include "tests/pipeline/ManualClock.h"
#include "tests/video/RecordingReader.h"
#include "tests/video/TestEncoder.h"
#include "video/H264Decoder.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <optional>

// The live path as its own stages, with the real decoder and a camera of the test's: nothing
// reaches the camera, and the camera never changes size, before decode() has returned.
class LivePipelineTest : public QObject {
    Q_OBJECT

    static QByteArray bytes(const std::vector<std::uint8_t>& data)
    {
        return QByteArray(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
    }

    // Every picture of `stream` as a decoder of its own gives it: I420 planes, or BGR.
    static std::vector<std::vector<unsigned char>> decodedAlone(const TestEncoder& stream,
                                                                bool planes)
    {
        H264Decoder decoder;
        std::vector<unsigned char> buffer;
        std::vector<std::vector<unsigned char>> pictures;
        if (planes)
            decoder.planesTarget = [&](int width, int height) {
                buffer.resize(std::size_t(width) * std::size_t(height) * 3 / 2);
                return buffer.data();
            };
        decoder.frameCallback = [&](const unsigned char* pixels, int width, int height,
                                    unsigned long long) {
            const std::size_t bytes = std::size_t(width) * std::size_t(height) * (planes ? 3 : 6);
            pictures.emplace_back(pixels, pixels + bytes / 2);
        };
        decoder.initialize(64, 48);
        decoder.decode(stream.config.data(), stream.config.size(), 0);
        for (const TestEncoder::AccessUnit& unit : stream.units)
            decoder.decode(unit.bytes.data(), unit.bytes.size(), unit.ptsUsec);
        return pictures;
    }

    struct Rig {
        ManualClock clock;
        TestCameraSink* camera = new TestCameraSink;
        LivePipeline pipeline{std::unique_ptr<IVirtualCameraSink>(camera), clock};

        // Over USB: nothing waits in a pacer.
        explicit Rig(QSize size)
        {
            pipeline.camera().resize(size);
            pipeline.begin(size, false);
        }
        // The phone stamps each unit with its own clock; by default the stream's time.
        int decode(const TestEncoder& stream, std::size_t unit,
                   std::optional<std::uint64_t> ptsUsec = {})
        {
            if (unit == 0)
                pipeline.configure(bytes(stream.config));
            return pipeline.decode(bytes(stream.units[unit].bytes),
                                   ptsUsec.value_or(stream.units[unit].ptsUsec));
        }
    };

private Q_SLOTS:
    void picturesLeaveOnlyWhenPassed()
    {
        Rig rig({64, 48});
        QSignalSpy preview(&rig.pipeline, &LivePipeline::frameReady);
        const TestEncoder frames = TestEncoder::ofSize(64, 48, 2);
        QCOMPARE(rig.decode(frames, 0), 1);
        QCOMPARE(rig.camera->frameCount(), 0);
        QCOMPARE(preview.count(), 0);
        rig.pipeline.pass();
        QCOMPARE(rig.camera->frameCount(), 1);
        QCOMPARE(preview.count(), 1);
        QCOMPARE(rig.pipeline.framesDecoded(), std::uint64_t(1));
    }

    // The camera takes a new size after the decoder returns, never inside it, and at most once
    // a second: until then the pictures of the new size are fitted into the old one.
    void aNewSizeMovesTheCameraAfterTheDecoder()
    {
        Rig rig({64, 48});
        const TestEncoder larger = TestEncoder::ofSize(96, 64, 2);
        QCOMPARE(rig.decode(larger, 0), 1);
        rig.pipeline.pass();
        QCOMPARE(rig.camera->size(), QSize(64, 48));
        QCOMPARE(rig.camera->frameCount(), 1);
        rig.clock.set(1000);
        QCOMPARE(rig.decode(larger, 1), 1);
        QCOMPARE(rig.camera->size(), QSize(64, 48));
        QTest::ignoreMessage(QtInfoMsg,
                             "Vidlet: virtual camera adopts decoder output 96x64 "
                             "(STREAM_INFO said 64x48)");
        rig.pipeline.pass();
        QCOMPARE(rig.camera->size(), QSize(96, 64));
        QCOMPARE(rig.camera->frameCount(), 2);
    }

    // A program reading the camera that cannot follow a size change keeps the size it opened,
    // whatever the stream does: a picture of another shape is scaled into it between black bars, and the preview shows the
    // same. Once nobody reads it, the camera follows the stream again.
    void aReaderKeepsTheCameraSize()
    {
        Rig rig({64, 48});
        rig.camera->sizeHeld = true;
        QSignalSpy preview(&rig.pipeline, &LivePipeline::frameReady);
        QSignalSpy resized(&rig.pipeline, &LivePipeline::cameraResized);
        const TestEncoder wide = TestEncoder::ofSize(96, 64, 3);
        for (std::size_t unit = 0; unit < 2; ++unit) {
            rig.clock.set(std::int64_t(unit) * 5000);
            QCOMPARE(rig.decode(wide, unit, rig.clock.nowUs()), 1);
            rig.pipeline.pass();
        }
        QCOMPARE(rig.camera->size(), QSize(64, 48));
        QCOMPARE(rig.camera->starts(), 1);
        QCOMPARE(resized.count(), 0);
        QCOMPARE(rig.camera->frameCount(), 2);
        // 3:2 in 4:3: 64x43 from row 2, black above and below.
        const QImage frame = rig.camera->frame();
        for (int y : {0, 1, 45, 46, 47})
            QCOMPARE(frame.pixel(32, y), qRgb(0, 0, 0));
        QVERIFY(frame.pixel(32, 24) != qRgb(0, 0, 0));
        QCOMPARE(preview.last().at(0).value<QImage>().convertToFormat(frame.format()), frame);

        rig.camera->sizeHeld = false;
        rig.clock.set(20000);
        QTest::ignoreMessage(QtInfoMsg,
                             "Vidlet: virtual camera adopts decoder output 96x64 "
                             "(STREAM_INFO said 64x48)");
        QCOMPARE(rig.decode(wide, 2, rig.clock.nowUs()), 1);
        rig.pipeline.pass();
        QCOMPARE(rig.camera->size(), QSize(96, 64));
        QCOMPARE(resized.count(), 1);
    }

    // The program was stopped for ten seconds while the phone went on: the units it sent
    // meanwhile arrive in a burst and are decoded (the next ones need them) but never shown,
    // on the camera or in the preview; the live unit after them is.
    void aBacklogIsDecodedButNotShown()
    {
        Rig rig({64, 48});
        QSignalSpy preview(&rig.pipeline, &LivePipeline::frameReady);
        const TestEncoder stream = TestEncoder::ofSize(64, 48, 4);
        QCOMPARE(rig.decode(stream, 0, 0), 1);
        rig.pipeline.pass();
        rig.clock.set(10'000);
        QCOMPARE(rig.decode(stream, 1, 33'333), 1);
        rig.pipeline.pass();
        QCOMPARE(rig.decode(stream, 2, 66'667), 1);
        rig.pipeline.pass();
        QCOMPARE(rig.camera->frameCount(), 1);
        QCOMPARE(preview.count(), 1);
        QCOMPARE(rig.decode(stream, 3, 9'966'667), 1);
        rig.pipeline.pass();
        QCOMPARE(rig.camera->frameCount(), 2);
        QCOMPARE(preview.count(), 2);
        QCOMPARE(rig.pipeline.framesDecoded(), 4u);
    }

    // A camera that takes planes gets the decoder's own while nothing else wants BGR, mirrored
    // when asked; once the preview shows, the camera and the preview get BGR of the picture.
    void theCameraTakesTheDecodersPlanes()
    {
        Rig rig({64, 48});
        rig.camera->planesTaken = true;
        rig.pipeline.fanOut().setPreviewShown(false);
        QSignalSpy preview(&rig.pipeline, &LivePipeline::frameReady);
        const TestEncoder stream = TestEncoder::ofSize(64, 48, 3);
        const auto planes = decodedAlone(stream, true);
        const auto bgr = decodedAlone(stream, false);
        QCOMPARE(planes.size(), std::size_t(3));

        QCOMPARE(rig.decode(stream, 0), 1);
        rig.pipeline.pass();
        QVERIFY(rig.camera->planes() == planes[0]);
        QVERIFY(rig.camera->frame().isNull());

        rig.pipeline.setMirrored(true);
        QCOMPARE(rig.decode(stream, 1), 1);
        rig.pipeline.pass();
        const std::vector<unsigned char> mirrored = rig.camera->planes();
        QCOMPARE(mirrored.size(), planes[1].size());
        // Rows of 64 luma samples, then 48 rows of 32 chroma samples (U, then V).
        for (std::size_t i = 0; i < mirrored.size(); ++i) {
            const std::size_t width = i < 64 * 48 ? 64 : 32;
            const std::size_t start = i < 64 * 48 ? 0 : 64 * 48;
            const std::size_t row = (i - start) / width, x = (i - start) % width;
            QCOMPARE(mirrored[i], planes[1][start + row * width + width - 1 - x]);
        }

        rig.pipeline.setMirrored(false);
        rig.pipeline.fanOut().setPreviewShown(true);
        QCOMPARE(rig.decode(stream, 2), 1);
        rig.pipeline.pass();
        QVERIFY(rig.camera->planes().empty());
        const QImage frame = rig.camera->frame();
        QVERIFY(std::equal(bgr[2].begin(), bgr[2].end(), frame.constBits()));
        QCOMPARE(preview.count(), 1);
        QCOMPARE(preview.last().at(0).value<QImage>().convertToFormat(frame.format()), frame);
    }

    // A Standard recording takes the planes too: the camera keeps getting them, and the file
    // holds every picture, as the decoder made it within the encoder's loss.
    void aRecordingTakesThePlanesToo()
    {
        if (!Mp4Recorder::takesPlanes())
            QSKIP("this platform's recorder encodes BGR only");
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("planes.mp4"));
        Rig rig({64, 48});
        rig.camera->planesTaken = true;
        rig.pipeline.fanOut().setPreviewShown(false);
        QVERIFY(rig.pipeline.recorder().start(file.toStdWString(), 64, 48, 30));
        const TestEncoder stream = TestEncoder::ofSize(64, 48, 3);
        const auto bgr = decodedAlone(stream, false);
        for (std::size_t unit = 0; unit < 3; ++unit) {
            QCOMPARE(rig.decode(stream, unit), 1);
            rig.pipeline.pass();
            QVERIFY(!rig.camera->planes().empty());
        }
        QCOMPARE(rig.pipeline.fanOut().takeRecordedFrames(), std::uint64_t(3));
        rig.pipeline.recorder().stop();
        rig.pipeline.recorder().waitForFinished();

        const Recording recording = readRecording(file);
        QVERIFY(recording.readable);
        QCOMPARE(recording.frames.size(), std::size_t(3));
        for (std::size_t i = 0; i < 3; ++i) {
            long error = 0;
            for (std::size_t b = 0; b < bgr[i].size(); ++b)
                error += std::abs(int(recording.frames[i][b]) - int(bgr[i][b]));
            QVERIFY2(error / long(bgr[i].size()) < 6,
                     qPrintable(QStringLiteral("picture %1 differs by %2 on average")
                                    .arg(i)
                                    .arg(error / long(bgr[i].size()))));
        }
    }

    // While nothing would show a picture (no reader, no preview, no recording), pictures are
    // decoded but not converted, but for one a second, so that a program opening the camera
    // starts on a recent one.
    void unseenPicturesAreRefreshedOnceASecond()
    {
        Rig rig({64, 48});
        rig.camera->read = false;
        rig.pipeline.fanOut().setPreviewShown(false);
        const TestEncoder frames = TestEncoder::ofSize(64, 48, 3);
        QCOMPARE(rig.decode(frames, 0), 1);
        rig.pipeline.pass();
        QCOMPARE(rig.camera->frameCount(), 1); // the stream's first picture
        rig.clock.set(999);
        QCOMPARE(rig.decode(frames, 1), 1);
        rig.pipeline.pass();
        QCOMPARE(rig.camera->frameCount(), 1);
        rig.clock.set(1000);
        QCOMPARE(rig.decode(frames, 2), 1);
        rig.pipeline.pass();
        QCOMPARE(rig.camera->frameCount(), 2);
        QCOMPARE(rig.pipeline.framesDecoded(), std::uint64_t(3));
    }
};

QTEST_GUILESS_MAIN(LivePipelineTest)
#include "LivePipelineTest.moc"
