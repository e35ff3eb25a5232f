#include "tests/video/ReferenceBgr.h"
#include "tests/video/TestEncoder.h"
#include "video/FrameLimits.h"
#include "video/H264Decoder.h"

#include <QRandomGenerator>
#include <QTest>

#include <cstdlib>

extern "C" {
#include <libavutil/log.h>
}

class H264DecoderTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void deliversEveryPictureBeforeDecodeReturns_data();
    void deliversEveryPictureBeforeDecodeReturns();
    void losslessStreamGivesTheFormulaExactly();
    void convertsIntoTheReceiversBuffer();
    void picturesNobodyWantsAreDecodedNotConverted();
    void copiesPlanesForAReceiverThatTakesThem();
    void reportsDecodedSizeNotAnnouncedSize();
    void ignoresInputWhenNotStreaming();
    void refusesSizesOutsideRange_data();
    void refusesSizesOutsideRange();
    void picturesLargerThan4KAreNeverDelivered_data();
    void picturesLargerThan4KAreNeverDelivered();
    void restartDiscardsOldStreamAndDecodesNewOne();
    void callbackMayResetOrRestartTheDecoder();
    void survivesDamagedStreamsAndRecovers_data();
    void survivesDamagedStreamsAndRecovers();
    void logsDecoderErrorsOncePerStream();
    void dropsPicturesInUnsupportedFormats();
    void reorderingStreamComesOutInDisplayOrder();
};

namespace {

struct Delivered {
    int width = 0, height = 0;
    unsigned long long ptsUsec = 0;
    std::vector<std::uint8_t> bgr;
};

// Installs a callback that keeps a copy of every frame, as a real receiver must.
std::vector<Delivered>& record(H264Decoder& decoder, std::vector<Delivered>& into)
{
    decoder.frameCallback = [&into](const unsigned char* bgr, int width, int height,
                                    unsigned long long pts) {
        into.push_back({width, height, pts, {bgr, bgr + std::size_t(width) * height * 3}});
    };
    return into;
}

void feed(H264Decoder& decoder, const std::vector<std::uint8_t>& bytes, unsigned long long pts = 0)
{
    decoder.decode(bytes.data(), bytes.size(), pts);
}

TestEncoder makeStream(const TestEncoder::Options& options)
{
    TestEncoder encoder;
    if (!encoder.encode(options))
        qFatal("cannot make the test stream: %s", encoder.error.c_str());
    return encoder;
}

// Lossless 4:2:0 (qp 0), so a decoded picture is the source exactly.
TestEncoder losslessStream(int width, int height, int frames)
{
    TestEncoder::Options options;
    options.profile = "high444";
    options.qp = 0;
    options.width = width;
    options.height = height;
    options.frames = frames;
    return makeStream(options);
}

// The stream's parameter sets, then every access unit with its time stamp.
void feedStream(H264Decoder& decoder, const TestEncoder& stream)
{
    feed(decoder, stream.config);
    for (const auto& unit : stream.units)
        feed(decoder, unit.bytes, unit.ptsUsec);
}

std::vector<std::uint8_t> sourceBgr(const TestEncoder::Picture& p, int width, int height)
{
    const int cw = (width + 1) / 2;
    return referenceBgr(p.y.data(), width, p.u.data(), p.v.data(), cw, 1, width, height);
}

double meanAbsoluteError(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b)
{
    if (a.size() != b.size() || a.empty())
        return 1e9;
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        sum += std::abs(int(a[i]) - int(b[i]));
    return sum / double(a.size());
}

} // namespace

void H264DecoderTest::initTestCase()
{
    // The damaged streams make libavcodec describe every broken macroblock.
    av_log_set_level(AV_LOG_QUIET);
}

