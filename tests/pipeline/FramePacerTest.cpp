#include "bench/Percentile.h"
#include "pipeline/FramePacer.h"
#include "tests/pipeline/ManualClock.h"

#include <QTest>

#include <random>
#include <vector>

// The Wi-Fi queue's two rules, on a clock the test moves: each frame carries its number in its
// first bytes, and the test records when each one left.
class FramePacerTest : public QObject {
    Q_OBJECT

    static constexpr std::int64_t period = 33'333; // µs, 30 fps

    struct Departure {
        int number;
        std::int64_t us;
        bool operator==(const Departure& other) const
        {
            return number == other.number && us == other.us;
        }
    };

    struct Queue {
        ManualClock clock;
        FramePool pool;
        std::vector<Departure> left;
        std::int64_t releaseCostUs = 0; // what each frame that leaves costs the thread
        FramePacer pacer{
            clock, pool, [this](BgrBuffer& frame) {
                left.push_back({int(frame[0] | frame[1] << 8 | frame[2] << 16), clock.nowUs()});
                clock.setUs(clock.nowUs() + releaseCostUs);
            }};

        explicit Queue(bool lowLatency = false)
        {
            pacer.setAnnouncedPeriodUs(period);
            pacer.setLowLatency(lowLatency);
        }
        void push(int number, std::int64_t atUs, bool behind = false)
        {
            clock.setUs(std::max(atUs, clock.nowUs()));
            BgrBuffer frame(4, 0);
            frame[0] = static_cast<unsigned char>(number);
            frame[1] = static_cast<unsigned char>(number >> 8);
            frame[2] = static_cast<unsigned char>(number >> 16);
            pacer.push(std::move(frame), behind);
        }
        // Wakes the pacer whenever its timer would, up to `untilUs`: in whole milliseconds,
        // rounded up, as the timer counts.
        void runUntil(std::int64_t untilUs)
        {
            while (const auto due = pacer.nextWakeUs()) {
                const std::int64_t fires = std::max(
                    (*due - clock.nowUs() + 999) / 1000 * 1000 + clock.nowUs(), clock.nowUs());
                if (fires > untilUs)
                    break;
                clock.setUs(fires);
                pacer.wake();
            }
            clock.setUs(std::max(untilUs, clock.nowUs()));
        }
        // Every frame arrives at its time and the pacer runs between them.
        void play(const std::vector<std::int64_t>& arrivals)
        {
            for (std::size_t i = 0; i < arrivals.size(); ++i) {
                runUntil(arrivals[i]);
                push(int(i), arrivals[i]);
            }
            runUntil(arrivals.back() + 1'000'000);
        }
        std::vector<int> numbersLeft() const
        {
            std::vector<int> numbers;
            for (const Departure& departure : left)
                numbers.push_back(departure.number);
            return numbers;
        }
    };

    // A phone at `periodUs` whose frames leave up to `jitterUs` after their time, in order.
    static std::vector<std::int64_t> phone(int frames, double periodUs, int jitterUs,
                                           unsigned seed = 7)
    {
        std::mt19937 random(seed);
        std::uniform_int_distribution<int> jitter(0, std::max(jitterUs, 0));
        std::vector<std::int64_t> arrivals;
        for (int i = 0; i < frames; ++i) {
            const auto due = std::int64_t(i * periodUs) + jitter(random);
            arrivals.push_back(arrivals.empty() ? due : std::max(due, arrivals.back()));
        }
        return arrivals;
    }

    // How long each frame waited, in ms, for the frames numbered [from, to).
    static std::vector<double> waitsMs(const Queue& queue,
                                       const std::vector<std::int64_t>& arrivals, int from, int to)
    {
        std::vector<double> waits;
        for (const Departure& departure : queue.left)
            if (departure.number >= from && departure.number < to)
                waits.push_back(double(departure.us - arrivals[std::size_t(departure.number)])
                                / 1000);
        return waits;
    }

