#pragma once

#include "controller/LanAddresses.h"
#include "link/PhoneServer.h"
#include "system/Product.h"
#include "usb/UsbMuxEndpoint.h"

#include <QString>

#include <functional>

// Where the controller meets the machine. The defaults are the real ones; the command line
// and tests point them elsewhere, so that a stand-in service can play attached phones and a
// second copy never meets the first one's port, service or token file.
struct ControllerPlaces {
    quint16 port = Product::phonePort; // tried first; when taken, the system chooses
    UsbMuxEndpoint usbService = UsbMuxEndpoint::platformDefault();
    QString tokenFolder; // for pairing-token.txt; empty: the program's own folder
    // The machine's network adapters, read at start and again while no phone is connected.
    std::function<QList<LanInterface>()> lanInterfaces = LanAddresses::system;
};

// How long the session waits on its own. Tests shorten them, so that they wait for the
// events rather than for the time.
struct SessionIntervals {
    int stallLimitMs = 1500; // no new picture for this long: the phone paused its video
    int stallCheckMs = 400;  // how often that is checked
    int statsMs = 500;       // the statistics tick (frame rate, decode time, firewall)
    int paceMs = 0;          // the pacing queue's tick; 0: the phone's frame interval
    // Between a phone's sizes, and between the camera's, whatever changes it.
    int resizeMs = PhoneServer::defaultSizeChangeIntervalMs;
    int unreadRefreshMs = 1000; // how often a camera nobody reads gets a new picture
};
