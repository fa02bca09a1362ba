#include "CnfSignalPlan.h"

#include <QSharedData>
#include <QVector>

#include <algorithm>

#include "CnfController.h"
#include "CnfPhase.h"
#include "CnfPhaseDef.h"
#include "CnfProgram.h"
#include "CnfSignalGroup.h"
#include "CnfTransition.h"

class CnfSignalPlanData : public QSharedData
{
public:
    CnfSignalPlan::Kind kind = CnfSignalPlan::NoPlan;
    int cycle = 0;
    int offset = 0;
    QList<CnfSignalPlan::Row> rows;
    QList<CnfSignalPlan::Band> bands;
    QStringList notes;
};

namespace {

using GroupList = QList<QSharedPointer<CnfSignalGroup>>;

// A stretch of one aspect, in seconds from the start of the laid-out cycle.
struct Segment {
    qint64 start;
    qint64 length;
    CnfSignalPlan::Aspect aspect;
};

// A step that takes time, with the step the controller comes from.
struct RunningStep {
    int index;
    QSharedPointer<CnfPhaseDef> step;
    int intergreen;
    qint64 main;
};

bool hasGroup(const QSharedPointer<CnfPhase>& phase, int groupId)
{
    return phase && phase->contains(groupId);
}

int modulo(qint64 value, int cycle)
{
    return cycle > 0 ? int(((value % cycle) + cycle) % cycle) : 0;
}

// Native algorithms that are no plan of their own: 0 flashes amber, 255
// switches the signals off.
bool isYellowFlash(const CnfProgram& program)
{
    return program.type == CnfProgram::YellowFlash
        || (program.type == CnfProgram::NorvakSpecial && program.nativeType == 0);
}

bool isSwitchedOff(const CnfProgram& program)
{
    return program.type == CnfProgram::Off || (program.type == CnfProgram::NorvakSpecial && program.nativeType == 255);
}

bool isTimeline(const CnfProgram& program)
{
    return program.type == CnfProgram::Timeline || program.type == CnfProgram::TimelineCoord;
}

// Heads without amber (pedestrian signals, arrows, always-on signs) stay dark
// while the others flash amber.
CnfSignalPlan::Aspect flashAspect(const CnfSignalGroup& group)
{
    switch (group.type) {
    case CnfSignalGroup::Pedestrian:
    case CnfSignalGroup::Arrow:
    case CnfSignalGroup::AlwaysOn:
        return CnfSignalPlan::Dark;
    default:
        return CnfSignalPlan::FlashingAmber;
    }
}

CnfSignalPlan::Aspect aspectOfState(int state)
{
    return state >= CnfSignalGroup::Green && state <= CnfSignalGroup::RedAmber ? CnfSignalPlan::Aspect(state)
                                                                                : CnfSignalPlan::Dark;
}

// Turns segments that tile the cycle into the changes of a row, shifted by
// `shift` seconds and wrapped at the cycle's end.
QList<CnfSignalPlan::Change> changesOf(const QList<Segment>& segments, int cycle, int shift)
{
    QList<CnfSignalPlan::Change> pieces;
    for (const Segment& segment : segments) {
        if (segment.length <= 0)
            continue;
        const int from = modulo(segment.start + shift, cycle);
        const qint64 end = from + segment.length;
        pieces.append({from, segment.aspect});
        if (end > cycle)
            pieces.append({0, segment.aspect});
    }
    std::stable_sort(pieces.begin(), pieces.end(),
                     [](const CnfSignalPlan::Change& a, const CnfSignalPlan::Change& b) { return a.second < b.second; });
    QList<CnfSignalPlan::Change> changes;
    for (const auto& piece : qAsConst(pieces)) {
        if (!changes.isEmpty() && changes.last().second == piece.second)
            changes.last() = piece;
        else if (changes.isEmpty() || changes.last().aspect != piece.aspect)
            changes.append(piece);
    }
    return changes;
}

} // namespace

