#include "ProjectDocumentSerializer.h"

// Prints elements as QXmlStreamWriter does, byte for byte (its line breaks
// and indentation, its empty elements, its escapes), straight into one
// string: the stream writer makes a temporary string for every escaped value.
class ProjectDocumentSerializer::Printer
{
public:
    Printer(QString& out, int indent)
        : m_out(out)
        , m_formatted(indent >= 0)
        , m_indent(qMax(indent, 0))
    {
    }

    void print(const ProjectElement& element)
    {
        printStartTag(element);
        for (const ProjectElement& child : element.children()) {
            if (child.isText()) {
                finishStartTag(true);
                appendEscaped(child.text(), false);
            } else {
                print(child);
            }
        }
        endElement(element.tagName());
    }

    void printStartTag(const ProjectElement& element)
    {
        startElement(element.tagName());
        for (const auto& attribute : element.attributes()) {
            m_out += QLatin1Char(' ');
            m_out += attribute.first;
            m_out += QLatin1String("=\"");
            appendEscaped(attribute.second, true);
            m_out += QLatin1Char('"');
        }
    }

    void endElement(const QString& tag)
    {
        if (m_inStartTag) {
            m_out += QLatin1String("/>");
            m_inStartTag = m_lastWasStartTag = false;
            --m_depth;
            return;
        }
        if (!finishStartTag(false) && !m_lastWasStartTag && m_formatted)
            newLine(m_depth - 1);
        m_lastWasStartTag = false;
        --m_depth;
        m_out += QLatin1String("</");
        m_out += tag;
        m_out += QLatin1Char('>');
    }

private:
    // Closes a pending start tag; whether content was written since the
    // last tag.
    bool finishStartTag(bool content)
    {
        const bool wroteContent = m_wroteContent;
        m_wroteContent = content;
        if (m_inStartTag) {
            m_out += QLatin1Char('>');
            m_inStartTag = false;
        }
        return wroteContent;
    }

    void newLine(int level)
    {
        m_out += QLatin1Char('\n');
        m_out += QString(level * m_indent, QLatin1Char(' '));
    }

    void startElement(const QString& tag)
    {
        if (!finishStartTag(false) && m_formatted)
            newLine(m_depth);
        ++m_depth;
        m_out += QLatin1Char('<');
        m_out += tag;
        m_inStartTag = m_lastWasStartTag = true;
    }

    // Markup characters as entities, in attributes also tabs and line
    // breaks; characters XML cannot carry are left out.
    void appendEscaped(const QString& text, bool inAttribute)
    {
        int plainFrom = 0;
        const int size = text.size();
        const QChar* chars = text.constData();
        for (int i = 0; i < size; ++i) {
            const ushort c = chars[i].unicode();
            const char* entity = nullptr;
            bool drop = false;
            switch (c) {
            case '<':
                entity = "&lt;";
                break;
            case '>':
                entity = "&gt;";
                break;
            case '&':
                entity = "&amp;";
                break;
            case '"':
                entity = "&quot;";
                break;
            case '\t':
                entity = inAttribute ? "&#9;" : nullptr;
                break;
            case '\n':
                entity = inAttribute ? "&#10;" : nullptr;
                break;
            case '\r':
                entity = inAttribute ? "&#13;" : nullptr;
                break;
            default:
                drop = c <= 0x1f || c >= 0xFFFE;
                break;
            }
            if (!entity && !drop)
                continue;
            m_out.append(chars + plainFrom, i - plainFrom);
            if (entity)
                m_out += QLatin1String(entity);
            plainFrom = i + 1;
        }
        m_out.append(chars + plainFrom, size - plainFrom);
    }

    QString& m_out;
    const bool m_formatted;
    const int m_indent;
    int m_depth = 0;
    bool m_inStartTag = false;
    bool m_lastWasStartTag = false;
    bool m_wroteContent = false;
};

ProjectDocumentSerializer::ProjectDocumentSerializer(int indent)
    : m_indent(indent)
    , m_printer(new Printer(m_text, indent))
{
}

ProjectDocumentSerializer::~ProjectDocumentSerializer() = default;

void ProjectDocumentSerializer::printChild(const ProjectElement& root, const ProjectElement& child)
{
    if (!m_rootStarted) {
        m_printer->printStartTag(root);
        m_rootStarted = true;
    }
    m_printer->print(child);
}

QByteArray ProjectDocumentSerializer::finish(const ProjectElement& root)
{
    if (!root.isNull()) {
        if (m_rootStarted)
            m_printer->endElement(root.tagName());
        else
            m_printer->print(root);
    }
    QByteArray bytes = m_text.toUtf8();
    m_text.clear();
    // Without a declaration the formatter still starts with a line break.
    if (bytes.startsWith('\n'))
        bytes.remove(0, 1);
    if (m_indent >= 0)
        bytes.append('\n');
    return bytes;
}

QByteArray ProjectDocumentSerializer::serialize(const ProjectElement& root, int indent)
{
    ProjectDocumentSerializer serializer(indent);
    return serializer.finish(root);
}
