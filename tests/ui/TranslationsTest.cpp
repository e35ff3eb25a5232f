#include "app/ScreenshotMode.h"
#include "app/ShotOptions.h"
#include "tests/ui/TextFit.h"
#include "tests/ui/SessionDouble.h"
#include "tests/ui/WindowHarness.h"

#include <QFile>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QProcess>
#include <QQmlComponent>
#include <QQuickView>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextLayout>
#include <QTranslator>
#include <QXmlStreamReader>

namespace {

struct Message {
    QString context;
    QString source;
    QString comment;
};

const QStringList languages = QStringLiteral(VIDLET_LANGUAGES).split(QLatin1Char(','));

// What lupdate finds in the sources today, so a text added anywhere is held to the catalogues.
QList<Message> textsInSources(QString* error)
{
    QTemporaryDir dir;
    const QString ts = dir.filePath("sources.ts");
    QStringList args{"-silent", "-no-obsolete", "-locations", "none"};
    for (const QString& d : QStringLiteral(VIDLET_I18N_SOURCE_DIRS).split(QLatin1Char(',')))
        args << QStringLiteral(VIDLET_SOURCE_DIR "/") + d;
    args << "-ts" << ts;
    QProcess lupdate;
    lupdate.start(QStringLiteral(LUPDATE_EXECUTABLE), args);
    QFile file(ts);
    if (!lupdate.waitForFinished(60000) || lupdate.exitCode() != 0
        || !file.open(QIODevice::ReadOnly)) {
        *error = QString::fromLocal8Bit(lupdate.readAllStandardError());
        return {};
    }
    QList<Message> found;
    QString context;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name"))
            context = xml.readElementText();
        else if (xml.name() == QLatin1String("message"))
            found << Message{context, {}, {}};
        else if (xml.name() == QLatin1String("source"))
            found.last().source = xml.readElementText();
        else if (xml.name() == QLatin1String("comment"))
            found.last().comment = xml.readElementText();
    }
    return found;
}

bool hasBoxes(const QString& text, const QFont& font)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    while (layout.createLine().isValid()) {}
    layout.endLayout();
    for (const QGlyphRun& run : layout.glyphRuns())
        if (run.glyphIndexes().contains(0u))
            return true;
    return false;
}

// The characters of `text` that no installed font can draw in `font`: they would show as boxes.
QString missingGlyphs(const QString& text, const QFont& font)
{
    if (!hasBoxes(text, font))
        return {};
    QString missing;
    for (const char32_t c : text.toUcs4())
        if (const QString one = QString::fromUcs4(&c, 1); hasBoxes(one, font))
            missing += one;
    return missing;
}

QStringList glyphProblems(const QStringList& texts)
{
    QFont bold = QGuiApplication::font();
    bold.setWeight(QFont::DemiBold);
    QStringList problems;
    for (const QString& text : texts)
        for (const QFont& font : {QGuiApplication::font(), bold})
            if (const QString missing = missingGlyphs(text, font); !missing.isEmpty())
                problems << text + QStringLiteral(": no glyph for ") + missing;
    problems.removeDuplicates();
    return problems;
}

} // namespace

// Every interface text in all nine catalogues, drawable with the installed fonts, and fitting
// the window at its normal 540 x 640 size in every language.
class TranslationsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cataloguesCoverEveryText_data();
    void cataloguesCoverEveryText();
    void glyphCheckSeesBoxes();
    void fitCheckSeesOverflow();
    void folderDialogSpeaksTheLanguage_data();
    void folderDialogSpeaksTheLanguage();
    void windowFitsEveryLanguage_data();
    void windowFitsEveryLanguage();

private:
    QList<Message> messages;
};

void TranslationsTest::initTestCase()
{
    WindowHarness::prepareProcess();
    QString error;
    messages = textsInSources(&error);
    QVERIFY2(!messages.isEmpty(), qPrintable("lupdate failed: " + error));
    for (const Message& m : std::as_const(messages))
        QVERIFY(!m.context.isEmpty() && !m.source.isEmpty());
}

void TranslationsTest::cataloguesCoverEveryText_data()
{
    QTest::addColumn<QString>("code");
    for (const QString& code : languages)
        QTest::newRow(qPrintable(code)) << code;
}

