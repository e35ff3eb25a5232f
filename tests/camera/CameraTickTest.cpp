#include "bench/Percentile.h"
#include "camera/CameraTick.h"

#include <QTest>

#include <random>
#include <vector>

// The camera's send rule against the fixed tick it replaced, on simulated time: phones at
// about the camera's rate, with jitter, slower and faster ones. Each frame's wait is from its
// hand-over to its first send; a frame replaced before it was sent is lost. In every case the
// rule keeps the rate, loses no more and waits no longer than the fixed tick; each run prints
// its figures beside the fixed tick's.
class CameraTickTest : public QObject {
    Q_OBJECT

    static constexpr std::int64_t period = 33'333; // µs, the camera's 30 fps

    struct Run {
        std::vector<double> waitsMs;
        int lost = 0;
        std::vector<std::int64_t> sends;
    };

    // The frames' hand-over times: a phone at `phonePeriod`, each frame up to `jitterUs` late.
    static std::vector<std::int64_t> handOvers(double phonePeriod, int jitterUs)
    {
        std::mt19937 random(11);
        std::uniform_int_distribution<int> jitter(0, jitterUs);
        std::vector<std::int64_t> times;
        for (int i = 0; double(i) * phonePeriod < 120e6; ++i) {
            const auto due = 1'000'000 + std::int64_t(double(i) * phonePeriod) + jitter(random);
            times.push_back(times.empty() ? due : std::max(due, times.back()));
        }
        return times;
    }

    // The pacing thread sends when the rule says, or the fixed tick's time comes.
    template <typename Due, typename Sent>
    static Run simulate(const std::vector<std::int64_t>& frames, Due due, Sent sent)
    {
        Run run;
        std::optional<std::size_t> waiting;
        std::size_t next = 0;
        std::int64_t now = 0;
        const std::int64_t end = frames.back() + 1'000'000;
        while (now < end) {
            const std::int64_t arrival = next < frames.size() ? frames[next] : end;
            const std::optional<std::int64_t> send = due(now);
            if (send && std::max(*send, now) <= arrival) {
                now = std::max(*send, now);
                if (waiting)
                    run.waitsMs.push_back(double(now - frames[*waiting]) / 1000);
                waiting.reset();
                run.sends.push_back(now);
                sent(now);
            } else {
                now = arrival;
                if (next == frames.size())
                    break;
                run.lost += waiting ? 1 : 0;
                waiting = next++;
            }
        }
        return run;
    }

    static Run withRule(const std::vector<std::int64_t>& frames)
    {
        CameraTick tick(period);
        std::size_t given = 0;
        return simulate(
            frames,
            [&](std::int64_t now) {
                // The thread learns of each frame as it is handed over.
                while (given < frames.size() && frames[given] <= now) {
                    tick.frameCame(frames[given]);
                    ++given;
                }
                return tick.nextSendUs();
            },
            [&](std::int64_t now) { tick.sent(now); });
    }

    // A tick every period on a clock of its own, from a phase of `eighths` of a period.
    static Run withFixedTick(const std::vector<std::int64_t>& frames, int eighths)
    {
        std::int64_t tick = frames.front() - period * eighths / 8;
        return simulate(
            frames, [&](std::int64_t) { return std::optional<std::int64_t>(tick); },
            [&](std::int64_t) { tick += period; });
    }

