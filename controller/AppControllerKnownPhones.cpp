#include "controller/AppController.h"
#include "settings/AppSettings.h"

#include <algorithm>

// Known phones: the trusted store as the window shows it, so a phone that leaves keeps its card
// and its place.

void AppController::rememberPhone(const QString& deviceId, const QString& name,
                                  const QString& model, const QString& os)
{
    if (deviceId.isEmpty() || !server.trustedDevices().contains(deviceId))
        return;
    QStringList order = settings.phoneOrder();
    if (!order.contains(deviceId)) {
        order << deviceId;
        settings.setPhoneOrder(order);
    }
    settings.setPhoneSeen(deviceId, {name, model, os});
}

void AppController::forgetPhone(const QString& deviceId)
{
    QHash<QString, QString> trusted = server.trustedDevices();
    const bool connected =
        std::any_of(roster.cbegin(), roster.cend(), [&deviceId](const ConnectedPhone& phone) {
            return phone.deviceId == deviceId;
        });
    if (connected || !trusted.remove(deviceId))
        return;
    server.setTrustedDevices(trusted);
    settings.forgetPhone(deviceId);
    qInfo("Vidlet: forgot the phone %s", qUtf8Printable(deviceId));
    Q_EMIT changed();
}

QVariantList AppController::knownPhones() const
{
    const QHash<QString, QString> trusted = server.trustedDevices();
    QStringList order;
    for (const QString& deviceId : settings.phoneOrder())
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
        const QStringList seen = settings.phoneSeen(deviceId);
        const QString ownName = seen.value(0).isEmpty() ? QStringLiteral("Phone") : seen.value(0);
        const auto online =
            std::find_if(roster.cbegin(), roster.cend(), [&deviceId](const ConnectedPhone& phone) {
                return phone.deviceId == deviceId;
            });
        const int id = online == roster.cend() ? -1 : online->id;
        known << QVariantMap{{QStringLiteral("deviceId"), deviceId},
                             {QStringLiteral("name"), settings.phoneName(deviceId, ownName)},
                             {QStringLiteral("model"), seen.value(1)},
                             {QStringLiteral("os"), seen.value(2)},
                             {QStringLiteral("id"), id}};
    }
    return known;
}
