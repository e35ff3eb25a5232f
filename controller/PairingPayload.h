#pragma once

#include <QString>
#include <QStringList>

// The URI the pairing QR code carries:
//
//   vidlet://pair?v=1&pc=<PC name>&t=<token>[&h=<address:port>,<address:port>,...]
//
// The PC name is UTF-8 with everything but RFC 3986's unreserved characters percent-encoded. The
// token's alphabet and the address texts need no encoding. "h" is left out when no address is known.
namespace PairingPayload {

QString build(const QString& pcName, const QString& token, const QStringList& addresses);

}
