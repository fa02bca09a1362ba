#include "ProjectXmlTree.h"

#include <QDomNamedNodeMap>
#include <QXmlStreamReader>

#include <algorithm>
#include <initializer_list>
#include <utility>

namespace {

// The DOM parser keeps carriage returns where the stream parser turns them
// into line feeds, and it guesses encodings its own way: documents with
// either, or with a NUL byte, are left to it. Byte order marks are too.
bool hasPlainBytes(const QByteArray& data)
{
    return !data.isEmpty() && uchar(data.at(0)) < 0x80 && !data.contains('\r') && !data.contains('\0');
}

bool startsAt(const QByteArray& data, int pos, const char* text, Qt::CaseSensitivity cs = Qt::CaseSensitive)
{
    const uint length = qstrlen(text);
    if (pos + int(length) > data.size())
        return false;
    return (cs == Qt::CaseSensitive ? qstrncmp(data.constData() + pos, text, length)
                                    : qstrnicmp(data.constData() + pos, text, length))
        == 0;
}

bool isDigit(char c, bool hex)
{
    return (c >= '0' && c <= '9') || (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
}

// Characters beyond 0xFFFF come out of a reference differently from the two
// parsers; so do those XML has no use for.
bool isPlainCharacter(uint code)
{
    return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code < 0xD800) || (code >= 0xE000 && code < 0xFFFE);
}

// The length of the well-formed reference at `pos` ("&amp;", "&#38;",
// "&#x26;", ...); 0 for anything else. The stream parser takes some broken
// character references that the DOM parser refuses.
int referenceLength(const QByteArray& data, int pos)
{
    for (const char* name : {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"}) {
        if (startsAt(data, pos, name))
            return int(qstrlen(name));
    }
    int i = pos + 1;
    if (i >= data.size() || data.at(i) != '#')
        return 0;
    const bool hex = ++i < data.size() && data.at(i) == 'x';
    if (hex)
        ++i;
    const int digits = i;
    uint code = 0;
    while (i < data.size() && isDigit(data.at(i), hex) && i - digits < 8) {
        const char c = data.at(i++);
        code = code * (hex ? 16 : 10) + uint(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
    }
    return i > digits && i < data.size() && data.at(i) == ';' && isPlainCharacter(code) ? i + 1 - pos : 0;
}

bool hasPlainReferences(const QByteArray& data)
{
    for (int pos = data.indexOf('&'); pos >= 0; pos = data.indexOf('&', pos + 1)) {
        if (referenceLength(data, pos) == 0)
            return false;
    }
    return true;
}

// Reads the pieces of an XML declaration.
class DeclarationCursor
{
public:
    explicit DeclarationCursor(const QByteArray& data)
        : m_data(data)
    {
    }

    bool skipSpace()
    {
        const int start = m_pos;
        while (m_pos < m_data.size() && (m_data.at(m_pos) == ' ' || m_data.at(m_pos) == '\t' || m_data.at(m_pos) == '\n'))
            ++m_pos;
        return m_pos > start;
    }

    bool take(const char* text, Qt::CaseSensitivity cs = Qt::CaseSensitive)
    {
        if (!startsAt(m_data, m_pos, text, cs))
            return false;
        m_pos += int(qstrlen(text));
        return true;
    }

    // White space and name="value" (or 'value') with one of `values`; moves
    // on only when all of it is there.
    bool takeAttribute(const char* name, std::initializer_list<const char*> values,
                       Qt::CaseSensitivity cs = Qt::CaseSensitive)
    {
        const int start = m_pos;
        if (skipSpace() && take(name) && take("=") && m_pos < m_data.size()) {
            const char quote[] = {m_data.at(m_pos++), 0};
            for (const char* value : values) {
                const int valueStart = m_pos;
                if ((quote[0] == '"' || quote[0] == '\'') && take(value, cs) && take(quote))
                    return true;
                m_pos = valueStart;
            }
        }
        m_pos = start;
        return false;
    }

private:
    const QByteArray& m_data;
    int m_pos = 0;
};

// No XML declaration, or a plain one: version 1.0, UTF-8 if an encoding is
// named, "yes" or "no" if standalone is. The stream parser takes some
// declarations the DOM parser refuses (standalone twice) and names
// encodings its own way.
bool hasPlainDeclaration(const QByteArray& data)
{
    DeclarationCursor cursor(data);
    if (!cursor.take("<?xml"))
        return true;
    if (!cursor.takeAttribute("version", {"1.0"}))
        return false;
    cursor.takeAttribute("encoding", {"UTF-8"}, Qt::CaseInsensitive);
    cursor.takeAttribute("standalone", {"yes", "no"});
    cursor.skipSpace();
    return cursor.take("?>");
}

// The DOM parser leaves out texts that hold nothing but white space, in the
// wide sense of QChar::isSpace().
bool isSpaceOnly(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.isSpace(); });
}

// The stream parser lets odd names through ("~"); the DOM parser refuses
// them. Names of ASCII letters, digits and "_:.-" and of letters, digits and
// marks beyond ASCII are read alike by both.
bool isNameStart(QChar c)
{
    if (c.unicode() < 0x80)
        return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            || c == QLatin1Char('_') || c == QLatin1Char(':');
    return c.isLetter();
}

bool isName(QStringView name)
{
    if (name.isEmpty() || !isNameStart(name.front()))
        return false;
    return std::all_of(name.begin() + 1, name.end(), [](QChar c) {
        if (c.unicode() < 0x80)
            return isNameStart(c) || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.')
                || c == QLatin1Char('-');
        return c.isLetterOrNumber() || c.isMark();
    });
}

bool hasPlainNames(QStringView tag, const QXmlStreamAttributes& attributes)
{
    return isName(tag) && std::all_of(attributes.begin(), attributes.end(), [](const QXmlStreamAttribute& attribute) {
        return isName(attribute.qualifiedName());
    });
}

// A comment of printable characters, tabs and line feeds, which both
// parsers take alike.
bool isPlainComment(QStringView text)
{
    return !text.contains(QLatin1String("--")) && !text.endsWith(QLatin1Char('-'))
        && std::all_of(text.begin(), text.end(), [](QChar c) {
               return (c.unicode() >= 0x20 && c.unicode() < 0xD800) || c == QLatin1Char('\t') || c == QLatin1Char('\n');
           });
}

// Maps the stream parser's character offsets (UTF-16 units) to offsets in
// the UTF-8 bytes, moving forward only.
class Utf8Cursor
{
public:
    explicit Utf8Cursor(const QByteArray& data)
        : m_data(data)
    {
    }

