#include "settings/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
constexpr QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
}

bool PrivateFiles::makeFolder(const QString& folder)
{
    const QFileInfo info(folder);
    if (info.isDir())
        return true;
    QDir().mkpath(info.absolutePath());
    return QDir().mkdir(info.absoluteFilePath(),
                        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

bool PrivateFiles::restrictFile(const QString& file)
{
    QFile f(file);
    if (f.exists())
        return f.setPermissions(ownerOnly);
    if (!makeFolder(QFileInfo(file).absolutePath()))
        return false;
    // The mode is given at creation, so the file is never readable by others, not even empty.
    return f.open(QIODevice::WriteOnly | QIODevice::NewOnly, ownerOnly);
}
