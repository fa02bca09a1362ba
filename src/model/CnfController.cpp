#include "CnfController.h"

#include <algorithm>
#include <utility>

#include "CnfControllerInternal.h"
#include "CnfController_p.h"
#include "CnfFormatRegistry.h"
#include "CnfListAppend.h"
#include "CnfNumberText.h"
#include "CnfPhaseDef.h"
#include "CnfPhaseDef_p.h"
#include "CnfTransition.h"

namespace {

template<typename T, typename Matches>
QSharedPointer<T> findFirst(const QList<QSharedPointer<T>>& list, Matches matches)
{
    for (const auto& item : list) {
        if (matches(*item))
            return item;
    }
    return {};
}

template<typename T, typename Matches>
QSharedPointer<T> findLast(const QList<QSharedPointer<T>>& list, Matches matches)
{
    for (int i = list.size() - 1; i >= 0; --i) {
        const auto& item = list.at(i);
        if (matches(*item))
            return item;
    }
    return {};
}

// The lists never hold null elements: additions refuse them, and so does
// reordering.
template<typename T>
QList<QSharedPointer<T>> withoutNulls(QList<QSharedPointer<T>> list)
{
    list.removeAll(QSharedPointer<T>());
    return list;
}

// Whether the object itself is listed.
bool isListed(CnfControllerPrivate& d, const QSharedPointer<CnfPhase>& phase)
{
    return d.index.isActive() ? d.index.phaseMembers.contains(d.phases, phase) : d.phases.contains(phase);
}

bool isListed(CnfControllerPrivate& d, const QSharedPointer<CnfProgram>& program)
{
    return d.index.isActive() ? d.index.programMembers.contains(d.programs, program) : d.programs.contains(program);
}

bool isListed(CnfControllerPrivate& d, const QSharedPointer<CnfDayCard>& card)
{
    return d.index.isActive() ? d.index.dayCardMembers.contains(d.dayCards, card) : d.dayCards.contains(card);
}

bool isListed(CnfControllerPrivate& d, const QSharedPointer<CnfWeekCard>& card)
{
    return d.index.isActive() ? d.index.weekCardMembers.contains(d.weekCards, card) : d.weekCards.contains(card);
}

bool stepsShowListedPhases(CnfControllerPrivate& d, const QSharedPointer<CnfProgram>& program)
{
    const auto steps = program->phases();
    for (const auto& step : steps) {
        const QSharedPointer<CnfPhase>& phase = CnfPhaseDefPrivate::of(*step).phase;
        if (phase && !isListed(d, phase))
            return false;
    }
    return true;
}

// Every matrix whose cells may name a signal group of the controller.
QList<QSharedPointer<CnfMatrix>> matricesNamingGroups(const CnfControllerPrivate& d)
{
    QList<QSharedPointer<CnfMatrix>> result = d.matrices;
    result << d.conflictMatrix << d.safetyMatrix << d.defaultMatrix;
    for (const auto& program : d.programs)
        result << program->matrix << program->defaultMatrix;
    result.removeAll(QSharedPointer<CnfMatrix>());
    return result;
}

// Every daily card the schedule can reach, each once.
QList<QSharedPointer<CnfDayCard>> reachableDayCards(const CnfControllerPrivate& d)
{
    QList<QSharedPointer<CnfDayCard>> cards = d.dayCards;
    auto addCard = [&cards](const QSharedPointer<CnfDayCard>& card) {
        if (card && !cards.contains(card))
            cards << card;
    };
    addCard(d.defaultDayCard);
    for (const auto& week : d.weekCards) {
        for (const auto& card : week->days)
            addCard(card);
    }
    for (const auto& day : d.specialDays)
        addCard(day->dayCard);
    return cards;
}

void removeDevice(CnfControllerPrivate& d, const QSharedPointer<CnfPowerDevice>& device)
{
    if (!device)
        return;
    d.index.reset();
    d.powerDevices.removeAll(device);
    for (const auto& sg : d.signalGroups)
        sg->unassignDevice(device);
}

} // namespace

CnfControllerPrivate::CnfControllerPrivate(CnfController* owner)
    : nativeData(VObject::overStore(nativeDataStore))
    , conflictMatrix(QSharedPointer<CnfMatrix>::create())
    , owner(owner)
{
}

CnfControllerPrivate::~CnfControllerPrivate()
{
    nativeData.releaseStore();
}

