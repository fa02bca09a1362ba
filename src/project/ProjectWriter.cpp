#include "ProjectWriter.h"

#include <QtMath>

#include <algorithm>
#include <cmath>
#include <vector>

#include "CnfAddressTable.h"
#include "CnfController.h"
#include "CnfDetector.h"
#include "CnfInterstate.h"
#include "CnfMatrix.h"
#include "CnfPhase.h"
#include "CnfPowerDevice.h"
#include "CnfProgram.h"
#include "CnfSchedule.h"
#include "CnfSignalGroup.h"
#include "CnfTransition.h"
#include "NativeValueCodec.h"
#include "ProgramElementWriter.h"
#include "ProjectXml.h"

namespace {

const QString TimeFormat = QStringLiteral("hh:mm");
const QString DateFormat = QStringLiteral("dd.MM");
const QString CellTag = QStringLiteral("CP");
const QString CellOnGroupAttribute = QStringLiteral("on_sg");
const QString CellOffGroupAttribute = QStringLiteral("off_sg");

QString joinIds(const QList<int>& ids)
{
    QString text;
    for (int id : ids) {
        if (!text.isEmpty())
            text += QLatin1Char(',');
        text += QString::number(id);
    }
    return text;
}

// The cells of a matrix to write, bucketed by the position of the earlier
// of their two groups in the controller's list: counted into place rather
// than sorted, with no more memory than one small entry per cell.
struct MatrixCells
{
    struct Entry
    {
        // In its bucket, the walk over the pairs (a, b) of the controller's
        // groups, a before b, meets first the cell with b getting green,
        // then the one with a getting green: the position of b and that
        // order in the upper half, the order the cells came in below.
        quint64 key;
        double value;
    };

    std::vector<int> ids; // the ids of the groups by position
    std::vector<int> bucketStarts; // the entries of position p from bucketStarts[p] to bucketStarts[p + 1]
    std::vector<Entry> entries;
};

// Where a cell stands: the positions of its groups in the controller's list,
// or false for a cell that is not written. Cells are matched with the
// controller's live groups by address only; a cell whose group is not listed
// is never followed.
bool cellPositions(const CnfMatrixCell& cell, const CnfAddressTable<int>& positions, int& on, int& off)
{
    on = positions.value(cell.onGroup, -1);
    off = positions.value(cell.offGroup, -1);
    return on >= 0 && off >= 0 && on != off && !qIsNaN(cell.value);
}

// The first position of each listed group, and the ids by position.
CnfAddressTable<int> groupPositions(const QList<QSharedPointer<CnfSignalGroup>>& groups, std::vector<int>& ids)
{
    CnfAddressTable<int> positions;
    positions.reserve(groups.size());
    ids.assign(size_t(groups.size()), 0);
    for (int i = 0; i < groups.size(); ++i) {
        if (groups.at(i) && !positions.contains(groups.at(i).data())) {
            positions.insert(groups.at(i).data(), i);
            ids[size_t(i)] = groups.at(i)->id;
        }
    }
    return positions;
}

MatrixCells matrixCells(const CnfMatrix& matrix, const QList<QSharedPointer<CnfSignalGroup>>& groups)
{
    MatrixCells result;
    const CnfAddressTable<int> positions = groupPositions(groups, result.ids);
    // Each cell is visited once: where it stands goes into a compact list
    // that the counting below walks instead.
    struct Placed
    {
        int bucket;
        quint32 place;
        double value;
    };
    std::vector<Placed> placed;
    const QList<CnfMatrixCell>& cells = matrix.content();
    placed.reserve(size_t(cells.size()));
    std::vector<int>& starts = result.bucketStarts;
    starts.assign(size_t(groups.size()) + 1, 0);
    int on = 0;
    int off = 0;
    for (const CnfMatrixCell& cell : cells) {
        if (!cellPositions(cell, positions, on, off))
            continue;
        const int bucket = qMin(on, off);
        placed.push_back({bucket, quint32(qMax(on, off)) << 1 | (on < off ? 1 : 0), cell.value});
        ++starts[size_t(bucket) + 1];
    }
    for (size_t i = 1; i < starts.size(); ++i)
        starts[i] += starts[i - 1];
    std::vector<int> next(starts.begin(), starts.end() - 1);
    result.entries.resize(placed.size());
    for (const Placed& cell : placed) {
        const int slot = next[size_t(cell.bucket)]++;
        const quint64 order = quint64(slot - starts[size_t(cell.bucket)]);
        result.entries[size_t(slot)] = {quint64(cell.place) << 32 | order, cell.value};
    }
    for (size_t bucket = 0; bucket + 1 < starts.size(); ++bucket) {
        std::sort(result.entries.begin() + starts[bucket], result.entries.begin() + starts[bucket + 1],
                  [](const MatrixCells::Entry& a, const MatrixCells::Entry& b) { return a.key < b.key; });
    }
    return result;
}

// As QString::number(value, 'g', 6) prints it; the whole numbers, nearly
// every value, without a string of their own.
void writeCellValue(ProjectElementSink& sink, double value)
{
    if (value == std::trunc(value) && std::fabs(value) < 1e6 && !(value == 0 && std::signbit(value)))
        sink.text(int(value));
    else
        sink.text(QString::number(value, 'g', 6));
}

// The cells of one bucket; of two cells for one pair the later wins.
void writeCells(ProjectElementSink& sink, const MatrixCells& cells, int bucket)
{
    const int end = cells.bucketStarts[size_t(bucket) + 1];
    for (int i = cells.bucketStarts[size_t(bucket)]; i < end; ++i) {
        const quint64 place = cells.entries[size_t(i)].key >> 32;
        if (i + 1 < end && cells.entries[size_t(i) + 1].key >> 32 == place)
            continue;
        const int later = int(place >> 1);
        const bool earlierGetsGreen = place & 1;
        sink.startElement(CellTag);
        sink.attribute(CellOffGroupAttribute, cells.ids[size_t(earlierGetsGreen ? later : bucket)]);
        sink.attribute(CellOnGroupAttribute, cells.ids[size_t(earlierGetsGreen ? bucket : later)]);
        writeCellValue(sink, cells.entries[size_t(i)].value);
        sink.endElement(CellTag);
    }
}

} // namespace

