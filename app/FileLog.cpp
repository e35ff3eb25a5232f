#include "app/FileLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

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

    // One write per line, so that lines logged at once from two threads do not cut into each other.
    append(path, (message + QLatin1Char('\n')).toUtf8());

    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}
