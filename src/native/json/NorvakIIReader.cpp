#include "NorvakIIReader.h"

#include "CnfController.h"
#include "CnfDetector.h"
#include "CnfMatrix.h"
#include "CnfPowerDevice.h"
#include "CnfSignalGroup.h"
#include "JsonDialect.h"

namespace {

const int kInputModuleCount = 9;

int colorCode(const QString& text)
{
    static const QStringList colors = {QStringLiteral("green"), QStringLiteral("amber"), QStringLiteral("red"),
                                       QStringLiteral("white")};
    const int code = colors.indexOf(text);
    return code < 0 ? 255 : code;
}

} // namespace

NorvakIIReader::NorvakIIReader(const Members& document, CnfController& controller)
    : JsonModelReader(document, controller, JsonDialect::norvakII())
{
}

bool NorvakIIReader::read()
{
    using Section = void (NorvakIIReader::*)();
    static const Section sections[] = {
        &NorvakIIReader::readOlderSwitches, &NorvakIIReader::readSwitchModule,
        &NorvakIIReader::readInputChannels, &NorvakIIReader::readKeyboardChannels,
        &NorvakIIReader::readSignalGroups,  &NorvakIIReader::readMatrices,
        &NorvakIIReader::readStages,        &NorvakIIReader::readDetectors,
        &NorvakIIReader::readSensors,       &NorvakIIReader::readPlans,
        &NorvakIIReader::readScheduleSection,
    };

    m_controller.clear();
    m_unconsumedKeys = m_root.values.keys();
    for (const Section section : sections) {
        (this->*section)();
        if (failed()) {
            // Nothing of a half-read document stays.
            m_controller.clear();
            return false;
        }
    }
    setControllerProperties();
    storeNativeData();
    return true;
}

// --- Power devices --------------------------------------------------------

void NorvakIIReader::readOlderSwitches()
{
    const Array entries = takeRootArray("switches");
    for (int position = 0; position < entries.values.size() && !failed(); ++position) {
        const Object entry = elementOf(entries, position);
        auto device = QSharedPointer<CnfPowerDevice>::create();
        device->id = intOf(entry, "id");
        device->name = textOf(entry, "name");
        device->address = position;
        device->type = CnfPowerDevice::Key2;
        device->color = colorCode(textOf(entry, "color"));
        if (failed() || !addPowerDevice(device))
            return;
        // Only a non-negative JSON integer assigns this older kind of device.
        const QVariant group = entry.values.value(QStringLiteral("signalGroup"));
        bool isId = false;
        const int groupId = isNumber(group) ? integerValue(group, &isId) : -1;
        if (isId && groupId >= 0)
            m_devicesByGroupId.insert(groupId, device);
    }
}

void NorvakIIReader::readSwitchModule()
{
    const Object switches = objectOf(objectOf(busDevices(), "KSK1"), "switches");
    const Object defaults = objectOf(switches, "default");
    const Array items = arrayOf(switches, "items");
    for (int position = 0; position < items.values.size() && !failed(); ++position) {
        const Object item = elementOf(items, position);
        if (!failed())
            readSwitchItem(item, position, defaults);
    }
}

void NorvakIIReader::readSwitchItem(const Object& item, int position, const Object& defaults)
{
    // An item inherits "type", "heads" and "control" from the defaults.
    auto source = [&](const char* key) -> const Object& {
        return isAbsent(item.values.value(QLatin1String(key))) ? defaults : item;
    };
    auto device = QSharedPointer<CnfPowerDevice>::create();
    device->id = intOf(item, "id");
    device->name = textOf(item, "name");
    const Object& typeSource = source("type");
    const bool typed = !isAbsent(typeSource.values.value(QStringLiteral("type")));
    device->type = typed ? CnfPowerDevice::string2Type(textOf(typeSource, "type")) : CnfPowerDevice::NV2_SW4;
    device->address = intOf(item, "addr", position);
    device->lampCount = intOf(source("heads"), "heads");
    if (boolOf(source("control"), "control"))
        device->controlledLamps = device->lampCount;
    device->color = colorCode(textOf(item, "color"));
    const Reference group = referenceOf(item, "signalGroup");
    if (failed() || !addPowerDevice(device) || !group.present)
        return;
    if (group.byName)
        m_devicesByGroupName.insert(group.text, device);
    else if (group.isId)
        m_devicesByGroupId.insert(group.id, device);
}

// --- Input channels of the modules ----------------------------------------

void NorvakIIReader::readInputChannels()
{
    const Object devices = busDevices();
    for (int module = 1; module <= kInputModuleCount && !failed(); ++module) {
        const QByteArray name = QByteArrayLiteral("DIO") + QByteArray::number(module);
        const Array channels = arrayOf(objectOf(devices, name.constData()), "channels");
        for (int index = 0; index < channels.values.size() && !failed(); ++index) {
            const Object channel = elementOf(channels, index);
            const InputChannel input{module, intOf(channel, "channel", -1)};
            const Reference detector = referenceOf(channel, "detector");
            const Reference sensor = referenceOf(channel, "sensor");
            if (failed() || input.channel < 0)
                continue; // a channel without its number assigns nothing
            recordInput(m_detectorInputs, detector, input);
            recordInput(m_sensorInputs, sensor, input);
        }
    }
}

void NorvakIIReader::readKeyboardChannels()
{
    const Object modules = objectOf(m_root, "modules");
    const Array channels = arrayOf(objectOf(modules, "Keyboard"), "channels");
    for (int index = 0; index < channels.values.size() && !failed(); ++index) {
        const Object channel = elementOf(channels, index);
        const bool hasCode = !isAbsent(channel.values.value(QStringLiteral("keyCode")));
        const int keyCode = intOf(channel, "keyCode");
        const Reference detector = referenceOf(channel, "detector");
        const Reference sensor = referenceOf(channel, "sensor");
        if (failed() || !hasCode)
            continue;
        recordKeyCode(m_detectorInputs, detector, keyCode);
        recordKeyCode(m_sensorInputs, sensor, keyCode);
    }
}

