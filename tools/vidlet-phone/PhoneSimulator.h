#pragma once

#include "tools/vidlet-phone/PhoneOptions.h"

#include <QList>
#include <QObject>
#include <QTimer>

class PhoneSession;
class QTcpServer;
class QTcpSocket;

// The whole simulated phone: over the LAN one connection to the PC; in USB mode a listener on
// the phone app's port that serves every tunnel the PC opens, each as its own session. The
// duration, the frame limit and the pause are counted from the first WELCOME. finished()
// carries the process's exit code.
class PhoneSimulator : public QObject {
    Q_OBJECT
public:
    enum ExitCode { Ok = 0, BadArguments = 1, CannotConnect = 2, Rejected = 3, Lost = 4 };

    explicit PhoneSimulator(const PhoneOptions& options, QObject* parent = nullptr);

    // Starts connecting or listening; false (with a message) when that cannot begin.
    bool start();

Q_SIGNALS:
    void finished(int exitCode);

private:
    void connectToPc();
    void onNewTunnel();
    PhoneSession* addSession(QTcpSocket* socket, bool usb);
    void onWelcomed();
    void onFrameSent();
    void setPaused(bool paused);
    void finishAll();
    void onSessionClosed(PhoneSession* session);
    void end(int exitCode);

    const PhoneOptions options;
    QTcpServer* server = nullptr;
    QList<PhoneSession*> sessions;
    QTimer durationTimer;
    QTimer pauseStartTimer;
    QTimer pauseEndTimer;
    // Bounds the wait for a graceful close when the PC stops reading.
    QTimer closeDeadline;
    bool timelineStarted = false;
    bool paused = false;
    bool finishing = false;
    bool ended = false;
    qint64 framesSent = 0;
};
