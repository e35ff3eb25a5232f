#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>

// The recordings in the recording folder that a Vidlet which quit is still completing: a start
// soon after a quit finds them, and the window says so until they are done. Looking also clears
// what a killed Vidlet left unfinished there. While any is being completed the folder is
// watched, and the completion's rename ends the wait.
class UnfinishedRecordings : public QObject {
    Q_OBJECT

public:
    // Looks at `folder` now and follows it from then on.
    void look(const QString& folder);
    int count() const { return count_; }

Q_SIGNALS:
    void countChanged();

private:
    void lookAgain();

    QString folder;
    int count_ = 0;
    QFileSystemWatcher watcher;
};
