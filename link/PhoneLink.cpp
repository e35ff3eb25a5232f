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
