#ifndef PROJECTDOCUMENTSERIALIZER_H
#define PROJECTDOCUMENTSERIALIZER_H

#include <QByteArray>
#include <QString>

#include "ProjectElementSink.h"

// Writes a project document as UTF-8 text, printed as it is handed over, as
// QXmlStreamWriter prints it byte for byte (its line breaks and indentation,
// its empty elements, its escapes) but straight into one string: the stream
// writer makes a temporary string for every escaped value. The writer hands
// the attributes of every element sorted by name (as in canonical XML), so
// that the same model gives the same bytes in every run.
class ProjectDocumentSerializer : public ProjectElementSink
{
public:
    // `indent` blanks per level, or one line when negative.
    explicit ProjectDocumentSerializer(int indent);

    void startElement(const QString& tag) override;
    void attribute(const QString& name, const QString& value) override;
    void attribute(const QString& name, int value) override;
    void text(const QString& text) override;
    void text(int value) override;
    void endElement(const QString& tag) override;

    // The whole document, without an XML declaration, once its root element
    // is closed.
    QByteArray finish();

private:
    Q_DISABLE_COPY(ProjectDocumentSerializer)

    bool finishStartTag(bool content);
    void newLine(int level);
    void appendEscaped(const QString& text, bool inAttribute);
    void appendNumber(int value);

    QString m_out;
    const bool m_formatted;
    const int m_indent;
    int m_depth = 0;
    bool m_inStartTag = false;
    bool m_lastWasStartTag = false;
    bool m_wroteContent = false;
};

#endif
