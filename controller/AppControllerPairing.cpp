#include "controller/AppController.h"
#include "controller/PairingToken.h"
#include "settings/AppSettings.h"

#include <QCoreApplication>
#include <QStandardPaths>

// Pairing: a fresh token and QR code at every start, and the store of phones that paired.

void AppController::refreshPairing()
{
    // The program's own folder unless it cannot be written (installed), then the user's.
    const QString tokenFolder = !places.tokenFolder.isEmpty()
        ? places.tokenFolder
        : PairingToken::fileFolder(
            QCoreApplication::applicationDirPath(),
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                + QStringLiteral("/Vidlet"));
    pairing =
        PairingData::refresh(server.port(), screenshotMode, tokenFolder, places.lanInterfaces());
    server.setPairingToken(pairing.token);
    server.setPcName(pairing.pcName);
}

void AppController::followAddresses()
{
    PairingData now =
        PairingData::follow(pairing, server.port(), screenshotMode, places.lanInterfaces());
    if (now.addresses == pairing.addresses)
        return;
    qInfo("Vidlet: the LAN addresses are now %s", qUtf8Printable(now.addresses.join(u", ")));
    pairing = std::move(now);
    renderCard();
    Q_EMIT changed();
}

void AppController::regeneratePairing()
{
    server.setTrustedDevices({});
    settings.forgetPairedPhones();
    refreshPairing();
    renderCard();
    refreshFirewallBlocked();
    Q_EMIT changed();
}
