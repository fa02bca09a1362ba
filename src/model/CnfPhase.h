#ifndef CNFPHASE_H
#define CNFPHASE_H

#include <QList>
#include <QSharedPointer>
#include <QString>

#include "CnfSignalGroup.h"
#include "cnf_export.h"

class CnfTransition;

// A stage: the signal groups that have green together, and the transitions
// that lead into it.
class CNF_EXPORT CnfPhase
{
public:
    CnfPhase() = default;
    CnfPhase(const CnfPhase&) = default;
    CnfPhase(CnfPhase&&) = default;
    CnfPhase& operator=(const CnfPhase&) = default;
    CnfPhase& operator=(CnfPhase&&) = default;
    ~CnfPhase() = default;

    // Whether a group of that id is in the phase.
    bool contains(const int& sgId) const;
    // The transition from phase `fromId`, the last added winning; null when none.
    QSharedPointer<CnfTransition> findTransition(const QString& fromId) const;
    // Text for display.
    QString friendlyName() const;
    // How the group changes when the controller passes from `from` into this phase.
    CnfSignalGroup::SGState getSGState(const QSharedPointer<CnfPhase>& from, const int& sgId) const;
    // The intergreen for entering this phase from `from`, from its transition; -1 when none.
    int phaseInterstate(const QSharedPointer<CnfPhase>& from) const;

    QString id;
    QString name;
    int minLength = -1; // not above 0: not set
    int maxLength = -1;
    QList<QSharedPointer<CnfSignalGroup>> signalGroups;
    QList<QSharedPointer<CnfTransition>> transitions;
};

#endif
