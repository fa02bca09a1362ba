#include "ProgramElementWriter.h"

#include <utility>
#include <vector>

#include "CnfController.h"
#include "CnfMatrix.h"
#include "CnfPhase.h"
#include "CnfPhaseDef.h"
#include "CnfPhaseDef_p.h"
#include "CnfProgram.h"
#include "CnfSignalGroup.h"
#include "NativeValueCodec.h"
#include "CnfLogging.h"
#include "ProjectXml.h"

namespace {

constexpr int NoDuration = -1;

QStringList groupIds(const QList<QSharedPointer<CnfSignalGroup>>& groups)
{
    QStringList ids;
    for (const auto& group : groups) {
        if (group)
            ids.append(QString::number(group->id));
    }
    return ids;
}

} // namespace

ProgramElementWriter::ProgramElementWriter(const CnfController& controller, RefusedEntry refused)
    : m_controller(controller)
    , m_refused(refused)
{
}

void ProgramElementWriter::logLeftOut(const QString& message)
{
    qCWarning(lcCnfProject).noquote() << "Left out of the copy:" << message;
}

bool ProgramElementWriter::isStepDataAttribute(const QString& name)
{
    return name == QLatin1String("length") || name == QLatin1String("full_length")
        || name == QLatin1String("sg");
}

QString ProgramElementWriter::errorString() const
{
    return m_error;
}

ProjectElement ProgramElementWriter::write(const QSharedPointer<CnfProgram>& program)
{
    m_error.clear();
    ProjectElement element(QStringLiteral("Program"));
    writeAttributes(element, program);
    if (program->type == CnfProgram::NorvakSpecial) {
        ProjectElement& data = element.appendElement(QStringLiteral("NorvakData"));
        ProjectXml::appendText(data, QString::fromLatin1(program->data().toHex()));
    } else if (program->type == CnfProgram::Timeline || program->type == CnfProgram::TimelineCoord) {
        writeTimeline(element, program);
    }
    QSet<QString> unlistedWritten;
    const auto steps = program->phases();
    m_stepsLeftOut = 0;
    for (const auto& step : steps) {
        if (!writeStep(element, program, step, unlistedWritten))
            return ProjectElement();
    }
    // Without a step that was left out, the cycle of the steps is not the
    // program's cycle any more, unless the program runs on a configured one.
    if (m_stepsLeftOut > 0 && !program->isCoordinated())
        element.removeAttribute(QStringLiteral("cycle"));
    writeProperties(element, program);
    return element;
}

void ProgramElementWriter::writeAttributes(ProjectElement& element, const QSharedPointer<CnfProgram>& program)
{
    if (!program->id.isEmpty())
        ProjectXml::setAttribute(element, QStringLiteral("id"), program->id);
    ProjectXml::setAttribute(element, QStringLiteral("type"), CnfProgram::typeName(program->type, false));
    if (!program->name.isEmpty())
        ProjectXml::setAttribute(element, QStringLiteral("name"), program->name);
    if (program->type != CnfProgram::NorvakSpecial) {
        const int cycle = program->cycle(false);
        if (cycle > 0)
            element.setAttribute(QStringLiteral("cycle"), cycle);
        const int offset = program->cycleOffset(0);
        if (offset != 0)
            element.setAttribute(QStringLiteral("offset"), offset);
    }
    if (program->matrix)
        element.setAttribute(QStringLiteral("matrix"), program->matrix->id());
}

void ProgramElementWriter::writeTimeline(ProjectElement& element, const QSharedPointer<CnfProgram>& program)
{
    // Only the controller's own groups are written: a group removed from the
    // controller could not be found again when the document is read. They go
    // in the controller's order, not in the timeline's order of addresses,
    // so that the same model always gives the same document. The entries are
    // the maps {"group", "sequence"} of native values, built as elements
    // straight away rather than as a QVariant tree to be encoded.
    ProjectElement& timeline = element.appendElement(QStringLiteral("TimelineData"));
    ProjectElement& sequences = NativeValueCodec::appendList(timeline);
    if (!m_groupOrder)
        m_groupOrder.emplace(m_controller);
    for (const TimelineCodec::GroupOrder::Entry& entry : m_groupOrder->inListOrder(program->timeline)) {
        ProjectElement& map = NativeValueCodec::appendMapItem(sequences, QString());
        NativeValueCodec::appendIntItem(map, QStringLiteral("group"), entry.group->id);
        writeTimelineSequence(NativeValueCodec::appendListItem(map, QStringLiteral("sequence")), *entry.points);
    }
}