// Lays out one program; every step of the layout reads the model only.
class CnfSignalPlanBuilder
{
public:
    CnfSignalPlanBuilder(const CnfController& controller, const CnfProgram& program, CnfSignalPlanData& plan)
        : m_program(program)
        , m_groups(controller.signalGroups())
        , m_plan(plan)
    {
        m_groups.removeAll(nullptr);
        const int variant = program.interstateVariant();
        m_variant = variant >= 1 ? variant : 1;
    }

    void build()
    {
        if (isYellowFlash(m_program))
            return buildConstant(CnfSignalPlan::YellowFlash);
        if (isSwitchedOff(m_program))
            return buildConstant(CnfSignalPlan::AllDark);
        if (isTimeline(m_program))
            return buildTimeline();
        if (m_program.phaseCount() > 0)
            return buildSteps();
        note(CnfSignalPlan::tr("program %1 has neither steps nor a timeline").arg(m_program.id));
    }

private:
    void note(const QString& text) { m_plan.notes.append(text); }

    void buildConstant(CnfSignalPlan::Kind kind)
    {
        m_plan.kind = kind;
        for (const auto& group : qAsConst(m_groups)) {
            const auto aspect = kind == CnfSignalPlan::YellowFlash ? flashAspect(*group) : CnfSignalPlan::Dark;
            m_plan.rows.append({group, {{0, aspect}}});
        }
    }

    // --- Timeline programs ---

    void buildTimeline()
    {
        qint64 cycle = m_program.cycleTime;
        if (cycle <= 0) {
            for (auto it = m_program.timeline.cbegin(); it != m_program.timeline.cend(); ++it) {
                if (!it.value().isEmpty())
                    cycle = std::max<qint64>(cycle, qint64(it.value().lastKey()) + 1);
            }
            if (cycle > 0)
                note(CnfSignalPlan::tr("program %1 has no cycle; its timeline ends at second %2")
                         .arg(m_program.id).arg(cycle));
        }
        if (cycle <= 0 || !m_program.hasTimelineData())
            return note(CnfSignalPlan::tr("program %1 has an empty timeline").arg(m_program.id));
        if (!setCycle(cycle))
            return;
        m_plan.kind = CnfSignalPlan::Timeline;
        for (auto it = m_program.timeline.cbegin(); it != m_program.timeline.cend(); ++it) {
            if (it.key() && !m_groups.contains(it.key()))
                note(CnfSignalPlan::tr("program %1 has a timeline for group %2, which the controller does not have")
                         .arg(m_program.id).arg(it.key()->id));
        }
        for (const auto& group : qAsConst(m_groups))
            m_plan.rows.append({group, changesOf(timelineSegments(*group, m_program.timeline.value(group)),
                                                 m_plan.cycle, m_plan.offset)});
    }

    // A state begins at its point and lasts until the next; the last runs over
    // the end of the cycle into the time before the first point.
    QList<Segment> timelineSegments(const CnfSignalGroup& group, const QMap<int, int>& points)
    {
        QMap<int, int> inside;
        for (auto it = points.cbegin(); it != points.cend(); ++it) {
            if (it.key() >= 0 && it.key() < m_plan.cycle)
                inside.insert(it.key(), it.value());
            else
                note(CnfSignalPlan::tr("program %1: the timeline of group %2 has a point at second %3, outside the cycle")
                         .arg(m_program.id).arg(group.id).arg(it.key()));
        }
        if (inside.isEmpty())
            return {{0, m_plan.cycle, CnfSignalPlan::Dark}};
        QList<Segment> segments;
        const auto first = inside.cbegin();
        if (first.key() > 0)
            segments.append({0, first.key(), aspectOfState(inside.last())});
        for (auto it = first; it != inside.cend(); ++it) {
            const auto next = std::next(it);
            const qint64 end = next == inside.cend() ? m_plan.cycle : next.key();
            segments.append({it.key(), end - it.key(), aspectOfState(it.value())});
        }
        return segments;
    }

    // --- Step programs ---

