#include "controller/AppController.h"
#include "settings/AppSettings.h"
#include "TestPlaces.h"
#include "tests/controller/TestCameraSink.h"
#include "link/PhoneLink.h"
#include "tests/usb/FakeMuxService.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <memory>
#include <mutex>

// When the controller asks the system about the camera and the firewall, against a stand-in
// backend. Phones come over a usbmux service inside the test, so nothing listens on the LAN.
class ControllerSystemTest : public QObject {
    Q_OBJECT

    // What the stand-in backend reports and what was asked of it, in order. The firewall is
    // asked on the controller's firewall thread.
    struct Machine {
        bool registered = false;
        std::atomic<bool> blocked{false};

        void record(const char* call)
        {
            std::lock_guard<std::mutex> guard(lock);
            calls << QString::fromLatin1(call);
        }
        QStringList log() const
        {
            std::lock_guard<std::mutex> guard(lock);
            return calls;
        }
        void clearLog()
        {
            std::lock_guard<std::mutex> guard(lock);
            calls.clear();
        }

    private:
        mutable std::mutex lock;
        QStringList calls;
    };

    class FakeSystem : public SystemIntegration {
    public:
        explicit FakeSystem(std::shared_ptr<Machine> machine)
            : machine(std::move(machine))
        {
        }
        bool isCameraRegistered() const override { return machine->registered; }
        bool isInboundBlocked() const override
        {
            machine->record("query");
            return machine->blocked;
        }
        void registerCamera(std::function<void()> done) override
        {
            act(
                "register", [m = machine] { m->registered = true; }, done);
        }
        void unregisterCamera(std::function<void()> done) override
        {
            act(
                "unregister", [m = machine] { m->registered = false; }, done);
        }
        void allowThroughFirewall(std::function<void()> done) override
        {
            act(
                "allow", [m = machine] { m->blocked = false; }, done);
        }

    private:
        // Ends later, as an elevated child does.
        void act(const char* name, std::function<void()> change, std::function<void()> done)
        {
            machine->record(name);
            QTimer::singleShot(0, [change, done] {
                change();
                done();
            });
        }
        std::shared_ptr<Machine> machine;
    };

    QTemporaryDir dir;
    std::unique_ptr<FakeMuxService> usbService;
    std::unique_ptr<AppSettings> settings;
    std::unique_ptr<AppController> app;
    std::shared_ptr<Machine> machine;

    // One tick of the 500 ms statistics timer, without the wait.
    void tick(int count = 1)
    {
        QTimer* stats = app->findChild<QTimer*>(QStringLiteral("statsTimer"));
        QVERIFY(stats);
        for (int i = 0; i < count; ++i)
            QMetaObject::invokeMethod(stats, "timeout", Qt::DirectConnection);
    }

    int queries() const { return int(machine->log().count(QStringLiteral("query"))); }

    // The firewall's answers, which come from its thread.
    std::unique_ptr<QSignalSpy> answers;

    // A phone on the USB road: attached, tunnelled and past its HELLO with the current token.
    FakeMuxService::Peer* attachPhone()
    {
        app->regeneratePairing();
        if (!QTest::qWaitFor([this] { return answers->count() == 1; }, 3000))
            return nullptr;
        answers->clear();
        machine->clearLog();
        QFile tokenFile(TestSandbox::path() + QStringLiteral("/pairing-token.txt"));
        if (!tokenFile.open(QIODevice::ReadOnly))
            return nullptr;
        const QString token = QString::fromUtf8(tokenFile.readAll()).trimmed();
        const bool listening = QTest::qWaitFor([this] { return usbService->lastControl(); }, 3000);
        if (!listening)
            return nullptr;
        usbService->send(usbService->lastControl(), FakeMuxService::attached(5, 5));
        if (!QTest::qWaitFor([this] { return !usbService->tunnels().isEmpty(); }, 3000))
            return nullptr;
        FakeMuxService::Peer* tunnel = usbService->tunnels().constLast();
        const QByteArray hello = PhoneLink::jsonPayload({{"v", PhoneLink::protocolVersion},
                                                         {"deviceId", "dev-5"},
                                                         {"token", token},
                                                         {"name", "Phone"},
                                                         {"model", "Sim"},
                                                         {"os", "17"}});
        usbService->sendRaw(tunnel, PhoneLink::header(PhoneLink::HELLO, 0, hello.size()) + hello);
        return QTest::qWaitFor([this] { return app->phoneConnected(); }, 3000) ? tunnel : nullptr;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        // The settings store lives in the throw-away folder, not in the user's.
        qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
    }

