#include "ui/Translator.h"

#include <QCoreApplication>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TranslatorTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    }
    void resolvesTheSystemLanguage_data();
    void resolvesTheSystemLanguage();
    void storesTheChoiceAndAnnouncesIt();

private:
    QTemporaryDir settingsDir;
};

void TranslatorTest::resolvesTheSystemLanguage_data()
{
    QTest::addColumn<QString>("choice");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("code");
    QTest::newRow("portuguese") << "auto" << "pt_PT" << "pt";
    QTest::newRow("traditional chinese") << "auto" << "zh_TW" << "zh_CN";
    QTest::newRow("dutch") << "auto" << "nl_NL" << "en";
    QTest::newRow("german") << "auto" << "de_AT" << "de";
    QTest::newRow("c locale") << "auto" << "C" << "en";
    QTest::newRow("explicit choice") << "ja" << "fr_FR" << "ja";
    QTest::newRow("unknown stored code") << "xx" << "fr_FR" << "xx";
}

void TranslatorTest::resolvesTheSystemLanguage()
{
    QFETCH(QString, choice);
    QFETCH(QString, locale);
    QFETCH(QString, code);
    QCOMPARE(Translator::resolveLanguage(choice, locale), code);
}

void TranslatorTest::storesTheChoiceAndAnnouncesIt()
{
    {
        Translator t(QCoreApplication::instance(), nullptr);
        QCOMPARE(t.language(), QStringLiteral("auto"));
        QSignalSpy changed(&t, &Translator::languageChanged);
        t.setLanguage("fr");
        t.setLanguage("fr");   // every call runs, the same code included
        QCOMPARE(changed.size(), 2);
        QCOMPARE(t.language(), QStringLiteral("fr"));
    }
    const QSettings store(QSettings::IniFormat, QSettings::UserScope, "Vidlet", "Vidlet");
    QCOMPARE(store.value("language").toString(), QStringLiteral("fr"));
    Translator again(QCoreApplication::instance(), nullptr);
    QCOMPARE(again.language(), QStringLiteral("fr"));
}

QTEST_MAIN(TranslatorTest)
#include "TranslatorTest.moc"