ProjectWriter::ProjectWriter(const CnfController& controller, const VObject& nativeData, RefusedEntry refused)
    : m_controller(controller)
    , m_nativeData(nativeData)
    , m_refused(refused)
{
}

QString ProjectWriter::errorString() const
{
    return m_error;
}

bool ProjectWriter::fail(const QString& message)
{
    m_error = message;
    return false;
}

// An entry failed a check: false when that stops the writing, true when the
// entry is only left out.
bool ProjectWriter::refuse(const QString& message)
{
    if (m_refused == RefusedEntry::FailDocument)
        return fail(message);
    ProgramElementWriter::logLeftOut(message);
    return true;
}

bool ProjectWriter::write(ProjectElementSink& sink)
{
    m_error.clear();
    m_sink = &sink;
    m_listedDevices = ListedElements<CnfPowerDevice>(m_controller.powerDevices());
    m_listedPrograms = ListedElements<CnfProgram>(m_controller.programs());
    m_listedDayCards = ListedElements<CnfDayCard>(m_controller.dayCards());
    m_listedWeekCards = ListedElements<CnfWeekCard>(m_controller.weekCards());
    ProjectElement root(QStringLiteral("Controller"));
    writeRootAttributes(root);
    root.writeStart(sink);
    writeNativeData();
    writePowerDevices();
    writeInterstate();
    writeDetectors();
    writeSignalGroups();
    writePhases();
    if (!writePrograms())
        return false;
    writeMatrices();
    if (!writeDayCards() || !writeWeekCards() || !writeSpecialDays() || !writeSeasonPlans())
        return false;
    writeDefaults();
    sink.endElement(root.tagName());
    return true;
}

void ProjectWriter::writeRootAttributes(ProjectElement& root)
{
    for (const auto& property : ProjectXml::properties(m_controller)) {
        if (property.second.isValid())
            ProjectXml::setAttribute(root, property.first, property.second.toString());
    }
}

