#include "ProjectDocumentSerializer.h"

#include <cstring>

#include "CnfByteArrayRoom.h"

// Room for `count` more bytes at the end, to be written by the caller.
inline char* ProjectDocumentSerializer::grow(int count)
{
    // Compared so that a huge count cannot overflow.
    if (count > m_room - m_size)
        makeRoom(count);
    char* at = m_data + m_size;
    m_size += count;
    return at;
}

// The byte array takes all the room it has, and grows to four times that.
// Every step may copy what is written so far: the larger steps copy a third
// of the document in all rather than all of it once more, and in a large
// document those copies, out of the cache, were the largest part of the
// memory traffic. The room never touched costs no memory, and the end gives
// the rest back.
void ProjectDocumentSerializer::makeRoom(int count)
{
    const qint64 needed = qint64(m_size) + count;
    cnfCheckByteArraySize(needed);
    const int room = int(qMax(qMin(4 * qint64(m_out.capacity()), cnfLargestByteArraySize), needed));
    m_out.reserve(room);
    m_out.resize(room);
    m_data = m_out.data();
    m_room = m_out.size();
}

inline void ProjectDocumentSerializer::put(char c)
{
    *grow(1) = c;
}

inline void ProjectDocumentSerializer::put(QLatin1String text)
{
    memcpy(grow(text.size()), text.data(), size_t(text.size()));
}

ProjectDocumentSerializer::ProjectDocumentSerializer(int indent)
    : m_formatted(indent >= 0)
    , m_indent(qMax(indent, 0))
{
    // Some room from the start, so no write ever goes through a null buffer,
    // not even one of no bytes.
    makeRoom(4096);
}

void ProjectDocumentSerializer::startElement(const QString& tag)
{
    if (!finishStartTag(false) && m_formatted)
        newLine(m_depth);
    ++m_depth;
    put('<');
    appendUtf8(tag.constData(), tag.size());
    m_inStartTag = m_lastWasStartTag = true;
}

void ProjectDocumentSerializer::attribute(const QString& name, const QString& value)
{
    startAttribute(name);
    appendEscaped(value, true);
    put('"');
}

void ProjectDocumentSerializer::attribute(const QString& name, int value)
{
    startAttribute(name);
    appendNumber(value);
    put('"');
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
        put(QLatin1String("/>"));
        m_inStartTag = m_lastWasStartTag = false;
        --m_depth;
        return;
    }
    if (!finishStartTag(false) && !m_lastWasStartTag && m_formatted)
        newLine(m_depth - 1);
    m_lastWasStartTag = false;
    --m_depth;
    put(QLatin1String("</"));
    appendUtf8(tag.constData(), tag.size());
    put('>');
}

QByteArray ProjectDocumentSerializer::finish()
{
    if (m_formatted)
        put('\n');
    m_out.resize(m_size);
    // Gives the unused room back, in place: no byte is copied.
    m_out.squeeze();
    m_data = nullptr;
    m_size = m_room = 0;
    QByteArray bytes;
    bytes.swap(m_out);
    return bytes;
}

// Closes a pending start tag; whether content was written since the last
// tag.
bool ProjectDocumentSerializer::finishStartTag(bool content)
{
    const bool wroteContent = m_wroteContent;
    m_wroteContent = content;
    if (m_inStartTag) {
        put('>');
        m_inStartTag = false;
    }
    return wroteContent;
}

// The formatter's line break before a tag, but none before the first: the
// document has no declaration to break from.
void ProjectDocumentSerializer::newLine(int level)
{
    if (m_size > 0)
        put('\n');
    const int blanks = level * m_indent;
    memset(grow(blanks), ' ', size_t(blanks));
}

void ProjectDocumentSerializer::startAttribute(const QString& name)
{
    put(' ');
    appendUtf8(name.constData(), name.size());
    put(QLatin1String("=\""));
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
        QLatin1String entity;
        bool drop = false;
        switch (c) {
        case '<':
            entity = QLatin1String("&lt;");
            break;
        case '>':
            entity = QLatin1String("&gt;");
            break;
        case '&':
            entity = QLatin1String("&amp;");
            break;
        case '"':
            entity = QLatin1String("&quot;");
            break;
        case '\t':
            entity = inAttribute ? QLatin1String("&#9;") : QLatin1String();
            break;
        case '\n':
            entity = inAttribute ? QLatin1String("&#10;") : QLatin1String();
            break;
        case '\r':
            entity = inAttribute ? QLatin1String("&#13;") : QLatin1String();
            break;
        default:
            drop = c <= 0x1f || c >= 0xFFFE;
            break;
        }
        if (entity.isEmpty() && !drop)
            continue;
        appendUtf8(chars + plainFrom, i - plainFrom);
        put(entity);
        plainFrom = i + 1;
    }
    appendUtf8(chars + plainFrom, size - plainFrom);
}

// Text that is nearly always ASCII, byte by byte; anything else encoded as
// QString::toUtf8() encodes it. The pieces of a text are cut at ASCII
// characters only, never inside a surrogate pair.
void ProjectDocumentSerializer::appendUtf8(const QChar* chars, int size)
{
    char* out = grow(size);
    for (int i = 0; i < size; ++i) {
        const ushort c = chars[i].unicode();
        if (c >= 0x80) {
            m_size -= size;
            const QByteArray encoded = QString::fromRawData(chars, size).toUtf8();
            put(QLatin1String(encoded.constData(), encoded.size()));
            return;
        }
        out[i] = char(c);
    }
}

// The decimal digits, as QString::number() gives them.
void ProjectDocumentSerializer::appendNumber(int value)
{
    char digits[12];
    char* end = digits + sizeof(digits);
    char* begin = end;
    // Through unsigned arithmetic so that the most negative value has its
    // magnitude too.
    unsigned magnitude = value < 0 ? 0u - unsigned(value) : unsigned(value);
    do {
        *--begin = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        *--begin = '-';
    put(QLatin1String(begin, int(end - begin)));
}
