#pragma once

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

// One Vidlet per user and session. The first start holds a lock file and listens on a local
// socket; a later start finds the lock taken, asks the running program to bring its window to
// the front (or, for the installer, to quit; for a script, to start or end a recording), and
// exits. Both live in the same folder, named after the settings file, so a throw-away home or
// runtime folder (tests) never meets the user's own Vidlet. A lock left by a crashed program
// belongs to a dead process and is taken over, with its socket file.
// GUI thread only.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    // `folder` holds the lock and, on Linux, the socket; `settingsFile` keys the instance.
    SingleInstance(const QString& folder, const QString& settingsFile, QObject* parent = nullptr);

    // The user's instance: keyed by the program's settings file, in the session's runtime
    // folder (XDG_RUNTIME_DIR) or, on Windows, the user's temporary folder.
    static QString defaultFolder();

    // True when this process is the first; it then answers later starts.
    bool claim();
    // The program is going: the next start may run while this one still completes its
    // recordings.
    void release();
    // Asks the program that holds the lock to show its window; false when it did not confirm
    // within `timeoutMs` (it may still be starting, so connecting is retried until then).
    bool activateRunning(int timeoutMs);
    // Asks the program that holds the lock to quit, and waits for its process to end: the
    // installer replaces or removes its files only then. True when it has ended, or when none
    // ran; false when it did not answer or end within `timeoutMs`.
    bool quitRunning(int timeoutMs);
    // Asks the program that holds the lock to record as soon as video flows (`start`) or to end
    // its recording; true once it has taken the request, false when none runs or it did not
    // answer within `timeoutMs`.
    bool askRunningToRecord(bool start, int timeoutMs);

    QString serverName() const { return name; }
    QString lockFileName() const { return lockPath; }
    // How long a local caller may take to send its request before it is disconnected.
    void setIdleTimeout(int ms) { idleTimeoutMs = ms; }

Q_SIGNALS:
    void activationRequested();
    void quitRequested();
    void recordingRequested(bool start);

private:
    void onConnection();
    // Sends `request` and waits for `reply`; retried until `deadline`, as the program may still
    // be starting.
    bool ask(const QByteArray& request, const QByteArray& reply, const QDeadlineTimer& deadline);

    QString name;
    QString lockPath;
    QLockFile lock;
    int idleTimeoutMs = 5000;
    QLocalServer server;
};
