#include "controller/LowLatencyPacing.h"

#include <QTest>

#include <deque>
#include <random>
#include <vector>

// The "Low latency" drain, on times the test makes up: the spacing between frames, and a whole
// stream with network jitter and a late burst, drained as the controller drains its queue.
class LowLatencyPacingTest : public QObject {
    Q_OBJECT

    // Frames arriving at `arrivalsMs` (in order), queued at most five deep and released at
    // each millisecond the pacing allows. Returns each frame's wait in the queue.
    static std::vector<std::int64_t> drain(const std::vector<std::int64_t>& arrivalsMs)
    {
        LowLatencyPacing pacing;
        pacing.setPeriodMs(33);
        std::deque<std::size_t> queue;
        std::vector<std::int64_t> waited(arrivalsMs.size(), -1);
        std::size_t next = 0;
        for (std::int64_t now = 0; next < arrivalsMs.size() || !queue.empty(); ++now) {
            while (next < arrivalsMs.size() && arrivalsMs[next] <= now) {
                queue.push_back(next++);
                if (queue.size() > 5)
                    queue.pop_front();
            }
            while (!queue.empty() && pacing.waitMs(queue.size(), now) == 0) {
                waited[queue.front()] = now - arrivalsMs[queue.front()];
                queue.pop_front();
                pacing.passed(now);
            }
        }
        return waited;
    }

private slots:
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
        QCOMPARE(LowLatencyPacing::framePeriodMs(fps, 33), period);
    }

    void waitsOnlyForTheSpacing_data()
    {
        QTest::addColumn<int>("queued");
        QTest::addColumn<int>("sinceLastMs");
        QTest::addColumn<int>("waitMs");
        QTest::newRow("alone, a period after the last") << 1 << 33 << 0;
        QTest::newRow("alone, early: three quarters of a period") << 1 << 10 << 14;
        QTest::newRow("behind others: half a period") << 2 << 10 << 6;
        QTest::newRow("behind others, due") << 5 << 16 << 0;
    }

    void waitsOnlyForTheSpacing()
    {
        QFETCH(int, queued);
        QFETCH(int, sinceLastMs);
        QFETCH(int, waitMs);
        LowLatencyPacing pacing;
        pacing.setPeriodMs(33);
        QCOMPARE(pacing.waitMs(std::size_t(queued), 1000), std::int64_t(0)); // nothing left yet
        pacing.passed(1000);
        QCOMPARE(pacing.waitMs(std::size_t(queued), 1000 + sinceLastMs), std::int64_t(waitMs));
        pacing.reset();
        QCOMPARE(pacing.waitMs(std::size_t(queued), 1000 + sinceLastMs), std::int64_t(0));
    }

    void jitterAndALateBurstBuildNoStandingQueue()
    {
        // 30 fps with up to 10 ms of jitter, and once a 120 ms hole after which four frames
        // arrive together.
        std::mt19937 random(19);
        std::uniform_int_distribution<int> jitter(0, 10);
        std::vector<std::int64_t> arrivals;
        for (int i = 0; i < 300; ++i)
            arrivals.push_back(std::max<std::int64_t>(i * 100 / 3 + jitter(random),
                                                      arrivals.empty() ? 0 : arrivals.back()));
        for (int i = 150; i < 154; ++i)
            arrivals[std::size_t(i)] = arrivals[153];

        const std::vector<std::int64_t> waited = drain(arrivals);
        std::int64_t worstOutsideBurst = 0;
        for (std::size_t i = 0; i < waited.size(); ++i) {
            QVERIFY2(waited[i] >= 0, "a frame was dropped");
            if (i < 150 || i > 160)
                worstOutsideBurst = std::max(worstOutsideBurst, waited[i]);
        }
        QVERIFY2(worstOutsideBurst <= 33, "jitter alone held a frame for over a frame period");
        // The burst leaves half a period apart and is gone within two periods.
        QCOMPARE(waited[150], std::int64_t(0));
        QCOMPARE(waited[151], std::int64_t(16));
        QVERIFY(waited[153] <= 66);
    }
};

QTEST_GUILESS_MAIN(LowLatencyPacingTest)
#include "LowLatencyPacingTest.moc"