void H264DecoderTest::deliversEveryPictureBeforeDecodeReturns_data()
{
    QTest::addColumn<QString>("profile");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("inBandHeaders");
    QTest::addColumn<qulonglong>("ptsOffset");
    QTest::newRow("baseline 320x240") << "baseline" << 320 << 240 << false << 0ULL;
    QTest::newRow("high 320x240") << "high" << 320 << 240 << false << 0ULL;
    // H.264 4:2:0 sizes are even; 322x242 is coded as 336x256 and cropped by the SPS.
    QTest::newRow("high 322x242 cropped") << "high" << 322 << 242 << false << 0ULL;
    QTest::newRow("main 640x360 headers in band") << "main" << 640 << 360 << true << 0ULL;
    QTest::newRow("baseline, time stamps past 2^40")
        << "baseline" << 320 << 240 << false << (1ULL << 40) + 7;
}

void H264DecoderTest::deliversEveryPictureBeforeDecodeReturns()
{
    QFETCH(QString, profile);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(bool, inBandHeaders);
    QFETCH(qulonglong, ptsOffset);
    TestEncoder::Options options;
    options.profile = profile.toStdString();
    options.width = width;
    options.height = height;
    options.inBandHeaders = inBandHeaders;
    const TestEncoder stream = makeStream(options);

    H264Decoder decoder;
    std::vector<Delivered> frames;
    record(decoder, frames);
    QVERIFY(decoder.initialize(width, height));
    feed(decoder, stream.config);
    QCOMPARE(frames.size(), std::size_t(0));
    for (std::size_t i = 0; i < stream.units.size(); ++i) {
        feed(decoder, stream.units[i].bytes, stream.units[i].ptsUsec + ptsOffset);
        QCOMPARE(frames.size(), i + 1);
        const Delivered& f = frames.back();
        QCOMPARE(f.width, width);
        QCOMPARE(f.height, height);
        QCOMPARE(f.ptsUsec, stream.units[i].ptsUsec + ptsOffset);
        const double error = meanAbsoluteError(f.bgr, sourceBgr(stream.pictures[i], width, height));
        if (error > 3.0)
            QFAIL(qPrintable(QStringLiteral("frame %1 differs from its source by %2 on average")
                                 .arg(i)
                                 .arg(error)));
    }
}

void H264DecoderTest::losslessStreamGivesTheFormulaExactly()
{
    const int streamWidth = 352, streamHeight = 288;
    const TestEncoder stream = losslessStream(streamWidth, streamHeight, 8);

    H264Decoder decoder;
    std::vector<Delivered> frames;
    record(decoder, frames);
    QVERIFY(decoder.initialize(streamWidth, streamHeight));
    feedStream(decoder, stream);
    QCOMPARE(frames.size(), stream.pictures.size());
    for (std::size_t i = 0; i < frames.size(); ++i)
        QVERIFY(frames[i].bgr == sourceBgr(stream.pictures[i], streamWidth, streamHeight));
}

// A receiver that keeps frames has them converted straight into its own buffers; a null target
// leaves a picture in the decoder's.
void H264DecoderTest::convertsIntoTheReceiversBuffer()
{
    const int streamWidth = 64, streamHeight = 48;
    const TestEncoder stream = losslessStream(streamWidth, streamHeight, 4);

    H264Decoder decoder;
    std::vector<std::vector<std::uint8_t>> owned(4);
    std::size_t asked = 0;
    decoder.frameTarget = [&](int width, int height) -> unsigned char* {
        std::vector<std::uint8_t>& buffer = owned.at(asked++);
        if (asked % 2 == 0)
            return nullptr;
        buffer.resize(std::size_t(width) * std::size_t(height) * 3);
        return buffer.data();
    };
    std::vector<const unsigned char*> given;
    std::vector<Delivered> frames;
    record(decoder, frames);
    const H264Decoder::FrameCallback keep = decoder.frameCallback;
    decoder.frameCallback = [&](const unsigned char* bgr, int width, int height,
                                unsigned long long pts) {
        given.push_back(bgr);
        keep(bgr, width, height, pts);
    };
    QVERIFY(decoder.initialize(streamWidth, streamHeight));
    feedStream(decoder, stream);
    QCOMPARE(asked, std::size_t(4));
    QCOMPARE(frames.size(), std::size_t(4));
    for (std::size_t i = 0; i < frames.size(); ++i) {
        QCOMPARE(given[i] == owned[i].data(), i % 2 == 0);
        QVERIFY(frames[i].bgr == sourceBgr(stream.pictures[i], streamWidth, streamHeight));
    }
}

