#include "video/FfmpegPtr.h"
#include "video/Mp4Recorder.h"
#include "video/YuvToBgr.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <cstdlib>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
}

namespace {

using Bgr = std::array<unsigned char, 3>;

// Distinct colours, blue first, far enough apart that encoding cannot blur one into another.
constexpr std::array<Bgr, 6> palette{{
    {20, 30, 220}, {40, 200, 60}, {210, 50, 40}, {230, 230, 230}, {30, 30, 30}, {200, 180, 20},
}};

// Each quadrant gets its own colour and the colours rotate with the frame number, so a read
// back checks channel order, orientation and frame order at once.
Bgr quadrantColour(int frame, int quadrant) { return palette[std::size_t(frame + quadrant) % 6]; }

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

struct FormatClose {
    void operator()(AVFormatContext* format) const { avformat_close_input(&format); }
};

// What a player finds in a recording: the stream's size, rate and duration, and every picture
// decoded back to BGR with the pipeline's own conversion.
struct Recording {
    bool readable = false;
    int width = 0;
    int height = 0;
    AVRational frameRate{0, 1};
    double seconds = 0;
    std::vector<std::vector<unsigned char>> frames;

};

Recording readBack(const QString& path)
{
    Recording r;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, QFile::encodeName(path).constData(), nullptr, nullptr) < 0)
        return r;
    std::unique_ptr<AVFormatContext, FormatClose> format(raw);
    if (avformat_find_stream_info(raw, nullptr) < 0 || raw->nb_streams != 1)
        return r;
    const AVStream* stream = raw->streams[0];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (stream->codecpar->codec_id != AV_CODEC_ID_H264 || !codec)
        return r;
    AvCodecContextPtr decoder(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(decoder.get(), stream->codecpar);
    if (avcodec_open2(decoder.get(), codec, nullptr) < 0)
        return r;
    r.width = stream->codecpar->width;
    r.height = stream->codecpar->height;
    r.frameRate = stream->avg_frame_rate;
    r.seconds = stream->duration * av_q2d(stream->time_base);

    AvPacketPtr packet(av_packet_alloc());
    AvFramePtr picture(av_frame_alloc());
    auto collect = [&] {
        while (avcodec_receive_frame(decoder.get(), picture.get()) == 0) {
            std::vector<unsigned char> bgr(std::size_t(picture->width) * picture->height * 3);
            YuvToBgr::fromI420(picture->data[0], picture->linesize[0], picture->data[1],
                               picture->linesize[1], picture->data[2], picture->linesize[2],
                               picture->width, picture->height, bgr.data());
            r.frames.push_back(std::move(bgr));
            av_frame_unref(picture.get());
        }
    };
    while (av_read_frame(raw, packet.get()) == 0) {
        avcodec_send_packet(decoder.get(), packet.get());
        av_packet_unref(packet.get());
        collect();
    }
    avcodec_send_packet(decoder.get(), nullptr);
    collect();
    r.readable = true;
    return r;
}

bool near(const unsigned char* got, const Bgr& want, int tolerance = 10)
{
    for (int i = 0; i < 3; ++i)
        if (std::abs(int(got[i]) - int(want[i])) > tolerance)
            return false;
    return true;
}

QString describe(const unsigned char* p) { return QString("%1,%2,%3").arg(p[0]).arg(p[1]).arg(p[2]); }

} // namespace

// The recorder against the real encoder and muxer: every file is read back with libavformat and
// decoded with libavcodec.
class Mp4RecorderTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

