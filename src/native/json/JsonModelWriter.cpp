#include "JsonModelWriter.h"

#include <utility>

#include <cmath>

#include "CnfController.h"
#include "CnfDetector.h"
#include "CnfLogging.h"
#include "CnfMatrix.h"
#include "CnfPhase.h"
#include "CnfProgram.h"
#include "CnfSchedule.h"
#include "CnfSignalGroup.h"
#include "JsonAccess.h"
#include "JsonDialect.h"
#include "JsonPlanWriter.h"
#include "JsonValues.h"

using namespace JsonValues;

namespace {

const int kDaysPerWeek = 7;

QString groupTypeName(CnfSignalGroup::Type type, bool alwaysOn)
{
    switch (type) {
    case CnfSignalGroup::Transport:
        return QStringLiteral("traffic");
    case CnfSignalGroup::Pedestrian:
        return QStringLiteral("pedestrian");
    case CnfSignalGroup::Arrow:
        return QStringLiteral("arrow");
    case CnfSignalGroup::Tram:
        return QStringLiteral("tram");
    case CnfSignalGroup::AlwaysOn:
        return alwaysOn ? QStringLiteral("always_ON") : QString();
    default:
        return QString();
    }
}

// A reference of the schedule to an element of the controller; invalid for
// an element the controller does not have (left out by the caller), and for
// one that cannot be named (then `unnamed` gets its id).
template <class Element, class FindById, class FindByName>
QVariant referenceTo(const QSharedPointer<Element>& element, FindById findById, FindByName findByName,
                     QString* unnamed)
{
    if (!element || findById(element->id) != element)
        return QVariant();
    const QVariant value = referenceValue(element->id, element->name, findByName(element->name) == element);
    if (!value.isValid())
        *unnamed = element->id;
    return value;
}

} // namespace

JsonModelWriter::JsonModelWriter(CnfController& controller, const JsonDialect& dialect)
    : m_controller(controller)
    , m_dialect(dialect)
{
}

QString JsonModelWriter::errorString() const
{
    return m_error;
}

bool JsonModelWriter::fail(const QString& message)
{
    if (m_error.isEmpty())
        m_error = message;
    return false;
}

// --- Model sections ------------------------------------------------------------

CnfAddressTable<QSharedPointer<CnfSignalGroup>> JsonModelWriter::groupsOfDevices() const
{
    CnfAddressTable<QSharedPointer<CnfSignalGroup>> groupOf;
    const auto groups = m_controller.signalGroups();
    for (const auto& group : groups) {
        for (const auto& device : qAsConst(group->devices))
            groupOf.insert(device.data(), group);
    }
    return groupOf;
}

QVariantList JsonModelWriter::signalGroupItems()
{
    QVariantList items;
    const auto all = m_controller.signalGroups();
    for (const auto& group : all) {
        QVariantMap item;
        item.insert(key("id"), group->id);
        item.insert(key("name"), JsonDialect::nameOf(group->name, m_dialect.groupName, QString::number(group->id)));
        const QString type = groupTypeName(group->type, m_dialect.alwaysOnGroups);
        if (!type.isEmpty())
            item.insert(key("type"), type);
        insertProperties(item, *group);
        items.append(item);
    }
    return items;
}

QVariantList JsonModelWriter::matrixItems(const CnfMatrix& matrix)
{
    // Cells name their groups by plain pointers: only the controller's own
    // groups are looked at, never a group the pointer may have outlived.
    CnfAddressTable<int> ids;
    const auto groups = m_controller.signalGroups();
    ids.reserve(groups.size());
    for (const auto& group : groups)
        ids.insert(group.data(), group->id);
    // The keys are made once and shared by every cell.
    const QString entering = key("entering");
    const QString clearing = key("clearing");
    const QString time = key("time");
    QVariantList items;
    for (const CnfMatrixCell& cell : matrix.content()) {
        if (std::isnan(cell.value))
            continue;
        if (!ids.contains(cell.onGroup) || !ids.contains(cell.offGroup)) {
            qCWarning(lcCnfJson, "Matrix %d: a cell of a signal group the controller does not have is left out",
                      matrix.id());
            continue;
        }
        if (!std::isfinite(cell.value)) {
            fail(tr("Matrix %1 (%2) has an infinite time").arg(QString::number(matrix.id()), matrix.name()));
            continue;
        }
        QVariantMap item;
        item.insert(entering, ids.value(cell.onGroup));
        item.insert(clearing, ids.value(cell.offGroup));
        item.insert(time, cell.value);
        items.append(item);
    }
    return items;
}