void NorvakIIReader::recordInput(InputTables& tables, const Reference& ref, const InputChannel& input)
{
    if (ref.present && ref.byName)
        tables.channelByName.insert(ref.text, input);
    else if (ref.present && ref.isId)
        tables.channelById.insert(ref.id, input);
}

void NorvakIIReader::recordKeyCode(InputTables& tables, const Reference& ref, int keyCode)
{
    if (ref.present && ref.byName)
        tables.keyCodeByName.insert(ref.text, keyCode);
    else if (ref.present && ref.isId)
        tables.keyCodeById.insert(ref.id, keyCode);
}

void NorvakIIReader::assignInputs(CnfDetector& detector, const InputTables& tables)
{
    const bool named = !detector.name().isEmpty();
    if (tables.channelById.contains(detector.id()) || (named && tables.channelByName.contains(detector.name()))) {
        const InputChannel input = tables.channelById.contains(detector.id())
                                       ? tables.channelById.value(detector.id())
                                       : tables.channelByName.value(detector.name());
        detector.setProperty("dionumber", input.module);
        detector.setProperty("diochannel", input.channel);
    }
    if (tables.keyCodeById.contains(detector.id()))
        detector.setProperty("keycode", tables.keyCodeById.value(detector.id()));
    else if (named && tables.keyCodeByName.contains(detector.name()))
        detector.setProperty("keycode", tables.keyCodeByName.value(detector.name()));
}

// --- Signal groups ----------------------------------------------------------

void NorvakIIReader::readSignalGroups()
{
    const QString where = QStringLiteral("signalGroups");
    m_unconsumedKeys.removeOne(where);
    const Value value = m_root.values.member(QLatin1String("signalGroups"));
    // A list in this place holds nothing the reader knows.
    const Object groups = value.isArray() ? Object{QVariantMap(), where} : toObject(value, where);
    readDefaultGroup(objectOf(groups, "default"));
    const Array items = arrayOf(groups, "items");
    for (int index = 0; index < items.values.size() && !failed(); ++index) {
        const Object item = elementOf(items, index);
        if (!failed())
            readSignalGroup(item);
    }
    m_groups = m_controller.signalGroups();
}

void NorvakIIReader::readDefaultGroup(const Object& defaults)
{
    if (failed())
        return;
    auto group = QSharedPointer<CnfSignalGroup>::create();
    if (defaults.values.isEmpty()) {
        group->setProperty("redAmber", 2);
        group->setProperty("amber", 3);
        group->setProperty("greenBlink", 3);
    } else {
        setProperties(group.data(), defaults, {});
    }
    m_controller.setDefaulSignalGroup(group);
}

void NorvakIIReader::readSignalGroup(const Object& item)
{
    const auto group = readGroupItem(item);
    if (!group)
        return;
    const auto byId = m_devicesByGroupId.values(group->id);
    for (const auto& device : byId)
        group->assignDevice(device);
    const auto byName = m_devicesByGroupName.values(group->name);
    for (const auto& device : byName)
        group->assignDevice(device);
    m_controller.addSignalGroup(group);
}

// --- Matrices ---------------------------------------------------------------

void NorvakIIReader::readMatrices()
{
    const Array entries = takeRootArray("IGM");
    for (int index = 0; index < entries.values.size() && !failed(); ++index) {
        const Object entry = elementOf(entries, index);
        if (!failed())
            readMatrix(entry);
    }
}

void NorvakIIReader::readMatrix(const Object& entry)
{
    auto matrix = QSharedPointer<CnfMatrix>::create();
    matrix->setId(intOf(entry, "id"));
    matrix->setName(textOf(entry, "name"));
    const bool isDefault = boolOf(entry, "default");
    const bool isSafety = boolOf(entry, "safety");
    readMatrixContent(*matrix, entry);
    if (!failed())
        m_controller.addMatrix(matrix, isDefault, isSafety);
}

// --- Detectors and sensors --------------------------------------------------

void NorvakIIReader::readDetectors()
{
    readDetectorList("detectors", false);
}

void NorvakIIReader::readSensors()
{
    readDetectorList("sensors", true);
}

void NorvakIIReader::readDetectorList(const char* key, bool sensors)
{
    const Array entries = takeRootArray(key);
    for (int index = 0; index < entries.values.size() && !failed(); ++index) {
        const auto detector = readDetectorEntry(elementOf(entries, index), sensors);
        if (!detector)
            return;
        assignInputs(*detector, sensors ? m_sensorInputs : m_detectorInputs);
        if (sensors)
            m_controller.addSensor(detector);
        else
            m_controller.addDetector(detector);
    }
}

// --- Schedule and controller ------------------------------------------------

void NorvakIIReader::readScheduleSection()
{
    readSchedule("schedule");
}

void NorvakIIReader::setControllerProperties()
{
    m_unconsumedKeys.removeOne(QStringLiteral("id"));
    m_unconsumedKeys.removeOne(QStringLiteral("description"));
    m_controller.setProperty("type", QStringLiteral("norvakii"));
    m_controller.setProperty("number", m_root.values.value(QStringLiteral("id")));
    m_controller.setProperty("description", m_root.values.value(QStringLiteral("description")));
}

// --- Helpers of the sections ------------------------------------------------

// The module tree is read where it names devices and inputs, and kept whole.
NorvakIIReader::Object NorvakIIReader::busDevices()
{
    return objectOf(objectOf(objectOf(m_root, "modules"), "SystemBus"), "devices");
}
