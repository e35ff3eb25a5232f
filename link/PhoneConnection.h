#pragma once

#include "link/FrameReader.h"

#include <QString>
#include <QtGlobal>

// What PhoneServer keeps per phone socket, from adoption until the socket reports that it
// has closed.
struct PhoneConnection {
    int id = 0;            // never reused while the program runs
    FrameReader rxBuffer;  // received bytes not yet parsed
    bool accepted = false; // HELLO was answered with WELCOME
    bool usb = false;      // the socket is a tunnel from the USB transport
    QString name;
    QString deviceId;
    qint64 lastSeenMs = 0;            // server clock at the last bytes received
    const char* closeCause = nullptr; // why the PC closed it, for the log; null: the phone did
    // The size last passed on from STREAM_INFO, when, and a change that waits for its turn.
    int width = 0;
    int height = 0;
    qint64 sizeChangedMs = 0;
    bool streamInfoHeld = false;
    int heldWidth = 0;
    int heldHeight = 0;
    int heldFps = 0;
};
