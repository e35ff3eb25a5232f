#include "app/QuitSignals.h"

// Windows has no such signals for a GUI program: at log-out and shutdown Qt emits aboutToQuit
// while it handles the session-end message, and main stops the controller there.
QuitSignals::QuitSignals(QObject* parent)
    : QObject(parent)
{
}

QuitSignals::~QuitSignals() = default;

void QuitSignals::onSignal()
{
}
