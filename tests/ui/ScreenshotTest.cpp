#include "app/ScreenshotMode.h"
#include "app/ShotOptions.h"
#include "tests/ui/SessionDouble.h"
#include "tests/ui/WindowHarness.h"

#include <qrcodegen.hpp>

#include <QBuffer>
#include <QDir>
#include <QPainter>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// A real pairing QR as the controller publishes it: a PNG data URL, one pixel per module.
QString qrDataUrl()
{
    using qrcodegen::QrCode;
    const QrCode qr = QrCode::encodeText("vidlet://pair?v=1&pc=DESKTOP-VIDLET&t=DEMO0123456789AB",
                                         QrCode::Ecc::MEDIUM);
    const int border = 4;
    const int n = qr.getSize() + 2 * border;
    QImage img(n, n, QImage::Format_RGB32);
    img.fill(Qt::white);
    for (int y = 0; y < qr.getSize(); ++y)
        for (int x = 0; x < qr.getSize(); ++x)
            if (qr.getModule(x, y))
                img.setPixel(x + border, y + border, qRgb(0, 0, 0));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "PNG");
    return QStringLiteral("data:image/png;base64,") + QString::fromLatin1(png.toBase64());
}

// The phone's picture: saturated yellow with a blue bar, so a chip over it is easy to tell.
QImage testFrame()
{
    QImage img(1280, 720, QImage::Format_BGR888);
    img.fill(QColor(255, 220, 0));
    QPainter p(&img);
    p.fillRect(QRect(0, 600, 1280, 120), QColor(40, 90, 220));
    return img;
}

int distance(QRgb a, QColor b)
{
    return std::abs(qRed(a) - b.red()) + std::abs(qGreen(a) - b.green())
        + std::abs(qBlue(a) - b.blue());
}

// Pixels of `img` inside `r` within `tolerance` of `c`.
int countNear(const QImage& img, QRect r, QColor c, int tolerance)
{
    int n = 0;
    r = r.intersected(img.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (distance(img.pixel(x, y), c) <= tolerance)
                ++n;
    return n;
}

QRect sceneRect(QQuickItem* item)
{
    return item->mapRectToScene(QRectF(0, 0, item->width(), item->height())).toAlignedRect();
}

} // namespace

class ScreenshotTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { WindowHarness::prepareProcess(); }
    void init() { QTest::failOnWarning(QRegularExpression("^qrc:")); }

    void parsesOptions_data();
    void parsesOptions();
    void defaultOutputIsInPictures();
    void rendersEveryView_data();
    void rendersEveryView();
    void shootsOnceAfterChosenPhoneGoesLive();
    void shootsAfterDelayWithoutVideo();
    void reportsUnwritablePath();
};

void ScreenshotTest::parsesOptions_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("delay");
    QTest::addColumn<int>("theme"); // -1: the theme is left alone
    QTest::addColumn<QString>("view");

    const QStringList shot{"Vidlet", "--shot"};
    QTest::newRow("alone") << shot << QSize(540, 640) << 4000 << -1 << "";
    QTest::newRow("size") << shot + QStringList{"800x900"} << QSize(800, 900) << 4000 << -1 << "";
    QTest::newRow("low height") << shot + QStringList{"1280x150"} << QSize(1280, 640) << 4000 << -1
                                << "";
    QTest::newRow("narrow") << shot + QStringList{"100x700"} << QSize(540, 700) << 4000 << -1 << "";
    QTest::newRow("no x") << shot + QStringList{"1280"} << QSize(540, 640) << 4000 << -1 << "";
    QTest::newRow("x first") << shot + QStringList{"x900"} << QSize(540, 640) << 4000 << -1 << "";
    QTest::newRow("capital X") << shot + QStringList{"800X900"} << QSize(540, 640) << 4000 << -1
                               << "";
    QTest::newRow("not numbers") << shot + QStringList{"axb"} << QSize(540, 640) << 4000 << -1
                                 << "";
    QTest::newRow("next option") << shot + QStringList{"--shot-delay", "900"} << QSize(540, 640)
                                 << 900 << -1 << "";
    QTest::newRow("short delay") << shot + QStringList{"--shot-delay", "150"} << QSize(540, 640)
                                 << 4000 << -1 << "";
    QTest::newRow("bad delay") << shot + QStringList{"--shot-delay", "soon"} << QSize(540, 640)
                               << 4000 << -1 << "";
    QTest::newRow("delay at end") << shot + QStringList{"--shot-delay"} << QSize(540, 640) << 4000
                                  << -1 << "";
    QTest::newRow("dark") << shot + QStringList{"--shot-theme", "2"} << QSize(540, 640) << 4000 << 2
                          << "";
    QTest::newRow("theme 3") << shot + QStringList{"--shot-theme", "3"} << QSize(540, 640) << 4000
                             << -1 << "";
    QTest::newRow("theme word") << shot + QStringList{"--shot-theme", "dark"} << QSize(540, 640)
                                << 4000 << 0 << "";
    QTest::newRow("view") << shot + QStringList{"--shot-view", "language"} << QSize(540, 640)
                          << 4000 << -1 << "language";
}

