#include "ProjectReader.h"

#include "CnfController.h"
#include "CnfControllerInternal.h"
#include "CnfDetector.h"
#include "CnfFormatRegistry.h"
#include "CnfInterstate.h"
#include "CnfMatrix.h"
#include "CnfPhase.h"
#include "CnfPowerDevice.h"
#include "CnfProgram.h"
#include "CnfSchedule.h"
#include "CnfSignalGroup.h"
#include "CnfTransition.h"
#include "DayAndMonth.h"
#include "VObject.h"
#include "NativeValueCodec.h"
#include "ProgramElementReader.h"
#include "ProjectXml.h"

namespace {

int intAttribute(const ProjectXmlElement& element, QStringView name)
{
    return element.attribute(name).toInt();
}

// Attributes of a detector element that are the detector's own data.
bool isDetectorModelAttribute(const QString& name)
{
    return name == QLatin1String("id") || name == QLatin1String("name");
}

// A "dd.MM" date; null when the text is no such date.
QDate dayAndMonth(const QString& text)
{
    return DayAndMonth::fromText(text, QStringLiteral("dd.MM"));
}

// "hh:mm". Two plain two-digit numbers are taken directly: the general
// parser looks the time zone up on every call.
QTime timeOfDay(const QString& text)
{
    const auto digit = [&text](int i) { return text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9'); };
    if (text.size() == 5 && text.at(2) == QLatin1Char(':') && digit(0) && digit(1) && digit(3) && digit(4)) {
        const int hour = text.at(0).digitValue() * 10 + text.at(1).digitValue();
        const int minute = text.at(3).digitValue() * 10 + text.at(4).digitValue();
        if (hour < 24 && minute < 60)
            return QTime(hour, minute);
    }
    return QTime::fromString(text, QStringLiteral("hh:mm"));
}

} // namespace

ProjectReader::ProjectReader(CnfController& controller, bool strict)
    : m_controller(controller)
    , m_strict(strict)
{
}

bool ProjectReader::fail(const QString& message)
{
    m_error = message;
    return false;
}

QString ProjectReader::errorString() const
{
    return m_error;
}

// The root's children by tag, in document order, so that each kind of
// element is found without walking all the others again.
void ProjectReader::sortRootChildren(const ProjectXmlElement& root)
{
    m_rootChildren.clear();
    for (ProjectXmlElement e = root.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        m_rootChildren[e.tagName()].append(e);
}

const QVector<ProjectXmlElement>& ProjectReader::rootChildren(const QString& tag) const
{
    static const QVector<ProjectXmlElement> none;
    const auto it = m_rootChildren.constFind(tag);
    return it == m_rootChildren.cend() ? none : *it;
}

ProjectXmlElement ProjectReader::firstRootChild(const QString& tag) const
{
    const QVector<ProjectXmlElement>& elements = rootChildren(tag);
    return elements.isEmpty() ? ProjectXmlElement() : elements.first();
}

bool ProjectReader::read(const ProjectXmlElement& root)
{
    sortRootChildren(root);
    readRootAttributes(root);
    readNativeData();
    if (!readPowerDevices())
        return false;
    readInterstate();
    readDetectors();
    if (!readSignalGroups() || !readPhases())
        return false;
    readMatrices();
    if (!readPrograms() || !readDayCards() || !readWeekCards() || !readSpecialDays()
        || !readSeasonPlans() || !readDefaults()) {
        return false;
    }
    if (!m_strict)
        m_controller.createTransitionsFromPrograms();
    return true;
}

void ProjectReader::readRootAttributes(const ProjectXmlElement& root)
{
    for (int i = 0; i < root.attributeCount(); ++i)
        m_controller.setProperty(root.attributeName(i).toLocal8Bit().constData(), root.attributeValue(i));
}

void ProjectReader::readNativeData()
{
    const ProjectXmlElement element = firstRootChild(QStringLiteral("NativeData"));
    if (element.isNull())
        return;
    VObject nativeData = m_controller.nativeData();
    const auto values = NativeValueCodec::decodeNamedValues(element);
    for (const auto& value : values)
        nativeData[value.first] = value.second;
}

bool ProjectReader::readPowerDevices()
{
    for (const ProjectXmlElement& element : rootChildren(QStringLiteral("PwrDev"))) {
        const int id = element.text().toInt();
        if (m_controller.findPowerDevice(id))
            continue;
        QSharedPointer<CnfPowerDevice> device(new CnfPowerDevice);
        device->id = id;
        device->name = element.attribute(QStringLiteral("name"));
        device->type = CnfPowerDevice::string2Type(element.attribute(QStringLiteral("type")));
        device->address = intAttribute(element, QStringLiteral("address"));
        if (m_controller.findPowerDeviceByAddress(device->address))
            return fail(QObject::tr("Обнаружено несколько устройств с адресом %1").arg(device->address));
        device->color = intAttribute(element, QStringLiteral("color"));
        device->lampCount = intAttribute(element, QStringLiteral("lamp_count"));
        device->controlledLamps = qMin(intAttribute(element, QStringLiteral("contolled_lamps")), device->lampCount);
        if (!m_controller.addPowerDevice(device))
            return false;
    }
    return true;
}

void ProjectReader::readInterstate()
{
    const ProjectXmlElement element = firstRootChild(QStringLiteral("Interstate"));
    QSharedPointer<CnfInterstate> interstate;
    if (!element.isNull()) {
        interstate.reset(new CnfInterstate);
        interstate->greenBlink = intAttribute(element, QStringLiteral("green_blink"));
        interstate->yellow = intAttribute(element, QStringLiteral("yellow"));
        interstate->redYellow = intAttribute(element, QStringLiteral("red_yellow"));
    }
    m_controller.setInterstate(interstate);
}

void ProjectReader::readDetectors()
{
    for (const ProjectXmlElement& element : rootChildren(QStringLiteral("Detector")))
        m_controller.addDetector(readDetector(element));
    for (const ProjectXmlElement& element : rootChildren(QStringLiteral("Sensor"))) {
        const auto sensor = readDetector(element);
        sensor->setSensor(true);
        m_controller.addSensor(sensor);
    }
}

QSharedPointer<CnfDetector> ProjectReader::readDetector(const ProjectXmlElement& element)
{
    QSharedPointer<CnfDetector> detector(new CnfDetector);
    detector->setId(intAttribute(element, QStringLiteral("id")));
    const QString name = element.attribute(QStringLiteral("name"));
    if (!name.isEmpty())
        detector->setName(name);
    for (int i = 0; i < element.attributeCount(); ++i) {
        const QString name = element.attributeName(i);
        if (!isDetectorModelAttribute(name))
            detector->setProperty(name.toLocal8Bit().constData(), element.attributeValue(i));
    }
    return detector;
}

bool ProjectReader::readSignalGroups()
{
    for (const ProjectXmlElement& element : rootChildren(QStringLiteral("SG"))) {
        if (m_controller.findSG(element.text().toInt()))
            continue;
        const auto group = readSignalGroup(element);
        if (!group)
            return false;
        m_controller.addSignalGroup(group);
    }
    return true;
}

QSharedPointer<CnfSignalGroup> ProjectReader::readSignalGroup(const ProjectXmlElement& element)
{
    QSharedPointer<CnfSignalGroup> group(new CnfSignalGroup);
    group->id = element.text().toInt();
    group->name = element.attribute(QStringLiteral("name"));
    group->setType(CnfSignalGroup::string2Type(element.attribute(QStringLiteral("type"))));
    if (!readGroupDevices(group, element) || !readGroupTimes(group, element))
        return {};
    const QString detectors = element.attribute(QStringLiteral("detectors"));
    if (!detectors.isEmpty()) {
        const QStringList ids = detectors.split(QLatin1Char(','));
        for (const QString& id : ids)
            group->detectors.append(id.toInt());
    }
    const ProjectXmlElement nativeData = element.firstChildElement(QStringLiteral("NativeData"));
    if (!nativeData.isNull()) {
        const auto values = NativeValueCodec::decodeNamedValues(nativeData);
        for (const auto& value : values)
            group->setProperty(value.first.toLocal8Bit().constData(), value.second);
    }
    return group;
}

bool ProjectReader::readGroupDevices(const QSharedPointer<CnfSignalGroup>& group, const ProjectXmlElement& element)
{
    const QStringList ids = element.attribute(QStringLiteral("devices")).split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString& id : ids) {
        const auto device = m_controller.findPowerDevice(id.toInt());
        if (!device) {
            return fail(QObject::tr("В сигнальной группе %1 ссылка на несуществующее устройство %2")
                            .arg(group->id)
                            .arg(id.toInt()));
        }
        group->assignDevice(device);
    }
    return true;
}

bool ProjectReader::readGroupTimes(const QSharedPointer<CnfSignalGroup>& group, const ProjectXmlElement& element)
{
    for (const ProjectXmlElement& times : ProjectXml::children(element, QStringLiteral("NorvakIS"))) {
        const int variant = times.text().toInt();
        if (variant <= 0) {
            return fail(QObject::tr("В сигнальной группе %1 указан неправильный вариант промтакта %2")
                            .arg(group->id)
                            .arg(variant));
        }
        // The controller keeps these timings in single bytes.
        auto byteAttribute = [&times](QStringView name) { return quint8(intAttribute(times, name)); };
        CnfSGTimes entry;
        entry.greenAdd1 = byteAttribute(u"greenAdd1");
        entry.greenAdd2 = byteAttribute(u"greenAdd2");
        entry.greenBlink = byteAttribute(u"greenBlink");
        entry.redAdd = byteAttribute(u"redAdd");
        entry.yellow = byteAttribute(u"yellow");
        entry.yellowRed = byteAttribute(u"yellowRed");
        group->variantTimes.insert(variant, entry);
    }
    return true;
}

bool ProjectReader::readPhases()
{
    for (const ProjectXmlElement& element : rootChildren(QStringLiteral("Phase"))) {
        if (!readPhase(element))
            return false;
    }
    return true;
}

bool ProjectReader::readPhase(const ProjectXmlElement& element)
{
    const QString id = element.text();
    if (m_controller.findPhase(id))
        return fail(QObject::tr("Обнаружено несколько фаз с идентификатором %1").arg(id));
    QSharedPointer<CnfPhase> phase(new CnfPhase);
    phase->id = id;
    phase->name = element.attribute(QStringLiteral("name"));
    phase->minLength = intAttribute(element, QStringLiteral("min"));
    phase->maxLength = intAttribute(element, QStringLiteral("max"));
    m_controller.addPhase(phase);
    const QStringList groupIds = element.attribute(QStringLiteral("sg")).split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString& groupId : groupIds) {
        const auto group = m_controller.findSG(groupId.toInt());
        if (!group) {
            return fail(QObject::tr("В фазе %1 указана несуществующая сигнальная группа %2")
                            .arg(id)
                            .arg(groupId.toInt()));
        }
        phase->signalGroups.append(group);
    }
    readTransitions(element, phase->transitions);
    return true;
}

