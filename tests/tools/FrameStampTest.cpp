#include "H264TestDecoder.h"

#include "tools/common/FrameStamp.h"
#include "tools/vidlet-phone/TestPattern.h"
#include "tools/vidlet-phone/X264Encoder.h"

#include <QtTest>

#include <vector>

extern "C" {
#include <libavutil/log.h>
}

class FrameStampTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { av_log_set_level(AV_LOG_ERROR); }
    void survivesH264RoundTrip_data();
    void survivesH264RoundTrip();
    void bgrRoundTripIsExact();
    void refusesPictureWithoutStamp_data();
    void refusesPictureWithoutStamp();
    void encodeRefusesSmallPicture();
    void clockIsShared();
};

void FrameStampTest::survivesH264RoundTrip_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("kbps");
    QTest::newRow("640x360") << 640 << 360 << 1500;
    // Not a whole number of macroblocks either way.
    QTest::newRow("odd 362x202") << 362 << 202 << 150;
    // Rate control starved to the coarsest quantiser H.264 has.
    QTest::newRow("1280x720 at 600 kbps, quantiser 51") << 1280 << 720 << 600;
}

// The stamp has to come out of libx264, libavcodec and a YUV to BGR conversion bit for bit,
// on every frame, key frame or not.
void FrameStampTest::survivesH264RoundTrip()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, kbps);
    X264Encoder encoder;
    QVERIFY(encoder.open(width, height, 30, kbps, 60));
    H264TestDecoder decoder;
    QVERIFY(decoder.isOpen());
    const TestPattern pattern(width, height);

    constexpr int kFrames = 40;
    std::vector<FrameStamp> sent;
    std::vector<FrameStamp> read;
    for (int i = 0; i < kFrames; ++i) {
        const X264Encoder::Picture picture = encoder.picture();
        QVERIFY(picture.y);
        pattern.draw(picture, i);
        // Times with high bits set check all 64 bits travel.
        const FrameStamp stamp{quint32(0xC0000000u + i),
                               0x0123456789ABCDEFull + quint64(i) * 33333};
        QVERIFY(stamp.encodeI420(picture.y, picture.yStride, picture.u, picture.uStride, picture.v,
                                 picture.vStride, width, height));
        sent.push_back(stamp);
        const auto unit = encoder.encode(i * 33333, i == 0);
        QVERIFY(unit);
        QCOMPARE(unit->keyframe, i == 0);
        for (const auto& out : decoder.decode(unit->annexB)) {
            QCOMPARE(out.width, width);
            QCOMPARE(out.height, height);
            const auto stampRead = FrameStamp::decode(out.bgr.data(), out.width, out.height);
            QVERIFY2(stampRead,
                     qPrintable(QStringLiteral("no stamp in picture %1").arg(read.size())));
            read.push_back(*stampRead);
        }
    }
    QCOMPARE(int(read.size()), kFrames);
    QVERIFY(read == sent);
}

void FrameStampTest::bgrRoundTripIsExact()
{
    // Odd sizes: rows of width * 3 bytes, no padding to a multiple of anything.
    const int width = 301, height = 41;
    std::vector<unsigned char> bgr(size_t(width) * height * 3, 0x80);
    const FrameStamp stamp{7, FrameStamp::nowUsec()};
    QVERIFY(stamp.encodeBgr(bgr.data(), width, height));
    const auto read = FrameStamp::decode(bgr.data(), width, height);
    QVERIFY(read);
    QCOMPARE(read->frame, stamp.frame);
    QCOMPARE(read->timeUsec, stamp.timeUsec);
    // The stamp stays in its corner: the rest of the first row is untouched.
    QCOMPARE(bgr[size_t(FrameStamp::kWidth) * 3], 0x80);
}

void FrameStampTest::refusesPictureWithoutStamp_data()
{
    QTest::addColumn<QString>("picture");
    QTest::newRow("test pattern only") << "pattern";
    QTest::newRow("uniform grey") << "grey";
    QTest::newRow("all white") << "white";
    QTest::newRow("one block flipped") << "flipped";
    QTest::newRow("marker only") << "marker";
}

void FrameStampTest::refusesPictureWithoutStamp()
{
    QFETCH(QString, picture);
    const int width = 320, height = 240;
    std::vector<unsigned char> bgr(size_t(width) * height * 3, 0x80);
    const FrameStamp stamp{1234, 987654321};
    if (picture == "pattern") {
        // A decoded picture of the pattern, with no stamp drawn into it.
        X264Encoder encoder;
        QVERIFY(encoder.open(width, height, 30, 2000, 30));
        TestPattern(width, height).draw(encoder.picture(), 5);
        H264TestDecoder decoder;
        const auto unit = encoder.encode(0, true);
        QVERIFY(unit);
        const auto out = decoder.decode(unit->annexB);
        QCOMPARE(int(out.size()), 1);
        bgr = out[0].bgr;
    } else if (picture == "white") {
        std::fill(bgr.begin(), bgr.end(), 0xFF);
    } else if (picture == "flipped" || picture == "marker") {
        QVERIFY(stamp.encodeBgr(bgr.data(), width, height));
        QVERIFY(FrameStamp::decode(bgr.data(), width, height));
        // Blocks are numbered as the bits: 32 a row, the marker first.
        const auto paintBlock = [&](int bit, bool invert) {
            const int x0 = (bit % FrameStamp::kColumns) * FrameStamp::kBlock;
            const int y0 = (bit / FrameStamp::kColumns) * FrameStamp::kBlock;
            for (int y = y0; y < y0 + FrameStamp::kBlock; ++y)
                for (int x = x0; x < x0 + FrameStamp::kBlock; ++x)
                    for (int c = 0; c < 3; ++c) {
                        unsigned char& p = bgr[(size_t(y) * width + x) * 3 + c];
                        p = invert ? 255 - p : 0;
                    }
        };
        if (picture == "flipped") {
            paintBlock(20, true);
        } else {
            for (int bit = 16; bit < FrameStamp::kColumns * FrameStamp::kRows; ++bit)
                paintBlock(bit, false);
        }
    }
    QVERIFY(!FrameStamp::decode(bgr.data(), width, height));
}

void FrameStampTest::encodeRefusesSmallPicture()
{
    // Too narrow by one pixel, then too low by one row: nothing is drawn, nothing is read.
    for (const auto& [width, height] :
         {std::pair{FrameStamp::kWidth - 2, 64}, std::pair{400, FrameStamp::kHeight - 2}}) {
        std::vector<unsigned char> bgr(size_t(width) * height * 3, 0x42);
        const FrameStamp stamp{1, 2};
        QVERIFY(!stamp.encodeBgr(bgr.data(), width, height));
        QVERIFY(std::all_of(bgr.begin(), bgr.end(), [](unsigned char b) { return b == 0x42; }));
        QVERIFY(!FrameStamp::decode(bgr.data(), width, height));
    }
    QVERIFY(!FrameStamp::decode(nullptr, 640, 480));
}

// A reader in another process compares stamps with its own clock; the time must be the
// machine's monotonic clock, not one private to the process.
void FrameStampTest::clockIsShared()
{
    timespec ts{};
    QCOMPARE(clock_gettime(CLOCK_MONOTONIC, &ts), 0);
    const quint64 monotonic = quint64(ts.tv_sec) * 1000000 + quint64(ts.tv_nsec) / 1000;
    const quint64 ours = FrameStamp::nowUsec();
    QVERIFY(ours >= monotonic);
    QVERIFY(ours - monotonic < 1000000);
}

QTEST_GUILESS_MAIN(FrameStampTest)
#include "FrameStampTest.moc"
