#include "CnfPhaseDef.h"
#include "CnfPhaseDef_p.h"

#include "CnfLogging.h"
#include <QVarLengthArray>
#include <QVariant>

#include <algorithm>
#include <limits>
#include <utility>

#include "CnfMatrix.h"
#include "CnfPhase.h"
#include "CnfProgram.h"
#include "CnfTransition.h"

namespace {

using GroupList = QList<QSharedPointer<CnfSignalGroup>>;

// Durations are summed wide, so that absurd timing overrides saturate
// instead of overflowing.
int clampToInt(qint64 value)
{
    return int(qBound<qint64>(std::numeric_limits<int>::min(), value, std::numeric_limits<int>::max()));
}

// Groups for the length of one computation, while the phases hold them: on
// the stack, since every step's intergreen needs a fresh list.
using GroupRefs = QVarLengthArray<CnfSignalGroup*, 32>;

// The computations below read steps, phases and groups where they are: every
// copy of a shared pointer would cost atomic counts up and down again.
const CnfPhase* phaseOf(const CnfPhaseDef& step)
{
    return CnfPhaseDefPrivate::of(step).phase.data();
}

const GroupList& groupsOf(const CnfPhase* phase)
{
    static const GroupList none;
    return phase ? phase->signalGroups : none;
}

// The groups of `groups` that are not in `other` (identity), in list order.
GroupRefs groupsNotIn(const GroupList& groups, const GroupList& other)
{
    GroupRefs result;
    for (const auto& group : groups) {
        if (group && !other.contains(group))
            result.append(group.data());
    }
    return result;
}

// The change into a step from the step before it, gathered in one pass over
// both phases: the groups taking part (those of the step's phase, then those
// of the previous phase not yet listed) and the ids in each phase, which
// give a group's state as step.getSGState() does without walking the phases
// again for every group. Nothing when either step has no phase.
class Change
{
public:
    explicit Change(const CnfPhaseDef& step)
        : Change(step, step.previous().data())
    {
    }

    // The change from `previous`, the step before `step` in its ring (null: none).
    Change(const CnfPhaseDef& step, const CnfPhaseDef* previous)
    {
        const CnfPhase* to = phaseOf(step);
        const CnfPhase* from = previous ? phaseOf(*previous) : nullptr;
        if (!to || !from)
            return;
        gather(to->signalGroups, m_toIds);
        gather(from->signalGroups, m_fromIds);
    }

    const GroupRefs& groups() const { return m_groups; }

    CnfSignalGroup::SGState state(int id) const
    {
        const bool here = std::find(m_toIds.cbegin(), m_toIds.cend(), id) != m_toIds.cend();
        const bool there = std::find(m_fromIds.cbegin(), m_fromIds.cend(), id) != m_fromIds.cend();
        if (here)
            return there ? CnfSignalGroup::StayGreen : CnfSignalGroup::Entering;
        return there ? CnfSignalGroup::Clearing : CnfSignalGroup::StayRed;
    }

private:
    using Ids = QVarLengthArray<int, 32>;

    void gather(const QList<QSharedPointer<CnfSignalGroup>>& phaseGroups, Ids& ids)
    {
        for (const auto& group : phaseGroups) {
            if (!group)
                continue;
            ids.append(group->id);
            if (std::find(m_groups.cbegin(), m_groups.cend(), group.data()) == m_groups.cend())
                m_groups.append(group.data());
        }
    }

