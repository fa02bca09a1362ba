#include "CnfSafetyReview.h"

#include <QLocale>
#include <QtMath>

#include "CnfController.h"
#include "CnfMatrix.h"
#include "CnfPhase.h"
#include "CnfPhaseDef.h"
#include "CnfPowerDevice.h"
#include "CnfProgram.h"
#include "CnfSchedule.h"
#include "CnfSignalGroup.h"
#include "CnfTransition.h"

namespace
{
const QString DanglingReference = QStringLiteral("dangling-reference");
const QString ConflictingGreens = QStringLiteral("conflicting-greens");
const QString StepOutOfLimits = QStringLiteral("step-out-of-limits");
const QString MissingIntergreen = QStringLiteral("missing-intergreen");
const QString MissingVariantTimings = QStringLiteral("missing-variant-timings");

CnfFinding::Element group(int id)
{
    return {QStringLiteral("signalGroup"), QString::number(id)};
}

CnfFinding::Element phase(const QString& id)
{
    return {QStringLiteral("phase"), id};
}

CnfFinding::Element program(const QString& id)
{
    return {QStringLiteral("program"), id};
}

CnfFinding::Element matrix(int id)
{
    return {QStringLiteral("matrix"), QString::number(id)};
}

CnfFinding::Element dayCard(const QString& id)
{
    return {QStringLiteral("dayCard"), id};
}

template<typename T>
QSet<const T*> identities(const QList<QSharedPointer<T>>& list)
{
    QSet<const T*> set;
    for (const auto& element : list)
        set.insert(element.data());
    return set;
}

// The groups of `phase` that the controller lists, each once.
QList<CnfSignalGroup*> listedGroups(const CnfPhase& phase, const QSet<const CnfSignalGroup*>& listed)
{
    QList<CnfSignalGroup*> groups;
    for (const auto& sg : phase.signalGroups) {
        if (listed.contains(sg.data()) && !groups.contains(sg.data()))
            groups.append(sg.data());
    }
    return groups;
}

// Whether the change from step `from` into `step` gives the pair (`clearing`
// loses green, `entering` gets green) any intergreen time at all, the way the
// controller times it. An intergreen matrix times each pair on its own.
// Without one the controller runs a single intergreen for the whole change,
// the longest any changing group needs (from the groups' timings of the
// program's intergreen variant, or the transition times and the groups' own
// timings): the model computes it.
bool hasIntergreen(const CnfProgram& program, const CnfPhaseDef& step, const QSharedPointer<CnfPhaseDef>& from,
                   CnfSignalGroup& clearing, CnfSignalGroup& entering)
{
    const auto matrix = program.matrix ? program.matrix : program.defaultMatrix;
    if (matrix) {
        const double time = matrix->releaf(&entering, &clearing);
        return !qIsNaN(time) && time > 0;
    }
    return step.phaseInterstate(from) > 0;
}
} // namespace

CnfSafetyReview::CnfSafetyReview(const CnfController& controller)
    : m_controller(controller)
{
}

QList<CnfFinding> CnfSafetyReview::run()
{
    m_findings.clear();
    m_reported.clear();
    m_groups = identities(m_controller.signalGroups());
    collectConflicts();

    reviewGroups();
    reviewMatrix(m_controller.conflictMatrix());
    const auto matrices = m_controller.matrixList();
    for (const auto& m : matrices)
        reviewMatrix(m);
    const auto phases = m_controller.phases();
    for (const auto& p : phases) {
        if (p) {
            reviewPhase(*p);
            reviewTransitions(*p);
        }
    }
    const auto programs = m_controller.programs();
    for (const auto& p : programs) {
        if (p)
            reviewProgram(*p);
    }
    reviewDayCards();
    reviewWeekCards();
    reviewSpecialDays();
    reviewSeasonPlans();
    reviewDefaults();
    return m_findings;
}

