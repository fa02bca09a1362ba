#include "ProgramElementReader.h"

#include "CnfLogging.h"

#include "CnfController.h"
#include "CnfControllerInternal.h"
#include "CnfMatrix.h"
#include "CnfPhase.h"
#include "CnfPhaseDef.h"
#include "CnfProgram.h"
#include "NativeValueCodec.h"
#include "ProgramElementWriter.h"
#include "ProjectXml.h"
#include "ProjectXmlTree.h"
#include "TimelineCodec.h"

namespace {

// The raw program record of the text adapter: number, algorithm, two unused
// bytes, cycle and offset, then eight phase entries of seven bytes each.
constexpr int AdapterRecordSize = 62;
constexpr int AdapterMaxPhases = 8;
constexpr int AdapterPhaseStart = 6;
constexpr int AdapterPhaseEntrySize = 7;

char lowByte(int value)
{
    return char(value & 0xFF);
}

} // namespace

ProgramElementReader::ProgramElementReader(CnfController& controller, bool strict, bool adapter)
    : m_controller(controller)
    , m_strict(strict)
    , m_adapter(adapter)
{
}

QString ProgramElementReader::errorString() const
{
    return m_error;
}

bool ProgramElementReader::fail(const QString& message)
{
    m_error = message;
    return false;
}

QSharedPointer<CnfProgram> ProgramElementReader::read(const QDomElement& element)
{
    const ProjectXmlTree tree = ProjectXmlTree::fromDom(element);
    return read(tree.root());
}

QSharedPointer<CnfProgram> ProgramElementReader::read(const ProjectXmlElement& element)
{
    m_error.clear();
    QSharedPointer<CnfProgram> program(new CnfProgram);
    program->id = element.attribute(QStringLiteral("id"));
    program->name = element.attribute(QStringLiteral("name"));
    program->type = CnfProgram::string2Type(element.attribute(QStringLiteral("type")));
    readCycle(program, element);

    const int matrixId = element.attribute(QStringLiteral("matrix")).toInt();
    if (matrixId > 0) {
        const auto matrices = m_controller.matrixList();
        for (const auto& matrix : matrices) {
            if (matrix && matrix->id() == matrixId) {
                program->matrix = matrix;
                break;
            }
        }
    }
    program->defaultMatrix = m_controller.defaultMatrix();

    if (program->type == CnfProgram::NorvakSpecial) {
        // The raw record defines the program; its steps are rebuilt from it.
        if (!readRawRecord(program, element))
            return {};
        readProperties(program, element);
        return program;
    }
    // The properties ("coordinated", ...) steer the cycle: they are in place
    // before the steps, and the cycle is brought up to date once the steps
    // have their own properties too. The offset wraps on that cycle.
    readProperties(program, element);
    if ((program->type == CnfProgram::Timeline || program->type == CnfProgram::TimelineCoord)
        && !readTimeline(program, element)) {
        return {};
    }
    if (!readSteps(program, element))
        return {};
    // The steps recompute the cycle; the saved cycle and offset are put back
    // once everything else is in place.
    readCycle(program, element);
    if (m_adapter && (program->type != CnfProgram::NotSet || program->id.isEmpty())
        && !convertToAdapterRecord(program)) {
        return {};
    }
    return program;
}

void ProgramElementReader::readCycle(const QSharedPointer<CnfProgram>& program, const ProjectXmlElement& element)
{
    const int cycle = element.attribute(QStringLiteral("cycle")).toInt();
    if (cycle > 0)
        program->cycleTime = cycle;
    program->setCycleOffset(element.attribute(QStringLiteral("offset")).toInt());
}

bool ProgramElementReader::readRawRecord(const QSharedPointer<CnfProgram>& program, const ProjectXmlElement& element)
{
    const ProjectXmlElement data = element.firstChildElement(QStringLiteral("NorvakData"));
    if (data.isNull())
        return fail(QObject::tr("In program %1 not specified data of NORVAK program").arg(program->id));
    const QByteArray record = QByteArray::fromHex(data.text().toLatin1());
    if (!m_controller.setProgramRawData(program, record))
        return fail(m_controller.lastError());
    return true;
}

bool ProgramElementReader::readTimeline(const QSharedPointer<CnfProgram>& program, const ProjectXmlElement& element)
{
    const ProjectXmlElement timeline = element.firstChildElement(QStringLiteral("TimelineData"));
    if (timeline.isNull())
        return true;
    const QVariantList sequences = NativeValueCodec::decode(timeline.firstChildElement()).toList();
    QString error;
    if (!TimelineCodec::decode(m_controller, *program, sequences, QStringLiteral("sequences"), &error))
        return fail(error);
    return true;
}

