#include "tests/e2e/Processes.h"
#include "tests/ui/LocalWebServer.h"

#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

// The real program in screenshot mode, started as a process, with a real phone for the live view.
class ShotProgramTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pairingShotQuitsWithPicture();
    void liveShotWaitsForTheChosenPhone();
    void shotAloneGoesToPictures();
    void updateStripAnnouncesANewerVersion();
};

void ShotProgramTest::shotAloneGoesToPictures()
{
    VidletProcess vidlet;
    // "--shot" alone, without a size: 540 x 640, saved under the Pictures folder.
    QVERIFY(vidlet.start({"--shot-delay", "900", "--shot"}));
    QVERIFY(vidlet.process.waitForFinished(20000));
    QCOMPARE(vidlet.process.exitCode(), 0);
    static const QRegularExpression saved(
        "shot saved to (\\S+/Pictures/Vidlet/Vidlet-\\d{8}-\\d{6}\\.png)");
    const auto match = saved.match(vidlet.log());
    QVERIFY2(match.hasMatch(), qPrintable(vidlet.log()));
    QCOMPARE(QImage(match.captured(1)).size(), QSize(540, 640));
}

void ShotProgramTest::pairingShotQuitsWithPicture()
{
    QTemporaryDir dir;
    const QString out = dir.filePath("pairing.png");
    VidletProcess vidlet;
    QVERIFY(vidlet.start({"--shot", "600x700", "--out", out, "--shot-delay", "1500", "--shot-theme",
                          "2", "--shot-view", "main"}));
    QVERIFY(vidlet.process.waitForFinished(20000));
    QCOMPARE(vidlet.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(vidlet.process.exitCode(), 0);
    QVERIFY2(vidlet.log().contains("Vidlet: shot saved to " + out), qPrintable(vidlet.log()));

    const QImage img = QImage(out).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(img.size(), QSize(600, 700));
    QCOMPARE(QColor(img.pixel(300, 20)), QColor("#19202c")); // dark title bar
    QCOMPARE(QColor(img.pixel(10, 400)), QColor("#0b0e15")); // dark card
    // The QR tile: a white square centred across the window, with dark modules inside.
    int whiteRun = 0;
    for (int x = 0; x < img.width(); ++x) {
        int run = 0;
        for (int y = 100; y < img.height(); ++y)
            run = QColor(img.pixel(x, y)) == QColor(Qt::white) ? run + 1 : 0,
            whiteRun = std::max(whiteRun, run);
    }
    QVERIFY(whiteRun >= 10);
    int left = img.width(), right = 0, dark = 0;
    for (int y = 100; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (QColor(img.pixel(x, y)) == QColor(Qt::white)) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    QVERIFY(std::abs((left + right) / 2 - 300) <= 2);
    QVERIFY(right - left + 1 >= 190);
    for (int y = 100; y < img.height(); ++y)
        for (int x = left + 20; x < right - 20; ++x)
            dark += qGray(img.pixel(x, y)) < 60 ? 1 : 0;
    QVERIFY(dark > 2000);
}

void ShotProgramTest::liveShotWaitsForTheChosenPhone()
{
    QTemporaryDir dir;
    const QString out = dir.filePath("live.png");
    VidletProcess vidlet;
    QVERIFY(vidlet.start({"--shot", "--out", out, "--shot-active", "Shot Phone", "--shot-delay",
                          "30000", "--shot-theme", "1"}));
    PhoneProcess phone;
    phone.start(vidlet, {"--name", "Shot Phone", "--model", "Test rig", "--duration-ms", "25000"});
    // Well before the 30 s delay: the shot follows the phone's live frames.
    QVERIFY2(vidlet.process.waitForFinished(20000), qPrintable(vidlet.log()));
    QCOMPARE(vidlet.process.exitCode(), 0);
    QVERIFY2(vidlet.log().contains("Vidlet: shot saved to " + out), qPrintable(vidlet.log()));

    const QImage img = QImage(out).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(img.size(), QSize(540, 640));
    QCOMPARE(QColor(img.pixel(270, 20)), QColor("#f4f7fb")); // light title bar
    // The preview shows the phone's moving pattern, not the empty gradient: along one row across
    // the middle of the picture the brightness varies widely.
    int lo = 255, hi = 0;
    for (int x = 30; x < 510; ++x) {
        const int g = qGray(img.pixel(x, 250));
        lo = std::min(lo, g);
        hi = std::max(hi, g);
    }
    QVERIFY2(hi - lo > 60, qPrintable(QStringLiteral("%1..%2").arg(lo).arg(hi)));
    // The LIVE chip's accent border at the top left of the preview.
    int accent = 0;
    for (int y = 70; y < 110; ++y)
        for (int x = 20; x < 140; ++x) {
            const QColor c(img.pixel(x, y));
            accent +=
                std::abs(c.red() - 0x0b) + std::abs(c.green() - 0xab) + std::abs(c.blue() - 0x9d)
                < 40;
        }
    QVERIFY(accent > 20);
}

void ShotProgramTest::updateStripAnnouncesANewerVersion()
{
    LocalWebServer site;
    site.answerAlways(R"({"version":"9.9"})");
    QTemporaryDir dir;
    const QString out = dir.filePath("update.png");
    VidletProcess vidlet;
    QProcessEnvironment env = vidlet.process.processEnvironment();
    env.insert("VIDLET_UPDATE_SITE", site.origin());
    vidlet.process.setProcessEnvironment(env);
    QVERIFY(vidlet.start({"--shot", "540x640", "--out", out, "--shot-delay", "2500", "--shot-theme",
                          "1", "--lang", "en"}));
    // The server answers from this event loop while the program waits for its shot.
    QTRY_VERIFY_WITH_TIMEOUT(vidlet.process.state() == QProcess::NotRunning, 20000);
    QCOMPARE(vidlet.process.exitCode(), 0);
    QCOMPARE(site.requests.size(), 1);
    QCOMPARE(site.requests.first().path, QByteArray("/api/ping.php"));

    // Under the 46 px title bar: the strip, the accent at 13 % over the white card.
    const QImage img = QImage(out).convertToFormat(QImage::Format_RGB32);
    const QColor strip(img.pixel(20, 64));
    const QColor expected(223, 244, 242);
    QVERIFY2(std::abs(strip.red() - expected.red()) + std::abs(strip.green() - expected.green())
                     + std::abs(strip.blue() - expected.blue())
                 <= 9,
             qPrintable(strip.name()));
}

QTEST_MAIN(ShotProgramTest)
#include "ShotProgramTest.moc"
