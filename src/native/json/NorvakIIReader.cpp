#include "NorvakIIReader.h"

#include <QDate>
#include <QTime>

#include <algorithm>

#include "CnfController.h"
#include "CnfDetector.h"
#include "CnfLogging.h"
#include "CnfMatrix.h"
#include "CnfPhase.h"
#include "CnfPhaseDef.h"
#include "CnfPowerDevice.h"
#include "CnfProgram.h"
#include "CnfSchedule.h"
#include "CnfSignalGroup.h"
#include "DayAndMonth.h"
#include "TimelineCodec.h"

namespace {

const int kInputModuleCount = 9;
const int kDaysPerWeek = 7;

int colorCode(const QString& text)
{
    static const QStringList colors = {QStringLiteral("green"), QStringLiteral("amber"), QStringLiteral("red"),
                                       QStringLiteral("white")};
    const int code = colors.indexOf(text);
    return code < 0 ? 255 : code;
}

void setGroupType(CnfSignalGroup& group, const QString& text)
{
    if (text == QLatin1String("traffic"))
        group.setType(CnfSignalGroup::Transport);
    else if (text == QLatin1String("pedestrian"))
        group.setType(CnfSignalGroup::Pedestrian);
    else if (text == QLatin1String("arrow"))
        group.setType(CnfSignalGroup::Arrow);
    else if (text == QLatin1String("tram"))
        group.setType(CnfSignalGroup::Tram);
}

const QStringList& dayNames()
{
    static const QStringList names = {
        QStringLiteral("monday"), QStringLiteral("tuesday"),  QStringLiteral("wednesday"), QStringLiteral("thursday"),
        QStringLiteral("friday"), QStringLiteral("saturday"), QStringLiteral("sunday"),
    };
    return names;
}

QTime parseTime(const QString& text)
{
    const QTime time = QTime::fromString(text, QStringLiteral("h:m"));
    return time.isValid() ? time : QTime::fromString(text, QStringLiteral("h:m:s"));
}

QDate parseSpecialDate(const QString& text)
{
    const QDate date = QDate::fromString(text, QStringLiteral("dd.MM.yyyy"));
    return date.isValid() ? date : DayAndMonth::fromText(text, QStringLiteral("dd.MM"));
}

} // namespace

NorvakIIReader::NorvakIIReader(const QVariantMap& document, CnfController& controller)
    : m_root{document, QString()}
    , m_controller(controller)
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
        &NorvakIIReader::readSchedule,
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
    bool isId = false;
    const int groupId = group.text.toInt(&isId);
    if (group.byName)
        m_devicesByGroupName.insert(group.text, device);
    else if (isId)
        m_devicesByGroupId.insert(groupId, device);
}

bool NorvakIIReader::addPowerDevice(const QSharedPointer<CnfPowerDevice>& device)
{
    if (m_controller.addPowerDevice(device))
        return true;
    fail(m_controller.lastError());
    return false;
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
    const Object modules = toObject(m_root.values.value(QStringLiteral("modules")), QStringLiteral("modules"));
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
    bool isId = false;
    const int id = ref.text.toInt(&isId);
    if (ref.present && ref.byName)
        tables.channelByName.insert(ref.text, input);
    else if (ref.present && isId)
        tables.channelById.insert(id, input);
}

void NorvakIIReader::recordKeyCode(InputTables& tables, const Reference& ref, int keyCode)
{
    bool isId = false;
    const int id = ref.text.toInt(&isId);
    if (ref.present && ref.byName)
        tables.keyCodeByName.insert(ref.text, keyCode);
    else if (ref.present && isId)
        tables.keyCodeById.insert(id, keyCode);
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
    const QVariant value = m_root.values.value(where);
    // A list in this place holds nothing the reader knows.
    const Object groups = value.userType() == QMetaType::QVariantList ? Object{QVariantMap(), where}
                                                                       : toObject(value, where);
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
    auto group = QSharedPointer<CnfSignalGroup>::create();
    group->id = intOf(item, "id");
    group->name = textOf(item, "name");
    setGroupType(*group, textOf(item, "type"));
    if (failed())
        return;
    setProperties(group.data(), item, {"id", "name", "type"});
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
    const Array rows = arrayOf(entry, "matrix");
    // The full form wins; the sparse list is read only without one.
    if (!rows.values.isEmpty())
        readFullMatrix(*matrix, rows);
    else
        readSparseMatrix(*matrix, arrayOf(entry, "items"));
    if (!failed())
        m_controller.addMatrix(matrix, isDefault, isSafety);
}