    void buildSteps()
    {
        const QList<RunningStep> running = runningSteps();
        if (running.isEmpty())
            return note(CnfSignalPlan::tr("program %1 has no step that takes time").arg(m_program.id));
        qint64 total = 0;
        for (const auto& step : running)
            total += step.intergreen + step.main;
        qint64 cycle = total;
        const bool configured = m_program.type == CnfProgram::StageRing && m_program.isCoordinated()
                             && m_program.cycleTime >= 1;
        if (configured)
            cycle = m_program.cycleTime;
        if (!setCycle(cycle))
            return;
        m_plan.kind = CnfSignalPlan::Steps;
        QList<RunningStep> steps = running;
        if (total < cycle) {
            steps.last().main += cycle - total;
            note(CnfSignalPlan::tr("program %1: the steps take %2 of the %3 seconds of the cycle; the last step holds the rest")
                     .arg(m_program.id).arg(total).arg(cycle));
        } else if (total > cycle) {
            note(CnfSignalPlan::tr("program %1: the steps take %2 seconds, more than the cycle of %3; the plan ends with the cycle")
                     .arg(m_program.id).arg(total).arg(cycle));
        }
        // The first step's main part begins at the offset.
        const int shift = modulo(qint64(m_plan.offset) - steps.first().intergreen, m_plan.cycle);
        QVector<QList<Segment>> segments(m_groups.size());
        qint64 time = 0;
        for (int i = 0; i < steps.size() && time < cycle; ++i) {
            const RunningStep& step = steps.at(i);
            const RunningStep& from = steps.at((i + steps.size() - 1) % steps.size());
            layOutStep(step, from, time, segments);
            // A plan cut at the cycle's end cuts the last band with it.
            const qint64 intergreen = std::min<qint64>(step.intergreen, cycle - time);
            const qint64 main = std::min(step.main, cycle - time - intergreen);
            m_plan.bands.append({step.index, step.step->id(), step.step->phase() ? step.step->phase()->name : QString(),
                                 modulo(time + shift, m_plan.cycle), int(intergreen), int(main)});
            time += step.intergreen + step.main;
        }
        for (int g = 0; g < m_groups.size(); ++g)
            m_plan.rows.append({m_groups.at(g), changesOf(clip(segments.at(g), cycle), m_plan.cycle, shift)});
    }

    // The steps that take time, in running order. A step's intergreen is the
    // one the model computes for entering it, never longer than the step.
    QList<RunningStep> runningSteps() const
    {
        QList<RunningStep> running;
        const auto steps = m_program.phases();
        for (int i = 0; i < steps.size(); ++i) {
            const auto& step = steps.at(i);
            const int full = step->fullLength();
            if (full <= 0)
                continue;
            const int intergreen = std::clamp(step->phaseInterstate(), 0, full);
            running.append({i, step, intergreen, qint64(full) - intergreen});
        }
        return running;
    }

    void layOutStep(const RunningStep& step, const RunningStep& from, qint64 time, QVector<QList<Segment>>& segments)
    {
        const QSharedPointer<CnfPhase> phase = step.step->phase();
        const QSharedPointer<CnfPhase> fromPhase = from.step->phase();
        QSharedPointer<CnfTransition> transition = phase && fromPhase ? phase->findTransition(fromPhase->id) : nullptr;
        if (!transition && step.intergreen > 0)
            transition = step.step->createTransition();
        for (int g = 0; g < m_groups.size(); ++g) {
            const CnfSignalGroup& group = *m_groups.at(g);
            const bool now = hasGroup(phase, group.id);
            const bool before = hasGroup(fromPhase, group.id); // a single step keeps its greens
            QList<Segment>& row = segments[g];
            if (now && before)
                row.append({time, step.intergreen, CnfSignalPlan::Green});
            else if (now)
                appendEntering(row, group, time, step.intergreen);
            else if (before)
                appendClearing(row, group, time, step.intergreen, transition ? transition->clearing.value(group.id) : 0);
            else
                row.append({time, step.intergreen, CnfSignalPlan::Red});
            row.append({time + step.intergreen, step.main, now ? CnfSignalPlan::Green : CnfSignalPlan::Red});
        }
    }

    // A group that gets green waits in red, shows red-amber and turns green
    // when the step's main part begins.
    void appendEntering(QList<Segment>& row, const CnfSignalGroup& group, qint64 time, int intergreen) const
    {
        const int redAmber = std::clamp(group.redYellow(m_variant), 0, intergreen);
        row.append({time, intergreen - redAmber, CnfSignalPlan::Red});
        row.append({time + intergreen - redAmber, redAmber, CnfSignalPlan::RedAmber});
    }