    int byteOffset(qint64 characterOffset)
    {
        while (m_characters < characterOffset && m_byte < m_data.size()) {
            const uchar lead = uchar(m_data.at(m_byte));
            m_characters += lead >= 0xF0 ? 2 : 1;
            m_byte += lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        }
        return std::min(m_byte, m_data.size());
    }

private:
    const QByteArray& m_data;
    qint64 m_characters = 0;
    int m_byte = 0;
};

// True when a value of the start tag that ends before byte `end` holds a
// literal tab or line feed. The DOM parser keeps those as they are, the
// stream parser turns them into spaces. No "<" stands in a tag's values, so
// the nearest one before the end starts the tag.
bool hasRawWhitespaceInValue(const QByteArray& data, int end)
{
    int start = end;
    while (start > 0 && data.at(start - 1) != '<')
        --start;
    char quote = 0;
    for (int i = start; i < end; ++i) {
        const char c = data.at(i);
        if (quote == 0 && (c == '"' || c == '\''))
            quote = c;
        else if (c == quote)
            quote = 0;
        else if (quote != 0 && (c == '\t' || c == '\n'))
            return true;
    }
    return false;
}

// A parsed document has no null strings: an empty value is empty.
QStringView nonNull(QStringView text)
{
    return text.isNull() ? QStringView(u"") : text;
}

bool anyValueHasSpace(const QXmlStreamAttributes& attributes)
{
    return std::any_of(attributes.begin(), attributes.end(), [](const QXmlStreamAttribute& attribute) {
        return attribute.value().contains(QLatin1Char(' '));
    });
}

} // namespace

bool ProjectXmlTree::parse(const QByteArray& data)
{
    clear();
    if (!hasPlainBytes(data) || !hasPlainDeclaration(data) || !hasPlainReferences(data))
        return false;
    // Literal tabs and line feeds in values need a look at the bytes; most
    // documents have none anywhere.
    const bool mayHoldRawWhitespace = data.contains('\t') || data.contains('\n');
    Utf8Cursor cursor(data);
    m_chars.reserve(data.size());
    // The open elements, each with its last child so far.
    std::vector<std::pair<int, int>> open;
    QXmlStreamReader reader(data);
    reader.setNamespaceProcessing(false);
    bool modelled = true;
    while (modelled && !reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            modelled = hasPlainNames(reader.qualifiedName(), reader.attributes())
                && !(mayHoldRawWhitespace && anyValueHasSpace(reader.attributes())
                     && hasRawWhitespaceInValue(data, cursor.byteOffset(reader.characterOffset())));
            if (modelled)
                appendStartElement(reader, open);
            break;
        case QXmlStreamReader::EndElement:
            open.pop_back();
            break;
        case QXmlStreamReader::Characters:
            // The DOM keeps CDATA sections apart from the text around them.
            if (reader.isCDATA()) {
                modelled = false;
            } else if (!open.empty() && !m_elements[open.back().first].hasText) {
                const QStringView text(reader.text());
                if (!isSpaceOnly(text))
                    setText(open.back().first, text);
            }
            break;
        case QXmlStreamReader::Comment:
            // A comment splits the text around it, as in the DOM.
            modelled = isPlainComment(reader.text());
            break;
        case QXmlStreamReader::StartDocument:
        case QXmlStreamReader::EndDocument:
            break;
        default:
            // A DTD (with entities of its own), an entity reference, a
            // processing instruction (the stream parser takes targets the DOM
            // parser refuses), an error.
            modelled = false;
            break;
        }
    }
    if (!modelled || reader.hasError() || m_elements.empty()) {
        clear();
        return false;
    }
    return true;
}

