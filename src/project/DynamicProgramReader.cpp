#include "DynamicProgramReader.h"

#include <QStringList>
#include <QVariant>

#include "CnfController.h"
#include "CnfMatrix.h"
#include "CnfPhase.h"
#include "CnfPhaseDef.h"
#include "CnfProgram.h"
#include "CnfSignalGroup.h"
#include "ProjectXml.h"

namespace {

void copyProperties(const QObject& from, QObject& to)
{
    const auto names = ProjectXml::propertyNames(from);
    for (const QByteArray& name : names)
        to.setProperty(name.constData(), from.property(name.constData()));
}

QStringList stepPhaseIds(const CnfProgram& program)
{
    QStringList ids;
    const auto steps = program.phases();
    for (const auto& step : steps)
        ids.append(step->id());
    return ids;
}

// A step of length -1 has no duration of its own and is never out of limits.
bool outsideLimits(const CnfPhase& phase, int length)
{
    if (length == -1)
        return false;
    return (phase.minLength > 0 && length < phase.minLength) || (phase.maxLength > 0 && length > phase.maxLength);
}

QString layoutName(const QObject& controller)
{
    const QString name = QStringLiteral("%1 %2").arg(controller.property("type").toString(),
                                                    controller.property("version").toString());
    return name.trimmed().isEmpty() ? QObject::tr("без типа") : name.trimmed();
}

} // namespace

DynamicProgramReader::DynamicProgramReader(CnfController& receiver)
    : m_receiver(receiver)
{
}

QString DynamicProgramReader::errorString() const
{
    return m_error;
}

QSharedPointer<CnfProgram> DynamicProgramReader::fail(const QString& message)
{
    m_error = message;
    return {};
}

QSharedPointer<CnfProgram> DynamicProgramReader::read(const QByteArray& blob)
{
    m_error.clear();
    CnfController document;
    if (!document.load(blob, true))
        return fail(document.lastError());
    // A blob carries exactly one program; more would be silently dropped.
    const auto programs = document.programs();
    if (programs.size() != 1 || !programs.first())
        return fail(QObject::tr("Неправильное описание данных в программе"));
    const CnfProgram& source = *programs.first();
    return source.type == CnfProgram::NorvakSpecial ? decodeRawRecord(document, source) : bindSteps(source);
}

// Matrices, properties and the cycle are in place before the steps, which
// depend on them for their full lengths; the cycle is brought up to date
// once the steps have their own properties.
QSharedPointer<CnfProgram> DynamicProgramReader::bindSteps(const CnfProgram& source)
{
    const auto program = QSharedPointer<CnfProgram>::create();
    program->type = source.type;
    program->id = source.id;
    program->name = source.name;
    program->cycleTime = source.cycleTime;
    bindMatrices(source, *program);
    copyProperties(source, *program);
    if (!bindTimeline(source, *program))
        return {};
    const auto steps = source.phases();
    for (const auto& step : steps) {
        if (!appendStep(*step, *program))
            return {};
    }
    if (program->phaseCount() > 0)
        program->cycle(true);
    program->setCycleOffset(source.cycleOffset(0));
    return program;
}

// The signal groups of the program (of its timeline, or of its phases) must
// all be the receiver's.
bool DynamicProgramReader::bindTimeline(const CnfProgram& source, CnfProgram& program)
{
    const auto groups = source.signalGroups();
    for (const auto& group : groups) {
        const auto own = m_receiver.findSG(group->id);
        if (!own) {
            fail(QObject::tr("Не найдена сигнальная группа %1").arg(group->id));
            return false;
        }
        const QMap<int, int> points = source.getTimelineData(group);
        for (auto it = points.cbegin(); it != points.cend(); ++it)
            program.setTimelineData(own, it.key(), it.value());
    }
    return true;
}

bool DynamicProgramReader::appendStep(const CnfPhaseDef& step, CnfProgram& program)
{
    const auto phase = m_receiver.findPhase(step.id());
    if (!phase) {
        fail(QObject::tr("Не найдена фаза %1").arg(step.id()));
        return false;
    }
    const int length = step.length();
    if (outsideLimits(*phase, length)) {
        fail(QObject::tr("Длительность фазы %1 = %2 выходит за разрешённые пределы (%3 - %4)")
                 .arg(phase->id)
                 .arg(length)
                 .arg(phase->minLength)
                 .arg(phase->maxLength));
        return false;
    }
    const auto added = step.fullLengthDefined() ? program.appendPhaseFl(phase, step.fullLength())
                                                : program.appendPhase(phase, length);
    copyProperties(step, *added);
    return true;
}

void DynamicProgramReader::bindMatrices(const CnfProgram& source, CnfProgram& program) const
{
    if (source.matrix)
        program.matrix = m_receiver.findMatrix(source.matrix->id());
    // The blob's default matrix names groups of the temporary controller.
    program.defaultMatrix = m_receiver.defaultMatrix();
}

// A raw record holds phase positions, which mean the same phases only in a
// controller of the same layout and with the phases in the same places.
QSharedPointer<CnfProgram> DynamicProgramReader::decodeRawRecord(const CnfController& blob, const CnfProgram& source)
{
    if (!sameLayout(blob, source))
        return {};
    if (source.data().isEmpty())
        return fail(QObject::tr("Неправильное описание данных в программе"));
    const auto program = QSharedPointer<CnfProgram>::create();
    if (!m_receiver.setProgramRawData(program, source.data()))
        return fail(m_receiver.lastError());
    const QStringList expected = stepPhaseIds(source);
    const QStringList decoded = stepPhaseIds(*program);
    if (decoded != expected) {
        return fail(QObject::tr("Программа %1 в этом контроллере выполняла бы фазы (%2), а не фазы (%3) исходного контроллера")
                        .arg(program->id, decoded.join(QLatin1Char(',')), expected.join(QLatin1Char(','))));
    }
    program->name = source.name;
    bindMatrices(source, *program);
    copyProperties(source, *program);
    // The record was decoded before its matrices were in place.
    if (program->phaseCount() > 0)
        program->cycle(true);
    return program;
}

bool DynamicProgramReader::sameLayout(const CnfController& blob, const CnfProgram& source)
{
    if (blob.property("type").toString() == m_receiver.property("type").toString()
        && blob.property("version").toString() == m_receiver.property("version").toString()) {
        return true;
    }
    fail(QObject::tr("Данные программы %1 записаны для контроллера %2, а этот контроллер - %3")
             .arg(source.id, layoutName(blob), layoutName(m_receiver)));
    return false;
}