QVariant JsonModelWriter::stages()
{
    QVariantList list;
    const auto all = m_controller.phases();
    for (const auto& phase : all) {
        QVariantMap entry;
        entry.insert(key("id"), idValue(phase->id));
        insertIfNotEmpty(entry, "name", JsonDialect::nameOf(phase->name, m_dialect.phaseName, phase->id));
        if (m_dialect.stageLengths) {
            entry.insert(key("minTime"), phase->minLength);
            entry.insert(key("maxTime"), phase->maxLength);
        }
        QVariantList groups;
        for (const auto& group : qAsConst(phase->signalGroups)) {
            if (!group || m_controller.findSG(group->id) != group) {
                fail(tr("Stage %1 contains invalid signal group %2")
                         .arg(phase->id, group ? QString::number(group->id) : QString()));
                continue;
            }
            groups.append(group->id);
        }
        if (!groups.isEmpty())
            entry.insert(key("groups"), groups);
        list.append(entry);
    }
    return list;
}

QVariant JsonModelWriter::detectors(bool sensors)
{
    QVariantList list;
    const auto all = sensors ? m_controller.sensorsList() : m_controller.detectorsList();
    for (const auto& detector : all) {
        QVariantMap entry;
        entry.insert(key("id"), detector->id());
        insertIfNotEmpty(entry, "name", JsonDialect::nameOf(detector->name(), m_dialect.detectorName,
                                                            QString::number(detector->id())));
        insertProperties(entry, *detector, m_dialect.detectorInputProperties);
        list.append(entry);
    }
    return list;
}

QVariant JsonModelWriter::plans()
{
    QVariantList list;
    const auto all = m_controller.programs();
    const TimelineCodec::GroupOrder groupOrder(m_controller);
    for (const auto& program : all) {
        JsonPlanWriter writer(m_controller, *program, m_dialect, &groupOrder);
        const QVariant plan = writer.write();
        if (!plan.isValid())
            fail(writer.errorString());
        list.append(plan);
    }
    return list;
}

// --- Schedule ------------------------------------------------------------------

QVariant JsonModelWriter::schedule()
{
    QVariantMap schedule;
    schedule.insert(key("default"), scheduleDefaults());
    schedule.insert(key("days"), dayCards());
    schedule.insert(key("weeks"), weekCards());
    schedule.insert(key("extraPeriods"), seasonPlans());
    schedule.insert(key("extraDays"), specialDays());
    for (auto it = schedule.begin(); it != schedule.end();) {
        if (isEmptyContainer(it.value()))
            it = schedule.erase(it);
        else
            ++it;
    }
    return schedule;
}

QVariant JsonModelWriter::refer(const QSharedPointer<CnfProgram>& program)
{
    QString unnamed;
    const QVariant value = referenceTo(
        program, [this](const QString& id) { return m_controller.findProgram(id); },
        [this](const QString& name) { return m_controller.findProgramByName(name); }, &unnamed);
    if (!unnamed.isNull())
        fail(tr("Program %1 cannot be referred to: its id is not a whole number and its name does not single it out")
                 .arg(unnamed));
    return value;
}

QVariant JsonModelWriter::refer(const QSharedPointer<CnfDayCard>& card)
{
    QString unnamed;
    const QVariant value = referenceTo(
        card, [this](const QString& id) { return m_controller.findDayCard(id); },
        [this](const QString& name) { return m_controller.findDayCardByName(name); }, &unnamed);
    if (!unnamed.isNull())
        fail(tr("Daily card %1 cannot be referred to: its id is not a whole number and its name does not single it "
                "out")
                 .arg(unnamed));
    return value;
}

QVariant JsonModelWriter::refer(const QSharedPointer<CnfWeekCard>& card)
{
    QString unnamed;
    const QVariant value = referenceTo(
        card, [this](const QString& id) { return m_controller.findWeekCard(id); },
        [this](const QString& name) { return m_controller.findWeekCardByName(name); }, &unnamed);
    if (!unnamed.isNull())
        fail(tr("Weekly card %1 cannot be referred to: its id is not a whole number and its name does not single it "
                "out")
                 .arg(unnamed));
    return value;
}