void ProjectWriter::writeNativeData()
{
    if (m_nativeData.isNull())
        return;
    // Often the largest tree of the document: written as it is walked.
    const QStringList keys = m_nativeData.keys();
    QVector<NativeValueCodec::NamedValue> values;
    values.reserve(keys.size());
    for (const QString& key : keys)
        values.append({key, m_controller.getNativeData(key)});
    NativeValueCodec::writeNamedValues(*m_sink, values);
}

void ProjectWriter::writePowerDevices()
{
    const auto devices = m_controller.powerDevices();
    for (const auto& device : devices) {
        if (!device)
            continue;
        ProjectElement element(QStringLiteral("PwrDev"));
        element.appendText(device->id);
        if (!device->name.isEmpty())
            ProjectXml::setAttribute(element, QStringLiteral("name"), device->name);
        element.setAttribute(QStringLiteral("type"), CnfPowerDevice::type2String(device->type, false));
        element.setAttribute(QStringLiteral("address"), device->address);
        element.setAttribute(QStringLiteral("color"), device->color);
        element.setAttribute(QStringLiteral("lamp_count"), device->lampCount);
        element.setAttribute(QStringLiteral("contolled_lamps"), device->controlledLamps);
        element.write(*m_sink);
    }
}

void ProjectWriter::writeInterstate()
{
    const auto interstate = m_controller.interstate();
    if (!interstate)
        return;
    ProjectElement element(QStringLiteral("Interstate"));
    if (interstate->greenBlink != 0)
        element.setAttribute(QStringLiteral("green_blink"), interstate->greenBlink);
    if (interstate->yellow != 0)
        element.setAttribute(QStringLiteral("yellow"), interstate->yellow);
    if (interstate->redYellow != 0)
        element.setAttribute(QStringLiteral("red_yellow"), interstate->redYellow);
    element.write(*m_sink);
}

void ProjectWriter::writeDetectors()
{
    const auto detectors = m_controller.detectorsList();
    for (const auto& detector : detectors) {
        if (detector)
            detectorElement(QStringLiteral("Detector"), detector).write(*m_sink);
    }
    const auto sensors = m_controller.sensorsList();
    for (const auto& sensor : sensors) {
        if (sensor)
            detectorElement(QStringLiteral("Sensor"), sensor).write(*m_sink);
    }
}

ProjectElement ProjectWriter::detectorElement(const QString& tag, const QSharedPointer<CnfDetector>& detector)
{
    ProjectElement element(tag);
    for (const auto& property : ProjectXml::properties(*detector)) {
        if (property.second.isValid())
            ProjectXml::setAttribute(element, property.first, property.second.toString());
    }
    // The detector's own id and name win over properties of the same name,
    // which may be stale copies of them.
    element.setAttribute(QStringLiteral("id"), detector->id());
    if (!detector->name().isEmpty())
        ProjectXml::setAttribute(element, QStringLiteral("name"), detector->name());
    else
        element.removeAttribute(QStringLiteral("name"));
    return element;
}

void ProjectWriter::writeSignalGroups()
{
    const auto groups = m_controller.signalGroups();
    for (const auto& group : groups) {
        if (group)
            signalGroupElement(group).write(*m_sink);
    }
}

