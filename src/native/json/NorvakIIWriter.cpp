#include "NorvakIIWriter.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "CnfController.h"
#include "CnfLogging.h"
#include "CnfDetector.h"
#include "CnfMatrix.h"
#include "CnfPhase.h"
#include "CnfPhaseDef.h"
#include "CnfPowerDevice.h"
#include "CnfProgram.h"
#include "CnfSchedule.h"
#include "CnfSignalGroup.h"
#include "JsonAccess.h"
#include "NorvakIIPlanWriter.h"
#include "NorvakIIValues.h"

using namespace NorvakIIValues;

namespace {

const int kInputModuleCount = 9;
const int kDaysPerWeek = 7;

QString colorName(int color)
{
    static const char* const names[] = {"green", "amber", "red", "white"};
    return color >= 0 && color < 4 ? QString::fromLatin1(names[color]) : QString();
}

QString groupTypeName(CnfSignalGroup::Type type)
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
    default:
        return QString();
    }
}

bool isSwitch(const CnfPowerDevice& device)
{
    return device.type != CnfPowerDevice::Wlk && device.type != CnfPowerDevice::Core
        && device.type != CnfPowerDevice::Wlk2;
}

bool isEmptyContainer(const QVariant& value)
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

QVariantMap mapOf(const QVariant& value)
{
    return value.toMap(); // anything but an object reads as an empty one
}

} // namespace

// The native module tree as the writer tidies it.
struct NorvakIIWriter::ModuleTree {
    QVariantMap modules;
    QVariant controlSources;
};

NorvakIIWriter::NorvakIIWriter(CnfController& controller)
    : m_controller(controller)
{
}

QString NorvakIIWriter::errorString() const
{
    return m_error;
}

bool NorvakIIWriter::fail(const QString& message)
{
    if (m_error.isEmpty())
        m_error = message;
    return false;
}

bool NorvakIIWriter::write(QVariantMap* document)
{
    m_error.clear();
    document->clear();
    writeProperties(*document);
    document->insert(key("configVersion"), 1);
    const ModuleTree tree = tidyModules();
    const std::pair<const char*, QVariant> sections[] = {
        {"signalGroups", signalGroups()}, {"IGM", matrices()},      {"stages", stages()},
        {"detectors", detectors(false)},  {"sensors", detectors(true)}, {"plans", plans()},
        {"schedule", schedule()},
    };
    if (!m_error.isEmpty()) {
        document->clear();
        return false; // the controller is left as it was
    }
    for (const auto& section : sections) {
        if (!isEmptyContainer(section.second))
            document->insert(key(section.first), section.second);
    }
    // Only a document that will be written changes the controller.
    m_controller.setNativeData(key("modules"), tree.modules.isEmpty() ? QVariant() : QVariant(tree.modules));
    m_controller.setNativeData(key("controlSources"), tree.controlSources);
    copyNativeData(*document);
    for (auto it = document->begin(); it != document->end();) {
        removeEmptyContainers(it.value());
        if (isEmptyContainer(it.value()))
            it = document->erase(it);
        else
            ++it;
    }
    return true;
}

void NorvakIIWriter::writeProperties(QVariantMap& document)
{
    const QVariant number = m_controller.property("number");
    if (number.isValid())
        document.insert(key("id"), number);
    const QVariant description = m_controller.property("description");
    if (description.isValid())
        document.insert(key("description"), description);
}

// --- Module tree ---------------------------------------------------------------

NorvakIIWriter::ModuleTree NorvakIIWriter::tidyModules()
{
    ModuleTree tree;
    tree.modules = mapOf(m_controller.getNativeData(key("modules")));
    QVariantMap bus;
    QVariantMap devices;
    const bool signalModule = tree.modules.contains(key("Signal"));
    if (signalModule) {
        // The "Signal" module drives the heads itself: there is no bus.
        tree.modules.remove(key("SystemBus"));
        if (!m_controller.powerDevices().isEmpty())
            qCWarning(lcCnfJson, "The controller has a \"Signal\" module: its power devices are not written");
    } else {
        bus = mapOf(tree.modules.value(key("SystemBus")));
        if (!bus.contains(key("port"))) {
            QVariantMap port;
            port.insert(key("portName"), QStringLiteral("/dev/ttyO1"));
            port.insert(key("baudRate"), 921600);
            port.insert(key("rs485enabled"), true);
            port.insert(key("rs485rtsAfterSend"), true);
            bus.insert(key("port"), port);
        }
        devices = mapOf(bus.value(key("devices")));
        QVariantMap ksk = mapOf(devices.value(key("KSK1")));
        QVariantMap switches = mapOf(ksk.value(key("switches")));
        QVariantMap defaults;
        const QVariantList items = switchItems(switches, &defaults);
        if (items.isEmpty()) {
            ksk.remove(key("switches"));
        } else {
            switches.insert(key("default"), defaults);
            switches.insert(key("items"), items);
            ksk.insert(key("switches"), switches);
        }
        devices.insert(key("KSK1"), ksk);
        tidyInputChannels(devices);
    }
    const QVariantMap ktv = mapOf(devices.value(key("KTV1")));
    if (ktv.value(key("items")).userType() == QMetaType::QVariantList && ktv.value(key("items")).toList().isEmpty())
        devices.remove(key("KTV1"));
    tree.controlSources = tidyControlSources(tree.modules, devices);
    if (!signalModule) {
        bus.insert(key("devices"), devices);
        tree.modules.insert(key("SystemBus"), bus);
    }
    return tree;
}

