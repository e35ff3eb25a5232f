#pragma once

#include "settings/AppSettings.h"
#include "tests/ui/ControllerDouble.h"
#include "ui/Translator.h"

#include <QPointF>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>

#include <memory>

// Loads the real Main.qml the way the program does (module types, the three context objects),
// with the test doubles as "app" and "updater" and the real Translator as "i18n".
class WindowHarness {
public:
    explicit WindowHarness(bool withUpdater = true);

    ControllerDouble app;
    UpdaterDouble updater;
    // Declared before the engine so the engine, and every binding to "i18n", goes first.
    std::unique_ptr<AppSettings> settings; // in prepareProcess()'s folder
    std::unique_ptr<Translator> i18n;
    QQmlApplicationEngine engine;
    QQuickWindow* window = nullptr;

    QQuickItem* item(const QString& objectName) const;
    QObject* object(const QString& objectName) const;
    // Every item of that name in the window's visual tree.
    QList<QQuickItem*> items(const QString& objectName) const;
    // The window point at the centre of an item, or at (fx, fy) of its size.
    QPoint at(QQuickItem* item, qreal fx = 0.5, qreal fy = 0.5) const;
    void click(QQuickItem* item, Qt::MouseButton button = Qt::LeftButton) const;
    void clickAt(QPoint p, Qt::MouseButton button = Qt::LeftButton) const;
    // Types text into the window's focused item, one key at a time.
    void type(const QString& text) const;
    // The panel of the modal on show, once its opening animation has finished; null if none.
    QQuickItem* openModalPanel() const;
    // Waits until the window has drawn a new frame, so the layout of the last change is in
    // place and running animations have advanced; false if no frame came.
    bool nextFrame() const;

    // Every screen and overlay the window shows, as a screenshot view name and a settings tab
    // (-1 where there are no tabs); "pairing" and "live" open nothing.
    static QList<QPair<QString, int>> everyView();

    // Registers the types of module "Vidlet" 1.0 and keeps settings in a throw-away folder.
    static void prepareProcess();
};
