#pragma once

#include <QByteArray>
#include <QObject>

class QSocketNotifier;

// Reads commands from standard input without blocking the event loop (POSIX): one signal
// per line.
// End of input stops reading; it does not end the program, so a service started with no
// input keeps running.
class StdinLines : public QObject {
    Q_OBJECT

public:
    explicit StdinLines(QObject* parent = nullptr);

Q_SIGNALS:
    void line(const QString& text);

private:
    void readAvailable();

    QSocketNotifier* notifier = nullptr;
    QByteArray pending;
};
