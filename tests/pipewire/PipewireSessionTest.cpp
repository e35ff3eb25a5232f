#include "tests/e2e/Processes.h"
#include "tests/pipewire/PrivateDesktop.h"
#include "tools/vidlet-camview/PipewireCameraReader.h"

#include <QDeadlineTimer>
#include <QSettings>
#include <QTest>

namespace {
const QString kNode = QStringLiteral("vidlet-camera");
}

// The real Vidlet in a private session, a phone played by vidlet-phone, and the camera read
// through PipeWire as a browser reads it, across what the phones do.
class PipewireSessionTest : public QObject {
    Q_OBJECT

    PrivateDesktop desktop;

private Q_SLOTS:
    void initTestCase() { QVERIFY2(desktop.start(), qPrintable(desktop.why())); }

    // A program that opened the camera before the phone came (a call waiting on the idle card)
    // keeps its stream at the size it opened: the phone's 4:3 picture arrives between black
    // bars on the same node, never a new one that would end the stream; turned a quarter and
    // filled, it covers the camera. Once the program has gone, the camera takes the phone's
    // size, turned as the settings say.
    void aReaderKeepsItsSizeWhenThePhoneComes_data()
    {
        QTest::addColumn<int>("degrees");
        QTest::addColumn<bool>("filled");
        QTest::addColumn<QString>("adopted");
        QTest::newRow("as it comes") << 0 << false << QStringLiteral("640x480");
        QTest::newRow("turned a quarter, filled") << 90 << true << QStringLiteral("480x640");
    }

    void aReaderKeepsItsSizeWhenThePhoneComes()
    {
        QFETCH(int, degrees);
        QFETCH(bool, filled);
        QFETCH(QString, adopted);
        VidletProcess vidlet;
        {
            QSettings settings(vidlet.settingsFile(), QSettings::IniFormat);
            settings.setValue(QStringLiteral("camera/rotation"), degrees);
            settings.setValue(QStringLiteral("camera/fill"), filled);
        }
        QProcessEnvironment env = vidlet.process.processEnvironment();
        env.insert(QStringLiteral("PIPEWIRE_RUNTIME_DIR"), qEnvironmentVariable("XDG_RUNTIME_DIR"));
        vidlet.process.setProcessEnvironment(env);
        QVERIFY2(vidlet.start(), qPrintable(vidlet.log()));
        QTRY_VERIFY_WITH_TIMEOUT(PrivateDesktop::nodeId(kNode) >= 0, 10000);
        const int node = PrivateDesktop::nodeId(kNode);

        auto reader = std::make_unique<PipewireCameraReader>(kNode.toStdString());
        softcam::CameraFrame frame;
        const auto next = [&](int timeoutMs) {
            const QDeadlineTimer deadline(timeoutMs);
            while (!deadline.hasExpired()) {
                if (reader->attach() && reader->readNewFrame(frame))
                    return true;
                QTest::qWait(5);
            }
            return false;
        };
        QVERIFY(next(20000));
        QCOMPARE(QSize(frame.width, frame.height), QSize(1280, 720));

        PhoneProcess phone;
        phone.start(vidlet, {"--size", "640x480", "--fps", "30", "--duration-ms", "60000"});
        const auto at = [&](int x, int y) {
            const unsigned char* p = frame.bgr.data() + (std::size_t(y) * frame.width + x) * 3;
            return qRgb(p[2], p[1], p[0]);
        };
        // 4:3 in 16:9: 960x720 from column 160; filled, no bars.
        int shaped = 0;
        const QDeadlineTimer deadline(30000);
        while (shaped < 30 && !deadline.hasExpired() && next(5000)) {
            QCOMPARE(QSize(frame.width, frame.height), QSize(1280, 720));
            const bool bars = at(40, 360) == qRgb(0, 0, 0) && at(1240, 360) == qRgb(0, 0, 0);
            if (bars != filled && at(640, 360) != qRgb(0, 0, 0))
                ++shaped;
        }
        QVERIFY2(shaped == 30, qPrintable(vidlet.log()));
        QCOMPARE(PrivateDesktop::nodeId(kNode), node);
        // The window stops recommending the registration, on this start and the next.
        QTRY_VERIFY_WITH_TIMEOUT(QSettings(vidlet.settingsFile(), QSettings::IniFormat)
                                     .value(QStringLiteral("camera/pipewireReaderSeen"))
                                     .toBool(),
                                 10000);
        QVERIFY(!vidlet.log().contains(QStringLiteral("adopts decoder output")));

        reader.reset();
        QTRY_VERIFY_WITH_TIMEOUT(
            vidlet.log().contains(
                QStringLiteral(
                    "virtual camera adopts decoder output %1 (STREAM_INFO said 1280x720)")
                    .arg(adopted)),
            15000);
    }
};

QTEST_GUILESS_MAIN(PipewireSessionTest)
#include "PipewireSessionTest.moc"
