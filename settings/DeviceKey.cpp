#include "settings/DeviceKey.h"

namespace {
bool isEscape(QStringView three)
{
    return three == QLatin1String("%25") || three == QLatin1String("%2F")
        || three == QLatin1String("%5C");
}
} // namespace

QString DeviceKey::fromDeviceId(const QString& deviceId)
{
    QString key;
    key.reserve(deviceId.size());
    for (qsizetype i = 0; i < deviceId.size(); ++i) {
        const QChar c = deviceId.at(i);
        if (c == QLatin1Char('%') && isEscape(QStringView(deviceId).mid(i, 3)))
            key += QStringLiteral("%25");
        else if (c == QLatin1Char('/'))
            key += QStringLiteral("%2F");
        else if (c == QLatin1Char('\\'))
            key += QStringLiteral("%5C");
        else
            key += c;
    }
    return key;
}

// One pass from the left, so that "%252F" reads back as "%2F". A "%" that starts none of the
// three is the id's own.
QString DeviceKey::toDeviceId(const QString& key)
{
    QString deviceId;
    deviceId.reserve(key.size());
    for (qsizetype i = 0; i < key.size(); ++i) {
        const QStringView next = QStringView(key).mid(i, 3);
        if (isEscape(next)) {
            deviceId += next == QLatin1String("%25") ? QLatin1Char('%')
                : next == QLatin1String("%2F")       ? QLatin1Char('/')
                                                     : QLatin1Char('\\');
            i += 2;
        } else {
            deviceId += key.at(i);
        }
    }
    return deviceId;
}
