#pragma once

#include <QObject>
#include <QList>
#include <QString>
#include <QVariantList>

#include <memory>

class AppSettings;
class QCoreApplication;
class QQmlEngine;
class QTranslator;

// Chooses the interface language, installs its catalogues into the application and makes the
// window re-translate itself when the user picks another language. Lives on the GUI thread.
// `language` is the user's choice as stored ("auto" or a code), not the language it resolves to.
class Translator : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString language READ language NOTIFY languageChanged)
    // The languages the user can pick, for the window: {code, name}, English first.
    Q_PROPERTY(QVariantList languages READ languageList CONSTANT)
    // The choice's name in its own language; empty for "auto".
    Q_PROPERTY(QString languageName READ languageName NOTIFY languageChanged)

public:
    struct Language {
        QString code;
        QString name; // in the language itself, never translated
    };
    // The one list of the interface's languages. The build's list of catalogues (every code
    // but English) is checked against it by the translator's test.
    static const QList<Language>& languages();

    // The choice is kept in `settings`.
    Translator(AppSettings& settings, QCoreApplication* app, QQmlEngine* engine,
               QObject* parent = nullptr);
    ~Translator() override;

    QString language() const { return language_; }
    QString languageName() const;
    QVariantList languageList() const;

    // "auto" resolves to the system locale's language when the program has it, else English.
    static QString resolveLanguage(const QString& choice, const QString& systemLocaleName);

public Q_SLOTS:
    void setLanguage(const QString& code);

Q_SIGNALS:
    void languageChanged();

private:
    void applyTranslators(const QString& code);
    void removeTranslators();

    AppSettings& settings;
    QCoreApplication* app; // not owned
    QQmlEngine* engine;    // not owned; re-translates the window
    QString language_ = QStringLiteral("auto");
    std::unique_ptr<QTranslator> appTranslator;
    std::unique_ptr<QTranslator> qtTranslator;
};
