#include "controller/AppController.h"
#include "settings/AppSettings.h"
#include "controller/StatusCard.h"
#include "tests/controller/TestCameraSink.h"
#include "tests/controller/TestPlaces.h"

#include <QStandardPaths>
#include <QTcpSocket>
#include <QTest>

// Starting and stopping, and the card pump that feeds the camera while no phone streams.
class CardPumpTest : public QObject {
    Q_OBJECT

    // The idle card as the controller should draw it, with the address phones pair at.
    static QImage idleCard(const AppController& app)
    {
        return StatusCard::idle({1280, 720}, app.hasLanAddress() ? app.pairAddress() : QString());
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void startTwiceAndStop()
    {
        AppSettings settings;
        AppController app(settings, testPlaces());
        TestCameraSink* camera = TestCameraSink::giveTo(app);
        QCOMPARE(app.status(), QStringLiteral("Idle"));
        app.start();
        QVERIFY(app.cameraReady());
        QCOMPARE(app.status(), QStringLiteral("Idle (ready to pair)"));
        // The pump shows the idle card.
        QTRY_VERIFY(camera->frameCount() > 0);
        QCOMPARE(camera->frame(), idleCard(app));
        const int port = app.port();
        app.start();
        QCOMPARE(app.port(), port);
        app.stop();
        QVERIFY(!app.cameraReady());
        QCOMPARE(app.status(), QStringLiteral("Stopped"));
    }

    // Below the idle card's two lines, the address phones pair at (here the screenshots' own).
    void idleCardShowsTheAddress()
    {
        AppSettings settings;
        AppController app(settings, testPlaces());
        TestCameraSink* camera = TestCameraSink::giveTo(app);
        app.screenshotMode = true;
        app.start();
        QTRY_VERIFY(camera->frameCount() > 0);
        QVERIFY(app.hasLanAddress());
        QCOMPARE(camera->frame(), idleCard(app));
        QVERIFY(camera->frame() != StatusCard::idle({1280, 720}, QString()));
    }

    // Whatever keeps the camera from starting, phones can still connect.
    void cameraThatCannotStartLeavesThePhonesAServer()
    {
        AppSettings settings;
        AppController app(settings, testPlaces());
        TestCameraSink::giveTo(app)->refuseStart = true;
        app.start();
        QVERIFY(!app.cameraReady());
        QCOMPARE(app.status(), QStringLiteral("softcam.dll not found or camera unavailable"));
        QVERIFY(app.port() > 0);
        QTcpSocket phone;
        phone.connectToHost(QHostAddress::LocalHost, quint16(app.port()));
        QVERIFY(phone.waitForConnected(5000));
    }

    // The pump runs on its own thread while the GUI thread flips the output switch and redraws
    // the card with new pairing data.
    void pumpRunsBesideTheGuiThread()
    {
        AppSettings settings;
        AppController app(settings, testPlaces());
        TestCameraSink* camera = TestCameraSink::giveTo(app);
        app.start();
        QTRY_VERIFY(app.framesSent() > 3);
        for (int i = 0; i < 20; ++i) {
            app.toggleOutput();
            app.regeneratePairing();
            const int taken = camera->frameCount();
            if (app.outputEnabled())
                QTRY_VERIFY(camera->frameCount() > taken);
        }
        QVERIFY(app.outputEnabled());
        // The pump has ended before the camera stops: every frame it counted reached the
        // running camera, and none came after.
        app.stop();
        QCOMPARE(camera->framesWhileStopped(), 0);
        QCOMPARE(app.framesSent(), qulonglong(camera->frameCount()));
    }
};

QTEST_MAIN(CardPumpTest)
#include "CardPumpTest.moc"
