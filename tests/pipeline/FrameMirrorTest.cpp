#include "pipeline/FrameMirror.h"

#include <QTest>

#include <vector>

// Each pixel moves to the mirrored column with its blue, green and red in order; the middle
// column of an odd width stays; twice is the picture itself.
class FrameMirrorTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pixelsTradeColumnsWholeAndInOrder_data()
    {
        QTest::addColumn<int>("width");
        QTest::newRow("even") << 4;
        QTest::newRow("odd") << 5;
        QTest::newRow("one column") << 1;
    }

    void pixelsTradeColumnsWholeAndInOrder()
    {
        QFETCH(int, width);
        const int height = 3;
        std::vector<unsigned char> picture(std::size_t(width * height * 3));
        for (std::size_t i = 0; i < picture.size(); ++i)
            picture[i] = static_cast<unsigned char>(i);
        std::vector<unsigned char> flipped = picture;
        FrameMirror::flip(flipped.data(), width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                for (int c = 0; c < 3; ++c)
                    QCOMPARE(flipped[std::size_t((y * width + x) * 3 + c)],
                             picture[std::size_t((y * width + width - 1 - x) * 3 + c)]);
        FrameMirror::flip(flipped.data(), width, height);
        QCOMPARE(flipped, picture);
    }
};

QTEST_GUILESS_MAIN(FrameMirrorTest)
#include "FrameMirrorTest.moc"
