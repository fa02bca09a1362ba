#include "ProjectDocumentSerializer.h"

#include <QXmlStreamWriter>

#include <algorithm>

namespace
{
void writeElement(QXmlStreamWriter& xml, const QDomElement& element)
{
    xml.writeStartElement(element.tagName());
    const QDomNamedNodeMap map = element.attributes();
    QList<QPair<QString, QString>> attributes;
    for (int i = 0; i < map.count(); ++i) {
        const QDomAttr attribute = map.item(i).toAttr();
        attributes.append({attribute.name(), attribute.value()});
    }
    std::sort(attributes.begin(), attributes.end());
    for (const auto& attribute : qAsConst(attributes))
        xml.writeAttribute(attribute.first, attribute.second);
    for (QDomNode child = element.firstChild(); !child.isNull(); child = child.nextSibling()) {
        if (child.isElement())
            writeElement(xml, child.toElement());
        else if (child.isText()) // CDATA sections too
            xml.writeCharacters(child.nodeValue());
    }
    xml.writeEndElement();
}
} // namespace

QByteArray ProjectDocumentSerializer::serialize(const QDomDocument& document, int indent)
{
    // Written as text and encoded once: a writer on a byte array would
    // encode every piece on its way through a device.
    QString text;
    QXmlStreamWriter xml(&text);
    xml.setAutoFormatting(indent >= 0);
    xml.setAutoFormattingIndent(qMax(indent, 0));
    const QDomElement root = document.documentElement();
    if (!root.isNull())
        writeElement(xml, root);
    QByteArray bytes = text.toUtf8();
    // Without a declaration the formatter still starts with a line break.
    if (bytes.startsWith('\n'))
        bytes.remove(0, 1);
    if (indent >= 0)
        bytes.append('\n');
    return bytes;
}
