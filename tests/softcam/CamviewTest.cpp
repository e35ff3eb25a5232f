#include "softcam/softcam.h"
#include "tools/common/FrameStamp.h"

#include <QtTest>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

// vidlet-camview run as a process against a camera made in this process.
class CamviewTest : public QObject {
    Q_OBJECT

    const QString segment = QStringLiteral("/vidlet-test-camview-%1").arg(getpid());

    struct Run {
        int exitCode = -1;
        QString out;
        QString err;
    };

    Run camview(const QStringList& arguments)
    {
        QProcess process;
        process.start(qEnvironmentVariable("VIDLET_BIN_DIR", QCoreApplication::applicationDirPath())
                          + QStringLiteral("/vidlet-camview"),
                      QStringList{QStringLiteral("--segment"), segment} + arguments);
        Run run;
        if (!process.waitForFinished(20000)) {
            process.kill();
            process.waitForFinished();
            return run;
        }
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = QString::fromUtf8(process.readAllStandardOutput());
        run.err = QString::fromUtf8(process.readAllStandardError());
        return run;
    }

private Q_SLOTS:
    void initTestCase() { scSetSegmentName(segment.toUtf8().constData()); }
    void cleanupTestCase() { shm_unlink(segment.toUtf8().constData()); }

    void snapshotWithoutCameraFailsWithAMessage()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("shot.png"));
        const Run run = camview({QStringLiteral("--snapshot"), file, QStringLiteral("--timeout"),
                                 QStringLiteral("300")});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(QStringLiteral("no camera found")), qPrintable(run.err));
        QVERIFY(!QFile::exists(file));
    }

    void snapshotOfCameraWithoutFrameFails()
    {
        void* camera = scCreateCamera(64, 48, 30.0f);
        QVERIFY(camera);
        QTemporaryDir dir;
        const Run run =
            camview({QStringLiteral("--snapshot"), dir.filePath(QStringLiteral("s.png")),
                     QStringLiteral("--timeout"), QStringLiteral("300")});
        scDeleteCamera(camera);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(QStringLiteral("sent no frame")), qPrintable(run.err));
    }

    void snapshotSavesTheCurrentFrame()
    {
        const int w = 96, h = 64;
        void* camera = scCreateCamera(w, h, 30.0f);
        QVERIFY(camera);
        std::vector<unsigned char> bgr(std::size_t(w) * h * 3);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                unsigned char* p = bgr.data() + (y * w + x) * 3;
                p[0] = static_cast<unsigned char>(x * 2); // blue grows to the right
                p[1] = static_cast<unsigned char>(y * 3); // green grows downwards
                p[2] = 200;
            }
        scSendFrame(camera, bgr.data());
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("shot.png"));
        const Run run = camview({QStringLiteral("--snapshot"), file});
        scDeleteCamera(camera);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));

        const QImage image(file);
        QCOMPARE(image.size(), QSize(w, h));
        for (const QPoint at : {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, h - 1), QPoint(40, 21)})
            QCOMPARE(image.pixel(at), qRgb(200, at.y() * 3, at.x() * 2));
    }

    void watchReportsSizeRateAndStamps()
    {
        const int w = 320, h = 240;
        void* camera = scCreateCamera(w, h, 30.0f);
        QVERIFY(camera);
        std::atomic<bool> done{false};
        std::thread phone([&] {
            std::vector<unsigned char> bgr(std::size_t(w) * h * 3, 90);
            auto next = std::chrono::steady_clock::now();
            for (std::uint32_t n = 1; !done.load(); ++n) {
                FrameStamp{n, FrameStamp::nowUsec()}.encodeBgr(bgr.data(), w, h);
                scSendFrame(camera, bgr.data());
                next += std::chrono::milliseconds(33);
                std::this_thread::sleep_until(next);
            }
        });
        const Run run = camview({QStringLiteral("--duration"), QStringLiteral("2")});
        done = true;
        phone.join();
        scDeleteCamera(camera);

        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        const QString summary = run.out.section(QStringLiteral("summary "), 1).trimmed();
        QVERIFY2(summary.startsWith(QStringLiteral("size=320x240 nominal=30.0 ")),
                 qPrintable(run.out));
        const QRegularExpressionMatch counts =
            QRegularExpression(
                QStringLiteral("stamped=(\\d+) latency_ms=([\\d.]+) .* out_of_order=0$"))
                .match(summary);
        QVERIFY2(counts.hasMatch(), qPrintable(summary));
        QVERIFY(counts.captured(1).toInt() >= 10);
        QVERIFY(counts.captured(2).toDouble() < 1000.0);
    }
};

QTEST_GUILESS_MAIN(CamviewTest)
#include "CamviewTest.moc"
