#include "softcam/BgrToI420.h"
#include "softcam/BgrToI420Rows.h"
#include "softcam/CameraPixelFormat.h"

#include <QTest>

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
};

QTEST_GUILESS_MAIN(CameraPixelFormatTest)
#include "CameraPixelFormatTest.moc"