void ProgramElementWriter::writeTimelineSequence(ProjectElement& sequence, const QMap<int, int>& timeline)
{
    // Only the aspects a reader accepts can be written.
    std::vector<std::pair<int, int>> points;
    for (auto it = timeline.cbegin(); it != timeline.cend(); ++it) {
        if (it.value() >= CnfSignalGroup::Green && it.value() <= CnfSignalGroup::RedAmber)
            points.emplace_back(it.key(), it.value());
    }
    if (points.empty())
        return;
    auto appendPoint = [&sequence](const std::pair<int, int>& point) {
        ProjectElement& step = NativeValueCodec::appendMapItem(sequence, QString());
        NativeValueCodec::appendIntItem(step, QStringLiteral("point"), point.first);
        NativeValueCodec::appendStringItem(step, QStringLiteral("state"),
                                           CnfSignalGroup::colorState2String(CnfSignalGroup::ColorState(point.second)));
    };
    // A state that runs over the end of the cycle is written once, where it
    // begins; the reader closes the cycle with the last state.
    bool written = false;
    int lastState = points.back().second;
    for (const auto& point : points) {
        if (points.size() > 1 && point.second == lastState)
            continue;
        appendPoint(point);
        written = true;
        lastState = point.second;
    }
    // A group that keeps one state all the cycle still needs that state.
    if (!written)
        appendPoint(points.front());
}

bool ProgramElementWriter::writeStep(ProjectElement& element, const QSharedPointer<CnfProgram>& program,
                                     const QSharedPointer<CnfPhaseDef>& step, QSet<QString>& unlistedWritten)
{
    // Read in place: a copy of the pointer would write to the phase's
    // reference count, a line of memory far away in a large controller.
    const QSharedPointer<CnfPhase>& phase = CnfPhaseDefPrivate::of(*step).phase;
    const int length = step->length();
    // A length of -1 is a step without a duration of its own (a call phase,
    // a phase field without a duration): it has nothing to check.
    if (phase && phase->maxLength > 0 && phase->minLength > 0 && length != NoDuration
        && (length < phase->minLength || length > phase->maxLength)) {
        const QString message
            = QObject::tr("В программе %1 длительность фазы %2 = %3 выходит за разрешённые пределы [%4;%5]")
                  .arg(program->id, step->id())
                  .arg(length)
                  .arg(phase->minLength)
                  .arg(phase->maxLength);
        if (m_refused == RefusedEntry::FailDocument) {
            m_error = message;
            return false;
        }
        logLeftOut(message);
        ++m_stepsLeftOut;
        return true;
    }
    ProjectElement& stepElement = element.appendElement(QStringLiteral("Phase"));
    ProjectXml::appendText(stepElement, step->id());
    if (step->fullLengthDefined())
        stepElement.setAttribute(QStringLiteral("full_length"), step->fullLength());
    stepElement.setAttribute(QStringLiteral("length"), length);
    // A phase the controller does not list is created again by the reader;
    // its groups go with its first step so that it is not recreated empty.
    // A listed phase has its id listed: the look-up by id is only needed
    // for another one.
    if (!m_phasesTaken) {
        m_listedPhases = ListedElements<CnfPhase>(m_controller.phases());
        m_phasesTaken = true;
    }
    if (phase && !m_listedPhases.contains(phase.data()) && !m_controller.findPhase(phase->id)
        && !unlistedWritten.contains(phase->id)) {
        unlistedWritten.insert(phase->id);
        const QStringList ids = groupIds(phase->signalGroups);
        if (!ids.isEmpty())
            ProjectXml::setAttribute(stepElement, QStringLiteral("sg"), ids.join(QLatin1Char(',')));
    }
    for (const auto& property : ProjectXml::properties(*step)) {
        if (!isStepDataAttribute(property.first))
            ProjectXml::setAttribute(stepElement, property.first, property.second.toString());
    }
    return true;
}

void ProgramElementWriter::writeProperties(ProjectElement& element, const QSharedPointer<CnfProgram>& program)
{
    const auto properties = ProjectXml::properties(*program);
    if (!properties.isEmpty())
        element.appendChild(NativeValueCodec::encodeNamedValues(properties));
}