void NorvakIIReader::readFullMatrix(CnfMatrix& matrix, const Array& rows)
{
    const int groupCount = m_groups.size();
    if (!failed() && rows.values.size() != groupCount)
        fail(tr("Matrix %1 (%2) has invalid row count %3 (SG count=%4)")
                 .arg(QString::number(matrix.id()), matrix.name(), QString::number(rows.values.size()),
                      QString::number(groupCount)));
    // Rows are the groups that lose green, columns those that get green.
    for (int row = 0; row < groupCount && !failed(); ++row) {
        const QVariantList cells = toArray(rows.values.at(row), at(rows.where, row)).values;
        if (!failed() && cells.size() != groupCount)
            fail(tr("Matrix %1 (%2) has invalid column count %3 in row %4 (SG count=%5)")
                     .arg(QString::number(matrix.id()), matrix.name(), QString::number(cells.size()),
                          QString::number(row), QString::number(groupCount)));
        for (int column = 0; column < groupCount && !failed(); ++column) {
            bool isTime = false;
            const double time = numberValue(cells.at(column), &isTime);
            if (isTime) // other entries stand for "no time"
                matrix.setReleaf(m_groups.at(column), m_groups.at(row), time);
        }
    }
}

void NorvakIIReader::readSparseMatrix(CnfMatrix& matrix, const Array& items)
{
    for (int index = 0; index < items.values.size() && !failed(); ++index) {
        const Object item = elementOf(items, index);
        for (const char* key : {"clearing", "entering", "time"}) {
            if (!failed() && isAbsent(item.values.value(QLatin1String(key))))
                fail(tr("Matrix %1 (%2) has item without %3 value")
                         .arg(QString::number(matrix.id()), matrix.name(), QLatin1String(key)));
        }
        const auto clearing = matrixItemGroup(matrix, item, "clearing");
        const auto entering = matrixItemGroup(matrix, item, "entering");
        const double time = numberOf(item, "time");
        if (!failed())
            matrix.setReleaf(entering, clearing, time);
    }
}

QSharedPointer<CnfSignalGroup> NorvakIIReader::matrixItemGroup(const CnfMatrix& matrix, const Object& item,
                                                               const char* key)
{
    const Reference ref = referenceOf(item, key);
    const auto group = findGroup(ref);
    if (!group && !failed())
        fail(tr("Item %3 value = %4 in matrix %1 (%2) is invalid signal group")
                 .arg(QString::number(matrix.id()), matrix.name(), QLatin1String(key), ref.text));
    return group;
}

// --- Stages -----------------------------------------------------------------

void NorvakIIReader::readStages()
{
    const Array entries = takeRootArray("stages");
    for (int index = 0; index < entries.values.size() && !failed(); ++index) {
        const Object entry = elementOf(entries, index);
        auto phase = QSharedPointer<CnfPhase>::create();
        phase->id = textOf(entry, "id");
        phase->name = textOf(entry, "name");
        const Array groups = arrayOf(entry, "groups");
        for (int g = 0; g < groups.values.size() && !failed(); ++g) {
            const Reference ref = toReference(groups.values.at(g), at(groups.where, g));
            const auto group = findGroup(ref);
            if (group)
                phase->signalGroups.append(group);
            else if (!failed())
                fail(tr("Stage %1 contains invalid signal group %2").arg(phase->id, ref.text));
        }
        if (!failed())
            m_controller.addPhase(phase);
    }
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
        const Object entry = elementOf(entries, index);
        auto detector = QSharedPointer<CnfDetector>::create();
        detector->setSensor(sensors);
        detector->setId(intOf(entry, "id"));
        detector->setName(textOf(entry, "name"));
        if (failed())
            return;
        setProperties(detector.data(), entry, {"id", "name"});
        assignInputs(*detector, sensors ? m_sensorInputs : m_detectorInputs);
        if (sensors)
            m_controller.addSensor(detector);
        else
            m_controller.addDetector(detector);
    }
}

