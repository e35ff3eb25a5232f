#include "controller/RecordingName.h"

#include <QDir>
#include <QFile>

QString RecordingName::reserve(const QString& folder, const QDateTime& when)
{
    QDir().mkpath(folder);
    const QString stem =
        folder + QStringLiteral("/Vidlet_") + when.toString(QStringLiteral("yyyyMMdd_HHmmss"));
    // More starts than this within one second are not a person pressing a button.
    constexpr int maxSuffix = 100;
    for (int n = 1; n <= maxSuffix; ++n) {
        const QString path =
            stem + (n == 1 ? QString() : QStringLiteral("_%1").arg(n)) + QStringLiteral(".mp4");
        QFile file(path);
        // Exclusive creation: the name is ours only if nobody had it.
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return path;
        if (!QFile::exists(path))
            return QString(); // not taken, just impossible to create
    }
    return QString();
}
