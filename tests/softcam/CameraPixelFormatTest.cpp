#include "softcam/BgrToI420.h"
#include "softcam/BgrToI420Rows.h"
#include "softcam/CameraPixelFormat.h"

#include <QTest>

#include <algorithm>
#include <vector>

using softcam::CameraPixelFormat;

// The raw pictures the PipeWire camera offers, above all at odd sizes, whose extra column or
// row must repeat the frame's edge in every format.
class CameraPixelFormatTest : public QObject {
    Q_OBJECT

    static std::vector<unsigned char> gradient(int width, int height)
    {
        std::vector<unsigned char> bgr(std::size_t(width) * height * 3);
        for (std::size_t i = 0; i < bgr.size(); ++i)
            bgr[i] = static_cast<unsigned char>(i * 7 + 13);
        return bgr;
    }

private Q_SLOTS:
    void sizes_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("i420");
        QTest::addColumn<int>("yuy2Stride");
        QTest::newRow("640x480") << 640 << 480 << 460800 << 1280;
        QTest::newRow("odd 5x3") << 5 << 3 << 36 << 12;
    }

    void sizes()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, i420);
        QFETCH(int, yuy2Stride);
        QCOMPARE(int(softcam::pictureBytes(CameraPixelFormat::I420, width, height)), i420);
        QCOMPARE(int(softcam::pictureBytes(CameraPixelFormat::NV12, width, height)), i420);
        QCOMPARE(softcam::pixelStride(CameraPixelFormat::YUY2, width), yuy2Stride);
        QCOMPARE(int(softcam::pictureBytes(CameraPixelFormat::YUY2, width, height)),
                 yuy2Stride * softcam::i420Side(height));
    }

    void nv12InterleavesTheI420Chroma()
    {
        const int w = 7, h = 5;
        const auto bgr = gradient(w, h);
        std::vector<unsigned char> i420(softcam::pictureBytes(CameraPixelFormat::I420, w, h));
        std::vector<unsigned char> nv12(i420.size());
        softcam::convertBgr(CameraPixelFormat::I420, bgr.data(), w, h, i420.data());
        softcam::convertBgr(CameraPixelFormat::NV12, bgr.data(), w, h, nv12.data());
        const std::size_t luma = 8 * 6, quarter = luma / 4;
        QVERIFY(std::equal(i420.begin(), i420.begin() + luma, nv12.begin()));
        for (std::size_t i = 0; i < quarter; ++i) {
            QCOMPARE(nv12[luma + 2 * i], i420[luma + i]);
            QCOMPARE(nv12[luma + 2 * i + 1], i420[luma + quarter + i]);
        }
    }

    void yuy2RepeatsTheEdgeOfAnOddFrame()
    {
        const int w = 5, h = 3;
        const auto bgr = gradient(w, h);
        std::vector<unsigned char> yuy2(softcam::pictureBytes(CameraPixelFormat::YUY2, w, h), 0xEE);
        softcam::convertBgr(CameraPixelFormat::YUY2, bgr.data(), w, h, yuy2.data());
        const int pitch = 12;
        for (int y = 0; y < h; ++y) {
            const unsigned char* row = yuy2.data() + y * pitch;
            const unsigned char* edge = bgr.data() + (y * w + w - 1) * 3;
            const unsigned char luma = softcam::lumaOf(edge[0], edge[1], edge[2]);
            QCOMPARE(row[8], luma);
            QCOMPARE(row[10], luma); // the added pixel
        }
        QVERIFY(std::equal(yuy2.begin() + 2 * pitch, yuy2.begin() + 3 * pitch,
                           yuy2.begin() + 3 * pitch)); // the added row
    }

    // A decoder's I420 picture reaches each format with every byte its plane's: nothing is
    // computed, so each output byte is found at its place in the planes.
    void i420IsRepackedByteForByte_data()
    {
        QTest::addColumn<int>("format");
        for (CameraPixelFormat format : softcam::kCameraPixelFormats)
            QTest::newRow(softcam::formatName(format)) << int(format);
    }

    void i420IsRepackedByteForByte()
    {
        QFETCH(int, format);
        const auto chosen = CameraPixelFormat(format);
        const int w = 6, h = 4, cw = w / 2;
        // Distinct values: Y 0..23, U 100..105, V 200..205.
        std::vector<unsigned char> i420(softcam::i420Bytes(w, h));
        for (int i = 0; i < w * h; ++i)
            i420[i] = static_cast<unsigned char>(i);
        for (int i = 0; i < cw * h / 2; ++i) {
            i420[w * h + i] = static_cast<unsigned char>(100 + i);
            i420[w * h + cw * h / 2 + i] = static_cast<unsigned char>(200 + i);
        }
        const auto luma = [&](int x, int y) { return i420[y * w + x]; };
        const auto blue = [&](int x, int y) { return i420[w * h + y / 2 * cw + x / 2]; };
        const auto red = [&](int x, int y) {
            return i420[w * h + cw * h / 2 + y / 2 * cw + x / 2];
        };

        // Where each pixel's samples sit in the format, written out for each.
        std::vector<int> expected(softcam::pictureBytes(chosen, w, h), -1);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                switch (chosen) {
                case CameraPixelFormat::I420:
                    expected[y * w + x] = luma(x, y);
                    expected[w * h + y / 2 * cw + x / 2] = blue(x, y);
                    expected[w * h + cw * h / 2 + y / 2 * cw + x / 2] = red(x, y);
                    break;
                case CameraPixelFormat::NV12:
                    expected[y * w + x] = luma(x, y);
                    expected[w * h + y / 2 * w + x / 2 * 2] = blue(x, y);
                    expected[w * h + y / 2 * w + x / 2 * 2 + 1] = red(x, y);
                    break;
                case CameraPixelFormat::YUY2:
                    expected[y * w * 2 + x * 2] = luma(x, y);
                    expected[y * w * 2 + x / 2 * 4 + 1] = blue(x, y);
                    expected[y * w * 2 + x / 2 * 4 + 3] = red(x, y);
                    break;
                }
            }
        }
        QVERIFY(std::find(expected.begin(), expected.end(), -1) == expected.end());

        std::vector<unsigned char> picture(expected.size(), 0xEE);
        softcam::convertI420(chosen, i420.data(), w, h, picture.data());
        for (std::size_t i = 0; i < picture.size(); ++i)
            QVERIFY2(picture[i] == expected[i],
                     qPrintable(QStringLiteral("byte %1: %2, expected %3")
                                    .arg(i)
                                    .arg(picture[i])
                                    .arg(expected[i])));
    }
};

QTEST_GUILESS_MAIN(CameraPixelFormatTest)
#include "CameraPixelFormatTest.moc"
