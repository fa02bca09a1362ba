#include "ProjectDocumentProbe.h"

#include <QObject>
#include <QXmlStreamReader>

namespace {

// True when the bytes start, after an optional byte order mark and white
// space, with "<".
bool looksLikeXml(const QByteArray& bytes)
{
    int pos = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (pos < bytes.size() && QChar::isSpace(uchar(bytes.at(pos))))
        ++pos;
    return pos < bytes.size() && bytes.at(pos) == '<';
}

QString rootElementName(const QByteArray& bytes)
{
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement)
            return xml.name().toString();
    }
    return QString();
}

} // namespace

ProjectProbe probeProjectDocument(const QByteArray& bytes, QString* reason)
{
    if (!looksLikeXml(bytes))
        return ProjectProbe::NotXml;
    const QString root = rootElementName(bytes);
    if (root == QLatin1String("Controller"))
        return ProjectProbe::Project;
    if (root.isEmpty())
        *reason = QObject::tr("not a project document: no XML element found");
    else
        *reason = QObject::tr("not a project document: the XML root element is \"%1\", not \"Controller\"").arg(root);
    return ProjectProbe::OtherXml;
}