// A receiver that takes planes gets the decoder's own, byte for byte the lossless source's,
// where it asks; where it declines, the picture is converted as before.
void H264DecoderTest::copiesPlanesForAReceiverThatTakesThem()
{
    const int streamWidth = 64, streamHeight = 48;
    const TestEncoder stream = losslessStream(streamWidth, streamHeight, 4);

    H264Decoder decoder;
    std::vector<std::vector<std::uint8_t>> planes(4);
    std::size_t asked = 0;
    decoder.planesTarget = [&](int width, int height) -> unsigned char* {
        std::vector<std::uint8_t>& buffer = planes.at(asked++);
        if (asked % 2 == 0)
            return nullptr;
        buffer.resize(std::size_t(width) * std::size_t(height) * 3 / 2);
        return buffer.data();
    };
    std::vector<const unsigned char*> given;
    std::vector<std::vector<std::uint8_t>> bgr;
    decoder.frameCallback = [&](const unsigned char* pixels, int width, int height,
                                unsigned long long) {
        given.push_back(pixels);
        if (given.size() % 2 == 0) // declined: converted
            bgr.emplace_back(pixels, pixels + std::size_t(width) * std::size_t(height) * 3);
        else
            bgr.emplace_back();
    };
    QVERIFY(decoder.initialize(streamWidth, streamHeight));
    feedStream(decoder, stream);
    QCOMPARE(asked, std::size_t(4));
    QCOMPARE(given.size(), std::size_t(4));
    for (std::size_t i = 0; i < given.size(); ++i) {
        const TestEncoder::Picture& source = stream.pictures[i];
        if (i % 2 == 1) {
            QVERIFY(bgr[i] == sourceBgr(source, streamWidth, streamHeight));
            continue;
        }
        QCOMPARE(given[i], static_cast<const unsigned char*>(planes[i].data()));
        std::vector<std::uint8_t> whole = source.y;
        whole.insert(whole.end(), source.u.begin(), source.u.end());
        whole.insert(whole.end(), source.v.begin(), source.v.end());
        QVERIFY(planes[i] == whole);
    }
}

// The pictures after one left unconverted still come out exact: it was decoded all the same.
void H264DecoderTest::picturesNobodyWantsAreDecodedNotConverted()
{
    const int streamWidth = 64, streamHeight = 48;
    const TestEncoder stream = losslessStream(streamWidth, streamHeight, 4);

    H264Decoder decoder;
    int asked = 0, targets = 0;
    decoder.pictureWanted = [&] { return asked++ % 2 == 1; };
    decoder.frameTarget = [&](int, int) -> unsigned char* {
        ++targets;
        return nullptr;
    };
    std::vector<Delivered> frames;
    decoder.frameCallback = [&frames](const unsigned char* bgr, int width, int height,
                                      unsigned long long pts) {
        frames.push_back({width, height, pts, {}});
        if (bgr)
            frames.back().bgr.assign(bgr, bgr + std::size_t(width) * std::size_t(height) * 3);
    };
    QVERIFY(decoder.initialize(streamWidth, streamHeight));
    feedStream(decoder, stream);
    QCOMPARE(frames.size(), std::size_t(4));
    QCOMPARE(targets, 2);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        QCOMPARE(frames[i].width, streamWidth);
        QCOMPARE(frames[i].height, streamHeight);
        if (i % 2 == 0)
            QVERIFY(frames[i].bgr.empty());
        else
            QVERIFY(frames[i].bgr == sourceBgr(stream.pictures[i], streamWidth, streamHeight));
    }
}

void H264DecoderTest::reportsDecodedSizeNotAnnouncedSize()
{
    TestEncoder::Options options;
    options.frames = 3;
    const TestEncoder stream = makeStream(options);
    H264Decoder decoder;
    std::vector<Delivered> frames;
    record(decoder, frames);
    QVERIFY(decoder.initialize(1280, 720));
    feedStream(decoder, stream);
    QCOMPARE(frames.size(), std::size_t(3));
    for (const auto& f : frames) {
        QCOMPARE(f.width, 320);
        QCOMPARE(f.height, 240);
    }
}