    // The lowest and highest rate over any second of sends, in frames per second.
    static std::pair<double, double> rateRange(const std::vector<std::int64_t>& sends)
    {
        double lowest = 1e9;
        double highest = 0;
        std::size_t j = 0;
        for (std::size_t i = 0; i < sends.size(); ++i) {
            while (j + 1 < sends.size() && sends[j + 1] - sends[i] <= 1'000'000)
                ++j;
            if (sends[j] - sends[i] < 900'000)
                break;
            const double rate = double(j - i) * 1e6 / double(sends[j] - sends[i]);
            lowest = std::min(lowest, rate);
            highest = std::max(highest, rate);
        }
        return {lowest, highest};
    }

private Q_SLOTS:
    void sendsAtOnceAndKeepsTheCameraRate_data()
    {
        QTest::addColumn<double>("phonePeriod");
        QTest::addColumn<int>("jitterUs");
        QTest::addColumn<double>("medianMs"); // targets; 0: none
        QTest::addColumn<double>("p95Ms");
        QTest::newRow("steady 30 fps") << double(period) << 500 << 2.0 << 5.0;
        QTest::newRow("clock 0.1% fast") << double(period) * 0.999 << 500 << 2.0 << 5.0;
        QTest::newRow("clock 0.1% slow") << double(period) * 1.001 << 500 << 2.0 << 5.0;
        QTest::newRow("10 ms of jitter") << double(period) << 10'000 << 0.0 << 33.4;
        QTest::newRow("24 fps") << 1e6 / 24 << 500 << 0.0 << 0.0;
        QTest::newRow("15 fps") << 1e6 / 15 << 500 << 0.0 << 0.0;
        QTest::newRow("60 fps") << 1e6 / 60 << 500 << 0.0 << 0.0;
    }

    void sendsAtOnceAndKeepsTheCameraRate()
    {
        QFETCH(double, phonePeriod);
        QFETCH(int, jitterUs);
        QFETCH(double, medianMs);
        QFETCH(double, p95Ms);
        const std::vector<std::int64_t> frames = handOvers(phonePeriod, jitterUs);
        const Run rule = withRule(frames);
        // The fixed tick's phase is chance: its losses are the mean over eight phases, its
        // waits those of all eight.
        Run fixed;
        for (int eighths = 0; eighths < 8; ++eighths) {
            const Run phase = withFixedTick(frames, eighths);
            fixed.lost += phase.lost;
            fixed.waitsMs.insert(fixed.waitsMs.end(), phase.waitsMs.begin(), phase.waitsMs.end());
        }
        fixed.lost /= 8;
        const auto [lowest, highest] = rateRange(rule.sends);
        const QByteArray figures = "waits median "
            + QByteArray::number(percentile(rule.waitsMs, 0.5)) + " p95 "
            + QByteArray::number(percentile(rule.waitsMs, 0.95)) + " ms (fixed tick "
            + QByteArray::number(percentile(fixed.waitsMs, 0.5)) + ", "
            + QByteArray::number(percentile(fixed.waitsMs, 0.95)) + "), lost "
            + QByteArray::number(rule.lost) + " (fixed tick " + QByteArray::number(fixed.lost)
            + "), rate " + QByteArray::number(lowest) + " to " + QByteArray::number(highest);
        qInfo("%s", figures.constData());
        QVERIFY2(lowest >= 28.5 && highest <= 31.5, figures);
        QVERIFY2(rule.lost <= fixed.lost, figures);
        QVERIFY2(percentile(rule.waitsMs, 0.5) <= percentile(fixed.waitsMs, 0.5), figures);
        QVERIFY2(percentile(rule.waitsMs, 0.95) <= percentile(fixed.waitsMs, 0.95), figures);
        if (medianMs > 0)
            QVERIFY2(percentile(rule.waitsMs, 0.5) <= medianMs, figures);
        if (p95Ms > 0)
            QVERIFY2(percentile(rule.waitsMs, 0.95) <= p95Ms, figures);
    }

    void nothingBeforeTheFirstFrame()
    {
        CameraTick tick(period);
        QCOMPARE(tick.nextSendUs(), std::nullopt);
        tick.frameCame(0);
        QCOMPARE(tick.nextSendUs(), std::optional<std::int64_t>(0));
        tick.sent(5'000);
        QCOMPARE(tick.nextSendUs(), std::optional<std::int64_t>(5'000 + period * 51 / 50));
    }
};

QTEST_GUILESS_MAIN(CameraTickTest)
#include "CameraTickTest.moc"
