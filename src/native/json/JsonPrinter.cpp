#include "JsonPrinter.h"

#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QRegularExpression>

#include <QVarLengthArray>
#include <QVector>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <vector>

#include "CnfByteArrayRoom.h"
#include "JsonAccess.h"

namespace {

// Decimals beyond what a double carries only add noise.
const int kMaxDecimals = 17;

bool isObject(const QVariant& value)
{
    return value.userType() == QMetaType::QVariantMap || value.userType() == QMetaType::QVariantHash;
}

bool isArray(const QVariant& value)
{
    return value.userType() == QMetaType::QVariantList || value.userType() == QMetaType::QStringList;
}

// A map keeps its keys in order; a hash is sorted first, so that the output
// never depends on hash order.
QVariantMap objectOf(const QVariant& value)
{
    if (value.userType() == QMetaType::QVariantMap)
        return value.toMap();
    QVariantMap sorted;
    const QVariantHash hash = value.toHash();
    for (auto it = hash.cbegin(); it != hash.cend(); ++it)
        sorted.insert(it.key(), it.value());
    return sorted;
}

// An entry's flag: the value when given, else the inherited one.
bool flag(const QVariantList& entry, int index, bool inherited)
{
    if (index >= entry.size() || JsonAccess::isAbsent(entry.at(index)))
        return inherited;
    return entry.at(index).toBool();
}

// The keys of a format by type, in the order of the value types they serve.
enum ValueType { ObjectType, ArrayType, NumberType, StringType, ValueTypeCount };

ValueType valueType(const QVariant& value)
{
    if (isObject(value))
        return ObjectType;
    if (isArray(value))
        return ArrayType;
    if (JsonAccess::isNumber(value))
        return NumberType;
    return StringType;
}

void appendEscaped(QByteArray& out, const QString& text)
{
    static const char hex[] = "0123456789abcdef";
    const QChar* chars = text.constData();
    const int size = text.size();
    // No character takes more than six bytes; the text is written in place.
    cnfCheckByteArraySize(out.size() + 2 + 6 * qint64(size));
    const int start = out.size();
    out.resize(start + 2 + 6 * size);
    char* p = out.data() + start;
    *p++ = '"';
    for (int i = 0; i < size; ++i) {
        const ushort c = chars[i].unicode();
        if (c == '"' || c == '\\') {
            *p++ = '\\';
            *p++ = char(c);
        } else if (c >= 0x20 && c < 0x80) {
            *p++ = char(c);
        } else if (c == '\n') {
            *p++ = '\\';
            *p++ = 'n';
        } else if (c == '\t') {
            *p++ = '\\';
            *p++ = 't';
        } else if (c == '\r') {
            *p++ = '\\';
            *p++ = 'r';
        } else if (c < 0x20 || (QChar::isSurrogate(c) && !(QChar::isHighSurrogate(c) && i + 1 < size
                                                              && chars[i + 1].isLowSurrogate()))) {
            // Control characters and a surrogate without its pair are kept
            // as escapes, so that the text reads back unchanged.
            const char escape[] = {'\\', 'u', hex[c >> 12], hex[(c >> 8) & 0xF], hex[(c >> 4) & 0xF], hex[c & 0xF]};
            for (char e : escape)
                *p++ = e;
        } else if (c < 0x800) {
            *p++ = char(0xC0 | (c >> 6));
            *p++ = char(0x80 | (c & 0x3F));
        } else if (QChar::isHighSurrogate(c)) {
            const uint code = QChar::surrogateToUcs4(c, chars[++i].unicode());
            *p++ = char(0xF0 | (code >> 18));
            *p++ = char(0x80 | ((code >> 12) & 0x3F));
            *p++ = char(0x80 | ((code >> 6) & 0x3F));
            *p++ = char(0x80 | (code & 0x3F));
        } else {
            *p++ = char(0xE0 | (c >> 12));
            *p++ = char(0x80 | ((c >> 6) & 0x3F));
            *p++ = char(0x80 | (c & 0x3F));
        }
    }
    *p++ = '"';
    out.resize(int(p - out.constData()));
}

// A whole number in decimal, without the byte array of its own that
// QByteArray::number() would allocate.
void appendInteger(QByteArray& out, quint64 magnitude, bool negative)
{
    char digits[21];
    int start = sizeof(digits);
    do {
        digits[--start] = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative)
        digits[--start] = '-';
    out.append(digits + start, int(sizeof(digits)) - start);
}

void appendInteger(QByteArray& out, qint64 number)
{
    // The magnitude of the smallest qint64 only fits the unsigned type.
    appendInteger(out, number < 0 ? 0 - quint64(number) : quint64(number), number < 0);
}

// The white space of a regular expression's \\s.
bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || (c >= QLatin1Char('\t') && c <= QLatin1Char('\r'));
}

