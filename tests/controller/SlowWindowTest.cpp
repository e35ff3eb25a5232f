#include "controller/AppController.h"
#include "settings/AppSettings.h"
#include "tests/TestSandbox.h"
#include "tests/controller/PhoneThread.h"
#include "tests/controller/TestCameraSink.h"
#include "tests/controller/TestPlaces.h"
#include "tests/video/StreamFile.h"
#include "video/H264Decoder.h"

#include <QFile>
#include <QStandardPaths>
#include <QTest>
#include <QThread>

#include <chrono>
#include <optional>

using namespace std::chrono_literals;

// A PC whose own thread is slow: each picture the window shows costs it 100 ms, three of the
// phone's periods, while the phone streams on. The camera must still get the phone's newest
// picture soon after it was sent, never a queue that grows for as long as the call lasts.
class SlowWindowTest : public QObject {
    Q_OBJECT

    static constexpr int pictureCostMs = 100;

    // A stream the Linux build encodes for every platform's decoder (vidlet-decoder-fixtures).
    static PhoneThread::Stream fixtureStream()
    {
        PhoneThread::Stream stream;
        std::vector<StreamFile::Record> buffers;
        const QByteArray folder = qgetenv("VIDLET_DECODER_STREAMS");
        if (!StreamFile::read(folder.toStdString() + "/baseline-320x240.h264s", buffers, false)
            || buffers.size() < 2)
            return stream;
        const auto bytes = [](const StreamFile::Record& r) {
            return QByteArray(reinterpret_cast<const char*>(r.bytes.data()),
                              qsizetype(r.bytes.size()));
        };
        stream.config = bytes(buffers.front());
        for (std::size_t i = 1; i < buffers.size(); ++i)
            stream.units.push_back(bytes(buffers[i]));
        stream.width = 320;
        stream.height = 240;
        return stream;
    }

    // The stream's last picture as this platform's decoder makes it.
    static QImage lastPicture(const PhoneThread::Stream& stream)
    {
        QImage last;
        H264Decoder decoder;
        decoder.frameCallback = [&last](const unsigned char* bgr, int width, int height,
                                        unsigned long long) {
            last = QImage(bgr, width, height, width * 3, QImage::Format_BGR888).copy();
        };
        decoder.initialize(stream.width, stream.height);
        const auto feed = [&decoder](const QByteArray& bytes) {
            decoder.decode(reinterpret_cast<const unsigned char*>(bytes.constData()),
                           std::size_t(bytes.size()), 0);
        };
        feed(stream.config);
        for (const QByteArray& unit : stream.units)
            feed(unit);
        return last;
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void theCameraKeepsUpWithThePhone_data()
    {
        QTest::addColumn<bool>("usb");
        QTest::newRow("USB") << true;
        QTest::newRow("Wi-Fi") << false;
    }

    void theCameraKeepsUpWithThePhone()
    {
        QFETCH(bool, usb);
        const PhoneThread::Stream stream = fixtureStream();
        QVERIFY2(!stream.units.empty(), "no stream in VIDLET_DECODER_STREAMS");
        const QImage newest = lastPicture(stream);
        QVERIFY(!newest.isNull());

        PhoneThread phone(usb, stream);
        AppSettings settings;
        AppController::Places places = testPlaces();
        if (usb)
            places.usbService = phone.usbService();
        AppController app(settings, places);
        TestCameraSink* camera = TestCameraSink::giveTo(app);
        std::optional<PhoneThread::Time> newestAt;
        camera->kept = [&] {
            if (!newestAt && camera->frame() == newest)
                newestAt = std::chrono::steady_clock::now();
        };
        app.start();
        int shown = 0;
        connect(&app, &AppController::frameReady, this, [&shown] {
            ++shown;
            QThread::msleep(pictureCostMs);
        });
        QFile token(TestSandbox::path() + QStringLiteral("/pairing-token.txt"));
        QVERIFY(token.open(QIODevice::ReadOnly));
        phone.go(quint16(app.port()), QString::fromUtf8(token.readAll()).trimmed());

        QVERIFY(
            QTest::qWaitFor([&] { return phone.failed() || (phone.done() && newestAt); }, 60000));
        QVERIFY(!phone.failed());
        const auto lateMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(*newestAt - phone.lastSentAt())
                .count();
        qInfo("%d pictures sent, %d shown; the last reached the camera %lld ms after it left",
              int(stream.units.size()), shown, qlonglong(lateMs));
        // Over USB the picture in the window's hands when the last one came, then its own; on
        // Wi-Fi the queue first lets out the one before it, at its slot. A queue that grew would
        // be seconds behind by the end.
        QVERIFY2(lateMs < 6 * pictureCostMs, qPrintable(QStringLiteral("%1 ms late").arg(lateMs)));
        QVERIFY(camera->frameCount() >= int(stream.units.size()) / 6);
    }
};

QTEST_MAIN(SlowWindowTest)
#include "SlowWindowTest.moc"