// --- Plans ------------------------------------------------------------------

void NorvakIIReader::readPlans()
{
    const Array entries = takeRootArray("plans");
    QSharedPointer<CnfProgram> defaultProgram;
    for (int index = 0; index < entries.values.size() && !failed(); ++index) {
        const Object entry = elementOf(entries, index);
        if (failed())
            return;
        bool isDefault = false;
        const auto program = readPlan(entry, &isDefault);
        if (failed())
            return;
        m_controller.addProgram(program);
        if (isDefault)
            defaultProgram = program; // the last plan marked so wins
    }
    if (defaultProgram)
        m_controller.setDefaultProgram(defaultProgram);
}

QSharedPointer<CnfProgram> NorvakIIReader::readPlan(const Object& plan, bool* isDefault)
{
    auto program = QSharedPointer<CnfProgram>::create();
    *isDefault = boolOf(plan, "default");
    program->id = textOf(plan, "id");
    program->name = textOf(plan, "name");
    const Object algorithm = objectOf(plan, "algorithm");
    if (failed())
        return {};
    setProperties(program.data(), plan, {"default", "id", "name", "algorithm"});
    readAlgorithm(*program, algorithm);
    return program;
}

void NorvakIIReader::readAlgorithm(CnfProgram& program, const Object& algorithm)
{
    const QString type = textOf(algorithm, "type");
    if (failed())
        return;
    if (type == QLatin1String("Fixed"))
        readFixed(program, algorithm);
    else if (type == QLatin1String("Special"))
        readSpecial(program, algorithm);
    else if (type == QLatin1String("Timeline"))
        readTimelinePlan(program, algorithm);
    else if (type == QLatin1String("StageRing"))
        readStageRing(program, algorithm);
    else
        readOtherAlgorithm(program, algorithm);
}

void NorvakIIReader::readFixed(CnfProgram& program, const Object& algorithm)
{
    const bool coordinated = boolOf(algorithm, "coordinated");
    program.type = coordinated ? CnfProgram::Coord : CnfProgram::Timer;
    if (coordinated)
        program.setCycleOffset(intOf(algorithm, "offset"));
    const Array steps = arrayOf(algorithm, "sequence");
    for (int index = 0; index < steps.values.size() && !failed(); ++index) {
        const Object step = elementOf(steps, index);
        const QString phaseId = textOf(step, "stage");
        const int duration = intOf(step, "duration");
        if (failed())
            return;
        const auto phase = phaseId.isEmpty() ? nullptr : m_controller.findPhase(phaseId);
        if (!phase)
            fail(tr("In program %1 specified invalid phase with id=%2").arg(program.id, phaseId));
        else if (duration <= 0)
            fail(tr("In program %1 phase %2 has invalid length=%3")
                     .arg(program.id, phaseId, QString::number(duration)));
        else
            program.appendPhaseFl(phase, duration);
    }
    if (!failed())
        readProgramMatrix(program, algorithm);
}

void NorvakIIReader::readSpecial(CnfProgram& program, const Object& algorithm)
{
    const QString mode = textOf(algorithm, "mode");
    if (mode == QLatin1String("RA") || mode == QLatin1String("AB"))
        program.type = CnfProgram::YellowFlash;
    else if (mode == QLatin1String("OFF"))
        program.type = CnfProgram::Off;
}

void NorvakIIReader::readTimelinePlan(CnfProgram& program, const Object& algorithm)
{
    const bool coordinated = boolOf(algorithm, "coordinated");
    program.type = coordinated ? CnfProgram::TimelineCoord : CnfProgram::Timeline;
    program.cycleTime = intOf(algorithm, "cycle");
    if (coordinated)
        program.setCycleOffset(intOf(algorithm, "offset"));
    const Array sequences = arrayOf(algorithm, "sequences");
    QString error;
    if (!failed() && !TimelineCodec::decode(m_controller, program, sequences.values, sequences.where, &error))
        fail(error);
}

