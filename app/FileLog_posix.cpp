#include "app/FileLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The shared temporary folder is no place for a log: whoever creates "Vidlet" there first
// could read it or point it elsewhere.
QString FileLog::folder()
{
    const QString state = qEnvironmentVariable("XDG_STATE_HOME");
    const QString base =
        QDir::isAbsolutePath(state) ? state : QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/Vidlet");
}

bool FileLog::makeFolder(const QString& folder)
{
    QDir().mkpath(QFileInfo(folder).absolutePath());
    const QByteArray path = QFile::encodeName(folder);
    if (mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info {};
    if (lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid())
        return false;
    return (info.st_mode & 077) == 0 || chmod(path.constData(), 0700) == 0;
}

bool FileLog::append(const QString& path, const QByteArray& line)
{
    if (path.isEmpty())
        return false;
    const int fd = open(QFile::encodeName(path).constData(),
                        O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool whole = write(fd, line.constData(), size_t(line.size())) == line.size();
    close(fd);
    return whole;
}
