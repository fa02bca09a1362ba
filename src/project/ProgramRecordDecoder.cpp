#include "ProgramRecordDecoder.h"

#include <QObject>
#include <QRegularExpression>

#include "CnfController.h"
#include "CnfPhase.h"
#include "CnfProgram.h"

namespace {

const QString kElement = QStringLiteral("Element");
const QString kType = QStringLiteral("Type");
const QString kChapter = QStringLiteral("Chapter");

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

// Bytes that a field takes in the record; -1 when its type (or the type of
// one of its entries) does not parse.
qint64 fieldSize(const QDomElement& field)
{
    const FieldType type = parseFieldType(field.attribute(QStringLiteral("type")));
    if (!type.valid)
        return -1;
    if (type.base == QLatin1String("byte"))
        return type.count;
    if (type.base == QLatin1String("word"))
        return 2 * type.count;
    if (type.base != QLatin1String("array"))
        return 0;
    qint64 entry = 0;
    for (QDomElement child = field.firstChildElement(kElement); !child.isNull();
         child = child.nextSiblingElement(kElement)) {
        const qint64 size = fieldSize(child);
        if (size < 0)
            return -1;
        entry = qMin(entry + size, kBeyondAnyRecord);
    }
    return qMin(entry * type.count, kBeyondAnyRecord);
}

bool isEmptyValue(const QDomElement& field, quint8 byte)
{
    bool ok = false;
    const int empty = field.attribute(QStringLiteral("empty_value")).toInt(&ok);
    return ok && (empty == byte || empty == qint8(byte));
}

QDomElement programsChapter(const QDomDocument& layout)
{
    for (QDomElement chapter = layout.documentElement().firstChildElement(kChapter); !chapter.isNull();
         chapter = chapter.nextSiblingElement(kChapter)) {
        if (chapter.attribute(QStringLiteral("id")) == QLatin1String("programs"))
            return chapter;
    }
    return {};
}

// The first field of the algorithm's description; null when there is none.
QDomElement algorithmFields(const QDomDocument& layout, int algorithm)
{
    const QDomElement chapter = programsChapter(layout);
    for (QDomElement type = chapter.firstChildElement(kType); !type.isNull();
         type = type.nextSiblingElement(kType)) {
        bool ok = false;
        if (type.attribute(QStringLiteral("id")).toInt(&ok) == algorithm && ok)
            return type.firstChildElement(kElement);
    }
    return {};
}

} // namespace

ProgramRecordDecoder::ProgramRecordDecoder(const CnfController& controller, CnfProgram& program)
    : m_controller(controller)
    , m_program(program)
    , m_phases(controller.phases())
{
}

bool ProgramRecordDecoder::readHead(const QByteArray& record, bool adapterController)
{
    m_record = record;
    m_program.clear();
    m_program.setData(record);
    m_program.type = CnfProgram::NorvakSpecial;
    if (record.size() < 2)
        return fail(QObject::tr("Запись программы слишком коротка: %1 байт").arg(record.size()));
    m_program.id = QString::number(qint8(byteAt(0)));
    m_program.nativeType = byteAt(1);
    if (!adapterController && inside(2))
        m_program.setInterstateVariant(qint8(byteAt(2)));
    return true;
}

bool ProgramRecordDecoder::readFields(const QDomDocument& layout)
{
    const QDomElement first = algorithmFields(layout, m_program.nativeType);
    if (first.isNull())
        return fail(QObject::tr("Для программы %1 (тип %2) не найдено описание структуры в файле разметки")
                        .arg(m_program.id)
                        .arg(m_program.nativeType));
    m_mainDuration.reset();
    m_cycleOffsetTaken = false;
    qint64 offset = 2; // after the program number and the algorithm
    return walk(first, offset);
}

QString ProgramRecordDecoder::errorString() const
{
    return m_error;
}

// Walks `first` and the fields after it. Offsets only grow, so the walk ends
// as soon as it has passed the end of the record.
bool ProgramRecordDecoder::walk(const QDomElement& first, qint64& offset)
{
    for (QDomElement field = first; !field.isNull() && inside(offset); field = field.nextSiblingElement(kElement)) {
        const FieldType type = parseFieldType(field.attribute(QStringLiteral("type")));
        if (!type.valid)
            return fail(QObject::tr("Для программы %1 (тип %2) в файле разметки указан неправильный тип поля %3")
                            .arg(m_program.id)
                            .arg(m_program.nativeType)
                            .arg(field.attribute(QStringLiteral("type"))));
        if (type.base == QLatin1String("array")) {
            if (!walkArray(field, type.count, offset))
                return false;
            m_mainDuration.reset();
            continue;
        }
        if (!interpret(field, offset))
            return false;
        offset += fieldSize(field);
    }
    return true;
}

