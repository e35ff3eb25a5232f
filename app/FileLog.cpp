#include "app/FileLog.h"

#include "app/LogLimiter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <mutex>

QString FileLog::prepare(const QString& folder)
{
    if (!makeFolder(folder))
        return {};
    const QString path = QDir(folder).filePath(QStringLiteral("vidlet.log"));
    const QFileInfo info(path);
    if (info.exists() && info.size() > sizeLimit)
        QFile::remove(path);
    return path;
}

void FileLog::handler(QtMsgType, const QMessageLogContext&, const QString& message)
{
    static const QString path = prepare(folder());
    static LogLimiter limiter;
    static std::mutex limiterLock;
    static const QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();

    QStringList lines;
    {
        std::lock_guard<std::mutex> guard(limiterLock);
        lines = limiter.admit(message, clock.elapsed());
    }
    for (const QString& line : std::as_const(lines)) {
        // One write per line, so that lines logged at once from two threads do not cut into
        // each other.
        append(path, (line + QLatin1Char('\n')).toUtf8());

        std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    }
}