void ProjectReader::readTransitions(const ProjectXmlElement& phaseElement, QList<QSharedPointer<CnfTransition>>& transitions)
{
    for (const ProjectXmlElement& element : ProjectXml::children(phaseElement, QStringLiteral("Transition"))) {
        QSharedPointer<CnfTransition> transition(new CnfTransition);
        transition->from = element.attribute(QStringLiteral("from"));
        for (const ProjectXmlElement& clearing : ProjectXml::children(element, QStringLiteral("clearing"))) {
            const int group = intAttribute(clearing, QStringLiteral("group"));
            const int time = intAttribute(clearing, QStringLiteral("time"));
            const int addRed = intAttribute(clearing, QStringLiteral("add_red"));
            if (time > 0)
                transition->clearing.insert(group, time);
            if (addRed > 0)
                transition->addRed.insert(group, addRed);
        }
        for (const ProjectXmlElement& entering : ProjectXml::children(element, QStringLiteral("entering")))
            transition->entering.insert(intAttribute(entering, QStringLiteral("group")),
                                        intAttribute(entering, QStringLiteral("time")));
        transitions.append(transition);
    }
}

void ProjectReader::readMatrices()
{
    const ProjectXmlElement conflict = firstRootChild(QStringLiteral("ConflictMatrix"));
    m_controller.setConflictMatrix(conflict.isNull() ? QSharedPointer<CnfMatrix>(new CnfMatrix) : readMatrix(conflict));
    for (const ProjectXmlElement& element : rootChildren(QStringLiteral("Matrix"))) {
        const bool asDefault = element.attribute(QStringLiteral("default")) == QLatin1String("true");
        const bool asSafety = element.attribute(QStringLiteral("safety")) == QLatin1String("true");
        m_controller.addMatrix(readMatrix(element), asDefault, asSafety);
    }
}

