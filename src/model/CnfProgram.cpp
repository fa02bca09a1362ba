#include "CnfProgram.h"

#include <QVariant>

#include <limits>
#include <utility>

#include "CnfListAppend.h"
#include "CnfPhase.h"
#include "CnfPhaseDef.h"
#include "CnfPhaseDef_p.h"

namespace {

struct TypeName {
    const char* code;
    const char* label;
};

// Indexed by CnfProgram::Type.
const TypeName typeNames[] = {
    {"notSet", QT_TR_NOOP("Не задан")},
    {"off", QT_TR_NOOP("Выключено")},
    {"yf", QT_TR_NOOP("Желтое мигание")},
    {"timer", QT_TR_NOOP("Таймер")},
    {"coord", QT_TR_NOOP("Координация")},
    {"norvakSpecial", QT_TR_NOOP("Программа НОРВАКа")},
    {"MultiRing", QT_TR_NOOP("Многокольцевой")},
    {"JavaScript", QT_TR_NOOP("Сценарий JavaScript")},
    {"Timeline", QT_TR_NOOP("Лента времени")},
    {"TimelineCoord", QT_TR_NOOP("Лента времени с координацией")},
    {"StageRing", QT_TR_NOOP("Последовательность фаз")},
    {"Pedestrian", QT_TR_NOOP("Пешеходный")},
    {"Passive", QT_TR_NOOP("Пассивный")},
};
const int typeNameCount = int(sizeof(typeNames) / sizeof(typeNames[0]));

int clampToInt(qint64 value)
{
    return int(qBound<qint64>(std::numeric_limits<int>::min(), value, std::numeric_limits<int>::max()));
}

bool hasCoordinatedFlag(const QObject& program)
{
    return program.property("coordinated").toBool();
}

void copyDynamicProperties(const QObject& from, QObject& to)
{
    const auto names = from.dynamicPropertyNames();
    for (const QByteArray& name : names)
        to.setProperty(name.constData(), from.property(name.constData()));
}

} // namespace

CnfProgram::CnfProgram() = default;

CnfProgram::~CnfProgram()
{
    // Steps may outlive the program in the hands of a caller; they must not
    // point back at it.
    for (const auto& step : qAsConst(m_phases))
        detachStep(*step);
}

QSharedPointer<CnfPhaseDef> CnfProgram::createStep(const QSharedPointer<CnfPhase>& phase)
{
    const QSharedPointer<CnfPhaseDef> step = QSharedPointer<CnfPhaseDef>::create();
    if (phase)
        step->d->phase = phase;
    step->d->program = this;
    return step;
}

void CnfProgram::appendStep(const QSharedPointer<CnfPhaseDef>& step)
{
    linkStep(step);
    cycle(true);
}

const QSharedPointer<CnfPhaseDef>& CnfProgram::linkStep(QSharedPointer<CnfPhaseDef> step)
{
    const QSharedPointer<CnfPhaseDef>& last = m_phases.isEmpty() ? step : m_phases.constLast();
    last->d->next = step;
    step->d->previous = last;
    const QSharedPointer<CnfPhaseDef>& first = m_phases.isEmpty() ? step : m_phases.constFirst();
    step->d->next = first;
    first->d->previous = step;
    cnfAppendTaken(m_phases, std::move(step));
    return m_phases.constLast();
}

// The cycle only matters once the last step is in: the steps before it do
// not recompute it, each of those recomputations being overwritten.
const QSharedPointer<CnfPhaseDef>& cnfAppendStepAsRead(CnfProgram& program, const QSharedPointer<CnfPhase>& phase,
                                                       int duration, bool fullDuration, bool lastStep)
{
    const QSharedPointer<CnfPhaseDef>& step = program.linkStepWithoutCycle(phase, duration, fullDuration);
    if (lastStep)
        program.cycle(true);
    return step;
}

const QSharedPointer<CnfPhaseDef>& CnfProgram::linkStepWithoutCycle(const QSharedPointer<CnfPhase>& phase,
                                                                    int duration, bool fullDuration)
{
    QSharedPointer<CnfPhaseDef> step = createStep(phase);
    if (fullDuration)
        step->d->fullLength = duration;
    else
        step->d->length = duration;
    return linkStep(std::move(step));
}

