#include "tests/ui/WindowHarness.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

// Theme, AppButton and Modal on their own, in small scenes built from the program's resources.
class SharedComponentsTest : public QObject {
    Q_OBJECT

private:
    struct Scene {
        QQmlEngine engine;
        std::unique_ptr<QQuickWindow> window;
        QQuickItem* root = nullptr;

        explicit Scene(const QByteArray& body, QSize size = QSize(540, 640))
        {
            QQmlComponent c(&engine);
            c.setData("import QtQuick\nimport Vidlet 1.0\nimport \"qrc:/qml\"\nItem {\n" + body
                          + "\n}",
                      QUrl("qrc:/qml/Scene.qml"));
            if (c.isError())
                qWarning() << c.errors();
            root = qobject_cast<QQuickItem*>(c.create());
            if (!root)
                return;
            window = std::make_unique<QQuickWindow>();
            window->resize(size);
            root->setParentItem(window->contentItem());
            root->setSize(size);
            window->show();
            if (!QTest::qWaitForWindowExposed(window.get()))
                root = nullptr;
        }
        ~Scene() { delete root; }
        QQuickItem* item(const char* name) const { return root->findChild<QQuickItem*>(name); }
        void click(QQuickItem* item) const
        {
            QTest::mouseClick(
                window.get(), Qt::LeftButton, Qt::NoModifier,
                item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint());
        }
    };

private Q_SLOTS:
    void initTestCase() { WindowHarness::prepareProcess(); }
    void init() { QTest::failOnWarning(QRegularExpression(".*")); }

    void themeSwitchesEveryToken();
    void buttonHugsLabelAndIgnoresClicksWhenDisabled();
    void buttonRestFillsAreTransparentOfTheirOwnColour();
    void modalPanelHeight_data();
    void modalPanelHeight();
    void modalFollowsTheTheme();
};

void SharedComponentsTest::themeSwitchesEveryToken()
{
    Scene s("property color accent: Theme.accent\nproperty color bg: Theme.bg\n"
            "AppButton { objectName: 'b'; text: 'Go'; variant: 'primary' }");
    QVERIFY(s.root);
    QObject* theme = s.engine.singletonInstance<QObject*>(qmlTypeId("Vidlet", 1, 0, "Theme"));
    QVERIFY(theme);
    theme->setProperty("dark", true);
    QCOMPARE(s.root->property("accent").value<QColor>(), QColor("#22d0c1"));
    QCOMPARE(s.root->property("bg").value<QColor>(), QColor("#0b0e15"));
    theme->setProperty("dark", false);
    QCOMPARE(s.root->property("accent").value<QColor>(), QColor("#0bab9d"));
    QCOMPARE(s.root->property("bg").value<QColor>(), QColor("#ffffff"));
    QCOMPARE(theme->property("red").value<QColor>(), QColor("#ef5b52"));
    QCOMPARE(theme->property("chipScrim").value<QColor>(), QColor(0, 0, 0, 0x99));
    QVariant half;
    QMetaObject::invokeMethod(theme, "pill", Q_RETURN_ARG(QVariant, half), Q_ARG(QVariant, 30));
    QCOMPARE(half.toDouble(), 15.0);
    theme->setProperty("dark", true);
}

void SharedComponentsTest::buttonHugsLabelAndIgnoresClicksWhenDisabled()
{
    Scene s("AppButton { objectName: 'wide'; text: 'Regenerate'; y: 0 }\n"
            "AppButton { objectName: 'narrow'; text: 'Go'; minWidth: 120; y: 50 }\n"
            "AppButton { objectName: 'off'; text: 'Off'; enabled: false; y: 100 }");
    QVERIFY(s.root);
    QQuickItem* wide = s.item("wide");
    QQuickItem* narrow = s.item("narrow");
    QQuickItem* off = s.item("off");
    QCOMPARE(wide->height(), 34.0);
    QVERIFY(wide->width() > 2 * 17 + 40);
    QCOMPARE(narrow->width(), 120.0);
    QCOMPARE(off->opacity(), 0.45);

    QSignalSpy wideClicks(wide, SIGNAL(clicked()));
    QSignalSpy offClicks(off, SIGNAL(clicked()));
    s.click(wide);
    s.click(off);
    QCOMPARE(wideClicks.size(), 1);
    QCOMPARE(offClicks.size(), 0);
}