void ScreenshotTest::parsesOptions()
{
    QFETCH(QStringList, args);
    QFETCH(QSize, size);
    QFETCH(int, delay);
    QFETCH(int, theme);
    QFETCH(QString, view);
    const ShotOptions o = ShotOptions::parse(args, QDateTime::currentDateTime());
    QCOMPARE(o.size, size);
    QCOMPARE(o.delayMs, delay);
    QCOMPARE(o.theme.value_or(-1), theme);
    QCOMPARE(o.view, view);
}

void ScreenshotTest::defaultOutputIsInPictures()
{
    const QDateTime start(QDate(2026, 3, 9), QTime(7, 5, 3));
    const ShotOptions o = ShotOptions::parse({"Vidlet", "--shot", "--out", ""}, start);
    QVERIFY(o.defaultOut);
    QCOMPARE(o.out,
             QStandardPaths::writableLocation(QStandardPaths::PicturesLocation)
                 + "/Vidlet/Vidlet-20260309-070503.png");
    const ShotOptions given =
        ShotOptions::parse({"Vidlet", "--out", "/tmp/a.png", "--shot"}, start);
    QVERIFY(!given.defaultOut);
    QCOMPARE(given.out, QStringLiteral("/tmp/a.png"));
}

void ScreenshotTest::rendersEveryView_data()
{
    QTest::addColumn<QString>("view");
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("theme");
    QTest::addColumn<QSize>("size");

    for (const QSize size : {QSize(540, 640), QSize(1280, 900)}) {
        for (const int theme : {1, 2}) {
            for (const auto& [view, tab] : WindowHarness::everyView()) {
                const QString name = QStringLiteral("%1%2-%3-%4x%5")
                                         .arg(view, tab >= 0 ? QString::number(tab) : QString(),
                                              theme == 1 ? "light" : "dark")
                                         .arg(size.width())
                                         .arg(size.height());
                QTest::newRow(qPrintable(name)) << view << tab << theme << size;
            }
        }
    }
}

