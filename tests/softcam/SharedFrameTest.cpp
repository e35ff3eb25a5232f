#include "softcam/CameraReader.h"
#include "softcam/SharedFramePublisher.h"

#include <QtTest>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace softcam;

namespace {

// Every byte of frame n of a w-wide camera holds this value, so a frame stitched from two
// writes, or paired with the wrong size, shows.
unsigned char fillOf(std::uint64_t number, int width)
{
    return static_cast<unsigned char>((number * 7 + std::uint64_t(width)) % 251);
}

bool uniform(const CameraFrame& frame)
{
    if (frame.bgr.size() != frameBytes(frame.width, frame.height))
        return false;
    const unsigned char expected = fillOf(frame.number, frame.width);
    for (unsigned char byte : frame.bgr)
        if (byte != expected)
            return false;
    return true;
}

} // namespace

class SharedFrameTest : public QObject {
    Q_OBJECT

    std::string name;

private slots:
    void init()
    {
        static int serial = 0;
        name = "/vidlet-test-shared-" + std::to_string(getpid()) + "-" + std::to_string(++serial);
    }

    void cleanup() { shm_unlink(name.c_str()); }

    void readerNeverSeesTornFrameWhileWriterChangesSize()
    {
        const std::vector<std::pair<int, int>> sizes = {{320, 240}, {64, 48}, {640, 360}};
        std::atomic<int> sizesSeen{0}; // bit i: the reader saw a frame of sizes[i]
        std::atomic<bool> writerDone{false};
        std::atomic<int> writerFailures{0};

        std::thread writer([&] {
            for (std::size_t i = 0; i < sizes.size(); ++i) {
                const auto [w, h] = sizes[i];
                SharedFramePublisher publisher;
                if (!publisher.open(name, w, h, 30.0f)) {
                    ++writerFailures;
                    continue;
                }
                std::vector<unsigned char> frame(frameBytes(w, h));
                const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
                // Many frames back to back, so reads and writes overlap as often as they can.
                for (std::uint64_t n = 1;
                     n <= 300 || (!(sizesSeen.load() & (1 << i)) && std::chrono::steady_clock::now() < giveUp);
                     ++n) {
                    std::memset(frame.data(), fillOf(n, w), frame.size());
                    publisher.publish(frame.data());
                }
            }
            writerDone = true;
        });

        CameraReader reader(name);
        CameraFrame frame;
        int torn = 0;
        int backwards = 0;
        int reads = 0;
        std::uint64_t lastNumber = 0;
        int lastWidth = 0;
        while (!writerDone.load()) {
            if (!reader.readNewFrame(frame))
                continue;
            ++reads;
            torn += uniform(frame) ? 0 : 1;
            if (frame.width == lastWidth && frame.number <= lastNumber)
                ++backwards;
            lastWidth = frame.width;
            lastNumber = frame.number;
            for (std::size_t i = 0; i < sizes.size(); ++i)
                if (frame.width == sizes[i].first && frame.height == sizes[i].second)
                    sizesSeen |= 1 << int(i);
        }
        writer.join();

        QCOMPARE(writerFailures.load(), 0);
        QVERIFY(reads > 0);
        QCOMPARE(torn, 0);
        QCOMPARE(backwards, 0);
        QCOMPARE(sizesSeen.load(), 0b111);
    }

    void readerFollowsCameraAcrossRestart()
    {
        CameraReader reader(name);
        QVERIFY(!reader.attach());
        CameraFrame frame;
        {
            SharedFramePublisher first;
            QVERIFY(first.open(name, 64, 48, 30.0f));
            QVERIFY(reader.attach());
            QVERIFY(!reader.readNewFrame(frame)); // nothing published yet
            std::vector<unsigned char> bgr(frameBytes(64, 48), fillOf(1, 64));
            first.publish(bgr.data());
            QVERIFY(reader.readNewFrame(frame));
            QVERIFY(!reader.readNewFrame(frame)); // nothing newer
        }
        QVERIFY(!reader.attach()); // the camera is gone

        SharedFramePublisher second;
        QVERIFY(second.open(name, 32, 16, 15.0f));
        std::vector<unsigned char> bgr(frameBytes(32, 16), fillOf(1, 32));
        second.publish(bgr.data());
        QVERIFY(reader.readNewFrame(frame));
        QCOMPARE(frame.width, 32);
        QCOMPARE(frame.height, 16);
        QCOMPARE(frame.number, std::uint64_t(1));
        QCOMPARE(reader.frameRate(), 15.0f);
        QVERIFY(uniform(frame));
    }

