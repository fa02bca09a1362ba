#include "CnfControllerIndex.h"

// The walks of CnfController: groups are found from the start of their list,
// everything else from its end.
CnfControllerIndex::CnfControllerIndex()
    : groupsById([](const CnfSignalGroup& g) { return g.id; }, decltype(groupsById)::First)
    , groupsByName([](const CnfSignalGroup& g) { return g.name; }, decltype(groupsByName)::First)
    , devicesById([](const CnfPowerDevice& dev) { return dev.id; }, decltype(devicesById)::Last)
    , devicesByAddress([](const CnfPowerDevice& dev) { return dev.address; }, decltype(devicesByAddress)::Last)
    , devicesByName([](const CnfPowerDevice& dev) { return dev.name; }, decltype(devicesByName)::Last)
    , phasesById([](const CnfPhase& phase) { return phase.id; }, decltype(phasesById)::Last)
    , phasesByName([](const CnfPhase& phase) { return phase.name; }, decltype(phasesByName)::Last)
    , detectorsById([](const CnfDetector& det) { return det.id(); }, decltype(detectorsById)::Last)
    , detectorsByName([](const CnfDetector& det) { return det.name(); }, decltype(detectorsByName)::Last)
    , sensorsById([](const CnfDetector& det) { return det.id(); }, decltype(sensorsById)::Last)
    , sensorsByName([](const CnfDetector& det) { return det.name(); }, decltype(sensorsByName)::Last)
    , programsById([](const CnfProgram& p) { return p.id; }, decltype(programsById)::Last)
    , programsByName([](const CnfProgram& p) { return p.name; }, decltype(programsByName)::Last)
    , dayCardsById([](const CnfDayCard& c) { return c.id; }, decltype(dayCardsById)::Last)
    , dayCardsByName([](const CnfDayCard& c) { return c.name; }, decltype(dayCardsByName)::Last)
    , weekCardsById([](const CnfWeekCard& c) { return c.id; }, decltype(weekCardsById)::Last)
    , weekCardsByName([](const CnfWeekCard& c) { return c.name; }, decltype(weekCardsByName)::Last)
{
}

void CnfControllerIndex::beginSession()
{
    ++m_sessions;
}

void CnfControllerIndex::endSession()
{
    if (m_sessions > 0 && --m_sessions == 0)
        reset();
}

void CnfControllerIndex::reset()
{
    groupsById.reset();
    groupsByName.reset();
    devicesById.reset();
    devicesByAddress.reset();
    devicesByName.reset();
    phasesById.reset();
    phasesByName.reset();
    phaseMembers.reset();
    detectorsById.reset();
    detectorsByName.reset();
    sensorsById.reset();
    sensorsByName.reset();
    programsById.reset();
    programsByName.reset();
    programMembers.reset();
    dayCardsById.reset();
    dayCardsByName.reset();
    dayCardMembers.reset();
    weekCardsById.reset();
    weekCardsByName.reset();
    weekCardMembers.reset();
}

void CnfControllerIndex::groupAppended(const QSharedPointer<CnfSignalGroup>& group)
{
    groupsById.appended(group);
    groupsByName.appended(group);
}

void CnfControllerIndex::deviceAppended(const QSharedPointer<CnfPowerDevice>& device)
{
    devicesById.appended(device);
    devicesByAddress.appended(device);
    devicesByName.appended(device);
}

void CnfControllerIndex::phaseAppended(const QSharedPointer<CnfPhase>& phase)
{
    phasesById.appended(phase);
    phasesByName.appended(phase);
    phaseMembers.appended(phase);
}

void CnfControllerIndex::detectorAppended(const QSharedPointer<CnfDetector>& detector)
{
    detectorsById.appended(detector);
    detectorsByName.appended(detector);
}

void CnfControllerIndex::sensorAppended(const QSharedPointer<CnfDetector>& sensor)
{
    sensorsById.appended(sensor);
    sensorsByName.appended(sensor);
}

void CnfControllerIndex::programAppended(const QSharedPointer<CnfProgram>& program)
{
    programsById.appended(program);
    programsByName.appended(program);
    programMembers.appended(program);
}

void CnfControllerIndex::dayCardAppended(const QSharedPointer<CnfDayCard>& card)
{
    dayCardsById.appended(card);
    dayCardsByName.appended(card);
    dayCardMembers.appended(card);
}

void CnfControllerIndex::weekCardAppended(const QSharedPointer<CnfWeekCard>& card)
{
    weekCardsById.appended(card);
    weekCardsByName.appended(card);
    weekCardMembers.appended(card);
}
