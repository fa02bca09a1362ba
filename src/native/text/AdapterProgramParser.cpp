#include "AdapterProgramParser.h"

#include "CnfController.h"
#include "CnfPhase.h"
#include "CnfProgram.h"

namespace {

constexpr char unset = char(0xFF);
constexpr int maxPhaseNumber = 254; // 255 marks a phase field that is not set
constexpr int cycleByte = 4;
constexpr int offsetByte = 5;
constexpr int callConditionByte = 3;

// Algorithms whose records name a second phase in their third field.
bool hasCallPhase(int algorithm)
{
    return algorithm == 3 || algorithm == 4 || algorithm == 5 || algorithm == 6 || algorithm == 9;
}

QStringList splitAtBlanks(const QString& text)
{
    return text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// A decimal number of at most three digits; an empty text reads as 0.
bool decimal(const QString& text, int* value)
{
    if (text.size() > 3)
        return false;
    *value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        *value = *value * 10 + c.digitValue();
    }
    return true;
}

} // namespace

AdapterProgramParser::AdapterProgramParser(CnfController& controller)
    : m_controller(controller)
{
}

QString AdapterProgramParser::errorString() const
{
    return m_error;
}

bool AdapterProgramParser::fail(const QString& message)
{
    m_error = message;
    return false;
}

QSharedPointer<CnfProgram> AdapterProgramParser::parse(const QString& number, const QString& value,
                                                       const QString& line)
{
    m_line = line;
    m_record = QByteArray(recordSize, unset);
    bool numeric = false;
    const int programNumber = number.toInt(&numeric);
    // The number must fit the record's first byte.
    if (!numeric || programNumber < -128 || programNumber > 255) {
        fail(tr("Неверное описание программы: %1").arg(line));
        return {};
    }
    if (!split(value))
        return {};
    m_record[0] = char(programNumber & 0xFF);

    int algorithm = 0;
    if (!decimal(m_head.first(), &algorithm) || algorithm > 255) {
        fail(tr("Неверный тип программы: ") + line);
        return {};
    }
    m_record[1] = char(algorithm);
    if (algorithm != 0 && algorithm != 255 && m_records.isEmpty()) {
        fail(tr("Неправильное число параметров определения фаз в программе: %1").arg(line));
        return {};
    }
    if (algorithm == 7 || algorithm == 8 || (algorithm > 9 && algorithm != 255)) {
        fail(tr("Неверный тип программы: ") + line);
        return {};
    }
    if (!fillHead(algorithm))
        return {};
    switch (algorithm) {
    case 1:
    case 2:
        if (!fillRecords(algorithm, 2, 2))
            return {};
        break;
    case 3:
    case 4:
    case 5:
    case 6:
    case 9:
        if (!fillRecords(algorithm, 5, 7))
            return {};
        clearMissingCallPhases(algorithm);
        break;
    default:
        break; // no phase records
    }
    const bool coordinated = algorithm == 2 || algorithm == 5 || algorithm == 9;
    const int cycleItem = algorithm == 2 ? 2 : 3;
    if (coordinated && !sumCycle(programNumber, m_head.size() > cycleItem))
        return {};
    if (!phasesToPositions(programNumber))
        return {};

    auto program = QSharedPointer<CnfProgram>::create();
    if (!m_controller.setProgramRawData(program, m_record)) {
        fail(m_controller.lastError());
        return {};
    }
    return program;
}

// The head is the text before the first "(": the algorithm and its
// parameters. Each text between brackets is one phase record, its fields
// separated by single blanks; blanks between records are no record.
bool AdapterProgramParser::split(const QString& value)
{
    const int open = value.indexOf(QLatin1Char('('));
    m_head = splitAtBlanks(open < 0 ? value : value.left(open));
    m_records.clear();
    if (m_head.isEmpty())
        return fail(tr("Неверное описание программы: %1").arg(m_line));
    if (open < 0)
        return true;
    int start = open + 1;
    for (int i = start; i <= value.size(); ++i) {
        if (i < value.size() && value.at(i) != QLatin1Char('(') && value.at(i) != QLatin1Char(')'))
            continue;
        const QString part = value.mid(start, i - start);
        start = i + 1;
        if (part.trimmed().isEmpty())
            continue;
        if (m_records.size() == phaseRecordCount)
            return fail(tr("Число описаний фаз в программе превышает 8: %1").arg(m_line));
        m_records.append(part.split(QLatin1Char(' ')));
    }
    return true;
}

