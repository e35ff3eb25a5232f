#include "app/QuitSignals.h"

// Windows has no such signals for a GUI program: at log-out and shutdown Qt ends the event loop
// itself when the session-end message arrives.
QuitSignals::QuitSignals(QObject* parent)
    : QObject(parent)
{
}

QuitSignals::~QuitSignals() = default;

void QuitSignals::onSignal() {}