CnfController::CnfController()
    : d(new CnfControllerPrivate(this))
{
    cnfRegisterResourcesOnce();
}

// The copy goes through the project document, so that it shares nothing with
// the source. What a file writer would refuse costs the copy only the
// offending entry.
CnfController::CnfController(const CnfController& other)
    : QObject(other.parent())
    , d(new CnfControllerPrivate(this))
{
    cnfRegisterResourcesOnce();
    const QByteArray document = other.d ? cnfCopyDocument(other, *other.d) : QByteArray();
    if (document.isEmpty()) {
        d->lastError = other.lastError();
        return;
    }
    load(document, other.d && other.d->strict);
}

CnfController::~CnfController()
{
    // The body takes every element with it and the object its dynamic
    // properties. Only a conflict matrix that someone else still holds is
    // emptied, as clear() does, so that it names no group that goes now.
    if (d && d->conflictMatrix)
        d->conflictMatrix->clear();
    delete d;
}

void CnfController::clear()
{
    if (!d)
        return;
    d->index.reset();
    d->signalGroups.clear();
    d->defaultSignalGroup.reset();
    d->programs.clear();
    d->phases.clear();
    d->powerDevices.clear();
    d->dayCards.clear();
    d->weekCards.clear();
    d->matrices.clear();
    d->specialDays.clear();
    d->seasonPlans.clear();
    d->detectors.clear();
    d->sensors.clear();
    d->interstate.reset();
    d->lastError.clear();
    d->loadedDocument.clear();
    d->strict = false;
    d->nativeDataStore.clear();
    if (d->conflictMatrix)
        d->conflictMatrix->clear();
    else
        d->conflictMatrix = QSharedPointer<CnfMatrix>::create();
    d->safetyMatrix.reset();
    d->defaultMatrix.reset();
    d->defaultProgram.reset();
    d->reserveProgram.reset();
    d->defaultDayCard.reset();
    const auto names = dynamicPropertyNames();
    for (const QByteArray& name : names)
        setProperty(name.constData(), QVariant());
}

QString CnfController::lastError() const
{
    return d ? d->lastError : QString();
}

// Collections

QList<QSharedPointer<CnfSignalGroup>> CnfController::signalGroups() const
{
    return d ? d->signalGroups : QList<QSharedPointer<CnfSignalGroup>>();
}

QList<QSharedPointer<CnfPhase>> CnfController::phases() const
{
    return d ? d->phases : QList<QSharedPointer<CnfPhase>>();
}

QList<QSharedPointer<CnfPowerDevice>> CnfController::powerDevices() const
{
    return d ? d->powerDevices : QList<QSharedPointer<CnfPowerDevice>>();
}

QList<QSharedPointer<CnfProgram>> CnfController::programs() const
{
    return d ? d->programs : QList<QSharedPointer<CnfProgram>>();
}

QList<QSharedPointer<CnfDayCard>> CnfController::dayCards() const
{
    return d ? d->dayCards : QList<QSharedPointer<CnfDayCard>>();
}

QList<QSharedPointer<CnfWeekCard>> CnfController::weekCards() const
{
    return d ? d->weekCards : QList<QSharedPointer<CnfWeekCard>>();
}

QList<QSharedPointer<CnfSeasonPlan>> CnfController::seasonPlans() const
{
    return d ? d->seasonPlans : QList<QSharedPointer<CnfSeasonPlan>>();
}

QList<QSharedPointer<CnfMatrix>> CnfController::matrixList() const
{
    return d ? d->matrices : QList<QSharedPointer<CnfMatrix>>();
}

QList<QSharedPointer<CnfDetector>> CnfController::detectorsList() const
{
    return d ? d->detectors : QList<QSharedPointer<CnfDetector>>();
}

QList<QSharedPointer<CnfDetector>> CnfController::sensorsList() const
{
    return d ? d->sensors : QList<QSharedPointer<CnfDetector>>();
}

QMap<QDate, QSharedPointer<CnfSpecialDay>> CnfController::specialDays() const
{
    return d ? d->specialDays : QMap<QDate, QSharedPointer<CnfSpecialDay>>();
}

// Singled-out elements

QSharedPointer<CnfSignalGroup> CnfController::defaultSignalGroup() const
{
    return d ? d->defaultSignalGroup : QSharedPointer<CnfSignalGroup>();
}