ProjectElement ProjectWriter::signalGroupElement(const QSharedPointer<CnfSignalGroup>& group)
{
    ProjectElement element(QStringLiteral("SG"));
    element.appendText(group->id);
    if (!group->name.isEmpty())
        ProjectXml::setAttribute(element, QStringLiteral("name"), group->name);
    element.setAttribute(QStringLiteral("type"), CnfSignalGroup::type2String(group->type, false, false));
    const bool allUnset = std::all_of(group->detectors.cbegin(), group->detectors.cend(),
                                      [](int id) { return id == 255; });
    if (!group->detectors.isEmpty() && !allUnset)
        element.setAttribute(QStringLiteral("detectors"), joinIds(group->detectors));
    QList<int> deviceIds;
    for (const auto& device : qAsConst(group->devices)) {
        if (device && (m_listedDevices.contains(device.data()) || m_controller.findPowerDevice(device->id)))
            deviceIds.append(device->id);
    }
    if (!deviceIds.isEmpty())
        element.setAttribute(QStringLiteral("devices"), joinIds(deviceIds));
    for (auto it = group->variantTimes.cbegin(); it != group->variantTimes.cend(); ++it) {
        ProjectElement& times = element.appendElement(QStringLiteral("NorvakIS"));
        times.appendText(it.key());
        times.setAttribute(QStringLiteral("greenAdd1"), it->greenAdd1);
        times.setAttribute(QStringLiteral("greenAdd2"), it->greenAdd2);
        times.setAttribute(QStringLiteral("greenBlink"), it->greenBlink);
        times.setAttribute(QStringLiteral("redAdd"), it->redAdd);
        times.setAttribute(QStringLiteral("yellow"), it->yellow);
        times.setAttribute(QStringLiteral("yellowRed"), it->yellowRed);
    }
    // Timing overrides and other settings of the group.
    const auto properties = ProjectXml::properties(*group);
    if (!properties.isEmpty())
        element.appendChild(NativeValueCodec::encodeNamedValues(properties));
    return element;
}

void ProjectWriter::writePhases()
{
    const auto phases = m_controller.phases();
    for (const auto& phase : phases) {
        if (!phase)
            continue;
        ProjectElement element(QStringLiteral("Phase"));
        ProjectXml::appendText(element, phase->id);
        if (phase->minLength > 0)
            element.setAttribute(QStringLiteral("min"), phase->minLength);
        if (phase->maxLength > 0)
            element.setAttribute(QStringLiteral("max"), phase->maxLength);
        if (!phase->name.isEmpty())
            ProjectXml::setAttribute(element, QStringLiteral("name"), phase->name);
        QList<int> ids;
        for (const auto& group : qAsConst(phase->signalGroups)) {
            if (group)
                ids.append(group->id);
        }
        if (!ids.isEmpty())
            element.setAttribute(QStringLiteral("sg"), joinIds(ids));
        for (const auto& transition : qAsConst(phase->transitions)) {
            if (!transition)
                continue;
            ProjectElement& tr = element.appendElement(QStringLiteral("Transition"));
            ProjectXml::setAttribute(tr, QStringLiteral("from"), transition->from);
            // A group with an added red but no clearing time still gets a
            // "clearing" element to carry it.
            QList<int> clearingGroups = transition->clearing.keys() + transition->addRed.keys();
            std::sort(clearingGroups.begin(), clearingGroups.end());
            clearingGroups.erase(std::unique(clearingGroups.begin(), clearingGroups.end()), clearingGroups.end());
            for (int group : clearingGroups) {
                const int time = transition->clearing.value(group, 0);
                const int addRed = transition->addRed.value(group, 0);
                if (!transition->clearing.contains(group) && addRed <= 0)
                    continue;
                ProjectElement& clearing = tr.appendElement(QStringLiteral("clearing"));
                clearing.setAttribute(QStringLiteral("group"), group);
                if (time > 0)
                    clearing.setAttribute(QStringLiteral("time"), time);
                if (addRed > 0)
                    clearing.setAttribute(QStringLiteral("add_red"), addRed);
            }
            for (auto it = transition->entering.cbegin(); it != transition->entering.cend(); ++it) {
                ProjectElement& entering = tr.appendElement(QStringLiteral("entering"));
                entering.setAttribute(QStringLiteral("group"), it.key());
                if (it.value() > 0)
                    entering.setAttribute(QStringLiteral("time"), it.value());
            }
        }
        element.write(*m_sink);
    }
}

bool ProjectWriter::writePrograms()
{
    ProgramElementWriter writer(m_controller, m_refused);
    const auto programs = m_controller.programs();
    for (const auto& program : programs) {
        if (!program)
            continue;
        const ProjectElement element = writer.write(program);
        if (element.isNull())
            return fail(writer.errorString());
        element.write(*m_sink);
    }
    return true;
}

