#include "link/PhoneLink.h"

#include <QIODevice>
#include <QJsonDocument>
#include <QtEndian>

namespace PhoneLink {

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

QJsonObject readJsonObject(const QByteArray& payload)
{
    return QJsonDocument::fromJson(payload).object();
}

} // namespace PhoneLink