// Decides whether an entry's key pattern matches a key of the data: the
// whole key, or the key commented out with a leading "//". Plain names are
// compared as text; real patterns go through a regular expression, whose
// verdict is kept per key.
class KeyPattern
{
public:
    explicit KeyPattern(const QString& pattern)
        : m_text(pattern)
    {
        static const QRegularExpression special(QStringLiteral("[\\\\^$.|?*+()\\[\\]{}]"));
        m_literal = !pattern.contains(special);
        if (!m_literal)
            m_expression.setPattern(QStringLiteral("^(//\\s*)?(?:") + pattern + QStringLiteral(")\\z"));
    }

    bool isLiteral() const { return m_literal; }
    const QString& text() const { return m_text; }

    bool matches(const QString& key) const
    {
        if (!m_literal) {
            auto it = m_verdicts.constFind(key);
            if (it == m_verdicts.constEnd())
                it = m_verdicts.insert(key, m_expression.match(key).hasMatch());
            return *it;
        }
        if (key == m_text)
            return true;
        if (!key.startsWith(QLatin1String("//")))
            return false;
        int start = 2;
        while (start < key.size() && isBlank(key.at(start)))
            ++start;
        return key.midRef(start) == m_text;
    }

private:
    QString m_text;
    bool m_literal = true;
    QRegularExpression m_expression;
    mutable QHash<QString, bool> m_verdicts;
};

// A format of the key-order file, taken apart once per printing so that
// every value printed with it finds its entries ready.
struct Format;

// What a matching member is printed with: its format and its two flags
// (-1 where the flag is inherited).
struct Tail {
    const Format* format = nullptr;
    int self = -1;
    int children = -1;
};

struct Entry {
    bool isBreak = false;
    // A bare key: printed with the object's own children flag for both.
    bool plain = false;
    const KeyPattern* pattern = nullptr;
    bool byType = false;
    // The tail, or by type the tails of ValueType.
    Tail tails[ValueTypeCount];
};

struct Format {
    bool isList = false;
    bool isNumber = false;
    int decimals = 0;
    QVector<Entry> entries;
};

class FormatTree
{
public:
    const Format* compile(const QVariant& format)
    {
        m_formats.push_back(std::make_unique<Format>());
        Format* compiled = m_formats.back().get();
        compiled->isList = isArray(format);
        compiled->isNumber = JsonAccess::isNumber(format);
        if (compiled->isNumber)
            compiled->decimals = qBound(0, format.toInt(), kMaxDecimals);
        if (!compiled->isList)
            return compiled;
        const QVariantList entries = format.toList();
        for (const QVariant& entry : entries) {
            Entry item;
            if (entry.userType() == QMetaType::Bool) {
                item.isBreak = true;
            } else if (entry.userType() == QMetaType::QString) {
                item.plain = true;
                item.pattern = pattern(entry.toString());
                item.tails[0].format = compile(QVariant());
            } else if (isArray(entry) && !entry.toList().isEmpty()) {
                const QVariantList parts = entry.toList();
                item.pattern = pattern(parts.at(0).toString());
                const QVariantList tail = parts.mid(1);
                item.byType = !tail.isEmpty() && isObject(tail.at(0)); // the format depends on the value's type
                if (item.byType) {
                    static const char* const names[ValueTypeCount] = {"Object", "Array", "Number", "String"};
                    const QVariantMap byType = objectOf(tail.at(0));
                    for (int type = 0; type < ValueTypeCount; ++type)
                        item.tails[type] = compileTail(byType.value(QLatin1String(names[type])).toList());
                } else {
                    item.tails[0] = compileTail(tail);
                }
            } else {
                continue;
            }
            compiled->entries.append(item);
        }
        return compiled;
    }

private:
    static int flagOf(const QVariantList& tail, int index)
    {
        if (index >= tail.size() || JsonAccess::isAbsent(tail.at(index)))
            return -1;
        return tail.at(index).toBool() ? 1 : 0;
    }

    Tail compileTail(const QVariantList& tail)
    {
        return {compile(tail.value(0)), flagOf(tail, 2), flagOf(tail, 1)};
    }

    const KeyPattern* pattern(const QString& text)
    {
        auto it = m_patterns.find(text);
        if (it == m_patterns.end())
            it = m_patterns.emplace(text, std::make_unique<KeyPattern>(text)).first;
        return it->second.get();
    }

