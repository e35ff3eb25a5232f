#include "controller/PairingData.h"

#include "controller/PairingPayload.h"
#include "controller/PairingToken.h"
#include "controller/QrImage.h"
#include "system/BestInterface.h"
#include "system/Product.h"

#include <QHostInfo>

namespace {

// What documentation screenshots show instead of this machine's name, address and secret.
const QString demoPcName = QStringLiteral("DESKTOP-VIDLET");
const QString demoAddress = QStringLiteral("192.168.1.42");
const QString demoToken = QStringLiteral("Vid1etDemoT0ken7");

} // namespace

PairingData PairingData::compute(int port, const QString& token, const QString& hostName,
                                 const QList<LanInterface>& interfaces, int bestIndex,
                                 bool screenshotMode)
{
    const int shownPort = port != 0 ? port : Product::phonePort;

    PairingData data;
    data.token = token;
    if (screenshotMode) {
        data.pcName = demoPcName;
        data.addresses = {demoAddress + QLatin1Char(':') + QString::number(shownPort)};
    } else {
        data.pcName = hostName;
        data.addresses = LanAddresses::pick(interfaces, bestIndex, shownPort);
    }
    data.pairAddress =
        data.addresses.isEmpty() ? QStringLiteral("No LAN address found") : data.addresses.first();
    data.payload =
        PairingPayload::build(data.pcName, screenshotMode ? demoToken : token, data.addresses);
    data.qrDataUrl = QrImage::dataUrl(data.payload);
    return data;
}

PairingData PairingData::refresh(int port, bool screenshotMode, const QString& tokenFolder,
                                 const QList<LanInterface>& interfaces)
{
    const QString token = PairingToken::make();
    PairingToken::save(token, tokenFolder);
    return compute(port, token, QHostInfo::localHostName(), interfaces, BestInterface::index(),
                   screenshotMode);
}

PairingData PairingData::follow(const PairingData& shown, int port, bool screenshotMode,
                                const QList<LanInterface>& interfaces)
{
    return compute(port, shown.token, QHostInfo::localHostName(), interfaces,
                   BestInterface::index(), screenshotMode);
}