void CnfController::setDefaulSignalGroup(QSharedPointer<CnfSignalGroup> g)
{
    if (!d || g == d->defaultSignalGroup)
        return;
    d->defaultSignalGroup = g;
    for (const auto& sg : qAsConst(d->signalGroups))
        sg->setDefaulSignalGroup(g);
}

QSharedPointer<CnfMatrix> CnfController::conflictMatrix() const
{
    return d ? d->conflictMatrix : QSharedPointer<CnfMatrix>();
}

void CnfController::setConflictMatrix(QSharedPointer<CnfMatrix> m)
{
    if (d)
        d->conflictMatrix = std::move(m);
}

QSharedPointer<CnfMatrix> CnfController::safetyMatrix() const
{
    return d ? d->safetyMatrix : QSharedPointer<CnfMatrix>();
}

void CnfController::setSafetyMatrix(QSharedPointer<CnfMatrix> m)
{
    if (!d)
        return;
    d->safetyMatrix = m;
    if (m && !d->matrices.contains(m))
        d->matrices << m;
}

QSharedPointer<CnfMatrix> CnfController::defaultMatrix() const
{
    return d ? d->defaultMatrix : QSharedPointer<CnfMatrix>();
}

void CnfController::setDefaultMatrix(QSharedPointer<CnfMatrix> m)
{
    if (!d)
        return;
    d->defaultMatrix = m;
    if (m && !d->matrices.contains(m))
        d->matrices << m;
    for (const auto& program : qAsConst(d->programs))
        program->defaultMatrix = m;
}

QSharedPointer<CnfProgram> CnfController::defaultProgram() const
{
    return d ? d->defaultProgram : QSharedPointer<CnfProgram>();
}

void CnfController::setDefaultProgram(QSharedPointer<CnfProgram> p)
{
    if (d)
        d->defaultProgram = p;
}

QSharedPointer<CnfProgram> CnfController::reserveProgram() const
{
    return d ? d->reserveProgram : QSharedPointer<CnfProgram>();
}

void CnfController::setReserveProgram(QSharedPointer<CnfProgram> p)
{
    if (d)
        d->reserveProgram = p;
}

QSharedPointer<CnfDayCard> CnfController::defaultDayCard() const
{
    return d ? d->defaultDayCard : QSharedPointer<CnfDayCard>();
}

void CnfController::setDefaultDayCard(QSharedPointer<CnfDayCard> c)
{
    if (d)
        d->defaultDayCard = c;
}

QSharedPointer<CnfInterstate> CnfController::interstate() const
{
    return d ? d->interstate : QSharedPointer<CnfInterstate>();
}

// Groups that share the controller's record follow the new one; groups with
// a record of their own keep it.
void CnfController::setInterstate(QSharedPointer<CnfInterstate> is)
{
    if (!d)
        return;
    for (const auto& sg : qAsConst(d->signalGroups)) {
        if (!sg->interstate || sg->interstate == d->interstate)
            sg->interstate = is;
    }
    d->interstate = is;
}

// Additions

void CnfController::addSignalGroup(QSharedPointer<CnfSignalGroup> sg)
{
    if (!d || !sg || findSG(sg->id))
        return;
    if (!sg->interstate)
        sg->interstate = d->interstate;
    if (d->defaultSignalGroup)
        sg->setDefaulSignalGroup(d->defaultSignalGroup);
    d->index.groupAppended(sg);
    cnfAppendTaken(d->signalGroups, std::move(sg));
}

bool CnfController::addPowerDevice(QSharedPointer<CnfPowerDevice> dev)
{
    if (!d || !dev)
        return false;
    if (findPowerDeviceByAddress(dev->address)) {
        d->lastError = QObject::tr("Дублирующееся устройство с адресом %1").arg(dev->address);
        return false;
    }
    if (dev->id == 0)
        dev->id = dev->address;
    d->index.deviceAppended(dev);
    cnfAppendTaken(d->powerDevices, std::move(dev));
    return true;
}

void CnfController::addPhase(QSharedPointer<CnfPhase> phase)
{
    if (d && phase && !findPhase(phase->id)) {
        d->index.phaseAppended(phase);
        cnfAppendTaken(d->phases, std::move(phase));
    }
}

