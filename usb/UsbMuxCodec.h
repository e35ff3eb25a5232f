#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantMap>

class QXmlStreamReader;

// The usbmux wire format in its property-list dialect. Every message is a 16-byte header
// followed by an XML property list whose top level is a dictionary:
//
//   offset  field    (unsigned 32-bit little-endian)
//   0       length   16 + payload bytes
//   4       version  1 = property lists
//   8       type     8 = property list
//   12      tag      sender's counter; replies are not matched by it
//   16      payload  UTF-8 XML, no terminating zero
//
// Values read from a payload are strings, qint64, bools, nested QVariantMaps, or invalid
// QVariants for elements this reader does not use (arrays, data, reals, dates).
namespace usbmux {

constexpr int kHeaderSize = 16;
constexpr quint32 kMaxMessageLength = 0x400000;
// The phone app's port 7847 as the service wants it: network byte order read as a
// little-endian number.
constexpr quint16 kPhoneAppPort = 7847;
constexpr quint16 kPhoneAppPortSwapped = quint16((kPhoneAppPort >> 8) | (kPhoneAppPort << 8));

QString xmlEscape(const QString& text);

// Writes string values as <string> and everything else as <integer>; nested maps are never
// passed here.
QByteArray buildPlist(const QVariantMap& map);

QByteArray buildHeader(quint32 payloadSize, quint32 tag);

// Empty map when the payload holds no dictionary; on malformed XML, what was read before
// the error.
QVariantMap parsePlist(const QByteArray& payload);

// Reads the entries of one dictionary; `reader` stands just after the opening <dict>.
QVariantMap readDict(QXmlStreamReader& reader);

// Removes one complete message from the front of `buffer` and parses it into `message`.
// False while the message is incomplete. A length field outside 16..4 MiB empties the
// buffer, since nothing after it can be framed.
bool takeMessage(QByteArray& buffer, QVariantMap& message);

// How many more bytes the message at the front of `buffer` needs, once takeMessage has
// returned false for it. Lets a reader stop exactly at the end of a message.
qsizetype bytesMissing(const QByteArray& buffer);

// A "Result" whose "Number" is the integer 0. Anything else, a missing or non-integer
// "Number" included, is a refusal.
bool isSuccess(const QVariantMap& message);

QVariantMap listenRequest();
QVariantMap connectRequest(int deviceId);

} // namespace usbmux
