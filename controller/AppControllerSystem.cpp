#include "controller/AppController.h"

// Camera registration and the firewall rule are platform actions that this build does not
// carry yet; the window still gets its refresh so it re-reads the (unchanged) state.

void AppController::registerCamera()
{
    emit changed();
}

void AppController::unregisterCamera()
{
    emit changed();
}

void AppController::allowThroughFirewall()
{
    emit changed();
}