void NorvakIIReader::readStageRing(CnfProgram& program, const Object& algorithm)
{
    program.type = CnfProgram::StageRing;
    if (boolOf(algorithm, "coordinated")) {
        program.cycleTime = intOf(algorithm, "cycle");
        program.setCycleOffset(intOf(algorithm, "offset"));
        program.setProperty("coordinated", true);
    }
    const Array sequence = arrayOf(algorithm, "sequence");
    const Array phases = arrayOf(algorithm, "phases");
    QList<Object> entries;
    for (int index = 0; index < phases.values.size() && !failed(); ++index)
        entries.append(elementOf(phases, index));
    for (int step = 0; step < sequence.values.size() && !failed(); ++step)
        appendStageRingStep(program, sequence.values.at(step), entries);
    if (failed())
        return;
    program.setProperty("conditions", algorithm.values.value(QStringLiteral("conditions")));
    readProgramMatrix(program, algorithm);
}

void NorvakIIReader::appendStageRingStep(CnfProgram& program, const QVariant& step, const QList<Object>& entries)
{
    const auto entry = std::find_if(entries.cbegin(), entries.cend(), [&step](const Object& candidate) {
        return !isAbsent(step) && candidate.values.value(QStringLiteral("id")) == step;
    });
    if (entry == entries.cend()) {
        fail(tr("Phase definition on step %1 not described").arg(step.toString()));
        return;
    }
    const Reference stage = referenceOf(*entry, "stage");
    const int maxGreen = intOf(*entry, "maxGreen");
    if (failed())
        return;
    QSharedPointer<CnfPhase> phase;
    if (stage.present)
        phase = stage.byName ? m_controller.findPhaseByName(stage.text) : m_controller.findPhase(stage.text);
    if (!phase) {
        fail(tr("program %1 has invalid phase '%2'").arg(program.id, stage.text));
        return;
    }
    // A phase entry may serve several steps; each step gets its own copy.
    setProperties(program.appendPhase(phase, maxGreen).data(), *entry, {"stage"});
}

void NorvakIIReader::readOtherAlgorithm(CnfProgram& program, const Object& algorithm)
{
    // Algorithms the model does not interpret keep every key as a property.
    const QVariant type = algorithm.values.value(QStringLiteral("type"));
    program.type = CnfProgram::string2Type(type.toString());
    if (!isAbsent(type))
        program.setProperty("type", type.toString());
    setProperties(&program, algorithm, {"type"});
    if (program.type == CnfProgram::MultiRing || program.type == CnfProgram::Passive)
        readProgramMatrix(program, algorithm);
}

void NorvakIIReader::readProgramMatrix(CnfProgram& program, const Object& algorithm)
{
    const QVariant value = algorithm.values.value(QStringLiteral("matrix"));
    const QString name = value.toString();
    if (value.userType() == QMetaType::QString)
        program.matrix = name.isEmpty() ? nullptr : m_controller.findMatrixByName(name);
    else
        program.matrix = m_controller.findMatrix(intOf(algorithm, "matrix"));
    if (!program.matrix)
        program.usesDefaultMatrix = true; // a missing matrix is not an error
}

// --- Schedule ---------------------------------------------------------------

void NorvakIIReader::readSchedule()
{
    const Object schedule = takeRootObject("schedule");
    const Object defaults = objectOf(schedule, "default");
    readScheduleDefaults(defaults);
    readDayCards(arrayOf(schedule, "days"));
    readDefaultDayCard(defaults);
    readWeekCards(arrayOf(schedule, "weeks"));
    readSeasonPlans(arrayOf(schedule, "extraPeriods"));
    readSpecialDays(arrayOf(schedule, "extraDays"));
}

void NorvakIIReader::readScheduleDefaults(const Object& defaults)
{
    // Programs the defaults name but that do not exist are only logged.
    const Reference program = referenceOf(defaults, "program");
    const Reference reserve = referenceOf(defaults, "spareProgram");
    if (failed())
        return;
    if (program.present) {
        if (const auto found = findProgram(program))
            m_controller.setDefaultProgram(found);
        else
            qCWarning(lcCnfJson, "In default scheduler data program %s not found", qUtf8Printable(program.text));
    }
    if (reserve.present) {
        if (const auto found = findProgram(reserve))
            m_controller.setReserveProgram(found);
        else
            qCWarning(lcCnfJson, "In default scheduler data reserve program %s not found",
                      qUtf8Printable(reserve.text));
    }
}

