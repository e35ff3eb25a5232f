#include "pipeline/FrameRotation.h"

#include <QTest>

#include <vector>

// Each pixel lands where a clockwise turn puts it, whole and with its colours in order, on
// sizes that are not whole tiles; a turn and its opposite give the picture back.
class FrameRotationTest : public QObject {
    Q_OBJECT

    static std::vector<unsigned char> numbered(int width, int height)
    {
        std::vector<unsigned char> picture(std::size_t(width * height * 3));
        for (std::size_t i = 0; i < picture.size(); ++i)
            picture[i] = static_cast<unsigned char>(i * 7 + i / 251);
        return picture;
    }

private Q_SLOTS:
    void pixelsLandWhereTheTurnPutsThem_data()
    {
        QTest::addColumn<int>("turns");
        QTest::newRow("90") << 1;
        QTest::newRow("180") << 2;
        QTest::newRow("270") << 3;
    }

    void pixelsLandWhereTheTurnPutsThem()
    {
        QFETCH(int, turns);
        const int width = 37, height = 35;
        const std::vector<unsigned char> picture = numbered(width, height);
        const QSize size = FrameRotation::turned(QSize(width, height), turns);
        QCOMPARE(size, turns == 2 ? QSize(37, 35) : QSize(35, 37));
        std::vector<unsigned char> out(picture.size());
        FrameRotation::turn(picture.data(), width, height, turns, out.data());
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                // Clockwise: the top-left corner goes to the top right.
                const int toX = turns == 1 ? height - 1 - y : turns == 2 ? width - 1 - x : y;
                const int toY = turns == 1 ? x : turns == 2 ? height - 1 - y : width - 1 - x;
                for (int c = 0; c < 3; ++c)
                    QCOMPARE(out[std::size_t((toY * size.width() + toX) * 3 + c)],
                             picture[std::size_t((y * width + x) * 3 + c)]);
            }
        std::vector<unsigned char> back(picture.size());
        FrameRotation::turn(out.data(), size.width(), size.height(), 4 - turns, back.data());
        QCOMPARE(back, picture);
    }
};

QTEST_GUILESS_MAIN(FrameRotationTest)
#include "FrameRotationTest.moc"
