#include "app/CommandLine.h"
#include "app/FileLog.h"
#include "app/HeapPolicy.h"
#include "app/ParentConsole.h"
#include "app/QuitSignals.h"
#include "app/RecordingRequests.h"
#include "app/SceneGraphBackend.h"
#include "app/ScreenshotMode.h"
#include "app/SingleInstance.h"
#include "app/TrayIcon.h"
#include "controller/AppController.h"
#include "settings/AppSettings.h"
#include "system/TaskbarStyles.h"
#include "ui/Translator.h"
#include "ui/UpdateChecker.h"
#include "video/FramePreview.h"

#include <QApplication>
#include <QDateTime>
#include <QIcon>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickWindow>

#include <chrono>
#include <cstdio>
#include <optional>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {
// How long the end of the session may wait for a recording to be complete: Windows ends a
// program that has not answered the log-off within about five seconds.
constexpr std::chrono::milliseconds kSessionEndWait{4000};
// How long "--quit" waits for the running Vidlet to end: its recordings' completion included.
constexpr int kQuitWaitMs = 30000;

// The value after `option` on the command line, or an empty string.
QString optionValue(const QStringList& args, const QString& option)
{
    const qsizetype at = args.indexOf(option);
    return at >= 0 && at + 1 < args.size() ? args.at(at + 1) : QString();
}

// "--usbmux" followed by a socket path or a TCP port points the program at another usbmux
// service, such as the vidlet-usbmuxd stand-in that plays phones on a cable. "--port" chooses
// the phone port tried first (0: any free port) and "--token-folder" where pairing-token.txt
// goes, so that a second copy, as tests start it, stays off the first one's.
AppController::Places controllerPlaces(const QStringList& args)
{
    AppController::Places places;
    const QString service = optionValue(args, QStringLiteral("--usbmux"));
    bool isNumber = false;
    const uint servicePort = service.toUInt(&isNumber);
    if (isNumber && servicePort > 0 && servicePort <= 65535)
        places.usbService = UsbMuxEndpoint::tcp(quint16(servicePort));
    else if (!service.isEmpty())
        places.usbService = UsbMuxEndpoint::unixSocket(service);
    const uint port = optionValue(args, QStringLiteral("--port")).toUInt(&isNumber);
    if (isNumber && port <= 65535)
        places.port = quint16(port);
    places.tokenFolder = optionValue(args, QStringLiteral("--token-folder"));
    return places;
}

// Help, the version or a wrong option: answered before the application object exists, so that
// help prints without a display and nothing starts. Empty when the program should run.
std::optional<int> answerCommandLine(int argc, char* argv[])
{
    QStringList rawArgs;
    for (int i = 0; i < argc; ++i)
        rawArgs << QString::fromLocal8Bit(argv[i]);
    const CommandLine::Result given = CommandLine::check(rawArgs);
    if (given.verdict == CommandLine::Verdict::Run)
        return std::nullopt;
    attachParentConsole();
    if (given.verdict == CommandLine::Verdict::Error) {
        std::fprintf(stderr, "Vidlet: %s\n\n%s", qPrintable(given.error),
                     qPrintable(CommandLine::help()));
        return 2;
    }
    const QString text =
        given.verdict == CommandLine::Verdict::Help ? CommandLine::help() : CommandLine::version();
    std::fputs(text.toLocal8Bit().constData(), stdout);
    return 0;
}

// Another Vidlet holds the instance. "--record" asks it to record (a script's or a keyboard
// shortcut's way); anything else brings its window to the front. The exit code. Other options
// given to this start are not passed on: the running program keeps its own, and says so.
int handOverToRunningInstance(SingleInstance& instance, QStringList options)
{
    const bool record = options.removeAll(QStringLiteral("--record")) > 0;
    if (!options.isEmpty())
        qWarning("Vidlet: already running; these options apply only to a new start: %s",
                 qUtf8Printable(options.join(QLatin1Char(' '))));
    if (record) {
        if (instance.askRunningToRecord(true, 5000)) {
            qInfo("Vidlet: already running; asked it to record");
            return 0;
        }
    } else {
#ifdef Q_OS_WIN
        // Windows lets only the process the user just started take the foreground; this hands
        // that right to the running Vidlet, so its window comes to the front, not just flashes.
        AllowSetForegroundWindow(ASFW_ANY);
#endif
        if (instance.activateRunning(5000)) {
            qInfo("Vidlet: already running; showed its window instead of starting again");
            return 0;
        }
    }
    qWarning("Vidlet: another Vidlet holds %s but does not answer",
             qPrintable(instance.serverName()));
    return 1;
}