    void init()
    {
        usbService = std::make_unique<FakeMuxService>();
        QVERIFY(usbService->listenNatively(dir.filePath("usbmuxd")));
        AppController::Places places = testPlaces();
        places.usbService = usbService->endpoint();
        settings = std::make_unique<AppSettings>();
        app = std::make_unique<AppController>(*settings, places);
        machine = std::make_shared<Machine>();
        app->setSystemIntegration(std::make_unique<FakeSystem>(machine));
        answers = std::make_unique<QSignalSpy>(
            app->findChild<FirewallWatch*>(QStringLiteral("firewallWatch")),
            &FirewallWatch::answered);
        // The controller's USB client has found the service, which the window hears of: no
        // test counts that notification as its own.
        QTRY_VERIFY(usbService->lastControl());
        QTRY_VERIFY(app->usbAvailable());
    }

    void cleanup()
    {
        answers.reset();
        app.reset();
        usbService.reset();
        QFile::remove(dir.filePath("usbmuxd"));
    }

    void readsTheCameraAfreshAndNotifiesAfterEachAction()
    {
        QSignalSpy changed(app.get(), &AppController::changed);
        QVERIFY(!app->cameraRegistered());
        machine->registered = true; // registered outside the program
        QVERIFY(app->cameraRegistered());

        app->unregisterCamera();
        QVERIFY(changed.isEmpty()); // the window goes on while the helper works
        QTRY_VERIFY(!app->cameraRegistered());
        QVERIFY(!changed.isEmpty());
        changed.clear();
        app->registerCamera();
        QTRY_VERIFY(app->cameraRegistered());
        QVERIFY(!changed.isEmpty());
        QCOMPARE(machine->log(), (QStringList{"unregister", "register"}));
    }

    // The Camera tab's PipeWire line says what the camera knows (PipeWire lists its node now),
    // not merely that a PipeWire socket exists.
    void pipewireLineFollowsTheCamera()
    {
        TestCameraSink* camera = TestCameraSink::giveTo(*app);
        app->start();
        QVERIFY(!app->pipewireCamera());
        camera->onPipewire = true;
        QVERIFY(app->pipewireCamera());
    }

    // Once a program has read the camera through PipeWire, the window stops recommending the
    // registration for good: the next start remembers it.
    void aPipewireReaderIsRemembered()
    {
        TestCameraSink* camera = TestCameraSink::giveTo(*app);
        app->start();
        camera->onPipewire = true;
        tick();
        QVERIFY(!app->pipewireReaderSeen());
        camera->readThroughPipewire = true;
        tick();
        QVERIFY(app->pipewireReaderSeen());
        camera->readThroughPipewire = false;
        tick();
        QVERIFY(app->pipewireReaderSeen());
        answers.reset();
        app.reset();
        QVERIFY(AppSettings().pipewireReaderSeen());
    }

    // Once the camera's segment was cut short, the window says so for the rest of the run, also
    // after the camera is made anew.
    void aCutSegmentIsSaidForTheRun()
    {
        TestCameraSink* camera = TestCameraSink::giveTo(*app);
        app->start();
        tick();
        QVERIFY(!app->cameraSegmentCutShort());
        camera->segmentCutShort = true;
        tick();
        QVERIFY(app->cameraSegmentCutShort());
        camera->segmentCutShort = false;
        tick();
        QVERIFY(app->cameraSegmentCutShort());
    }

    void regeneratingThePairingRechecksTheFirewall_data()
    {
        QTest::addColumn<bool>("blocked");
        QTest::addColumn<int>("notifications");
        // regeneratePairing() always notifies once; a new verdict adds one.
        QTest::newRow("verdict changes") << true << 2;
        QTest::newRow("verdict stays") << false << 1;
    }

    void regeneratingThePairingRechecksTheFirewall()
    {
        QFETCH(bool, blocked);
        QFETCH(int, notifications);
        machine->blocked = blocked;
        QSignalSpy changed(app.get(), &AppController::changed);
        app->regeneratePairing();
        QCOMPARE(changed.count(), 1); // at once: the question goes to the firewall's thread
        QTRY_COMPARE(answers->count(), 1);
        QCOMPARE(queries(), 1);
        QCOMPARE(app->firewallBlocked(), blocked);
        QCOMPARE(changed.count(), notifications);
    }

    void startingChecksTheFirewall()
    {
        machine->blocked = true;
        app->start();
        QTRY_COMPARE(answers->count(), 1);
        QCOMPARE(queries(), 1);
        QVERIFY(app->firewallBlocked());
    }

