#ifndef CNFCONTROLLERINDEX_H
#define CNFCONTROLLERINDEX_H

#include <QString>

#include "CnfDetector.h"
#include "CnfListIndex.h"
#include "CnfListMembers.h"
#include "CnfPhase.h"
#include "CnfPowerDevice.h"
#include "CnfProgram.h"
#include "CnfSchedule.h"
#include "CnfSignalGroup.h"

// The indices beside the controller's lists, used while a CnfLookupSession
// lives: look-ups and duplicate checks then cost a hash probe instead of a
// walk. Each index answers exactly as the walk it replaces (first or last of
// equal keys). They are dropped when the last session ends, so that an id
// changed later behind the controller's back cannot leave them stale.
class CnfControllerIndex
{
public:
    CnfControllerIndex();

    bool isActive() const { return m_sessions > 0; }
    void beginSession();
    void endSession();
    // Drops every index; they are built again on their next use.
    void reset();

    void groupAppended(const QSharedPointer<CnfSignalGroup>& group);
    void deviceAppended(const QSharedPointer<CnfPowerDevice>& device);
    void phaseAppended(const QSharedPointer<CnfPhase>& phase);
    void detectorAppended(const QSharedPointer<CnfDetector>& detector);
    void sensorAppended(const QSharedPointer<CnfDetector>& sensor);
    void programAppended(const QSharedPointer<CnfProgram>& program);
    void dayCardAppended(const QSharedPointer<CnfDayCard>& card);
    void weekCardAppended(const QSharedPointer<CnfWeekCard>& card);

    CnfListIndex<CnfSignalGroup, int> groupsById;
    CnfListIndex<CnfSignalGroup, QString> groupsByName;
    CnfListIndex<CnfPowerDevice, int> devicesById;
    CnfListIndex<CnfPowerDevice, int> devicesByAddress;
    CnfListIndex<CnfPowerDevice, QString> devicesByName;
    CnfListIndex<CnfPhase, QString> phasesById;
    CnfListIndex<CnfPhase, QString> phasesByName;
    CnfListMembers<CnfPhase> phaseMembers;
    CnfListIndex<CnfDetector, int> detectorsById;
    CnfListIndex<CnfDetector, QString> detectorsByName;
    CnfListIndex<CnfDetector, int> sensorsById;
    CnfListIndex<CnfDetector, QString> sensorsByName;
    CnfListIndex<CnfProgram, QString> programsById;
    CnfListIndex<CnfProgram, QString> programsByName;
    CnfListMembers<CnfProgram> programMembers;
    CnfListIndex<CnfDayCard, QString> dayCardsById;
    CnfListIndex<CnfDayCard, QString> dayCardsByName;
    CnfListMembers<CnfDayCard> dayCardMembers;
    CnfListIndex<CnfWeekCard, QString> weekCardsById;
    CnfListIndex<CnfWeekCard, QString> weekCardsByName;
    CnfListMembers<CnfWeekCard> weekCardMembers;

private:
    Q_DISABLE_COPY(CnfControllerIndex)
    int m_sessions = 0;
};

#endif
