#include "video/RecordingQueue.h"

#include <QTest>

#include <chrono>
#include <future>
#include <mutex>
#include <vector>

using namespace std::chrono_literals;

// The hand-over from the GUI thread to a recording's worker, with a worker the test holds still
// as a disk that cannot keep up holds the real one.
class RecordingQueueTest : public QObject {
    Q_OBJECT

    struct HeldWorker : RecordingQueue::Worker {
        std::promise<void> entered; // the first frame reached encode()
        std::promise<void> letGo;
        std::shared_future<void> released = letGo.get_future().share();
        std::vector<RecordingQueue::Frame> encoded; // the worker's; read after finish
        bool first = true;
        bool finished = false;

        void encode(const RecordingQueue::Frame& frame) override
        {
            if (first) {
                first = false;
                entered.set_value();
                released.wait();
            }
            encoded.push_back(frame);
        }
        void finish() override { finished = true; }
    };

private Q_SLOTS:
    // A worker stuck on its disk never stops the GUI thread: the frames beyond the few that
    // wait are left out and counted, and those kept reach the file in order once it moves.
    void aStuckDiskCostsFramesNotTheCaller()
    {
        constexpr int handed = 40;
        const std::size_t bytes = 12;
        HeldWorker worker;
        RecordingQueue queue(bytes);
        QVERIFY(queue.start(worker));
        std::vector<unsigned char> frame(bytes, 0);
        queue.hand(frame.data());
        worker.entered.get_future().wait();

        auto handing = std::async(std::launch::async, [&] {
            for (int i = 1; i < handed; ++i) {
                frame[0] = static_cast<unsigned char>(i);
                queue.hand(frame.data());
            }
        });
        const bool returned = handing.wait_for(10s) == std::future_status::ready;
        worker.letGo.set_value();
        QVERIFY2(returned, "hand() waited for the stuck worker");
        QCOMPARE(queue.dropped(), std::uint64_t(handed) - 1 - queue.capacity());

        queue.end();
        QTRY_VERIFY(queue.finished());
        QVERIFY(worker.finished);
        QCOMPARE(worker.encoded.size(), 1 + queue.capacity());
        for (std::size_t i = 1; i < worker.encoded.size(); ++i) {
            QCOMPARE(int(worker.encoded[i].pixels[0]), int(i)); // the first ones kept, in order
            QVERIFY(worker.encoded[i].time > worker.encoded[i - 1].time);
        }
    }

    // The session's end waits for the file, but only so long: a worker still on its disk makes
    // the wait give up at its deadline, and one that is done ends it at once.
    void aBoundedWaitEndsWithTheFileOrTheDeadline()
    {
        HeldWorker worker;
        RecordingQueue queue(4);
        QVERIFY(queue.start(worker));
        std::vector<unsigned char> frame(4, 7);
        queue.hand(frame.data());
        worker.entered.get_future().wait();
        queue.end();
        QVERIFY(!queue.waitFinished(std::chrono::steady_clock::now() + 20ms));
        worker.letGo.set_value();
        QVERIFY(queue.waitFinished(std::chrono::steady_clock::now() + 60s));
        QVERIFY(worker.finished);
        QVERIFY(queue.waitFinished(std::chrono::steady_clock::now()));
    }
};

QTEST_GUILESS_MAIN(RecordingQueueTest)
#include "RecordingQueueTest.moc"
