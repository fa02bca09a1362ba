#include "NorvakIIWriter.h"

#include <algorithm>
#include <utility>

#include "CnfController.h"
#include "CnfLogging.h"
#include "CnfDetector.h"
#include "CnfMatrix.h"
#include "CnfPowerDevice.h"
#include "CnfProgram.h"
#include "CnfSignalGroup.h"
#include "JsonAccess.h"
#include "JsonDialect.h"
#include "JsonPlanWriter.h"
#include "JsonValues.h"

using namespace JsonValues;

namespace {

const int kInputModuleCount = 9;

QString colorName(int color)
{
    static const char* const names[] = {"green", "amber", "red", "white"};
    return color >= 0 && color < 4 ? QString::fromLatin1(names[color]) : QString();
}

bool isSwitch(const CnfPowerDevice& device)
{
    return device.type != CnfPowerDevice::Wlk && device.type != CnfPowerDevice::Core
        && device.type != CnfPowerDevice::Wlk2;
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
    : JsonModelWriter(controller, JsonDialect::norvakII())
{
}

bool NorvakIIWriter::write(QVariantMap* document)
{
    document->clear();
    writeProperties(*document);
    document->insert(key("configVersion"), 1);
    const ModuleTree tree = tidyModules();
    const std::pair<const char*, QVariant> sections[] = {
        {"signalGroups", signalGroups()}, {"IGM", matrices()},      {"stages", stages()},
        {"detectors", detectors(false)},  {"sensors", detectors(true)}, {"plans", plans()},
        {"schedule", schedule()},
    };
    if (!errorString().isEmpty()) {
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
    // Native data that another format's reader kept under a name this
    // format's reader consumes (a ZT_LOOM "switches" object, its "id") would
    // replace what the model says, or not read back at all.
    static const QStringList consumed = {
        QStringLiteral("switches"), QStringLiteral("signalGroups"), QStringLiteral("IGM"),
        QStringLiteral("stages"),   QStringLiteral("detectors"),    QStringLiteral("sensors"),
        QStringLiteral("plans"),    QStringLiteral("schedule"),     QStringLiteral("id"),
        QStringLiteral("description")};
    const QStringList kept = {QStringLiteral("sg_defaults"), QStringLiteral("asudd_priority_on_vpu")};
    copyNativeData(*document, kept + consumed, false);
    pruneDocument(*document);
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
    const auto groupOf = groupsOfDevices();
    QVariantList items;
    for (const auto& device : qAsConst(devices)) {
        QVariantMap item;
        if (device->type != defaultType)
            item.insert(key("type"), CnfPowerDevice::type2String(device->type, false));
        if (const auto group = groupOf.value(device.data()))
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
    const QVariantList items = signalGroupItems();
    if (!items.isEmpty())
        groups.insert(key("items"), items);
    return groups;
}

QVariant NorvakIIWriter::matrices()
{
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
        entry.insert(key("items"), matrixItems(*matrix));
        list.append(entry);
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
    JsonPlanWriter writer(controller, *program, JsonDialect::norvakII());
    const QVariant plan = writer.write();
    if (error)
        *error = writer.errorString();
    return plan;
}
