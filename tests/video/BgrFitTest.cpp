#include "video/BgrFit.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

// Pictures scaled into a frame of another size: their shape kept between black bars, flat
// colours exact, edges where they belong, detail averaged rather than picked.
class BgrFitTest : public QObject {
    Q_OBJECT

    using Picture = std::vector<unsigned char>;

    static Picture uniform(int width, int height, int b, int g, int r)
    {
        Picture p(std::size_t(width) * height * 3);
        for (std::size_t i = 0; i < p.size(); i += 3) {
            p[i] = static_cast<unsigned char>(b);
            p[i + 1] = static_cast<unsigned char>(g);
            p[i + 2] = static_cast<unsigned char>(r);
        }
        return p;
    }

    static const unsigned char* at(const Picture& p, int width, int x, int y)
    {
        return &p[(std::size_t(y) * width + x) * 3];
    }

    static bool isBlack(const Picture& p, int width, int x, int y)
    {
        const unsigned char* pixel = at(p, width, x, y);
        return pixel[0] == 0 && pixel[1] == 0 && pixel[2] == 0;
    }

private Q_SLOTS:
    void pictureLandsBetweenBars_data()
    {
        QTest::addColumn<QSize>("from");
        QTest::addColumn<QSize>("to");
        QTest::addColumn<QRect>("area");
        QTest::newRow("portrait phone, landscape camera")
            << QSize(1080, 1920) << QSize(1280, 720) << QRect(437, 0, 405, 720);
        QTest::newRow("4:3 into 16:9")
            << QSize(640, 480) << QSize(1280, 720) << QRect(160, 0, 960, 720);
        QTest::newRow("16:9 into 4:3")
            << QSize(1920, 1080) << QSize(640, 480) << QRect(0, 60, 640, 360);
        QTest::newRow("same shape, larger")
            << QSize(640, 360) << QSize(1280, 720) << QRect(0, 0, 1280, 720);
        QTest::newRow("same size") << QSize(64, 48) << QSize(64, 48) << QRect(0, 0, 64, 48);
        QTest::newRow("smaller, same height")
            << QSize(30, 48) << QSize(64, 48) << QRect(17, 0, 30, 48);
        QTest::newRow("a line") << QSize(1, 1) << QSize(8, 2) << QRect(3, 0, 2, 2);
    }

    // A flat picture stays exactly its colour inside its area; everything else is black.
    void pictureLandsBetweenBars()
    {
        QFETCH(QSize, from);
        QFETCH(QSize, to);
        QFETCH(QRect, area);
        const BgrFit::Area a = BgrFit::area(from.width(), from.height(), to.width(), to.height());
        QCOMPARE(QRect(a.x, a.y, a.width, a.height), area);

        const Picture picture = uniform(from.width(), from.height(), 17, 130, 251);
        Picture frame(std::size_t(to.width()) * to.height() * 3, 99); // stale contents
        BgrFit fit;
        fit.fit(picture.data(), from.width(), from.height(), frame.data(), to.width(), to.height());
        for (int y = 0; y < to.height(); ++y)
            for (int x = 0; x < to.width(); ++x) {
                const unsigned char* pixel = at(frame, to.width(), x, y);
                if (area.contains(x, y)) {
                    if (pixel[0] != 17 || pixel[1] != 130 || pixel[2] != 251)
                        QFAIL(qPrintable(
                            QStringLiteral("(%1, %2) is not the picture's colour").arg(x).arg(y)));
                } else if (!isBlack(frame, to.width(), x, y)) {
                    QFAIL(qPrintable(QStringLiteral("(%1, %2) is not black").arg(x).arg(y)));
                }
            }
    }

    // Left half dark, right half light: the edge stays in the middle and sharp enough when
    // the picture grows and when it shrinks, and the halves keep their values.
    void edgesStayWhereTheyAre()
    {
        for (const QSize& size : {QSize(1280, 720), QSize(160, 90)}) {
            Picture picture = uniform(320, 180, 20, 20, 20);
            for (int y = 0; y < 180; ++y)
                for (int x = 160; x < 320; ++x)
                    std::fill_n(&picture[(std::size_t(y) * 320 + x) * 3], 3, 220);
            Picture frame(std::size_t(size.width()) * size.height() * 3);
            BgrFit fit;
            fit.fit(picture.data(), 320, 180, frame.data(), size.width(), size.height());
            const int middle = size.width() / 2;
            const int row = size.height() / 2;
            QCOMPARE(int(at(frame, size.width(), 0, row)[1]), 20);
            QCOMPARE(int(at(frame, size.width(), size.width() - 1, row)[1]), 220);
            // Blurred over at most a few output pixels either side.
            QVERIFY(at(frame, size.width(), middle - 4, row)[1] < 40);
            QVERIFY(at(frame, size.width(), middle + 3, row)[1] > 200);
            // Mirror-symmetric around the middle.
            for (int d = 0; d < 4; ++d)
                QVERIFY(std::abs(at(frame, size.width(), middle - 1 - d, row)[1]
                                 + at(frame, size.width(), middle + d, row)[1] - 240)
                        <= 1);
        }
    }