void ProjectWriter::writeMatrices()
{
    writeMatrix(QStringLiteral("ConflictMatrix"), m_controller.conflictMatrix(), false, false);
    const auto defaultMatrix = m_controller.defaultMatrix();
    const auto safetyMatrix = m_controller.safetyMatrix();
    const auto matrices = m_controller.matrixList();
    for (const auto& matrix : matrices)
        writeMatrix(QStringLiteral("Matrix"), matrix, matrix == defaultMatrix, matrix == safetyMatrix);
}

// A matrix's cells, often tens of thousands, go to the sink one by one
// without becoming elements first.
void ProjectWriter::writeMatrix(const QString& tag, const QSharedPointer<CnfMatrix>& matrix, bool isDefault,
                                bool isSafety)
{
    const auto groups = m_controller.signalGroups();
    if (!matrix || matrix->isEmpty() || groups.isEmpty())
        return;
    const MatrixCells cells = matrixCells(*matrix, groups);
    if (cells.entries.empty())
        return;
    ProjectElement element(tag);
    element.setAttribute(QStringLiteral("id"), matrix->id());
    if (!matrix->name().isEmpty())
        ProjectXml::setAttribute(element, QStringLiteral("name"), matrix->name());
    if (isDefault)
        element.setAttribute(QStringLiteral("default"), QStringLiteral("true"));
    if (isSafety)
        element.setAttribute(QStringLiteral("safety"), QStringLiteral("true"));
    element.writeStart(*m_sink);
    for (size_t bucket = 0; bucket + 1 < cells.bucketStarts.size(); ++bucket)
        writeCells(*m_sink, cells, int(bucket));
    m_sink->endElement(tag);
}

bool ProjectWriter::writeDayCards()
{
    const auto cards = m_controller.dayCards();
    for (const auto& card : cards) {
        if (!card)
            continue;
        ProjectElement element(QStringLiteral("DayCard"));
        ProjectXml::setAttribute(element, QStringLiteral("id"), card->id);
        if (!card->name.isEmpty())
            ProjectXml::setAttribute(element, QStringLiteral("name"), card->name);
        for (auto it = card->records.cbegin(); it != card->records.cend(); ++it) {
            if (!it->program) {
                if (!refuse(QObject::tr("В суточной карте %1 не задана программа для времени %2")
                                .arg(card->id, it.key().toString())))
                    return false;
                continue;
            }
            // The reader binds the entry by the program's id.
            if (!m_listedPrograms.contains(it->program.data()) && !m_controller.findProgram(it->program->id)) {
                if (!refuse(QObject::tr("В суточной карте %1 для времени %2 указана несуществующая программа %3")
                                .arg(card->id, it.key().toString(TimeFormat), it->program->id)))
                    return false;
                continue;
            }
            ProjectElement& time = element.appendElement(QStringLiteral("Time"));
            ProjectXml::appendText(time, it.key().toString(TimeFormat));
            ProjectXml::setAttribute(time, QStringLiteral("program"), it->program->id);
            if (it->reserveProgram)
                ProjectXml::setAttribute(time, QStringLiteral("reserve_program"), it->reserveProgram->id);
        }
        element.write(*m_sink);
    }
    return true;
}

bool ProjectWriter::writeWeekCards()
{
    const auto cards = m_controller.weekCards();
    for (const auto& card : cards) {
        if (!card)
            continue;
        ProjectElement element(QStringLiteral("WeekCard"));
        ProjectXml::setAttribute(element, QStringLiteral("id"), card->id);
        if (!card->name.isEmpty())
            ProjectXml::setAttribute(element, QStringLiteral("name"), card->name);
        for (auto it = card->days.cbegin(); it != card->days.cend(); ++it) {
            if (!it.value()) {
                if (!refuse(QObject::tr("В недельной карте %1 не задана суточная карта для дня %2")
                                .arg(card->id)
                                .arg(int(it.key()))))
                    return false;
                continue;
            }
            if (!m_listedDayCards.contains(it.value().data()) && !m_controller.findDayCard(it.value()->id)) {
                if (!refuse(QObject::tr("В недельной карте %1 для дня %2 указана несуществующая суточная карта %3")
                                .arg(card->id)
                                .arg(int(it.key()))
                                .arg(it.value()->id)))
                    return false;
                continue;
            }
            ProjectElement& day = element.appendElement(QStringLiteral("DayOfWeek"));
            day.appendText(int(it.key()));
            ProjectXml::setAttribute(day, QStringLiteral("daycard"), it.value()->id);
        }
        element.write(*m_sink);
    }
    return true;
}

