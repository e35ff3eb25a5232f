#include "link/PhoneLink.h"

#include <QIODevice>
#include <QJsonDocument>
#include <QtEndian>

namespace PhoneLink {

quint32 payloadLimit(quint8 type)
{
    switch (type) {
    case VIDEO_FRAME:
        return maxPayload;
    case THUMBNAIL:
        return 512 * 1024; // a JPEG a few hundred pixels wide
    case HELLO:
    case VIDEO_CONFIG: // parameter sets are tens of bytes; a handful of them at most
        return 64 * 1024;
    case WELCOME:
    case REJECT:
    case PAIR_INFO:
    case STREAM_INFO:
    case SET_ACTIVE:
    case KEYFRAME_REQUEST:
    case PING:
    case PONG:
    case BYE:
        return 4 * 1024;
    default:
        return 64 * 1024; // types of a later protocol are read and passed over
    }
}

QByteArray header(quint8 type, quint8 flags, quint32 length)
{
    QByteArray bytes(headerSize, Qt::Uninitialized);
    bytes[0] = char(type);
    bytes[1] = char(flags);
    qToLittleEndian<quint32>(length, bytes.data() + 2);
    return bytes;
}

void writeMessage(QIODevice* socket, quint8 type, quint8 flags, const QByteArray& payload)
{
    socket->write(header(type, flags, quint32(payload.size())));
    socket->write(payload);
}

QByteArray jsonPayload(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray logText(const QString& text, int maxLength)
{
    QString safe = text.left(maxLength);
    for (QChar& c : safe) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format
            || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = QLatin1Char('?');
    }
    if (text.size() > maxLength)
        safe += QStringLiteral("...");
    return safe.toUtf8();
}

QJsonObject readJsonObject(const QByteArray& payload)
{
    return QJsonDocument::fromJson(payload).object();
}

} // namespace PhoneLink