    // One-pixel stripes shrunk to a third come out near grey, as the eye sees them, instead of
    // as whichever stripe a sample falls on (0 or 255).
    void fineDetailIsAveraged()
    {
        Picture picture(std::size_t(300) * 300 * 3);
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 300; ++x)
                std::fill_n(&picture[(std::size_t(y) * 300 + x) * 3], 3, x % 2 ? 255 : 0);
        Picture frame(std::size_t(100) * 100 * 3);
        BgrFit fit;
        fit.fit(picture.data(), 300, 300, frame.data(), 100, 100);
        for (int x = 2; x < 98; ++x)
            QVERIFY2(std::abs(int(at(frame, 100, x, 50)[0]) - 128) <= 20,
                     qPrintable(QString::number(at(frame, 100, x, 50)[0])));
    }

    // Filled, the picture covers the frame: of a picture whose middle (of the frame's shape) is
    // one colour and the rest another, the frame shows only the middle's colour, no bars.
    void fillCutsWhatOverhangsEvenly_data()
    {
        QTest::addColumn<QSize>("from");
        QTest::addColumn<QSize>("to");
        QTest::addColumn<QRect>("kept");
        QTest::newRow("4:3 into 16:9, top and bottom cut")
            << QSize(640, 480) << QSize(1280, 720) << QRect(0, 60, 640, 360);
        QTest::newRow("16:9 into 4:3, the sides cut")
            << QSize(1920, 1080) << QSize(640, 480) << QRect(240, 0, 1440, 1080);
        QTest::newRow("portrait phone, landscape camera")
            << QSize(1080, 1920) << QSize(1280, 720) << QRect(0, 656, 1080, 608);
        QTest::newRow("same shape") << QSize(320, 180) << QSize(1280, 720) << QRect(0, 0, 320, 180);
    }

    void fillCutsWhatOverhangsEvenly()
    {
        QFETCH(QSize, from);
        QFETCH(QSize, to);
        QFETCH(QRect, kept);
        Picture picture = uniform(from.width(), from.height(), 200, 10, 10);
        for (int y = kept.top(); y <= kept.bottom(); ++y)
            for (int x = kept.left(); x <= kept.right(); ++x) {
                unsigned char* pixel = &picture[(std::size_t(y) * from.width() + x) * 3];
                pixel[0] = 17, pixel[1] = 130, pixel[2] = 251;
            }
        Picture frame(std::size_t(to.width()) * to.height() * 3, 99);
        BgrFit fit;
        fit.fill(picture.data(), from.width(), from.height(), frame.data(), to.width(),
                 to.height());
        for (int y = 0; y < to.height(); ++y)
            for (int x = 0; x < to.width(); ++x) {
                const unsigned char* pixel = at(frame, to.width(), x, y);
                if (pixel[0] != 17 || pixel[1] != 130 || pixel[2] != 251)
                    QFAIL(qPrintable(QStringLiteral("(%1, %2) is %3 %4 %5, not the middle's")
                                         .arg(x)
                                         .arg(y)
                                         .arg(pixel[0])
                                         .arg(pixel[1])
                                         .arg(pixel[2])));
            }
    }

    // Every output value is the tent-weighted average of its own channel's values around it,
    // computed here in floating point, within the integer passes' rounding: a shrink with few
    // taps (3:2, a 1080p phone into a 720p camera; 4:3; 5:3), one with many (3:1), and growth.
    void eachChannelIsTheTentAverageOfItsOwn_data()
    {
        QTest::addColumn<QSize>("from");
        QTest::addColumn<QSize>("to");
        QTest::newRow("1920x1080 into 1280x720") << QSize(1920, 1080) << QSize(1280, 720);
        QTest::newRow("odd 3:2, 93x62 into 62x41") << QSize(93, 62) << QSize(62, 41);
        QTest::newRow("4:3, 64x48 into 48x36") << QSize(64, 48) << QSize(48, 36);
        QTest::newRow("5:3 (four taps), 100x60 into 60x36") << QSize(100, 60) << QSize(60, 36);
        QTest::newRow("3:1, 120x90 into 40x30") << QSize(120, 90) << QSize(40, 30);
        QTest::newRow("growth, 40x30 into 100x75") << QSize(40, 30) << QSize(100, 75);
    }

    void eachChannelIsTheTentAverageOfItsOwn()
    {
        QFETCH(QSize, from);
        QFETCH(QSize, to);
        Picture picture(std::size_t(from.width()) * from.height() * 3);
        std::uint32_t state = 12345;
        for (unsigned char& value : picture) {
            state = state * 1664525u + 1013904223u;
            value = static_cast<unsigned char>(state >> 24);
        }
        Picture frame(std::size_t(to.width()) * to.height() * 3);
        BgrFit().fit(picture.data(), from.width(), from.height(), frame.data(), to.width(),
                     to.height());

        // For each output pixel along an axis: the source pixels its tent covers, weighted.
        struct Tent {
            int first = 0;
            std::vector<double> weights;
        };
        const auto tents = [](int source, int out) {
            const double scale = double(source) / out;
            const double radius = std::max(1.0, scale);
            std::vector<Tent> all(static_cast<std::size_t>(out));
            for (int i = 0; i < out; ++i) {
                const double centre = (i + 0.5) * scale - 0.5;
                Tent& tent = all[std::size_t(i)];
                tent.first = std::max(0, int(std::floor(centre - radius)));
                const int last = std::min(source - 1, int(std::ceil(centre + radius)));
                double sum = 0;
                for (int s = tent.first; s <= last; ++s)
                    sum += tent.weights.emplace_back(
                        std::max(0.0, 1.0 - std::abs(s - centre) / radius));
                for (double& w : tent.weights)
                    w /= sum;
            }
            return all;
        };
        const std::vector<Tent> across = tents(from.width(), to.width());
        const std::vector<Tent> down = tents(from.height(), to.height());
        // Across each source row, then down each column.
        std::vector<double> rows(std::size_t(to.width()) * from.height() * 3);
        for (int sy = 0; sy < from.height(); ++sy)
            for (int x = 0; x < to.width(); ++x) {
                const Tent& tent = across[std::size_t(x)];
                for (std::size_t k = 0; k < tent.weights.size(); ++k)
                    for (int channel = 0; channel < 3; ++channel)
                        rows[(std::size_t(sy) * to.width() + x) * 3 + channel] += tent.weights[k]
                            * at(picture, from.width(), tent.first + int(k), sy)[channel];
            }
        int worst = 0;
        for (int y = 0; y < to.height(); ++y)
            for (int x = 0; x < to.width(); ++x)
                for (int channel = 0; channel < 3; ++channel) {
                    const Tent& tent = down[std::size_t(y)];
                    double value = 0;
                    for (std::size_t k = 0; k < tent.weights.size(); ++k)
                        value += tent.weights[k]
                            * rows[((std::size_t(tent.first) + k) * to.width() + x) * 3 + channel];
                    worst = std::max(
                        worst,
                        std::abs(at(frame, to.width(), x, y)[channel] - int(std::lround(value))));
                }
        QVERIFY2(worst <= 1, qPrintable(QStringLiteral("off by %1").arg(worst)));
    }

    // One fitter serves frames of changing sizes, as a camera's pictures change.
    void sizesMayChangeBetweenCalls()
    {
        BgrFit fit;
        Picture frame(std::size_t(64) * 48 * 3);
        for (const QSize& from : {QSize(32, 48), QSize(64, 16), QSize(32, 48)}) {
            const Picture picture = uniform(from.width(), from.height(), 1, 2, 3);
            fit.fit(picture.data(), from.width(), from.height(), frame.data(), 64, 48);
            const BgrFit::Area a = BgrFit::area(from.width(), from.height(), 64, 48);
            QCOMPARE(int(at(frame, 64, a.x + a.width / 2, a.y + a.height / 2)[2]), 3);
            QVERIFY(isBlack(frame, 64, 0, 0));
        }
    }
};

QTEST_GUILESS_MAIN(BgrFitTest)
#include "BgrFitTest.moc"
