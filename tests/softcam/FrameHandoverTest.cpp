#include "softcam/FrameHandover.h"

#include <QTest>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

// The sending thread hands frames to PipeWire's thread through it: neither waits, the taker
// sees the newest frame whole.
class FrameHandoverTest : public QObject {
    Q_OBJECT

    static std::vector<unsigned char> filled(std::size_t bytes, unsigned char value)
    {
        return std::vector<unsigned char>(bytes, value);
    }

private Q_SLOTS:
    void takesOnlyWhatCameSinceTheLastTake()
    {
        softcam::FrameHandover handover(16);
        QVERIFY(!handover.repeatsLast(filled(16, 0).data())); // nothing was put
        QVERIFY(!handover.take());
        QCOMPARE(handover.latest()[0], 0);
        handover.put(filled(16, 1).data());
        handover.put(filled(16, 2).data());
        QVERIFY(handover.take());
        QCOMPARE(handover.latest()[15], 2);
        QVERIFY(!handover.take());
        QCOMPARE(handover.latest()[15], 2); // still the frame taken before
        handover.put(filled(16, 3).data());
        QVERIFY(handover.take());
        QCOMPARE(handover.latest()[0], 3);

        // The producer knows the frame it put last, whether or not it was taken since.
        QVERIFY(handover.repeatsLast(filled(16, 3).data()));
        QVERIFY(!handover.repeatsLast(filled(16, 4).data()));

        // Another size: nothing fresh, zeros until the first frame of it, whole frames after.
        handover.put(filled(16, 4).data());
        QVERIFY(handover.repeatsLast(filled(16, 4).data()));
        handover.resize(32);
        QVERIFY(!handover.repeatsLast(filled(32, 0).data()));
        QVERIFY(!handover.take());
        QCOMPARE(handover.latest()[31], 0);
        handover.put(filled(32, 5).data());
        QVERIFY(handover.take());
        QCOMPARE(handover.latest()[0], 5);
        QCOMPARE(handover.latest()[31], 5);
    }

    // Each frame holds its number throughout; a torn frame would mix two, and a number below
    // the last one taken would be a frame handed out of order.
    void concurrentTakerSeesWholeFramesInOrder()
    {
        constexpr std::size_t kNumbers = 16 * 1024;
        constexpr std::uint32_t kFrames = 2000;
        softcam::FrameHandover handover(kNumbers * sizeof(std::uint32_t));
        std::atomic<bool> done{false};
        bool repeatsKnown = true; // the producer's, read after the join
        std::thread producer([&] {
            std::vector<std::uint32_t> frame(kNumbers);
            const auto bytes = reinterpret_cast<const unsigned char*>(frame.data());
            for (std::uint32_t i = 1; i <= kFrames; ++i) {
                std::fill(frame.begin(), frame.end(), i);
                // While the taker reads the frame put last, the producer compares with it.
                repeatsKnown = repeatsKnown && !handover.repeatsLast(bytes);
                handover.put(bytes);
                repeatsKnown = repeatsKnown && handover.repeatsLast(bytes);
            }
            done = true;
        });
        int taken = 0;
        std::uint32_t last = 0;
        bool whole = true;
        bool ordered = true;
        std::vector<std::uint32_t> frame(kNumbers);
        for (;;) {
            const bool finished = done;
            if (!handover.take()) {
                if (finished)
                    break;
                continue;
            }
            std::memcpy(frame.data(), handover.latest(), kNumbers * sizeof(std::uint32_t));
            whole = whole && std::all_of(frame.begin(), frame.end(), [&](std::uint32_t n) {
                        return n == frame[0];
                    });
            ordered = ordered && frame[0] > last;
            last = frame[0];
            ++taken;
        }
        producer.join();
        QVERIFY(repeatsKnown);
        QVERIFY(whole);
        QVERIFY(ordered);
        QVERIFY(taken > 0);
        QCOMPARE(last, kFrames);
    }
};

QTEST_GUILESS_MAIN(FrameHandoverTest)
#include "FrameHandoverTest.moc"
