#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

namespace {

const QByteArray showRequest = "show\n";
const QByteArray shownReply = "shown\n";

QString baseName(const QString& settingsFile)
{
    const QByteArray hash =
        QCryptographicHash::hash(settingsFile.toUtf8(), QCryptographicHash::Sha1).toHex();
    return QStringLiteral("vidlet-") + QString::fromLatin1(hash.left(16));
}

} // namespace

SingleInstance::SingleInstance(const QString& folder, const QString& settingsFile, QObject* parent)
    : QObject(parent),
#ifdef Q_OS_WIN
      // Pipe names are machine-wide; the settings file's path already names the user.
      name(baseName(settingsFile)),
#else
      name(QDir(folder).filePath(baseName(settingsFile) + QStringLiteral(".socket"))),
#endif
      lockPath(QDir(folder).filePath(baseName(settingsFile) + QStringLiteral(".lock"))),
      lock(lockPath)
{
    QDir().mkpath(folder);
    // Only a lock whose process has gone is stale, never one that is merely old.
    lock.setStaleLockTime(0);
    server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server, &QLocalServer::newConnection, this, &SingleInstance::onConnection);
}

QString SingleInstance::defaultFolder()
{
#ifdef Q_OS_WIN
    return QDir::tempPath();
#else
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
#endif
}

bool SingleInstance::claim()
{
    if (!lock.tryLock(0)) {
        // Only a lock that a live process holds means another Vidlet (QLockFile has already
        // taken over one of a dead process). A lock that cannot be made or read (a folder in
        // its place, no permission) must not keep this one from starting: it only loses the
        // guard.
        qint64 pid = 0;
        QString host, application;
        if (lock.error() == QLockFile::LockFailedError
            && lock.getLockInfo(&pid, &host, &application))
            return false;
        qWarning("Vidlet: cannot take the lock %s; starting without the one-instance guard",
                 qPrintable(lockPath));
        return true;
    }
    // We hold the lock, so a socket file left here is a crashed run's.
    QLocalServer::removeServer(name);
    if (!server.listen(name))
        qWarning("Vidlet: later starts cannot reach this one (%s)",
                 qPrintable(server.errorString()));
    return true;
}

void SingleInstance::release()
{
    server.close();
    if (lock.isLocked())
        lock.unlock();
}

bool SingleInstance::activateRunning(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(name);
        if (socket.waitForConnected(int(qMin<qint64>(500, deadline.remainingTime())))) {
            socket.write(showRequest);
            while (socket.bytesAvailable() < shownReply.size()
                   && socket.waitForReadyRead(int(deadline.remainingTime()))) {}
            if (socket.read(shownReply.size()) == shownReply)
                return true;
        }
        QThread::msleep(100);
    }
    return false;
}

void SingleInstance::onConnection()
{
    while (QLocalSocket* socket = server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A caller that never sends its line is dropped rather than kept for ever.
        QTimer::singleShot(idleTimeoutMs, socket, &QLocalSocket::abort);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            // A request is one short line; anything longer or else is not ours.
            if (socket->bytesAvailable() < showRequest.size())
                return;
            if (socket->read(showRequest.size()) == showRequest) {
                Q_EMIT activationRequested();
                socket->write(shownReply);
            }
            socket->disconnectFromServer();
        });
    }
}
