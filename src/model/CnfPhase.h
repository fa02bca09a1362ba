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

    bool contains(const int& sgId) const;
    QSharedPointer<CnfTransition> findTransition(const QString& fromId) const;
    QString friendlyName() const;
    CnfSignalGroup::SGState getSGState(const QSharedPointer<CnfPhase>& from, const int& sgId) const;
    int phaseInterstate(const QSharedPointer<CnfPhase>& from) const;

    QString id;
    QString name;
    int minLength = -1; // not above 0: not set
    int maxLength = -1;
    QList<QSharedPointer<CnfSignalGroup>> signalGroups;
    QList<QSharedPointer<CnfTransition>> transitions;
};

#endif
