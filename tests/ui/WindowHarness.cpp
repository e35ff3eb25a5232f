#include "tests/ui/WindowHarness.h"

#include "video/FramePreview.h"

#include <QCoreApplication>
#include <QQuickWindow>
#include <QQmlContext>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

void WindowHarness::prepareProcess()
{
    static QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    // As the program does: the card floats on a transparent window.
    QQuickWindow::setDefaultAlphaBuffer(true);
    qmlRegisterType<FramePreview>("Vidlet", 1, 0, "FramePreview");
    qmlRegisterSingletonType(QUrl(QStringLiteral("qrc:/qml/Theme.qml")), "Vidlet", 1, 0, "Theme");
}

QList<QPair<QString, int>> WindowHarness::everyView()
{
    return {{"pairing", -1}, {"live", -1},    {"settings", 0},  {"settings", 1},
            {"settings", 2}, {"settings", 3}, {"language", -1}, {"addphone", -1}};
}

WindowHarness::WindowHarness(bool withUpdater)
{
    engine.rootContext()->setContextProperty(QStringLiteral("app"), &app);
    if (withUpdater)
        engine.rootContext()->setContextProperty(QStringLiteral("updater"), &updater);
    settings = std::make_unique<AppSettings>();
    i18n = std::make_unique<Translator>(*settings, QCoreApplication::instance(), &engine);
    engine.rootContext()->setContextProperty(QStringLiteral("i18n"), i18n.get());
    engine.load(QUrl(QStringLiteral("qrc:/qml/Main.qml")));
    if (!engine.rootObjects().isEmpty())
        window = qobject_cast<QQuickWindow*>(engine.rootObjects().constFirst());
    // Keyboard focus reaches items only in the active window.
    if (window) {
        window->requestActivate();
        if (!QTest::qWaitForWindowActive(window))
            window = nullptr;
    }
}

namespace {

// Repeater and Loader items hang in the visual tree, not always under their QObject parent.
QObject* findInItems(QQuickItem* item, const QString& objectName)
{
    if (item->objectName() == objectName)
        return item;
    if (QObject* o = item->findChild<QObject*>(objectName))
        return o;
    for (QQuickItem* child : item->childItems())
        if (QObject* o = findInItems(child, objectName))
            return o;
    return nullptr;
}

} // namespace

QObject* WindowHarness::object(const QString& objectName) const
{
    if (!window)
        return nullptr;
    if (window->objectName() == objectName)
        return window;
    if (QObject* o = window->findChild<QObject*>(objectName))
        return o;
    return findInItems(window->contentItem(), objectName);
}

QList<QQuickItem*> WindowHarness::items(const QString& objectName) const
{
    QList<QQuickItem*> found;
    QList<QQuickItem*> pending{window->contentItem()};
    while (!pending.isEmpty()) {
        QQuickItem* item = pending.takeLast();
        if (item->objectName() == objectName)
            found << item;
        pending << item->childItems();
    }
    return found;
}

QQuickItem* WindowHarness::item(const QString& objectName) const
{
    return qobject_cast<QQuickItem*>(object(objectName));
}

// As a user scrolls to what they point at: every flickable the item lies in is scrolled until
// the item shows.
QPoint WindowHarness::at(QQuickItem* item, qreal fx, qreal fy) const
{
    for (QQuickItem* up = item->parentItem(); up; up = up->parentItem()) {
        if (!up->inherits("QQuickFlickable"))
            continue;
        const QRectF shown(QPointF(), up->size());
        const QRectF place = item->mapRectToItem(up, QRectF(QPointF(), item->size()));
        if (shown.contains(place))
            continue;
        const qreal most = std::max(0.0, up->property("contentHeight").toReal() - up->height());
        const qreal y = up->property("contentY").toReal() + place.top()
            - std::max(0.0, (up->height() - place.height()) / 2);
        up->setProperty("contentY", std::clamp(y, 0.0, most));
    }
    return item->mapToScene(QPointF(item->width() * fx, item->height() * fy)).toPoint();
}

void WindowHarness::click(QQuickItem* item, Qt::MouseButton button) const
{
    clickAt(at(item), button);
}

void WindowHarness::clickAt(QPoint p, Qt::MouseButton button) const
{
    QTest::mouseClick(window, button, Qt::NoModifier, p);
}

QQuickItem* WindowHarness::openModalPanel() const
{
    for (QQuickItem* panel : items(QStringLiteral("modalPanel"))) {
        QQuickItem* modal = panel->parentItem();
        if (modal->property("shown").toBool()
            && QTest::qWaitFor([&] { return panel->scale() == 1.0 && modal->opacity() == 1.0; }))
            return panel;
    }
    return nullptr;
}

bool WindowHarness::nextFrame() const
{
    QSignalSpy swapped(window, &QQuickWindow::frameSwapped);
    window->update();
    return swapped.wait();
}

void WindowHarness::type(const QString& text) const
{
    for (const QChar c : text)
        QTest::keyClick(window, c.toLatin1());
}
