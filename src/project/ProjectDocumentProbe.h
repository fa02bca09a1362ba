#ifndef PROJECTDOCUMENTPROBE_H
#define PROJECTDOCUMENTPROBE_H

#include <QByteArray>
#include <QString>

// How a byte image relates to the project document, the only XML format.
enum class ProjectProbe {
    NotXml, // some other format may accept the bytes
    Project, // XML with the root element "Controller"
    OtherXml, // XML, but not a project document
};

// Looks at the start and the root element of `bytes` only; for OtherXml
// `reason` says what is wrong.
ProjectProbe probeProjectDocument(const QByteArray& bytes, QString* reason);

#endif
