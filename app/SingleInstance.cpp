#include "app/SingleInstance.h"

#include "app/ProcessEnd.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

namespace {

// Requests are one line of five bytes.
const QByteArray showRequest = "show\n";
const QByteArray shownReply = "shown\n";
const QByteArray quitRequest = "quit\n";
const QByteArray quittingReply = "quitting\n";
const QByteArray recordRequest = "rec1\n";
const QByteArray stopRecordingRequest = "rec0\n";
const QByteArray recordingReply = "taken\n";

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
    return ask(showRequest, shownReply, QDeadlineTimer(timeoutMs));
}

bool SingleInstance::quitRunning(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    qint64 pid = 0;
    QString host, application;
    if (lock.tryLock(0)) {
        lock.unlock();
        return true; // nothing runs
    }
    if (!lock.getLockInfo(&pid, &host, &application) || !ask(quitRequest, quittingReply, deadline))
        return false;
    return waitForProcessEnd(pid, int(qMax<qint64>(0, deadline.remainingTime())));
}

bool SingleInstance::askRunningToRecord(bool start, int timeoutMs)
{
    if (lock.tryLock(0)) {
        lock.unlock();
        return false; // nothing runs: asking would wait out the whole time for nobody
    }
    return ask(start ? recordRequest : stopRecordingRequest, recordingReply,
               QDeadlineTimer(timeoutMs));
}

bool SingleInstance::ask(const QByteArray& request, const QByteArray& reply,
                         const QDeadlineTimer& deadline)
{
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(name);
        if (socket.waitForConnected(int(qMin<qint64>(500, deadline.remainingTime())))) {
            socket.write(request);
            while (socket.bytesAvailable() < reply.size()
                   && socket.waitForReadyRead(int(deadline.remainingTime()))) {}
            if (socket.read(reply.size()) == reply)
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
            const QByteArray request = socket->read(showRequest.size());
            if (request == showRequest) {
                Q_EMIT activationRequested();
                socket->write(shownReply);
            } else if (request == quitRequest) {
                socket->write(quittingReply);
                socket->flush();
                Q_EMIT quitRequested();
            } else if (request == recordRequest || request == stopRecordingRequest) {
                Q_EMIT recordingRequested(request == recordRequest);
                socket->write(recordingReply);
            }
            socket->disconnectFromServer();
        });
    }
}
