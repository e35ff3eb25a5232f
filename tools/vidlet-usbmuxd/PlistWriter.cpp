#include "tools/vidlet-usbmuxd/PlistWriter.h"

#include <QXmlStreamWriter>

namespace {

void writeValue(QXmlStreamWriter& xml, const QVariant& value);

void writeDict(QXmlStreamWriter& xml, const QVariantMap& map)
{
    xml.writeStartElement(QStringLiteral("dict"));
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        xml.writeTextElement(QStringLiteral("key"), it.key());
        writeValue(xml, it.value());
    }
    xml.writeEndElement();
}

void writeValue(QXmlStreamWriter& xml, const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QVariantMap:
        writeDict(xml, value.toMap());
        break;
    case QMetaType::QVariantList:
        xml.writeStartElement(QStringLiteral("array"));
        for (const QVariant& item : value.toList())
            writeValue(xml, item);
        xml.writeEndElement();
        break;
    case QMetaType::QString:
        xml.writeTextElement(QStringLiteral("string"), value.toString());
        break;
    case QMetaType::Bool:
        xml.writeEmptyElement(value.toBool() ? QStringLiteral("true") : QStringLiteral("false"));
        break;
    default:
        xml.writeTextElement(QStringLiteral("integer"), QString::number(value.toLongLong()));
    }
}

} // namespace

QByteArray writePrettyPlist(const QVariantMap& map)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(-1);
    xml.writeStartDocument();
    xml.writeDTD(QStringLiteral("<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                                "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">"));
    xml.writeStartElement(QStringLiteral("plist"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
    writeDict(xml, map);
    xml.writeEndDocument();
    return out;
}
