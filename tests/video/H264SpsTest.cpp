#include "tests/video/TestEncoder.h"
#include "video/H264Sps.h"

#include <QRandomGenerator>
#include <QTest>

extern "C" {
#include <libavutil/log.h>
}

// The SPS reader runs on every buffer a phone sends, so it meets damaged and hostile bytes.
class H264SpsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { av_log_set_level(AV_LOG_QUIET); }

    void readsTheVisibleSize_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("baseline 320x240") << "baseline" << 320 << 240;
        QTest::newRow("high 322x242, cropped") << "high" << 322 << 242;
        QTest::newRow("main 1920x1080, cropped") << "main" << 1920 << 1080;
        QTest::newRow("high portrait 1080x1920") << "high" << 1080 << 1920;
    }

    void readsTheVisibleSize()
    {
        QFETCH(QString, profile);
        QFETCH(int, width);
        QFETCH(int, height);
        TestEncoder::Options options;
        options.profile = profile.toStdString();
        options.width = width;
        options.height = height;
        options.frames = 1;
        TestEncoder stream;
        QVERIFY2(stream.encode(options), stream.error.c_str());
        H264Sps sps;
        QVERIFY(sps.parse(stream.config.data(), stream.config.size()));
        QCOMPARE(sps.width, width);
        QCOMPARE(sps.height, height);

        // An access unit carries no SPS here (the headers come apart) and leaves the size alone.
        QVERIFY(!sps.parse(stream.units[0].bytes.data(), stream.units[0].bytes.size()));
        QCOMPARE(sps.width, width);
        QCOMPARE(sps.height, height);
    }

    void survivesTruncatedAndDamagedParameterSets()
    {
        TestEncoder::Options options;
        options.profile = "high";
        options.frames = 1;
        TestEncoder stream;
        QVERIFY(stream.encode(options));
        const std::vector<std::uint8_t>& config = stream.config;
        // Every prefix, then random damage: no crash, and a size only within H.264's limits.
        for (std::size_t length = 0; length <= config.size(); ++length) {
            H264Sps sps;
            if (sps.parse(config.data(), length))
                QVERIFY(sps.width > 0 && sps.width <= 16384 && sps.height > 0
                        && sps.height <= 32768);
        }
        QRandomGenerator random(7);
        for (int round = 0; round < 2000; ++round) {
            std::vector<std::uint8_t> bytes = config;
            for (int flips = 0; flips < 4; ++flips)
                bytes[4 + random.bounded(int(bytes.size()) - 4)] =
                    std::uint8_t(random.bounded(256));
            H264Sps sps;
            if (sps.parse(bytes.data(), bytes.size()))
                QVERIFY(sps.width > 0 && sps.width <= 16384 && sps.height > 0
                        && sps.height <= 32768);
        }
        // All ones after an SPS header: exp-Golomb codes that never end.
        std::vector<std::uint8_t> ones = {0, 0, 0, 1, 0x67, 100, 0, 40};
        ones.resize(64, 0xFF);
        H264Sps sps;
        sps.parse(ones.data(), ones.size());
        std::vector<std::uint8_t> zeros = {0, 0, 1, 0x67, 66, 0, 30, 0x80};
        zeros.resize(64, 0x00);
        QVERIFY(!sps.parse(zeros.data(), zeros.size()) || sps.width > 0);
    }
};

QTEST_GUILESS_MAIN(H264SpsTest)
#include "H264SpsTest.moc"