void TranslationsTest::cataloguesCoverEveryText()
{
    QFETCH(QString, code);
    QTranslator own;
    QVERIFY2(own.load(":/i18n/vidlet_" + code + ".qm"),
             "program catalogue missing from the resources");
    QTranslator qt;
    QVERIFY2(qt.load(":/i18n/qtbase_" + (code == "pt" ? QStringLiteral("pt_BR") : code) + ".qm"),
             "Qt's catalogue missing from the resources");
    QVERIFY(!qt.isEmpty());

    QStringList untranslated;
    QStringList translations;
    static const QRegularExpression placeholder("%\\d");
    for (const Message& m : std::as_const(messages)) {
        const QString t = own.translate(qPrintable(m.context), qPrintable(m.source),
                                        m.comment.isEmpty() ? nullptr : qPrintable(m.comment));
        if (t.isEmpty()) {
            untranslated << m.context + ": " + m.source;
            continue;
        }
        for (auto it = placeholder.globalMatch(m.source); it.hasNext();) {
            const QString p = it.next().captured();
            if (!t.contains(p))
                untranslated << m.context + ": " + m.source + " (lost " + p + ")";
        }
        translations << t;
    }
    QVERIFY2(untranslated.isEmpty(), qPrintable("\n" + untranslated.join('\n')));
    const QStringList boxes = glyphProblems(translations);
    QVERIFY2(boxes.isEmpty(), qPrintable("\n" + boxes.join('\n')));
}

void TranslationsTest::glyphCheckSeesBoxes()
{
    // A private-use character no font draws, beside Japanese and Russian that the fonts cover.
    const QStringList problems =
        glyphProblems({"日本語 Русский", QString("Vidlet ") + QChar(0xE7F0)});
    QCOMPARE(problems.size(), 1);
    QVERIFY(problems.first().startsWith("Vidlet "));
}

void TranslationsTest::fitCheckSeesOverflow()
{
    QQuickView view;
    QQmlComponent scene(view.engine());
    scene.setData(R"(
        import QtQuick
        Item {
            width: 400; height: 300
            Text { x: 10; y: 10; width: 40; text: "spills out" }
            Text { x: 10; y: 30; width: 40; elide: Text.ElideRight; text: "gets elided" }
            Rectangle {
                x: 10; y: 60; width: 150; height: 30; color: "#eeeeee"
                Text { x: 8; anchors.verticalCenter: parent.verticalCenter; text: "runs under the switch" }
                Rectangle { anchors.right: parent.right; anchors.rightMargin: 4; width: 40; height: 20
                            anchors.verticalCenter: parent.verticalCenter; color: "teal" }
            }
            Rectangle { x: 10; y: 100; width: 50; height: 24; color: "teal"
                        Text { anchors.centerIn: parent; text: "leaves its button" } }
            Item { x: 200; y: 100; width: 50; height: 24
                   Text { anchors.centerIn: parent; text: "leaves its segment" } }
            Rectangle {
                x: 10; y: 140; width: 300; height: 30; color: "#eeeeee"
                Text { x: 8; anchors.verticalCenter: parent.verticalCenter; text: "fits" }
                Rectangle { anchors.right: parent.right; width: 40; height: 20
                            anchors.verticalCenter: parent.verticalCenter; color: "teal" }
            }
            Rectangle { x: 10; y: 180; width: 80; height: 24; color: "teal"
                        Text { anchors.centerIn: parent; text: "inside" } }
            Text { x: 10; y: 210; width: 100; wrapMode: Text.WordWrap; text: "wraps onto several lines" }
            Text { x: 200; y: 10; width: 100; elide: Text.ElideRight; text: "short" }
            Text { x: 200; y: 40; width: 100; horizontalAlignment: Text.AlignRight; text: "right" }
        })",
                  QUrl());
    std::unique_ptr<QQuickItem> root(qobject_cast<QQuickItem*>(scene.create()));
    QVERIFY2(root, qPrintable(scene.errorString()));
    root->setParentItem(view.contentItem());
    view.resize(400, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    QStringList texts;
    for (const QString& p : TextFit::problems(root.get(), [](const QString&) { return true; }))
        texts << p.section(QStringLiteral(": "), 0, 0);
    texts.removeDuplicates();
    texts.sort();
    QCOMPARE(texts,
             QStringList({"gets elided", "leaves its button", "leaves its segment",
                          "runs under the switch", "spills out"}));
}

void TranslationsTest::folderDialogSpeaksTheLanguage_data()
{
    cataloguesCoverEveryText_data();
}

