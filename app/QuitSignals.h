#pragma once

#include <QObject>

class QSocketNotifier;

// Turns the signals that end a session (SIGTERM at shutdown or log-out, SIGINT from Ctrl+C,
// SIGHUP when the terminal goes) into an ordinary quit of the event loop, so that the
// controller's shutdown still closes the recording and removes the camera. A signal handler may
// do almost nothing, so it only writes the signal's number to a pipe; the GUI thread reads it.
// One instance, created after the application object, for the life of the event loop.
class QuitSignals : public QObject {
    Q_OBJECT

public:
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

private:
    void onSignal();

    QSocketNotifier* notifier = nullptr;
};