void ProjectXmlTree::appendStartElement(const QXmlStreamReader& reader, std::vector<std::pair<int, int>>& open)
{
    const int parent = open.empty() ? -1 : open.back().first;
    const int previous = open.empty() ? -1 : open.back().second;
    const int index = appendElement(reader.qualifiedName(), parent, previous);
    const QXmlStreamAttributes attributes = reader.attributes();
    for (const QXmlStreamAttribute& attribute : attributes)
        appendAttribute(index, attribute.qualifiedName(), nonNull(attribute.value()));
    if (!open.empty())
        open.back().second = index;
    open.emplace_back(index, -1);
}

ProjectXmlTree ProjectXmlTree::fromDom(const QDomElement& root)
{
    ProjectXmlTree tree;
    if (root.isNull())
        return tree;
    // Each element's children are added when it is taken from the stack: no
    // recursion, however deep the document.
    std::vector<std::pair<QDomElement, int>> pending;
    pending.emplace_back(root, tree.appendDomElement(root, -1, -1));
    while (!pending.empty()) {
        const std::pair<QDomElement, int> parent = std::move(pending.back());
        pending.pop_back();
        int previous = -1;
        for (QDomElement child = parent.first.firstChildElement(); !child.isNull(); child = child.nextSiblingElement()) {
            previous = tree.appendDomElement(child, parent.second, previous);
            pending.emplace_back(child, previous);
        }
    }
    return tree;
}

bool ProjectXmlTree::nestsDeeperThan(const QByteArray& data, int limit, qint64* line, qint64* column)
{
    QXmlStreamReader reader(data);
    reader.setNamespaceProcessing(false);
    int depth = 0;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement && ++depth > limit) {
            *line = reader.lineNumber();
            *column = reader.columnNumber();
            return true;
        }
        if (token == QXmlStreamReader::EndElement)
            --depth;
    }
    return false;
}

ProjectXmlElement ProjectXmlTree::root() const
{
    return m_elements.empty() ? ProjectXmlElement() : ProjectXmlElement(this, 0);
}

void ProjectXmlTree::clear()
{
    m_chars.clear();
    m_elements.clear();
    m_attributes.clear();
}

ProjectXmlTree::Span ProjectXmlTree::store(QStringView text)
{
    Span span;
    if (text.isNull()) {
        span.offset = -1;
        return span;
    }
    span.offset = m_chars.size();
    span.size = int(text.size());
    m_chars.append(text.data(), int(text.size()));
    return span;
}

int ProjectXmlTree::appendElement(QStringView tag, int parent, int previousSibling)
{
    const int index = int(m_elements.size());
    Element element;
    element.tag = store(tag);
    element.firstAttribute = int(m_attributes.size());
    m_elements.push_back(element);
    if (previousSibling >= 0)
        m_elements[previousSibling].nextSibling = index;
    else if (parent >= 0)
        m_elements[parent].firstChild = index;
    return index;
}

void ProjectXmlTree::appendAttribute(int element, QStringView name, QStringView value)
{
    Attribute attribute;
    attribute.name = store(name);
    attribute.value = store(value);
    m_attributes.push_back(attribute);
    ++m_elements[element].attributeCount;
}

void ProjectXmlTree::setText(int element, QStringView text)
{
    m_elements[element].text = store(text);
    m_elements[element].hasText = true;
}

int ProjectXmlTree::appendDomElement(const QDomElement& element, int parent, int previousSibling)
{
    const int index = appendElement(element.tagName(), parent, previousSibling);
    const QDomNamedNodeMap attributes = element.attributes();
    for (int i = 0; i < attributes.count(); ++i) {
        const QDomAttr attribute = attributes.item(i).toAttr();
        appendAttribute(index, attribute.name(), attribute.value());
    }
    for (QDomNode node = element.firstChild(); !node.isNull(); node = node.nextSibling()) {
        if (node.isText()) {
            setText(index, node.nodeValue());
            break;
        }
    }
    return index;
}
