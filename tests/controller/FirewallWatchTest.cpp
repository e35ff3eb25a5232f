#include "controller/FirewallWatch.h"

#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <future>

// The firewall's question on a thread of its own, held still by the test as a slow
// firewall-cmd holds the real one.
class FirewallWatchTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // While a question is under way the caller goes on; the asks that came meanwhile make one
    // more question, and the answers arrive in order on the caller's thread.
    void aSlowQuestionHoldsOnlyItsOwnThread()
    {
        FirewallWatch watch;
        QSignalSpy answered(&watch, &FirewallWatch::answered);
        std::promise<void> letGo;
        const std::shared_future<void> released = letGo.get_future().share();
        std::atomic<int> asked{0};
        watch.ask([&] {
            ++asked;
            released.wait();
            return true;
        });
        QTRY_COMPARE(asked.load(), 1);
        for (int i = 0; i < 3; ++i)
            watch.ask([&] {
                ++asked;
                return false;
            });
        QCOMPARE(answered.count(), 0);
        letGo.set_value();
        QTRY_COMPARE(answered.count(), 2);
        QCOMPARE(asked.load(), 2);
        QCOMPARE(answered.at(0).at(0).toBool(), true);
        QCOMPARE(answered.at(1).at(0).toBool(), false);
    }

    // A watch that goes while its question runs waits for it, and its answer goes nowhere.
    void destructionWaitsForTheQuestionUnderWay()
    {
        std::atomic<bool> ended{false};
        std::promise<void> started;
        {
            FirewallWatch watch;
            watch.ask([&] {
                started.set_value();
                QTest::qSleep(50); // still asking when the watch goes
                ended = true;
                return true;
            });
            started.get_future().wait();
        }
        QVERIFY(ended.load());
        QCoreApplication::processEvents(); // the queued answer was taken along
    }
};

QTEST_GUILESS_MAIN(FirewallWatchTest)
#include "FirewallWatchTest.moc"
