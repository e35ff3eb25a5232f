#include "app/FileLog.h"

#include <QDir>
#include <QFile>

QString FileLog::folder()
{
    const QString localAppData = qEnvironmentVariable("LOCALAPPDATA");
    const QString base = localAppData.isEmpty() ? QDir::tempPath() : localAppData;
    return base + QStringLiteral("/Vidlet");
}

bool FileLog::makeFolder(const QString& folder)
{
    return QDir().mkpath(folder);
}

bool FileLog::append(const QString& path, const QByteArray& line)
{
    QFile file(path);
    return !path.isEmpty() && file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)
        && file.write(line) == line.size();
}