bool AdapterProgramParser::putByte(int at, const QString& text, int max)
{
    int value = 0;
    if (!decimal(text, &value) || value > max)
        return fail(tr("Неверное значение \"%1\" в описании программы: %2").arg(text, m_line));
    m_record[at] = char(value);
    return true;
}

// Parameters after the algorithm: offset and cycle for coordination; call
// condition, then offset and cycle, for the call and gap-search algorithms.
bool AdapterProgramParser::fillHead(int algorithm)
{
    const int items = m_head.size();
    if (algorithm == 2) {
        m_record[cycleByte] = 0;
        return (items < 2 || putByte(offsetByte, m_head.at(1), 255))
            && (items < 3 || putByte(cycleByte, m_head.at(2), 255));
    }
    if (!hasCallPhase(algorithm))
        return true;
    if (items < 2)
        return fail(tr("Недостаточно параметров для описания алгоритма: %1").arg(m_line));
    if (!putByte(callConditionByte, m_head.at(1), 255))
        return false;
    if (algorithm == 5 || algorithm == 9) {
        m_record[cycleByte] = 0;
        return (items < 3 || putByte(offsetByte, m_head.at(2), 255))
            && (items < 4 || putByte(cycleByte, m_head.at(3), 255));
    }
    return true;
}

bool AdapterProgramParser::fillRecords(int algorithm, int minFields, int maxFields)
{
    for (int r = 0; r < m_records.size(); ++r) {
        const QStringList& fields = m_records.at(r);
        if (fields.size() < minFields || fields.size() > maxFields)
            return fail(tr("Неправильное число параметров определения фаз в программе: %1").arg(m_line));
        for (int f = 0; f < fields.size(); ++f) {
            const bool phaseField = f == 0 || (f == 2 && hasCallPhase(algorithm));
            if (!putByte(firstPhaseRecord + phaseRecordSize * r + f, fields.at(f), phaseField ? maxPhaseNumber : 255))
                return false;
        }
    }
    return true;
}

// A call phase written as 0 is no call phase; without it a coordinated call
// record has no detector either.
void AdapterProgramParser::clearMissingCallPhases(int algorithm)
{
    for (int r = 0; r < m_records.size(); ++r) {
        char* record = m_record.data() + firstPhaseRecord + phaseRecordSize * r;
        if (record[2] != 0)
            continue;
        record[2] = unset;
        record[3] = unset;
        if (algorithm == 5 || algorithm == 9)
            record[4] = unset;
    }
}

// Without a cycle of its own a coordinated program runs the sum of its
// phase lengths, which must fit the cycle byte.
bool AdapterProgramParser::sumCycle(int number, bool cycleGiven)
{
    if (cycleGiven)
        return true;
    int cycle = 0;
    for (int r = 0; r < m_records.size(); ++r)
        cycle += quint8(m_record.at(firstPhaseRecord + phaseRecordSize * r + 1));
    if (cycle > 255)
        return fail(tr("В программе %1 длительность цикла %2 больше 255").arg(number).arg(cycle));
    m_record[cycleByte] = char(cycle);
    return true;
}

// The record keeps phases by their position in the controller's phase list.
bool AdapterProgramParser::phasesToPositions(int number)
{
    for (int r = 0; r < m_records.size(); ++r) {
        char* record = m_record.data() + firstPhaseRecord + phaseRecordSize * r;
        if (record[0] == unset)
            continue;
        for (const int field : {0, 2}) {
            if (record[field] == unset)
                continue;
            const QString id = QString::number(quint8(record[field]));
            auto phase = m_controller.findPhase(id);
            if (!phase) {
                phase = QSharedPointer<CnfPhase>::create();
                phase->id = id;
                phase->minLength = 0;
                phase->maxLength = 240;
                m_controller.addPhase(phase);
            }
            const int position = m_controller.phases().indexOf(phase);
            if (position < 0 || position > maxPhaseNumber)
                return fail(tr("В программе %1 невозможно преобразовать номер фазы %2 в индекс").arg(number).arg(id));
            record[field] = char(position);
        }
    }
    return true;
}