// Id 0 means "not numbered yet": such a matrix gets the smallest free id
// instead of being taken for a duplicate of another unnumbered one.
void CnfController::addMatrix(QSharedPointer<CnfMatrix> m, bool asDefault, bool asSafety)
{
    if (!d || !m || d->matrices.contains(m))
        return;
    if (m->id() != 0 && findMatrix(m->id()))
        return;
    if (m->id() == 0) {
        int id = 1;
        while (findMatrix(id))
            ++id;
        m->setId(id);
    }
    d->matrices << m;
    if (asDefault)
        setDefaultMatrix(m);
    if (asSafety)
        setSafetyMatrix(m);
}

void CnfController::addDetector(QSharedPointer<CnfDetector> detector)
{
    if (d && detector && !findDetector(detector->id())) {
        d->detectors << detector;
        d->index.detectorAppended(detector);
    }
}

void CnfController::addSensor(QSharedPointer<CnfDetector> sensor)
{
    if (d && sensor && !findSensor(sensor->id())) {
        d->sensors << sensor;
        d->index.sensorAppended(sensor);
    }
}

// A program whose steps show phases the controller does not list is rebuilt
// through its project-document form, which adds those phases; the rebuilt
// program is added in its place.
void CnfController::addProgram(QSharedPointer<CnfProgram> p)
{
    if (!d || !p || isListed(*d, p))
        return;
    if (p->id.isEmpty()) {
        int number = 1;
        while (findProgram(QString::number(number)))
            ++number;
        p->id = QString::number(number);
    }
    if (stepsShowListedPhases(*d, p)) {
        if (!p->defaultMatrix)
            p->defaultMatrix = d->defaultMatrix;
        d->index.programAppended(p);
        cnfAppendTaken(d->programs, std::move(p));
        return;
    }
    const auto rebuilt = cnfRebuildProgramThroughDocument(*this, p);
    if (!rebuilt || isListed(*d, rebuilt))
        return;
    rebuilt->defaultMatrix = d->defaultMatrix;
    d->programs << rebuilt;
    d->index.programAppended(rebuilt);
}

void cnfAppendProgramAsRead(CnfController& controller, QSharedPointer<CnfProgram> program)
{
    CnfControllerPrivate* d = controller.d;
    if (d && program && !isListed(*d, program)) {
        d->programs << program;
        d->index.programAppended(program);
    }
}

void CnfController::addDayCard(QSharedPointer<CnfDayCard> c)
{
    if (d && c && !isListed(*d, c)) {
        d->index.dayCardAppended(c);
        cnfAppendTaken(d->dayCards, std::move(c));
    }
}

void CnfController::addWeekCard(QSharedPointer<CnfWeekCard> c)
{
    if (d && c && !isListed(*d, c)) {
        d->index.weekCardAppended(c);
        cnfAppendTaken(d->weekCards, std::move(c));
    }
}

void CnfController::addSeasonPlan(QSharedPointer<CnfSeasonPlan> sp)
{
    if (!d || !sp)
        return;
    if (sp->id.isEmpty())
        sp->id = QString::number(d->seasonPlans.size() + 1);
    d->seasonPlans << sp;
}

void CnfController::addSpecialDay(QDate date, QSharedPointer<CnfSpecialDay> day)
{
    if (!d || !day)
        return;
    if (day->id.isEmpty())
        day->id = cnfNumberText(d->specialDays.size() + 1);
    d->specialDays[date] = std::move(day);
}

// Look-ups

QSharedPointer<CnfSignalGroup> CnfController::findSG(const int& id) const
{
    if (!d)
        return {};
    if (d->index.isActive())
        return d->index.groupsById.find(d->signalGroups, id);
    return findFirst(d->signalGroups, [id](const CnfSignalGroup& sg) { return sg.id == id; });
}

QSharedPointer<CnfSignalGroup> CnfController::findSGByName(const QString& name) const
{
    if (!d)
        return {};
    if (d->index.isActive())
        return d->index.groupsByName.find(d->signalGroups, name);
    return findFirst(d->signalGroups, [&name](const CnfSignalGroup& sg) { return sg.name == name; });
}

QSharedPointer<CnfPowerDevice> CnfController::findPowerDevice(int id) const
{
    if (!d)
        return {};
    if (d->index.isActive())
        return d->index.devicesById.find(d->powerDevices, id);
    return findLast(d->powerDevices, [id](const CnfPowerDevice& dev) { return dev.id == id; });
}