void ScreenshotTest::rendersEveryView()
{
    QFETCH(QString, view);
    QFETCH(int, tab);
    QFETCH(int, theme);
    QFETCH(QSize, size);

    WindowHarness h;
    QVERIFY(h.window);
    h.app.qrDataUrl = qrDataUrl();
    const bool live = view == QLatin1String("live");
    if (live) {
        h.app.connectTwoPhones();
        h.app.appConnected = true;
    }
    Q_EMIT h.app.changed();

    const QStringList args{"Vidlet",
                           "--shot",
                           QStringLiteral("%1x%2").arg(size.width()).arg(size.height()),
                           "--shot-theme",
                           QString::number(theme),
                           "--shot-view",
                           view,
                           "--shot-delay",
                           "600000"};
    SessionDouble session(h.app);
    ScreenshotMode shot(ShotOptions::parse(args, QDateTime::currentDateTime()), session, h.window);
    if (tab >= 0)
        h.object("settingsModal")->setProperty("tab", tab);
    if (live)
        Q_EMIT h.app.frameReady(testFrame());
    // Let the opening animations finish and the QR image decode before the grab.
    h.openModalPanel();
    for (QQuickItem* tile : h.items("qrTile"))
        for (QQuickItem* image : tile->childItems())
            if (image->property("status").isValid())
                QTRY_COMPARE(image->property("status").toInt(), 1); // Image.Ready
    QVERIFY(h.nextFrame());
    QCOMPARE(h.window->size(), size);
    const QImage img = h.window->grabWindow().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(img.size(), size);

    const QColor bg = theme == 2 ? QColor("#0b0e15") : QColor("#ffffff");
    const QColor accent = theme == 2 ? QColor("#22d0c1") : QColor("#0bab9d");
    const bool modal = view == QLatin1String("settings") || view == QLatin1String("language")
        || view == QLatin1String("addphone");
    // In capture mode the card reaches the window's corners: no rounding, no transparent halo
    // (which the grab, having no alpha, shows as black).
    QVERIFY(QColor(img.pixel(0, size.height() - 1)) != QColor(Qt::black));
    QVERIFY(QColor(img.pixel(0, 0)) != QColor(Qt::black));
    if (!modal)
        QCOMPARE(QColor(img.pixel(size.width() - 1, size.height() - 1)),
                 QColor(theme == 2 ? "#242c3a" : "#e0e6ee"));
    const QColor titleFill = theme == 2 ? QColor("#19202c") : QColor("#f4f7fb");
    if (!modal)
        QCOMPARE(QColor(img.pixel(size.width() / 2, 20)), titleFill);

    const QString dir = qEnvironmentVariable("VIDLET_SHOT_DIR");
    if (!dir.isEmpty())
        img.save(dir + "/" + QString::fromLatin1(QTest::currentDataTag()) + ".png");

    if (view == QLatin1String("pairing") || view == QLatin1String("addphone")) {
        QQuickItem* tile = nullptr;
        for (QQuickItem* t : h.items("qrTile"))
            if (t->isVisible()
                && (view == QLatin1String("pairing") ? t->width() == 198 : t->width() == 190))
                tile = t;
        QVERIFY(tile);
        const QRect r = sceneRect(tile);
        // The tile is centred across the window and lies inside it.
        QVERIFY(std::abs(r.center().x() - size.width() / 2) <= 1);
        QVERIFY(img.rect().contains(r));
        // White paper in the quiet zone, black modules inside.
        const QRect inner = r.adjusted(16, 16, -16, -16);
        QVERIFY(distance(img.pixel(inner.topLeft()), Qt::white) <= 8);
        QVERIFY(distance(img.pixel(inner.bottomRight()), Qt::white) <= 8);
        QVERIFY(countNear(img, inner, Qt::black, 60) > inner.width() * inner.height() / 5);
    }
    if (view == QLatin1String("pairing")) {
        // Open card background beside the column, and the accent of the "Get the app" link
        // (below the title bar, whose teal icon is the same in both themes).
        QCOMPARE(QColor(img.pixel(20, size.height() / 2)), bg);
        const QRect below(0, 47, size.width(), size.height() - 47);
        QVERIFY(countNear(img, below, accent, 30) > 10);
        const QColor otherAccent = theme == 2 ? QColor("#0bab9d") : QColor("#22d0c1");
        QVERIFY(countNear(img, below, otherAccent, 10) == 0);
    }
    if (live) {
        QQuickItem* chip = h.item("liveChip");
        QQuickItem* box = h.item("previewBox");
        QVERIFY(chip && box);
        const QRect c = sceneRect(chip);
        const QRect b = sceneRect(box);
        QVERIFY(b.contains(c));
        // The picture is letterboxed in the box; the chip darkens the yellow picture under it.
        const QRectF fitted = h.item("preview")->property("contentRect").toRectF();
        QVERIFY(qFuzzyCompare(fitted.width() / fitted.height(), 1280.0 / 720.0));
        QVERIFY(std::abs(fitted.width() - b.width()) <= 1
                || std::abs(fitted.height() - b.height()) <= 1);
        const QRgb under = img.pixel(c.left() + 4, c.center().y());
        QVERIFY2(qRed(under) < 140 && qGreen(under) < 130 && qBlue(under) < 40,
                 qPrintable(QColor(under).name()));
        // The chip's border is the accent colour (antialiased at its rounded ends only).
        QVERIFY(countNear(img, QRect(c.left() + 13, c.top(), c.width() - 26, 1), accent, 30) > 10);
        QVERIFY(h.item("inUseChip")->isVisible());
        QCOMPARE(QColor(img.pixel(20, b.bottom() + 6)), bg);
    }
    if (modal) {
        // The backdrop dims the card; the panel is the surface colour.
        QQuickItem* panel = nullptr;
        for (QQuickItem* p : h.items("modalPanel"))
            if (p->isVisible() && p->parentItem()->opacity() > 0.99)
                panel = p;
        QVERIFY(panel);
        const QRect p = sceneRect(panel);
        QCOMPARE(QColor(img.pixel(p.left() + 8, p.center().y())),
                 QColor(theme == 2 ? "#121722" : "#ffffff"));
        QVERIFY(QColor(img.pixel(5, size.height() - 5)).lightness() < bg.lightness() || theme == 2);
        if (view == QLatin1String("settings"))
            QVERIFY(countNear(img, p, accent, 10) > 30); // tab underline (and theme thumb)
        if (view == QLatin1String("language"))
            QVERIFY(countNear(img, p, accent, 8) > 2000); // the selected language cell
    }
}

