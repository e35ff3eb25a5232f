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
    // comes through as fast as the link carries it (half a millisecond a frame) until it has
    // caught up with the phone. Every frame of it is stale until it is within 0.2 s of the
    // live stream, and the live frames after it are not; a second stop is judged the same way.
    // A stall that leaves the stream half a second later for good (the network now holds
    // more) holds back at most half a second of it.
    void aBacklogIsStaleUntilItIsCaughtUp_data()
    {
        QTest::addColumn<std::int64_t>("stallUs");
        QTest::addColumn<std::int64_t>("settlesLaterUs");
        QTest::newRow("stopped 10 s") << std::int64_t(10'000'000) << std::int64_t(0);
        QTest::newRow("stalled 2 s, then 0.5 s later")
            << std::int64_t(2'000'000) << std::int64_t(500'000);
    }

    void aBacklogIsStaleUntilItIsCaughtUp()
    {
        QFETCH(std::int64_t, stallUs);
        QFETCH(std::int64_t, settlesLaterUs);
        Stream stream;
        std::int64_t delay = 20'000; // from the phone's stamp to its arrival, when live
        const auto live = [&] { return std::int64_t(stream.pts + period) + delay; };
        std::int64_t now = 0;
        for (int frame = 0; frame < 60; ++frame)
            QVERIFY(!stream.next(now = live()));
        for (int stop = 0; stop < 2; ++stop) {
            now += stallUs;
            const std::int64_t before = delay;
            delay += settlesLaterUs;
            int backlog = 0;
            while (live() < now) {
                const bool stale = stream.next(now += 500);
                const std::int64_t lateness = now - std::int64_t(stream.pts) - before;
                QVERIFY2(stale == (lateness > StaleFrames::caughtUpUs),
                         qPrintable(QString("%1 ms late").arg(lateness / 1000)));
                ++backlog;
            }
            QVERIFY(backlog >= (stallUs - settlesLaterUs) / period - 1);
            int heldBack = 0;
            for (int frame = 0; frame < 60; ++frame)
                heldBack += stream.next(now = live());
            QVERIFY2(heldBack <= 15, qPrintable(QString::number(heldBack)));
            QVERIFY(!stream.next(now = live()));
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
