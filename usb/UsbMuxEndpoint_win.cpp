#include "usb/UsbMuxEndpoint.h"

// The Windows service listens on TCP only.
UsbMuxEndpoint::Opening UsbMuxEndpoint::openUnix(QTcpSocket&) const
{
    return Opening::Failed;
}

bool UsbMuxEndpoint::serviceInstalled(const QString&)
{
    return true;
}
