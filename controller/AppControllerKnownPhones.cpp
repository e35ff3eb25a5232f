#include "controller/AppController.h"
#include "controller/DeviceKey.h"

#include <algorithm>

// Known phones: the trusted store as the window shows it, so a phone that leaves keeps its card
// and its place. Settings: "phoneOrder" lists device ids in the order they first paired;
// "known/" + device id holds the phone's own name, model and OS version as last seen.

namespace {
const QString orderKey = QStringLiteral("phoneOrder");
}

void AppController::rememberPhone(const QString& deviceId, const QString& name,
                                  const QString& model, const QString& os)
{
    if (deviceId.isEmpty() || !server.trustedDevices().contains(deviceId))
        return;
    QStringList order = settings.value(orderKey).toStringList();
    if (!order.contains(deviceId)) {
        order << deviceId;
        settings.setValue(orderKey, order);
    }
    settings.setValue(QStringLiteral("known/") + DeviceKey::fromDeviceId(deviceId),
                      QStringList{name, model, os});
}

QVariantList AppController::knownPhones() const
{
    const QHash<QString, QString> trusted = server.trustedDevices();
    QStringList order;
    for (const QString& deviceId : settings.value(orderKey).toStringList())
        if (trusted.contains(deviceId) && !order.contains(deviceId))
            order << deviceId;
    // Phones paired before the order was kept follow, in a fixed order of their own.
    QStringList rest;
    for (auto it = trusted.cbegin(); it != trusted.cend(); ++it)
        if (!order.contains(it.key()))
            rest << it.key();
    std::sort(rest.begin(), rest.end());
    order << rest;

    QVariantList known;
    for (const QString& deviceId : order) {
        const QStringList seen =
            settings.value(QStringLiteral("known/") + DeviceKey::fromDeviceId(deviceId))
                .toStringList();
        const QString ownName = seen.value(0).isEmpty() ? QStringLiteral("Phone") : seen.value(0);
        const auto online =
            std::find_if(roster.cbegin(), roster.cend(), [&deviceId](const ConnectedPhone& phone) {
                return phone.deviceId == deviceId;
            });
        const int id = online == roster.cend() ? -1 : online->id;
        known << QVariantMap{{QStringLiteral("deviceId"), deviceId},
                             {QStringLiteral("name"), names.value(deviceId, ownName)},
                             {QStringLiteral("model"), seen.value(1)},
                             {QStringLiteral("os"), seen.value(2)},
                             {QStringLiteral("id"), id}};
    }
    return known;
}
