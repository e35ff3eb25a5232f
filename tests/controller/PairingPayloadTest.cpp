#include "controller/PairingPayload.h"

#include <QTest>
#include <QUrl>
#include <QUrlQuery>

class PairingPayloadTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void buildsTheUri_data()
    {
        QTest::addColumn<QString>("pcName");
        QTest::addColumn<QStringList>("addresses");
        QTest::addColumn<QString>("expected");

        QTest::newRow("two addresses, joined unencoded")
            << "DESKTOP-1" << QStringList{"192.168.1.20:8788", "10.0.0.5:8788"}
            << "vidlet://pair?v=1&pc=DESKTOP-1&t=TOKEN&h=192.168.1.20:8788,10.0.0.5:8788";
        QTest::newRow("no address: no h")
            << "DESKTOP-1" << QStringList{} << "vidlet://pair?v=1&pc=DESKTOP-1&t=TOKEN";
        QTest::newRow("apostrophe and space")
            << "Sam's PC" << QStringList{} << "vidlet://pair?v=1&pc=Sam%27s%20PC&t=TOKEN";
        QTest::newRow("unreserved characters stay")
            << "a-z.0_9~Z" << QStringList{} << "vidlet://pair?v=1&pc=a-z.0_9~Z&t=TOKEN";
        QTest::newRow("query delimiters are encoded")
            << "a&t=x,y#?/+=" << QStringList{}
            << "vidlet://pair?v=1&pc=a%26t%3Dx%2Cy%23%3F%2F%2B%3D&t=TOKEN";
        QTest::newRow("non-ASCII as UTF-8")
            << QString::fromUtf8("Zoë's Büro") << QStringList{}
            << "vidlet://pair?v=1&pc=Zo%C3%AB%27s%20B%C3%BCro&t=TOKEN";
        QTest::newRow("percent sign itself")
            << "100%" << QStringList{} << "vidlet://pair?v=1&pc=100%25&t=TOKEN";
    }

    void buildsTheUri()
    {
        QFETCH(QString, pcName);
        QFETCH(QStringList, addresses);
        QFETCH(QString, expected);
        QCOMPARE(PairingPayload::build(pcName, "TOKEN", addresses), expected);
    }

    void phoneReadsBackTheName()
    {
        // What a phone's URI parser sees must be the name as typed, whatever it contains.
        const QString name = QString::fromUtf8("Ünïcode & Friends' 100% #1 +2");
        const QUrl url(PairingPayload::build(name, "Ab-_9", {"10.0.0.5:8788"}));
        QVERIFY(url.isValid());
        QCOMPARE(url.scheme(), QString("vidlet"));
        const QUrlQuery query(url);
        QCOMPARE(query.queryItemValue("pc", QUrl::FullyDecoded), name);
        QCOMPARE(query.queryItemValue("t"), QString("Ab-_9"));
        QCOMPARE(query.queryItemValue("h"), QString("10.0.0.5:8788"));
    }
};

QTEST_GUILESS_MAIN(PairingPayloadTest)
#include "PairingPayloadTest.moc"
