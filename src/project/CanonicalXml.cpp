#include "CanonicalXml.h"

#include <QDomDocument>
#include <QDomElement>
#include <QDomNamedNodeMap>
#include <QPair>
#include <QXmlStreamWriter>

#include <algorithm>

namespace {

void writeNode(QXmlStreamWriter& out, const QDomNode& node)
{
    if (node.isText()) {
        out.writeCharacters(node.nodeValue());
        return;
    }
    if (!node.isElement())
        return;
    const QDomElement element = node.toElement();
    out.writeStartElement(element.tagName());
    const QDomNamedNodeMap map = element.attributes();
    QList<QPair<QString, QString>> attributes;
    for (int i = 0; i < map.count(); ++i) {
        const QDomAttr attribute = map.item(i).toAttr();
        attributes.append(qMakePair(attribute.name(), attribute.value()));
    }
    std::sort(attributes.begin(), attributes.end());
    for (const auto& attribute : qAsConst(attributes))
        out.writeAttribute(attribute.first, attribute.second);
    for (QDomNode child = element.firstChild(); !child.isNull(); child = child.nextSibling())
        writeNode(out, child);
    out.writeEndElement();
}

} // namespace

QByteArray CanonicalXml::normalized(const QByteArray& xml)
{
    QDomDocument document;
    if (!document.setContent(xml))
        return xml;
    QByteArray result;
    QXmlStreamWriter out(&result);
    writeNode(out, document.documentElement());
    return result;
}