void H264DecoderTest::ignoresInputWhenNotStreaming()
{
    TestEncoder::Options options;
    options.frames = 2;
    const TestEncoder stream = makeStream(options);
    H264Decoder decoder;
    std::vector<Delivered> frames;
    record(decoder, frames);

    QVERIFY(!decoder.isInitialized());
    feed(decoder, stream.config);
    feed(decoder, stream.units[0].bytes);
    QCOMPARE(frames.size(), std::size_t(0));

    QVERIFY(decoder.initialize(320, 240));
    QVERIFY(decoder.isInitialized());
    decoder.decode(stream.config.data(), 0, 0);
    decoder.decode(nullptr, 100, 0);
    feed(decoder, stream.units[0].bytes);
    QCOMPARE(frames.size(), std::size_t(0)); // no SPS/PPS yet: nothing decodable

    feed(decoder, stream.config);
    feed(decoder, stream.units[0].bytes);
    QCOMPARE(frames.size(), std::size_t(1));

    decoder.reset();
    QVERIFY(!decoder.isInitialized());
    feed(decoder, stream.config);
    feed(decoder, stream.units[0].bytes);
    QCOMPARE(frames.size(), std::size_t(1));
    decoder.reset(); // a second reset is harmless
    QVERIFY(!decoder.isInitialized());
}

void H264DecoderTest::refusesSizesOutsideRange_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("1x1") << 1 << 1 << true;
    QTest::newRow("4096x2304") << 4096 << 2304 << true;
    QTest::newRow("4096x1") << 4096 << 1 << true;
    QTest::newRow("zero width") << 0 << 240 << false;
    QTest::newRow("zero height") << 320 << 0 << false;
    QTest::newRow("negative") << -320 << 240 << false;
    QTest::newRow("4097 wide") << 4097 << 240 << false;
    QTest::newRow("4097 high") << 320 << 4097 << false;
    QTest::newRow("int max") << 2147483647 << 2147483647 << false;
}

void H264DecoderTest::refusesSizesOutsideRange()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(bool, accepted);
    H264Decoder decoder;
    QVERIFY(decoder.initialize(320, 240));
    // A refused size still ends the stream that was running.
    QCOMPARE(decoder.initialize(width, height), accepted);
    QCOMPARE(decoder.isInitialized(), accepted);
}

// A stream whose own parameter sets say more than 4K, whatever the session was started with:
// a phone that announces a small size and then sends a huge one gets no picture out of it.
void H264DecoderTest::picturesLargerThan4KAreNeverDelivered_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("delivered");
    QTest::newRow("portrait 4K") << 2160 << 3840 << 2;
    QTest::newRow("a side too long") << 4112 << 16 << 0;
    QTest::newRow("too many pixels") << 4096 << 2320 << 0;
}

void H264DecoderTest::picturesLargerThan4KAreNeverDelivered()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, delivered);
    const TestEncoder stream = TestEncoder::ofSize(width, height, 2);
    H264Decoder decoder;
    std::vector<Delivered> frames;
    record(decoder, frames);
    QVERIFY(decoder.initialize(320, 240));
    feed(decoder, stream.config);
    for (const auto& unit : stream.units)
        feed(decoder, unit.bytes, unit.ptsUsec);
    QCOMPARE(int(frames.size()), delivered);
}

void H264DecoderTest::restartDiscardsOldStreamAndDecodesNewOne()
{
    TestEncoder::Options options;
    options.frames = 10;
    const TestEncoder first = makeStream(options);
    options.width = 640;
    options.height = 360;
    options.profile = "high";
    const TestEncoder second = makeStream(options);

    H264Decoder decoder;
    std::vector<Delivered> frames;
    record(decoder, frames);
    QVERIFY(decoder.initialize(320, 240));
    feed(decoder, first.config);
    for (int i = 0; i < 5; ++i)
        feed(decoder, first.units[i].bytes, first.units[i].ptsUsec);
    QCOMPARE(frames.size(), std::size_t(5));

    QVERIFY(decoder.initialize(640, 360));
    // The old stream's P frame refers to nothing the new decoder has.
    feed(decoder, first.units[5].bytes);
    QCOMPARE(frames.size(), std::size_t(5));
    feed(decoder, second.config);
    for (std::size_t i = 0; i < second.units.size(); ++i) {
        feed(decoder, second.units[i].bytes, second.units[i].ptsUsec);
        QCOMPARE(frames.size(), 6 + i);
        QCOMPARE(frames.back().width, 640);
        QVERIFY(meanAbsoluteError(frames.back().bgr, sourceBgr(second.pictures[i], 640, 360))
                < 3.0);
    }
}