QSharedPointer<CnfMatrix> ProjectReader::readMatrix(const ProjectXmlElement& element)
{
    QSharedPointer<CnfMatrix> matrix(new CnfMatrix);
    for (const ProjectXmlElement& cell : ProjectXml::children(element, QStringLiteral("CP"))) {
        const auto on = m_controller.findSG(intAttribute(cell, QStringLiteral("on_sg")));
        const auto off = m_controller.findSG(intAttribute(cell, QStringLiteral("off_sg")));
        // A cell of an unknown group has nothing to refer to.
        if (on && off)
            matrix->setReleaf(on, off, cell.text().toDouble());
    }
    matrix->setId(intAttribute(element, QStringLiteral("id")));
    matrix->setName(element.attribute(QStringLiteral("name")));
    return matrix;
}

bool ProjectReader::readPrograms()
{
    const bool adapter = CnfFormatRegistry::ofController(m_controller).recordLayout() == CnfFormat::AdapterLayout;
    ProgramElementReader reader(m_controller, m_strict, adapter);
    for (const ProjectXmlElement& element : rootChildren(QStringLiteral("Program"))) {
        const auto program = reader.read(element);
        if (!program)
            return fail(reader.errorString());
        cnfAppendProgramAsRead(m_controller, program);
    }
    return true;
}

