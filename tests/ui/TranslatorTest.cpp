#include "ui/Translator.h"
#include "settings/AppSettings.h"

#include <QCoreApplication>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TranslatorTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    }
    void resolvesTheSystemLanguage_data();
    void resolvesTheSystemLanguage();
    void storesTheChoiceAndAnnouncesIt();
    void installsBothCatalogues_data();
    void installsBothCatalogues();
    void everyLanguageButEnglishHasACatalogue();

private:
    QTemporaryDir settingsDir;
};

void TranslatorTest::resolvesTheSystemLanguage_data()
{
    QTest::addColumn<QString>("choice");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("code");
    QTest::newRow("portuguese") << "auto"
                                << "pt_PT"
                                << "pt";
    QTest::newRow("traditional chinese") << "auto"
                                         << "zh_TW"
                                         << "zh_CN";
    QTest::newRow("dutch") << "auto"
                           << "nl_NL"
                           << "en";
    QTest::newRow("german") << "auto"
                            << "de_AT"
                            << "de";
    QTest::newRow("c locale") << "auto"
                              << "C"
                              << "en";
    QTest::newRow("explicit choice") << "ja"
                                     << "fr_FR"
                                     << "ja";
    QTest::newRow("unknown stored code") << "xx"
                                         << "fr_FR"
                                         << "xx";
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
        AppSettings settings;
        Translator t(settings, QCoreApplication::instance(), nullptr);
        QCOMPARE(t.language(), QStringLiteral("auto"));
        QSignalSpy changed(&t, &Translator::languageChanged);
        t.setLanguage("fr");
        t.setLanguage("fr"); // every call runs, the same code included
        QCOMPARE(changed.size(), 2);
        QCOMPARE(t.language(), QStringLiteral("fr"));
    }
    const QSettings store(QSettings::IniFormat, QSettings::UserScope, "Vidlet", "Vidlet");
    QCOMPARE(store.value("language").toString(), QStringLiteral("fr"));
    AppSettings settings;
    Translator again(settings, QCoreApplication::instance(), nullptr);
    QCOMPARE(again.language(), QStringLiteral("fr"));
}

void TranslatorTest::installsBothCatalogues_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("own"); // the window's "Settings"
    QTest::addColumn<QString>("qt");  // Qt's "&Yes" button
    QTest::newRow("de") << "de"
                        << "Einstellungen"
                        << "&Ja";
    QTest::newRow("pt uses Qt's pt_BR") << "pt"
                                        << "Configurações"
                                        << "&Sim";
    QTest::newRow("zh_CN") << "zh_CN"
                           << "设置"
                           << "是(&Y)";
    QTest::newRow("en") << "en"
                        << "Settings"
                        << "&Yes";
    QTest::newRow("no catalogue") << "xx"
                                  << "Settings"
                                  << "&Yes";
}

void TranslatorTest::installsBothCatalogues()
{
    QFETCH(QString, code);
    QFETCH(QString, own);
    QFETCH(QString, qt);
    AppSettings settings;
    Translator t(settings, QCoreApplication::instance(), nullptr);
    t.setLanguage("ja");
    t.setLanguage(code); // replaces the Japanese catalogues
    QCOMPARE(QCoreApplication::translate("Main", "Settings"), own);
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), qt);
}

// The build compiles the catalogues it lists; the window offers the languages the translator lists.
void TranslatorTest::everyLanguageButEnglishHasACatalogue()
{
    QStringList offered;
    for (const Translator::Language& l : Translator::languages())
        if (l.code != QLatin1String("en"))
            offered.append(l.code);
    QStringList built = QStringLiteral(VIDLET_LANGUAGES).split(QLatin1Char(','));
    offered.sort();
    built.sort();
    QCOMPARE(offered, built);
}

QTEST_MAIN(TranslatorTest)
#include "TranslatorTest.moc"