QSharedPointer<CnfPowerDevice> CnfController::findPowerDeviceByAddress(int address) const
{
    if (!d)
        return {};
    if (d->index.isActive())
        return d->index.devicesByAddress.find(d->powerDevices, address);
    return findLast(d->powerDevices, [address](const CnfPowerDevice& dev) { return dev.address == address; });
}

QSharedPointer<CnfPowerDevice> CnfController::findPowerDeviceByName(const QString& name) const
{
    if (!d)
        return {};
    if (d->index.isActive())
        return d->index.devicesByName.find(d->powerDevices, name);
    return findLast(d->powerDevices, [&name](const CnfPowerDevice& dev) { return dev.name == name; });
}

QSharedPointer<CnfSignalGroup> CnfController::findPowerDeviceSg(QSharedPointer<CnfPowerDevice> dev) const
{
    if (!d || !dev)
        return {};
    return findLast(d->signalGroups, [&dev](const CnfSignalGroup& sg) { return sg.devices.contains(dev); });
}

QSharedPointer<CnfPhase> CnfController::findPhase(const QString& id) const
{
    if (!d)
        return {};
    if (d->index.isActive())
        return d->index.phasesById.find(d->phases, id);
    return findLast(d->phases, [&id](const CnfPhase& phase) { return phase.id == id; });
}

QSharedPointer<CnfPhase> CnfController::findPhaseByName(const QString& name) const
{
    if (!d)
        return {};
    if (d->index.isActive())
        return d->index.phasesByName.find(d->phases, name);
    return findLast(d->phases, [&name](const CnfPhase& phase) { return phase.name == name; });
}

QSharedPointer<CnfMatrix> CnfController::findMatrix(const int& id) const
{
    if (!d)
        return {};
    return findLast(d->matrices, [id](const CnfMatrix& m) { return m.id() == id; });
}

QSharedPointer<CnfMatrix> CnfController::findMatrixByName(const QString& name) const
{
    if (!d)
        return {};
    return findLast(d->matrices, [&name](const CnfMatrix& m) { return m.name() == name; });
}

QSharedPointer<CnfDetector> CnfController::findDetector(int id) const
{
    if (!d)
        return {};
    if (d->index.isActive())
        return d->index.detectorsById.find(d->detectors, id);
    return findLast(d->detectors, [id](const CnfDetector& det) { return det.id() == id; });
}

QSharedPointer<CnfDetector> CnfController::findDetectorByName(const QString& name) const
{
    if (!d)
        return {};
    if (d->index.isActive())
        return d->index.detectorsByName.find(d->detectors, name);
    return findLast(d->detectors, [&name](const CnfDetector& det) { return det.name() == name; });
}

QSharedPointer<CnfDetector> CnfController::findSensor(int id) const
{
    if (!d)
        return {};
    if (d->index.isActive())
        return d->index.sensorsById.find(d->sensors, id);
    return findLast(d->sensors, [id](const CnfDetector& sensor) { return sensor.id() == id; });
}

QSharedPointer<CnfDetector> CnfController::findSensorByName(const QString& name) const
{
    if (!d)
        return {};
    if (d->index.isActive())
        return d->index.sensorsByName.find(d->sensors, name);
    return findLast(d->sensors, [&name](const CnfDetector& sensor) { return sensor.name() == name; });
}

QSharedPointer<CnfProgram> CnfController::findProgram(const QString& id) const
{
    if (!d)
        return {};
    if (d->index.isActive())
        return d->index.programsById.find(d->programs, id);
    return findLast(d->programs, [&id](const CnfProgram& p) { return p.id == id; });
}

QSharedPointer<CnfProgram> CnfController::findProgramByName(const QString& name) const
{
    if (!d)
        return {};
    if (d->index.isActive())
        return d->index.programsByName.find(d->programs, name);
    return findLast(d->programs, [&name](const CnfProgram& p) { return p.name == name; });
}

QSharedPointer<CnfDayCard> CnfController::findDayCard(const QString& id) const
{
    if (!d)
        return {};
    if (d->index.isActive())
        return d->index.dayCardsById.find(d->dayCards, id);
    return findLast(d->dayCards, [&id](const CnfDayCard& c) { return c.id == id; });
}

QSharedPointer<CnfDayCard> CnfController::findDayCardByName(const QString& name) const
{
    if (!d)
        return {};
    if (d->index.isActive())
        return d->index.dayCardsByName.find(d->dayCards, name);
    return findLast(d->dayCards, [&name](const CnfDayCard& c) { return c.name == name; });
}

