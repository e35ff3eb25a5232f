#include "controller/PairingData.h"
#include "tests/controller/LanAdapter.h"

#include <QFile>
#include <QHostInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QUrlQuery>

namespace {

const QList<LanInterface> homeNetwork = {lanAdapter("Ethernet", 5, {"10.0.0.5"}),
                                         lanAdapter("Wi-Fi", 3, {"192.168.1.20"})};
const QString token = "abcdefghijklmnopqrstuv";

} // namespace

class PairingDataTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void describesTheLan()
    {
        const PairingData data =
            PairingData::compute(8788, token, "Sam's PC", homeNetwork, 3, false);
        QCOMPARE(data.pcName, QString("Sam's PC"));
        QCOMPARE(data.token, token);
        QCOMPARE(data.pairAddress, QString("192.168.1.20:8788"));
        QCOMPARE(data.payload,
                 "vidlet://pair?v=1&pc=Sam%27s%20PC&t=" + token
                     + "&h=192.168.1.20:8788,10.0.0.5:8788");
        QVERIFY(data.qrDataUrl.startsWith("data:image/png;base64,"));
    }

    void portZeroShowsTheDefaultPort()
    {
        const PairingData data = PairingData::compute(0, token, "pc", homeNetwork, 3, false);
        QCOMPARE(data.addresses, (QStringList{"192.168.1.20:8788", "10.0.0.5:8788"}));
    }

    void withoutAddressesThePhoneStillGetsTheToken()
    {
        const PairingData data = PairingData::compute(9000, token, "pc", {}, 0, false);
        QCOMPARE(data.pairAddress, QString("No LAN address found"));
        QCOMPARE(data.payload, "vidlet://pair?v=1&pc=pc&t=" + token);
        QVERIFY(!data.qrDataUrl.isEmpty());
    }

    void screenshotModeShowsDemonstrationValues()
    {
        const PairingData data =
            PairingData::compute(9000, token, "real-host", homeNetwork, 3, true);
        QCOMPARE(data.pcName, QString("DESKTOP-VIDLET"));
        QCOMPARE(data.addresses, QStringList{"192.168.1.42:9000"});
        QCOMPARE(data.pairAddress, QString("192.168.1.42:9000"));
        QCOMPARE(data.token, token);

        const QUrlQuery query{QUrl(data.payload)};
        QCOMPARE(query.queryItemValue("pc"), QString("DESKTOP-VIDLET"));
        QCOMPARE(query.queryItemValue("h"), QString("192.168.1.42:9000"));
        const QString shownToken = query.queryItemValue("t");
        QVERIFY(QRegularExpression("^[A-Za-z0-9]{16}$").match(shownToken).hasMatch());
        QVERIFY(!data.payload.contains(token));
    }

    void refreshMakesAndSavesANewTokenEachTime()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile file(dir.filePath("pairing-token.txt"));

        const PairingData first =
            PairingData::refresh(0, false, dir.path(), LanAddresses::system());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()), first.token);
        file.close();
        QCOMPARE(first.token.size(), 22);
        QCOMPARE(first.pcName, QHostInfo::localHostName());
        QVERIFY(first.payload.contains("&t=" + first.token));
        QVERIFY(!first.qrDataUrl.isEmpty());

        const PairingData second =
            PairingData::refresh(0, false, dir.path(), LanAddresses::system());
        QVERIFY(second.token != first.token);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()), second.token);
    }
};

QTEST_MAIN(PairingDataTest)
#include "PairingDataTest.moc"