void NorvakIIReader::readDefaultDayCard(const Object& defaults)
{
    // "dayPlan" is what the writer makes of the controller's default daily
    // card; reading it back keeps that card across a round trip.
    const Reference card = referenceOf(defaults, "dayPlan");
    if (failed() || !card.present)
        return;
    if (const auto found = findDayCard(card))
        m_controller.setDefaultDayCard(found);
    else
        qCWarning(lcCnfJson, "In default scheduler data daily card %s not found", qUtf8Printable(card.text));
}

void NorvakIIReader::readDayCards(const Array& entries)
{
    for (int index = 0; index < entries.values.size() && !failed(); ++index) {
        const Object entry = elementOf(entries, index);
        auto card = QSharedPointer<CnfDayCard>::create();
        card->id = textOf(entry, "id");
        card->name = textOf(entry, "name");
        const Array records = arrayOf(entry, "plans");
        for (int record = 0; record < records.values.size() && !failed(); ++record)
            readDayCardRecord(*card, elementOf(records, record));
        if (!failed())
            m_controller.addDayCard(card);
    }
}

void NorvakIIReader::readDayCardRecord(CnfDayCard& card, const Object& record)
{
    const Reference plan = referenceOf(record, "plan");
    const Reference spare = referenceOf(record, "sparePlan");
    const QString timeText = textOf(record, "time");
    if (failed())
        return;
    const auto program = findProgram(plan);
    const QTime time = parseTime(timeText);
    if (!program)
        fail(tr("In daily card %1 specified invalid plan %2").arg(card.id, plan.text));
    else if (!time.isValid())
        fail(tr("In daily card %1 specified invalid time %2").arg(card.id, timeText));
    else
        card.addRecord(time, program, findProgram(spare)); // a spare plan may be missing
}

void NorvakIIReader::readWeekCards(const Array& entries)
{
    for (int index = 0; index < entries.values.size() && !failed(); ++index) {
        const Object entry = elementOf(entries, index);
        auto card = QSharedPointer<CnfWeekCard>::create();
        card->id = textOf(entry, "id");
        card->name = textOf(entry, "name");
        const QVariant days = entry.values.value(QStringLiteral("days"));
        const QString daysWhere = at(entry.where, QStringLiteral("days"));
        if (days.userType() == QMetaType::QVariantList) {
            // Monday first; days past the seventh are ignored.
            const QVariantList list = days.toList();
            for (int day = 0; day < qMin(int(list.size()), kDaysPerWeek) && !failed(); ++day)
                setWeekDay(*card, day, list.at(day), at(daysWhere, day));
        } else {
            const QVariantMap byName = toObject(days, daysWhere).values;
            for (auto it = byName.cbegin(); it != byName.cend() && !failed(); ++it) {
                const int day = dayNames().indexOf(it.key());
                if (day < 0)
                    fail(tr("In weekly card %1 specified invalid day name %2").arg(card->id, it.key()));
                else
                    setWeekDay(*card, day, it.value(), at(daysWhere, it.key()));
            }
        }
        if (!failed())
            m_controller.addWeekCard(card);
    }
}

void NorvakIIReader::setWeekDay(CnfWeekCard& card, int day, const QVariant& value, const QString& where)
{
    const Reference ref = toReference(value, where);
    const auto dayCard = findDayCard(ref);
    if (dayCard)
        card.days.insert(Qt::DayOfWeek(day + 1), dayCard);
    else if (!failed())
        fail(tr("In weekly card %1 for day %2 specified invalid daily card %3")
                 .arg(card.id, dayNames().at(day), ref.text));
}

void NorvakIIReader::readSeasonPlans(const Array& entries)
{
    for (int index = 0; index < entries.values.size() && !failed(); ++index) {
        const Object entry = elementOf(entries, index);
        auto plan = QSharedPointer<CnfSeasonPlan>::create();
        plan->id = textOf(entry, "id");
        plan->name = textOf(entry, "name");
        const QString from = textOf(entry, "from");
        const QString to = textOf(entry, "to");
        const Reference week = referenceOf(entry, "week");
        if (failed())
            return;
        plan->from = DayAndMonth::fromText(from, QStringLiteral("dd.MM"));
        plan->to = DayAndMonth::fromText(to, QStringLiteral("dd.MM"));
        plan->weekCard = findWeekCard(week);
        if (!plan->from.isValid() || !plan->to.isValid())
            fail(tr("Season plan has invalid date period (%1 - %2)").arg(from, to));
        else if (!plan->weekCard)
            fail(tr("Season plan has invalid weekly card %1").arg(week.text));
        else
            m_controller.addSeasonPlan(plan);
    }
}

