#include "system/SystemIntegration_linux.h"

#include "system/LinuxFirewall.h"
#include "system/LoopbackDevices.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <memory>

#include <sys/stat.h>

namespace {

// pkexec runs the helper as root, so the helper must be a file that only root can change, in
// folders that only root can change: never a copy that another user, or the user, could swap.
// Each folder up to "/" is root's and writable by nobody else, or sticky like /tmp.
QString whyUntrusted(const QString& path)
{
    const QFileInfo file(path);
    if (!file.exists())
        return QStringLiteral("not found");
    QString at = file.canonicalFilePath();
    for (bool isFile = true;; isFile = false) {
        struct stat st {};
        if (::lstat(QFile::encodeName(at).constData(), &st) != 0)
            return at + QStringLiteral(" cannot be read");
        if (st.st_uid != 0)
            return at + QStringLiteral(" does not belong to root");
        const bool othersWrite = (st.st_mode & (S_IWGRP | S_IWOTH)) != 0;
        if (othersWrite && (isFile || !(st.st_mode & S_ISVTX)))
            return at + QStringLiteral(" can be changed by others");
        if (at == QLatin1String("/"))
            return {};
        at = QFileInfo(at).absolutePath();
    }
}

} // namespace

LinuxSystemIntegration::LinuxSystemIntegration(std::string root, QString helper)
    : root(std::move(root)),
      helper(std::move(helper))
{
}

bool LinuxSystemIntegration::isCameraRegistered() const
{
    return findLoopbackDevice(root + kLoopbackSysfsFolder, loopbackCameraLabel).number >= 0;
}

bool LinuxSystemIntegration::isInboundBlocked() const
{
    return LinuxFirewall(root).isPortBlocked();
}

void LinuxSystemIntegration::registerCamera(std::function<void()> done)
{
    runHelper(QStringLiteral("--register"), std::move(done));
}

void LinuxSystemIntegration::unregisterCamera(std::function<void()> done)
{
    runHelper(QStringLiteral("--unregister"), std::move(done));
}

void LinuxSystemIntegration::allowThroughFirewall(std::function<void()> done)
{
    runHelper(QStringLiteral("--firewall"), std::move(done));
}

void LinuxSystemIntegration::runHelper(const QString& command, std::function<void()> done)
{
    if (running) {
        qWarning("Vidlet: %s is still running; %s waits for another try", qPrintable(helper),
                 qPrintable(command));
        return done();
    }
    const QString why = whyUntrusted(helper);
    if (!why.isEmpty()) {
        qWarning("Vidlet: not running %s as administrator: %s", qPrintable(helper),
                 qPrintable(why));
        return done();
    }
    // Without a parent: a helper still at work when the program ends finishes its change.
    auto* process = new QProcess;
    running = process;
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    QObject::connect(process, &QProcess::finished, &lifetime,
                     [this, command, done](int code, QProcess::ExitStatus status) {
                         // The state is read afresh whatever this says; the log keeps it for
                         // support.
                         qInfo("Vidlet: %s %s ended with exit code %d", qPrintable(helper),
                               qPrintable(command), status == QProcess::NormalExit ? code : -1);
                         done();
                     });
    QObject::connect(process, &QProcess::errorOccurred, &lifetime,
                     [process, done](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         qWarning("Vidlet: cannot start pkexec: %s",
                                  qPrintable(process->errorString()));
                         process->deleteLater();
                         done();
                     });
    // By its own path: whatever PATH holds, only the system's pkexec may ask for the password.
    process->start(QString::fromStdString(root) + QStringLiteral("/usr/bin/pkexec"),
                   {helper, command});
}

std::unique_ptr<SystemIntegration> createSystemIntegration()
{
    return std::make_unique<LinuxSystemIntegration>(
        std::string(), QCoreApplication::applicationDirPath() + QStringLiteral("/vidlet-regtool"));
}
