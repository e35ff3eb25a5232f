#include "pipeline/FramePacer.h"
#include "tests/pipeline/ManualClock.h"

#include <QTest>

#include <random>
#include <vector>

// The Wi-Fi queue's two rules, on a clock the test moves: each frame carries its number in its
// first byte, and the test records when each one left.
class FramePacerTest : public QObject {
    Q_OBJECT

    struct Queue {
        ManualClock clock;
        FramePool pool;
        std::vector<std::pair<int, std::int64_t>> left; // frame number, when it left
        FramePacer pacer{clock, pool, [this](BgrBuffer& frame) {
                             left.emplace_back(int(frame[0]), clock.nowMs());
                         }};

        explicit Queue(bool lowLatency = false)
        {
            pacer.setPeriodMs(33);
            pacer.setLowLatency(lowLatency);
        }
        void push(int number, std::int64_t atMs)
        {
            clock.set(atMs);
            pacer.push(BgrBuffer(4, static_cast<unsigned char>(number)));
        }
        // Wakes the pacer whenever it asks to be woken, as its timer would, up to `untilMs`.
        void runUntil(std::int64_t untilMs)
        {
            while (const auto due = pacer.nextWakeMs()) {
                if (*due > untilMs)
                    break;
                clock.set(std::max(*due, clock.nowMs()));
                pacer.wake();
            }
            clock.set(untilMs);
        }
        std::vector<int> numbersLeft() const
        {
            std::vector<int> numbers;
            for (const auto& [number, at] : left)
                numbers.push_back(number);
            return numbers;
        }
    };

private Q_SLOTS:
    void framePeriodFollowsTheAnnouncedRate_data()
    {
        QTest::addColumn<int>("fps");
        QTest::addColumn<int>("period");
        QTest::newRow("60") << 60 << 16;
        QTest::newRow("25") << 25 << 40;
        QTest::newRow("120") << 120 << 8;
        QTest::newRow("0 keeps") << 0 << 33;
        QTest::newRow("121 keeps") << 121 << 33;
    }

    void framePeriodFollowsTheAnnouncedRate()
    {
        QFETCH(int, fps);
        QFETCH(int, period);
        QCOMPARE(FramePacer::framePeriodMs(fps, 33), period);
    }

    // By default frames leave one a tick, the newest five of a burst, and the tick keeps its
    // phase while the queue is empty.
    void defaultTickLetsOneFrameOutPerTick()
    {
        Queue queue;
        for (int i = 0; i < 7; ++i)
            queue.push(i, 0);
        QCOMPARE(queue.pacer.queued(), FramePacer::capacity);
        queue.runUntil(1000);
        QCOMPARE(queue.numbersLeft(), (std::vector<int>{2, 3, 4, 5, 6}));
        for (std::size_t i = 0; i < queue.left.size(); ++i)
            QCOMPARE(queue.left[i].second, std::int64_t(33 * (i + 1)));
        queue.push(7, 1010);
        QCOMPARE(queue.pacer.nextWakeMs(), std::optional<std::int64_t>(33 * 31));
    }

    void clearDropsTheWaitingFramesAndTheTick()
    {
        Queue queue;
        queue.push(1, 0);
        queue.push(2, 10);
        queue.pacer.clear();
        QCOMPARE(queue.pacer.nextWakeMs(), std::nullopt);
        queue.push(3, 20);
        queue.runUntil(100);
        QCOMPARE(queue.numbersLeft(), std::vector<int>{3});
        QCOMPARE(queue.left[0].second, std::int64_t(53)); // a fresh tick, a period after
    }

    void aShorterTickRestartsFromNow()
    {
        Queue queue;
        queue.pacer.setTickMs(3'600'000);
        queue.push(1, 0);
        queue.push(2, 0);
        queue.clock.set(500);
        queue.pacer.setTickMs(1);
        queue.runUntil(1000);
        QCOMPARE(queue.left, (std::vector<std::pair<int, std::int64_t>>{{1, 501}, {2, 502}}));
    }

    // Under "Low latency" a frame alone leaves three quarters of a period after the last one,
    // a frame with others behind it half a period after.
    void lowLatencyWaitsOnlyForTheSpacing()
    {
        Queue queue(true);
        queue.push(1, 1000);
        QCOMPARE(queue.numbersLeft(), std::vector<int>{1}); // nothing left before it
        queue.push(2, 1010);
        QCOMPARE(queue.pacer.nextWakeMs(), std::optional<std::int64_t>(1024));
        queue.push(3, 1010);
        QCOMPARE(queue.pacer.nextWakeMs(), std::optional<std::int64_t>(1016));
        queue.runUntil(2000);
        QCOMPARE(queue.left,
                 (std::vector<std::pair<int, std::int64_t>>{{1, 1000}, {2, 1016}, {3, 1040}}));
        queue.push(4, 2000); // a period after the last: at once
        QCOMPARE(queue.left.back(), (std::pair<int, std::int64_t>{4, 2000}));
    }

    void switchingRulesMovesTheWaitingFramesOn()
    {
        Queue queue;
        queue.push(1, 0);
        queue.push(2, 5);
        queue.clock.set(10);
        queue.pacer.setLowLatency(true);
        QCOMPARE(queue.numbersLeft(), std::vector<int>{1});
        QCOMPARE(queue.pacer.nextWakeMs(), std::optional<std::int64_t>(34));
        queue.pacer.setLowLatency(false);
        QCOMPARE(queue.pacer.nextWakeMs(), std::optional<std::int64_t>(43));
    }

    void jitterAndALateBurstBuildNoStandingQueueUnderLowLatency()
    {
        // 30 fps with up to 10 ms of jitter, and once a 120 ms hole after which four frames
        // arrive together.
        std::mt19937 random(19);
        std::uniform_int_distribution<int> jitter(0, 10);
        std::vector<std::int64_t> arrivals;
        for (int i = 0; i < 250; ++i)
            arrivals.push_back(std::max<std::int64_t>(i * 100 / 3 + jitter(random),
                                                      arrivals.empty() ? 0 : arrivals.back()));
        for (int i = 150; i < 154; ++i)
            arrivals[std::size_t(i)] = arrivals[153];

        Queue queue(true);
        for (std::size_t i = 0; i < arrivals.size(); ++i) {
            queue.runUntil(arrivals[i]);
            queue.push(int(i % 250), arrivals[i]);
        }
        queue.runUntil(arrivals.back() + 1000);
        QCOMPARE(queue.left.size(), arrivals.size()); // none dropped
        std::vector<std::int64_t> waited;
        for (std::size_t i = 0; i < queue.left.size(); ++i) {
            QCOMPARE(queue.left[i].first, int(i));
            waited.push_back(queue.left[i].second - arrivals[i]);
        }
        std::int64_t worstOutsideBurst = 0;
        for (std::size_t i = 0; i < waited.size(); ++i)
            if (i < 150 || i > 160)
                worstOutsideBurst = std::max(worstOutsideBurst, waited[i]);
        QVERIFY2(worstOutsideBurst <= 33, "jitter alone held a frame for over a frame period");
        // The burst leaves half a period apart and is gone within two periods.
        QCOMPARE(waited[150], std::int64_t(0));
        QCOMPARE(waited[151], std::int64_t(16));
        QVERIFY(waited[153] <= 66);
    }
};

QTEST_GUILESS_MAIN(FramePacerTest)
#include "FramePacerTest.moc"