QVariantMap JsonModelWriter::scheduleDefaults()
{
    QVariantMap defaults;
    const std::pair<const char*, QVariant> entries[] = {
        {"program", refer(m_controller.defaultProgram())},
        {"spareProgram", refer(m_controller.reserveProgram())},
        {"dayPlan", refer(m_controller.defaultDayCard())},
    };
    for (const auto& entry : entries) {
        if (entry.second.isValid())
            defaults.insert(key(entry.first), entry.second);
    }
    return defaults;
}

QVariantList JsonModelWriter::dayCards()
{
    QVariantList list;
    const auto cards = m_controller.dayCards();
    for (const auto& card : cards) {
        QVariantMap entry;
        entry.insert(key("id"), idValue(card->id));
        insertIfNotEmpty(entry, "name", JsonDialect::nameOf(card->name, m_dialect.dayCardName, card->id));
        QVariantList records;
        for (auto it = card->records.cbegin(); it != card->records.cend(); ++it) {
            const QVariantMap record = dayCardRecord(*card, it.key(), it.value());
            if (!record.isEmpty())
                records.append(record);
        }
        if (!records.isEmpty())
            entry.insert(key("plans"), records);
        list.append(entry);
    }
    return list;
}

// One record of a daily card; empty when it has no program of the controller.
QVariantMap JsonModelWriter::dayCardRecord(const CnfDayCard& card, QTime start, const CnfDayCardRecord& source)
{
    QVariantMap record;
    const QVariant plan = refer(source.program);
    if (!plan.isValid()) {
        qCWarning(lcCnfJson, "Daily card %s: the record at %s has no program of the controller and is left out",
                  qUtf8Printable(card.id), qUtf8Printable(start.toString(QStringLiteral("hh:mm"))));
        return record;
    }
    record.insert(key(m_dialect.recordProgram), plan);
    const QVariant spare = refer(source.reserveProgram);
    if (spare.isValid())
        record.insert(key(m_dialect.recordSpare), spare);
    else if (source.reserveProgram)
        qCWarning(lcCnfJson, "Daily card %s: the spare program of the record at %s is left out",
                  qUtf8Printable(card.id), qUtf8Printable(start.toString(QStringLiteral("hh:mm"))));
    record.insert(key(m_dialect.recordStart), recordTime(start));
    if (m_dialect.recordStop && source.end.isValid()) {
        // An end at midnight is the end of the day.
        const QString stop = source.end == QTime(0, 0) ? QStringLiteral("24:00") : recordTime(source.end);
        record.insert(key(m_dialect.recordStop), stop);
    }
    return record;
}

// A time of a daily card record; seconds are added where the format leaves
// them out, rather than lost (the reader takes both forms).
QString JsonModelWriter::recordTime(QTime time) const
{
    const QString format = QLatin1String(m_dialect.recordTimeFormat);
    if (time.second() != 0 && !format.contains(QLatin1Char('s')))
        return time.toString(format + QStringLiteral(":ss"));
    return time.toString(format);
}

QVariantList JsonModelWriter::weekCards()
{
    QVariantList list;
    const auto cards = m_controller.weekCards();
    for (const auto& card : cards) {
        QVariant days[kDaysPerWeek];
        for (int day = 0; day < kDaysPerWeek; ++day)
            days[day] = refer(card->days.value(Qt::DayOfWeek(day + 1)));
        QVariantList filled;
        for (int day = 0; day < kDaysPerWeek; ++day) {
            // A day without a card runs the card of the nearest earlier day
            // that has one, Sunday coming before Monday.
            QVariant value = days[day];
            for (int back = 1; back < kDaysPerWeek && !value.isValid(); ++back)
                value = days[(day - back + kDaysPerWeek) % kDaysPerWeek];
            filled.append(value);
        }
        if (!filled.first().isValid()) {
            qCWarning(lcCnfJson, "no previous daycard. Possible broken scheduler!!");
            fail(tr("Weekly card %1 has no daily card on any day").arg(card->id));
            continue;
        }
        QVariantMap entry;
        entry.insert(key("id"), idValue(card->id));
        insertIfNotEmpty(entry, "name", JsonDialect::nameOf(card->name, m_dialect.weekCardName, card->id));
        entry.insert(key("days"), filled);
        list.append(entry);
    }
    return list;
}