bool ProjectWriter::writeSpecialDays()
{
    const auto days = m_controller.specialDays();
    for (auto it = days.cbegin(); it != days.cend(); ++it) {
        const QString date = it.key().toString(DateFormat);
        if (!it.value() || !it.value()->dayCard) {
            if (!refuse(QObject::tr("В особых днях для даты %1 не задана суточная карта").arg(date)))
                return false;
            continue;
        }
        if (!m_listedDayCards.contains(it.value()->dayCard.data())
            && !m_controller.findDayCard(it.value()->dayCard->id)) {
            if (!refuse(QObject::tr("В особых днях для даты %1 указана несуществующая суточная карта %2")
                            .arg(date, it.value()->dayCard->id)))
                return false;
            continue;
        }
        ProjectElement element(QStringLiteral("SpecialDay"));
        ProjectXml::appendText(element, date);
        ProjectXml::setAttribute(element, QStringLiteral("id"), it.value()->id);
        if (!it.value()->name.isEmpty())
            ProjectXml::setAttribute(element, QStringLiteral("name"), it.value()->name);
        ProjectXml::setAttribute(element, QStringLiteral("day_card"), it.value()->dayCard->id);
        element.write(*m_sink);
    }
    return true;
}

bool ProjectWriter::writeSeasonPlans()
{
    const auto plans = m_controller.seasonPlans();
    for (const auto& plan : plans) {
        if (!plan)
            continue;
        const QString from = plan->from.toString(DateFormat);
        const QString to = plan->to.toString(DateFormat);
        if (!plan->weekCard) {
            if (!refuse(QObject::tr("In season plan for period from %1 to %2 not specifyed weekly card").arg(from, to)))
                return false;
            continue;
        }
        if (!m_listedWeekCards.contains(plan->weekCard.data()) && !m_controller.findWeekCard(plan->weekCard->id)) {
            if (!refuse(QObject::tr("In season plan for period from %1 to %2 specifyed invalid weekly card %3")
                            .arg(from, to, plan->weekCard->id)))
                return false;
            continue;
        }
        ProjectElement element(QStringLiteral("SeasonPlan"));
        ProjectXml::appendText(element, plan->weekCard->id);
        ProjectXml::setAttribute(element, QStringLiteral("id"), plan->id);
        if (!plan->name.isEmpty())
            ProjectXml::setAttribute(element, QStringLiteral("name"), plan->name);
        ProjectXml::setAttribute(element, QStringLiteral("from"), from);
        ProjectXml::setAttribute(element, QStringLiteral("to"), to);
        element.write(*m_sink);
    }
    return true;
}

void ProjectWriter::writeDefaults()
{
    // Only elements the controller lists are named: the reader binds the ids
    // to the elements it has read.
    ProjectElement element(QStringLiteral("Defaults"));
    const auto programs = m_controller.programs();
    const auto defaultProgram = m_controller.defaultProgram();
    if (defaultProgram && programs.contains(defaultProgram))
        ProjectXml::setAttribute(element, QStringLiteral("program"), defaultProgram->id);
    const auto reserveProgram = m_controller.reserveProgram();
    if (reserveProgram && programs.contains(reserveProgram))
        ProjectXml::setAttribute(element, QStringLiteral("reserve_program"), reserveProgram->id);
    const auto dayCard = m_controller.defaultDayCard();
    if (dayCard && m_controller.dayCards().contains(dayCard))
        ProjectXml::setAttribute(element, QStringLiteral("day_card"), dayCard->id);
    const auto group = m_controller.defaultSignalGroup();
    if (group) {
        ProjectElement groupElement = signalGroupElement(group);
        if (m_controller.signalGroups().contains(group))
            groupElement.setAttribute(QStringLiteral("listed"), QStringLiteral("true"));
        element.appendChild(std::move(groupElement));
    }
    if (element.hasAttributes() || element.hasChildNodes())
        element.write(*m_sink);
}
