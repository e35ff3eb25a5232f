#include "ui/Translator.h"
#include "settings/AppSettings.h"

#include <QCoreApplication>
#include <QLocale>
#include <QQmlEngine>
#include <QStringList>
#include <QTranslator>
#include <QVariantMap>

#include <algorithm>

namespace {

bool offers(const QString& code)
{
    const auto& all = Translator::languages();
    return std::any_of(all.begin(), all.end(), [&](const auto& l) { return l.code == code; });
}

} // namespace

Translator::Translator(AppSettings& settings, QCoreApplication* app, QQmlEngine* engine,
                       QObject* parent)
    : QObject(parent),
      settings(settings),
      app(app),
      engine(engine)
{
    language_ = settings.language();
    // "--lang CODE" picks the language for this run only; it is never stored.
    const QStringList args = app ? app->arguments() : QStringList();
    const qsizetype at = args.indexOf(QStringLiteral("--lang"));
    if (at >= 0 && at + 1 < args.size()
        && (args.at(at + 1) == QLatin1String("auto") || offers(args.at(at + 1))))
        language_ = args.at(at + 1);
    applyTranslators(resolveLanguage(language_, QLocale::system().name()));
}

Translator::~Translator()
{
    removeTranslators();
}

const QList<Translator::Language>& Translator::languages()
{
    static const QList<Language> all = {
        {QStringLiteral("en"), QStringLiteral("English")},
        {QStringLiteral("fr"), QStringLiteral("Français")},
        {QStringLiteral("es"), QStringLiteral("Español")},
        {QStringLiteral("de"), QStringLiteral("Deutsch")},
        {QStringLiteral("it"), QStringLiteral("Italiano")},
        {QStringLiteral("pt"), QStringLiteral("Português")},
        {QStringLiteral("ru"), QStringLiteral("Русский")},
        {QStringLiteral("tr"), QStringLiteral("Türkçe")},
        {QStringLiteral("zh_CN"), QStringLiteral("中文 (简体)")},
        {QStringLiteral("ja"), QStringLiteral("日本語")},
    };
    return all;
}

QString Translator::languageName() const
{
    for (const Language& l : languages())
        if (l.code == language_)
            return l.name;
    return language_ == QLatin1String("auto") ? QString() : language_;
}

QVariantList Translator::languageList() const
{
    QVariantList list;
    for (const Language& l : languages())
        list.append(
            QVariantMap{{QStringLiteral("code"), l.code}, {QStringLiteral("name"), l.name}});
    return list;
}

QString Translator::resolveLanguage(const QString& choice, const QString& systemLocaleName)
{
    if (choice != QLatin1String("auto"))
        return choice;
    const QString lang = systemLocaleName.section(QLatin1Char('_'), 0, 0);
    if (offers(lang))
        return lang;
    // Every Chinese locale gets simplified Chinese, the one catalogue there is.
    if (lang == QLatin1String("zh"))
        return QStringLiteral("zh_CN");
    return QStringLiteral("en");
}

void Translator::setLanguage(const QString& code)
{
    language_ = code;
    settings.setLanguage(code);
    applyTranslators(resolveLanguage(code, QLocale::system().name()));
    if (engine)
        engine->retranslate();
    Q_EMIT languageChanged();
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
