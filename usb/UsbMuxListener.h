#pragma once

#include <QString>

// Who listens where Apple's usbmux service should be on Windows, as far as Windows tells. The
// pairing token goes down every tunnel, so only Apple's own multiplexer may be handed it: the
// service that iTunes and Apple Devices install, or the process that their Microsoft Store
// versions run in the user's session instead ("AppleMobileDeviceProcess.exe"), known by the
// verified signature on its program file.
struct UsbMuxListener {
    unsigned long process = 0;      // 0: Windows did not say who listens
    unsigned long appleService = 0; // the process of Apple's device service; 0: not running
    QString image;                  // the listener's program file
    QString signer;                 // who signed that file, verified; empty when nobody did

    // Empty when the listener may be handed the token; otherwise why not, for the log.
    QString refusal() const;
};
