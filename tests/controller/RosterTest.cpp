#include "controller/AppController.h"
#include "settings/AppSettings.h"
#include "tests/controller/TestCameraSink.h"
#include "tests/controller/TestPlaces.h"
#include "link/PhoneLink.h"
#include "tests/link/TestPhone.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <sys/stat.h>

#include <algorithm>
#include <memory>

// The controller's settings and its roster, driven by phones on real loopback sockets.
class RosterTest : public QObject {
    Q_OBJECT

private:
    // The code phones pair with, as the controller wrote it for them to scan.
    static QString pairingToken()
    {
        QFile file(TestSandbox::path() + QStringLiteral("/pairing-token.txt"));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).trimmed();
    }

    // The settings as the controller keeps them (objects on one file share their contents).
    static QSettings stored()
    {
        return {QSettings::IniFormat, QSettings::UserScope, "Vidlet", "Vidlet"};
    }

    // Everything the PC wrote to `phone` before this has arrived once its answer to a PING has.
    static bool settle(TestPhone& phone)
    {
        const auto pongs = [&phone] {
            return std::count_if(phone.frames.cbegin(), phone.frames.cend(),
                                 [](const auto& frame) { return frame.type == PhoneLink::PONG; });
        };
        const auto before = pongs();
        phone.send(PhoneLink::PING, 0, "{}");
        return QTest::qWaitFor([&] { return pongs() > before; }, 5000);
    }

    std::unique_ptr<TestPhone> connectPhone(AppController& app, const QString& deviceId,
                                            const QString& name)
    {
        auto phone = std::make_unique<TestPhone>();
        phone->answerPings = true;
        if (!phone->connectTo(quint16(app.port())))
            return nullptr;
        QJsonObject hello{{"v", 1},       {"deviceId", deviceId}, {"token", pairingToken()},
                          {"name", name}, {"model", "Sim"},       {"os", "17.0"}};
        phone->sendJson(PhoneLink::HELLO, hello);
        if (!phone->waitForType(PhoneLink::WELCOME))
            return nullptr;
        return phone;
    }

    static QString settingsFile()
    {
        return QSettings(QSettings::IniFormat, QSettings::UserScope, "Vidlet", "Vidlet").fileName();
    }

    static QList<quint8> typesAfterWelcome(const TestPhone& phone)
    {
        QList<quint8> types;
        for (const auto& frame : phone.frames) {
            if (frame.type != PhoneLink::WELCOME && frame.type != PhoneLink::PING
                && frame.type != PhoneLink::PONG)
                types << frame.type;
        }
        return types;
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        QSettings(QSettings::IniFormat, QSettings::UserScope, "Vidlet", "Vidlet").clear();
    }

    void settingsDefaults()
    {
        AppSettings settings;
        AppController app(settings, testPlaces());
        QCOMPARE(app.themeMode(), 0);
        QVERIFY(app.minimizeToTray());
        QCOMPARE(app.recordingFolder(),
                 QStandardPaths::writableLocation(QStandardPaths::MoviesLocation) + "/Vidlet");
        QCOMPARE(app.appVersion(), QStringLiteral("1.1"));
        QCOMPARE(app.activeId(), -1);
        QCOMPARE(app.status(), QStringLiteral("Idle"));
        QCOMPARE(app.serverInfo(), QStringLiteral("Not listening"));
        QCOMPARE(app.port(), 0);
        QVERIFY(app.phoneName().isEmpty());
    }

    void themeModeWriter_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("dark") << 2 << true;
        QTest::newRow("light") << 1 << true;
        QTest::newRow("current") << 0 << false;
        QTest::newRow("too large") << 3 << false;
        QTest::newRow("negative") << -1 << false;
    }

    void themeModeWriter()
    {
        QFETCH(int, mode);
        QFETCH(bool, accepted);
        AppSettings settings;
        AppController app(settings, testPlaces());
        QSignalSpy themeSpy(&app, &AppController::themeModeChanged);
        QSignalSpy changedSpy(&app, &AppController::changed);
        app.setThemeMode(mode);
        QCOMPARE(themeSpy.count(), accepted ? 1 : 0);
        QCOMPARE(changedSpy.count(), 0);
        AppSettings stored; // as the next start reads them
        AppController reread(stored, testPlaces());
        QCOMPARE(reread.themeMode(), accepted ? mode : 0);
    }

    void minimizeToTrayAndFolderWriters()
    {
        AppSettings settings;
        AppController app(settings, testPlaces());
        QSignalSpy spy(&app, &AppController::changed);
        app.setMinimizeToTray(true);
        QCOMPARE(spy.count(), 0);
        app.setMinimizeToTray(false);
        QCOMPARE(spy.count(), 1);

        app.setRecordingFolder("file:///tmp/Clips");
        QCOMPARE(app.recordingFolder(), QStringLiteral("/tmp/Clips"));
        app.setRecordingFolder("  /tmp/Clips  ");
        QCOMPARE(spy.count(), 2);
        app.setRecordingFolder("   ");
        QCOMPARE(app.recordingFolder(), QStringLiteral("/tmp/Clips"));

        AppSettings stored; // as the next start reads them
        AppController reread(stored, testPlaces());
        QVERIFY(!reread.minimizeToTray());
        QCOMPARE(reread.recordingFolder(), QStringLiteral("/tmp/Clips"));
    }

    void firstPhoneBecomesActiveOthersJoinInactive()
    {
        AppSettings settings;
        AppController app(settings, testPlaces());
        app.start();
        QVERIFY(app.port() > 0);
        QCOMPARE(app.status(), QStringLiteral("Idle (ready to pair)"));

        auto first = connectPhone(app, "dev-a", "Anna's phone");
        QVERIFY(first);
        QVERIFY(first->waitForType(PhoneLink::KEYFRAME_REQUEST));
        QCOMPARE(typesAfterWelcome(*first),
                 (QList<quint8>{PhoneLink::SET_ACTIVE, PhoneLink::KEYFRAME_REQUEST}));
        QCOMPARE(first->json(1).value("active").toBool(), true);

        auto second = connectPhone(app, "dev-b", "Ben's phone");
        QVERIFY(second);
        QTRY_COMPARE(app.phones().size(), 2);
        const int firstId = app.phones().at(0).toMap().value("id").toInt();
        const int secondId = app.phones().at(1).toMap().value("id").toInt();
        QCOMPARE(app.activeId(), firstId);
        QCOMPARE(app.phoneName(), QStringLiteral("Anna's phone"));
        QVERIFY(settle(*second));
        QVERIFY(typesAfterWelcome(*second).isEmpty());

        // Choosing the second phone tells both; choosing it again tells nobody.
        app.setActive(secondId);
        QVERIFY(second->waitForType(PhoneLink::KEYFRAME_REQUEST));
        QTRY_COMPARE(typesAfterWelcome(*first).size(), 3);
        QCOMPARE(typesAfterWelcome(*first).last(), PhoneLink::SET_ACTIVE);
        QCOMPARE(first->frames.last().payload, QByteArray("{\"active\":false}"));
        app.setActive(secondId);
        app.setActive(12345);
        QVERIFY(settle(*second));
        QCOMPARE(typesAfterWelcome(*second).size(), 2);
        QCOMPARE(app.activeId(), secondId);
    }

    void activePhoneLeavingHandsOverToTheOldest()
    {
        AppSettings settings;
        AppController app(settings, testPlaces());
        TestCameraSink* camera = TestCameraSink::giveTo(app);
        app.start();
        auto a = connectPhone(app, "dev-a", "A");
        auto b = connectPhone(app, "dev-b", "B");
        auto c = connectPhone(app, "dev-c", "C");
        QVERIFY(a && b && c);
        QTRY_COMPARE(app.phones().size(), 3);
        const int idB = app.phones().at(1).toMap().value("id").toInt();
        const int idC = app.phones().at(2).toMap().value("id").toInt();
        app.setActive(idC);

        // B's stream size is known, so the session goes live at it the moment B takes over.
        b->sendJson(PhoneLink::STREAM_INFO, {{"width", 640}, {"height", 360}, {"fps", 30}});
        QVERIFY(settle(*b));
        QVERIFY(!app.live());
        a->socket.disconnectFromHost();
        QTRY_COMPARE(app.phones().size(), 2);
        QCOMPARE(app.activeId(), idC);

        c->socket.disconnectFromHost();
        QTRY_COMPARE(app.activeId(), idB);
        QVERIFY(app.live());
        QCOMPARE(camera->size(), QSize(640, 360));
        QVERIFY(b->waitForType(PhoneLink::KEYFRAME_REQUEST));

        b->socket.disconnectFromHost();
        QTRY_COMPARE(app.activeId(), -1);
        QVERIFY(!app.phoneConnected());
        QVERIFY(app.phoneName().isEmpty());
        QVERIFY(!app.live());
        QCOMPARE(app.status(), QStringLiteral("Idle (ready to pair)"));
    }

    // Known phones keep their place, in the order they first paired, while they are away and
    // after a restart; one that is away can be forgotten, and a new pairing code forgets all.
    void knownPhonesKeepThePairingOrder()
    {
        const auto known = [](const AppController& app) {
            QStringList list;
            for (const QVariant& v : app.knownPhones()) {
                const QVariantMap m = v.toMap();
                list << QStringLiteral("%1 %2 %3 %4")
                            .arg(m["deviceId"].toString(), m["name"].toString(),
                                 m["model"].toString())
                            .arg(m["id"].toInt() >= 0 ? "online" : "offline");
            }
            return list;
        };
        {
            AppSettings settings;
            AppController app(settings, testPlaces());
            app.start();
            auto z = connectPhone(app, "dev-z", "Zed");
            QVERIFY(z);
            QTRY_COMPARE(app.phones().size(), 1);
            auto a = connectPhone(app, "dev-a", "Ann");
            QVERIFY(a);
            QTRY_COMPARE(app.phones().size(), 2);
            app.renamePhone(app.phones().at(1).toMap().value("id").toInt(), "Desk");
            QCOMPARE(known(app), (QStringList{"dev-z Zed Sim online", "dev-a Desk Sim online"}));
            z->socket.disconnectFromHost();
            QTRY_COMPARE(app.phones().size(), 1);
            QCOMPARE(known(app), (QStringList{"dev-z Zed Sim offline", "dev-a Desk Sim online"}));
            app.forgetPhone("dev-a"); // connected: it would pair again at once
            QCOMPARE(known(app), (QStringList{"dev-z Zed Sim offline", "dev-a Desk Sim online"}));
            // Back on a new connection, in its old place.
            auto again = connectPhone(app, "dev-z", "Zed");
            QVERIFY(again);
            QTRY_COMPARE(app.phones().size(), 2);
            QCOMPARE(known(app), (QStringList{"dev-z Zed Sim online", "dev-a Desk Sim online"}));
        }
        AppSettings stored; // as the next start reads them
        AppController restarted(stored, testPlaces());
        QCOMPARE(known(restarted),
                 (QStringList{"dev-z Zed Sim offline", "dev-a Desk Sim offline"}));
        QSignalSpy changed(&restarted, &AppController::changed);
        restarted.forgetPhone("dev-a");
        QCOMPARE(changed.count(), 1);
        restarted.forgetPhone("dev-a");
        restarted.forgetPhone("dev-never");
        QCOMPARE(changed.count(), 1);
        QCOMPARE(known(restarted), QStringList{"dev-z Zed Sim offline"});
        {
            AppSettings reread;
            QVERIFY(!reread.trustedPhones().contains("dev-a"));
            QCOMPARE(reread.phoneName("dev-a"), QString()); // the name the user gave it too
            QCOMPARE(reread.phoneOrder(), QStringList{"dev-z"});
        }
        restarted.start();
        restarted.regeneratePairing();
        QVERIFY(restarted.knownPhones().isEmpty());
    }

    // A phone that repeats HELLO on its connection is still one phone: when it leaves, the
    // roster is empty and the next phone becomes active.
    void helloTwiceLeavesNoGhost()
    {
        AppSettings settings;
        AppController app(settings, testPlaces());
        app.start();
        auto phone = connectPhone(app, "dev-twice", "Twice");
        QVERIFY(phone);
        phone->frames.clear();
        phone->sendJson(PhoneLink::HELLO,
                        {{"v", 1}, {"deviceId", "dev-twice"}, {"token", pairingToken()}});
        QVERIFY(phone->waitForType(PhoneLink::WELCOME));
        QCOMPARE(app.phones().size(), 1);

        phone->socket.disconnectFromHost();
        QTRY_COMPARE(app.activeId(), -1);
        QVERIFY(app.phones().isEmpty());
        auto next = connectPhone(app, "dev-next", "Next");
        QVERIFY(next);
        QVERIFY(next->waitForType(PhoneLink::SET_ACTIVE));
    }

    // QSettings reads "/" and "\" in a key as group separators.
    void deviceIdsReadBackAfterARestart_data()
    {
        QTest::addColumn<QString>("deviceId");
        QTest::addColumn<QString>("key");
        QTest::newRow("plain") << "00008101-ABC"
                               << "00008101-ABC";
        QTest::newRow("slash") << "vendor/model/42"
                               << "vendor%2Fmodel%2F42";
        QTest::newRow("backslash") << "lab\\rig"
                                   << "lab%5Crig";
        QTest::newRow("percent") << "100%sure"
                                 << "100%sure";
    }

    void deviceIdsReadBackAfterARestart()
    {
        QFETCH(QString, deviceId);
        QFETCH(QString, key);
        {
            AppSettings settings;
            AppController app(settings, testPlaces());
            app.start();
            auto phone = connectPhone(app, deviceId, "Own");
            QVERIFY(phone);
            QTRY_COMPARE(app.phones().size(), 1);
            app.renamePhone(app.phones().at(0).toMap().value("id").toInt(), "Desk");
            QVERIFY(stored().contains("trusted/" + key));
            QVERIFY(stored().contains("names/" + key));
        }
        AppSettings stored; // as the next start reads them
        AppController reread(stored, testPlaces());
        const QVariantList known = reread.knownPhones();
        QCOMPARE(known.size(), 1);
        QCOMPARE(known.at(0).toMap().value("deviceId").toString(), deviceId);
        QCOMPARE(known.at(0).toMap().value("name").toString(), QStringLiteral("Desk"));
    }

    void renameFollowsTheDevice()
    {
        AppSettings settings;
        AppController app(settings, testPlaces());
        app.start();
        auto phone = connectPhone(app, "dev-r", "Own name");
        QVERIFY(phone);
        QTRY_COMPARE(app.phones().size(), 1);
        int id = app.phones().at(0).toMap().value("id").toInt();

        app.renamePhone(id, "  Kitchen  ");
        QCOMPARE(app.phones().at(0).toMap().value("name").toString(), QStringLiteral("Kitchen"));
        QCOMPARE(app.phoneName(), QStringLiteral("Kitchen"));

        // The name is stored per device: it comes back when the phone reconnects.
        phone->socket.disconnectFromHost();
        QTRY_COMPARE(app.phones().size(), 0);
        phone = connectPhone(app, "dev-r", "Own name");
        QVERIFY(phone);
        QTRY_COMPARE(app.phones().size(), 1);
        QVariantMap entry = app.phones().at(0).toMap();
        QCOMPARE(entry.value("name").toString(), QStringLiteral("Kitchen"));
        QCOMPARE(entry.value("phoneName").toString(), QStringLiteral("Own name"));
        id = entry.value("id").toInt();

        for (const QString& back : {QStringLiteral("   "), QStringLiteral("Own name")}) {
            app.renamePhone(id, "Other");
            app.renamePhone(id, back);
            QCOMPARE(app.phones().at(0).toMap().value("name").toString(),
                     QStringLiteral("Own name"));
            QVERIFY(!stored().contains("names/dev-r"));
        }

        QSignalSpy spy(&app, &AppController::changed);
        app.renamePhone(id + 100, "Nobody");
        QCOMPARE(spy.count(), 0);
    }

    void pairedPhoneIsStoredAndRegenerationForgetsIt()
    {
        const QString file = settingsFile();
        QFile::remove(file);
        QDir(QFileInfo(file).absolutePath()).removeRecursively();
        const mode_t saved = umask(0);
        AppSettings settings;
        AppController app(settings, testPlaces());
        app.start();
        auto phone = connectPhone(app, "dev-p", "P");
        QVERIFY(phone);
        QTRY_VERIFY(stored().contains("trusted/dev-p"));
        stored().sync();
        umask(saved);
        // The stored tokens are the user's alone (POSIX modes; on Windows the profile's own
        // access rules keep them the user's).
#ifndef Q_OS_WIN
        struct stat st;
        QCOMPARE(stat(qPrintable(file), &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0600));
        QCOMPARE(stat(qPrintable(QFileInfo(file).absolutePath()), &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0700));
#endif
        const QString before = pairingToken();
        QCOMPARE(stored().value("trusted/dev-p").toString(), before);

        QSignalSpy spy(&app, &AppController::changed);
        app.regeneratePairing();
        QCOMPARE(spy.count(), 1);
        QVERIFY(pairingToken() != before);
        QVERIFY(!stored().contains("trusted/dev-p"));
        QVERIFY(app.qrDataUrl().startsWith("data:image/png;base64,"));
        // Connected phones stay connected.
        QCOMPARE(app.phones().size(), 1);

        // A phone that comes back with the old code is turned away, and the window is told
        // its name on one line, without the characters that would turn how the line reads
        // (a right-to-left override, a zero-width space), cut to what a card shows.
        QSignalSpy refused(&app, &AppController::pairingRefused);
        TestPhone stale;
        QVERIFY(stale.connectTo(quint16(app.port())));
        stale.sendJson(PhoneLink::HELLO,
                       {{"v", 1},
                        {"deviceId", "dev-q"},
                        {"token", before},
                        {"name", QStringLiteral("<b>Old</b>\u202e\u200b\t\n") + QString(60, 'x')}});
        QVERIFY(stale.waitForType(PhoneLink::REJECT));
        QCOMPARE(refused.size(), 1);
        QCOMPARE(refused.first().first().toString(), "<b>Old</b> " + QString(29, 'x'));
    }
};

QTEST_MAIN(RosterTest)
#include "RosterTest.moc"