QSharedPointer<CnfWeekCard> CnfController::findWeekCard(const QString& id) const
{
    if (!d)
        return {};
    if (d->index.isActive())
        return d->index.weekCardsById.find(d->weekCards, id);
    return findLast(d->weekCards, [&id](const CnfWeekCard& c) { return c.id == id; });
}

QSharedPointer<CnfWeekCard> CnfController::findWeekCardByName(const QString& name) const
{
    if (!d)
        return {};
    if (d->index.isActive())
        return d->index.weekCardsByName.find(d->weekCards, name);
    return findLast(d->weekCards, [&name](const CnfWeekCard& c) { return c.name == name; });
}

// Removals

// Matrix cells hold plain group pointers: every matrix that may name the
// group loses its cells, the programs' own matrices included.
void CnfController::removeSignalGroup(const int& id)
{
    const auto sg = findSG(id);
    if (!sg)
        return;
    d->index.reset();
    d->signalGroups.removeAll(sg);
    for (const auto& phase : qAsConst(d->phases)) {
        auto& groups = phase->signalGroups;
        groups.erase(std::remove_if(groups.begin(), groups.end(),
                                    [id](const QSharedPointer<CnfSignalGroup>& g) { return g && g->id == id; }),
                     groups.end());
    }
    const auto matrices = matricesNamingGroups(*d);
    for (const auto& m : matrices)
        m->removeSG(sg);
}

void CnfController::removePowerDevice(int address)
{
    if (d)
        removeDevice(*d, findPowerDeviceByAddress(address));
}

void CnfController::removePowerDeviceById(int id)
{
    if (d)
        removeDevice(*d, findPowerDevice(id));
}

void CnfController::removePhase(const QString& id)
{
    const auto phase = findPhase(id);
    if (!phase)
        return;
    d->index.reset();
    d->phases.removeAll(phase);
    for (const auto& program : qAsConst(d->programs))
        program->removePhase(id);
}

void CnfController::removeMatrix(const int& id)
{
    if (!d || (d->conflictMatrix && d->conflictMatrix->id() == id))
        return;
    const auto m = findMatrix(id);
    if (!m)
        return;
    d->matrices.removeAll(m);
    for (const auto& program : qAsConst(d->programs)) {
        if (program->matrix == m)
            program->matrix.reset();
        if (program->defaultMatrix == m)
            program->defaultMatrix.reset();
    }
    if (d->safetyMatrix == m)
        d->safetyMatrix.reset();
    if (d->defaultMatrix == m)
        setDefaultMatrix(d->matrices.isEmpty() ? QSharedPointer<CnfMatrix>() : d->matrices.first());
}

void CnfController::removeDetector(int id)
{
    if (const auto detector = findDetector(id)) {
        d->index.reset();
        d->detectors.removeAll(detector);
    }
}

void CnfController::removeSensor(int id)
{
    if (const auto sensor = findSensor(id)) {
        d->index.reset();
        d->sensors.removeAll(sensor);
    }
}

// Daily-card records that start the program go; records that only name it as
// the reserve keep their program and lose the reserve.
void CnfController::removeProgram(const QString& id)
{
    const auto program = findProgram(id);
    if (!program)
        return;
    d->index.reset();
    d->programs.removeAll(program);
    const auto cards = reachableDayCards(*d);
    for (const auto& card : cards) {
        for (auto it = card->records.begin(); it != card->records.end();) {
            if (it->program && it->program->id == id) {
                it = card->records.erase(it);
                continue;
            }
            if (it->reserveProgram && it->reserveProgram->id == id)
                it->reserveProgram.reset();
            ++it;
        }
    }
    if (d->defaultProgram == program)
        d->defaultProgram.reset();
}

void CnfController::removeDayCard(QSharedPointer<CnfDayCard> c)
{
    if (!d || !c)
        return;
    d->index.reset();
    d->dayCards.removeAll(c);
    const auto weekCards = d->weekCards;
    for (const auto& week : weekCards) {
        bool dropped = false;
        for (auto it = week->days.begin(); it != week->days.end();) {
            if (it.value() == c) {
                it = week->days.erase(it);
                dropped = true;
            } else {
                ++it;
            }
        }
        if (dropped && week->days.isEmpty())
            removeWeekCard(week);
    }
    const auto dates = d->specialDays.keys();
    for (const QDate& date : dates) {
        if (d->specialDays.value(date)->dayCard == c)
            removeSpecialDay(date);
    }
}