void CnfProgram::detachStep(CnfPhaseDef& step)
{
    step.d->program = nullptr;
    step.d->previous.clear();
    step.d->next.clear();
}

// The durations given to the step-creating operations are stored as they are:
// the phase limits only clamp a length edited later with setLength.
QSharedPointer<CnfPhaseDef> CnfProgram::appendPhase(const QSharedPointer<CnfPhase>& phase, int length)
{
    const QSharedPointer<CnfPhaseDef> step = createStep(phase);
    step->d->length = length;
    appendStep(step);
    return step;
}

QSharedPointer<CnfPhaseDef> CnfProgram::appendPhaseFl(const QSharedPointer<CnfPhase>& phase, int fullLength)
{
    const QSharedPointer<CnfPhaseDef> step = createStep(phase);
    step->d->fullLength = fullLength;
    appendStep(step);
    return step;
}

QSharedPointer<CnfPhaseDef> CnfProgram::insertPhase(const QSharedPointer<CnfPhaseDef>& after,
                                                    const QSharedPointer<CnfPhase>& phase, int length)
{
    const int index = after ? m_phases.indexOf(after) : -1;
    if (index < 0)
        return {};
    const QSharedPointer<CnfPhaseDef> step = createStep(phase);
    step->d->length = length;
    const QSharedPointer<CnfPhaseDef> next = after->next();
    step->d->next = next;
    if (next)
        next->d->previous = step;
    after->d->next = step;
    step->d->previous = after;
    // After the last step this is the end of the list, matching the ring.
    m_phases.insert(index + 1, step);
    cycle(true);
    return step;
}

void CnfProgram::removePhase(int index)
{
    if (index < 0 || index >= m_phases.size())
        return;
    const QSharedPointer<CnfPhaseDef> step = m_phases.takeAt(index);
    const QSharedPointer<CnfPhaseDef> previous = step->previous();
    const QSharedPointer<CnfPhaseDef> next = step->next();
    if (previous)
        previous->d->next = next;
    if (next)
        next->d->previous = previous;
    detachStep(*step);
    cycle(true);
}

void CnfProgram::removePhase(const QString& phaseId)
{
    for (int i = m_phases.size() - 1; i >= 0; --i) {
        if (m_phases.at(i)->id() == phaseId)
            removePhase(i);
    }
}

void CnfProgram::clearPhases()
{
    for (const auto& step : qAsConst(m_phases))
        detachStep(*step);
    m_phases.clear();
    cycleTime = 0;
}

int CnfProgram::phaseCount() const
{
    return m_phases.size();
}

QSharedPointer<CnfPhaseDef> CnfProgram::phaseDefAt(int index) const
{
    return index >= 0 && index < m_phases.size() ? m_phases.at(index) : QSharedPointer<CnfPhaseDef>();
}

QList<QSharedPointer<CnfPhaseDef>> CnfProgram::phases() const
{
    return m_phases;
}

QSharedPointer<CnfPhaseDef> CnfProgram::findPhaseDef(const QString& phaseId) const
{
    for (const auto& step : m_phases) {
        if (step->id() == phaseId)
            return step;
    }
    return {};
}

int CnfProgram::cycle(bool recalc)
{
    if (!recalc && cycleTime > 0)
        return cycleTime;
    // A coordinated phase sequence runs on its configured cycle.
    if (type == StageRing && hasCoordinatedFlag(*this) && cycleTime >= 1)
        return cycleTime;
    qint64 sum = 0;
    for (const auto& step : qAsConst(m_phases))
        sum += step->fullLength();
    cycleTime = clampToInt(sum);
    return cycleTime;
}

bool CnfProgram::isCoordinated() const
{
    switch (type) {
    case Coord:
    case TimelineCoord:
        return true;
    case NorvakSpecial:
        return nativeType == 2;
    case StageRing:
        return hasCoordinatedFlag(*this);
    default:
        return false;
    }
}

int CnfProgram::cycleOffset(int fallback) const
{
    return isCoordinated() ? m_cycleOffset : fallback;
}

