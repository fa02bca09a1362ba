#include "JsonPlanWriter.h"

#include "CnfController.h"
#include "CnfLogging.h"
#include "CnfMatrix.h"
#include "CnfPhase.h"
#include "CnfPhaseDef.h"
#include "CnfProgram.h"
#include "JsonDialect.h"
#include "JsonValues.h"
#include "TimelineCodec.h"

using namespace JsonValues;

JsonPlanWriter::JsonPlanWriter(CnfController& controller, CnfProgram& program, const JsonDialect& dialect,
                               const TimelineCodec::GroupOrder* groupOrder)
    : m_controller(controller)
    , m_program(program)
    , m_dialect(dialect)
    , m_groupOrder(groupOrder)
{
}

QString JsonPlanWriter::errorString() const
{
    return m_error;
}

bool JsonPlanWriter::fail(const QString& message)
{
    m_error = message;
    return false;
}

QVariant JsonPlanWriter::write()
{
    QVariantMap plan;
    plan.insert(key("id"), idValue(m_program.id));
    insertIfNotEmpty(plan, "name", JsonDialect::nameOf(m_program.name, m_dialect.programName, m_program.id));
    const auto defaultProgram = m_controller.defaultProgram();
    if (m_dialect.planDefault && defaultProgram && defaultProgram.data() == &m_program)
        plan.insert(key("default"), true);
    QVariantMap algorithm;
    if (!writeAlgorithm(algorithm))
        return QVariant();
    writeMatrix(algorithm);
    writeProperties(plan, algorithm);
    plan.insert(key("algorithm"), algorithm);
    return plan;
}

// The properties of a program go where the reader takes them back from: the
// algorithms the format defines read only their own keys, so the other
// properties stay beside the algorithm; an algorithm the model does not
// interpret keeps every key.
void JsonPlanWriter::writeProperties(QVariantMap& plan, QVariantMap& algorithm)
{
    QStringList consumed{key("type"), key("id"), key("name"), key("algorithm")};
    if (m_dialect.planDefault)
        consumed.append(key("default"));
    switch (m_program.type) {
    case CnfProgram::StageRing:
        // The phase ring reads these two from its algorithm.
        for (const char* name : {"coordinated", m_dialect.stageRingConditions}) {
            const QVariant value = m_program.property(name);
            if (value.isValid() && !algorithm.contains(key(name)))
                algorithm.insert(key(name), value);
            consumed.append(key(name));
        }
        Q_FALLTHROUGH();
    case CnfProgram::Off:
    case CnfProgram::YellowFlash:
    case CnfProgram::Timer:
    case CnfProgram::Coord:
    case CnfProgram::Timeline:
    case CnfProgram::TimelineCoord:
        insertProperties(plan, m_program, consumed);
        break;
    default:
        insertProperties(algorithm, m_program, {key("type")});
        break;
    }
}

bool JsonPlanWriter::writeAlgorithm(QVariantMap& algorithm)
{
    const auto special = [&algorithm](const char* mode) {
        algorithm.insert(key("type"), QStringLiteral("Special"));
        algorithm.insert(key("mode"), key(mode));
        return true;
    };
    const auto coordinated = [this, &algorithm] {
        algorithm.insert(key("coordinated"), true);
        algorithm.insert(key("offset"), m_program.cycleOffset(0));
    };
    if (!m_dialect.fixedPlans && (m_program.type == CnfProgram::Off || m_program.type == CnfProgram::Timer
                                  || m_program.type == CnfProgram::Coord))
        return fail(tr("Program %1 is of the kind \"%2\", for which the format has no algorithm")
                        .arg(m_program.id, CnfProgram::typeName(m_program.type, false)));
    switch (m_program.type) {
    case CnfProgram::Off:
        return special("OFF");
    case CnfProgram::YellowFlash:
        return special("AB");
    case CnfProgram::Coord:
        coordinated();
        Q_FALLTHROUGH();
    case CnfProgram::Timer:
        algorithm.insert(key("type"), QStringLiteral("Fixed"));
        return writeFixed(algorithm);
    case CnfProgram::MultiRing:
    case CnfProgram::JavaScript:
    case CnfProgram::Pedestrian:
    case CnfProgram::Passive:
        algorithm.insert(key("type"), CnfProgram::typeName(m_program.type, false));
        return true;
    case CnfProgram::TimelineCoord:
        coordinated();
        Q_FALLTHROUGH();
    case CnfProgram::Timeline:
        algorithm.insert(key("type"), QStringLiteral("Timeline"));
        return writeTimeline(algorithm);
    case CnfProgram::StageRing:
        algorithm.insert(key("type"), QStringLiteral("StageRing"));
        return writeStageRing(algorithm);
    default:
        writeOwnType(algorithm);
        return true;
    }
}

