#include "settings/DeviceKey.h"

QString DeviceKey::fromDeviceId(const QString& deviceId)
{
    QString key = deviceId;
    key.replace(QLatin1Char('/'), QStringLiteral("%2F"));
    key.replace(QLatin1Char('\\'), QStringLiteral("%5C"));
    return key;
}

QString DeviceKey::toDeviceId(const QString& key)
{
    QString deviceId = key;
    deviceId.replace(QStringLiteral("%2F"), QStringLiteral("/"));
    deviceId.replace(QStringLiteral("%5C"), QStringLiteral("\\"));
    return deviceId;
}
