#include "controller/PairingPayload.h"

#include <QUrl>

QString PairingPayload::build(const QString& pcName, const QString& token,
                              const QStringList& addresses)
{
    // QUrl keeps exactly the unreserved characters (letters, digits, "-", ".", "_", "~") unencoded.
    QString payload = QStringLiteral("vidlet://pair?v=1&pc=")
        + QString::fromLatin1(QUrl::toPercentEncoding(pcName)) + QStringLiteral("&t=") + token;
    if (!addresses.isEmpty())
        payload += QStringLiteral("&h=") + addresses.join(QLatin1Char(','));
    return payload;
}
