#include "softcam/CameraReader.h"
#include "softcam/softcam.h"
#include "video/YuvToBgr.h"

#include <QtTest>

#include <mutex>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

// The component through its C interface, as the program uses it.
class SoftcamApiTest : public QObject {
    Q_OBJECT

    // An I420 picture of distinct values, each plane's rows padded with 0xFF to a wider
    // stride.
    struct Planes {
        Planes(int width, int height, int seed)
            : yStride(width + 8),
              uStride((width + 1) / 2 + 5),
              vStride((width + 1) / 2 + 3),
              y(std::size_t(yStride) * height, 0xFF),
              u(std::size_t(uStride) * ((height + 1) / 2), 0xFF),
              v(std::size_t(vStride) * ((height + 1) / 2), 0xFF)
        {
            for (int r = 0; r < height; ++r)
                for (int x = 0; x < width; ++x)
                    y[std::size_t(r) * yStride + x] =
                        static_cast<unsigned char>(16 + seed + 5 * r + x);
            for (int r = 0; r < (height + 1) / 2; ++r)
                for (int x = 0; x < (width + 1) / 2; ++x) {
                    u[std::size_t(r) * uStride + x] =
                        static_cast<unsigned char>(60 + seed + 9 * r + 3 * x);
                    v[std::size_t(r) * vStride + x] =
                        static_cast<unsigned char>(200 - seed - 7 * r - 2 * x);
                }
        }

        std::vector<unsigned char> bgr(int width, int height) const
        {
            std::vector<unsigned char> out(std::size_t(width) * height * 3);
            YuvToBgr::fromI420(y.data(), yStride, u.data(), uStride, v.data(), vStride, width,
                               height, out.data());
            return out;
        }

        int yStride, uStride, vStride;
        std::vector<unsigned char> y, u, v;
    };
    const std::string segment = "/vidlet-test-api-" + std::to_string(getpid());

    std::mutex logLock;
    QStringList logged; // under logLock: the component may log from any thread

private Q_SLOTS:
    void initTestCase()
    {
        scSetSegmentName(segment.c_str());
        scSetLogCallback(
            [](const char* line, void* self) {
                auto* test = static_cast<SoftcamApiTest*>(self);
                std::lock_guard<std::mutex> guard(test->logLock);
                test->logged << QString::fromUtf8(line);
            },
            this);
    }
    void cleanupTestCase()
    {
        scSetLogCallback(nullptr, nullptr);
        scSetSegmentName(nullptr);
        shm_unlink(segment.c_str());
    }

    void onlyOneCameraAtATime()
    {
        void* first = scCreateCamera(64, 48, 30.0f);
        QVERIFY(first);
        QVERIFY(!scCreateCamera(64, 48, 30.0f));
        QVERIFY(!scCreateCamera(32, 32, 30.0f));
        scDeleteCamera(first);
        void* again = scCreateCamera(32, 32, 30.0f);
        QVERIFY(again);
        scDeleteCamera(again);
    }

    // The camera made again at another size in one call: readers get the new size, and the
    // old handle is the new one's or nothing. An impossible size leaves no camera; a handle it
    // did not make changes nothing.
    void aCameraIsMadeAgainAtAnotherSize()
    {
        void* camera = scCreateCamera(64, 48, 30.0f);
        QVERIFY(camera);
        int stranger = 0;
        QVERIFY(!scRemakeCamera(&stranger, 32, 32, 30.0f));
        QVERIFY(!scRemakeCamera(nullptr, 32, 32, 30.0f));
        void* remade = scRemakeCamera(camera, 32, 16, 30.0f);
        QVERIFY(remade);
        std::vector<unsigned char> bgr(32 * 16 * 3, 9);
        scSendFrame(remade, bgr.data());
        softcam::CameraReader reader(segment);
        softcam::CameraFrame frame;
        QVERIFY(reader.attach());
        QVERIFY(reader.readNewFrame(frame));
        QCOMPARE(frame.width, 32);
        QCOMPARE(frame.height, 16);
        QCOMPARE(frame.bgr, bgr);

        QVERIFY(!scRemakeCamera(remade, 0, 16, 30.0f));
        QVERIFY(!softcam::CameraReader(segment).attach());
        void* next = scCreateCamera(16, 16, 30.0f); // none lives any more
        QVERIFY(next);
        scDeleteCamera(next);
    }

