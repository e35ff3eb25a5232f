#include "usb/UsbMuxCodec.h"

#include <QTest>
#include <QtEndian>

namespace {

const QByteArray kPrologue = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                             "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                             "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                             "<plist version=\"1.0\"><dict>";

QByteArray lengthOnly(quint32 length)
{
    QByteArray bytes(16, '\0');
    qToLittleEndian<quint32>(length, bytes.data());
    return bytes;
}

QByteArray frame(const QByteArray& payload)
{
    return usbmux::buildHeader(quint32(payload.size()), 7) + payload;
}

// What the service sends when a phone is plugged in, laid out as the service writes it.
const QByteArray kAttached = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                             "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                             "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                             "<plist version=\"1.0\">\n"
                             "<dict>\n"
                             "\t<key>DeviceID</key>\n"
                             "\t<integer>12</integer>\n"
                             "\t<key>MessageType</key>\n"
                             "\t<string>Attached</string>\n"
                             "\t<key>Properties</key>\n"
                             "\t<dict>\n"
                             "\t\t<key>ConnectionSpeed</key>\n"
                             "\t\t<integer>480000000</integer>\n"
                             "\t\t<key>ConnectionType</key>\n"
                             "\t\t<string>USB</string>\n"
                             "\t\t<key>DeviceID</key>\n"
                             "\t\t<integer>12</integer>\n"
                             "\t\t<key>EscapedFullServiceName</key>\n"
                             "\t\t<string>a&amp;b &lt;c&gt; \"d\"</string>\n"
                             "\t\t<key>InterfaceIndex</key>\n"
                             "\t\t<array>\n"
                             "\t\t\t<integer>1</integer>\n"
                             "\t\t\t<dict><key>Inner</key><string>x</string></dict>\n"
                             "\t\t</array>\n"
                             "\t\t<key>NetworkAddress</key>\n"
                             "\t\t<data>\n"
                             "\t\tEAIAAMCoAQUAAAAAAAAAAA==\n"
                             "\t\t</data>\n"
                             "\t\t<key>Paired</key>\n"
                             "\t\t<true/>\n"
                             "\t\t<key>Trusted</key>\n"
                             "\t\t<false></false>\n"
                             "\t\t<key>Offset</key>\n"
                             "\t\t<integer>-5</integer>\n"
                             "\t\t<key>Speed</key>\n"
                             "\t\t<real>1.5</real>\n"
                             "\t\t<key>SerialNumber</key>\n"
                             "\t\t<string>00008030-001A</string>\n"
                             "\t</dict>\n"
                             "</dict>\n"
                             "</plist>\n";

} // namespace

class UsbMuxCodecTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void writesListenExactly()
    {
        const QByteArray payload = usbmux::buildPlist(usbmux::listenRequest());
        QCOMPARE(payload,
                 kPrologue
                     + "<key>ClientVersionString</key><string>Vidlet</string>"
                       "<key>MessageType</key><string>Listen</string>"
                       "<key>ProgName</key><string>Vidlet</string>"
                       "<key>kLibUSBMuxVersion</key><integer>3</integer>"
                       "</dict></plist>\n");
    }

    void writesConnectWithSwappedPort()
    {
        const QByteArray payload = usbmux::buildPlist(usbmux::connectRequest(12));
        QCOMPARE(payload,
                 kPrologue
                     + "<key>ClientVersionString</key><string>Vidlet</string>"
                       "<key>DeviceID</key><integer>12</integer>"
                       "<key>MessageType</key><string>Connect</string>"
                       "<key>PortNumber</key><integer>42782</integer>"
                       "<key>ProgName</key><string>Vidlet</string>"
                       "</dict></plist>\n");
    }

    void writesHeaderLittleEndian()
    {
        const QByteArray header = usbmux::buildHeader(0x1234, 0x01020304);
        QCOMPARE(header.toHex(),
                 QByteArray("44120000"
                            "01000000"
                            "08000000"
                            "04030201"));
    }

    void escapes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("escaped");
        QTest::newRow("mixed") << "a<b&c"
                               << "a&lt;b&amp;c";
        QTest::newRow("entity stays literal") << "&lt;"
                                              << "&amp;lt;";
        QTest::newRow("greater") << "x>y"
                                 << "x&gt;y";
        QTest::newRow("quotes untouched") << "\"it's\""
                                          << "\"it's\"";
    }
    void escapes()
    {
        QFETCH(QString, text);
        QFETCH(QString, escaped);
        QCOMPARE(usbmux::xmlEscape(text), escaped);
    }

    void writtenValuesReadBack()
    {
        const QVariantMap written{{"Key<&>", QString::fromUtf8("a<b&c \"q\" é 手机")},
                                  {"Flag", true},
                                  {"Off", false},
                                  {"Negative", qint64(-9000000000)}};
        const QByteArray payload = usbmux::buildPlist(written);
        QVERIFY(payload.contains("<key>Flag</key><integer>1</integer>"));
        QVERIFY(payload.contains("<key>Off</key><integer>0</integer>"));
        const QVariantMap read = usbmux::parsePlist(payload);
        QCOMPARE(read.value("Key<&>").toString(), written.value("Key<&>").toString());
        QCOMPARE(read.value("Flag"), QVariant(qint64(1)));
        QCOMPARE(read.value("Negative"), QVariant(qint64(-9000000000)));
    }

    void readsWhatTheServiceSends()
    {
        const QVariantMap message = usbmux::parsePlist(kAttached);
        QCOMPARE(message.value("DeviceID"), QVariant(qint64(12)));
        QCOMPARE(message.value("MessageType").toString(), QString("Attached"));
        const QVariant propertiesValue = message.value("Properties");
        QCOMPARE(propertiesValue.typeId(), QMetaType::QVariantMap);
        const QVariantMap properties = propertiesValue.toMap();
        QCOMPARE(properties.value("ConnectionType").toString(), QString("USB"));
        QCOMPARE(properties.value("DeviceID"), QVariant(qint64(12)));
        QCOMPARE(properties.value("EscapedFullServiceName").toString(), QString("a&b <c> \"d\""));
        // The array, and the dictionary inside it, leave no trace but an invalid value.
        QVERIFY(properties.contains("InterfaceIndex"));
        QVERIFY(!properties.value("InterfaceIndex").isValid());
        QVERIFY(!properties.contains("Inner"));
        QVERIFY(!properties.value("NetworkAddress").isValid());
        QVERIFY(!properties.value("Speed").isValid());
        QCOMPARE(properties.value("Paired"), QVariant(true));
        QCOMPARE(properties.value("Trusted"), QVariant(false));
        QCOMPARE(properties.value("Offset"), QVariant(qint64(-5)));
        QCOMPARE(properties.value("SerialNumber").toString(), QString("00008030-001A"));
        QCOMPARE(properties.size(), 11);
        QCOMPARE(message.size(), 3);
    }

    void readsOddPayloads_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QVariantMap>("expected");
        QTest::newRow("empty") << QByteArray() << QVariantMap();
        QTest::newRow("no dict") << QByteArray("<plist><array/></plist>") << QVariantMap();
        QTest::newRow("binary garbage") << QByteArray("\x00\xff\x13<<&&", 7) << QVariantMap();
        QTest::newRow("cut in the middle")
            << QByteArray("<plist><dict><key>A</key><integer>1</integer><key>B</key><str")
            << QVariantMap{{"A", qint64(1)}};
        QTest::newRow("mismatched tags")
            << QByteArray("<dict><key>A</key><string>x</string><key>B</key><string>y</integer>")
            << QVariantMap{{"A", "x"}};
        QTest::newRow("integer cut short")
            << QByteArray("<dict><key>A</key><true/><key>N</key><integer>12")
            << QVariantMap{{"A", true}};
        QTest::newRow("integer that does not parse")
            << QByteArray("<dict><key>N</key><integer>12abc</integer></dict>")
            << QVariantMap{{"N", qint64(0)}};
        QTest::newRow("value without key")
            << QByteArray("<dict><string>lonely</string><key>K</key><true/></dict>")
            << QVariantMap{{"", "lonely"}, {"K", true}};
        QTest::newRow("later value wins") << QByteArray(
            "<dict><key>K</key><integer>1</integer><key>K</key><integer>2</integer></dict>")
                                          << QVariantMap{{"K", qint64(2)}};
    }
    void readsOddPayloads()
    {
        QFETCH(QByteArray, payload);
        QFETCH(QVariantMap, expected);
        QCOMPARE(usbmux::parsePlist(payload), expected);
    }

    void survivesHostilePayloads_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::newRow("deep nesting") << QByteArray("<dict><key>k</key>").repeated(200000);
        QTest::newRow("entity expansion")
            << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE p [<!ENTITY a \"aaaaaaaaaaaaaaaa\">"
                          "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
                          "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
                          "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">"
                          "<!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\">"
                          "<!ENTITY f \"&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;\">]>"
                          "<dict><key>K</key><string>&f;&f;&f;&f;</string></dict>");
    }
    void survivesHostilePayloads()
    {
        QFETCH(QByteArray, payload);
        const QVariantMap map = usbmux::parsePlist(payload);
        QVERIFY(map.value("K").toString().size() < 1000000);
    }

    void framesByLength_data()
    {
        QTest::addColumn<quint32>("length");
        QTest::addColumn<bool>("cleared");
        QTest::newRow("0") << 0u << true;
        QTest::newRow("15") << 15u << true;
        QTest::newRow("4 MiB + 1") << 0x400001u << true;
        QTest::newRow("largest") << 0xFFFFFFFFu << true;
        QTest::newRow("18, waits") << 18u << false;
        QTest::newRow("4 MiB, waits") << 0x400000u << false;
    }
    void framesByLength()
    {
        QFETCH(quint32, length);
        QFETCH(bool, cleared);
        QByteArray buffer = lengthOnly(length) + "x";
        QVariantMap message;
        QVERIFY(!usbmux::takeMessage(buffer, message));
        QCOMPARE(buffer.isEmpty(), cleared);
        if (!cleared)
            QCOMPARE(usbmux::bytesMissing(buffer), qsizetype(length) - buffer.size());
    }

    void takesHeaderOnlyMessageAsEmptyMap()
    {
        QByteArray buffer = lengthOnly(16);
        QVariantMap message{{"stale", 1}};
        QVERIFY(usbmux::takeMessage(buffer, message));
        QVERIFY(message.isEmpty());
        QVERIFY(buffer.isEmpty());
    }

    void takesLargestMessage()
    {
        const QByteArray shell = usbmux::buildPlist({{"S", QString()}});
        const QString big(0x400000 - 16 - shell.size(), QLatin1Char('x'));
        QByteArray buffer = frame(usbmux::buildPlist({{"S", big}}));
        QCOMPARE(buffer.size(), 0x400000);
        const QByteArray last = buffer.right(1);
        buffer.chop(1);
        QVariantMap message;
        QVERIFY(!usbmux::takeMessage(buffer, message));
        QCOMPARE(usbmux::bytesMissing(buffer), qsizetype(1));
        buffer += last + "next";
        QVERIFY(usbmux::takeMessage(buffer, message));
        QCOMPARE(message.value("S").toString().size(), big.size());
        QCOMPARE(buffer, QByteArray("next"));
    }

    void takesSplitAndMergedMessages()
    {
        const QByteArray first =
            frame(usbmux::buildPlist({{"MessageType", "Result"}, {"Number", 0}}));
        const QByteArray second = frame(kAttached);
        const QByteArray stream = first + second;
        QByteArray buffer;
        QList<QVariantMap> taken;
        // One byte at a time: each message appears exactly when its last byte arrives.
        for (qsizetype i = 0; i < stream.size(); ++i) {
            buffer += stream.at(i);
            QVariantMap message;
            if (usbmux::takeMessage(buffer, message)) {
                QVERIFY(i == first.size() - 1 || i == stream.size() - 1);
                taken.append(message);
            }
        }
        QCOMPARE(taken.size(), 2);
        QVERIFY(usbmux::isSuccess(taken.at(0)));
        QCOMPARE(taken.at(1).value("MessageType").toString(), QString("Attached"));

        buffer = stream;
        QVariantMap message;
        QVERIFY(usbmux::takeMessage(buffer, message));
        QVERIFY(usbmux::takeMessage(buffer, message));
        QCOMPARE(message.value("DeviceID"), QVariant(qint64(12)));
        QVERIFY(buffer.isEmpty());
    }

    void judgesResults_data()
    {
        QTest::addColumn<QByteArray>("dict");
        QTest::addColumn<bool>("success");
        QTest::newRow("zero") << QByteArray("<key>MessageType</key><string>Result</string>"
                                            "<key>Number</key><integer>0</integer>")
                              << true;
        QTest::newRow("refused") << QByteArray("<key>MessageType</key><string>Result</string>"
                                               "<key>Number</key><integer>3</integer>")
                                 << false;
        QTest::newRow("no number")
            << QByteArray("<key>MessageType</key><string>Result</string>") << false;
        QTest::newRow("number as text")
            << QByteArray("<key>MessageType</key><string>Result</string>"
                          "<key>Number</key><string>0</string>")
            << false;
        QTest::newRow("no type") << QByteArray("<key>Number</key><integer>0</integer>") << false;
    }
    void judgesResults()
    {
        QFETCH(QByteArray, dict);
        QFETCH(bool, success);
        QCOMPARE(usbmux::isSuccess(usbmux::parsePlist("<dict>" + dict + "</dict>")), success);
    }
};

QTEST_GUILESS_MAIN(UsbMuxCodecTest)
#include "UsbMuxCodecTest.moc"
