#include "settings/AppSettings.h"
#include "settings/DeviceKey.h"

#include <QSettings>
#include <QStandardPaths>
#include <QTest>

// The settings file is the users' own: every value is written under the key earlier versions
// wrote, so that an upgrade keeps them, and reads what such a version left.
class AppSettingsTest : public QObject {
    Q_OBJECT

    static QSettings raw()
    {
        return {QSettings::IniFormat, QSettings::UserScope, "Vidlet", "Vidlet"};
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { raw().clear(); }

    void defaultsOfAFreshFile()
    {
        const AppSettings settings;
        QCOMPARE(settings.themeMode(), 0);
        QVERIFY(settings.minimizeToTray());
        QVERIFY(!settings.lowLatency());
        QCOMPARE(settings.recordingQuality(), 0);
        QCOMPARE(settings.language(), QStringLiteral("auto"));
        QVERIFY(settings.recordingFolder().endsWith(QStringLiteral("/Vidlet")));
        QVERIFY(settings.trustedPhones().isEmpty());
    }

    void writesUnderTheKeysEarlierVersionsRead()
    {
        AppSettings settings;
        settings.setThemeMode(2);
        settings.setMinimizeToTray(false);
        settings.setLowLatency(true);
        settings.setRecordingFolder(QStringLiteral("/tmp/Clips"));
        settings.setRecordingQuality(1);
        settings.setLanguage(QStringLiteral("de"));
        settings.trustPhone(QStringLiteral("a/b"), QStringLiteral("token"));
        settings.setPhoneName(QStringLiteral("a/b"), QStringLiteral("Work phone"));
        settings.setPhoneOrder({QStringLiteral("a/b")});
        settings.setPhoneSeen(QStringLiteral("a/b"), {"Pixel", "Pixel 8", "14"});

        const QSettings file = raw();
        QCOMPARE(file.value("theme/mode").toInt(), 2);
        QCOMPARE(file.value("options/minimizeToTray").toBool(), false);
        QCOMPARE(file.value("options/lowLatency").toBool(), true);
        QCOMPARE(file.value("recording/folder").toString(), QStringLiteral("/tmp/Clips"));
        QCOMPARE(file.value("recording/quality").toInt(), 1);
        QCOMPARE(file.value("language").toString(), QStringLiteral("de"));
        // A "/" in a device id would open a group: it is kept percent-encoded.
        QCOMPARE(file.value("trusted/a%2Fb").toString(), QStringLiteral("token"));
        QCOMPARE(file.value("names/a%2Fb").toString(), QStringLiteral("Work phone"));
        QCOMPARE(file.value("phoneOrder").toStringList(), QStringList{"a/b"});
        QCOMPARE(file.value("known/a%2Fb").toStringList(), (QStringList{"Pixel", "Pixel 8", "14"}));
    }

    // No two device ids share a key, whatever characters they hold.
    void everyDeviceIdHasAKeyOfItsOwn()
    {
        const QStringList ids{"a/b", "a%2Fb", "a\\b", "a%5Cb", "50%", "%", "%252F", "plain"};
        QStringList keys;
        for (const QString& id : ids) {
            keys << DeviceKey::fromDeviceId(id);
            QCOMPARE(DeviceKey::toDeviceId(keys.last()), id);
            QVERIFY(!keys.last().contains('/') && !keys.last().contains('\\'));
        }
        keys.removeDuplicates();
        QCOMPARE(keys.size(), ids.size());
        // Keys of earlier versions read as they did.
        QCOMPARE(DeviceKey::toDeviceId("a%2Fb"), QStringLiteral("a/b"));
        QCOMPARE(DeviceKey::toDeviceId("50%"), QStringLiteral("50%"));
    }

    void readsWhatAnEarlierVersionLeft()
    {
        {
            QSettings file = raw();
            file.setValue("trusted/dev-1", "t1");
            file.setValue("trusted/a%5Cb", "t2");
            file.setValue("names/dev-1", "Kitchen");
            file.setValue("recording/quality", 7); // not a quality: Standard
        }
        const AppSettings settings;
        const QHash<QString, QString> trusted{{"dev-1", "t1"}, {"a\\b", "t2"}};
        QCOMPARE(settings.trustedPhones(), trusted);
        QCOMPARE(settings.phoneName("dev-1", "Pixel"), QStringLiteral("Kitchen"));
        QCOMPARE(settings.phoneName("dev-2", "Pixel"), QStringLiteral("Pixel"));
        QCOMPARE(settings.recordingQuality(), 0);
    }

    // A new pairing code forgets every paired phone, but the names the user gave stay for
    // when a phone pairs again.
    void forgettingPhonesKeepsTheirNames()
    {
        AppSettings settings;
        settings.trustPhone("dev-1", "t1");
        settings.setPhoneOrder({"dev-1"});
        settings.setPhoneSeen("dev-1", {"Pixel"});
        settings.setPhoneName("dev-1", "Kitchen");
        settings.forgetPairedPhones();
        QVERIFY(settings.trustedPhones().isEmpty());
        QVERIFY(settings.phoneOrder().isEmpty());
        QVERIFY(settings.phoneSeen("dev-1").isEmpty());
        QCOMPARE(settings.phoneName("dev-1"), QStringLiteral("Kitchen"));
        settings.setPhoneName("dev-1", QString());
        QVERIFY(!raw().contains("names/dev-1"));
    }
};

QTEST_GUILESS_MAIN(AppSettingsTest)
#include "AppSettingsTest.moc"
