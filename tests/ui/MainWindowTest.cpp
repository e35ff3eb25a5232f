#include "tests/ui/WindowHarness.h"

#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { WindowHarness::prepareProcess(); }

    void loadsWithoutWarnings()
    {
        QStringList warnings;
        WindowHarness h;
        QVERIFY(h.window);
        QCOMPARE(h.window->size(), QSize(540, 640));
        QCOMPARE(h.window->title(), QStringLiteral("Vidlet"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