QVariantList NorvakIIWriter::switchItems(const QVariantMap& switches, QVariantMap* defaults)
{
    QList<QSharedPointer<CnfPowerDevice>> devices;
    const auto all = m_controller.powerDevices();
    for (const auto& device : all) {
        if (device && isSwitch(*device))
            devices.append(device);
        else if (device)
            qCWarning(lcCnfJson, "Power device %d is not a switch and is not written", device->id);
    }
    // The default type: the one the document names, else the one that all
    // switches share.
    CnfPowerDevice::Type defaultType = CnfPowerDevice::NV2_SW4;
    if (switches.value(key("default")).userType() == QMetaType::QVariantMap) {
        *defaults = switches.value(key("default")).toMap();
        if (defaults->contains(key("type")))
            defaultType = CnfPowerDevice::string2Type(defaults->value(key("type")).toString());
    } else {
        const bool shared = std::all_of(devices.cbegin(), devices.cend(), [&devices](const auto& device) {
            return device->type == devices.first()->type;
        });
        if (shared && !devices.isEmpty())
            defaultType = devices.first()->type;
        defaults->insert(key("type"), CnfPowerDevice::type2String(defaultType, false));
    }
    QVariantList items;
    for (const auto& device : qAsConst(devices)) {
        QVariantMap item;
        if (device->type != defaultType)
            item.insert(key("type"), CnfPowerDevice::type2String(device->type, false));
        if (const auto group = m_controller.findPowerDeviceSg(device))
            item.insert(key("signalGroup"), group->id);
        item.insert(key("id"), device->id);
        insertIfNotEmpty(item, "name", device->name);
        item.insert(key("addr"), device->address);
        item.insert(key("heads"), device->lampCount);
        item.insert(key("control"), device->controlledLamps != 0);
        const QString color = colorName(device->color);
        if (!color.isEmpty())
            item.insert(key("color"), color);
        items.append(item);
    }
    return items;
}

void NorvakIIWriter::tidyInputChannels(QVariantMap& devices)
{
    QVariantList outputs;
    const QVariantList declared = m_controller.getNativeData(key("outputs")).toList();
    for (const QVariant& output : declared)
        outputs.append(output);
    for (int module = 1; module <= kInputModuleCount; ++module) {
        const QString name = QStringLiteral("DIO%1").arg(module);
        QVariantMap dio = mapOf(devices.value(name));
        if (!dio.contains(key("channels")))
            continue;
        QVariantList channels = dio.value(key("channels")).toList();
        for (int index = channels.size() - 1; index >= 0; --index) {
            if (channelRefersToNothing(channels.at(index), outputs))
                channels.removeAt(index);
        }
        dio.insert(key("channels"), channels);
        devices.insert(name, dio);
    }
}

// A channel is dropped for a reference it has that names nothing; a
// channel that is not even an object could not be read back.
bool NorvakIIWriter::channelRefersToNothing(const QVariant& channel, const QVariantList& outputs) const
{
    if (channel.userType() != QMetaType::QVariantMap)
        return true;
    const QVariantMap values = channel.toMap();
    const auto names = [&values](const char* name, auto byName, auto byId) {
        const QVariant ref = values.value(key(name));
        if (JsonAccess::isAbsent(ref))
            return true;
        bool isId = false;
        const int id = JsonAccess::integerValue(ref, &isId);
        if (ref.userType() == QMetaType::QString)
            return byName(ref.toString());
        return JsonAccess::isNumber(ref) && isId && byId(id);
    };
    const auto output = [&outputs](const char* field, const QVariant& value) {
        return std::any_of(outputs.cbegin(), outputs.cend(), [&](const QVariant& entry) {
            const QVariant own = entry.toMap().value(key(field));
            return own.isValid() && own == value;
        });
    };
    return !names(
               "detector", [this](const QString& n) { return !n.isEmpty() && m_controller.findDetectorByName(n); },
               [this](int id) { return bool(m_controller.findDetector(id)); })
        || !names(
               "sensor", [this](const QString& n) { return !n.isEmpty() && m_controller.findSensorByName(n); },
               [this](int id) { return bool(m_controller.findSensor(id)); })
        || !names(
               "output", [&output](const QString& n) { return output("name", n); },
               [&output](int id) { return output("id", id); });
}