    GroupRefs m_groups;
    Ids m_toIds;
    Ids m_fromIds;
};

// The groups taking part in the change into `step`.
GroupRefs changeGroups(const CnfPhaseDef& step)
{
    return Change(step).groups();
}

// In a phase sequence only requested steps are run; "recall" names the request.
bool isRequested(const CnfPhaseDef& step)
{
    const QString recall = step.property("recall").toString();
    return !recall.isEmpty() && recall != QLatin1String("none");
}

int programVariant(const CnfPhaseDef& step)
{
    return step.program() ? step.program()->interstateVariant() : -1;
}

// A matrix cell in whole seconds; a cell that is no number or not above zero
// does not count.
qint64 cellSeconds(double value)
{
    if (!(value > 0))
        return 0;
    return value >= std::numeric_limits<int>::max() ? std::numeric_limits<int>::max() : qint64(value);
}

// Intergreen from the program's matrix: the largest cell between an entering
// and a clearing group, at least the red-yellow of every entering group, plus
// the green blink when some group loses green.
int matrixInterstate(const CnfPhaseDef& step, const CnfPhase& from, const CnfMatrix& matrix)
{
    const GroupList& to = groupsOf(phaseOf(step));
    const GroupRefs entering = groupsNotIn(to, from.signalGroups);
    const GroupRefs clearing = groupsNotIn(from.signalGroups, to);
    qint64 result = 0;
    for (const auto& off : clearing) {
        for (const auto& on : entering)
            result = std::max(result, cellSeconds(matrix.releaf(on, off)));
    }
    for (const auto& on : entering)
        result = std::max<qint64>(result, on->redYellow(1));
    if (!clearing.isEmpty())
        result += step.interstateGreen();
    return clampToInt(result);
}

// Intergreen from the transition into the step or, without one, from the
// groups' own timings.
int transitionInterstate(const Change& change, const CnfTransition* transition)
{
    const GroupRefs& groups = change.groups();
    if (groups.isEmpty())
        return 0;
    qint64 result = 0;
    for (const auto& group : groups) {
        const int id = group->id;
        qint64 value = 0;
        switch (change.state(id)) {
        case CnfSignalGroup::Clearing:
            value = transition
                ? qint64(transition->clearing.value(id)) + transition->addRed.value(id) + group->yellow(1)
                : qint64(group->extGreen1()) + group->greenBlink(1) + group->extRed() + group->yellow(1);
            break;
        case CnfSignalGroup::Entering:
            value = transition ? qint64(transition->entering.value(id))
                               : qint64(group->redYellow(1)) + group->extGreen2();
            break;
        default:
            break;
        }
        result = std::max(result, value);
    }
    return clampToInt(result);
}

// Intergreen from the groups' timings of one interstate variant.
int variantInterstate(const Change& change, int variant)
{
    const GroupRefs& groups = change.groups();
    if (groups.isEmpty())
        return 0;
    qint64 result = 0;
    for (const auto& group : groups) {
        qint64 value = 0;
        switch (change.state(group->id)) {
        case CnfSignalGroup::Clearing: {
            const CnfSGTimes times = group->variantTimes.value(variant);
            value = qint64(group->greenBlink(variant)) + group->yellow(variant) + times.greenAdd1 + times.redAdd;
            break;
        }
        case CnfSignalGroup::Entering:
            value = qint64(group->redYellow(variant)) + group->variantTimes.value(variant).greenAdd2;
            break;
        default:
            break;
        }
        result = std::max(result, value);
    }
    return clampToInt(result);
}

// The transition of the step's phase from the phase of step `from`.
QSharedPointer<CnfTransition> transitionFrom(const CnfPhaseDef& step, const CnfPhaseDef& from)
{
    const CnfPhase* phase = phaseOf(step);
    if (&from == &step || !phase || !phaseOf(from))
        return {};
    return phase->findTransition(from.id());
}

// The intergreen for entering `step` from step `from`; `previous` is the
// step before `step` in its ring, looked up when null.
int interstateFrom(const CnfPhaseDef& step, const CnfPhaseDef& from, const CnfPhaseDef* previous)
{
    const CnfProgram* program = step.program();
    const CnfPhase* fromPhase = phaseOf(from);
    if (!program || !fromPhase || &from == &step)
        return 0;
    const QSharedPointer<CnfMatrix>& matrix = program->matrix ? program->matrix : program->defaultMatrix;
    if (matrix)
        return matrixInterstate(step, *fromPhase, *matrix);
    // Without a matrix the group states come from the step before this one in
    // the ring; `from` only selects the transition.
    const Change change = previous ? Change(step, previous) : Change(step);
    const int variant = program->interstateVariant();
    if (variant < 1)
        return transitionInterstate(change, transitionFrom(step, from).data());
    return variantInterstate(change, variant);
}

} // namespace

const CnfPhaseDefPrivate& CnfPhaseDefPrivate::of(const CnfPhaseDef& step)
{
    return *step.d;
}

CnfPhaseDef::CnfPhaseDef()
    : d(new CnfPhaseDefPrivate)
{
}

CnfPhaseDef::~CnfPhaseDef() = default;

QSharedPointer<CnfPhase> CnfPhaseDef::phase() const
{
    return d->phase;
}

void CnfPhaseDef::setPhase(QSharedPointer<CnfPhase> p)
{
    if (p)
        d->phase = std::move(p);
}

QString CnfPhaseDef::id() const
{
    return d->phase ? d->phase->id : QString();
}

QSharedPointer<CnfPhaseDef> CnfPhaseDef::next() const
{
    return d->next.toStrongRef();
}

QSharedPointer<CnfPhaseDef> CnfPhaseDef::previous() const
{
    return d->previous.toStrongRef();
}

CnfProgram* CnfPhaseDef::program() const
{
    return d->program;
}

int CnfPhaseDef::length() const
{
    return fullLengthDefined() ? clampToInt(qint64(d->fullLength) - phaseInterstate()) : d->length;
}

void CnfPhaseDef::setLength(int length)
{
    if (length == d->length)
        return;
    d->length = length;
    if (!d->phase)
        return;
    const int maxLength = d->phase->maxLength;
    if (maxLength >= 1 && d->length > maxLength) {
        qCWarning(lcCnfModel).noquote() << QObject::tr("Phase length>max - truncated");
        d->length = maxLength;
    }
    // Checked last, so that the minimum wins over a contradicting maximum.
    const int minLength = d->phase->minLength;
    if (minLength >= 1 && d->length < minLength) {
        qCWarning(lcCnfModel).noquote() << QObject::tr("Phase length<min - truncated");
        d->length = minLength;
    }
}