void H264DecoderTest::callbackMayResetOrRestartTheDecoder()
{
    TestEncoder::Options options;
    options.frames = 4;
    const TestEncoder stream = makeStream(options);

    H264Decoder decoder;
    int calls = 0;
    decoder.frameCallback = [&](const unsigned char*, int, int, unsigned long long) {
        ++calls;
        decoder.reset();
    };
    QVERIFY(decoder.initialize(320, 240));
    feed(decoder, stream.config);
    feed(decoder, stream.units[0].bytes);
    QCOMPARE(calls, 1);
    QVERIFY(!decoder.isInitialized());
    feed(decoder, stream.units[1].bytes);
    QCOMPARE(calls, 1);

    decoder.frameCallback = [&](const unsigned char*, int, int, unsigned long long) {
        ++calls;
        decoder.initialize(320, 240);
    };
    QVERIFY(decoder.initialize(320, 240));
    feed(decoder, stream.config);
    feed(decoder, stream.units[0].bytes);
    QCOMPARE(calls, 2);
    QVERIFY(decoder.isInitialized());
    // The restarted decoder needs the headers again and then decodes as usual.
    feed(decoder, stream.config);
    feed(decoder, stream.units[0].bytes);
    QCOMPARE(calls, 3);
}

namespace {
int decoderErrorLines = 0;
void countDecoderErrors(QtMsgType, const QMessageLogContext&, const QString& message)
{
    if (message.startsWith(QLatin1String("Vidlet: H.264 decoder error: ")))
        ++decoderErrorLines;
}
} // namespace

void H264DecoderTest::logsDecoderErrorsOncePerStream()
{
    H264Decoder decoder;
    // A slice with no parameter sets before it, again and again.
    const std::vector<std::uint8_t> broken{0, 0, 0, 1, 0x65, 0xff, 0xff, 0xff, 0xff, 0xff};
    decoderErrorLines = 0;
    const QtMessageHandler previous = qInstallMessageHandler(countDecoderErrors);
    // A healthy stream, headers first as phones send them, logs nothing.
    const TestEncoder healthy = makeStream({});
    QVERIFY(decoder.initialize(320, 240));
    feed(decoder, healthy.config);
    for (const auto& unit : healthy.units)
        feed(decoder, unit.bytes);
    QCOMPARE(decoderErrorLines, 0);
    for (int stream = 0; stream < 2; ++stream) {
        QVERIFY(decoder.initialize(320, 240));
        for (int i = 0; i < 10; ++i)
            feed(decoder, broken);
    }
    qInstallMessageHandler(previous);
    QCOMPARE(decoderErrorLines, 2);
}

void H264DecoderTest::survivesDamagedStreamsAndRecovers_data()
{
    QTest::addColumn<int>("damage");
    QTest::newRow("flipped bytes") << 0;
    QTest::newRow("truncated NAL units") << 1;
    QTest::newRow("random garbage") << 2;
    QTest::newRow("garbage between start codes") << 3;
    QTest::newRow("damaged headers") << 4;
}