QVariant NorvakIIWriter::tidyControlSources(const QVariantMap& modules, const QVariantMap& devices)
{
    QVariantList sources = m_controller.getNativeData(key("controlSources")).toList();
    const QVariantMap vpu = mapOf(devices.value(key("VPU1")));
    const QVariant itsSource = mapOf(modules.value(key("NorvakITS"))).value(key("controlSource"));
    bool itsMatched = false;
    for (int index = sources.size() - 1; index >= 0; --index) {
        const QVariantMap source = mapOf(sources.at(index));
        const QString name = source.value(key("name")).toString();
        const QVariant id = source.value(key("id"));
        bool keep = true;
        if (name == QLatin1String("vpu")) {
            keep = devices.contains(key("VPU1")) && vpu.value(key("controlSource")) == id;
        } else if (name == QLatin1String("its") && !itsMatched) {
            itsMatched = itsSource.isValid() && itsSource == id;
            keep = itsMatched || source.contains(key("url"));
        }
        if (!keep)
            sources.removeAt(index);
    }
    return sources.isEmpty() ? QVariant() : QVariant(sources);
}

// --- Model sections ------------------------------------------------------------

QVariant NorvakIIWriter::signalGroups()
{
    QVariantMap groups;
    const auto defaults = m_controller.defaultSignalGroup();
    QVariantMap properties;
    if (defaults)
        insertProperties(properties, *defaults);
    if (properties.isEmpty()) {
        // The reader gives an empty "default" timings of its own: the
        // timings the model uses are written instead, so that they read back.
        properties.insert(key("amber"), defaults ? defaults->yellow(-1) : 0);
        properties.insert(key("redAmber"), defaults ? defaults->redYellow(-1) : 0);
        properties.insert(key("greenBlink"), defaults ? defaults->greenBlink(-1) : 0);
    }
    groups.insert(key("default"), properties);
    QVariantList items;
    const auto all = m_controller.signalGroups();
    for (const auto& group : all) {
        QVariantMap item;
        item.insert(key("id"), group->id);
        item.insert(key("name"), group->name.isEmpty() ? QStringLiteral("sg%1").arg(group->id) : group->name);
        const QString type = groupTypeName(group->type);
        if (!type.isEmpty())
            item.insert(key("type"), type);
        insertProperties(item, *group);
        items.append(item);
    }
    if (!items.isEmpty())
        groups.insert(key("items"), items);
    return groups;
}

QVariant NorvakIIWriter::matrices()
{
    // Cells name their groups by plain pointers: only the controller's own
    // groups are looked at, never a group the pointer may have outlived.
    QHash<const CnfSignalGroup*, int> ids;
    const auto groups = m_controller.signalGroups();
    for (const auto& group : groups)
        ids.insert(group.data(), group->id);
    QVariantList list;
    const auto all = m_controller.matrixList();
    for (const auto& matrix : all) {
        QVariantMap entry;
        entry.insert(key("id"), matrix->id());
        insertIfNotEmpty(entry, "name", matrix->name());
        if (matrix == m_controller.defaultMatrix())
            entry.insert(key("default"), true);
        if (matrix == m_controller.safetyMatrix())
            entry.insert(key("safety"), true);
        QVariantList items;
        for (const CnfMatrixCell& cell : matrix->content()) {
            if (std::isnan(cell.value))
                continue;
            if (!ids.contains(cell.onGroup) || !ids.contains(cell.offGroup)) {
                qCWarning(lcCnfJson, "Matrix %d: a cell of a signal group the controller does not have is left out",
                          matrix->id());
                continue;
            }
            if (!std::isfinite(cell.value)) {
                fail(tr("Matrix %1 (%2) has an infinite time").arg(QString::number(matrix->id()), matrix->name()));
                continue;
            }
            QVariantMap item;
            item.insert(key("entering"), ids.value(cell.onGroup));
            item.insert(key("clearing"), ids.value(cell.offGroup));
            item.insert(key("time"), cell.value);
            items.append(item);
        }
        entry.insert(key("items"), items);
        list.append(entry);
    }
    return list;
}

