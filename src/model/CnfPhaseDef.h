#ifndef CNFPHASEDEF_H
#define CNFPHASEDEF_H

#include <QObject>
#include <QScopedPointer>
#include <QSharedPointer>
#include <QString>

#include "CnfSignalGroup.h"
#include "cnf_export.h"

class CnfPhase;
class CnfProgram;
class CnfTransition;
class CnfPhaseDefPrivate;

// One step of a program's phase sequence: a phase with its duration, linked
// to its neighbours in a ring. Created only by CnfProgram; the program's list
// owns the steps, the ring links do not.
class CNF_EXPORT CnfPhaseDef : public QObject
{
public:
    ~CnfPhaseDef() override;

    QSharedPointer<CnfPhase> phase() const;
    void setPhase(QSharedPointer<CnfPhase> p);
    QString id() const;

    QSharedPointer<CnfPhaseDef> next() const;
    QSharedPointer<CnfPhaseDef> previous() const;
    CnfProgram* program() const;

    int length() const;
    void setLength(int length);
    void addLength(int delta);
    int fullLength() const;
    void setFullLength(int fullLength);
    bool fullLengthDefined() const;
    int greenLength() const;
    int start() const;

    CnfSignalGroup::SGState getSGState(const int& sgId) const;

    int phaseInterstate() const;
    int phaseInterstate(QSharedPointer<CnfPhaseDef> from) const;
    int interstateGreen() const;
    QSharedPointer<CnfTransition> findTransition() const;
    QSharedPointer<CnfTransition> findTransition(QSharedPointer<CnfPhaseDef> from) const;
    QSharedPointer<CnfTransition> createTransition() const;

private:
    friend class CnfProgram;
    CnfPhaseDef();
    Q_DISABLE_COPY(CnfPhaseDef)

    QScopedPointer<CnfPhaseDefPrivate> d;
};

#endif