QVariantList JsonModelWriter::seasonPlans()
{
    QVariantList list;
    const auto plans = m_controller.seasonPlans();
    for (const auto& plan : plans) {
        const QVariant week = refer(plan->weekCard);
        if (!week.isValid()) {
            qCWarning(lcCnfJson, "Season plan %s has no weekly card of the controller and is left out",
                      qUtf8Printable(plan->id));
            continue;
        }
        if (!plan->from.isValid() || !plan->to.isValid()) {
            fail(tr("Season plan %1 has no valid period: both its first and its last day are needed").arg(plan->id));
            continue;
        }
        QVariantMap entry;
        entry.insert(key("id"), idValue(plan->id));
        insertIfNotEmpty(entry, "name", JsonDialect::nameOf(plan->name, m_dialect.seasonPlanName, plan->id));
        entry.insert(key("from"), plan->from.toString(QStringLiteral("dd.MM")));
        entry.insert(key("to"), plan->to.toString(QStringLiteral("dd.MM")));
        entry.insert(key("week"), week);
        list.append(entry);
    }
    return list;
}

QVariantList JsonModelWriter::specialDays()
{
    QVariantList list;
    const auto days = m_controller.specialDays();
    for (auto it = days.cbegin(); it != days.cend(); ++it) {
        const QVariant card = it.value() ? refer(it.value()->dayCard) : QVariant();
        if (!card.isValid() || !it.key().isValid()) {
            qCWarning(lcCnfJson, "Special day %s has no daily card of the controller and is left out",
                      qUtf8Printable(it.key().toString(QStringLiteral("dd.MM.yyyy"))));
            continue;
        }
        QVariantMap entry;
        entry.insert(key("id"), idValue(it.value()->id));
        insertIfNotEmpty(entry, "name",
                         JsonDialect::nameOf(it.value()->name, m_dialect.specialDayName, it.value()->id));
        entry.insert(key("date"), it.key().toString(it.key().year() == 1900 ? QStringLiteral("dd.MM")
                                                                            : QStringLiteral("dd.MM.yyyy")));
        entry.insert(key("day"), card);
        list.append(entry);
    }
    return list;
}

// --- Native data and pruning ---------------------------------------------------

void JsonModelWriter::copyNativeData(QVariantMap& document, const QStringList& excluded, bool skipEmpty)
{
    const QStringList names = m_controller.nativeDataNames();
    for (const QString& name : names) {
        const QVariant value = m_controller.getNativeData(name);
        const bool empty = JsonAccess::isAbsent(value) || isEmptyContainer(value);
        if (!excluded.contains(name) && !(skipEmpty && empty))
            document.insert(name, value);
    }
}

namespace {

// Whether removeEmptyContainers() leaves the value as it is: nothing empty
// below it, and no hash to turn into a map. Checking first spares copying
// the containers of a document that has nothing to prune.
bool isPruned(const QVariant& value)
{
    const auto keeps = [](const QVariant& member) {
        return !JsonModelWriter::isEmptyContainer(member) && isPruned(member);
    };
    switch (value.userType()) {
    case QMetaType::QVariantList: {
        const QVariantList list = value.toList();
        for (const QVariant& element : list) {
            if (!keeps(element))
                return false;
        }
        return true;
    }
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        for (const QVariant& member : map) {
            if (!keeps(member))
                return false;
        }
        return true;
    }
    case QMetaType::QVariantHash:
        return false;
    default:
        return true;
    }
}

} // namespace

void JsonModelWriter::pruneDocument(QVariantMap& document)
{
    for (auto it = document.begin(); it != document.end();) {
        removeEmptyContainers(it.value());
        if (isEmptyContainer(it.value()))
            it = document.erase(it);
        else
            ++it;
    }
}

bool JsonModelWriter::isEmptyContainer(const QVariant& value)
{
    switch (value.userType()) {
    case QMetaType::QVariantMap:
        return value.toMap().isEmpty();
    case QMetaType::QVariantHash:
        return value.toHash().isEmpty();
    case QMetaType::QVariantList:
        return value.toList().isEmpty();
    default:
        return false;
    }
}

void JsonModelWriter::removeEmptyContainers(QVariant& value)
{
    if (isPruned(value))
        return;
    if (value.userType() == QMetaType::QVariantList) {
        QVariantList list = value.toList();
        for (int index = list.size() - 1; index >= 0; --index) {
            removeEmptyContainers(list[index]);
            if (isEmptyContainer(list.at(index)))
                list.removeAt(index);
        }
        value = list;
    } else if (value.userType() == QMetaType::QVariantMap || value.userType() == QMetaType::QVariantHash) {
        QVariantMap map = value.toMap();
        for (auto it = map.begin(); it != map.end();) {
            removeEmptyContainers(it.value());
            if (isEmptyContainer(it.value()))
                it = map.erase(it);
            else
                ++it;
        }
        value = map;
    }
}