    // Every size the decoder delivers, odd ones and those beyond 8K UHD included.
    void takesEverySizeTheDecoderDelivers_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("valid");
        QTest::newRow("1x1") << 1 << 1 << true;
        QTest::newRow("odd") << 641 << 359 << true;
        QTest::newRow("wider than 8K UHD") << 8192 << 4320 << true;
        QTest::newRow("largest H.264 picture") << 8192 << 4352 << true;
        QTest::newRow("one row more") << 8192 << 4353 << false;
        QTest::newRow("side too long") << 8193 << 16 << false;
        QTest::newRow("empty") << 0 << 16 << false;
    }

    void takesEverySizeTheDecoderDelivers()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(bool, valid);
        QCOMPARE(validCameraSize(width, height), valid);
    }

    // What lets the camera skip converting a frame it was given again.
    void knowsAFrameItPublishedLast()
    {
        SharedFramePublisher publisher;
        QVERIFY(publisher.open(name, 5, 3, 30.0f));
        std::vector<unsigned char> frame(frameBytes(5, 3), 0x40);
        QVERIFY(!publisher.repeatsLatest(frame.data())); // nothing published yet
        publisher.publish(frame.data());
        QVERIFY(publisher.repeatsLatest(frame.data()));
        frame.back() = 0x41;
        QVERIFY(!publisher.repeatsLatest(frame.data()));
        publisher.publish(frame.data());
        QVERIFY(publisher.repeatsLatest(frame.data()));
    }

    void secondWriterIsRefused()
    {
        SharedFramePublisher first;
        QVERIFY(first.open(name, 16, 16, 30.0f));
        SharedFramePublisher second;
        QVERIFY(!second.open(name, 16, 16, 30.0f));
    }

    void heartbeatMarksReaderPresent()
    {
        SharedFramePublisher publisher;
        QVERIFY(publisher.open(name, 16, 16, 30.0f));
        QVERIFY(!publisher.readerSeenWithin(std::chrono::seconds(10)));
        CameraReader reader(name);
        QVERIFY(reader.attach());
        QVERIFY(publisher.readerSeenWithin(std::chrono::seconds(10)));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        QVERIFY(!publisher.readerSeenWithin(std::chrono::milliseconds(1)));
    }

    void segmentOfDeadCameraIsIgnoredThenReplaced()
    {
        // A camera whose process died without deleting it leaves a Live segment behind.
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            auto* publisher = new SharedFramePublisher; // never destroyed, as in a crash
            std::vector<unsigned char> bgr(frameBytes(16, 16), fillOf(1, 16));
            if (publisher->open(name, 16, 16, 30.0f))
                publisher->publish(bgr.data());
            _exit(0);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        const int left = shm_open(name.c_str(), O_RDONLY, 0);
        QVERIFY(left >= 0);
        close(left);

        CameraReader reader(name);
        QVERIFY(!reader.attach());
        SharedFramePublisher next;
        QVERIFY(next.open(name, 48, 32, 30.0f));
        QVERIFY(reader.attach());
        QCOMPARE(reader.width(), 48);
    }

    void hostileHeaderIsRejected_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<quint64>("slotBytes");
        QTest::addColumn<quint32>("magic");
        QTest::newRow("slots beyond the segment") << 640 << 480 << quint64(640 * 480 * 3) << kMagic;
        QTest::newRow("slot size disagrees") << 8 << 8 << quint64(1) << kMagic;
        QTest::newRow("negative size") << -8 << 8 << quint64(0) << kMagic;
        QTest::newRow("wrong magic") << 8 << 8 << quint64(8 * 8 * 3) << 0u;
    }

    void hostileHeaderIsRejected()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(quint64, slotBytes);
        QFETCH(quint32, magic);
        const int fd = shm_open(name.c_str(), O_RDWR | O_CREAT, 0600);
        QVERIFY(fd >= 0);
        QCOMPARE(ftruncate(fd, off_t(segmentBytes(8 * 8 * 3))), 0);
        void* map = mmap(nullptr, kHeaderBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        close(fd);
        QVERIFY(map != MAP_FAILED);
        auto* header = static_cast<SharedFrameHeader*>(map);
        header->magic = magic;
        header->version = kVersion;
        header->width = width;
        header->height = height;
        header->writerPid = getpid();
        header->slotBytes = slotBytes;
        header->state.store(Live);
        header->frameCount.store(1);
        munmap(map, kHeaderBytes);

        CameraReader reader(name);
        CameraFrame frame;
        QVERIFY(!reader.attach());
        QVERIFY(!reader.readNewFrame(frame));
    }
};

QTEST_GUILESS_MAIN(SharedFrameTest)
#include "SharedFrameTest.moc"