void TranslationsTest::folderDialogSpeaksTheLanguage()
{
    QFETCH(QString, code);
    WindowHarness h;
    QVERIFY(h.window);
    h.i18n->setLanguage(code);
    QObject* dialog = h.object("folderDialog");
    QMetaObject::invokeMethod(dialog, "open");
    QTRY_VERIFY(dialog->property("visible").toBool());
    // Where the platform has no folder dialog of its own, Qt's dialog opens inside the window
    // with its buttons named by Qt's catalogue.
    const QStringList shown = TextFit::shownTexts(h.window->contentItem());
    QMetaObject::invokeMethod(dialog, "close");
    for (const char* button : {"Open", "Cancel"}) {
        const QString text = QCoreApplication::translate("QPlatformTheme", button);
        QVERIFY2(text != QLatin1String(button), button);
        QVERIFY2(shown.contains(text), qPrintable(text));
    }
    QVERIFY(shown.contains(QCoreApplication::translate("Main", "Choose recordings folder")));
}

void TranslationsTest::windowFitsEveryLanguage_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("view");
    QTest::addColumn<int>("tab");
    for (const QString& code : QStringList{"en"} + languages)
        for (const auto& [view, tab] : WindowHarness::everyView())
            QTest::newRow(qPrintable(
                QStringLiteral("%1-%2%3").arg(code, view, tab >= 0 ? QString::number(tab) : "")))
                << code << view << tab;
}

void TranslationsTest::windowFitsEveryLanguage()
{
    QFETCH(QString, code);
    QFETCH(QString, view);
    QFETCH(int, tab);

    WindowHarness h;
    QVERIFY(h.window);
    h.i18n->setLanguage(code);
    // Every optional text on show: the firewall strip, the update strip, the paused overlay.
    h.app.firewallBlocked = true;
    h.updater.available = true;
    h.updater.latestVersion = "9.9";
    Q_EMIT h.updater.availableChanged();
    if (view == QLatin1String("live")) {
        h.app.connectTwoPhones();
        h.app.appConnected = true;
        h.app.outputEnabled = false;
    }
    Q_EMIT h.app.changed();
    const QStringList args{"Vidlet",      "--shot", "540x640",      "--shot-theme", "1",
                           "--shot-view", view,     "--shot-delay", "600000"};
    SessionDouble session(h.app);
    ScreenshotMode shot(ShotOptions::parse(args, QDateTime::currentDateTime()), session, h.window);
    if (tab >= 0)
        h.object("settingsModal")->setProperty("tab", tab);
    QQuickItem* panel = h.openModalPanel();
    QCOMPARE(panel != nullptr, view != QLatin1String("pairing") && view != QLatin1String("live"));
    QQuickItem* root = panel ? panel : h.window->contentItem();
    QTRY_COMPARE(h.item("updateStrip")->height(), 36.0);
    QVERIFY(h.nextFrame());
    const QImage shown = h.window->grabWindow();
    QCOMPARE(shown.size(), QSize(540, 640));
    if (const QString dir = qEnvironmentVariable("VIDLET_SHOT_DIR"); !dir.isEmpty())
        shown.save(dir + "/" + QString::fromLatin1(QTest::currentDataTag()) + ".png");

    // The texts of the catalogues as the window should show them now; "%1" stands for a value.
    QStringList exact;
    QList<QRegularExpression> filled;
    QStringList english;
    for (const Message& m : std::as_const(messages)) {
        const QString t = QCoreApplication::translate(qPrintable(m.context), qPrintable(m.source));
        if (t.contains(QLatin1String("%1")))
            filled << QRegularExpression("^" + QRegularExpression::escape(t).replace("%1", ".*")
                                         + "$");
        else
            exact << t;
        if (t != m.source)
            english << m.source;
    }
    auto translated = [&](const QString& text) {
        return exact.contains(text)
            || std::any_of(filled.cbegin(), filled.cend(),
                           [&](const auto& re) { return re.match(text).hasMatch(); });
    };
    QStringList problems = TextFit::problems(root, translated);
    // A text still in English was missed by the switch of language.
    for (const QString& text : TextFit::shownTexts(root))
        if (english.contains(text))
            problems << text + ": not translated";
    QVERIFY2(problems.isEmpty(), qPrintable("\n" + problems.join('\n')));
}

QTEST_MAIN(TranslationsTest)
#include "TranslationsTest.moc"
