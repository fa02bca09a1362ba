#ifndef PROJECTDOCUMENTSERIALIZER_H
#define PROJECTDOCUMENTSERIALIZER_H

#include <QByteArray>
#include <QString>

#include "ProjectElementSink.h"

// Writes a project document as UTF-8 text, printed as it is handed over, as
// QXmlStreamWriter prints it byte for byte (its line breaks and indentation,
// its empty elements, its escapes) but straight into the UTF-8 bytes: the
// stream writer makes a temporary string for every escaped value, and the
// whole text once more in UTF-16. The writer hands
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
    void startAttribute(const QString& name);
    void appendEscaped(const QString& text, bool inAttribute);
    void appendUtf8(const QChar* chars, int size);
    void appendNumber(int value);
    char* grow(int count);
    void makeRoom(int count);
    void put(char c);
    void put(QLatin1String text);

    // The bytes written are the first m_size of m_out, which has room for
    // m_room bytes in all, at m_data.
    QByteArray m_out;
    char* m_data = nullptr;
    int m_size = 0;
    int m_room = 0;
    const bool m_formatted;
    const int m_indent;
    int m_depth = 0;
    bool m_inStartTag = false;
    bool m_lastWasStartTag = false;
    bool m_wroteContent = false;
};

#endif
