#include "JsonModelReader.h"

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
#include "JsonDialect.h"
#include "TimelineCodec.h"

namespace {

const int kDaysPerWeek = 7;

void setGroupType(CnfSignalGroup& group, const QString& text, bool alwaysOn)
{
    if (text == QLatin1String("traffic"))
        group.setType(CnfSignalGroup::Transport);
    else if (text == QLatin1String("pedestrian"))
        group.setType(CnfSignalGroup::Pedestrian);
    else if (text == QLatin1String("arrow"))
        group.setType(CnfSignalGroup::Arrow);
    else if (text == QLatin1String("tram"))
        group.setType(CnfSignalGroup::Tram);
    else if (alwaysOn && text == QLatin1String("always_ON"))
        group.setType(CnfSignalGroup::AlwaysOn);
}

const QStringList& dayNames()
{
    static const QStringList names = {
        QStringLiteral("monday"), QStringLiteral("tuesday"),  QStringLiteral("wednesday"), QStringLiteral("thursday"),
        QStringLiteral("friday"), QStringLiteral("saturday"), QStringLiteral("sunday"),
    };
    return names;
}

// The number written in ASCII digits between `from` and `to`.
bool readDigits(const QString& text, int from, int to, int* value)
{
    *value = 0;
    for (int i = from; i < to; ++i) {
        const ushort c = text.at(i).unicode();
        if (c < '0' || c > '9')
            return false;
        *value = *value * 10 + (c - '0');
    }
    return true;
}

// A field of a time: one or two digits.
bool readTimeField(const QString& text, int from, int to, int* value)
{
    return to - from >= 1 && to - from <= 2 && readDigits(text, from, to, value);
}

// A time written "h:m" or "h:m:s". The plain forms of one or two digits a
// field are read here, and an empty text is no time: Qt's parser looks the
// time zone up on every call, which costs more than the rest of a daily
// card. Anything else goes to it.
QTime parseTime(const QString& text)
{
    if (text.isEmpty())
        return QTime();
    const int firstColon = text.indexOf(QLatin1Char(':'));
    const int secondColon = firstColon < 0 ? -1 : text.indexOf(QLatin1Char(':'), firstColon + 1);
    int hour = 0;
    int minute = 0;
    int second = 0;
    const bool plain = firstColon >= 0 && readTimeField(text, 0, firstColon, &hour)
        && readTimeField(text, firstColon + 1, secondColon < 0 ? text.size() : secondColon, &minute)
        && (secondColon < 0 || readTimeField(text, secondColon + 1, text.size(), &second));
    if (plain && hour < 24 && minute < 60 && second < 60)
        return QTime(hour, minute, second);
    const QTime time = QTime::fromString(text, QStringLiteral("h:m"));
    return time.isValid() ? time : QTime::fromString(text, QStringLiteral("h:m:s"));
}

// A day of the year written "dd.MM", in the year Qt's parser gives it, or
// in a leap year for 29 February. The plain form is read here, for the
// same reason as times are.
QDate parseDayOfYear(const QString& text)
{
    const int parserYear = 1900;
    int day = 0;
    int month = 0;
    if (text.size() == 5 && text.at(2) == QLatin1Char('.') && readDigits(text, 0, 2, &day)
        && readDigits(text, 3, 5, &month)) {
        const QDate plain = DayAndMonth::fromNumbers(parserYear, month, day);
        if (plain.isValid())
            return plain;
    }
    return DayAndMonth::fromText(text, QStringLiteral("dd.MM"));
}

// A date written "dd.MM.yyyy", else a day of the year "dd.MM". The plain
// full form is read here, for the same reason as times are.
QDate parseSpecialDate(const QString& text)
{
    int day = 0;
    int month = 0;
    int year = 0;
    if (text.size() == 10 && text.at(2) == QLatin1Char('.') && text.at(5) == QLatin1Char('.')
        && readDigits(text, 0, 2, &day) && readDigits(text, 3, 5, &month) && readDigits(text, 6, 10, &year)) {
        const QDate plain(year, month, day);
        if (plain.isValid())
            return plain;
    }
    const QDate date = QDate::fromString(text, QStringLiteral("dd.MM.yyyy"));
    return date.isValid() ? date : parseDayOfYear(text);
}

} // namespace

JsonModelReader::JsonModelReader(const Members& document, CnfController& controller, const JsonDialect& dialect)
    : m_root{document, QString()}
    , m_controller(controller)
    , m_dialect(dialect)
    , m_unconsumedKeys(document.keys())
{
}

