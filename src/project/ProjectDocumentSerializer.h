#ifndef PROJECTDOCUMENTSERIALIZER_H
#define PROJECTDOCUMENTSERIALIZER_H

#include <QByteArray>
#include <QDomDocument>

// Writes a DOM document as UTF-8 text with the attributes of every element
// sorted by name. Qt's own serialiser writes attributes in hash order, which
// changes from process to process; sorted attributes (as in canonical XML)
// make the same model give the same bytes in every run.
class ProjectDocumentSerializer
{
public:
    // The document's root element and everything below it, without an XML
    // declaration; `indent` blanks per level, or one line when negative.
    static QByteArray serialize(const QDomDocument& document, int indent);
};

#endif
