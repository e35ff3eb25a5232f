#include "softcam/BgrToI420.h"

#include <QtTest>

#include <vector>

using namespace softcam;

class BgrToI420Test : public QObject {
    Q_OBJECT

private slots:
    void convertsColoursToLimitedRangeBt601_data()
    {
        QTest::addColumn<int>("b");
        QTest::addColumn<int>("g");
        QTest::addColumn<int>("r");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("u");
        QTest::addColumn<int>("v");
        QTest::newRow("black") << 0 << 0 << 0 << 16 << 128 << 128;
        QTest::newRow("white") << 255 << 255 << 255 << 235 << 128 << 128;
        QTest::newRow("red") << 0 << 0 << 255 << 82 << 90 << 240;
        QTest::newRow("green") << 0 << 255 << 0 << 144 << 54 << 34;
        QTest::newRow("blue") << 255 << 0 << 0 << 41 << 240 << 110;
        QTest::newRow("mid grey") << 128 << 128 << 128 << 126 << 128 << 128;
    }

    void convertsColoursToLimitedRangeBt601()
    {
        QFETCH(int, b);
        QFETCH(int, g);
        QFETCH(int, r);
        QFETCH(int, y);
        QFETCH(int, u);
        QFETCH(int, v);
        const int w = 4, h = 2;
        std::vector<unsigned char> bgr;
        for (int i = 0; i < w * h; ++i)
            bgr.insert(bgr.end(), {static_cast<unsigned char>(b), static_cast<unsigned char>(g),
                                   static_cast<unsigned char>(r)});
        std::vector<unsigned char> i420(i420Bytes(w, h), 0xEE);
        bgrToI420(bgr.data(), w, h, i420.data());
        for (int i = 0; i < w * h; ++i)
            QCOMPARE(int(i420[i]), y);
        QCOMPARE(int(i420[8]), u);
        QCOMPARE(int(i420[9]), u);
        QCOMPARE(int(i420[10]), v);
        QCOMPARE(int(i420[11]), v);
    }

    void chromaAveragesEachTwoByTwoBlock()
    {
        // Left block: two black and two white pixels, chroma neutral whatever the mix; right
        // block: red over blue, whose average differs from both.
        const unsigned char bgr[2 * 4 * 3] = {
            0, 0, 0,       255, 255, 255, 0, 0, 255, 0, 0, 255,
            255, 255, 255, 0, 0, 0,       255, 0, 0, 255, 0, 0,
        };
        std::vector<unsigned char> i420(i420Bytes(4, 2));
        bgrToI420(bgr, 4, 2, i420.data());
        const unsigned char* u = i420.data() + 8;
        const unsigned char* v = u + 2;
        QCOMPARE(int(u[0]), 128);
        QCOMPARE(int(v[0]), 128);
        // Average of red and blue, rounded: b 128, g 0, r 128.
        QCOMPARE(int(u[1]), ((-38 * 128 + 112 * 128 + 128) >> 8) + 128);
        QCOMPARE(int(v[1]), ((112 * 128 - 18 * 128 + 128) >> 8) + 128);
    }

    void oddSizeKeepsItsLastRowAndColumn()
    {
        // 3 x 3 has a 2 x 2 chroma grid; the last column and row are blocks of their own.
        std::vector<unsigned char> bgr(3 * 3 * 3, 0);
        for (int y = 0; y < 3; ++y) {
            unsigned char* last = bgr.data() + (y * 3 + 2) * 3;
            last[2] = 255; // red right column
        }
        QCOMPARE(i420Bytes(3, 3), std::size_t(9 + 2 * 4));
        std::vector<unsigned char> i420(i420Bytes(3, 3), 0xEE);
        bgrToI420(bgr.data(), 3, 3, i420.data());
        const unsigned char* u = i420.data() + 9;
        const unsigned char* v = u + 4;
        QCOMPARE(int(i420[2]), 82);
        QCOMPARE(int(i420[8]), 82);
        QCOMPARE(int(v[1]), 240); // the right column alone: pure red
        QCOMPARE(int(v[3]), 240);
        QCOMPARE(int(u[0]), 128); // the bottom-left corner alone: black
        QCOMPARE(int(v[2]), 128);
    }
};

QTEST_GUILESS_MAIN(BgrToI420Test)
#include "BgrToI420Test.moc"
