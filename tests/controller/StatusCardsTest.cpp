#include "controller/AppController.h"
#include "tests/controller/TestPlaces.h"

#include <QStandardPaths>
#include <QTest>

// The cards the camera shows while no live video flows.
class StatusCardsTest : public QObject {
    Q_OBJECT

    struct Card {
        const std::vector<unsigned char>& bytes;
        int width;
        QColor at(int x, int y) const
        {
            const unsigned char* p = bytes.data() + (std::size_t(y) * width + x) * 3;
            return QColor(p[2], p[1], p[0]);
        }
        // Whether any pixel of rows [top, bottom] differs from the background.
        bool inked(int top, int bottom) const
        {
            for (int y = top; y <= bottom; ++y)
                for (int x = 0; x < width; ++x)
                    if (at(x, y) != QColor(0x0B, 0x0E, 0x15))
                        return true;
            return false;
        }
    };

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void idleCardLayoutAt1080p()
    {
        AppController app(testPlaces());
        app.pairAddress_ = "192.168.1.20:8788";
        app.renderIdleCard(1920, 1080);
        QCOMPARE(app.cardFrame.size(), std::size_t(1920 * 1080 * 3));
        const Card card{app.cardFrame, 1920};
        QCOMPARE(card.at(0, 0), QColor(0x0B, 0x0E, 0x15));
        QCOMPARE(card.at(960, 542), QColor(0x22, 0xD0, 0xC1));
        // The title sits at the bottom of rows 444..527; nothing is drawn just above it.
        QVERIFY(card.inked(444, 527));
        QVERIFY(!card.inked(400, 443));
        QVERIFY(card.inked(556, 589)); // second line
        QVERIFY(card.inked(594, 619)); // the address
        QVERIFY(!card.inked(620, 1079));
    }

    void idleCardWithoutAddressHasTwoLines_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("empty") << QString();
        QTest::newRow("none found") << QStringLiteral("No LAN address found");
    }

    void idleCardWithoutAddressHasTwoLines()
    {
        QFETCH(QString, address);
        AppController app(testPlaces());
        app.pairAddress_ = address;
        app.renderIdleCard(1280, 720);
        const Card card{app.cardFrame, 1280};
        QVERIFY(card.inked(376, 409));
        QVERIFY(!card.inked(414, 719));
    }

    void pausedCardAndShrinking()
    {
        AppController app(testPlaces());
        app.renderIdleCard(1920, 1080);
        app.renderPausedCard(640, 360);
        QCOMPARE(app.cardFrame.size(), std::size_t(640 * 360 * 3));
        const Card card{app.cardFrame, 640};
        QCOMPARE(card.at(320, 182), QColor(0xF5, 0xA6, 0x23));
        QVERIFY(card.inked(234, 259)); // "Waiting for the phone to resume"
    }
};

QTEST_MAIN(StatusCardsTest)
#include "StatusCardsTest.moc"