    // p95 - p5 of the intervals between successive times, in ms.
    static double spreadMs(const std::vector<std::int64_t>& times)
    {
        std::vector<double> intervals;
        for (std::size_t i = 1; i < times.size(); ++i)
            intervals.push_back(double(times[i] - times[i - 1]) / 1000);
        return percentile(intervals, 0.95) - percentile(intervals, 0.05);
    }

private Q_SLOTS:
    void announcedPeriodTakesOnlySaneRates_data()
    {
        QTest::addColumn<int>("fps");
        QTest::addColumn<std::int64_t>("period"); // 0: none
        QTest::newRow("60") << 60 << std::int64_t(16'666);
        QTest::newRow("25") << 25 << std::int64_t(40'000);
        QTest::newRow("120") << 120 << std::int64_t(8'333);
        QTest::newRow("0") << 0 << std::int64_t(0);
        QTest::newRow("121") << 121 << std::int64_t(0);
    }

    void announcedPeriodTakesOnlySaneRates()
    {
        QFETCH(int, fps);
        QFETCH(std::int64_t, period);
        QCOMPARE(FramePacer::announcedPeriodUs(fps).value_or(0), period);
    }

    // By default the first frame leaves at once; a burst behind it keeps its newest five. A
    // frame that comes after its slot has passed leaves at once.
    void defaultLetsOneFrameOutPerPeriod()
    {
        Queue queue;
        for (int i = 0; i < 8; ++i)
            queue.push(i, 0);
        QCOMPARE(queue.pacer.queued(), FramePacer::capacity);
        queue.runUntil(1'000'000);
        QCOMPARE(queue.numbersLeft(), (std::vector<int>{0, 3, 4, 5, 6, 7}));
        // A backlog: they leave sooner than a period apart, by at most a sixth.
        for (std::size_t i = 2; i < queue.left.size(); ++i) {
            const std::int64_t interval = queue.left[i].us - queue.left[i - 1].us;
            QVERIFY(interval >= period * 5 / 6 - 1000 && interval <= period + 1000);
            QVERIFY(interval < period || i + 2 >= queue.left.size());
        }
        queue.push(8, 1'010'000);
        QCOMPARE(queue.left.back(), (Departure{8, 1'010'000}));
        queue.push(9, 1'020'000);
        QCOMPARE(queue.pacer.nextWakeUs(), std::optional<std::int64_t>(1'010'000 + period));
    }

    void clearDropsTheWaitingFrames()
    {
        Queue queue;
        queue.push(1, 0);
        queue.push(2, 10'000);
        queue.pacer.clear();
        QCOMPARE(queue.pacer.nextWakeUs(), std::nullopt);
        queue.push(3, 20'000);
        QCOMPARE(queue.numbersLeft(), (std::vector<int>{1, 3})); // a fresh start
    }

    void aShorterTickRestartsFromNow()
    {
        Queue queue;
        queue.pacer.setTickMs(3'600'000);
        queue.push(1, 0);
        queue.push(2, 0);
        queue.push(3, 0);
        queue.clock.set(500);
        queue.pacer.setTickMs(1);
        queue.runUntil(1'000'000);
        QCOMPARE(queue.left, (std::vector<Departure>{{1, 0}, {2, 501'000}, {3, 502'000}}));
    }

    // Under "Low latency" a frame alone leaves three quarters of a period after the last one,
    // a frame with others behind it half a period after.
    void lowLatencyWaitsOnlyForTheSpacing()
    {
        Queue queue(true);
        queue.push(1, 1'000'000);
        QCOMPARE(queue.numbersLeft(), std::vector<int>{1}); // nothing left before it
        queue.push(2, 1'010'000);
        QCOMPARE(queue.pacer.nextWakeUs(), std::optional<std::int64_t>(1'000'000 + period * 3 / 4));
        queue.push(3, 1'010'000);
        QCOMPARE(queue.pacer.nextWakeUs(), std::optional<std::int64_t>(1'000'000 + period / 2));
        queue.runUntil(2'000'000);
        QCOMPARE(queue.numbersLeft(), (std::vector<int>{1, 2, 3}));
        QCOMPARE(queue.left[1].us, std::int64_t(1'017'000));
        QCOMPARE(queue.left[2].us, std::int64_t(1'017'000 + 25'000));
        queue.push(4, 2'000'000); // a period after the last: at once
        QCOMPARE(queue.left.back(), (Departure{4, 2'000'000}));
    }

    void switchingRulesMovesTheWaitingFramesOn()
    {
        Queue queue;
        queue.push(1, 0);
        queue.push(2, 5'000);
        queue.push(3, 5'000);
        queue.clock.set(10);
        queue.pacer.setLowLatency(true);
        QCOMPARE(queue.numbersLeft(), (std::vector<int>{1}));
        QCOMPARE(queue.pacer.nextWakeUs(), std::optional<std::int64_t>(period / 2));
        queue.runUntil(period / 2 + 1000);
        QCOMPARE(queue.numbersLeft(), (std::vector<int>{1, 2}));
        queue.pacer.setLowLatency(false); // the next slot a period after the last frame
        QCOMPARE(queue.pacer.nextWakeUs(), std::optional<std::int64_t>(17'000 + period));
    }

    void lowLatencyBuildsNoStandingQueueFromJitterOrABurst()
    {
        // Up to 10 ms of jitter, and once a 120 ms hole after which four frames come together.
        std::vector<std::int64_t> arrivals = phone(250, period, 10'000, 19);
        for (std::size_t i = 150; i < 154; ++i)
            arrivals[i] = arrivals[153];
        Queue queue(true);
        queue.play(arrivals);
        QCOMPARE(queue.left.size(), arrivals.size()); // none dropped
        std::vector<double> outsideBurst = waitsMs(queue, arrivals, 0, 150);
        for (const double wait : waitsMs(queue, arrivals, 161, 250))
            outsideBurst.push_back(wait);
        QVERIFY2(percentile(outsideBurst, 1.0) <= 34, "jitter alone held a frame for a period");
        const std::vector<double> burst = waitsMs(queue, arrivals, 150, 154);
        QCOMPARE(burst[0], 0.0); // then half a period apart, and gone within two periods
        QVERIFY(burst[1] <= 17.0);
        QVERIFY(burst[3] <= 67.0);
    }

    // The default rule smooths 10 ms of jitter at the cost of about that much delay, and keeps
    // no more: the intervals between frames that leave spread less than half as much as those
    // they arrived at.
    void defaultSmoothsJitterWithoutAStandingDelay()
    {
        const std::vector<std::int64_t> arrivals = phone(1800, period, 10'000);
        Queue queue;
        queue.play(arrivals);
        QCOMPARE(queue.left.size(), arrivals.size());
        const std::vector<double> waits = waitsMs(queue, arrivals, 60, 1800);
        std::vector<std::int64_t> departures;
        for (const Departure& departure : queue.left)
            departures.push_back(departure.us);
        const QByteArray figures = QByteArray::number(percentile(waits, 0.5)) + " ms median, "
            + QByteArray::number(percentile(waits, 0.95)) + " ms p95, spread "
            + QByteArray::number(spreadMs(departures)) + " of "
            + QByteArray::number(spreadMs(arrivals)) + " ms";
        QVERIFY2(percentile(waits, 0.5) <= 10 && percentile(waits, 0.95) <= 20, figures);
        QVERIFY2(spreadMs(departures) <= spreadMs(arrivals) / 2, figures);
    }

    // Wi-Fi power saving: 300 ms of silence, then the frames held back come at once. The queue
    // keeps the newest five and is back to its usual delay within two seconds (within one in
    // this run).
    void aStallAndItsBurstAddDelayOnlyForAWhile()
    {
        std::vector<std::int64_t> arrivals = phone(600, period, 10'000);
        for (std::size_t i = 300; i < 309; ++i)
            arrivals[i] = arrivals[309];
        Queue queue;
        queue.play(arrivals);
        const double before = percentile(waitsMs(queue, arrivals, 200, 300), 0.95);
        const double twoSecondsOn = percentile(waitsMs(queue, arrivals, 370, 430), 0.95);
        QVERIFY2(twoSecondsOn <= before + 2,
                 QByteArray::number(before) + " ms before, " + QByteArray::number(twoSecondsOn)
                     + " ms two seconds after");
        QVERIFY(arrivals.size() - queue.left.size() <= 4); // at most the burst's oldest four
    }

    // The phone's clock a tenth of a percent fast or slow against ours, for ten minutes: the
    // frames leave at the phone's true rate, so the delay does not grow and none is lost.
    void aSkewedPhoneClockBuildsNoDelay_data()
    {
        QTest::addColumn<double>("skew");
        QTest::newRow("fast") << 0.999;
        QTest::newRow("slow") << 1.001;
    }

    void aSkewedPhoneClockBuildsNoDelay()
    {
        QFETCH(double, skew);
        const std::vector<std::int64_t> arrivals = phone(18'000, double(period) * skew, 10'000);
        Queue queue;
        queue.play(arrivals);
        QCOMPARE(queue.left.size(), arrivals.size());
        const double first = percentile(waitsMs(queue, arrivals, 60, 1800), 0.95);
        const double last = percentile(waitsMs(queue, arrivals, 16'200, 18'000), 0.95);
        QVERIFY2(last <= first + 2,
                 QByteArray::number(first) + " ms in the first minute, " + QByteArray::number(last)
                     + " ms in the last");
    }

    // A timer that never fires (on Windows a busy thread's timer message waits behind every
    // other message): the frames that come still take the due ones out and stale ones are
    // dropped, so the camera keeps getting most pictures, at most about two periods late.
    void aStarvedTimerStillLetsTheNewestFramesOut()
    {
        const std::vector<std::int64_t> arrivals = phone(300, period, 10'000);
        Queue queue;
        for (std::size_t i = 0; i < arrivals.size(); ++i)
            queue.push(int(i), arrivals[i]); // no runUntil: only the frames wake it
        const std::vector<double> waits = waitsMs(queue, arrivals, 30, 300);
        QVERIFY2(percentile(waits, 1.0) <= 80, QByteArray::number(percentile(waits, 1.0)));
        QVERIFY(queue.pacer.queued() <= 2);
        QVERIFY2(queue.left.size() >= arrivals.size() * 85 / 100,
                 QByteArray::number(queue.left.size()));
    }

    // A thread that each frame leaving costs three periods (a slow window) takes, whenever it
    // is free, every frame that arrived meanwhile, each but the newest marked behind: it lets
    // out a few of them and drops the rest, so the frames that leave stay a few periods old
    // however long the call. Frames that all left, each in turn, would fall further behind
    // with every one.
    void aSlowThreadFallsBehindOnlyAFewFrames()
    {
        const std::vector<std::int64_t> arrivals = phone(900, period, 10'000);
        Queue queue;
        queue.releaseCostUs = 100'000;
        for (std::size_t next = 0; next < arrivals.size();) {
            queue.runUntil(arrivals[next]);
            std::size_t end = next;
            while (end < arrivals.size() && arrivals[end] <= queue.clock.nowUs())
                ++end;
            for (; next < end; ++next)
                queue.push(int(next), arrivals[next], next + 1 < end);
        }
        queue.runUntil(arrivals.back() + 1'000'000);
        const std::vector<double> waits = waitsMs(queue, arrivals, 90, 900);
        QVERIFY2(percentile(waits, 1.0) <= 400, QByteArray::number(percentile(waits, 1.0)));
        QVERIFY2(queue.left.size() >= arrivals.size() / 5, QByteArray::number(queue.left.size()));
        QCOMPARE(queue.left.back().number, 899);
    }

    // Five small frames may wait, but only two of the largest a phone sends: the queue's
    // memory stays bounded whatever the stream's size.
    void theQueueIsBoundedInBytesToo()
    {
        FramePool pool;
        ManualClock clock;
        std::vector<std::size_t> left;
        FramePacer pacer(clock, pool, [&left](BgrBuffer& frame) { left.push_back(frame.size()); });
        pacer.setTickMs(1000);
        for (const std::size_t bytes : {std::size_t(4), std::size_t(4096) * 2304 * 3}) {
            pacer.clear();
            left.clear();
            for (int i = 0; i < 7; ++i)
                pacer.push(BgrBuffer(bytes, 0)); // the first leaves at once
            QCOMPARE(left.size(), std::size_t(1));
            QCOMPARE(pacer.queued(), bytes == 4 ? FramePacer::capacity : std::size_t(2));
        }
    }

    // A phone that says 1 fps and sends 30 does not slow the queue to its word.
    void theRateComesFromTheFramesNotTheAnnouncement()
    {
        Queue queue;
        queue.pacer.setAnnouncedPeriodUs(1'000'000);
        queue.play(phone(300, period, 0));
        // The frames that waited for the word's slot are stale once the rate is known.
        QVERIFY(queue.left.size() >= std::size_t(295));
        QVERIFY(std::abs(queue.pacer.periodUs() - period) <= 10);
    }

    // The thread stopped for ten seconds with frames waiting and its timer due (the program was
    // stopped, the machine suspended): under both rules those frames are not shown late, and
    // the next frame leaves on time.
    void framesHeldByAStoppedThreadAreDropped_data()
    {
        QTest::addColumn<bool>("lowLatency");
        QTest::newRow("default") << false;
        QTest::newRow("low latency") << true;
    }

    void framesHeldByAStoppedThreadAreDropped()
    {
        QFETCH(bool, lowLatency);
        Queue queue(lowLatency);
        queue.push(0, 0);
        queue.push(1, 1000);
        queue.push(2, 2000);
        QCOMPARE(queue.numbersLeft(), std::vector<int>{0});
        queue.clock.setUs(10'000'000);
        queue.pacer.wake();
        QCOMPARE(queue.numbersLeft(), std::vector<int>{0});
        QCOMPARE(queue.pacer.queued(), 0u);
        queue.push(3, 10'001'000);
        QCOMPARE(queue.numbersLeft(), (std::vector<int>{0, 3}));
        QCOMPARE(queue.left.back().us, 10'001'000);
    }
};

QTEST_GUILESS_MAIN(FramePacerTest)
#include "FramePacerTest.moc"