// Matrix cells hold plain pointers: only the addresses of listed groups are
// compared, a cell's group is never dereferenced.
void CnfSafetyReview::collectConflicts()
{
    m_conflicts.clear();
    const auto conflicts = m_controller.conflictMatrix();
    if (!conflicts)
        return;
    for (const CnfMatrixCell& cell : conflicts->content()) {
        if (m_groups.contains(cell.onGroup) && m_groups.contains(cell.offGroup) && cell.onGroup != cell.offGroup)
            m_conflicts.insert(qMakePair(qMin(cell.onGroup, cell.offGroup), qMax(cell.onGroup, cell.offGroup)));
    }
}

bool CnfSafetyReview::conflicting(const CnfSignalGroup* a, const CnfSignalGroup* b) const
{
    return m_conflicts.contains(qMakePair(qMin(a, b), qMax(a, b)));
}

bool CnfSafetyReview::isListed(const QSharedPointer<CnfSignalGroup>& group) const
{
    return m_groups.contains(group.data());
}

void CnfSafetyReview::report(const QString& code, const QString& message, const QList<CnfFinding::Element>& elements,
                             CnfFinding::Severity severity)
{
    const QString key = code + QLatin1Char('\n') + message;
    if (m_reported.contains(key))
        return;
    m_reported.insert(key);
    m_findings.append(CnfFinding{code, severity, message, elements});
}

void CnfSafetyReview::reviewGroups()
{
    const auto devices = identities(m_controller.powerDevices());
    const auto groups = m_controller.signalGroups();
    for (const auto& sg : groups) {
        for (const auto& device : sg->devices) {
            if (devices.contains(device.data()))
                continue;
            const QString address = device ? QString::number(device->address) : QStringLiteral("?");
            report(DanglingReference,
                   tr("signal group %1 is driven by the power device at address %2, which the controller does not have")
                       .arg(sg->id)
                       .arg(address),
                   {group(sg->id), {QStringLiteral("powerDevice"), address}});
        }
    }
}

void CnfSafetyReview::reviewMatrix(const QSharedPointer<CnfMatrix>& m)
{
    if (!m)
        return;
    for (const CnfMatrixCell& cell : m->content()) {
        if (!m_groups.contains(cell.onGroup) || !m_groups.contains(cell.offGroup)) {
            report(DanglingReference,
                   tr("matrix %1 has a cell for a signal group that the controller does not have").arg(m->id()),
                   {matrix(m->id())});
            return;
        }
    }
}

void CnfSafetyReview::reviewPhase(const CnfPhase& p)
{
    for (const auto& sg : p.signalGroups) {
        if (isListed(sg))
            continue;
        const QString id = sg ? QString::number(sg->id) : QStringLiteral("?");
        report(DanglingReference,
               tr("phase %1 gives green to signal group %2, which the controller does not have").arg(p.id, id),
               {phase(p.id), {QStringLiteral("signalGroup"), id}});
    }
    const auto groups = listedGroups(p, m_groups);
    for (int i = 0; i < groups.size(); ++i) {
        for (int j = i + 1; j < groups.size(); ++j) {
            if (!conflicting(groups[i], groups[j]))
                continue;
            report(ConflictingGreens,
                   tr("signal groups %1 and %2 conflict but both have green in phase %3")
                       .arg(groups[i]->id)
                       .arg(groups[j]->id)
                       .arg(p.id),
                   {group(groups[i]->id), group(groups[j]->id), phase(p.id)});
        }
    }
}

void CnfSafetyReview::reviewTransitions(const CnfPhase& p)
{
    for (const auto& transition : p.transitions) {
        if (!transition)
            continue;
        if (!m_controller.findPhase(transition->from)) {
            report(DanglingReference,
                   tr("phase %1 has a transition from phase %2, which does not exist").arg(p.id, transition->from),
                   {phase(p.id), phase(transition->from)});
        }
        const auto ids = transition->clearing.keys() + transition->entering.keys() + transition->addRed.keys();
        for (int id : ids) {
            if (m_controller.findSG(id))
                continue;
            report(DanglingReference,
                   tr("the transition from phase %1 to phase %2 times signal group %3, which does not exist")
                       .arg(transition->from, p.id)
                       .arg(id),
                   {phase(transition->from), phase(p.id), group(id)});
        }
    }
}