    void allowingRechecksAfterTheHelperRan()
    {
        machine->blocked = true;
        app->regeneratePairing();
        QTRY_VERIFY(app->firewallBlocked());
        machine->clearLog();

        QSignalSpy changed(app.get(), &AppController::changed);
        app->allowThroughFirewall();
        QVERIFY(app->firewallBlocked()); // the helper is still at work
        QTRY_VERIFY(!app->firewallBlocked());
        QVERIFY(!changed.isEmpty());
        QCOMPARE(machine->log(), (QStringList{"allow", "query"}));
    }

    void idleTicksRecheckEveryTwentieth()
    {
        tick(19);
        QCOMPARE(queries(), 0);
        machine->blocked = true; // a block rule appears outside the program
        QSignalSpy changed(app.get(), &AppController::changed);
        tick();
        QTRY_COMPARE(answers->count(), 1);
        QCOMPARE(queries(), 1);
        QVERIFY(app->firewallBlocked());
        QCOMPARE(changed.count(), 2); // the tick's own and the new verdict
        tick(19);
        QCOMPARE(queries(), 1);
        tick();
        QTRY_COMPARE(answers->count(), 2);
        QCOMPARE(queries(), 2);
    }

    // A laptop started before its Wi-Fi connected: the code and the address follow the network
    // within the idle check, with the same token, so no phone has to pair again.
    void addressesFollowTheNetworkWithTheSameToken()
    {
        auto adapters = std::make_shared<QList<LanInterface>>();
        AppController::Places places = testPlaces();
        places.usbService = usbService->endpoint();
        places.lanInterfaces = [adapters] { return *adapters; };
        answers.reset();
        app = std::make_unique<AppController>(*settings, places);
        app->setSystemIntegration(std::make_unique<FakeSystem>(machine));
        app->start();
        QCOMPARE(app->pairAddress(), QStringLiteral("No LAN address found"));
        const QString code = app->qrDataUrl();
        QFile tokenFile(TestSandbox::path() + QStringLiteral("/pairing-token.txt"));
        QVERIFY(tokenFile.open(QIODevice::ReadOnly));
        const QByteArray token = tokenFile.readAll();
        tokenFile.close();

        LanInterface wifi;
        wifi.name = QStringLiteral("Wi-Fi");
        wifi.index = 7;
        wifi.up = wifi.running = true;
        wifi.addresses = {QHostAddress(QStringLiteral("192.168.1.23"))};
        adapters->append(wifi);
        QSignalSpy changed(app.get(), &AppController::changed);
        tick(19);
        QCOMPARE(app->pairAddress(), QStringLiteral("No LAN address found"));
        QTest::ignoreMessage(
            QtInfoMsg, QRegularExpression("^Vidlet: the LAN addresses are now 192.168.1.23:"));
        tick();
        QVERIFY(app->pairAddress().startsWith(QStringLiteral("192.168.1.23:")));
        QVERIFY(app->qrDataUrl() != code);
        QVERIFY(changed.count() >= 1);
        QVERIFY(tokenFile.open(QIODevice::ReadOnly));
        QCOMPARE(tokenFile.readAll(), token); // the same secret: paired phones stay paired

        // The same network again changes nothing.
        changed.clear();
        tick(20);
        QVERIFY(app->pairAddress().startsWith(QStringLiteral("192.168.1.23:")));
        QCOMPARE(changed.count(), 20); // each tick's own notice only
    }

    // Phones look for the port they paired with: when another program holds it, the program
    // still listens, on another port, and says which one it could not have.
    void aTakenPortIsSaid()
    {
        QTcpServer holder;
        QVERIFY(holder.listen(QHostAddress::Any));
        AppController::Places places = testPlaces();
        places.usbService = usbService->endpoint();
        places.port = holder.serverPort();
        answers.reset();
        app = std::make_unique<AppController>(*settings, places);
        app->setSystemIntegration(std::make_unique<FakeSystem>(machine));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot listen on port"));
        app->start();
        QCOMPARE(app->portTaken(), int(holder.serverPort()));
        QVERIFY(app->port() != int(holder.serverPort()));
        QVERIFY(app->port() > 0);
        app->stop();
        holder.close();
        app->start();
        QCOMPARE(app->portTaken(), 0);
        QCOMPARE(app->port(), int(places.port));
    }

    void ticksStandStillWhileAPhoneIsConnected()
    {
        tick(10);
        FakeMuxService::Peer* phone = attachPhone();
        QVERIFY(phone);
        tick(30);
        QCOMPARE(queries(), 0);

        usbService->drop(phone);
        QTRY_VERIFY(!app->phoneConnected());
        tick(9);
        QCOMPARE(queries(), 0);
        tick(); // the twentieth tick without a phone
        QTRY_COMPARE(answers->count(), 1);
        QCOMPARE(queries(), 1);
    }
};

QTEST_MAIN(ControllerSystemTest)
#include "ControllerSystemTest.moc"