void SharedComponentsTest::buttonRestFillsAreTransparentOfTheirOwnColour()
{
    Scene s("AppButton { objectName: 'outline'; text: 'A'; variant: 'outline' }\n"
            "AppButton { objectName: 'danger'; text: 'B'; variant: 'danger'; y: 50 }");
    QVERIFY(s.root);
    const QColor outline = s.item("outline")->property("restFill").value<QColor>();
    const QColor accent = s.item("outline")->property("hoverFill").value<QColor>();
    QCOMPARE(outline.alpha(), 0);
    QCOMPARE(outline.rgb(), accent.rgb());
    const QColor danger = s.item("danger")->property("restFill").value<QColor>();
    QCOMPARE(danger.alpha(), 0);
    QCOMPARE(danger.rgb(), QColor("#ef5b52").rgb());
}

void SharedComponentsTest::modalPanelHeight_data()
{
    QTest::addColumn<int>("sceneHeight");
    QTest::addColumn<int>("bodyHeight");
    QTest::addColumn<int>("maxHeight");
    QTest::addColumn<int>("panelHeight");
    QTest::addColumn<bool>("scrolls");
    // 2 x 20 padding + 24 header + 12 gap under a title = 76 around the body.
    QTest::newRow("fits") << 640 << 200 << 620 << 276 << false;
    QTest::newRow("taller than window") << 640 << 2000 << 620 << 592 << true;
    QTest::newRow("taller than maximum") << 900 << 2000 << 620 << 620 << true;
    QTest::newRow("fits exactly") << 640 << 516 << 620 << 592 << false;
    QTest::newRow("very short window") << 150 << 400 << 620 << 160 << true;
}

void SharedComponentsTest::modalPanelHeight()
{
    QFETCH(int, sceneHeight);
    QFETCH(int, bodyHeight);
    QFETCH(int, maxHeight);
    QFETCH(int, panelHeight);
    QFETCH(bool, scrolls);
    Scene s(QStringLiteral("Modal { objectName: 'm'; title: 'T'; shown: true; panelMaxHeight: %1\n"
                           "  Rectangle { width: 10; height: %2 } }")
                .arg(maxHeight)
                .arg(bodyHeight)
                .toUtf8(),
            QSize(540, sceneHeight));
    QVERIFY(s.root);
    QQuickItem* panel = s.item("modalPanel");
    QCOMPARE(panel->height(), double(panelHeight));
    QCOMPARE(s.item("modalBody")->property("interactive").toBool(), scrolls);
    QQuickItem* modal = s.item("m");
    QVERIFY(modal->isVisible());
    QMetaObject::invokeMethod(modal, "close");
    QTRY_VERIFY(!modal->isVisible());
}

void SharedComponentsTest::modalFollowsTheTheme()
{
    Scene s("Modal { objectName: 'm'; shown: true }");
    QVERIFY(s.root);
    QObject* theme = s.engine.singletonInstance<QObject*>(qmlTypeId("Vidlet", 1, 0, "Theme"));
    theme->setProperty("dark", false);
    QCOMPARE(s.item("modalPanel")->property("color").value<QColor>(), QColor("#ffffff"));
    theme->setProperty("dark", true);
    QCOMPARE(s.item("modalPanel")->property("color").value<QColor>(), QColor("#121722"));
    // Without a title the body starts 4 px under the header.
    QCOMPARE(s.item("modalBody")->y(), 20.0 + 24 + 4);
}

QTEST_MAIN(SharedComponentsTest)
#include "SharedComponentsTest.moc"
