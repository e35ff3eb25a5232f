#include "tools/vidlet-usbmuxd/StdinLines.h"

#include <QSocketNotifier>

#include <unistd.h>

StdinLines::StdinLines(QObject* parent)
    : QObject(parent)
{
    notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &StdinLines::readAvailable);
}

void StdinLines::readAvailable()
{
    char chunk[4096];
    const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (n <= 0) {
        notifier->setEnabled(false);
        return;
    }
    pending.append(chunk, n);
    qsizetype end;
    while ((end = pending.indexOf('\n')) >= 0) {
        Q_EMIT line(QString::fromUtf8(pending.left(end)).trimmed());
        pending.remove(0, end + 1);
    }
}
