#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QtGlobal>

class QIODevice;

// The phone link's wire format, shared by the PC side and by anything that plays a phone.
//
//   offset  size    field
//   0       1       type     message type below
//   1       1       flags    VIDEO_FRAME only: bit 0 = key frame; the PC writes 0
//   2       4       length   payload size, unsigned 32-bit little-endian
//   6       length  payload  JSON text or binary, as the type says
namespace PhoneLink {

inline constexpr int protocolVersion = 1;
inline constexpr int headerSize = 6;
// Largest payload a header may announce, inclusive; one more closes the connection.
inline constexpr quint32 maxPayload = 0x1000000;

inline constexpr quint8 HELLO = 0x01;
inline constexpr quint8 WELCOME = 0x02;
inline constexpr quint8 REJECT = 0x03;
inline constexpr quint8 PAIR_INFO = 0x04;
inline constexpr quint8 VIDEO_CONFIG = 0x10;
inline constexpr quint8 VIDEO_FRAME = 0x11;
inline constexpr quint8 STREAM_INFO = 0x12;
inline constexpr quint8 THUMBNAIL = 0x13;
inline constexpr quint8 SET_ACTIVE = 0x20;
inline constexpr quint8 KEYFRAME_REQUEST = 0x21;
inline constexpr quint8 PING = 0x30;
inline constexpr quint8 PONG = 0x31;
inline constexpr quint8 BYE = 0x40;

inline constexpr quint8 keyFrameFlag = 0x01;

// Largest payload a message of `type` may announce, inclusive. Only video needs megabytes; the
// others carry a little JSON, the codec's parameter sets or a small picture, so a larger header
// closes the connection before any of its payload is held.
quint32 payloadLimit(quint8 type);

// Header then payload, as two writes; the socket queues them, so this never waits.
void writeMessage(QIODevice* socket, quint8 type, quint8 flags, const QByteArray& payload);

QByteArray header(quint8 type, quint8 flags, quint32 length);

// Compact UTF-8 JSON, the only form the PC writes.
QByteArray jsonPayload(const QJsonObject& object);

// A text a phone sent, made safe for one log line: control characters become "?" and more
// than `maxLength` characters are cut, so a phone can neither forge lines nor write long ones.
QByteArray logText(const QString& text, int maxLength = 64);

// Anything that is not a JSON object reads as an empty object, so every field takes its
// default.
QJsonObject readJsonObject(const QByteArray& payload);

} // namespace PhoneLink
