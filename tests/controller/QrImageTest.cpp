#include "controller/QrImage.h"

#include <QTest>

#include <qrcodegen.hpp>

class QrImageTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pngInDataUrlShowsTheCodesModules_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("short payload")
            << "vidlet://pair?v=1&pc=DESKTOP-1&t=0123456789abcdefghij_-&h=192.168.1.20:8788";
        QTest::newRow("four addresses and a UTF-8 name") << QString::fromUtf8(
            "vidlet://pair?v=1&pc=Zo%C3%AB&t=AAAAAAAAAAAAAAAAAAAAAA&h=192.168.1.20:8788,"
            "192.168.2.2:8788,10.0.0.1:8788,172.16.0.1:8788 ünïcode");
    }

    void pngInDataUrlShowsTheCodesModules()
    {
        QFETCH(QString, text);
        const QString url = QrImage::dataUrl(text);
        const QString prefix = "data:image/png;base64,";
        QVERIFY(url.startsWith(prefix));

        const auto png = QByteArray::fromBase64Encoding(url.mid(prefix.size()).toLatin1(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
        QVERIFY(png);
        QImage image;
        QVERIFY(image.loadFromData(*png, "PNG"));

        const auto code = qrcodegen::QrCode::encodeText(text.toUtf8().constData(),
                                                        qrcodegen::QrCode::Ecc::MEDIUM);
        const int modules = code.getSize();
        QCOMPARE(image.width(), modules * 8 + 64);
        QCOMPARE(image.height(), modules * 8 + 64);

        // Every pixel: inside the quiet zone white, else the colour of the module it belongs to.
        const QRgb dark = qRgb(0x0B, 0x0E, 0x15);
        const QRgb light = qRgb(255, 255, 255);
        for (int py = 0; py < image.height(); ++py) {
            for (int px = 0; px < image.width(); ++px) {
                const int x = (px - 32) / 8;
                const int y = (py - 32) / 8;
                const bool inCode = px >= 32 && py >= 32 && x < modules && y < modules;
                const QRgb expected = inCode && code.getModule(x, y) ? dark : light;
                if (qRgb(qRed(image.pixel(px, py)), qGreen(image.pixel(px, py)),
                         qBlue(image.pixel(px, py)))
                    != expected)
                    QFAIL(qPrintable(
                        QString("pixel %1,%2 (module %3,%4)").arg(px).arg(py).arg(x).arg(y)));
            }
        }
    }

    void textTooLongForAnyCodeGivesNothing()
    {
        const QString text(3000, QLatin1Char('x'));
        QVERIFY(QrImage::render(text).isNull());
        QCOMPARE(QrImage::dataUrl(text), QString());
    }
};

QTEST_MAIN(QrImageTest)
#include "QrImageTest.moc"