QVariant NorvakIIWriter::stages()
{
    QVariantList list;
    const auto all = m_controller.phases();
    for (const auto& phase : all) {
        QVariantMap entry;
        entry.insert(key("id"), idValue(phase->id));
        insertIfNotEmpty(entry, "name", phase->name);
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

QVariant NorvakIIWriter::detectors(bool sensors)
{
    // The channel and key code come from the module tree, which keeps them.
    static const QStringList fromModules = {QStringLiteral("diochannel"), QStringLiteral("dionumber"),
                                            QStringLiteral("keycode")};
    QVariantList list;
    const auto all = sensors ? m_controller.sensorsList() : m_controller.detectorsList();
    for (const auto& detector : all) {
        QVariantMap entry;
        entry.insert(key("id"), detector->id());
        insertIfNotEmpty(entry, "name", detector->name());
        insertProperties(entry, *detector, fromModules);
        list.append(entry);
    }
    return list;
}

QVariant NorvakIIWriter::plans()
{
    QVariantList list;
    const auto all = m_controller.programs();
    for (const auto& program : all) {
        QString error;
        const QVariant plan = signalPlanToVariant(m_controller, program, &error);
        if (!plan.isValid())
            fail(error);
        list.append(plan);
    }
    return list;
}

QVariant NorvakIIWriter::signalPlanToVariant(CnfController& controller, QSharedPointer<CnfProgram> program,
                                             QString* error)
{
    if (!program) {
        if (error)
            *error = tr("No program given");
        return QVariant();
    }
    NorvakIIPlanWriter writer(controller, *program);
    const QVariant plan = writer.write();
    if (error)
        *error = writer.errorString();
    return plan;
}

// --- Schedule ------------------------------------------------------------------

QVariant NorvakIIWriter::schedule()
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

namespace {

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

QVariant NorvakIIWriter::refer(const QSharedPointer<CnfProgram>& program)
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

QVariant NorvakIIWriter::refer(const QSharedPointer<CnfDayCard>& card)
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

QVariant NorvakIIWriter::refer(const QSharedPointer<CnfWeekCard>& card)
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

QVariantMap NorvakIIWriter::scheduleDefaults()
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

QVariantList NorvakIIWriter::dayCards()
{
    QVariantList list;
    const auto cards = m_controller.dayCards();
    for (const auto& card : cards) {
        QVariantMap entry;
        entry.insert(key("id"), idValue(card->id));
        insertIfNotEmpty(entry, "name", card->name);
        QVariantList records;
        for (auto it = card->records.cbegin(); it != card->records.cend(); ++it) {
            const QVariant plan = refer(it->program);
            if (!plan.isValid()) {
                qCWarning(lcCnfJson, "Daily card %s: the record at %s has no program of the controller and is left out",
                          qUtf8Printable(card->id), qUtf8Printable(it.key().toString(QStringLiteral("hh:mm"))));
                continue;
            }
            QVariantMap record;
            record.insert(key("plan"), plan);
            const QVariant spare = refer(it->reserveProgram);
            if (spare.isValid())
                record.insert(key("sparePlan"), spare);
            else if (it->reserveProgram)
                qCWarning(lcCnfJson, "Daily card %s: the spare program of the record at %s is left out",
                          qUtf8Printable(card->id), qUtf8Printable(it.key().toString(QStringLiteral("hh:mm"))));
            record.insert(key("time"), it.key().toString(QStringLiteral("h:m:s")));
            records.append(record);
        }
        if (!records.isEmpty())
            entry.insert(key("plans"), records);
        list.append(entry);
    }
    return list;
}

QVariantList NorvakIIWriter::weekCards()
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
        insertIfNotEmpty(entry, "name", card->name);
        entry.insert(key("days"), filled);
        list.append(entry);
    }
    return list;
}

QVariantList NorvakIIWriter::seasonPlans()
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
        insertIfNotEmpty(entry, "name", plan->name);
        entry.insert(key("from"), plan->from.toString(QStringLiteral("dd.MM")));
        entry.insert(key("to"), plan->to.toString(QStringLiteral("dd.MM")));
        entry.insert(key("week"), week);
        list.append(entry);
    }
    return list;
}

QVariantList NorvakIIWriter::specialDays()
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
        insertIfNotEmpty(entry, "name", it.value()->name);
        entry.insert(key("date"), it.key().toString(it.key().year() == 1900 ? QStringLiteral("dd.MM")
                                                                            : QStringLiteral("dd.MM.yyyy")));
        entry.insert(key("day"), card);
        list.append(entry);
    }
    return list;
}

// --- Native data and pruning ---------------------------------------------------

void NorvakIIWriter::copyNativeData(QVariantMap& document)
{
    static const QStringList kept = {QStringLiteral("sg_defaults"), QStringLiteral("asudd_priority_on_vpu")};
    const QStringList names = m_controller.nativeDataNames();
    for (const QString& name : names) {
        if (!kept.contains(name))
            document.insert(name, m_controller.getNativeData(name));
    }
}

void NorvakIIWriter::removeEmptyContainers(QVariant& value)
{
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
