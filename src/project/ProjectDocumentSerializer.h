#ifndef PROJECTDOCUMENTSERIALIZER_H
#define PROJECTDOCUMENTSERIALIZER_H

#include <QByteArray>
#include <QString>

#include <memory>

#include "ProjectElement.h"

// Writes a project document as UTF-8 text with the attributes of every
// element sorted by name (as in canonical XML), so that the same model gives
// the same bytes in every run.
class ProjectDocumentSerializer
{
public:
    // A document printed piece by piece: `indent` blanks per level, or one
    // line when negative.
    explicit ProjectDocumentSerializer(int indent);
    ~ProjectDocumentSerializer();
    // Prints `child` as the next child of the root element `root`, after the
    // root's start tag.
    void printChild(const ProjectElement& root, const ProjectElement& child);
    // The whole document, once every child of `root` has been printed.
    QByteArray finish(const ProjectElement& root);

    // The root element and everything below it, without an XML declaration;
    // `indent` blanks per level, or one line when negative.
    static QByteArray serialize(const ProjectElement& root, int indent);

private:
    Q_DISABLE_COPY(ProjectDocumentSerializer)
    class Printer;

    QString m_text;
    int m_indent;
    bool m_rootStarted = false;
    std::unique_ptr<Printer> m_printer;
};

#endif