void NorvakIIReader::readSpecialDays(const Array& entries)
{
    for (int index = 0; index < entries.values.size() && !failed(); ++index) {
        const Object entry = elementOf(entries, index);
        auto day = QSharedPointer<CnfSpecialDay>::create();
        day->id = textOf(entry, "id");
        day->name = textOf(entry, "name");
        const QString dateText = textOf(entry, "date");
        const Reference card = referenceOf(entry, "day");
        if (failed())
            return;
        const QDate date = parseSpecialDate(dateText);
        day->dayCard = findDayCard(card);
        if (!date.isValid())
            fail(tr("Special day %1 has invalid date format %1").arg(dateText));
        else if (!day->dayCard)
            fail(tr("Special day %1 has invalid daily card %2").arg(day->id.isEmpty() ? dateText : day->id, card.text));
        else
            m_controller.addSpecialDay(date, day);
    }
}

// --- Controller -------------------------------------------------------------

void NorvakIIReader::setControllerProperties()
{
    m_unconsumedKeys.removeOne(QStringLiteral("id"));
    m_unconsumedKeys.removeOne(QStringLiteral("description"));
    m_controller.setProperty("type", QStringLiteral("norvakii"));
    m_controller.setProperty("number", m_root.values.value(QStringLiteral("id")));
    m_controller.setProperty("description", m_root.values.value(QStringLiteral("description")));
}

void NorvakIIReader::storeNativeData()
{
    for (const QString& key : qAsConst(m_unconsumedKeys))
        m_controller.setNativeData(key, m_root.values.value(key));
}

// --- Helpers of the sections ------------------------------------------------

NorvakIIReader::Object NorvakIIReader::takeRootObject(const char* key)
{
    m_unconsumedKeys.removeOne(QLatin1String(key));
    return objectOf(m_root, key);
}

NorvakIIReader::Array NorvakIIReader::takeRootArray(const char* key)
{
    m_unconsumedKeys.removeOne(QLatin1String(key));
    return arrayOf(m_root, key);
}

// The module tree is read where it names devices and inputs, and kept whole.
NorvakIIReader::Object NorvakIIReader::busDevices()
{
    return objectOf(objectOf(objectOf(m_root, "modules"), "SystemBus"), "devices");
}

// An empty name refers to nothing: it must not pick an unnamed element.
QSharedPointer<CnfSignalGroup> NorvakIIReader::findGroup(const Reference& ref) const
{
    if (!ref.present)
        return {};
    if (ref.byName)
        return m_controller.findSGByName(ref.text);
    bool isId = false;
    const int id = ref.text.toInt(&isId);
    return isId ? m_controller.findSG(id) : nullptr;
}

QSharedPointer<CnfProgram> NorvakIIReader::findProgram(const Reference& ref) const
{
    if (!ref.present)
        return {};
    return ref.byName ? m_controller.findProgramByName(ref.text) : m_controller.findProgram(ref.text);
}

QSharedPointer<CnfDayCard> NorvakIIReader::findDayCard(const Reference& ref) const
{
    if (!ref.present)
        return {};
    return ref.byName ? m_controller.findDayCardByName(ref.text) : m_controller.findDayCard(ref.text);
}

QSharedPointer<CnfWeekCard> NorvakIIReader::findWeekCard(const Reference& ref) const
{
    if (!ref.present)
        return {};
    return ref.byName ? m_controller.findWeekCardByName(ref.text) : m_controller.findWeekCard(ref.text);
}

void NorvakIIReader::setProperties(QObject* object, const Object& source, std::initializer_list<const char*> consumed)
{
    for (auto it = source.values.cbegin(); it != source.values.cend(); ++it) {
        const QByteArray name = it.key().toUtf8();
        const bool isConsumed = std::any_of(consumed.begin(), consumed.end(),
                                            [&name](const char* key) { return name == key; });
        if (!isConsumed)
            object->setProperty(name.constData(), it.value());
    }
}
