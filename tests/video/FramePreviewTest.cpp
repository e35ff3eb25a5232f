#include "video/FramePreview.h"

#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>

class FramePreviewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void letterbox_data();
    void letterbox();
    void publishesSizeAndRectangle();
    void drawsPictureLetterboxedAndKeepsItOnNull();
};

void FramePreviewTest::letterbox_data()
{
    QTest::addColumn<QSizeF>("item");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QRectF>("rect");
    QTest::newRow("wide in squarish")
        << QSizeF(508, 500) << QSize(1280, 720) << QRectF(0, 107.125, 508, 285.75);
    QTest::newRow("tall in wide") << QSizeF(400, 200) << QSize(720, 1280)
                                  << QRectF(143.75, 0, 112.5, 200);
    QTest::newRow("exact fit") << QSizeF(640, 360) << QSize(1280, 720) << QRectF(0, 0, 640, 360);
    QTest::newRow("upscaled") << QSizeF(300, 300) << QSize(10, 20) << QRectF(75, 0, 150, 300);
    QTest::newRow("no picture") << QSizeF(300, 200) << QSize(0, 0) << QRectF(0, 0, 300, 200);
    QTest::newRow("empty item") << QSizeF(0, 200) << QSize(1280, 720) << QRectF(0, 0, 0, 200);
}

void FramePreviewTest::letterbox()
{
    QFETCH(QSizeF, item);
    QFETCH(QSize, picture);
    QFETCH(QRectF, rect);
    QCOMPARE(FramePreview::letterbox(item, picture), rect);
}

void FramePreviewTest::publishesSizeAndRectangle()
{
    FramePreview p;
    QSignalSpy sizeSpy(&p, &FramePreview::frameSizeChanged);
    QSignalSpy rectSpy(&p, &FramePreview::contentRectChanged);
    QCOMPARE(p.frameSize(), QSize(0, 0));
    QCOMPARE(p.contentRect(), QRectF());

    // Before any picture the rectangle is the whole item once it has a size.
    p.setSize(QSizeF(508, 500));
    QCOMPARE(p.contentRect(), QRectF(0, 0, 508, 500));
    QCOMPARE(rectSpy.size(), 1);

    QImage frame(1280, 720, QImage::Format_BGR888);
    frame.fill(Qt::red);
    p.setFrame(frame);
    QCOMPARE(p.frameSize(), QSize(1280, 720));
    QCOMPARE(p.contentRect(), QRectF(0, 107.125, 508, 285.75));
    QCOMPARE(sizeSpy.size(), 1);
    QCOMPARE(rectSpy.size(), 2);

    // The same size again moves nothing and says nothing.
    p.setFrame(frame.copy());
    QCOMPARE(sizeSpy.size(), 1);
    QCOMPARE(rectSpy.size(), 2);

    // A move keeps the rectangle; a resize recomputes it.
    p.setPosition(QPointF(30, 40));
    QCOMPARE(rectSpy.size(), 2);
    p.setHeight(400);
    QCOMPARE(p.contentRect(), QRectF(0, 57.125, 508, 285.75));
    QCOMPARE(rectSpy.size(), 3);
    p.setHeight(400.0000000001);
    QCOMPARE(rectSpy.size(), 3);

    // A null picture reports no size and a rectangle over the whole item.
    p.setFrame(QImage());
    QCOMPARE(p.frameSize(), QSize(0, 0));
    QCOMPARE(sizeSpy.size(), 2);
    QCOMPARE(p.contentRect(), QRectF(0, 0, 508, 400));
}

void FramePreviewTest::drawsPictureLetterboxedAndKeepsItOnNull()
{
    QQuickWindow window;
    window.setColor(Qt::black);
    window.resize(400, 300);
    FramePreview p(window.contentItem());
    p.setSize(QSizeF(400, 300));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // Nothing is drawn before the first picture.
    QImage grab = window.grabWindow();
    QCOMPARE(QColor(grab.pixel(200, 150)), QColor(Qt::black));

    QImage frame(160, 90, QImage::Format_BGR888);
    frame.fill(QColor(0, 200, 0));
    p.setFrame(frame);
    grab = window.grabWindow();
    // 400 x 225 centred: bars of 37.5 px above and below.
    QCOMPARE(QColor(grab.pixel(200, 150)), QColor(0, 200, 0));
    QCOMPARE(QColor(grab.pixel(5, 45)), QColor(0, 200, 0));
    QCOMPARE(QColor(grab.pixel(200, 20)), QColor(Qt::black));
    QCOMPARE(QColor(grab.pixel(200, 280)), QColor(Qt::black));

    // A null picture leaves the last one on screen, placed by its own size.
    p.setFrame(QImage());
    p.setSize(QSizeF(300, 300));
    grab = window.grabWindow();
    QCOMPARE(QColor(grab.pixel(150, 150)), QColor(0, 200, 0));
    QCOMPARE(QColor(grab.pixel(150, 60)), QColor(Qt::black));
    QCOMPARE(QColor(grab.pixel(350, 150)), QColor(Qt::black));
}

QTEST_MAIN(FramePreviewTest)
#include "FramePreviewTest.moc"
