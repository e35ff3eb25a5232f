#include "controller/StatusCard.h"

#include <QTest>

// The cards the camera shows while no live video flows.
class StatusCardsTest : public QObject {
    Q_OBJECT

    // Whether any pixel of rows [top, bottom] differs from the background.
    static bool inked(const QImage& card, int top, int bottom)
    {
        for (int y = top; y <= bottom; ++y)
            for (int x = 0; x < card.width(); ++x)
                if (card.pixelColor(x, y) != QColor(0x0B, 0x0E, 0x15))
                    return true;
        return false;
    }

private Q_SLOTS:
    void idleCardLayoutAt1080p()
    {
        const QImage card = StatusCard::idle(QSize(1920, 1080), "192.168.1.20:8788");
        QCOMPARE(card.size(), QSize(1920, 1080));
        QCOMPARE(card.format(), QImage::Format_BGR888);
        QCOMPARE(card.pixelColor(0, 0), QColor(0x0B, 0x0E, 0x15));
        QCOMPARE(card.pixelColor(960, 542), QColor(0x22, 0xD0, 0xC1));
        // The title sits at the bottom of rows 444..527; nothing is drawn just above it.
        QVERIFY(inked(card, 444, 527));
        QVERIFY(!inked(card, 400, 443));
        QVERIFY(inked(card, 556, 589)); // second line
        QVERIFY(inked(card, 594, 619)); // the address
        QVERIFY(!inked(card, 620, 1079));
    }

    void idleCardWithoutAddressHasTwoLines()
    {
        const QImage card = StatusCard::idle(QSize(1280, 720), QString());
        QVERIFY(inked(card, 376, 409));
        QVERIFY(!inked(card, 414, 719));
    }

    void pausedCard()
    {
        const QImage card = StatusCard::paused(QSize(640, 360));
        QCOMPARE(card.size(), QSize(640, 360));
        QCOMPARE(card.pixelColor(320, 182), QColor(0xF5, 0xA6, 0x23));
        QVERIFY(inked(card, 234, 259)); // "Waiting for the phone to resume"
    }
};

QTEST_MAIN(StatusCardsTest)
#include "StatusCardsTest.moc"