private slots:
    void recordsEveryFrameAsWritten_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("fps");
        QTest::addColumn<int>("expectedFps");
        QTest::newRow("even 96x64 at 30") << 96 << 64 << 30 << 30;
        QTest::newRow("25 per second") << 64 << 48 << 25 << 25;
        QTest::newRow("rate 0 means 30") << 64 << 48 << 0 << 30;
        QTest::newRow("negative rate means 30") << 64 << 48 << -5 << 30;
        QTest::newRow("odd width and height") << 97 << 63 << 30 << 30;
        QTest::newRow("smallest") << 1 << 1 << 30 << 30;
    }

    void recordsEveryFrameAsWritten()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, fps);
        QFETCH(int, expectedFps);
        const QString file = path("frames.mp4");
        const int count = 12;
        {
            Mp4Recorder recorder;
            QVERIFY(recorder.start(file, width, height, fps));
            QVERIFY(recorder.isOpen());
            QCOMPARE(recorder.width(), width);
            QCOMPARE(recorder.height(), height);
            for (int i = 0; i < count; ++i)
                recorder.writeFrame(quadrantFrame(width, height, i).data());
            recorder.writeFrame(nullptr);
            recorder.stop();
            QVERIFY(!recorder.isOpen());
        }

        const Recording r = readBack(file);
        QVERIFY(r.readable);
        // 4:2:0 video has even sides: an odd side is one pixel larger in the file.
        QCOMPARE(r.width, width + width % 2);
        QCOMPARE(r.height, height + height % 2);
        QCOMPARE(av_q2d(r.frameRate), double(expectedFps));
        QCOMPARE(qRound(r.seconds * expectedFps), count);
        QCOMPARE(int(r.frames.size()), count);

        for (int i = 0; i < count; ++i) {
            const auto& frame = r.frames[std::size_t(i)];
            for (int q = 0; q < 4; ++q) {
                // The middle of each quadrant, or the only pixel.
                const int x = width < 4 ? 0 : (q % 2) * width / 2 + width / 4;
                const int y = height < 4 ? 0 : (q / 2) * height / 2 + height / 4;
                const Bgr want = width < 4 ? quadrantColour(i, 0) : quadrantColour(i, q);
                const unsigned char* got = frame.data() + (std::size_t(y) * r.width + x) * 3;
                QVERIFY2(near(got, want), qPrintable(QString("frame %1 quadrant %2: %3")
                                                         .arg(i).arg(q).arg(describe(got))));
            }
            // The padding repeats the picture's edge rather than showing a black line.
            const unsigned char* corner =
                frame.data() + (std::size_t(r.height - 1) * r.width + r.width - 1) * 3;
            const Bgr cornerWant = width < 4 ? quadrantColour(i, 0) : quadrantColour(i, 3);
            QVERIFY2(near(corner, cornerWant), qPrintable(describe(corner)));
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
        QVERIFY(!recorder.start(file, width, height, 30));
        QVERIFY(!recorder.isOpen());
        QCOMPARE(recorder.width(), 0);
        QCOMPARE(recorder.height(), 0);
        QVERIFY(!QFile::exists(file));
        recorder.writeFrame(quadrantFrame(4, 4, 0).data());   // closed: ignored
    }

    void secondStartLeavesTheOpenFileAlone()
    {
        const QString first = path("first.mp4");
        const QString second = path("second.mp4");
        Mp4Recorder recorder;
        QVERIFY(recorder.start(first, 64, 48, 30));
        recorder.writeFrame(quadrantFrame(64, 48, 0).data());
        QVERIFY(!recorder.start(second, 32, 32, 30));
        QVERIFY(!QFile::exists(second));
        QCOMPARE(recorder.width(), 64);
        recorder.writeFrame(quadrantFrame(64, 48, 1).data());
        recorder.stop();
        recorder.stop();
        QCOMPARE(recorder.width(), 0);
        QCOMPARE(recorder.height(), 0);

        const Recording r = readBack(first);
        QVERIFY(r.readable);
        QCOMPARE(int(r.frames.size()), 2);
    }

    void reopensWithANewSizeAfterStop()
    {
        Mp4Recorder recorder;
        QVERIFY(recorder.start(path("a.mp4"), 64, 48, 30));
        recorder.writeFrame(quadrantFrame(64, 48, 0).data());
        recorder.stop();
        QVERIFY(recorder.start(path("b.mp4"), 48, 32, 30));
        recorder.writeFrame(quadrantFrame(48, 32, 0).data());
        recorder.stop();
        const Recording a = readBack(path("a.mp4"));
        const Recording b = readBack(path("b.mp4"));
        QVERIFY(a.readable);
        QCOMPARE(a.width, 64);
        QCOMPARE(int(a.frames.size()), 1);
        QVERIFY(b.readable);
        QCOMPARE(b.width, 48);
        QCOMPARE(int(b.frames.size()), 1);
    }

    void destructionFinalisesTheFile()
    {
        const QString file = path("destroyed.mp4");
        {
            Mp4Recorder recorder;
            QVERIFY(recorder.start(file, 64, 48, 30));
            for (int i = 0; i < 3; ++i)
                recorder.writeFrame(quadrantFrame(64, 48, i).data());
        }
        QCOMPARE(int(readBack(file).frames.size()), 3);
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
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Vidlet: cannot create the recording"));
        QVERIFY(!recorder.start(file, 64, 48, 30));
        QVERIFY(!recorder.isOpen());
        QCOMPARE(recorder.width(), 0);
        QVERIFY(!QFile::exists(file));
        // The failure leaves the recorder usable.
        QVERIFY(recorder.start(path("after.mp4"), 64, 48, 30));
        recorder.stop();
    }
};

QTEST_GUILESS_MAIN(Mp4RecorderTest)
#include "Mp4RecorderTest.moc"