// "--stop-recording": the running Vidlet ends its recording. The exit code: 0 when it took the
// request, 1 when none runs or it did not answer.
int stopRunningRecording(SingleInstance& instance)
{
    if (instance.askRunningToRecord(false, 5000))
        return 0;
    qWarning("Vidlet: no running Vidlet took the request to end its recording");
    return 1;
}

// "--quit": the running Vidlet, if any, is asked to quit, and waited for until its process has
// ended, its recordings completed. The exit code: 0 when none runs any more.
int quitRunningInstance(SingleInstance& instance)
{
    if (instance.quitRunning(kQuitWaitMs))
        return 0;
    qWarning("Vidlet: the running Vidlet did not quit within %d ms", kQuitWaitMs);
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
    if (const std::optional<int> answered = answerCommandLine(argc, argv))
        return *answered;

    qInstallMessageHandler(FileLog::handler);
    // The window's card floats on a transparent background.
    QQuickWindow::setDefaultAlphaBuffer(true);

    QApplication app(argc, argv);
    useHeapPolicy(&app);
    QApplication::setApplicationName(QStringLiteral("Vidlet"));
    QApplication::setOrganizationName(QStringLiteral("Vidlet"));
    // Ties the window to its menu entry, for the desktop's icon and grouping.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.vidlet.Vidlet"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/assets/icons/app-icon-256.png")));

    chooseSceneGraphBackend();
    qmlRegisterType<FramePreview>("Vidlet", 1, 0, "FramePreview");
    qmlRegisterSingletonType(QUrl(QStringLiteral("qrc:/qml/Theme.qml")), "Vidlet", 1, 0, "Theme");

    const QStringList args = QCoreApplication::arguments();
    const bool shotRun = args.contains(QStringLiteral("--shot"));
    // A second start (from the menu, say) shows the running window instead of competing for
    // the camera and the port. Screenshot runs are made beside a running program on purpose.
    AppSettings settings;
    SingleInstance instance(SingleInstance::defaultFolder(), settings.fileName());
    if (args.contains(QStringLiteral("--quit")))
        return quitRunningInstance(instance);
    if (args.contains(QStringLiteral("--stop-recording")))
        return stopRunningRecording(instance);
    if (!shotRun && !instance.claim())
        return handOverToRunningInstance(instance, args.mid(1));
    // The installer asks the running program to quit before it replaces or removes its files.
    QObject::connect(&instance, &SingleInstance::quitRequested, &app, [] {
        qInfo("Vidlet: quitting, as another start asked");
        QCoreApplication::quit();
    });

    AppController controller(settings, controllerPlaces(args));
    UpdateChecker updater;
    QQmlApplicationEngine engine;
    engine.rootContext()->setContextProperty(QStringLiteral("app"), &controller);
    engine.rootContext()->setContextProperty(QStringLiteral("updater"), &updater);
    Translator translator(settings, &app, &engine);
    engine.rootContext()->setContextProperty(QStringLiteral("i18n"), &translator);

    engine.load(QUrl(QStringLiteral("qrc:/qml/Main.qml")));
    if (engine.rootObjects().isEmpty()) {
        qWarning("Vidlet: Main.qml failed to load (see %%LOCALAPPDATA%%\\Vidlet\\vidlet.log).");
        return -1;
    }
    updater.check();
    QQuickWindow* window = qobject_cast<QQuickWindow*>(engine.rootObjects().constFirst());
    addTaskbarStyles(window);

    TrayIcon tray(controller, window);
    QObject::connect(&instance, &SingleInstance::activationRequested, &tray, [&tray] {
        qInfo("Vidlet: another start asked for the window; showing it");
        tray.showWindow();
    });
    std::optional<ScreenshotMode> shot;
    if (shotRun) {
        controller.screenshotMode = true; // start() then fills in the demonstration data
        shot.emplace(ShotOptions::parse(args, QDateTime::currentDateTime()), controller, window);
    }

    RecordingRequests recordings(controller);
    QObject::connect(&instance, &SingleInstance::recordingRequested, &recordings,
                     [&recordings](bool start) { start ? recordings.start() : recordings.stop(); });
    if (args.contains(QStringLiteral("--record")))
        recordings.start();

    // The session's end on Windows: Qt emits aboutToQuit while handling WM_ENDSESSION, and the
    // system ends the process once that returns, or after a few seconds. The camera is removed
    // and the recording completed right there, within that time; a new start need not wait.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &controller, [&] {
        controller.stop();
        instance.release();
        controller.finishRecordings(kSessionEndWait);
    });
    QuitSignals quitSignals;
    controller.start();
    const int exitCode = app.exec();
    // What is left of a long recording's completion is waited for as the controller goes.
    return exitCode;
}