void H264DecoderTest::survivesDamagedStreamsAndRecovers()
{
    QFETCH(int, damage);
    TestEncoder::Options options;
    options.profile = "high";
    options.frames = 40;
    const TestEncoder stream = makeStream(options);
    QRandomGenerator random(quint32(1000 + damage));

    H264Decoder decoder;
    std::vector<Delivered> frames;
    record(decoder, frames);
    QVERIFY(decoder.initialize(320, 240));
    for (int round = 0; round < 20; ++round) {
        std::vector<std::uint8_t> config = stream.config;
        if (damage == 4)
            for (int k = 0; k < 3; ++k)
                config[4 + random.bounded(int(config.size()) - 4)] ^=
                    std::uint8_t(1 + random.bounded(255));
        feed(decoder, config);
        for (const auto& unit : stream.units) {
            std::vector<std::uint8_t> bytes = unit.bytes;
            switch (damage) {
            case 0:
                for (int k = 0; k < 1 + int(bytes.size()) / 100; ++k)
                    bytes[random.bounded(int(bytes.size()))] ^=
                        std::uint8_t(1 << random.bounded(8));
                break;
            case 1:
                bytes.resize(std::size_t(random.bounded(int(bytes.size()))));
                break;
            case 2:
                for (auto& b : bytes)
                    b = std::uint8_t(random.bounded(256));
                break;
            case 3:
                for (std::size_t k = 0; k + 4 < bytes.size(); k += 1 + random.bounded(40))
                    if (random.bounded(4) == 0) {
                        bytes[k] = bytes[k + 1] = 0;
                        bytes[k + 2] = 1;
                        bytes[k + 3] = std::uint8_t(random.bounded(256));
                    }
                break;
            }
            feed(decoder, bytes, unit.ptsUsec);
        }
    }
    QVERIFY(decoder.isInitialized());
    for (const auto& f : frames) {
        QVERIFY(f.width >= 1 && f.width <= FrameLimits::maxSide);
        QVERIFY(f.height >= 1 && f.height <= FrameLimits::maxSide);
    }

    // Damage may leave the stream's state wrong until the session restarts, as the controller
    // does on the next STREAM_INFO; from there every picture is right again.
    QVERIFY(decoder.initialize(320, 240));
    frames.clear();
    feed(decoder, stream.config);
    for (std::size_t i = 0; i < stream.units.size(); ++i) {
        feed(decoder, stream.units[i].bytes, stream.units[i].ptsUsec);
        QCOMPARE(frames.size(), i + 1);
        QCOMPARE(frames.back().ptsUsec, stream.units[i].ptsUsec);
        QVERIFY(meanAbsoluteError(frames.back().bgr, sourceBgr(stream.pictures[i], 320, 240))
                < 3.0);
    }
}

void H264DecoderTest::dropsPicturesInUnsupportedFormats()
{
    TestEncoder::Options options;
    options.profile = "high444";
    options.yuv444 = true;
    options.frames = 3;
    const TestEncoder stream = makeStream(options);
    H264Decoder decoder;
    std::vector<Delivered> frames;
    record(decoder, frames);
    QVERIFY(decoder.initialize(320, 240));
    QTest::ignoreMessage(
        QtWarningMsg, "Vidlet: H.264 pictures in format yuv444p are not supported, dropping them");
    feedStream(decoder, stream);
    QCOMPARE(frames.size(), std::size_t(0));
    QVERIFY(decoder.isInitialized());
}

// Phones send no B frames, but a stream that has them must still come out whole and in order:
// its pictures are held back as long as its SPS says, no longer.
void H264DecoderTest::reorderingStreamComesOutInDisplayOrder()
{
    TestEncoder::Options options;
    options.profile = "high";
    options.tune = "";
    options.preset = "fast";
    options.bFrames = 2;
    options.frames = 40;
    const TestEncoder stream = makeStream(options);
    H264Decoder decoder;
    std::vector<Delivered> frames;
    record(decoder, frames);
    QVERIFY(decoder.initialize(320, 240));
    feed(decoder, stream.config);
    for (const auto& unit : stream.units) {
        const std::size_t before = frames.size();
        feed(decoder, unit.bytes, unit.ptsUsec);
        QVERIFY(frames.size() <= before + 1);
    }
    QVERIFY(frames.size() >= stream.units.size() - 2);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        QCOMPARE(frames[i].ptsUsec, i * 1000000ULL / 30);
        QVERIFY(meanAbsoluteError(frames[i].bgr, sourceBgr(stream.pictures[i], 320, 240)) < 3.0);
    }
}

QTEST_GUILESS_MAIN(H264DecoderTest)
#include "H264DecoderTest.moc"
