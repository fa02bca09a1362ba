#include "ProgramRecordLayout.h"

#include <QDomDocument>
#include <QDomElement>
#include <QRegularExpression>

namespace {

const QString kElement = QStringLiteral("Element");

// Sizes are capped here: anything this large lies beyond every record, and
// the cap keeps the arithmetic of nested arrays from overflowing.
constexpr qint64 kBeyondAnyRecord = qint64(1) << 31;

// A field's "type" attribute: a base ("byte", "word", "array", ...) and a
// count, written "byte", "byte[60]", "byte:3" or "array[8]".
struct FieldType
{
    QString base;
    qint64 count = 1;
    bool valid = true;
};

FieldType parseFieldType(const QString& text)
{
    static const QRegularExpression separators(QStringLiteral("[\\[\\]:]"));
    const QStringList parts = text.split(separators, Qt::SkipEmptyParts);
    FieldType type;
    type.base = parts.value(0);
    if (parts.size() > 1) {
        const int count = parts.at(1).toInt(&type.valid);
        type.valid = type.valid && count >= 0;
        type.count = count;
    }
    return type;
}

// Bytes that a field of this type takes, given the size of one entry when
// it is an array; -1 when the type does not parse.
qint64 sizeOf(const FieldType& type, qint64 entrySize)
{
    if (!type.valid)
        return -1;
    if (type.base == QLatin1String("byte"))
        return type.count;
    if (type.base == QLatin1String("word"))
        return 2 * type.count;
    if (type.base != QLatin1String("array"))
        return 0;
    if (entrySize < 0)
        return -1;
    return qMin(entrySize * type.count, kBeyondAnyRecord);
}

std::optional<int> emptyValueOf(const QDomElement& element)
{
    bool ok = false;
    const int empty = element.attribute(QStringLiteral("empty_value")).toInt(&ok);
    return ok ? std::optional<int>(empty) : std::nullopt;
}

QDomElement programsChapter(const QDomDocument& layout)
{
    const QString chapterTag = QStringLiteral("Chapter");
    for (QDomElement chapter = layout.documentElement().firstChildElement(chapterTag); !chapter.isNull();
         chapter = chapter.nextSiblingElement(chapterTag)) {
        if (chapter.attribute(QStringLiteral("id")) == QLatin1String("programs"))
            return chapter;
    }
    return {};
}

} // namespace

ProgramRecordLayout::ProgramRecordLayout(const QDomDocument& layout)
{
    const QString typeTag = QStringLiteral("Type");
    const QDomElement chapter = programsChapter(layout);
    for (QDomElement type = chapter.firstChildElement(typeTag); !type.isNull();
         type = type.nextSiblingElement(typeTag)) {
        bool ok = false;
        const int algorithm = type.attribute(QStringLiteral("id")).toInt(&ok);
        if (ok && !m_algorithms.contains(algorithm))
            m_algorithms.insert(algorithm, fieldsOf(type));
    }
}

const ProgramRecordLayout::Fields* ProgramRecordLayout::fields(int algorithm) const
{
    const auto it = m_algorithms.constFind(algorithm);
    return it == m_algorithms.constEnd() || it->empty() ? nullptr : &*it;
}

ProgramRecordLayout::Fields ProgramRecordLayout::fieldsOf(const QDomElement& parent)
{
    Fields fields;
    for (QDomElement element = parent.firstChildElement(kElement); !element.isNull();
         element = element.nextSiblingElement(kElement))
        fields.push_back(fieldOf(element));
    return fields;
}

ProgramRecordField ProgramRecordLayout::fieldOf(const QDomElement& element)
{
    ProgramRecordField field;
    field.type = element.attribute(QStringLiteral("type"));
    const FieldType type = parseFieldType(field.type);
    field.typeValid = type.valid;
    field.array = type.base == QLatin1String("array");
    field.count = type.count;
    qint64 entrySize = 0;
    if (field.array) {
        field.entry = fieldsOf(element);
        for (const ProgramRecordField& f : field.entry) {
            if (f.size < 0) {
                entrySize = -1;
                break;
            }
            entrySize = qMin(entrySize + f.size, kBeyondAnyRecord);
        }
    }
    field.size = sizeOf(type, entrySize);

    const QString list = element.attribute(QStringLiteral("listid"));
    if (list == QLatin1String("phases"))
        field.list = ProgramRecordField::PhaseById;
    else if (list == QLatin1String("indexof(phases)"))
        field.list = ProgramRecordField::PhaseByPosition;
    field.id = element.attribute(QStringLiteral("id"));
    field.phase = element.attribute(QStringLiteral("phase"));
    field.emptyValue = emptyValueOf(element);
    field.mainPhase = field.id.startsWith(QLatin1String("com_phase"));
    field.callPhase = field.id.startsWith(QLatin1String("call_phase"));
    field.cycleOffset = element.attribute(QStringLiteral("name")).startsWith(QStringLiteral("Сдвиг цикла"));
    return field;
}
