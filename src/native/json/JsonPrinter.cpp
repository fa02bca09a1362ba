#include "JsonPrinter.h"

#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QRegularExpression>

#include <cmath>

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

QString typeTail(const QVariant& value)
{
    if (isObject(value))
        return QStringLiteral("Object");
    if (isArray(value))
        return QStringLiteral("Array");
    if (JsonAccess::isNumber(value))
        return QStringLiteral("Number");
    return QStringLiteral("String");
}

void appendEscaped(QByteArray& out, const QString& text)
{
    static const char hex[] = "0123456789abcdef";
    out += '"';
    const QChar* chars = text.constData();
    const int size = text.size();
    for (int i = 0; i < size; ++i) {
        const ushort c = chars[i].unicode();
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c >= 0x20 && c < 0x80) {
            out += char(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20 || (QChar::isSurrogate(c) && !(QChar::isHighSurrogate(c) && i + 1 < size
                                                              && chars[i + 1].isLowSurrogate()))) {
            // Control characters and a surrogate without its pair are kept
            // as escapes, so that the text reads back unchanged.
            const char escape[] = {'\\', 'u', hex[c >> 12], hex[(c >> 8) & 0xF], hex[(c >> 4) & 0xF], hex[c & 0xF]};
            out.append(escape, sizeof(escape));
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (QChar::isHighSurrogate(c)) {
            const uint code = QChar::surrogateToUcs4(c, chars[++i].unicode());
            out += char(0xF0 | (code >> 18));
            out += char(0x80 | ((code >> 12) & 0x3F));
            out += char(0x80 | ((code >> 6) & 0x3F));
            out += char(0x80 | (code & 0x3F));
        } else {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    out += '"';
}

// Decides whether an entry's key pattern matches a key of the data. Plain
// names are compared as text; only real patterns go through a regular
// expression, each compiled once per printing.
class KeyMatcher
{
public:
    bool matches(const QString& pattern, const QString& key)
    {
        auto it = m_patterns.find(pattern);
        if (it == m_patterns.end())
            it = m_patterns.insert(pattern, compile(pattern));
        if (!it->isLiteral)
            return it->expression.match(key).hasMatch();
        if (key == pattern)
            return true;
        if (!key.startsWith(QLatin1String("//")))
            return false;
        int start = 2;
        while (start < key.size() && isBlank(key.at(start)))
            ++start;
        return key.midRef(start) == pattern;
    }

private:
    // The white space of a regular expression's \\s.
    static bool isBlank(QChar c)
    {
        return c == QLatin1Char(' ') || (c >= QLatin1Char('\t') && c <= QLatin1Char('\r'));
    }

    struct Pattern {
        bool isLiteral = true;
        QRegularExpression expression;
    };

    static Pattern compile(const QString& pattern)
    {
        static const QRegularExpression special(QStringLiteral("[\\\\^$.|?*+()\\[\\]{}]"));
        Pattern compiled;
        compiled.isLiteral = !pattern.contains(special);
        if (!compiled.isLiteral)
            compiled.expression.setPattern(QStringLiteral("^(//\\s*)?(?:") + pattern + QStringLiteral(")\\z"));
        return compiled;
    }

    QHash<QString, Pattern> m_patterns;
};

class Printer
{
public:
    explicit Printer(const QByteArray& indent)
        : m_indent(indent)
    {
    }

    void print(const QVariant& data, const QVariant& format, int level, bool self, bool children);
    QByteArray& output() { return m_out; }

private:
    // The members of one object or array as they are emitted.
    struct Container {
        int level;
        bool oneLine;
        bool breakPending = false;
        int items = 0;
    };

    void printNumber(const QVariant& data, const QVariant& format);
    void printObject(const QVariantMap& data, const QVariant& format, int level, bool self, bool children);
    void printArray(const QVariantList& data, const QVariant& format, int level, bool self, bool children);
    bool printMember(Container& container, const QString* key, const QVariant& value, const QVariant& format,
                     bool self, bool children);
    void printEntry(Container& container, const QVariantMap& data, const QVariantList& entry, QVector<bool>& printed,
                    bool self, bool children);
    void beginItem(Container& container);
    void close(const Container& container, char bracket);
    void newLine(int level);

    QByteArray m_indent;
    QByteArray m_out;
    KeyMatcher m_matcher;
};

void Printer::print(const QVariant& data, const QVariant& format, int level, bool self, bool children)
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

void Printer::printNumber(const QVariant& data, const QVariant& format)
{
    const double number = data.toDouble();
    if (!std::isfinite(number))
        return; // JSON has no such number: left out like any invalid value
    if (JsonAccess::isNumber(format)) {
        m_out += QByteArray::number(number, 'f', qBound(0, format.toInt(), kMaxDecimals));
        return;
    }
    switch (data.userType()) {
    case QMetaType::Double:
    case QMetaType::Float:
        // Whole numbers without a fraction; others in their shortest exact form.
        if (std::fabs(number) < 9007199254740992.0 && number == std::floor(number))
            m_out += QByteArray::number(qint64(number));
        else
            m_out += QByteArray::number(number, 'g', QLocale::FloatingPointShortest);
        break;
    case QMetaType::ULongLong:
        m_out += QByteArray::number(data.toULongLong());
        break;
    default:
        m_out += QByteArray::number(data.toLongLong());
        break;
    }
}

void Printer::printObject(const QVariantMap& data, const QVariant& format, int level, bool self, bool children)
{
    m_out += '{';
    Container container{level + 1, self};
    QVector<bool> printed(data.size(), false);
    if (isArray(format)) {
        const QVariantList entries = format.toList();
        for (const QVariant& entry : entries) {
            if (entry.userType() == QMetaType::Bool)
                container.breakPending = true;
            else if (entry.userType() == QMetaType::QString)
                printEntry(container, data, {entry, QVariant(), children, children}, printed, self, children);
            else if (isArray(entry) && !entry.toList().isEmpty())
                printEntry(container, data, entry.toList(), printed, self, children);
        }
    }
    int index = 0;
    for (auto it = data.cbegin(); it != data.cend(); ++it, ++index) {
        if (!printed.at(index))
            printMember(container, &it.key(), it.value(), QVariant(), children, children);
    }
    close(container, '}');
}

void Printer::printEntry(Container& container, const QVariantMap& data, const QVariantList& entry,
                         QVector<bool>& printed, bool self, bool children)
{
    const QString pattern = entry.at(0).toString();
    int index = 0;
    for (auto it = data.cbegin(); it != data.cend(); ++it, ++index) {
        if (printed.at(index) || !m_matcher.matches(pattern, it.key()))
            continue;
        printed[index] = true;
        QVariantList tail = entry.mid(1);
        if (!tail.isEmpty() && isObject(tail.at(0))) // the format depends on the value's type
            tail = objectOf(tail.at(0)).value(typeTail(it.value())).toList();
        const QVariant format = tail.value(0);
        printMember(container, &it.key(), it.value(), format, flag(tail, 2, self), flag(tail, 1, children));
    }
}

bool Printer::printMember(Container& container, const QString* key, const QVariant& value, const QVariant& format,
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

void Printer::printArray(const QVariantList& data, const QVariant& format, int level, bool self, bool children)
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
    Printer printer(indent);
    printer.print(data, format, level, self, children);
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
