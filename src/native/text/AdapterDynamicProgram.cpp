#include "AdapterDynamicProgram.h"

#include "AdapterProgramParser.h"
#include "CnfController.h"
#include "CnfPhase.h"
#include "CnfPhaseDef.h"
#include "CnfProgram.h"

namespace {

constexpr char unset = char(0xFF);
constexpr int maxPhaseNumber = 254;

char* phaseRecord(QByteArray& record, int r)
{
    return record.data() + AdapterProgramParser::firstPhaseRecord + AdapterProgramParser::phaseRecordSize * r;
}

} // namespace

AdapterDynamicProgram::AdapterDynamicProgram(CnfController& controller)
    : m_controller(controller)
{
}

QString AdapterDynamicProgram::errorString() const
{
    return m_error;
}

QByteArray AdapterDynamicProgram::fail(const QString& message)
{
    m_error = message;
    return {};
}

QByteArray AdapterDynamicProgram::build(QSharedPointer<CnfProgram> program)
{
    m_error.clear();
    if (!program) {
        const auto programs = m_controller.programs();
        if (programs.isEmpty())
            return fail(tr("В контроллере нет программ"));
        program = programs.first();
    }
    const bool knownType = program->type == CnfProgram::Timer || program->type == CnfProgram::Coord
        || program->type == CnfProgram::NorvakSpecial;
    if (!knownType)
        return fail(tr("Invalid program type - %1").arg(CnfProgram::typeName(program->type, true)));
    // The record's first byte carries the program number.
    bool numeric = false;
    const int number = program->id.toInt(&numeric);
    if (!numeric || number < -128 || number > 255)
        return fail(tr("Программа %1 имеет недопустимый идентификатор. Возможно использование только чисел от -128 до 255")
                        .arg(program->id));
    return program->type == CnfProgram::NorvakSpecial ? fromRecord(*program, number) : fromSteps(*program, number);
}

bool AdapterDynamicProgram::phaseNumber(const QString& id, int* number)
{
    bool numeric = false;
    *number = id.toInt(&numeric);
    if (numeric && *number >= 0 && *number <= maxPhaseNumber)
        return true;
    m_error = tr("Impossible to convert id of phase %1 to number").arg(id);
    return false;
}

bool AdapterDynamicProgram::byteValue(const QString& name, int value, int* out)
{
    *out = value;
    if (value >= 0 && value <= 255)
        return true;
    m_error = tr("Значение %1 = %2 выходит за разрешённые пределы [%3;%4]").arg(name).arg(value).arg(0).arg(255);
    return false;
}

// A timer or coordination program given by its steps.
QByteArray AdapterDynamicProgram::fromSteps(CnfProgram& program, int number)
{
    const auto steps = program.phases();
    if (steps.size() > AdapterProgramParser::phaseRecordCount)
        return fail(tr("Too many phases (%1) for dynamic program").arg(steps.size()));
    QByteArray record(AdapterProgramParser::recordSize, unset);
    record[0] = char(number & 0xFF);
    const bool coordinated = program.type == CnfProgram::Coord;
    record[1] = char(coordinated ? 2 : 1);
    if (coordinated) {
        int cycle = 0;
        int offset = 0;
        if (!byteValue(tr("длительность цикла"), program.cycle(false), &cycle)
            || !byteValue(tr("сдвиг цикла"), program.cycleOffset(0), &offset))
            return {};
        record[4] = char(cycle);
        record[5] = char(offset);
    }
    for (int i = 0; i < steps.size(); ++i) {
        const auto& step = steps.at(i);
        const auto phase = step ? step->phase() : QSharedPointer<CnfPhase>();
        int phaseId = 0;
        if (!phaseNumber(phase ? phase->id : QString(), &phaseId))
            return {};
        // A step without a duration keeps the byte that means none.
        int length = unset;
        if (step->length() != -1 && !byteValue(tr("длительность фазы %1").arg(phase->id), step->length(), &length))
            return {};
        phaseRecord(record, i)[0] = char(phaseId);
        phaseRecord(record, i)[1] = char(length);
    }
    return record;
}

// A program kept as its stored record: phase positions become numbers.
QByteArray AdapterDynamicProgram::fromRecord(const CnfProgram& program, int number)
{
    QByteArray record = program.data();
    if (record.size() != AdapterProgramParser::recordSize)
        return fail(tr("Invlid data size of program - %1 (must be %2)")
                        .arg(record.size())
                        .arg(AdapterProgramParser::recordSize));
    record[0] = char(number & 0xFF);
    const auto phases = m_controller.phases();
    for (int r = 0; r < AdapterProgramParser::phaseRecordCount; ++r) {
        char* entry = phaseRecord(record, r);
        if (entry[0] == unset)
            continue;
        for (const int field : {0, 2}) {
            if (entry[field] == unset)
                continue;
            const int position = quint8(entry[field]);
            if (position >= phases.size())
                return fail(tr("Program contain invalid phase index %1 (maximum %2)").arg(position).arg(phases.size() - 1));
            int phaseId = 0;
            if (!phaseNumber(phases.at(position) ? phases.at(position)->id : QString(), &phaseId))
                return {};
            entry[field] = char(phaseId);
        }
    }
    return record;
}
