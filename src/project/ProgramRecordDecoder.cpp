#include "ProgramRecordDecoder.h"

#include <QObject>

#include "CnfController.h"
#include "CnfControllerInternal.h"
#include "CnfNumberText.h"
#include "CnfPhase.h"
#include "CnfProgram.h"

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
    m_program.id = cnfNumberText(qint8(byteAt(0)));
    m_program.nativeType = byteAt(1);
    if (!adapterController && inside(2))
        m_program.setInterstateVariant(qint8(byteAt(2)));
    return true;
}

bool ProgramRecordDecoder::checkFields(const ProgramRecordLayout& layout)
{
    m_buildSteps = false;
    const bool valid = readFields(layout);
    m_buildSteps = true;
    return valid;
}

bool ProgramRecordDecoder::readFields(const ProgramRecordLayout& layout)
{
    const Fields* fields = layout.fields(m_program.nativeType);
    if (!fields)
        return fail(QObject::tr("Для программы %1 (тип %2) не найдено описание структуры в файле разметки")
                        .arg(m_program.id)
                        .arg(m_program.nativeType));
    m_mainDuration.reset();
    m_cycleOffsetTaken = false;
    qint64 offset = 2; // after the program number and the algorithm
    const bool walked = walk(*fields, offset);
    bringCycleUpToDate();
    return walked;
}

QString ProgramRecordDecoder::errorString() const
{
    return m_error;
}

// Walks the fields in order. Offsets only grow, so the walk ends as soon as
// it has passed the end of the record.
bool ProgramRecordDecoder::walk(const Fields& fields, qint64& offset)
{
    // The record and the layout stay as they are during the walk.
    const size_t count = fields.size();
    const qint64 end = m_record.size();
    for (size_t i = 0; i < count && offset >= 0 && offset < end; ++i) {
        const ProgramRecordField& field = fields[i];
        if (!field.typeValid)
            return fail(QObject::tr("Для программы %1 (тип %2) в файле разметки указан неправильный тип поля %3")
                            .arg(m_program.id)
                            .arg(m_program.nativeType)
                            .arg(field.type));
        if (field.array) {
            if (!walkArray(field, offset))
                return false;
            m_mainDuration.reset();
            continue;
        }
        // Most fields are plain values that neither name a phase nor carry
        // the cycle offset: nothing to interpret.
        if ((field.list != ProgramRecordField::NoList || field.cycleOffset) && !interpret(fields, i, offset))
            return false;
        offset += field.size;
    }
    return true;
}

bool ProgramRecordDecoder::walkArray(const ProgramRecordField& array, qint64& offset)
{
    for (qint64 entry = 0; entry < array.count && inside(offset); ++entry) {
        m_mainDuration.reset();
        const qint64 start = offset;
        if (!walk(array.entry, offset))
            return false;
        // An entry that takes no room would only repeat the same fields.
        if (offset == start)
            break;
    }
    return true;
}

bool ProgramRecordDecoder::interpret(const Fields& fields, size_t index, qint64 offset)
{
    const ProgramRecordField& field = fields[index];
    if (field.list == ProgramRecordField::PhaseById && !appendPhaseById(fields, index, offset))
        return false;
    if (field.list == ProgramRecordField::PhaseByPosition && !appendPhaseByPosition(fields, index, offset))
        return false;
    takeCycleOffset(field, offset);
    return true;
}

bool ProgramRecordDecoder::appendPhaseById(const Fields& fields, size_t index, qint64 offset)
{
    const int number = qint8(byteAt(offset));
    if (number == -1)
        return true;
    const QSharedPointer<CnfPhase> phase = m_controller.findPhase(cnfNumberText(number));
    if (!phase)
        return fail(QObject::tr("В программе %1 указана неправильная фаза %2").arg(m_program.id).arg(number));
    if (m_buildSteps)
        appendStep(phase, duration(fields, index, offset, true));
    return true;
}

bool ProgramRecordDecoder::appendPhaseByPosition(const Fields& fields, size_t index, qint64 offset)
{
    const int position = byteAt(offset);
    if (position == 255)
        return true;
    if (position >= m_phases.size())
        return fail(QObject::tr("Неправильный индекс фазы %1 в программе %2").arg(position).arg(m_program.id));
    if (m_buildSteps)
        appendStep(m_phases.at(position), duration(fields, index, offset, false));
    return true;
}

// The steps are linked without recomputing the cycle each time: it is
// brought up to date before anything reads it (the cycle offset) and when the
// walk ends, with the steps appended so far, so it is the cycle that
// appendPhase would have left at those points.
void ProgramRecordDecoder::appendStep(const QSharedPointer<CnfPhase>& phase, int duration)
{
    cnfAppendStepAsRead(m_program, phase, duration, false, false);
    m_cycleStale = true;
}

void ProgramRecordDecoder::bringCycleUpToDate()
{
    if (!m_cycleStale)
        return;
    m_cycleStale = false;
    m_program.cycle(true);
}

// The duration of a phase field: the byte of the first following field whose
// "phase" names the phase field's id. A byte holding the field's empty value
// is no duration. Without a duration a call phase takes the main duration of
// its entry, every other phase gets -1.
int ProgramRecordDecoder::duration(const Fields& fields, size_t index, qint64 offset, bool signedBytes)
{
    const ProgramRecordField& phaseField = fields[index];
    std::optional<int> found;
    if (!phaseField.id.isEmpty()) {
        qint64 at = offset + phaseField.size;
        for (size_t i = index + 1; i < fields.size() && inside(at); ++i) {
            const ProgramRecordField& field = fields[i];
            if (field.phase == phaseField.id) {
                const quint8 byte = byteAt(at);
                const bool empty = field.emptyValue && (*field.emptyValue == byte || *field.emptyValue == qint8(byte));
                if (!empty)
                    found = signedBytes ? int(qint8(byte)) : int(byte);
                break;
            }
            if (field.size < 0)
                break;
            at += field.size;
        }
    }
    if (found && phaseField.mainPhase)
        m_mainDuration = found;
    if (!found && phaseField.callPhase)
        found = m_mainDuration;
    return found.value_or(-1);
}

// Only the coordination algorithm carries its cycle offset into the program.
void ProgramRecordDecoder::takeCycleOffset(const ProgramRecordField& field, qint64 offset)
{
    if (!m_buildSteps || m_program.nativeType != 2 || m_cycleOffsetTaken || !field.cycleOffset)
        return;
    m_cycleOffsetTaken = true;
    bringCycleUpToDate();
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