// A kind of program the format has no algorithm for keeps the type it was
// read with (the property "type"), else its own code, so that it reads back
// as the same kind.
void JsonPlanWriter::writeOwnType(QVariantMap& algorithm)
{
    const QVariant type = m_program.property("type");
    if (type.isValid())
        algorithm.insert(key("type"), type);
    else if (m_program.type != CnfProgram::NotSet)
        algorithm.insert(key("type"), CnfProgram::typeName(m_program.type, false));
}

bool JsonPlanWriter::writeFixed(QVariantMap& algorithm)
{
    QVariantList sequence;
    const auto steps = m_program.phases();
    for (int index = 0; index < steps.size(); ++index) {
        const auto& step = steps.at(index);
        const auto phase = step->phase();
        if (!phase || m_controller.findPhase(phase->id) != phase)
            return fail(tr("In program %1 step %2 names a phase that the controller does not have")
                            .arg(m_program.id, QString::number(index + 1)));
        if (!step->fullLengthDefined() && step->length() < 0)
            return fail(tr("In program %1 phase %2 (step %3) has no duration")
                            .arg(m_program.id, phase->id, QString::number(index + 1)));
        const int duration = step->fullLength();
        if (duration <= 0)
            return fail(tr("In program %1 phase %2 has invalid length=%3")
                            .arg(m_program.id, phase->id, QString::number(duration)));
        QVariantMap entry;
        entry.insert(key("stage"), idValue(phase->id));
        entry.insert(key("duration"), duration);
        sequence.append(entry);
    }
    algorithm.insert(key("sequence"), sequence);
    return true;
}

bool JsonPlanWriter::writeTimeline(QVariantMap& algorithm)
{
    algorithm.insert(key("cycle"), m_program.cycle(false));
    QVariantList sequences;
    const bool encoded = m_groupOrder ? TimelineCodec::encode(*m_groupOrder, m_program, &sequences, &m_error)
                                      : TimelineCodec::encode(m_controller, m_program, &sequences, &m_error);
    if (!encoded)
        return false;
    algorithm.insert(key("sequences"), sequences);
    return true;
}

bool JsonPlanWriter::writeStageRing(QVariantMap& algorithm)
{
    QVariantList phases;
    QVariantList sequence;
    const auto steps = m_program.phases();
    for (int index = 0; index < steps.size(); ++index) {
        const auto& step = steps.at(index);
        const QVariant stage = stageReference(step->phase());
        if (!stage.isValid())
            return false;
        QVariantMap entry;
        entry.insert(key("id"), index + 1);
        entry.insert(key("stage"), stage);
        // The reader takes the step's length from "maxGreen".
        entry.insert(key("maxGreen"), step->length());
        insertProperties(entry, *step);
        phases.append(entry);
        sequence.append(index + 1);
    }
    algorithm.insert(key("phases"), phases);
    algorithm.insert(key("sequence"), sequence);
    if (m_program.property("coordinated").toBool()) {
        algorithm.insert(key("cycle"), m_program.cycleTime);
        algorithm.insert(key("offset"), m_program.cycleOffset(0));
    }
    return true;
}

// A stage of a phase ring is named by its id when that is a number, else by
// its name.
QVariant JsonPlanWriter::stageReference(const QSharedPointer<CnfPhase>& phase)
{
    if (!phase || m_controller.findPhase(phase->id) != phase) {
        fail(tr("In program %1 a step names a phase that the controller does not have").arg(m_program.id));
        return QVariant();
    }
    const QVariant stage =
        referenceValue(phase->id, phase->name, m_controller.findPhaseByName(phase->name) == phase);
    if (!stage.isValid())
        fail(tr("In program %1 phase \"%2\" cannot be referred to: its id is not a whole number and its name "
                "does not single it out")
                 .arg(m_program.id, phase->id));
    return stage;
}

void JsonPlanWriter::writeMatrix(QVariantMap& algorithm)
{
    const auto matrix = m_program.matrix;
    if (m_dialect.matrixOnlyForStageRing ? m_program.type != CnfProgram::StageRing
                                         : matrix == m_controller.defaultMatrix())
        return;
    if (!matrix)
        return;
    if (m_controller.findMatrix(matrix->id()) == matrix)
        algorithm.insert(key("matrix"), matrix->id());
    else
        qCWarning(lcCnfJson, "Program %s: its matrix %d is not one of the controller's and is left out",
                  qUtf8Printable(m_program.id), matrix->id());
}
