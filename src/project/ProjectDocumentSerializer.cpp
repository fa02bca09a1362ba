#include "ProjectDocumentSerializer.h"

ProjectDocumentSerializer::ProjectDocumentSerializer(int indent)
    : m_formatted(indent >= 0)
    , m_indent(qMax(indent, 0))
{
}

void ProjectDocumentSerializer::startElement(const QString& tag)
{
    if (!finishStartTag(false) && m_formatted)
        newLine(m_depth);
    ++m_depth;
    m_out += QLatin1Char('<');
    m_out += tag;
    m_inStartTag = m_lastWasStartTag = true;
}

void ProjectDocumentSerializer::attribute(const QString& name, const QString& value)
{
    m_out += QLatin1Char(' ');
    m_out += name;
    m_out += QLatin1String("=\"");
    appendEscaped(value, true);
    m_out += QLatin1Char('"');
}

void ProjectDocumentSerializer::attribute(const QString& name, int value)
{
    m_out += QLatin1Char(' ');
    m_out += name;
    m_out += QLatin1String("=\"");
    appendNumber(value);
    m_out += QLatin1Char('"');
}

void ProjectDocumentSerializer::text(const QString& text)
{
    finishStartTag(true);
    appendEscaped(text, false);
}

void ProjectDocumentSerializer::text(int value)
{
    finishStartTag(true);
    appendNumber(value);
}

void ProjectDocumentSerializer::endElement(const QString& tag)
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

QByteArray ProjectDocumentSerializer::finish()
{
    QByteArray bytes = m_out.toUtf8();
    m_out.clear();
    // Without a declaration the formatter still starts with a line break.
    if (bytes.startsWith('\n'))
        bytes.remove(0, 1);
    if (m_formatted)
        bytes.append('\n');
    return bytes;
}

// Closes a pending start tag; whether content was written since the last
// tag.
bool ProjectDocumentSerializer::finishStartTag(bool content)
{
    const bool wroteContent = m_wroteContent;
    m_wroteContent = content;
    if (m_inStartTag) {
        m_out += QLatin1Char('>');
        m_inStartTag = false;
    }
    return wroteContent;
}

void ProjectDocumentSerializer::newLine(int level)
{
    m_out += QLatin1Char('\n');
    m_out += QString(level * m_indent, QLatin1Char(' '));
}

// Markup characters as entities, in attributes also tabs and line breaks;
// characters XML cannot carry are left out.
void ProjectDocumentSerializer::appendEscaped(const QString& text, bool inAttribute)
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

// The decimal digits, as QString::number() gives them, without a string
// of their own.
void ProjectDocumentSerializer::appendNumber(int value)
{
    QChar digits[12];
    QChar* end = digits + 12;
    QChar* begin = end;
    // Through unsigned arithmetic so that the most negative value has its
    // magnitude too.
    unsigned magnitude = value < 0 ? 0u - unsigned(value) : unsigned(value);
    do {
        *--begin = QLatin1Char(char('0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        *--begin = QLatin1Char('-');
    m_out.append(begin, int(end - begin));
}
