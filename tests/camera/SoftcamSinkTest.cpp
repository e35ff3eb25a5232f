#include "softcam/CameraReader.h"
#include "system/DynamicLibrary.h"
#include "camera/SoftcamSink.h"
#include "video/YuvToBgr.h"

#include <QtTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

using namespace std::chrono;

namespace {

std::vector<unsigned char> filled(int width, int height, unsigned char value)
{
    return std::vector<unsigned char>(std::size_t(width) * height * 3, value);
}

// Polls like a video-call program until a frame whose bytes all equal `value` arrives.
bool waitForFill(softcam::CameraReader& reader, unsigned char value, softcam::CameraFrame& frame)
{
    return QTest::qWaitFor(
        [&] {
            return reader.readNewFrame(frame) && !frame.bgr.empty()
                && frame.bgr == std::vector<unsigned char>(frame.bgr.size(), value);
        },
        5000);
}

} // namespace

// The sink with the real component beside the test, read back through the reader API.
class SoftcamSinkTest : public QObject {
    Q_OBJECT

    const std::string segment = "/vidlet-test-sink-" + std::to_string(getpid());
    // Loads the same component the sink loads, to point its cameras at this test's segment.
    DynamicLibrary component;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(component.load(
                     (QCoreApplication::applicationDirPath() + QStringLiteral("/libsoftcam.so"))
                         .toStdString()),
                 component.errorText().c_str());
        auto useSegment =
            reinterpret_cast<void (*)(const char*)>(component.symbol("scSetSegmentName"));
        QVERIFY(useSegment);
        useSegment(segment.c_str());
    }

    void cleanupTestCase() { shm_unlink(segment.c_str()); }

    void sendsNothingBeforeTheFirstFrameThenRepeatsTheLatest()
    {
        SoftcamSink sink;
        QVERIFY(sink.start(64, 48, 30.0f));
        QVERIFY(sink.isRunning());
        softcam::CameraReader reader(segment);
        QVERIFY(reader.attach());
        std::this_thread::sleep_for(milliseconds(150));
        softcam::CameraFrame frame;
        QVERIFY(!reader.readNewFrame(frame));

        const auto first = filled(64, 48, 0x41);
        sink.sendFrame(first.data());
        QVERIFY(waitForFill(reader, 0x41, frame));
        const std::uint64_t number = frame.number;
        QVERIFY(waitForFill(reader, 0x41, frame)); // the same picture, sent again
        QVERIFY(frame.number > number);

        const auto second = filled(64, 48, 0x42);
        sink.sendFrame(second.data());
        QVERIFY(waitForFill(reader, 0x42, frame));
        QCOMPARE(frame.width, 64);
        QCOMPARE(frame.height, 48);
    }

    void secondStartKeepsTheFirstCamera()
    {
        SoftcamSink sink;
        QVERIFY(sink.start(64, 48, 30.0f));
        QVERIFY(sink.start(32, 32, 30.0f));
        softcam::CameraReader reader(segment);
        QVERIFY(reader.attach());
        QCOMPARE(reader.width(), 64);
        QCOMPARE(reader.height(), 48);
    }

    void stopDeletesTheCameraAndForgetsTheFrame()
    {
        SoftcamSink sink;
        QVERIFY(sink.start(32, 24, 30.0f));
        const auto frameA = filled(32, 24, 0x51);
        sink.sendFrame(frameA.data());
        softcam::CameraReader reader(segment);
        softcam::CameraFrame frame;
        QVERIFY(waitForFill(reader, 0x51, frame));

        sink.stop();
        QVERIFY(!sink.isRunning());
        QVERIFY(!reader.attach()); // the pacing thread is gone and the camera with it
        sink.stop();               // twice is harmless

        QVERIFY(sink.start(32, 24, 30.0f));
        QVERIFY(reader.attach());
        std::this_thread::sleep_for(milliseconds(150));
        QVERIFY(!reader.readNewFrame(frame));
    }

    // The camera made again at another size goes on with the pictures of that size; a failed
    // remake leaves no camera and ignores frames, as a failed start does.
    void aRestartTakesTheNewSize()
    {
        SoftcamSink sink;
        QVERIFY(sink.start(32, 24, 30.0f));
        const auto before = filled(32, 24, 0x51);
        sink.sendFrame(before.data());
        softcam::CameraFrame frame;
        softcam::CameraReader reader(segment);
        QVERIFY(waitForFill(reader, 0x51, frame));

        QVERIFY(sink.restart(16, 16, 30.0f));
        QVERIFY(sink.isRunning());
        BgrBuffer oldSize(before.begin(), before.end());
        sink.handFrame(oldSize); // a picture made before the change
        const auto after = filled(16, 16, 0x52);
        sink.sendFrame(after.data());
        softcam::CameraReader again(segment);
        QVERIFY(waitForFill(again, 0x52, frame));
        QCOMPARE(QSize(frame.width, frame.height), QSize(16, 16));

        QTest::ignoreMessage(QtWarningMsg, "Vidlet: no camera of 0x8");
        QTest::ignoreMessage(QtWarningMsg,
                             "Vidlet: camera failed to start at 0x8: no camera of 0x8");
        QVERIFY(!sink.restart(0, 8, 30.0f));
        QVERIFY(!sink.isRunning());
        QVERIFY(!softcam::CameraReader(segment).attach());
        sink.sendFrame(after.data());
        QVERIFY(sink.start(32, 24, 30.0f));
    }

    // Another program of the user's cuts the camera's segment short: the sink says so until the
    // camera is made anew, and readers get the pictures in the segment made again.
    void aSegmentCutShortIsTold()
    {
        SoftcamSink sink;
        QVERIFY(sink.start(32, 24, 30.0f));
        const auto before = filled(32, 24, 0x61);
        sink.sendFrame(before.data());
        softcam::CameraFrame frame;
        {
            softcam::CameraReader reader(segment);
            QVERIFY(waitForFill(reader, 0x61, frame));
        }
        QVERIFY(!sink.segmentWasCutShort());
        const int fd = shm_open(segment.c_str(), O_RDWR, 0);
        QVERIFY(fd >= 0);
        QCOMPARE(ftruncate(fd, 0), 0);
        close(fd);
        QTRY_VERIFY_WITH_TIMEOUT(sink.segmentWasCutShort(), 5000);
        const auto after = filled(32, 24, 0x62);
        sink.sendFrame(after.data());
        softcam::CameraReader reader(segment);
        QVERIFY(waitForFill(reader, 0x62, frame));
        sink.stop();
        QVERIFY(sink.start(32, 24, 30.0f));
        QVERIFY(!sink.segmentWasCutShort());
    }

    // After a restart at a new size fails, frames of the new size must not be read as if they
    // had the old one: the frame ends right before a page the process may not touch.
    void failedRestartIgnoresFrames()
    {
        SoftcamSink sink;
        QVERIFY(sink.start(64, 48, 30.0f));
        sink.stop();
        using Create = void* (*)(int, int, float);
        using Delete = void (*)(void*);
        auto create = reinterpret_cast<Create>(component.symbol("scCreateCamera"));
        auto destroy = reinterpret_cast<Delete>(component.symbol("scDeleteCamera"));
        void* other = create(16, 16, 30.0f); // only one camera may live at a time
        QVERIFY(other);
        // The component's reason reaches the program's log, on its own and in the failure.
        QTest::ignoreMessage(QtWarningMsg, "Vidlet: a camera already exists in this process");
        QTest::ignoreMessage(
            QtWarningMsg,
            "Vidlet: camera failed to start at 8x8: a camera already exists in this process");
        QVERIFY(!sink.start(8, 8, 30.0f));

        const long page = sysconf(_SC_PAGESIZE);
        auto* pages =
            static_cast<unsigned char*>(mmap(nullptr, std::size_t(page) * 2, PROT_READ | PROT_WRITE,
                                             MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        QVERIFY(pages != MAP_FAILED);
        QCOMPARE(mprotect(pages + page, std::size_t(page), PROT_NONE), 0);
        const std::size_t small = 8 * 8 * 3;
        sink.sendFrame(pages + page - small);
        munmap(pages, std::size_t(page) * 2);
        destroy(other);
    }

    // Our component sees every reader here (no loopback device), so an unread camera says so.
    void connectedWhileAReaderPolls()
    {
        SoftcamSink sink;
        QVERIFY(!sink.isConnected());
        QVERIFY(sink.start(16, 16, 30.0f));
        QVERIFY(!sink.isConnected());
        QVERIFY(!sink.mayBeRead());
        softcam::CameraReader reader(segment);
        QVERIFY(reader.attach());
        QVERIFY(sink.isConnected());
        QVERIFY(sink.mayBeRead());
        sink.stop();
        QVERIFY(!sink.isConnected());
    }

    void sendFrameWithoutCameraIsHarmless()
    {
        SoftcamSink sink;
        const auto bgr = filled(16, 16, 1);
        sink.sendFrame(bgr.data());
        QVERIFY(!sink.isRunning());
        sink.stop();
    }

    void pacesAtTheCameraRate_data()
    {
        QTest::addColumn<float>("requested");
        QTest::addColumn<double>("paced");
        QTest::newRow("30") << 30.0f << 30.0;
        QTest::newRow("60") << 60.0f << 60.0;
        QTest::newRow("0 means 30") << 0.0f << 30.0;
        QTest::newRow("1 means 30") << 1.0f << 30.0;
    }

    void pacesAtTheCameraRate()
    {
        QFETCH(float, requested);
        QFETCH(double, paced);
        SoftcamSink sink;
        const auto before = steady_clock::now();
        QVERIFY(sink.start(16, 16, requested));
        const auto bgr = filled(16, 16, 9);
        sink.sendFrame(bgr.data());
        const auto sent = steady_clock::now();
        softcam::CameraReader reader(segment);
        softcam::CameraFrame frame;
        QVERIFY(QTest::qWaitFor([&] { return reader.readNewFrame(frame) && frame.number >= 15; },
                                5000));
        const auto after = steady_clock::now();

        // Deadlines advance by whole periods from the thread's start, so no run can send more
        // than that allows; catching up after a stall keeps a loaded machine near the rate.
        const double mostTicks = duration<double>(after - before).count() * paced + 1;
        const double fewestTicks = duration<double>(after - sent).count() * paced * 0.6;
        QVERIFY2(
            double(frame.number) <= mostTicks,
            qPrintable(QStringLiteral("%1 frames, at most %2").arg(frame.number).arg(mostTicks)));
        QVERIFY2(double(frame.number) >= fewestTicks,
                 qPrintable(
                     QStringLiteral("%1 frames, at least %2").arg(frame.number).arg(fewestTicks)));
    }

    // A frame handed over by its buffer reaches the camera as a copied one does; the caller
    // gets a buffer of the same size back for its next frame.
    void handedBuffersReachTheCamera()
    {
        SoftcamSink sink;
        QVERIFY(sink.start(64, 48, 30.0f));
        softcam::CameraReader reader(segment);
        QVERIFY(reader.attach());
        softcam::CameraFrame frame;
        BgrBuffer buffer(64 * 48 * 3, 0x61);
        sink.handFrame(buffer);
        QCOMPARE(buffer.size(), std::size_t(64 * 48 * 3));
        QVERIFY(waitForFill(reader, 0x61, frame));
        std::fill(buffer.begin(), buffer.end(), 0x62);
        sink.handFrame(buffer);
        QVERIFY(waitForFill(reader, 0x62, frame));
        BgrBuffer other(32 * 24 * 3, 0x63);
        sink.handFrame(other); // not the camera's size: ignored
        QVERIFY(other == BgrBuffer(32 * 24 * 3, 0x63));
    }

    // The decoder's planes go to the camera as they are while no reader of the shared memory
    // reads. The segment is BGR: its first reader gets them converted, and from then on the sink
    // asks for BGR, which the decoder makes in one pass. A camera of an odd side takes none.
    void planesGoAsTheyAreUntilASharedMemoryReaderComes()
    {
        SoftcamSink sink;
        QVERIFY(sink.start(64, 48, 30.0f));
        QVERIFY(sink.takesPlanes());
        BgrBuffer planes(64 * 48 * 3 / 2);
        for (std::size_t i = 0; i < planes.size(); ++i)
            planes[i] = static_cast<unsigned char>(16 + (i * 7) % 220);
        std::vector<unsigned char> expected(64 * 48 * 3);
        YuvToBgr::fromI420(planes.data(), 64, planes.data() + 64 * 48, 32,
                           planes.data() + 64 * 48 * 5 / 4, 32, 64, 48, expected.data());
        sink.handPlanes(planes);
        QCOMPARE(planes.size(), std::size_t(64 * 48 * 3 / 2));

        softcam::CameraReader reader(segment);
        softcam::CameraFrame frame;
        QVERIFY(QTest::qWaitFor(
            [&] { return reader.attach() && reader.readNewFrame(frame) && frame.bgr == expected; },
            5000));
        QVERIFY(!sink.takesPlanes());
        const auto bgr = filled(64, 48, 0x44);
        sink.sendFrame(bgr.data());
        QVERIFY(waitForFill(reader, 0x44, frame));

        sink.stop();
        QVERIFY(sink.start(63, 48, 30.0f));
        QVERIFY(!sink.takesPlanes());
    }

    void frameHandedOverByAnotherThreadIsNeverMixed()
    {
        // The status-card thread hands frames over while the pacing thread copies them out.
        SoftcamSink sink;
        QVERIFY(sink.start(160, 120, 60.0f));
        std::atomic<bool> done{false};
        // Every other frame is handed over by swapping buffers, as the live feed does.
        std::thread cards([&] {
            const auto even = filled(160, 120, 0x20);
            BgrBuffer odd(160 * 120 * 3, 0x21);
            for (int i = 0; !done.load(); ++i) {
                if (i % 2) {
                    std::fill(odd.begin(), odd.end(), 0x21);
                    sink.handFrame(odd);
                } else {
                    sink.sendFrame(even.data());
                }
            }
        });
        softcam::CameraReader reader(segment);
        softcam::CameraFrame frame;
        int frames = 0;
        int mixed = 0;
        while (frames < 30 && QTest::qWaitFor([&] { return reader.readNewFrame(frame); }, 5000)) {
            ++frames;
            const unsigned char first = frame.bgr.front();
            if (std::any_of(frame.bgr.cbegin(), frame.bgr.cend(),
                            [first](unsigned char byte) { return byte != first; }))
                ++mixed;
        }
        done = true;
        cards.join();
        sink.stop();
        QCOMPARE(frames, 30);
        QCOMPARE(mixed, 0);
    }
};

QTEST_GUILESS_MAIN(SoftcamSinkTest)
#include "SoftcamSinkTest.moc"