bool ProgramRecordDecoder::walkArray(const QDomElement& array, qint64 count, qint64& offset)
{
    const QDomElement firstOfEntry = array.firstChildElement(kElement);
    for (qint64 entry = 0; entry < count && inside(offset); ++entry) {
        m_mainDuration.reset();
        const qint64 start = offset;
        if (!walk(firstOfEntry, offset))
            return false;
        // An entry that takes no room would only repeat the same fields.
        if (offset == start)
            break;
    }
    return true;
}

bool ProgramRecordDecoder::interpret(const QDomElement& field, qint64 offset)
{
    const QString list = field.attribute(QStringLiteral("listid"));
    if (list == QLatin1String("phases") && !appendPhaseById(field, offset))
        return false;
    if (list == QLatin1String("indexof(phases)") && !appendPhaseByPosition(field, offset))
        return false;
    takeCycleOffset(field, offset);
    return true;
}

bool ProgramRecordDecoder::appendPhaseById(const QDomElement& field, qint64 offset)
{
    const int number = qint8(byteAt(offset));
    if (number == -1)
        return true;
    const QSharedPointer<CnfPhase> phase = m_controller.findPhase(QString::number(number));
    if (!phase)
        return fail(QObject::tr("В программе %1 указана неправильная фаза %2").arg(m_program.id).arg(number));
    m_program.appendPhase(phase, duration(field, offset, true));
    return true;
}

bool ProgramRecordDecoder::appendPhaseByPosition(const QDomElement& field, qint64 offset)
{
    const int position = byteAt(offset);
    if (position == 255)
        return true;
    if (position >= m_phases.size())
        return fail(QObject::tr("Неправильный индекс фазы %1 в программе %2").arg(position).arg(m_program.id));
    m_program.appendPhase(m_phases.at(position), duration(field, offset, false));
    return true;
}

// The duration of a phase field: the byte of the first following field whose
// "phase" names the phase field's id. A byte holding the field's empty value
// is no duration. Without a duration a call phase takes the main duration of
// its entry, every other phase gets -1.
int ProgramRecordDecoder::duration(const QDomElement& phaseField, qint64 offset, bool signedBytes)
{
    const QString id = phaseField.attribute(QStringLiteral("id"));
    std::optional<int> found;
    if (!id.isEmpty()) {
        qint64 at = offset + fieldSize(phaseField);
        for (QDomElement field = phaseField.nextSiblingElement(kElement); !field.isNull() && inside(at);
             field = field.nextSiblingElement(kElement)) {
            if (field.attribute(QStringLiteral("phase")) == id) {
                const quint8 byte = byteAt(at);
                if (!isEmptyValue(field, byte))
                    found = signedBytes ? int(qint8(byte)) : int(byte);
                break;
            }
            const qint64 size = fieldSize(field);
            if (size < 0)
                break;
            at += size;
        }
    }
    if (found && id.startsWith(QLatin1String("com_phase")))
        m_mainDuration = found;
    if (!found && id.startsWith(QLatin1String("call_phase")))
        found = m_mainDuration;
    return found.value_or(-1);
}

// Only the coordination algorithm carries its cycle offset into the program.
void ProgramRecordDecoder::takeCycleOffset(const QDomElement& field, qint64 offset)
{
    if (m_program.nativeType != 2 || m_cycleOffsetTaken)
        return;
    if (!field.attribute(QStringLiteral("name")).startsWith(QStringLiteral("Сдвиг цикла")))
        return;
    m_cycleOffsetTaken = true;
    m_program.setCycleOffset(qint8(byteAt(offset)));
}

bool ProgramRecordDecoder::fail(const QString& message)
{
    m_error = message;
    return false;
}

quint8 ProgramRecordDecoder::byteAt(qint64 offset) const
{
    return quint8(m_record.at(int(offset)));
}

bool ProgramRecordDecoder::inside(qint64 offset) const
{
    return offset >= 0 && offset < m_record.size();
}
