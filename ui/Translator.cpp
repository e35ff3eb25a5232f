#include "ui/Translator.h"

#include <QCoreApplication>
#include <QLocale>
#include <QQmlEngine>
#include <QSettings>
#include <QStringList>
#include <QTranslator>

namespace {

const QStringList knownCodes = {
    QStringLiteral("auto"), QStringLiteral("en"), QStringLiteral("fr"), QStringLiteral("es"),
    QStringLiteral("de"), QStringLiteral("it"), QStringLiteral("pt"), QStringLiteral("ru"),
    QStringLiteral("tr"), QStringLiteral("zh_CN"), QStringLiteral("ja")};

QSettings store()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Vidlet"),
                     QStringLiteral("Vidlet"));
}

}

Translator::Translator(QCoreApplication* app, QQmlEngine* engine, QObject* parent)
    : QObject(parent), app(app), engine(engine)
{
    language_ = store().value(QStringLiteral("language"), QStringLiteral("auto")).toString();
    // "--lang CODE" picks the language for this run only; it is never stored.
    const QStringList args = app ? app->arguments() : QStringList();
    const qsizetype at = args.indexOf(QStringLiteral("--lang"));
    if (at >= 0 && at + 1 < args.size() && knownCodes.contains(args.at(at + 1)))
        language_ = args.at(at + 1);
    applyTranslators(resolveLanguage(language_, QLocale::system().name()));
}

Translator::~Translator()
{
    removeTranslators();
}

QString Translator::resolveLanguage(const QString& choice, const QString& systemLocaleName)
{
    if (choice != QLatin1String("auto"))
        return choice;
    const QString lang = systemLocaleName.section(QLatin1Char('_'), 0, 0);
    static const QStringList offered = {
        QStringLiteral("fr"), QStringLiteral("es"), QStringLiteral("de"), QStringLiteral("it"),
        QStringLiteral("pt"), QStringLiteral("ru"), QStringLiteral("tr"), QStringLiteral("ja")};
    if (offered.contains(lang))
        return lang;
    // Every Chinese locale gets simplified Chinese, the one catalogue there is.
    if (lang == QLatin1String("zh"))
        return QStringLiteral("zh_CN");
    return QStringLiteral("en");
}

void Translator::setLanguage(const QString& code)
{
    language_ = code;
    store().setValue(QStringLiteral("language"), code);
    applyTranslators(resolveLanguage(code, QLocale::system().name()));
    if (engine)
        engine->retranslate();
    emit languageChanged();
}

void Translator::removeTranslators()
{
    if (appTranslator && app)
        QCoreApplication::removeTranslator(appTranslator.get());
    if (qtTranslator && app)
        QCoreApplication::removeTranslator(qtTranslator.get());
    appTranslator.reset();
    qtTranslator.reset();
}

void Translator::applyTranslators(const QString& code)
{
    removeTranslators();
    if (code == QLatin1String("en") || !app)
        return;
    auto own = std::make_unique<QTranslator>();
    if (own->load(QStringLiteral(":/i18n/vidlet_") + code + QStringLiteral(".qm"))) {
        QCoreApplication::installTranslator(own.get());
        appTranslator = std::move(own);
    }
    // Qt ships Brazilian Portuguese only.
    const QString qtCode = code == QLatin1String("pt") ? QStringLiteral("pt_BR") : code;
    auto qt = std::make_unique<QTranslator>();
    if (qt->load(QStringLiteral(":/i18n/qtbase_") + qtCode + QStringLiteral(".qm"))) {
        QCoreApplication::installTranslator(qt.get());
        qtTranslator = std::move(qt);
    }
}
