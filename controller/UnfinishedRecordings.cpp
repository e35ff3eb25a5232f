#include "controller/UnfinishedRecordings.h"

#include "video/Mp4Recorder.h"

void UnfinishedRecordings::look(const QString& folder)
{
    if (!watcher.directories().isEmpty())
        watcher.removePaths(watcher.directories());
    this->folder = folder;
    connect(&watcher, &QFileSystemWatcher::directoryChanged, this, &UnfinishedRecordings::lookAgain,
            Qt::UniqueConnection);
    lookAgain();
}

void UnfinishedRecordings::lookAgain()
{
    const int now = Mp4Recorder::sweepUnfinished(folder.toStdWString());
    if (now > 0 && watcher.directories().isEmpty())
        watcher.addPath(folder);
    else if (now == 0 && !watcher.directories().isEmpty())
        watcher.removePaths(watcher.directories());
    if (now != count_) {
        if (now > 0)
            qInfo("Vidlet: %d recordings in %s are still being completed by the Vidlet that quit",
                  now, qUtf8Printable(folder));
        count_ = now;
        Q_EMIT countChanged();
    }
}
