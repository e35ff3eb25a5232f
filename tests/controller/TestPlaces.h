#pragma once

#include "controller/AppController.h"
#include "tests/TestSandbox.h"

// A controller that meets nothing of the machine's: a port the system chooses, a usbmux service
// where none listens, and pairing-token.txt in the test's sandbox.
inline AppController::Places testPlaces()
{
    return {0, UsbMuxEndpoint::unixSocket(TestSandbox::path() + QStringLiteral("/no-usbmuxd")),
            TestSandbox::path()};
}
