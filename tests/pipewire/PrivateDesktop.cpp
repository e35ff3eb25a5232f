#include "tests/pipewire/PrivateDesktop.h"

#include "tests/TestSandbox.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTest>

#include <csignal>

#include <sys/prctl.h>

namespace {

constexpr int kStartMs = 20000;

QString runtimeDir()
{
    return qEnvironmentVariable("XDG_RUNTIME_DIR");
}

} // namespace

void PrivateDesktop::endWithTheTest(QProcess& process)
{
    // A test that crashes or is killed by its deadline takes its session with it.
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

PrivateDesktop::~PrivateDesktop()
{
    while (!processes.empty()) {
        QProcess& process = *processes.back();
        process.terminate();
        if (!process.waitForFinished(3000))
            process.kill();
        process.waitForFinished(3000);
        processes.pop_back();
    }
}

QString PrivateDesktop::find(const QString& program)
{
    const QString path = QStandardPaths::findExecutable(program);
    return path.isEmpty()
        ? QStandardPaths::findExecutable(program, {QStringLiteral("/usr/libexec")})
        : path;
}

bool PrivateDesktop::fail(const QString& why)
{
    failure = why;
    return false;
}

QProcess* PrivateDesktop::launch(const QString& program, const QStringList& arguments)
{
    auto process = std::make_unique<QProcess>();
    endWithTheTest(*process);
    process->setProgram(find(program));
    process->setArguments(arguments);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start();
    processes.push_back(std::move(process));
    return processes.back()->waitForStarted(kStartMs) ? processes.back().get() : nullptr;
}

bool PrivateDesktop::start()
{
    // The sandbox already points HOME, XDG_* and XDG_RUNTIME_DIR at its own folders. The portal
    // offers the Camera interface only when some portal implementation declares the Access
    // interface; one that names an unused bus name is enough, as the permission is granted.
    const QString portals = TestSandbox::path() + QStringLiteral("/portals");
    QDir().mkpath(portals);
    QFile declaration(portals + QStringLiteral("/vidlet-test.portal"));
    if (!declaration.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("cannot write the portal declaration"));
    declaration.write("[portal]\nDBusName=org.freedesktop.impl.portal.desktop.vidlettest\n"
                      "Interfaces=org.freedesktop.impl.portal.Access;\nUseIn=vidlettest\n");
    declaration.close();
    qputenv("XDG_DESKTOP_PORTAL_DIR", portals.toUtf8());
    qputenv("XDG_CURRENT_DESKTOP", "vidlettest");
    qunsetenv("PIPEWIRE_REMOTE");
    qunsetenv("PIPEWIRE_RUNTIME_DIR");

    // The bus starts services on demand (the permission store) with its own environment, so
    // it is started after the folders are set.
    QProcess* bus = launch(QStringLiteral("dbus-daemon"),
                           {QStringLiteral("--session"), QStringLiteral("--nofork"),
                            QStringLiteral("--print-address=1")});
    if (!bus || !bus->waitForReadyRead(kStartMs))
        return fail(QStringLiteral("the session bus did not start"));
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus->readLine().trimmed());

    if (!launch(QStringLiteral("pipewire"), {}))
        return fail(QStringLiteral("pipewire did not start"));
    const QString socket = runtimeDir() + QStringLiteral("/pipewire-0");
    if (!QTest::qWaitFor([&] { return QFile::exists(socket); }, kStartMs))
        return fail(QStringLiteral("pipewire made no socket"));
    if (!launch(QStringLiteral("wireplumber"), {}))
        return fail(QStringLiteral("wireplumber did not start"));
    if (!launch(QStringLiteral("xdg-desktop-portal"), {QStringLiteral("--replace")}))
        return fail(QStringLiteral("xdg-desktop-portal did not start"));
    if (run(QStringLiteral("gdbus"),
            {QStringLiteral("wait"), QStringLiteral("--session"), QStringLiteral("--timeout"),
             QStringLiteral("20"), QStringLiteral("org.freedesktop.portal.Desktop")},
            kStartMs + 2000)
            .isNull())
        return fail(QStringLiteral("the desktop portal did not appear on the bus"));
    // Otherwise the portal would ask the Access implementation, which nobody answers.
    if (run(QStringLiteral("gdbus"),
            {QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
             QStringLiteral("org.freedesktop.impl.portal.PermissionStore"),
             QStringLiteral("--object-path"),
             QStringLiteral("/org/freedesktop/impl/portal/PermissionStore"),
             QStringLiteral("--method"),
             QStringLiteral("org.freedesktop.impl.portal.PermissionStore.SetPermission"),
             QStringLiteral("devices"), QStringLiteral("true"), QStringLiteral("camera"), QString(),
             QStringLiteral("['yes']")})
            .isNull())
        return fail(QStringLiteral("the camera permission could not be granted"));
    return true;
}

QProcess* PrivateDesktop::started(const QString& program) const
{
    for (const auto& process : processes)
        if (process->program() == find(program))
            return process.get();
    return nullptr;
}

bool PrivateDesktop::stopPipewire()
{
    QProcess* daemon = started(QStringLiteral("pipewire"));
    QProcess* manager = started(QStringLiteral("wireplumber"));
    if (!daemon || !manager)
        return fail(QStringLiteral("PipeWire was not started"));
    for (QProcess* process : {manager, daemon}) {
        process->terminate();
        if (!process->waitForFinished(kStartMs))
            return fail(process->program() + QStringLiteral(" did not stop"));
    }
    const QString socket = runtimeDir() + QStringLiteral("/pipewire-0");
    if (!QTest::qWaitFor([&] { return !QFile::exists(socket); }, kStartMs))
        return fail(QStringLiteral("the stopped pipewire left its socket"));
    return true;
}

bool PrivateDesktop::restartPipewire()
{
    QProcess* daemon = started(QStringLiteral("pipewire"));
    QProcess* manager = started(QStringLiteral("wireplumber"));
    if (!daemon || !manager)
        return fail(QStringLiteral("PipeWire was not started"));
    if (daemon->state() != QProcess::NotRunning && !stopPipewire())
        return false;
    const QString socket = runtimeDir() + QStringLiteral("/pipewire-0");
    for (QProcess* process : {daemon, manager}) {
        process->start();
        if (!process->waitForStarted(kStartMs))
            return fail(process->program() + QStringLiteral(" did not start again"));
        if (process == daemon && !QTest::qWaitFor([&] { return QFile::exists(socket); }, kStartMs))
            return fail(QStringLiteral("the new pipewire made no socket"));
    }
    return true;
}

QByteArray PrivateDesktop::run(const QString& program, const QStringList& arguments, int timeoutMs)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(find(program), arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(3000);
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    const QByteArray output = process.readAllStandardOutput();
    return output.isNull() ? QByteArray("") : output;
}

QJsonObject PrivateDesktop::node(const QString& nodeName)
{
    const QJsonArray objects = QJsonDocument::fromJson(run(QStringLiteral("pw-dump"), {})).array();
    for (const QJsonValue& object : objects) {
        const QJsonObject props =
            object[QStringLiteral("info")][QStringLiteral("props")].toObject();
        if (props[QStringLiteral("node.name")].toString() == nodeName)
            return object.toObject();
    }
    return {};
}

int PrivateDesktop::nodeId(const QString& nodeName)
{
    return node(nodeName).value(QStringLiteral("id")).toInt(-1);
}

qint64 PrivateDesktop::nodeSerial(const QString& nodeName)
{
    return node(nodeName)[QStringLiteral("info")][QStringLiteral("props")]
                         [QStringLiteral("object.serial")]
                             .toInteger(-1);
}