    // A group that loses green keeps it for its clearing time, the last part
    // of it blinking, then shows amber and red.
    void appendClearing(QList<Segment>& row, const CnfSignalGroup& group, qint64 time, int intergreen, int clearing) const
    {
        const int green = std::clamp(clearing, 0, intergreen);
        const int blink = std::clamp(group.greenBlink(m_variant), 0, green);
        const int amber = std::clamp(group.yellow(m_variant), 0, intergreen - green);
        row.append({time, green - blink, CnfSignalPlan::Green});
        row.append({time + green - blink, blink, CnfSignalPlan::GreenBlink});
        row.append({time + green, amber, CnfSignalPlan::Amber});
        row.append({time + green + amber, intergreen - green - amber, CnfSignalPlan::Red});
    }

    static QList<Segment> clip(const QList<Segment>& segments, qint64 cycle)
    {
        QList<Segment> clipped;
        for (Segment segment : segments) {
            segment.length = std::min(segment.length, cycle - segment.start);
            if (segment.length > 0)
                clipped.append(segment);
        }
        return clipped;
    }

    bool setCycle(qint64 cycle)
    {
        if (cycle > CnfSignalPlan::MaxCycle) {
            note(CnfSignalPlan::tr("program %1: a cycle of %2 seconds is longer than a day").arg(m_program.id).arg(cycle));
            return false;
        }
        m_plan.cycle = int(cycle);
        m_plan.offset = modulo(m_program.cycleOffset(0), m_plan.cycle);
        return true;
    }

    const CnfProgram& m_program;
    GroupList m_groups;
    CnfSignalPlanData& m_plan;
    int m_variant = 1;
};

CnfSignalPlan::CnfSignalPlan()
    : d(new CnfSignalPlanData)
{
}

CnfSignalPlan::CnfSignalPlan(const CnfSignalPlan& other) = default;
CnfSignalPlan& CnfSignalPlan::operator=(const CnfSignalPlan& other) = default;
CnfSignalPlan::~CnfSignalPlan() = default;

CnfSignalPlan CnfSignalPlan::of(const CnfController& controller, const CnfProgram& program)
{
    CnfSignalPlan plan;
    CnfSignalPlanBuilder(controller, program, *plan.d).build();
    return plan;
}

CnfSignalPlan::Kind CnfSignalPlan::kind() const
{
    return d->kind;
}

int CnfSignalPlan::cycle() const
{
    return d->cycle;
}

int CnfSignalPlan::offset() const
{
    return d->offset;
}

QList<CnfSignalPlan::Row> CnfSignalPlan::rows() const
{
    return d->rows;
}

QList<CnfSignalPlan::Band> CnfSignalPlan::bands() const
{
    return d->bands;
}

CnfSignalPlan::Aspect CnfSignalPlan::aspectAt(int row, int second) const
{
    if (row < 0 || row >= d->rows.size() || d->rows.at(row).changes.isEmpty())
        return Dark;
    const int at = modulo(second, d->cycle);
    const QList<Change>& changes = d->rows.at(row).changes;
    const auto after = std::upper_bound(changes.cbegin(), changes.cend(), at,
                                        [](int time, const Change& change) { return time < change.second; });
    return after == changes.cbegin() ? changes.first().aspect : std::prev(after)->aspect;
}

QStringList CnfSignalPlan::notes() const
{
    return d->notes;
}

QChar CnfSignalPlan::aspectLetter(Aspect aspect)
{
    static const char letters[] = "GgYRU.F";
    return aspect >= Green && aspect <= FlashingAmber ? QLatin1Char(letters[aspect]) : QLatin1Char('?');
}

QString CnfSignalPlan::aspectName(Aspect aspect)
{
    static const char* const names[] = {"green", "green_blink", "amber", "red", "red_amber", "dark", "flashing_amber"};
    return aspect >= Green && aspect <= FlashingAmber ? QLatin1String(names[aspect]) : QStringLiteral("aspect_%1").arg(int(aspect));
}