    void refusesImpossibleSizes_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("zero") << 0 << 0;
        QTest::newRow("negative") << -64 << 48;
        QTest::newRow("too wide") << 9000 << 16;
        QTest::newRow("too many pixels") << 8192 << 8192;
    }

    void refusesImpossibleSizes()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QVERIFY(!scCreateCamera(width, height, 30.0f));
    }

    void framesReachTheReaderUnchanged()
    {
        void* camera = scCreateCamera(4, 2, 30.0f);
        QVERIFY(camera);
        std::vector<unsigned char> bgr(4 * 2 * 3);
        for (std::size_t i = 0; i < bgr.size(); ++i)
            bgr[i] = static_cast<unsigned char>(i * 11);
        scSendFrame(camera, bgr.data());

        softcam::CameraReader reader(segment);
        softcam::CameraFrame frame;
        QVERIFY(reader.readNewFrame(frame));
        QCOMPARE(frame.width, 4);
        QCOMPARE(frame.height, 2);
        QVERIFY(frame.bgr == bgr);
        scDeleteCamera(camera);
        QVERIFY(!reader.attach());
    }

    // A shared-memory reader follows a change of size, so it does not hold the camera's.
    void connectedWhileAReaderPolls()
    {
        void* camera = scCreateCamera(16, 16, 30.0f);
        QVERIFY(camera);
        QVERIFY(!scIsConnected(camera));
        softcam::CameraReader reader(segment);
        QVERIFY(reader.attach());
        QVERIFY(scIsConnected(camera));
        QVERIFY(!scReaderHoldsSize(camera));
        scDeleteCamera(camera);
        QVERIFY(!scIsConnected(camera));
        QVERIFY(!scReaderHoldsSize(camera));
    }

    // Another program of the user's cuts the camera's segment short: the camera lives, makes
    // the segment again, and a reader that opens it gets the frames that follow.
    void aSegmentCutShortIsMadeAgain()
    {
        void* camera = scCreateCamera(16, 16, 30.0f);
        QVERIFY(camera);
        const std::vector<unsigned char> before(16 * 16 * 3, 0x21);
        const std::vector<unsigned char> after(16 * 16 * 3, 0x42);
        {
            // A reader makes the camera publish every frame; it lets go before the cut.
            softcam::CameraReader reader(segment);
            QVERIFY(reader.attach());
        }
        scSendFrame(camera, before.data());
        QVERIFY(!scSegmentWasCutShort(camera));
        const int fd = shm_open(segment.c_str(), O_RDWR, 0);
        QVERIFY(fd >= 0);
        QCOMPARE(ftruncate(fd, 0), 0);
        close(fd);
        scSendFrame(camera, before.data()); // faults into the guard
        scSendFrame(camera, after.data());  // into the segment made again
        softcam::CameraReader reader(segment);
        softcam::CameraFrame frame;
        QVERIFY(reader.readNewFrame(frame));
        QVERIFY(frame.bgr == after);
        QVERIFY(scSegmentWasCutShort(camera));
        scDeleteCamera(camera);
        QVERIFY(!scSegmentWasCutShort(camera));
        std::lock_guard<std::mutex> guard(logLock);
        QCOMPARE(logged.filter(QStringLiteral("was cut short")).size(), 1);
    }

    // A decoder's planes, their rows padded past the picture with bytes that must not show:
    // the reader of the segment gets the program's own conversion of the picture alone, the
    // newest picture each time, also one sent before.
    void i420PlanesReachTheReaderAsTheProgramConvertsThem()
    {
        const int w = 8, h = 6;
        void* camera = scCreateCamera(w, h, 30.0f);
        QVERIFY(camera);
        softcam::CameraReader reader(segment);
        QVERIFY(reader.attach());
        const Planes first(w, h, 3), second(w, h, 101);
        softcam::CameraFrame frame;
        for (const Planes* sent : {&first, &second, &second, &first}) {
            scSendFrameI420(camera, sent->y.data(), sent->yStride, sent->u.data(), sent->uStride,
                            sent->v.data(), sent->vStride);
            QVERIFY(reader.readNewFrame(frame));
            QCOMPARE(frame.width, w);
            QCOMPARE(frame.height, h);
            QVERIFY(frame.bgr == sent->bgr(w, h));
        }
        QVERIFY(first.bgr(w, h) != second.bgr(w, h));
        scDeleteCamera(camera);
    }

    // Planes the camera cannot take whole are ignored, and nothing reaches the reader.
    void ignoresI420ItCannotTake_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("yStride");
        QTest::addColumn<bool>("chroma");
        QTest::newRow("odd width") << 7 << 6 << 16 << true;
        QTest::newRow("odd height") << 8 << 5 << 16 << true;
        QTest::newRow("Y rows shorter than the picture") << 8 << 6 << 7 << true;
        QTest::newRow("no chroma planes") << 8 << 6 << 16 << false;
    }

    void ignoresI420ItCannotTake()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, yStride);
        QFETCH(bool, chroma);
        void* camera = scCreateCamera(width, height, 30.0f);
        QVERIFY(camera);
        softcam::CameraReader reader(segment);
        QVERIFY(reader.attach());
        const Planes planes(width + 1, height + 1, 7);
        scSendFrameI420(camera, planes.y.data(), yStride, chroma ? planes.u.data() : nullptr,
                        planes.uStride, chroma ? planes.v.data() : nullptr, planes.vStride);
        softcam::CameraFrame frame;
        QVERIFY(!reader.readNewFrame(frame));
        scDeleteCamera(camera);
    }

    void ignoresHandlesItDidNotMake()
    {
        void* camera = scCreateCamera(16, 16, 30.0f);
        QVERIFY(camera);
        int stranger = 0;
        std::vector<unsigned char> bgr(16 * 16 * 3, 7);
        scSendFrame(&stranger, bgr.data());
        scSendFrame(nullptr, bgr.data());
        scSendFrame(camera, nullptr);
        QVERIFY(!scIsConnected(&stranger));
        scDeleteCamera(&stranger);
        scDeleteCamera(nullptr);

        softcam::CameraReader reader(segment);
        softcam::CameraFrame frame;
        QVERIFY(reader.attach());             // still alive
        QVERIFY(!reader.readNewFrame(frame)); // and nothing was published
        scDeleteCamera(camera);
    }

    // The sandbox has no PipeWire: every camera above worked without it, and the reason was
    // told once, not at every camera.
    void withoutPipewireTheReasonIsLoggedOnce()
    {
        for (int i = 0; i < 2; ++i)
            scDeleteCamera(scCreateCamera(32, 32, 30.0f));
        std::lock_guard<std::mutex> guard(logLock);
        const QStringList told = logged.filter(QStringLiteral("no PipeWire camera"));
        QCOMPARE(told.size(), 1);
        QVERIFY2(told.first().contains(QStringLiteral("PipeWire is not running")),
                 qPrintable(told.first()));
    }
};

QTEST_GUILESS_MAIN(SoftcamApiTest)
#include "SoftcamApiTest.moc"
