#include "app/QuitSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int quitSignals[] = {SIGTERM, SIGINT, SIGHUP};
int signalPipe[2] = {-1, -1}; // read end, write end

void onQuitSignal(int number)
{
    const int saved = errno;
    const char byte = char(number);
    [[maybe_unused]] const ssize_t written = write(signalPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

QuitSignals::QuitSignals(QObject* parent)
    : QObject(parent)
{
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        qWarning("Vidlet: cannot watch for quit signals");
        return;
    }
    notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &QuitSignals::onSignal);
    struct sigaction action {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : quitSignals)
        sigaction(number, &action, nullptr);
}

QuitSignals::~QuitSignals()
{
    if (!notifier)
        return;
    // From here on a signal ends the program at once again, as during the rest of shutdown.
    for (int number : quitSignals)
        signal(number, SIG_DFL);
    delete notifier;
    close(signalPipe[0]);
    close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

void QuitSignals::onSignal()
{
    char byte = 0;
    while (read(signalPipe[0], &byte, 1) == 1) {
        qInfo("Vidlet: signal %d received, quitting", int(byte));
        QCoreApplication::quit();
    }
}
