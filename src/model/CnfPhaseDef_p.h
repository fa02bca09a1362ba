#ifndef CNFPHASEDEF_P_H
#define CNFPHASEDEF_P_H

#include <QSharedPointer>
#include <QWeakPointer>

class CnfPhase;
class CnfPhaseDef;
class CnfProgram;

// Body of CnfPhaseDef. The program's step list owns the steps; the ring links
// are weak so that a ring cannot keep its own steps alive.
class CnfPhaseDefPrivate
{
public:
    // The body of `step`, for the computations that read a step where it is.
    static const CnfPhaseDefPrivate& of(const CnfPhaseDef& step);

    QSharedPointer<CnfPhase> phase;
    QWeakPointer<CnfPhaseDef> previous;
    QWeakPointer<CnfPhaseDef> next;
    CnfProgram* program = nullptr; // cleared when the step leaves its program
    int length = 0;                // without the intergreen leading into the phase
    int fullLength = -1;           // with the intergreen; -1: not defined
};

#endif
