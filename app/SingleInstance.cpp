#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace {

const QByteArray showRequest = "show\n";
const QByteArray shownReply = "shown\n";

QString baseName(const QString& settingsFile)
{
    const QByteArray hash
        = QCryptographicHash::hash(settingsFile.toUtf8(), QCryptographicHash::Sha1).toHex();
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
      lock(QDir(folder).filePath(baseName(settingsFile) + QStringLiteral(".lock")))
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
    if (!lock.tryLock(0))
        return false;
    // We hold the lock, so a socket file left here is a crashed run's.
    QLocalServer::removeServer(name);
    if (!server.listen(name))
        qWarning("Vidlet: later starts cannot reach this one (%s)", qPrintable(server.errorString()));
    return true;
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
                   && socket.waitForReadyRead(int(deadline.remainingTime()))) {
            }
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
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            // A request is one short line; anything longer or else is not ours.
            if (socket->bytesAvailable() < showRequest.size())
                return;
            if (socket->read(showRequest.size()) == showRequest) {
                emit activationRequested();
                socket->write(shownReply);
            }
            socket->disconnectFromServer();
        });
    }
}
