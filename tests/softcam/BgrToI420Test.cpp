#include "softcam/BgrToI420.h"

#include <QtTest>

#include <vector>

using namespace softcam;

class BgrToI420Test : public QObject {
    Q_OBJECT

private Q_SLOTS:
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
            bgr.insert(bgr.end(),
                       {static_cast<unsigned char>(b), static_cast<unsigned char>(g),
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
            0,   0,   0,   255, 255, 255, 0,   0, 255, 0,   0, 255,
            255, 255, 255, 0,   0,   0,   255, 0, 0,   255, 0, 0,
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

    void oddSizeRepeatsItsEdge()
    {
        // 3 x 3 is padded to 4 x 4: the extra column and row repeat the frame's edge, so the
        // last chroma column and row see only the edge.
        std::vector<unsigned char> bgr(3 * 3 * 3, 0);
        for (int y = 0; y < 3; ++y) {
            unsigned char* last = bgr.data() + (y * 3 + 2) * 3;
            last[2] = 255; // red right column
        }
        QCOMPARE(i420Bytes(3, 3), std::size_t(16 + 2 * 4));
        std::vector<unsigned char> i420(i420Bytes(3, 3), 0xEE);
        bgrToI420(bgr.data(), 3, 3, i420.data());
        const unsigned char* u = i420.data() + 16;
        const unsigned char* v = u + 4;
        for (int y = 0; y < 4; ++y) {
            const unsigned char* row = i420.data() + 4 * y;
            QCOMPARE(QList<int>({row[0], row[1], row[2], row[3]}), QList<int>({16, 16, 82, 82}));
        }
        QCOMPARE(int(v[1]), 240); // the right column alone: pure red
        QCOMPARE(int(v[3]), 240);
        QCOMPARE(int(u[0]), 128); // the bottom-left corner alone: black
        QCOMPARE(int(v[2]), 128);
    }

    // The vector kernel takes 16 columns at a time and the scalar code the rest: every size
    // around those steps gives the scalar formula's result, here written out pixel by pixel.
    void everyPixelFollowsTheFormula_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        for (const auto& [w, h] : {std::pair{1, 1},
                                   {2, 2},
                                   {15, 3},
                                   {16, 2},
                                   {17, 5},
                                   {33, 4},
                                   {48, 7},
                                   {64, 64},
                                   {1281, 3}})
            QTest::addRow("%dx%d", w, h) << w << h;
    }

    void everyPixelFollowsTheFormula()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        std::vector<unsigned char> bgr(std::size_t(width) * height * 3);
        quint32 seed = 12345;
        for (unsigned char& byte : bgr) {
            seed = seed * 1664525u + 1013904223u;
            byte = static_cast<unsigned char>(seed >> 24);
        }
        std::vector<unsigned char> i420(i420Bytes(width, height));
        bgrToI420(bgr.data(), width, height, i420.data());

        const int w2 = i420Side(width), h2 = i420Side(height);
        auto pixel = [&](int x, int y, int c) {
            return int(
                bgr[(std::size_t(std::min(y, height - 1)) * width + std::min(x, width - 1)) * 3
                    + c]);
        };
        for (int y = 0; y < h2; ++y)
            for (int x = 0; x < w2; ++x) {
                const int expected =
                    ((66 * pixel(x, y, 2) + 129 * pixel(x, y, 1) + 25 * pixel(x, y, 0) + 128) >> 8)
                    + 16;
                QCOMPARE(int(i420[std::size_t(y) * w2 + x]), expected);
            }
        const unsigned char* u = i420.data() + std::size_t(w2) * h2;
        const unsigned char* v = u + std::size_t(w2 / 2) * (h2 / 2);
        for (int cy = 0; cy < h2 / 2; ++cy)
            for (int cx = 0; cx < w2 / 2; ++cx) {
                int sum[3] = {};
                for (int c = 0; c < 3; ++c)
                    sum[c] = (pixel(2 * cx, 2 * cy, c) + pixel(2 * cx + 1, 2 * cy, c)
                              + pixel(2 * cx, 2 * cy + 1, c) + pixel(2 * cx + 1, 2 * cy + 1, c) + 2)
                        >> 2;
                const std::size_t at = std::size_t(cy) * (w2 / 2) + cx;
                QCOMPARE(int(u[at]),
                         ((-38 * sum[2] - 74 * sum[1] + 112 * sum[0] + 128) >> 8) + 128);
                QCOMPARE(int(v[at]), ((112 * sum[2] - 94 * sum[1] - 18 * sum[0] + 128) >> 8) + 128);
            }
    }
};

QTEST_GUILESS_MAIN(BgrToI420Test)
#include "BgrToI420Test.moc"
