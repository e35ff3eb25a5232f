#include "system/SystemIntegration_linux.h"

#include "system/LinuxFirewall.h"
#include "system/LoopbackDevices.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

#include <memory>

namespace {
// Longer than any consent prompt should take; the window is frozen meanwhile.
constexpr int kHelperTimeoutMs = 30000;
} // namespace

LinuxSystemIntegration::LinuxSystemIntegration(std::string root, QString helper)
    : root(std::move(root)),
      helper(std::move(helper))
{
}

bool LinuxSystemIntegration::isCameraRegistered() const
{
    return findLoopbackDevice(root + kLoopbackSysfsFolder, kLoopbackCameraLabel).number >= 0;
}

bool LinuxSystemIntegration::hasPipewireCamera() const
{
    // The session's PipeWire socket, where libpipewire looks for it: the camera component
    // publishes its node there.
    QString folder = qEnvironmentVariable("PIPEWIRE_RUNTIME_DIR");
    if (folder.isEmpty())
        folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !folder.isEmpty() && QFileInfo::exists(folder + QStringLiteral("/pipewire-0"));
}

bool LinuxSystemIntegration::isInboundBlocked() const
{
    return LinuxFirewall(root).isPortBlocked();
}

void LinuxSystemIntegration::registerCamera()
{
    runHelper(QStringLiteral("--register"));
}

void LinuxSystemIntegration::unregisterCamera()
{
    runHelper(QStringLiteral("--unregister"));
}

void LinuxSystemIntegration::allowThroughFirewall()
{
    runHelper(QStringLiteral("--firewall"));
}

void LinuxSystemIntegration::runHelper(const QString& command)
{
    if (!QFileInfo::exists(helper)) {
        qWarning("Vidlet: %s not found", qPrintable(helper));
        return;
    }
    auto process = std::make_unique<QProcess>();
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start(QStringLiteral("pkexec"), {helper, command});
    if (!process->waitForStarted()) {
        qWarning("Vidlet: cannot start pkexec: %s", qPrintable(process->errorString()));
        return;
    }
    if (!process->waitForFinished(kHelperTimeoutMs)) {
        // Still waiting for a password, or still working: let it finish on its own; its effect
        // shows at the next re-check. Deleting the QProcess now would kill it.
        qWarning("Vidlet: %s %s still running after %d s", qPrintable(helper),
                 qPrintable(command), kHelperTimeoutMs / 1000);
        QProcess* running = process.release();
        QObject::connect(running, &QProcess::finished, running, &QObject::deleteLater);
        return;
    }
    // The state is read afresh by the caller whatever this says; the log keeps it for support.
    qInfo("Vidlet: %s %s ended with exit code %d", qPrintable(helper), qPrintable(command),
          process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1);
}

std::unique_ptr<SystemIntegration> createSystemIntegration()
{
    return std::make_unique<LinuxSystemIntegration>(
        std::string(), QCoreApplication::applicationDirPath() + QStringLiteral("/vidlet-regtool"));
}
