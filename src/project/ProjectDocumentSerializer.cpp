#include "ProjectDocumentSerializer.h"

#include <QXmlStreamWriter>

QByteArray ProjectDocumentSerializer::serialize(const ProjectElement& root, int indent)
{
    // Written as text and encoded once: a writer on a byte array would
    // encode every piece on its way through a device.
    QString text;
    QXmlStreamWriter xml(&text);
    xml.setAutoFormatting(indent >= 0);
    xml.setAutoFormattingIndent(qMax(indent, 0));
    if (!root.isNull())
        root.write(xml);
    QByteArray bytes = text.toUtf8();
    // Without a declaration the formatter still starts with a line break.
    if (bytes.startsWith('\n'))
        bytes.remove(0, 1);
    if (indent >= 0)
        bytes.append('\n');
    return bytes;
}
