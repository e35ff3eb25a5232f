#pragma once

#include "controller/LanAddresses.h"

#include <QString>
#include <QStringList>

// Everything the pairing screen and the phone link need to pair a new phone.
struct PairingData {
    QString token;         // the real token, for the phone link and pairing-token.txt
    QString pcName;        // the name phones show; also sent in PAIR_INFO
    QStringList addresses; // "address:port", best first, at most four
    QString pairAddress;   // first address, or "No LAN address found"
    QString payload;       // the URI in the QR code
    QString qrDataUrl;     // PNG data URL of the QR code; empty when it could not be made

    // Pure: derives the texts from what the system reported. `port` 0 (not listening yet) is shown
    // as the default port. In screenshot mode the name, the address and the token in the code
    // are demonstration values, while `token` stays the real one.
    static PairingData compute(int port, const QString& token, const QString& hostName,
                               const QList<LanInterface>& interfaces, int bestIndex,
                               bool screenshotMode);

    // Makes a new token, writes it to "pairing-token.txt" in `tokenFolder` and computes the data
    // from this machine's host name, its adapters `interfaces` and routing. GUI thread.
    static PairingData refresh(int port, bool screenshotMode, const QString& tokenFolder,
                               const QList<LanInterface>& interfaces);
    // The same token, with the addresses the adapters have now (a laptop whose Wi-Fi connected
    // after the start, or that moved to another network): phones paired already stay paired.
    static PairingData follow(const PairingData& shown, int port, bool screenshotMode,
                              const QList<LanInterface>& interfaces);
};
