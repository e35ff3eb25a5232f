#include "app/FileLog.h"
#include "app/ScreenshotMode.h"
#include "app/TrayIcon.h"
#include "controller/AppController.h"
#include "ui/Translator.h"
#include "ui/UpdateChecker.h"
#include "video/FramePreview.h"

#include <QApplication>
#include <QDateTime>
#include <QIcon>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickWindow>

#include <optional>

int main(int argc, char* argv[])
{
    qInstallMessageHandler(FileLog::handler);
    // The window's card floats on a transparent background.
    QQuickWindow::setDefaultAlphaBuffer(true);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vidlet"));
    QApplication::setOrganizationName(QStringLiteral("Vidlet"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/assets/icons/app-icon-256.png")));

    qmlRegisterType<FramePreview>("Vidlet", 1, 0, "FramePreview");
    qmlRegisterSingletonType(QUrl(QStringLiteral("qrc:/qml/Theme.qml")), "Vidlet", 1, 0, "Theme");

    AppController controller;
    UpdateChecker updater;
    QQmlApplicationEngine engine;
    engine.rootContext()->setContextProperty(QStringLiteral("app"), &controller);
    engine.rootContext()->setContextProperty(QStringLiteral("updater"), &updater);
    Translator translator(&app, &engine);
    engine.rootContext()->setContextProperty(QStringLiteral("i18n"), &translator);

    engine.load(QUrl(QStringLiteral("qrc:/qml/Main.qml")));
    if (engine.rootObjects().isEmpty()) {
        qWarning("Vidlet: Main.qml failed to load (see %%LOCALAPPDATA%%\\Vidlet\\vidlet.log).");
        return -1;
    }
    updater.check();
    QQuickWindow* window = qobject_cast<QQuickWindow*>(engine.rootObjects().constFirst());

    TrayIcon tray(&controller, window);
    std::optional<ScreenshotMode> shot;
    const QStringList args = QCoreApplication::arguments();
    if (args.contains(QStringLiteral("--shot"))) {
        controller.screenshotMode = true;   // start() then fills in the demonstration data
        shot.emplace(ShotOptions::parse(args, QDateTime::currentDateTime()), &controller, window);
    }

    controller.start();
    return app.exec();
}
