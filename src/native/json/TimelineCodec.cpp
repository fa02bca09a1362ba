#include "TimelineCodec.h"

#include <algorithm>
#include <utility>

#include "CnfController.h"
#include "CnfLogging.h"
#include "CnfProgram.h"
#include "CnfSignalGroup.h"

namespace {

bool isColorState(int state)
{
    return state >= CnfSignalGroup::Green && state <= CnfSignalGroup::RedAmber;
}

} // namespace

TimelineCodec::TimelineCodec(const CnfController& controller, CnfProgram& program)
    : m_controller(controller)
    , m_program(program)
{
}

bool TimelineCodec::decode(const CnfController& controller, CnfProgram& program, const Elements& sequences,
                           const QString& where, QString* error)
{
    TimelineCodec codec(controller, program);
    codec.decodeSequences(Array{sequences, where});
    if (error)
        *error = codec.errorString();
    return !codec.failed();
}

void TimelineCodec::decodeSequences(const Array& sequences)
{
    const auto saved = m_program.timeline;
    for (int index = 0; index < sequences.values.size() && !failed(); ++index) {
        const Object entry = elementOf(sequences, index);
        const Reference ref = referenceOf(entry, "group");
        const Array steps = arrayOf(entry, "sequence");
        if (failed())
            break;
        // An empty name refers to nothing: it must not pick an unnamed group.
        QSharedPointer<CnfSignalGroup> group;
        if (ref.present)
            group = ref.byName ? m_controller.findSGByName(ref.text) : (ref.isId ? m_controller.findSG(ref.id) : nullptr);
        if (!group)
            fail(tr("In program %1 specified invalid signal group with id=%2").arg(m_program.id, ref.text));
        else
            decodeGroup(group, ref.text, steps);
    }
    if (failed())
        m_program.timeline = saved;
}

void TimelineCodec::decodeGroup(const QSharedPointer<CnfSignalGroup>& group, const QString& groupText,
                                const Array& steps)
{
    const int cycle = m_program.cycleTime;
    int previousTime = 0;
    int previousState = CnfSignalGroup::NoColor;
    for (int index = 0; index < steps.values.size(); ++index) {
        const Object step = elementOf(steps, index);
        const QString stateText = textOf(step, "state");
        if (failed())
            return;
        const int state = CnfSignalGroup::string2ColorState(stateText);
        if (state == CnfSignalGroup::NoColor) {
            fail(tr("In program %1 specified invalid state for group %2").arg(m_program.id, groupText));
            return;
        }
        bool usable = false;
        qint64 time = integerValue(step.values.value(QStringLiteral("point")), &usable);
        if (!usable)
            time = previousTime + qint64(integerValue(step.values.value(QStringLiteral("span")), &usable));
        if (!usable || !fitsInt(double(time))) {
            fail(tr("In program %1 not specified 'point' nor 'span' value for group %2").arg(m_program.id, groupText));
            return;
        }
        // A point at or past the cycle end wraps to its start; the previous
        // state then runs over the end of the cycle.
        if (cycle > 0 && time >= cycle) {
            time -= cycle;
            if (previousState != CnfSignalGroup::NoColor)
                m_program.setTimelineData(group, 0, previousState);
        }
        m_program.setTimelineData(group, int(time), state);
        previousTime = int(time);
        previousState = state;
    }
    // The last state closes the cycle when nothing starts at second 0.
    if (previousState != CnfSignalGroup::NoColor && !m_program.getTimelineData(group).contains(0))
        m_program.setTimelineData(group, 0, previousState);
}

TimelineCodec::GroupOrder::GroupOrder(const CnfController& controller)
    : m_listed(controller.signalGroups())
{
    m_positions.reserve(m_listed.size());
    for (int position = 0; position < m_listed.size(); ++position) {
        const CnfSignalGroup* group = m_listed.at(position).data();
        if (m_positions.contains(group))
            m_listedTwice = true;
        else
            m_positions.insert(group, position);
    }
}

bool TimelineCodec::encode(const CnfController& controller, const CnfProgram& program, QVariantList* sequences,
                           QString* error)
{
    return encode(GroupOrder(controller), program, sequences, error);
}

std::vector<TimelineCodec::GroupOrder::Entry>
TimelineCodec::GroupOrder::inListOrder(const QMap<QSharedPointer<CnfSignalGroup>, QMap<int, int>>& timeline) const
{
    std::vector<Entry> entries;
    if (m_listedTwice) {
        for (const auto& group : m_listed) {
            const auto it = group ? timeline.constFind(group) : timeline.cend();
            if (it != timeline.cend())
                entries.push_back({group.data(), &it.value()});
        }
        return entries;
    }
    std::vector<std::pair<int, Entry>> placed;
    for (auto it = timeline.cbegin(); it != timeline.cend(); ++it) {
        const int position = m_positions.value(it.key().data(), -1);
        if (position >= 0)
            placed.push_back({position, {it.key().data(), &it.value()}});
    }
    std::sort(placed.begin(), placed.end(),
              [](const std::pair<int, Entry>& a, const std::pair<int, Entry>& b) { return a.first < b.first; });
    entries.reserve(placed.size());
    for (const auto& entry : placed)
        entries.push_back(entry.second);
    return entries;
}

bool TimelineCodec::encode(const GroupOrder& order, const CnfProgram& program, QVariantList* sequences,
                           QString* error)
{
    sequences->clear();
    for (auto it = program.timeline.cbegin(); it != program.timeline.cend(); ++it) {
        if (!order.m_positions.contains(it.key().data()))
            qCWarning(lcCnfJson, "Program %s: the timeline of a signal group the controller does not have is left out",
                      qUtf8Printable(program.id));
    }
    // The controller's order, not the order of the timeline's keys (which are
    // pointers), so that the output is the same in every run.
    for (const GroupOrder::Entry& entry : order.inListOrder(program.timeline)) {
        if (!encodeGroup(program, entry, sequences, error))
            return false;
    }
    return true;
}

// Appends the entry of one group, nothing when it has no state changes.
bool TimelineCodec::encodeGroup(const CnfProgram& program, const GroupOrder::Entry& entry, QVariantList* sequences,
                                QString* error)
{
    const QMap<int, int>& points = *entry.points;
    if (points.isEmpty())
        return true;
    QVariantList steps;
    for (auto it = points.cbegin(); it != points.cend(); ++it) {
        if (!isColorState(it.value())) {
            if (error)
                *error = tr("In program %1 the timeline of signal group %2 has state %3 at second %4, "
                            "which has no colour code")
                             .arg(program.id, QString::number(entry.group->id), QString::number(it.value()),
                                  QString::number(it.key()));
            return false;
        }
        QVariantMap step;
        step.insert(QStringLiteral("point"), it.key());
        step.insert(QStringLiteral("state"), CnfSignalGroup::colorState2String(CnfSignalGroup::ColorState(it.value())));
        steps.append(step);
    }
    QVariantMap item;
    item.insert(QStringLiteral("group"), entry.group->id);
    item.insert(QStringLiteral("sequence"), steps);
    sequences->append(item);
    return true;
}