void CnfProgram::setCycleOffset(int offset)
{
    // One wrap either way, not a full modulo.
    const qint64 cycleLength = cycle(false);
    qint64 stored = offset;
    if (stored >= cycleLength)
        stored -= cycleLength;
    if (stored < 0)
        stored += cycleLength;
    m_cycleOffset = clampToInt(stored);
}

void CnfProgram::addCycleOffset(int delta)
{
    setCycleOffset(clampToInt(qint64(m_cycleOffset) + delta));
}

int CnfProgram::interstateVariant() const
{
    return m_interstateVariant;
}

void CnfProgram::setInterstateVariant(int variant)
{
    m_interstateVariant = variant;
}

QMap<int, int> CnfProgram::getTimelineData(QSharedPointer<CnfSignalGroup> sg) const
{
    return timeline.value(sg);
}

void CnfProgram::setTimelineData(QSharedPointer<CnfSignalGroup> sg, int time, int state)
{
    if (sg)
        timeline[sg][time] = state;
}

bool CnfProgram::hasTimelineData() const
{
    return !timeline.isEmpty();
}

void CnfProgram::clearTimelineData()
{
    timeline.clear();
}

QByteArray CnfProgram::data() const
{
    return m_data;
}

void CnfProgram::setData(const QByteArray& data)
{
    m_data = data;
}

QList<QSharedPointer<CnfSignalGroup>> CnfProgram::signalGroups() const
{
    if (type == Timeline || type == TimelineCoord)
        return timeline.keys();
    QList<QSharedPointer<CnfSignalGroup>> groups;
    for (const auto& step : m_phases) {
        const QSharedPointer<CnfPhase> phase = step->phase();
        if (!phase)
            continue;
        for (const auto& group : qAsConst(phase->signalGroups)) {
            if (group && !groups.contains(group))
                groups.append(group);
        }
    }
    return groups;
}

void CnfProgram::clear()
{
    clearPhases();
    m_data.clear();
    timeline.clear();
    type = NotSet;
    cycleTime = 0;
    m_cycleOffset = 0;
    nativeType = -1;
    m_interstateVariant = -1;
    usesDefaultMatrix = false;
    const auto names = dynamicPropertyNames();
    for (const QByteArray& name : names)
        setProperty(name.constData(), QVariant());
}

void CnfProgram::clone(QSharedPointer<CnfProgram> source)
{
    if (source.data() == this)
        return;
    clear();
    if (!source)
        return;
    id = source->id;
    name = source->name;
    type = source->type;
    cycleTime = source->cycleTime;
    m_data = source->m_data;
    nativeType = source->nativeType;
    matrix = source->matrix;
    usesDefaultMatrix = source->usesDefaultMatrix;
    copyDynamicProperties(*source, *this);
    defaultMatrix = source->defaultMatrix;
    for (const auto& step : qAsConst(source->m_phases)) {
        const QSharedPointer<CnfPhaseDef> copy = step->fullLengthDefined()
            ? appendPhaseFl(step->phase(), step->fullLength())
            : appendPhase(step->phase(), step->length());
        copyDynamicProperties(*step, *copy);
    }
    timeline = source->timeline;
    m_cycleOffset = source->m_cycleOffset;
    m_interstateVariant = source->m_interstateVariant;
    // The steps' requests and the variant arrive after the steps were
    // appended; bring the cached cycle up to date with them.
    if (!m_phases.isEmpty())
        cycle(true);
}

QString CnfProgram::typeName(Type t, bool human)
{
    const int value = int(t);
    if (value >= 0 && value < typeNameCount) {
        const TypeName& entry = typeNames[value];
        return human ? QObject::tr(entry.label) : QString::fromLatin1(entry.code);
    }
    return human ? QObject::tr("Неизвестный тип %1").arg(value) : QStringLiteral("alg%1").arg(value);
}

CnfProgram::Type CnfProgram::string2Type(QString code)
{
    for (int value = 0; value < typeNameCount; ++value) {
        if (code == QLatin1String(typeNames[value].code))
            return Type(value);
    }
    // Native algorithm numbers outside the list travel as "alg<number>".
    if (code.startsWith(QLatin1String("alg"))) {
        bool ok = false;
        const int value = code.midRef(3).toInt(&ok);
        return ok ? Type(value) : NotSet;
    }
    return NotSet;
}
