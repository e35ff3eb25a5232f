#include "usb/UsbMuxCodec.h"

#include <QXmlStreamReader>
#include <QtEndian>

namespace usbmux {
namespace {

// A peer could nest dictionaries until the stack runs out; the service's messages are at
// most two levels deep.
constexpr int kMaxDictDepth = 16;

const QString kProgName = QStringLiteral("Vidlet");

QVariantMap readDictAtDepth(QXmlStreamReader& reader, int depth)
{
    QVariantMap map;
    QString key;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::EndElement && reader.name() == u"dict")
            break;
        if (token != QXmlStreamReader::StartElement)
            continue;

        const QStringView name = reader.name();
        if (name == u"key") {
            key = reader.readElementText();
            continue;
        }
        QVariant value;
        if (name == u"string") {
            value = reader.readElementText();
        } else if (name == u"integer") {
            value = reader.readElementText().trimmed().toLongLong();
        } else if (name == u"true" || name == u"false") {
            value = name == u"true";
            reader.skipCurrentElement();
        } else if (name == u"dict" && depth < kMaxDictDepth) {
            value = readDictAtDepth(reader, depth + 1);
        } else {
            reader.skipCurrentElement();
        }
        // A value the document broke off in the middle of may be cut short ("12" of "123").
        if (reader.hasError())
            break;
        map.insert(key, value);
        key.clear();
    }
    return map;
}

} // namespace

QString xmlEscape(const QString& text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    escaped.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    escaped.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    return escaped;
}

QByteArray buildPlist(const QVariantMap& map)
{
    QString entries;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        entries += QStringLiteral("<key>%1</key>").arg(xmlEscape(it.key()));
        if (it.value().typeId() == QMetaType::QString)
            entries += QStringLiteral("<string>%1</string>").arg(xmlEscape(it.value().toString()));
        else
            entries += QStringLiteral("<integer>%1</integer>").arg(it.value().toLongLong());
    }
    const QString document =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                       "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                       "<plist version=\"1.0\"><dict>")
        + entries + QStringLiteral("</dict></plist>\n");
    return document.toUtf8();
}

QByteArray buildHeader(quint32 payloadSize, quint32 tag)
{
    QByteArray header(kHeaderSize, Qt::Uninitialized);
    uchar* out = reinterpret_cast<uchar*>(header.data());
    qToLittleEndian<quint32>(payloadSize + kHeaderSize, out);
    qToLittleEndian<quint32>(1, out + 4);
    qToLittleEndian<quint32>(8, out + 8);
    qToLittleEndian<quint32>(tag, out + 12);
    return header;
}

QVariantMap parsePlist(const QByteArray& payload)
{
    QXmlStreamReader reader(payload);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == u"dict")
            return readDict(reader);
    }
    return {};
}

QVariantMap readDict(QXmlStreamReader& reader)
{
    return readDictAtDepth(reader, 1);
}

bool takeMessage(QByteArray& buffer, QVariantMap& message)
{
    if (buffer.size() < kHeaderSize)
        return false;
    const quint32 length = qFromLittleEndian<quint32>(buffer.constData());
    if (length - kHeaderSize > kMaxMessageLength - kHeaderSize) {
        buffer.clear();
        return false;
    }
    if (quint32(buffer.size()) < length)
        return false;
    message = parsePlist(buffer.mid(kHeaderSize, length - kHeaderSize));
    buffer.remove(0, length);
    return true;
}

qsizetype bytesMissing(const QByteArray& buffer)
{
    if (buffer.size() < kHeaderSize)
        return kHeaderSize - buffer.size();
    return qFromLittleEndian<quint32>(buffer.constData()) - buffer.size();
}

bool isSuccess(const QVariantMap& message)
{
    const QVariant number = message.value(QStringLiteral("Number"));
    return message.value(QStringLiteral("MessageType")).toString() == u"Result"
        && number.typeId() == QMetaType::LongLong && number.toLongLong() == 0;
}

QVariantMap listenRequest()
{
    return {
        {QStringLiteral("ClientVersionString"), kProgName},
        {QStringLiteral("MessageType"), QStringLiteral("Listen")},
        {QStringLiteral("ProgName"), kProgName},
        {QStringLiteral("kLibUSBMuxVersion"), 3},
    };
}

QVariantMap connectRequest(int deviceId)
{
    return {
        {QStringLiteral("ClientVersionString"), kProgName},
        {QStringLiteral("DeviceID"), deviceId},
        {QStringLiteral("MessageType"), QStringLiteral("Connect")},
        {QStringLiteral("PortNumber"), kPhoneAppPortSwapped},
        {QStringLiteral("ProgName"), kProgName},
    };
}

} // namespace usbmux