void CnfController::removeWeekCard(QSharedPointer<CnfWeekCard> w)
{
    if (!d || !w)
        return;
    d->index.reset();
    d->weekCards.removeAll(w);
    d->seasonPlans.erase(std::remove_if(d->seasonPlans.begin(), d->seasonPlans.end(),
                                        [&w](const QSharedPointer<CnfSeasonPlan>& sp) {
                                            return sp->weekCard == w;
                                        }),
                         d->seasonPlans.end());
}

void CnfController::removeSeasonPlan(QSharedPointer<CnfSeasonPlan> sp)
{
    if (d)
        d->seasonPlans.removeOne(sp);
}

void CnfController::removeSpecialDay(QDate date)
{
    if (d)
        d->specialDays.remove(date);
}

// Reordering

void CnfController::reorderSignalGroups(QList<QSharedPointer<CnfSignalGroup>>& list)
{
    if (!d)
        return;
    d->index.reset();
    d->signalGroups = withoutNulls(list);
}

void CnfController::reorderPhases(QList<QSharedPointer<CnfPhase>>& list)
{
    if (!d)
        return;
    d->index.reset();
    d->phases = withoutNulls(list);
}

void CnfController::reorderPowerDevices(QList<QSharedPointer<CnfPowerDevice>>& list)
{
    if (!d)
        return;
    d->index.reset();
    d->powerDevices = withoutNulls(list);
}

void CnfController::reorderPrograms(QList<QSharedPointer<CnfProgram>>& list)
{
    if (!d)
        return;
    d->index.reset();
    d->programs = withoutNulls(list);
}

void CnfController::reorderDetectors(QList<QSharedPointer<CnfDetector>>& list)
{
    if (!d)
        return;
    d->index.reset();
    d->detectors = withoutNulls(list);
}

void CnfController::reorderSensors(QList<QSharedPointer<CnfDetector>>& list)
{
    if (!d)
        return;
    d->index.reset();
    d->sensors = withoutNulls(list);
}

// Every step gets an (empty) transition from the phase of the step before it,
// unless its phase already has one; a single step leads from its own phase.
void CnfController::createTransitionsFromPrograms()
{
    if (!d)
        return;
    for (const auto& program : qAsConst(d->programs)) {
        const auto steps = program->phases();
        for (const auto& step : steps) {
            const auto phase = step->phase();
            const auto previous = step->previous();
            if (!phase || !previous || step->findTransition())
                continue;
            auto transition = QSharedPointer<CnfTransition>::create();
            transition->from = previous->id();
            phase->transitions << transition;
        }
    }
}

// Limits

int CnfController::getMaxPhaseCount() const
{
    return CnfFormatRegistry::limitsOf(*this).phases;
}

int CnfController::getMaxProgramCount() const
{
    return CnfFormatRegistry::limitsOf(*this).programs;
}

int CnfController::getMaxDayCardCount() const
{
    return CnfFormatRegistry::limitsOf(*this).dayCards;
}

int CnfController::getMaxSpecialDayCount() const
{
    return CnfFormatRegistry::limitsOf(*this).specialDays;
}

int CnfController::getMaxDayCardItems() const
{
    return CnfFormatRegistry::limitsOf(*this).dayCardItems;
}

int CnfController::getMaxDeviceCount() const
{
    return CnfFormatRegistry::limitsOf(*this).devices;
}

int CnfController::getMaxSgCount() const
{
    return CnfFormatRegistry::limitsOf(*this).signalGroups;
}

// Native data

VObject CnfController::nativeData()
{
    return d ? d->nativeData : VObject();
}

QStringList CnfController::nativeDataNames() const
{
    return d ? d->nativeDataStore.keys() : QStringList();
}

QVariant CnfController::getNativeData(const QString& name, const QVariant& fallback) const
{
    if (!d)
        return fallback;
    const auto it = d->nativeDataStore.constFind(name);
    return it != d->nativeDataStore.cend() && it->isValid() ? *it : fallback;
}

void CnfController::setNativeData(const QString& name, QVariant value)
{
    if (!d)
        return;
    if (value.isValid())
        d->nativeDataStore[name] = std::move(value);
    else
        d->nativeDataStore.remove(name);
}

void CnfController::clearNativeData()
{
    if (d)
        d->nativeDataStore.clear();
}
