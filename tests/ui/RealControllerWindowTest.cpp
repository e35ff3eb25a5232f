#include "controller/AppController.h"
#include "settings/AppSettings.h"
#include "tests/controller/TestPlaces.h"
#include "tests/ui/WindowHarness.h"

#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

// Main.qml bound to the real AppController (not started): every name the window reads or calls
// exists on the controller, and the settings the window changes reach it.
class RealControllerWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { WindowHarness::prepareProcess(); }
    void init() { QTest::failOnWarning(QRegularExpression(".*")); }

    void bindsWithoutWarningsAndDrivesSettings();
};

void RealControllerWindowTest::bindsWithoutWarningsAndDrivesSettings()
{
    AppSettings stored;
    AppController controller(stored, testPlaces());
    QQmlApplicationEngine engine;
    engine.rootContext()->setContextProperty("app", &controller);
    engine.load(QUrl("qrc:/qml/Main.qml"));
    QVERIFY(!engine.rootObjects().isEmpty());
    auto* window = qobject_cast<QQuickWindow*>(engine.rootObjects().constFirst());
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(window->property("onLive").toBool(), false);

    QMetaObject::invokeMethod(window, "shotOpenView", Q_ARG(QVariant, "settings"));
    auto find = [window](const QString& name) {
        QList<QQuickItem*> pending{window->contentItem()};
        while (!pending.isEmpty()) {
            QQuickItem* item = pending.takeLast();
            if (item->objectName() == name)
                return item;
            pending << item->childItems();
        }
        return static_cast<QQuickItem*>(nullptr);
    };
    auto click = [window](QQuickItem* item) {
        QTest::mouseClick(
            window, Qt::LeftButton, Qt::NoModifier,
            item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint());
    };
    // Clicks go to the settings once they have faded and scaled in.
    QQuickItem* settings = find("settingsModal");
    QTRY_COMPARE(settings->opacity(), 1.0);
    QTRY_COMPARE(settings->findChild<QQuickItem*>("modalPanel")->scale(), 1.0);
    const int before = controller.themeMode();
    click(find("themeSegment_2"));
    QCOMPARE(controller.themeMode(), 2);
    QCOMPARE(window->property("dark").toBool(), true);
    click(find("themeSegment_1"));
    QCOMPARE(window->property("dark").toBool(), false);
    controller.setThemeMode(before);

    const bool tray = controller.minimizeToTray();
    click(find("trayToggle"));
    QCOMPARE(controller.minimizeToTray(), !tray);
    click(find("trayToggle"));
    QCOMPARE(controller.minimizeToTray(), tray);
    const bool lowLatency = controller.lowLatency();
    click(find("lowLatencyToggle"));
    QCOMPARE(controller.lowLatency(), !lowLatency);
    click(find("lowLatencyToggle"));
    QCOMPARE(controller.lowLatency(), lowLatency);

    // Every tab binds to the real controller.
    for (int tab = 1; tab < 4; ++tab) {
        click(find(QStringLiteral("settingsTab_%1").arg(tab)));
        QSignalSpy swapped(window, &QQuickWindow::frameSwapped); // the tab drawn
        window->update();
        QVERIFY(swapped.wait());
    }
    QCOMPARE(engine.rootObjects().size(), 1);
}

QTEST_MAIN(RealControllerWindowTest)
#include "RealControllerWindowTest.moc"