void CnfSafetyReview::reviewProgram(const CnfProgram& prog)
{
    const auto listedPhases = identities(m_controller.phases());
    const auto steps = prog.phases();
    bool complete = true;
    for (int i = 0; i < steps.size(); ++i) {
        const auto step = steps.at(i);
        if (!step || !listedPhases.contains(step->phase().data())) {
            complete = false;
            const QString phaseId = step ? step->id() : QString();
            report(DanglingReference,
                   tr("step %1 of program %2 shows phase %3, which the controller does not have")
                       .arg(i + 1)
                       .arg(prog.id, phaseId),
                   {program(prog.id), phase(phaseId)});
            continue;
        }
        reviewStepLimits(prog, i, *step);
    }
    if (complete && steps.size() > 1) {
        for (const auto& step : steps)
            reviewChangeOfPhase(prog, *step);
    }
    if (complete)
        reviewVariantTimings(prog);
    if (prog.matrix && !m_controller.matrixList().contains(prog.matrix)) {
        report(DanglingReference,
               tr("program %1 uses intergreen matrix %2, which the controller does not list").arg(prog.id).arg(prog.matrix->id()),
               {program(prog.id), matrix(prog.matrix->id())});
    }
}

void CnfSafetyReview::reviewStepLimits(const CnfProgram& prog, int index, const CnfPhaseDef& step)
{
    const auto p = step.phase();
    const int length = step.length();
    if (length < 0) // a step without a duration of its own
        return;
    if (p->minLength > 0 && length < p->minLength) {
        report(StepOutOfLimits,
               tr("step %1 of program %2 runs phase %3 for %4 s, below its minimum of %5 s")
                   .arg(index + 1)
                   .arg(prog.id, p->id)
                   .arg(length)
                   .arg(p->minLength),
               {program(prog.id), phase(p->id)});
    }
    if (p->maxLength > 0 && length > p->maxLength) {
        report(StepOutOfLimits,
               tr("step %1 of program %2 runs phase %3 for %4 s, above its maximum of %5 s")
                   .arg(index + 1)
                   .arg(prog.id, p->id)
                   .arg(length)
                   .arg(p->maxLength),
               {program(prog.id), phase(p->id)});
    }
}

void CnfSafetyReview::reviewChangeOfPhase(const CnfProgram& prog, const CnfPhaseDef& step)
{
    const auto from = step.previous();
    if (!from || from.data() == &step || from->phase() == step.phase())
        return;
    const CnfPhase& before = *from->phase();
    const CnfPhase& after = *step.phase();
    const auto groupsBefore = listedGroups(before, m_groups);
    const auto groupsAfter = listedGroups(after, m_groups);
    for (CnfSignalGroup* clearing : groupsBefore) {
        if (groupsAfter.contains(clearing))
            continue;
        for (CnfSignalGroup* entering : groupsAfter) {
            if (groupsBefore.contains(entering) || !conflicting(clearing, entering)
                || hasIntergreen(prog, step, from, *clearing, *entering))
                continue;
            report(MissingIntergreen,
                   tr("program %1 passes from phase %2 to phase %3 without any intergreen time from signal group %4 to signal group %5")
                       .arg(prog.id, before.id, after.id)
                       .arg(clearing->id)
                       .arg(entering->id),
                   {program(prog.id), phase(before.id), phase(after.id), group(clearing->id), group(entering->id)});
        }
    }
}

// A group without timings for the program's intergreen variant runs that
// variant on zeros: no green blink, no yellow, no red-yellow.
void CnfSafetyReview::reviewVariantTimings(const CnfProgram& prog)
{
    const int variant = prog.interstateVariant();
    if (variant < 1)
        return;
    QList<CnfSignalGroup*> groups;
    const auto steps = prog.phases();
    for (const auto& step : steps) {
        for (CnfSignalGroup* sg : listedGroups(*step->phase(), m_groups)) {
            if (!groups.contains(sg))
                groups.append(sg);
        }
    }
    for (const CnfSignalGroup* sg : qAsConst(groups)) {
        if (sg->variantTimes.contains(variant))
            continue;
        report(MissingVariantTimings,
               tr("signal group %1 has no timings for intergreen variant %2, which program %3 uses")
                   .arg(sg->id)
                   .arg(variant)
                   .arg(prog.id),
               {program(prog.id), group(sg->id)}, CnfFinding::Warning);
    }
}