    std::vector<std::unique_ptr<Format>> m_formats;
    std::map<QString, std::unique_ptr<KeyPattern>> m_patterns;
};

class Printer
{
public:
    explicit Printer(const QByteArray& indent)
        : m_indent(indent)
    {
    }

    void print(const QVariant& data, const Format* format, int level, bool self, bool children);
    QByteArray& output() { return m_out; }

private:
    // The members of one object or array as they are emitted.
    struct Container {
        int level;
        bool oneLine;
        bool breakPending = false;
        int items = 0;
    };
    // The members of an object in the order of their keys.
    struct Member {
        const QString* key;
        const QVariant* value;
    };
    struct Members {
        QVector<Member> list;
        // The keys commented out with a leading "//", which sort together.
        int commentedBegin = 0;
        int commentedEnd = 0;
    };

    void printNumber(const QVariant& data, const Format* format);
    void printObject(const QVariantMap& data, const Format* format, int level, bool self, bool children);
    void printArray(const QVariantList& data, const Format* format, int level, bool self, bool children);
    bool printMember(Container& container, const QString* key, const QVariant& value, const Format* format,
                     bool self, bool children);
    void printEntry(Container& container, const Members& members, const Entry& entry, QVector<bool>& printed,
                    bool self, bool children);
    static int indexOf(const QVector<Member>& members, const QString& key);
    void beginItem(Container& container);
    void close(const Container& container, char bracket);
    void newLine(int level);

    QByteArray m_indent;
    QByteArray m_out;
};

void Printer::print(const QVariant& data, const Format* format, int level, bool self, bool children)
{
    if (isObject(data))
        printObject(objectOf(data), format, level, self, children);
    else if (isArray(data))
        printArray(data.toList(), format, level, self, children);
    else if (JsonAccess::isNumber(data))
        printNumber(data, format);
    else if (data.userType() == QMetaType::Nullptr)
        m_out += "null";
    else if (data.userType() == QMetaType::Bool)
        m_out += data.toBool() ? "true" : "false";
    else if (data.isValid())
        appendEscaped(m_out, data.toString());
}

void Printer::printNumber(const QVariant& data, const Format* format)
{
    const double number = data.toDouble();
    if (!std::isfinite(number))
        return; // JSON has no such number: left out like any invalid value
    if (format && format->isNumber) {
        m_out += QByteArray::number(number, 'f', format->decimals);
        return;
    }
    switch (data.userType()) {
    case QMetaType::Double:
    case QMetaType::Float:
        // Whole numbers without a fraction; others in their shortest exact form.
        if (std::fabs(number) < 9007199254740992.0 && number == std::floor(number))
            appendInteger(m_out, qint64(number));
        else
            m_out += QByteArray::number(number, 'g', QLocale::FloatingPointShortest);
        break;
    case QMetaType::ULongLong:
        appendInteger(m_out, data.toULongLong(), false);
        break;
    default:
        appendInteger(m_out, data.toLongLong());
        break;
    }
}

void Printer::printObject(const QVariantMap& data, const Format* format, int level, bool self, bool children)
{
    m_out += '{';
    Container container{level + 1, self};
    Members members;
    members.list.reserve(data.size());
    for (auto it = data.cbegin(); it != data.cend(); ++it) {
        if (it.key().startsWith(QLatin1String("//"))) {
            if (members.commentedEnd == 0)
                members.commentedBegin = members.list.size();
            members.commentedEnd = members.list.size() + 1;
        }
        members.list.append({&it.key(), &it.value()});
    }
    QVector<bool> printed(members.list.size(), false);
    if (format && format->isList) {
        for (const Entry& entry : format->entries) {
            if (entry.isBreak)
                container.breakPending = true;
            else
                printEntry(container, members, entry, printed, self, children);
        }
    }
    for (int index = 0; index < members.list.size(); ++index) {
        const Member& member = members.list.at(index);
        if (!printed.at(index))
            printMember(container, member.key, *member.value, nullptr, children, children);
    }
    close(container, '}');
}

// The position of a key among the sorted keys of an object; -1 when it has
// none. Small objects are searched in a row.
int Printer::indexOf(const QVector<Member>& members, const QString& key)
{
    const int kSmall = 16;
    if (members.size() <= kSmall) {
        for (int index = 0; index < members.size(); ++index) {
            if (*members.at(index).key == key)
                return index;
        }
        return -1;
    }
    const auto found = std::lower_bound(members.cbegin(), members.cend(), key,
                                        [](const Member& member, const QString& text) { return *member.key < text; });
    return found != members.cend() && *found->key == key ? int(found - members.cbegin()) : -1;
}