void CnfPhaseDef::addLength(int delta)
{
    if (fullLengthDefined())
        d->fullLength = clampToInt(qint64(fullLength()) + delta);
    else
        setLength(clampToInt(qint64(d->length) + delta));
}

int CnfPhaseDef::fullLength() const
{
    if (fullLengthDefined())
        return d->fullLength;
    if (d->length < 0)
        return 0;
    // A step of a phase sequence that nobody requests is skipped: it takes no time.
    if (d->program && d->program->type == CnfProgram::StageRing && !isRequested(*this))
        return 0;
    return clampToInt(qint64(phaseInterstate()) + d->length);
}

void CnfPhaseDef::setFullLength(int fullLength)
{
    d->fullLength = fullLength;
}

bool CnfPhaseDef::fullLengthDefined() const
{
    return d->fullLength >= 0;
}

int CnfPhaseDef::greenLength() const
{
    return clampToInt(qint64(length()) + interstateGreen());
}

int CnfPhaseDef::start() const
{
    CnfProgram* program = d->program;
    if (!program)
        return -1;
    const int cycle = program->cycle(false);
    qint64 time = program->cycleOffset(0);
    const auto steps = program->phases();
    for (const auto& step : steps) {
        if (step.data() == this)
            return clampToInt(time);
        const QSharedPointer<CnfPhaseDef> next = step->next();
        time += qint64(step->length()) + (next ? next->phaseInterstate() : 0);
        if (time >= cycle)
            time -= cycle;
    }
    return -1;
}

CnfSignalGroup::SGState CnfPhaseDef::getSGState(const int& sgId) const
{
    const QSharedPointer<CnfPhaseDef> previous = this->previous();
    if (!previous || !d->phase || !previous->phase())
        return CnfSignalGroup::StayRed;
    return d->phase->getSGState(previous->phase(), sgId);
}

int CnfPhaseDef::phaseInterstate() const
{
    const QSharedPointer<CnfPhaseDef> previous = this->previous();
    if (!previous || !previous->d->phase || !d->program)
        return 0;
    if (d->program->type != CnfProgram::StageRing)
        return interstateFrom(*this, *previous, previous.data());
    // The controller comes from the nearest requested step before this one.
    // The walk is bounded by the ring's size in case the ring is broken.
    QSharedPointer<CnfPhaseDef> from = previous;
    int remaining = d->program->phaseCount();
    while (from && from.data() != this && !isRequested(*from) && remaining-- > 0)
        from = from->previous();
    if (!from || from.data() == this || !isRequested(*from))
        return 0;
    return interstateFrom(*this, *from, previous.data());
}

int CnfPhaseDef::phaseInterstate(QSharedPointer<CnfPhaseDef> from) const
{
    return from ? interstateFrom(*this, *from, nullptr) : 0;
}

int CnfPhaseDef::interstateGreen() const
{
    const int variant = programVariant(*this);
    const QSharedPointer<CnfPhaseDef> next = this->next();
    const GroupList& nextGroups = groupsOf(next ? next->d->phase.data() : nullptr);
    int result = 0;
    for (const auto& group : changeGroups(*this)) {
        if (variant >= 1)
            result = std::max<int>(result, group->variantTimes.value(variant).greenBlink);
        else if (std::none_of(nextGroups.cbegin(), nextGroups.cend(), [group](const auto& g) { return g == group; }))
            result = std::max(result, group->greenBlink(1));
    }
    return result;
}

QSharedPointer<CnfTransition> CnfPhaseDef::findTransition() const
{
    const QSharedPointer<CnfPhaseDef> previous = this->previous();
    if (!previous || !d->phase || !previous->phase())
        return {};
    return d->phase->findTransition(previous->id());
}

QSharedPointer<CnfTransition> CnfPhaseDef::findTransition(QSharedPointer<CnfPhaseDef> from) const
{
    return from ? transitionFrom(*this, *from) : QSharedPointer<CnfTransition>();
}

QSharedPointer<CnfTransition> CnfPhaseDef::createTransition() const
{
    if (!previous())
        return {};
    auto transition = QSharedPointer<CnfTransition>::create();
    const int variant = programVariant(*this);
    const qint64 interstate = phaseInterstate();
    for (const auto& group : changeGroups(*this)) {
        const int id = group->id;
        const CnfSGTimes times = group->variantTimes.value(variant);
        const qint64 blink = group->greenBlink(variant);
        switch (getSGState(id)) {
        case CnfSignalGroup::Entering: {
            // The group's own added green already covers part of the intergreen.
            const qint64 entering = interstate - times.greenAdd2;
            if (entering > 0)
                transition->entering[id] = clampToInt(entering);
            break;
        }
        case CnfSignalGroup::Clearing: {
            if (transition->clearing.contains(id))
                break;
            const qint64 full = blink + group->yellow(variant) + times.greenAdd1 + times.redAdd;
            // A clearing sequence shorter than the intergreen is stretched to fill it.
            const qint64 clearing = full >= interstate ? blink + times.greenAdd1 : blink + (interstate - full);
            if (clearing > 0)
                transition->clearing[id] = clampToInt(clearing);
            break;
        }
        default:
            break;
        }
    }
    return transition;
}
