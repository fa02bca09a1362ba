#ifndef PROJECTDOCUMENTSERIALIZER_H
#define PROJECTDOCUMENTSERIALIZER_H

#include <QByteArray>

#include "ProjectElement.h"

// Writes a project document as UTF-8 text with the attributes of every
// element sorted by name (as in canonical XML), so that the same model gives
// the same bytes in every run.
class ProjectDocumentSerializer
{
public:
    // The root element and everything below it, without an XML declaration;
    // `indent` blanks per level, or one line when negative.
    static QByteArray serialize(const ProjectElement& root, int indent);
};

#endif