bool ProjectReader::readDayCards()
{
    for (const ProjectXmlElement& element : rootChildren(QStringLiteral("DayCard"))) {
        const QString id = element.attribute(QStringLiteral("id"));
        if (m_controller.findDayCard(id))
            return fail(QObject::tr("Обнаружено несколько суточных карт с идентификатором %1").arg(id));
        QSharedPointer<CnfDayCard> card(new CnfDayCard);
        card->id = id;
        card->name = element.attribute(QStringLiteral("name"));
        for (const ProjectXmlElement& entry : ProjectXml::children(element, QStringLiteral("Time"))) {
            const QString timeText = entry.text();
            const QTime time = timeOfDay(timeText);
            if (!time.isValid())
                return fail(QObject::tr("В суточной карте %1 указано неправильное время %2").arg(id, timeText));
            const QString programId = entry.attribute(QStringLiteral("program"));
            const auto program = m_controller.findProgram(programId);
            if (!program) {
                return fail(QObject::tr("В суточной карте %1 для времени %2 указана несуществующая программа %3")
                                .arg(id, timeText, programId));
            }
            QSharedPointer<CnfProgram> reserve;
            if (entry.hasAttribute(QStringLiteral("reserve_program")))
                reserve = m_controller.findProgram(entry.attribute(QStringLiteral("reserve_program")));
            card->addRecord(time, program, reserve);
        }
        m_controller.addDayCard(card);
    }
    return true;
}

bool ProjectReader::readWeekCards()
{
    for (const ProjectXmlElement& element : rootChildren(QStringLiteral("WeekCard"))) {
        const QString id = element.attribute(QStringLiteral("id"));
        if (m_controller.findWeekCard(id))
            return fail(QObject::tr("Обнаружено несколько недельных карт с идентификатором %1").arg(id));
        QSharedPointer<CnfWeekCard> card(new CnfWeekCard);
        card->id = id;
        card->name = element.attribute(QStringLiteral("name"));
        for (const ProjectXmlElement& entry : ProjectXml::children(element, QStringLiteral("DayOfWeek"))) {
            const QString dayText = entry.text();
            bool ok = false;
            const int day = dayText.toInt(&ok);
            if (!ok || day < Qt::Monday || day > Qt::Sunday)
                return fail(QObject::tr("В недельной карте %1 задан неверный день недели %2").arg(id, dayText));
            const QString cardId = entry.attribute(QStringLiteral("daycard"));
            const auto dayCard = m_controller.findDayCard(cardId);
            if (!dayCard) {
                return fail(QObject::tr("В недельной карте %1 для дня %2 указана несуществующая суточная карта %3")
                                .arg(id)
                                .arg(day)
                                .arg(cardId));
            }
            card->days.insert(Qt::DayOfWeek(day), dayCard);
        }
        m_controller.addWeekCard(card);
    }
    return true;
}