void ScreenshotTest::shootsOnceAfterChosenPhoneGoesLive()
{
    WindowHarness h;
    QVERIFY(h.window);
    QTemporaryDir dir;
    const QString out = dir.filePath("shot.png");
    const QStringList args{"Vidlet",        "--shot",  "600x700",      "--out", out,
                           "--shot-active", "Pixel 8", "--shot-delay", "60000"};
    SessionDouble session(h.app);
    ScreenshotMode shot(ShotOptions::parse(args, QDateTime::currentDateTime()), session, h.window);
    shot.keyFramePauseMs = 20;
    shot.afterPicturePauseMs = 20;
    QSignalSpy counting(&shot, &ScreenshotMode::picturesCount);
    QCOMPARE(h.window->property("captureMode").toBool(), true);

    // A frame before the phone is chosen does not count, nor one before its key frame is due.
    Q_EMIT h.app.frameReady(testFrame());
    h.app.phones = {ControllerDouble::phone(4, "iPhone"), ControllerDouble::phone(7, "Pixel 8")};
    h.app.activeId = 4;
    Q_EMIT h.app.changed();
    QCOMPARE(h.app.calls, QStringList{"setActive 7"});
    Q_EMIT h.app.changed();
    QCOMPARE(h.app.calls.size(), 1);
    Q_EMIT h.app.frameReady(testFrame());
    QVERIFY(!shot.scheduled());

    // Then an empty picture does not count either; two quick frames schedule one shot.
    QVERIFY(counting.wait());
    Q_EMIT h.app.frameReady(QImage());
    QVERIFY(!shot.scheduled());
    Q_EMIT h.app.frameReady(testFrame());
    QVERIFY(shot.scheduled());
    Q_EMIT h.app.frameReady(testFrame());
    QTRY_VERIFY(shot.taken());
    const QImage saved(out);
    QCOMPARE(saved.size(), QSize(600, 700));
    // A later frame takes no second shot, even once its countdown would have ended.
    const QDateTime written = QFileInfo(out).lastModified();
    Q_EMIT h.app.frameReady(testFrame());
    QTimer countdown;
    countdown.setSingleShot(true);
    QSignalSpy ended(&countdown, &QTimer::timeout);
    countdown.start(shot.afterPicturePauseMs);
    QVERIFY(ended.wait());
    QCOMPARE(QFileInfo(out).lastModified(), written);
}

void ScreenshotTest::shootsAfterDelayWithoutVideo()
{
    WindowHarness h;
    QVERIFY(h.window);
    QTemporaryDir dir;
    const QString out = dir.filePath("pairing.png");
    const QStringList args{"Vidlet",       "--shot", "--out",        out, "--shot-active", "Nobody",
                           "--shot-delay", "300",    "--shot-theme", "1"};
    SessionDouble session(h.app);
    ScreenshotMode shot(ShotOptions::parse(args, QDateTime::currentDateTime()), session, h.window);
    QTest::ignoreMessage(QtInfoMsg, qPrintable("Vidlet: shot saved to " + out));
    QTRY_VERIFY_WITH_TIMEOUT(shot.taken(), 3000);
    const QImage saved(out);
    QCOMPARE(saved.size(), QSize(540, 640));
    QCOMPARE(QColor(saved.pixel(20, 320)), QColor("#ffffff"));
    QCOMPARE(h.app.themeMode(), 0); // the forced theme never reaches the settings
}

void ScreenshotTest::reportsUnwritablePath()
{
    const QString out = "/nonexistent-folder/shot.png";
    QTest::ignoreMessage(QtWarningMsg, qPrintable("Vidlet: shot FAILED for " + out));
    ControllerDouble app;
    SessionDouble session(app);
    ScreenshotMode shot(
        ShotOptions::parse({"Vidlet", "--shot", "--out", out, "--shot-delay", "200"},
                           QDateTime::currentDateTime()),
        session, nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(shot.taken(), 3000);
}

QTEST_MAIN(ScreenshotTest)
#include "ScreenshotTest.moc"