bool ProgramElementReader::readSteps(const QSharedPointer<CnfProgram>& program, const ProjectXmlElement& element)
{
    const QVector<ProjectXmlElement> steps = ProjectXml::children(element, QStringLiteral("Phase"));
    for (int i = 0; i < steps.size(); ++i) {
        if (!readStep(program, steps.at(i), i == steps.size() - 1))
            return false;
    }
    return true;
}

bool ProgramElementReader::readStep(const QSharedPointer<CnfProgram>& program, const ProjectXmlElement& step, bool last)
{
    const QString phaseId = step.text();
    const QSharedPointer<CnfPhase> phase = stepPhase(program, phaseId);
    if (!phase)
        return false;

    const QStringList groupIds = step.attribute(QStringLiteral("sg")).split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString& groupId : groupIds) {
        const auto group = m_controller.findSG(groupId.toInt());
        if (group)
            phase->signalGroups.append(group);
        else
            qCDebug(lcCnfProject).noquote() << QObject::tr("Phase %1 contains a non-existent signal group %2").arg(phaseId, groupId);
    }

    const bool full = step.hasAttribute(QStringLiteral("full_length"));
    const int duration = step.attribute(full ? QStringLiteral("full_length") : QStringLiteral("length")).toInt();
    const QSharedPointer<CnfPhaseDef> def = cnfAppendStepAsRead(*program, phase, duration, full, last);
    if (!def)
        return true;
    for (int i = 0; i < step.attributeCount(); ++i) {
        const QString name = step.attributeName(i);
        if (!ProgramElementWriter::isStepDataAttribute(name))
            def->setProperty(name.toUtf8().constData(), step.attributeValue(i));
    }
    return true;
}

QSharedPointer<CnfPhase> ProgramElementReader::stepPhase(const QSharedPointer<CnfProgram>& program,
                                                         const QString& phaseId)
{
    QSharedPointer<CnfPhase> phase = m_controller.findPhase(phaseId);
    if (phase)
        return phase;
    if (m_strict && !m_adapter) {
        fail(QObject::tr("Program %1 contains a non-existent phase %2").arg(program->id, phaseId));
        return {};
    }
    phase.reset(new CnfPhase);
    phase->id = phaseId;
    m_controller.addPhase(phase);
    return phase;
}

bool ProgramElementReader::convertToAdapterRecord(const QSharedPointer<CnfProgram>& program)
{
    if (program->type == CnfProgram::NotSet || program->type == CnfProgram::Off) {
        return fail(QObject::tr("Program %1, type %2 cant be converted to new format")
                        .arg(program->id)
                        .arg(int(program->type)));
    }
    if (program->phaseCount() > AdapterMaxPhases)
        return fail(QObject::tr("Count of phases in program %1 more than 8").arg(program->id));
    const QByteArray record = adapterRecord(program);
    program->setData(record);
    program->nativeType = quint8(record.at(1));
    program->type = CnfProgram::NorvakSpecial;
    return true;
}

QByteArray ProgramElementReader::adapterRecord(const QSharedPointer<CnfProgram>& program) const
{
    QByteArray record(AdapterRecordSize, char(0xFF));
    record[0] = lowByte(program->id.toInt());
    switch (program->type) {
    case CnfProgram::YellowFlash:
        record[1] = 0;
        break;
    case CnfProgram::Coord:
        record[1] = 2;
        record[4] = lowByte(program->cycle(false));
        record[5] = lowByte(program->cycleOffset(0));
        break;
    default:
        record[1] = 1;
        break;
    }
    // A phase field of the adapter layout holds the position of the phase in
    // the controller's phase list, which is how the record is decoded again.
    const auto phases = m_controller.phases();
    const auto steps = program->phases();
    for (int i = 0; i < steps.size(); ++i) {
        const int entry = AdapterPhaseStart + AdapterPhaseEntrySize * i;
        const int position = phases.indexOf(steps.at(i)->phase());
        record[entry] = position >= 0 ? lowByte(position) : char(0xFF);
        record[entry + 1] = lowByte(steps.at(i)->length());
    }
    return record;
}

void ProgramElementReader::readProperties(const QSharedPointer<CnfProgram>& program, const ProjectXmlElement& element)
{
    const ProjectXmlElement nativeData = element.firstChildElement(QStringLiteral("NativeData"));
    if (nativeData.isNull())
        return;
    const auto values = NativeValueCodec::decodeNamedValues(nativeData);
    for (const auto& value : values)
        program->setProperty(value.first.toLocal8Bit().constData(), value.second);
}
