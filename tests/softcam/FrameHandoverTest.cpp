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

    // A BGR frame and the smaller I420 picture share the slots: each comes out with its kind,
    // and a picture of one kind never repeats one of the other, whatever its bytes.
    void eachFrameTravelsWithItsKind()
    {
        using softcam::FrameKind;
        softcam::FrameHandover handover(16);
        const auto bgr = filled(16, 1);
        const auto i420 = filled(8, 1);
        handover.put(i420.data(), i420.size(), FrameKind::I420);
        QVERIFY(handover.repeatsLast(i420.data(), i420.size(), FrameKind::I420));
        QVERIFY(!handover.repeatsLast(i420.data(), i420.size(), FrameKind::Bgr));
        QVERIFY(!handover.repeatsLast(bgr.data())); // the same bytes, longer
        QVERIFY(!handover.repeatsLast(filled(8, 2).data(), 8, FrameKind::I420));
        QCOMPARE(handover.latestKind(), FrameKind::Bgr); // the zeros before the first take
        QVERIFY(handover.take());
        QCOMPARE(handover.latestKind(), FrameKind::I420);
        QCOMPARE(handover.latest()[7], 1);

        // The slot the I420 picture left is written in full by the next BGR frame.
        handover.put(bgr.data());
        QVERIFY(!handover.repeatsLast(i420.data(), i420.size(), FrameKind::I420));
        QVERIFY(handover.repeatsLast(bgr.data()));
        handover.put(filled(16, 3).data());
        QVERIFY(handover.take());
        QCOMPARE(handover.latestKind(), FrameKind::Bgr);
        QCOMPARE(handover.latest()[15], 3);

        // Another size starts again from BGR zeros.
        handover.put(i420.data(), i420.size(), FrameKind::I420);
        handover.resize(32);
        QVERIFY(!handover.repeatsLast(i420.data(), i420.size(), FrameKind::I420));
        QVERIFY(!handover.take());
        QCOMPARE(handover.latestKind(), FrameKind::Bgr);
    }

    // Each frame holds its number throughout, odd numbers as I420 pictures of half the bytes;
    // a torn frame would mix two numbers or carry the other kind, and a number below the last
    // one taken would be a frame handed out of order.
    void concurrentTakerSeesWholeFramesInOrder()
    {
        using softcam::FrameKind;
        constexpr std::size_t kNumbers = 16 * 1024;
        constexpr std::uint32_t kFrames = 2000;
        const auto kindOf = [](std::uint32_t n) {
            return n % 2 ? FrameKind::I420 : FrameKind::Bgr;
        };
        const auto numbersOf = [](FrameKind kind) {
            return kind == FrameKind::I420 ? kNumbers / 2 : kNumbers;
        };
        softcam::FrameHandover handover(kNumbers * sizeof(std::uint32_t));
        std::atomic<bool> done{false};
        bool repeatsKnown = true; // the producer's, read after the join
        std::thread producer([&] {
            std::vector<std::uint32_t> frame(kNumbers);
            const auto bytes = reinterpret_cast<const unsigned char*>(frame.data());
            for (std::uint32_t i = 1; i <= kFrames; ++i) {
                std::fill(frame.begin(), frame.end(), i);
                const FrameKind kind = kindOf(i);
                const std::size_t length = numbersOf(kind) * sizeof(std::uint32_t);
                // While the taker reads the frame put last, the producer compares with it.
                repeatsKnown = repeatsKnown && !handover.repeatsLast(bytes, length, kind);
                handover.put(bytes, length, kind);
                repeatsKnown = repeatsKnown && handover.repeatsLast(bytes, length, kind);
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
            const FrameKind kind = handover.latestKind();
            const std::size_t numbers = numbersOf(kind);
            std::memcpy(frame.data(), handover.latest(), numbers * sizeof(std::uint32_t));
            whole = whole && kind == kindOf(frame[0])
                && std::all_of(frame.begin(), frame.begin() + std::ptrdiff_t(numbers),
                               [&](std::uint32_t n) { return n == frame[0]; });
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
