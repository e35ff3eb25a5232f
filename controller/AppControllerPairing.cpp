#include "controller/AppController.h"
#include "controller/DeviceKey.h"
#include "controller/PairingData.h"
#include "controller/PairingToken.h"

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
    const PairingData data = PairingData::refresh(server.port(), screenshotMode, tokenFolder);
    pairingToken = data.token;
    server.setPairingToken(data.token);
    pcName_ = data.pcName;
    server.setPcName(data.pcName);
    pairAddress_ = data.pairAddress;
    lanAddressFound = !data.addresses.isEmpty();
    qrDataUrl_ = data.qrDataUrl;
}

void AppController::regeneratePairing()
{
    server.setTrustedDevices({});
    settings.remove(QStringLiteral("trusted"));
    settings.remove(QStringLiteral("known"));
    settings.remove(QStringLiteral("phoneOrder"));
    refreshPairing();
    renderCard();
    refreshFirewallBlocked();
    emit changed();
}

void AppController::storePairedDevice(const QString& deviceId, const QString& token)
{
    settings.setValue(QStringLiteral("trusted/") + DeviceKey::fromDeviceId(deviceId), token);
}
