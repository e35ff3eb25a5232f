#include "pipeline/StaleFrames.h"
#include "tests/pipeline/ManualClock.h"

#include <QTest>

#include <random>

// Which frames of a stream are a backlog, judged on a clock the test moves: the phone stamps
// its frames 30 a second, and each case says when they arrive.
class StaleFramesTest : public QObject {
    Q_OBJECT

    static constexpr std::int64_t period = 33'333; // µs

    struct Stream {
        ManualClock clock;
        StaleFrames stale{clock};
        std::uint64_t pts = 0;
        int staleCount = 0;

        // The next frame, stamped one period on, arrives at `arrivalUs`.
        bool next(std::int64_t arrivalUs)
        {
            clock.setUs(arrivalUs);
            pts += period;
            const bool late = stale.arrived(pts);
            staleCount += late;
            return late;
        }
    };

private Q_SLOTS:
    // The network's jitter, up to most of a second, and a phone clock a little slow or fast
    // against ours for an hour: nothing is a backlog.
    void aLiveStreamIsNeverStale_data()
    {
        QTest::addColumn<int>("jitterMs");
        QTest::addColumn<int>("driftPpm");
        QTest::newRow("steady") << 0 << 0;
        QTest::newRow("jitter 900 ms") << 900 << 0;
        QTest::newRow("phone 400 ppm slow") << 20 << -400;
        QTest::newRow("phone 400 ppm fast") << 20 << 400;
    }

    void aLiveStreamIsNeverStale()
    {
        QFETCH(int, jitterMs);
        QFETCH(int, driftPpm);
        Stream stream;
        std::mt19937 random(7);
        std::uniform_int_distribution<std::int64_t> jitter(0, std::int64_t(jitterMs) * 1000);
        const std::int64_t start = 5'000'000;
        for (int frame = 0; frame < 30 * 3600; ++frame) {
            const std::int64_t sent = start + std::int64_t(stream.pts + period)
                + std::int64_t(stream.pts) * driftPpm / 1'000'000;
            stream.next(sent + jitter(random));
        }
        QCOMPARE(stream.staleCount, 0);
    }

    // The program stopped for ten seconds while the phone went on: what it sent meanwhile then
    // arrives in a burst. The frames more than a second old are stale, the rest and the live
    // stream after them are not; a second stop is judged the same way.
    void aBacklogIsStaleUntilTheLiveFrames()
    {
        Stream stream;
        std::int64_t now = 1'000'000;
        for (int frame = 0; frame < 60; ++frame)
            QVERIFY(!stream.next(now += period));
        for (int stop = 0; stop < 2; ++stop) {
            now += 10'000'000;
            int stale = 0;
            for (int frame = 0; frame < 300; ++frame)
                stale += stream.next(now += 500);
            // 300 frames of 10 s arrive within 0.15 s: all but those of about the last second
            // (27, fewer after the first stop, whose burst left the stream 0.15 s behind) are
            // more than a second late.
            QVERIFY2(stale >= 270 && stale <= 280, qPrintable(QString::number(stale)));
            for (int frame = 0; frame < 60; ++frame)
                QVERIFY(!stream.next(now += period));
        }
    }

    // Stamps that are no clock: standing still, going back, jumping ahead, or running at a
    // thousandth of the time (milliseconds sent as microseconds). At most a quarter of a
    // second is held back once; every other frame is shown.
    void stampsThatAreNoClockHoldNothingBack()
    {
        ManualClock clock;
        StaleFrames stale(clock);
        std::int64_t now = 0;
        const std::uint64_t jumping[] = {0, 33'333, 60'000'000, 66'667, 5'000'000, 1, 1, 1, 1};
        for (const std::uint64_t pts : jumping) {
            clock.setUs(now += period);
            QVERIFY(!stale.arrived(pts));
        }
        stale.clear();
        int held = 0;
        for (std::uint64_t frame = 1; frame <= 30 * 60; ++frame) {
            clock.setUs(now += period);
            held += stale.arrived(frame * period / 1000);
        }
        QVERIFY2(held <= 9, qPrintable(QString::number(held)));
    }
};

QTEST_GUILESS_MAIN(StaleFramesTest)
#include "StaleFramesTest.moc"
