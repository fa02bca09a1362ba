#include "ZT_LOOMReader.h"

#include "CnfController.h"
#include "CnfDetector.h"
#include "CnfMatrix.h"
#include "CnfPowerDevice.h"
#include "CnfSignalGroup.h"
#include "JsonDialect.h"

namespace {

int colorCode(const QString& text)
{
    static const QStringList colors = {QStringLiteral("green"), QStringLiteral("amber"), QStringLiteral("red"),
                                       QStringLiteral("white")};
    const int code = colors.indexOf(text);
    return code < 0 ? 255 : code;
}

} // namespace

ZT_LOOMReader::ZT_LOOMReader(const Members& document, CnfController& controller)
    : JsonModelReader(document, controller, JsonDialect::ztLoom())
{
}

bool ZT_LOOMReader::read()
{
    using Section = void (ZT_LOOMReader::*)();
    static const Section sections[] = {
        &ZT_LOOMReader::checkVersion,     &ZT_LOOMReader::readInputChannels, &ZT_LOOMReader::readDetectors,
        &ZT_LOOMReader::readSignalGroups, &ZT_LOOMReader::readStages,        &ZT_LOOMReader::readMatrices,
        &ZT_LOOMReader::readPlans,        &ZT_LOOMReader::readScheduler,     &ZT_LOOMReader::readSwitches,
    };

    m_controller.clear();
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

// The version stays in the native data, so that it is written back.
void ZT_LOOMReader::checkVersion()
{
    const QVariant version = m_root.values.value(QStringLiteral("configVersion"));
    if (!isNumber(version) || version.toDouble() != 1)
        fail(tr("Unsupported version of configuration"));
}

// --- Input channels and detectors -------------------------------------------

// The module tree stays whole in the native data; only the detectors'
// channels of "DIO1" are taken from it.
void ZT_LOOMReader::readInputChannels()
{
    const Object modules = objectOf(m_root, "inputsOutputs");
    const Array channels = arrayOf(objectOf(modules, "DIO1"), "channels");
    for (int index = 0; index < channels.values.size() && !failed(); ++index) {
        const Object channel = elementOf(channels, index);
        const int number = intOf(channel, "channel", -1);
        const Reference detector = referenceOf(channel, "detector");
        if (failed() || number < 0 || !detector.present)
            continue; // a channel without its number or detector assigns nothing
        bool isId = false;
        const int id = detector.text.toInt(&isId);
        if (detector.byName)
            m_channelByName.insert(detector.text, number);
        else if (isId)
            m_channelById.insert(id, number);
    }
}

void ZT_LOOMReader::readDetectors()
{
    const Array entries = takeRootArray("detectors");
    for (int index = 0; index < entries.values.size() && !failed(); ++index) {
        const auto detector = readDetectorEntry(elementOf(entries, index), false);
        if (!detector)
            return;
        if (m_channelById.contains(detector->id()))
            detector->setProperty("dio1channel", m_channelById.value(detector->id()));
        else if (!detector->name().isEmpty() && m_channelByName.contains(detector->name()))
            detector->setProperty("dio1channel", m_channelByName.value(detector->name()));
        m_controller.addDetector(detector);
    }
}

// --- Signal groups and matrices ---------------------------------------------

void ZT_LOOMReader::readSignalGroups()
{
    const QString where = QStringLiteral("signalGroups");
    m_unconsumedKeys.removeOne(where);
    const Value value = m_root.values.member(QLatin1String("signalGroups"));
    // A list in this place holds nothing the reader knows.
    const Object groups = value.isArray() ? Object{QVariantMap(), where} : toObject(value, where);
    // The defaults of the groups are the controller's own settings, kept whole.
    const QVariant defaults = groups.values.value(QStringLiteral("default"));
    if (!isAbsent(defaults))
        m_controller.setNativeData(QStringLiteral("sg_defaults"), defaults);
    const Array items = arrayOf(groups, "items");
    for (int index = 0; index < items.values.size() && !failed(); ++index) {
        const auto group = readGroupItem(elementOf(items, index));
        if (group)
            m_controller.addSignalGroup(group);
    }
    m_groups = m_controller.signalGroups();
}

void ZT_LOOMReader::readMatrices()
{
    const Array entries = takeRootArray("IGM");
    for (int index = 0; index < entries.values.size() && !failed(); ++index) {
        const Object entry = elementOf(entries, index);
        if (failed())
            return;
        auto matrix = QSharedPointer<CnfMatrix>::create();
        matrix->setId(intOf(entry, "id"));
        matrix->setName(textOf(entry, "name"));
        readMatrixContent(*matrix, entry);
        if (!failed())
            m_controller.addMatrix(matrix, false, false);
    }
    // The first matrix is the conflict matrix; without one the controller
    // keeps its own, empty one.
    const auto matrices = m_controller.matrixList();
    if (!failed() && !matrices.isEmpty())
        m_controller.setConflictMatrix(matrices.first());
}

// --- Scheduler and switches -------------------------------------------------

void ZT_LOOMReader::readScheduler()
{
    readSchedule("scheduler");
}

// The switch list also stays in the native data: the writer rebuilds its
// items from the power devices and keeps the rest, its defaults above all.
void ZT_LOOMReader::readSwitches()
{
    const Object switches = objectOf(m_root, "switches");
    const Object defaults = objectOf(switches, "default");
    const Array items = arrayOf(switches, "items");
    for (int position = 0; position < items.values.size() && !failed(); ++position) {
        const Object item = elementOf(items, position);
        if (!failed())
            readSwitch(item, position, defaults);
    }
}

void ZT_LOOMReader::readSwitch(const Object& item, int position, const Object& defaults)
{
    // An item inherits "type" and "control" from the defaults.
    auto source = [&](const char* key) -> const Object& {
        return item.values.member(QLatin1String(key)).isAbsent() ? defaults : item;
    };
    auto device = QSharedPointer<CnfPowerDevice>::create();
    device->id = intOf(item, "id");
    device->name = textOf(item, "name");
    const QString type = textOf(source("type"), "type");
    device->type = CnfPowerDevice::string2Type(type);
    device->address = intOf(item, "addr", position);
    device->lampCount = 1;
    if (boolOf(source("control"), "control"))
        device->controlledLamps = 1;
    device->color = colorCode(textOf(item, "color"));
    if (failed())
        return;
    const QVariant groupValue = item.values.value(QStringLiteral("signalGroup"));
    bool isId = false;
    const int groupId = isNumber(groupValue) ? integerValue(groupValue, &isId) : 0;
    const auto group = isId ? m_controller.findSG(groupId) : nullptr;
    if (device->type == CnfPowerDevice::None)
        fail(tr("Key %1 has invalid type '%2'").arg(QString::number(device->id), type));
    else if (!group)
        fail(tr("Key %1 has invalid signal group '%2'").arg(QString::number(device->id), groupValue.toString()));
    else if (addPowerDevice(device))
        group->assignDevice(device);
}

// --- Controller -------------------------------------------------------------

void ZT_LOOMReader::setControllerProperties()
{
    // "id" and "description" also stay in the native data; "type" does not.
    m_unconsumedKeys.removeOne(QStringLiteral("type"));
    m_controller.setProperty("number", m_root.values.value(QStringLiteral("id")));
    m_controller.setProperty("description", m_root.values.value(QStringLiteral("description")));
    m_controller.setProperty("type", m_root.values.value(QStringLiteral("type")));
}