// --- Signal groups ----------------------------------------------------------

QSharedPointer<CnfSignalGroup> JsonModelReader::readGroupItem(const Object& item)
{
    auto group = QSharedPointer<CnfSignalGroup>::create();
    group->id = intOf(item, "id");
    group->name = textOf(item, "name");
    setGroupType(*group, textOf(item, "type"), m_dialect.alwaysOnGroups);
    if (failed())
        return {};
    setProperties(group.data(), item, {"id", "name", "type"});
    return group;
}

// --- Matrices ---------------------------------------------------------------

// The full form wins; the sparse list is read only without one.
void JsonModelReader::readMatrixContent(CnfMatrix& matrix, const Object& entry)
{
    const Array rows = arrayOf(entry, "matrix");
    if (!rows.values.isEmpty())
        readFullMatrix(matrix, rows);
    else
        readSparseMatrix(matrix, arrayOf(entry, "items"));
}

void JsonModelReader::readFullMatrix(CnfMatrix& matrix, const Array& rows)
{
    const int groupCount = m_groups.size();
    if (!failed() && rows.values.size() != groupCount)
        fail(tr("Matrix %1 (%2) has invalid row count %3 (SG count=%4)")
                 .arg(QString::number(matrix.id()), matrix.name(), QString::number(rows.values.size()),
                      QString::number(groupCount)));
    // Rows are the groups that lose green, columns those that get green.
    for (int row = 0; row < groupCount && !failed(); ++row) {
        const Elements cells = toArray(rows.values.element(row), at(rows.where, row)).values;
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

void JsonModelReader::readSparseMatrix(CnfMatrix& matrix, const Array& items)
{
    takeGroupIds();
    for (int index = 0; index < items.values.size() && !failed(); ++index) {
        if (readPlainCell(matrix, items.values.element(index)))
            continue;
        const Object item = elementOf(items, index);
        // Each member is taken once: a matrix has ten cells a group.
        static const char* const keys[] = {"clearing", "entering", "time"};
        Value members[3];
        for (int k = 0; k < 3; ++k) {
            members[k] = item.values.member(QLatin1String(keys[k]));
            if (!failed() && members[k].isAbsent())
                fail(tr("Matrix %1 (%2) has item without %3 value")
                         .arg(QString::number(matrix.id()), matrix.name(), QLatin1String(keys[k])));
        }
        const auto clearing = matrixItemGroup(matrix, item, keys[0], members[0]);
        const auto entering = matrixItemGroup(matrix, item, keys[1], members[1]);
        const double time = numberOf(item, keys[2], members[2]);
        if (!failed())
            matrix.setReleaf(entering.data(), clearing.data(), time);
    }
}

// A cell as the writers write it (groups by ids the controller has, a
// number of seconds) is read without naming its place in the document,
// which only an error needs; anything else is left to the full reading.
bool JsonModelReader::readPlainCell(CnfMatrix& matrix, const Value& element)
{
    if (!element.isObject())
        return false;
    const Members item = toObject(element, QString()).values;
    int clearingId = 0;
    int enteringId = 0;
    double time = 0;
    if (!item.member(QLatin1String("clearing")).isParsedInt(&clearingId)
        || !item.member(QLatin1String("entering")).isParsedInt(&enteringId)
        || !item.member(QLatin1String("time")).isParsedNumber(&time))
        return false;
    CnfSignalGroup* const clearing = groupOfId(clearingId);
    CnfSignalGroup* const entering = groupOfId(enteringId);
    if (!clearing || !entering)
        return false;
    matrix.setReleaf(entering, clearing, time);
    return true;
}

// Groups have small ids, mostly 1 to their number: a table by id answers
// the ten cells of every group without a look-up in the controller each,
// which in a large model would go to a hash node and the group's shared
// count far apart in memory. The groups do not change while a matrix is read.
void JsonModelReader::takeGroupIds()
{
    const auto groups = m_controller.signalGroups();
    m_groupsById.assign(2 * size_t(groups.size()) + 1, nullptr);
    for (const auto& group : groups) {
        const int id = group ? group->id : -1;
        if (id >= 0 && size_t(id) < m_groupsById.size() && !m_groupsById[size_t(id)])
            m_groupsById[size_t(id)] = group.data();
    }
}

// The group findSG() finds for `id`: from the table when the id is in it.
CnfSignalGroup* JsonModelReader::groupOfId(int id) const
{
    if (id >= 0 && size_t(id) < m_groupsById.size())
        return m_groupsById[size_t(id)];
    return m_controller.findSG(id).data();
}

QSharedPointer<CnfSignalGroup> JsonModelReader::matrixItemGroup(const CnfMatrix& matrix, const Object& item,
                                                               const char* key, const Value& member)
{
    // A group by its id, the common case, needs no reference made.
    int id = 0;
    if (member.isParsedInt(&id)) {
        if (const auto group = m_controller.findSG(id))
            return group;
    }
    const Reference ref = referenceOf(item, key, member);
    const auto group = findGroup(ref);
    if (!group && !failed())
        fail(tr("Item %3 value = %4 in matrix %1 (%2) is invalid signal group")
                 .arg(QString::number(matrix.id()), matrix.name(), QLatin1String(key), ref.text));
    return group;
}

// --- Stages -----------------------------------------------------------------

void JsonModelReader::readStages()
{
    const Array entries = takeRootArray("stages");
    for (int index = 0; index < entries.values.size() && !failed(); ++index) {
        const Object entry = elementOf(entries, index);
        auto phase = QSharedPointer<CnfPhase>::create();
        phase->id = textOf(entry, "id");
        phase->name = textOf(entry, "name");
        if (m_dialect.stageLengths) {
            phase->minLength = intOf(entry, "minTime", -1);
            phase->maxLength = intOf(entry, "maxTime", -1);
        }
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

QSharedPointer<CnfDetector> JsonModelReader::readDetectorEntry(const Object& entry, bool sensor)
{
    auto detector = QSharedPointer<CnfDetector>::create();
    detector->setSensor(sensor);
    detector->setId(intOf(entry, "id"));
    detector->setName(textOf(entry, "name"));
    if (failed())
        return {};
    setProperties(detector.data(), entry, {"id", "name"});
    return detector;
}

// --- Plans ------------------------------------------------------------------

void JsonModelReader::readPlans()
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

QSharedPointer<CnfProgram> JsonModelReader::readPlan(const Object& plan, bool* isDefault)
{
    auto program = QSharedPointer<CnfProgram>::create();
    // Without a plan-level "default" the key is one of the plan's own.
    *isDefault = m_dialect.planDefault && boolOf(plan, "default");
    program->id = textOf(plan, "id");
    program->name = textOf(plan, "name");
    const Object algorithm = objectOf(plan, "algorithm");
    if (failed())
        return {};
    if (m_dialect.planDefault)
        setProperties(program.data(), plan, {"default", "id", "name", "algorithm"});
    else
        setProperties(program.data(), plan, {"id", "name", "algorithm"});
    readAlgorithm(*program, algorithm);
    return program;
}

void JsonModelReader::readAlgorithm(CnfProgram& program, const Object& algorithm)
{
    const QString type = textOf(algorithm, "type");
    if (failed())
        return;
    if (m_dialect.fixedPlans && type == QLatin1String("Fixed"))
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

void JsonModelReader::readFixed(CnfProgram& program, const Object& algorithm)
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

void JsonModelReader::readSpecial(CnfProgram& program, const Object& algorithm)
{
    const QString mode = textOf(algorithm, "mode");
    if (mode == QLatin1String("AB"))
        program.type = CnfProgram::YellowFlash;
    else if (!m_dialect.fixedPlans)
        fail(tr("program %1 has invalid type '%2'").arg(program.id, mode)); // "AB" is the only mode
    else if (mode == QLatin1String("RA"))
        program.type = CnfProgram::YellowFlash;
    else if (mode == QLatin1String("OFF"))
        program.type = CnfProgram::Off;
}

void JsonModelReader::readTimelinePlan(CnfProgram& program, const Object& algorithm)
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

void JsonModelReader::readStageRing(CnfProgram& program, const Object& algorithm)
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
    const QString conditions = QLatin1String(m_dialect.stageRingConditions);
    program.setProperty(m_dialect.stageRingConditions, algorithm.values.value(conditions));
    readProgramMatrix(program, algorithm);
}

void JsonModelReader::appendStageRingStep(CnfProgram& program, const QVariant& step, const QList<Object>& entries)
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

void JsonModelReader::readOtherAlgorithm(CnfProgram& program, const Object& algorithm)
{
    // Algorithms the model does not interpret keep every key as a property.
    const QVariant type = algorithm.values.value(QStringLiteral("type"));
    program.type = CnfProgram::string2Type(type.toString());
    if (!isAbsent(type))
        program.setProperty("type", type.toString());
    setProperties(&program, algorithm, {"type"});
    if (m_dialect.otherAlgorithmMatrix
        && (program.type == CnfProgram::MultiRing || program.type == CnfProgram::Passive))
        readProgramMatrix(program, algorithm);
}

void JsonModelReader::readProgramMatrix(CnfProgram& program, const Object& algorithm)
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

void JsonModelReader::readSchedule(const char* key)
{
    const Object schedule = takeRootObject(key);
    const Object defaults = objectOf(schedule, "default");
    readScheduleDefaults(defaults);
    readDayCards(arrayOf(schedule, "days"));
    readDefaultDayCard(defaults);
    readWeekCards(arrayOf(schedule, "weeks"));
    if (m_dialect.defaultWeekCard && !failed())
        addDefaultWeekCard();
    readSeasonPlans(arrayOf(schedule, "extraPeriods"));
    readSpecialDays(arrayOf(schedule, "extraDays"));
}

void JsonModelReader::readScheduleDefaults(const Object& defaults)
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

void JsonModelReader::readDefaultDayCard(const Object& defaults)
{
    // "dayPlan" is what the writer makes of the controller's default daily
    // card; reading it back keeps that card across a round trip.
    const Reference card = referenceOf(defaults, "dayPlan");
    if (failed() || !card.present)
        return;
    if (const auto found = findDayCard(card))
        m_controller.setDefaultDayCard(found);
    else
        qCWarning(lcCnfJson, "In default scheduler data daycard %s not found", qUtf8Printable(card.text));
}

void JsonModelReader::readDayCards(const Array& entries)
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

void JsonModelReader::readDayCardRecord(CnfDayCard& card, const Object& record)
{
    const Reference plan = referenceOf(record, m_dialect.recordProgram);
    const Reference spare = referenceOf(record, m_dialect.recordSpare);
    const QString timeText = textOf(record, m_dialect.recordStart);
    const bool hasStop = m_dialect.recordStop && !isAbsent(record.values.value(QLatin1String(m_dialect.recordStop)));
    const QString stopText = hasStop ? textOf(record, m_dialect.recordStop) : QString();
    if (failed())
        return;
    const auto program = findProgram(plan);
    const QTime time = parseTime(timeText);
    // The midnight that ends the day is written "24:00".
    const QTime stop = stopText.startsWith(QLatin1String("24:00")) ? QTime(0, 0) : parseTime(stopText);
    if (!program)
        fail(tr("In daily card %1 specified invalid plan %2").arg(card.id, plan.text));
    else if (!time.isValid())
        fail(tr("In daily card %1 specified invalid time %2").arg(card.id, timeText));
    else if (hasStop && !stop.isValid())
        fail(tr("In daily card %1 specified invalid stop time %2").arg(card.id, stopText));
    else if (!hasStop || stop == time)
        card.addRecord(time, program, findProgram(spare)); // a spare plan may be missing
    else
        card.addRecord(time, stop, program, findProgram(spare));
}

void JsonModelReader::readWeekCards(const Array& entries)
{
    for (int index = 0; index < entries.values.size() && !failed(); ++index) {
        const Object entry = elementOf(entries, index);
        auto card = QSharedPointer<CnfWeekCard>::create();
        card->id = textOf(entry, "id");
        card->name = textOf(entry, "name");
        const Value days = entry.values.member(QLatin1String("days"));
        const QString daysWhere = at(entry.where, QStringLiteral("days"));
        if (days.isArray()) {
            // Monday first; days past the seventh are ignored.
            const Elements list = toArray(days, daysWhere).values;
            for (int day = 0; day < qMin(list.size(), kDaysPerWeek) && !failed(); ++day)
                setWeekDay(*card, day, list.at(day), at(daysWhere, day));
        } else {
            const Members byName = toObject(days, daysWhere).values;
            const QStringList names = byName.keys();
            for (auto it = names.cbegin(); it != names.cend() && !failed(); ++it) {
                const int day = dayNames().indexOf(*it);
                if (day < 0)
                    fail(tr("In weekly card %1 specified invalid day name %2").arg(card->id, *it));
                else
                    setWeekDay(*card, day, byName.value(*it), at(daysWhere, *it));
            }
        }
        if (!failed())
            m_controller.addWeekCard(card);
    }
}

// A schedule without weekly cards runs its first daily card every day.
void JsonModelReader::addDefaultWeekCard()
{
    const auto dayCards = m_controller.dayCards();
    if (!m_controller.weekCards().isEmpty() || dayCards.isEmpty())
        return;
    auto card = QSharedPointer<CnfWeekCard>::create();
    card->id = QStringLiteral("1");
    for (int day = Qt::Monday; day <= Qt::Sunday; ++day)
        card->days.insert(Qt::DayOfWeek(day), dayCards.first());
    m_controller.addWeekCard(card);
}

void JsonModelReader::setWeekDay(CnfWeekCard& card, int day, const QVariant& value, const QString& where)
{
    const Reference ref = toReference(value, where);
    const auto dayCard = findDayCard(ref);
    if (dayCard)
        card.days.insert(Qt::DayOfWeek(day + 1), dayCard);
    else if (!failed())
        fail(tr("In weekly card %1 for day %2 specified invalid daily card %3")
                 .arg(card.id, dayNames().at(day), ref.text));
}

void JsonModelReader::readSeasonPlans(const Array& entries)
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
        plan->from = parseDayOfYear(from);
        plan->to = parseDayOfYear(to);
        plan->weekCard = findWeekCard(week);
        if (!plan->from.isValid() || !plan->to.isValid())
            fail(tr("Season plan has invalid date period (%1 - %2)").arg(from, to));
        else if (!plan->weekCard)
            fail(tr("Season plan has invalid weekly card %1").arg(week.text));
        else
            m_controller.addSeasonPlan(plan);
    }
}

void JsonModelReader::readSpecialDays(const Array& entries)
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

// --- Native data ------------------------------------------------------------

void JsonModelReader::storeNativeData()
{
    for (const QString& key : qAsConst(m_unconsumedKeys))
        m_controller.setNativeData(key, m_root.values.value(key));
}

// --- Helpers of the sections ------------------------------------------------

JsonModelReader::Object JsonModelReader::takeRootObject(const char* key)
{
    m_unconsumedKeys.removeOne(QLatin1String(key));
    return objectOf(m_root, key);
}

JsonModelReader::Array JsonModelReader::takeRootArray(const char* key)
{
    m_unconsumedKeys.removeOne(QLatin1String(key));
    return arrayOf(m_root, key);
}

// The module tree is read where it names devices and inputs, and kept whole.
bool JsonModelReader::addPowerDevice(const QSharedPointer<CnfPowerDevice>& device)
{
    if (m_controller.addPowerDevice(device))
        return true;
    fail(m_controller.lastError());
    return false;
}

// An empty name refers to nothing: it must not pick an unnamed element.
QSharedPointer<CnfSignalGroup> JsonModelReader::findGroup(const Reference& ref) const
{
    if (!ref.present)
        return {};
    if (ref.byName)
        return m_controller.findSGByName(ref.text);
    return ref.isId ? m_controller.findSG(ref.id) : nullptr;
}

QSharedPointer<CnfProgram> JsonModelReader::findProgram(const Reference& ref) const
{
    if (!ref.present)
        return {};
    return ref.byName ? m_controller.findProgramByName(ref.text) : m_controller.findProgram(ref.text);
}

QSharedPointer<CnfDayCard> JsonModelReader::findDayCard(const Reference& ref) const
{
    if (!ref.present)
        return {};
    return ref.byName ? m_controller.findDayCardByName(ref.text) : m_controller.findDayCard(ref.text);
}

QSharedPointer<CnfWeekCard> JsonModelReader::findWeekCard(const Reference& ref) const
{
    if (!ref.present)
        return {};
    return ref.byName ? m_controller.findWeekCardByName(ref.text) : m_controller.findWeekCard(ref.text);
}

void JsonModelReader::setProperties(QObject* object, const Object& source, std::initializer_list<const char*> consumed)
{
    const QStringList keys = source.values.keys();
    for (const QString& key : keys) {
        const QByteArray name = key.toUtf8();
        const bool isConsumed = std::any_of(consumed.begin(), consumed.end(),
                                            [&name](const char* consumedKey) { return name == consumedKey; });
        if (isConsumed)
            continue;
        // A property name ends at its first NUL: "type\u0000x" would be kept
        // as "type" and written back as a member it never was.
        if (name.contains('\0')) {
            qCWarning(lcCnfJson, "Key \"%s\" holds a NUL character and is left out", qUtf8Printable(key));
            continue;
        }
        object->setProperty(name.constData(), source.values.value(key));
    }
}