void CnfSafetyReview::reviewDayCards()
{
    const auto programs = identities(m_controller.programs());
    const auto cards = m_controller.dayCards();
    for (const auto& card : cards) {
        if (!card)
            continue;
        for (auto it = card->records.cbegin(); it != card->records.cend(); ++it) {
            const QString time = it.key().toString(QStringLiteral("hh:mm"));
            const auto& record = it.value();
            if (!programs.contains(record.program.data())) {
                const QString id = record.program ? record.program->id : QString();
                report(DanglingReference,
                       tr("daily card %1 starts at %2 a program that the controller does not have").arg(card->id, time),
                       {dayCard(card->id), program(id)});
            }
            if (record.reserveProgram && !programs.contains(record.reserveProgram.data())) {
                report(DanglingReference,
                       tr("daily card %1 names at %2 reserve program %3, which the controller does not have")
                           .arg(card->id, time, record.reserveProgram->id),
                       {dayCard(card->id), program(record.reserveProgram->id)});
            }
        }
    }
}

void CnfSafetyReview::reviewWeekCards()
{
    const auto dayCards = identities(m_controller.dayCards());
    const auto cards = m_controller.weekCards();
    for (const auto& card : cards) {
        if (!card)
            continue;
        for (auto it = card->days.cbegin(); it != card->days.cend(); ++it) {
            if (dayCards.contains(it.value().data()))
                continue;
            report(DanglingReference,
                   tr("weekly card %1 gives %2 a daily card that the controller does not have")
                       .arg(card->id, QLocale::c().dayName(it.key())),
                   {{QStringLiteral("weekCard"), card->id}, dayCard(it.value() ? it.value()->id : QString())});
        }
    }
}

void CnfSafetyReview::reviewSpecialDays()
{
    const auto dayCards = identities(m_controller.dayCards());
    const auto days = m_controller.specialDays();
    for (auto it = days.cbegin(); it != days.cend(); ++it) {
        const auto& day = it.value();
        if (day && dayCards.contains(day->dayCard.data()))
            continue;
        const QString date = it.key().toString(QStringLiteral("dd.MM"));
        report(DanglingReference,
               tr("special day %1 uses a daily card that the controller does not have").arg(date),
               {{QStringLiteral("specialDay"), date}});
    }
}

void CnfSafetyReview::reviewSeasonPlans()
{
    const auto weekCards = identities(m_controller.weekCards());
    const auto plans = m_controller.seasonPlans();
    for (const auto& plan : plans) {
        if (!plan || weekCards.contains(plan->weekCard.data()))
            continue;
        report(DanglingReference,
               tr("season plan %1 uses a weekly card that the controller does not have").arg(plan->id),
               {{QStringLiteral("seasonPlan"), plan->id}});
    }
}

void CnfSafetyReview::reviewDefaults()
{
    const auto programs = m_controller.programs();
    const auto defaultProgram = m_controller.defaultProgram();
    if (defaultProgram && !programs.contains(defaultProgram)) {
        report(DanglingReference,
               tr("the default program %1 is not one of the controller's programs").arg(defaultProgram->id),
               {program(defaultProgram->id)});
    }
    const auto reserveProgram = m_controller.reserveProgram();
    if (reserveProgram && !programs.contains(reserveProgram)) {
        report(DanglingReference,
               tr("the reserve program %1 is not one of the controller's programs").arg(reserveProgram->id),
               {program(reserveProgram->id)});
    }
    const auto defaultDayCard = m_controller.defaultDayCard();
    if (defaultDayCard && !m_controller.dayCards().contains(defaultDayCard)) {
        report(DanglingReference,
               tr("the default daily card %1 is not one of the controller's daily cards").arg(defaultDayCard->id),
               {dayCard(defaultDayCard->id)});
    }
}
