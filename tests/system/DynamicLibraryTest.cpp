#include "system/DynamicLibrary.h"

#include <QtTest>

class DynamicLibraryTest : public QObject {
    Q_OBJECT

    static std::string component()
    {
        return (QCoreApplication::applicationDirPath() + QStringLiteral("/libsoftcam.so"))
            .toStdString();
    }

private Q_SLOTS:
    void missingLibraryFailsCleanly_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("bare name") << QStringLiteral("libvidlet-no-such-library.so");
        QTest::newRow("full path") << QStringLiteral("/nonexistent/libsoftcam.so");
        QTest::newRow("not a library") << QStringLiteral("/etc/hostname");
    }

    void missingLibraryFailsCleanly()
    {
        QFETCH(QString, path);
        DynamicLibrary library;
        QVERIFY(!library.load(path.toStdString()));
        QVERIFY(!library.isLoaded());
        QVERIFY(!library.errorText().empty());
        QVERIFY(!library.symbol("scCreateCamera"));
    }

    void resolvesExportsByName()
    {
        DynamicLibrary library;
        QVERIFY2(library.load(component()), library.errorText().c_str());
        QVERIFY(library.errorText().empty());
        QVERIFY(library.symbol("scCreateCamera"));
        QVERIFY(library.symbol("scIsConnected"));
        QVERIFY(!library.symbol("scNoSuchFunction"));
        library.unload();
        QVERIFY(!library.isLoaded());
        QVERIFY(!library.symbol("scCreateCamera"));
    }

    void failedReloadLeavesNothingLoaded()
    {
        DynamicLibrary library;
        QVERIFY(library.load(component()));
        QVERIFY(!library.load("/nonexistent/libsoftcam.so"));
        QVERIFY(!library.isLoaded());
    }
};

QTEST_GUILESS_MAIN(DynamicLibraryTest)
#include "DynamicLibraryTest.moc"