// The members an entry matches are printed in the order of their keys. A
// plain name matches its own key and commented-out forms of it.
void Printer::printEntry(Container& container, const Members& members, const Entry& entry, QVector<bool>& printed,
                         bool self, bool children)
{
    const KeyPattern& pattern = *entry.pattern;
    QVarLengthArray<int, 4> matched;
    if (pattern.isLiteral()) {
        const int exact = indexOf(members.list, pattern.text());
        if (exact >= 0)
            matched.append(exact);
        for (int index = members.commentedBegin; index < members.commentedEnd; ++index) {
            if (index != exact && pattern.matches(*members.list.at(index).key))
                matched.append(index);
        }
        std::sort(matched.begin(), matched.end());
    } else {
        for (int index = 0; index < members.list.size(); ++index) {
            if (!printed.at(index) && pattern.matches(*members.list.at(index).key))
                matched.append(index);
        }
    }
    for (const int index : qAsConst(matched)) {
        if (printed.at(index))
            continue;
        printed[index] = true;
        const Member& member = members.list.at(index);
        if (entry.plain) {
            printMember(container, member.key, *member.value, entry.tails[0].format, children, children);
            continue;
        }
        const Tail& tail = entry.tails[entry.byType ? valueType(*member.value) : 0];
        printMember(container, member.key, *member.value, tail.format, tail.self < 0 ? self : tail.self == 1,
                    tail.children < 0 ? children : tail.children == 1);
    }
}

bool Printer::printMember(Container& container, const QString* key, const QVariant& value, const Format* format,
                          bool self, bool children)
{
    const int start = m_out.size();
    const Container before = container;
    beginItem(container);
    if (key) {
        appendEscaped(m_out, *key);
        m_out += ':';
    }
    const int valueStart = m_out.size();
    print(value, format, container.level, self, children);
    if (m_out.size() > valueStart)
        return true;
    // Nothing to print: the item leaves no trace, not even its key.
    m_out.truncate(start);
    container = before;
    return false;
}

void Printer::printArray(const QVariantList& data, const Format* format, int level, bool self, bool children)
{
    m_out += '[';
    Container container{level + 1, self};
    for (const QVariant& element : data) {
        // An element without a value holds its place as null.
        if (!printMember(container, nullptr, element, format, children, children)) {
            beginItem(container);
            m_out += "null";
        }
    }
    close(container, ']');
}

void Printer::beginItem(Container& container)
{
    if (container.items++ > 0)
        m_out += ',';
    if (!container.oneLine || container.breakPending) {
        newLine(container.level);
        container.breakPending = false;
    }
}

void Printer::close(const Container& container, char bracket)
{
    if (!container.oneLine || container.breakPending)
        newLine(container.level - 1);
    m_out += bracket;
}

void Printer::newLine(int level)
{
    m_out += '\n';
    for (int i = 0; i < level; ++i)
        m_out += m_indent;
}

} // namespace

QVariant JsonPrinter::loadFormat(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError)
        return QByteArray();
    return document.toVariant();
}

QByteArray JsonPrinter::printFormatted(const QVariant& data, const QVariant& format, const QByteArray& indent, int level,
                                       bool self, bool children)
{
    FormatTree formats;
    Printer printer(indent);
    printer.print(data, formats.compile(format), level, self, children);
    return printer.output();
}

QByteArray JsonPrinter::printSection(const QVariantMap& data, const QVariant& format, const QStringList& section,
                                     const QByteArray& indent)
{
    if (section.isEmpty())
        return QByteArray();
    QVariantList tail{format};
    for (const QString& name : section) {
        const QVariantList entries = isArray(tail.value(0)) ? tail.value(0).toList() : QVariantList();
        bool found = false;
        for (const QVariant& entry : entries) {
            const QVariantList parts = isArray(entry) ? entry.toList() : QVariantList{entry};
            if (entry.userType() == QMetaType::Bool || parts.isEmpty() || parts.at(0).toString() != name)
                continue;
            tail = parts.mid(1);
            // A section is an object: of a format by type, its object tail.
            if (!tail.isEmpty() && isObject(tail.at(0)))
                tail = objectOf(tail.at(0)).value(QStringLiteral("Object")).toList();
            found = true;
            break;
        }
        if (!found)
            return QByteArray();
    }
    return printFormatted(data, tail.value(0), indent, 0, flag(tail, 2, false), flag(tail, 1, false));
}