bool ProjectReader::readSpecialDays()
{
    int unnamed = 0;
    for (const ProjectXmlElement& element : rootChildren(QStringLiteral("SpecialDay"))) {
        const QString dateText = element.text();
        const QDate date = dayAndMonth(dateText);
        if (!date.isValid())
            return fail(QObject::tr("В особых днях указана несуществующая дата %1").arg(dateText));
        const QString cardId = element.attribute(QStringLiteral("day_card"));
        const auto dayCard = m_controller.findDayCard(cardId);
        if (!dayCard) {
            return fail(QObject::tr("В особых днях для даты %1 указана несуществующая суточная карта %2")
                            .arg(dateText, cardId));
        }
        QSharedPointer<CnfSpecialDay> day(new CnfSpecialDay);
        day->dayCard = dayCard;
        day->id = element.attribute(QStringLiteral("id"));
        if (day->id.isEmpty())
            day->id = QString::number(++unnamed);
        day->name = element.attribute(QStringLiteral("name"));
        m_controller.addSpecialDay(date, day);
    }
    return true;
}

bool ProjectReader::readSeasonPlans()
{
    int unnamed = 0;
    for (const ProjectXmlElement& element : rootChildren(QStringLiteral("SeasonPlan"))) {
        const QString fromText = element.attribute(QStringLiteral("from"));
        const QString toText = element.attribute(QStringLiteral("to"));
        const QDate from = dayAndMonth(fromText);
        if (!from.isValid())
            return fail(QObject::tr("Season plan has invalid from date format %1").arg(fromText));
        QDate to;
        if (!toText.isEmpty()) {
            to = dayAndMonth(toText);
            if (!to.isValid())
                return fail(QObject::tr("Season plan has invalid to date format %1").arg(toText));
        }
        const QString cardId = element.text();
        const auto weekCard = m_controller.findWeekCard(cardId);
        if (!weekCard) {
            return fail(QObject::tr("In season plan for period from %1 to %2 specifyed invalid weekly card %3")
                            .arg(fromText, toText, cardId));
        }
        QSharedPointer<CnfSeasonPlan> plan(new CnfSeasonPlan);
        plan->from = from;
        plan->to = to;
        plan->weekCard = weekCard;
        plan->id = element.attribute(QStringLiteral("id"));
        if (plan->id.isEmpty())
            plan->id = QString::number(++unnamed);
        plan->name = element.attribute(QStringLiteral("name"));
        m_controller.addSeasonPlan(plan);
    }
    return true;
}

bool ProjectReader::readDefaults()
{
    const ProjectXmlElement defaults = firstRootChild(QStringLiteral("Defaults"));
    if (defaults.isNull())
        return true;
    // Ids that name nothing are left unset.
    if (defaults.hasAttribute(QStringLiteral("program"))) {
        if (const auto program = m_controller.findProgram(defaults.attribute(QStringLiteral("program"))))
            m_controller.setDefaultProgram(program);
    }
    if (defaults.hasAttribute(QStringLiteral("reserve_program"))) {
        if (const auto program = m_controller.findProgram(defaults.attribute(QStringLiteral("reserve_program"))))
            m_controller.setReserveProgram(program);
    }
    if (defaults.hasAttribute(QStringLiteral("day_card"))) {
        if (const auto card = m_controller.findDayCard(defaults.attribute(QStringLiteral("day_card"))))
            m_controller.setDefaultDayCard(card);
    }
    return readDefaultSignalGroup(defaults);
}

bool ProjectReader::readDefaultSignalGroup(const ProjectXmlElement& defaults)
{
    const ProjectXmlElement element = defaults.firstChildElement(QStringLiteral("SG"));
    if (element.isNull())
        return true;
    QSharedPointer<CnfSignalGroup> group;
    if (element.attribute(QStringLiteral("listed")) == QLatin1String("true"))
        group = m_controller.findSG(element.text().toInt());
    if (!group)
        group = readSignalGroup(element);
    if (!group)
        return false;
    m_controller.setDefaulSignalGroup(group);
    return true;
}
