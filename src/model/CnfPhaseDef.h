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
    // A null phase is ignored.
    void setPhase(QSharedPointer<CnfPhase> p);
    // The phase's id; empty without a phase.
    QString id() const;

    QSharedPointer<CnfPhaseDef> next() const;
    QSharedPointer<CnfPhaseDef> previous() const;
    CnfProgram* program() const;

    // Main duration in seconds, without the intergreen that leads in.
    int length() const;
    // Sets the main duration, clamped to the phase's limits with a diagnostic.
    void setLength(int length);
    void addLength(int delta);
    // Whole duration in seconds: the set value, or the intergreen plus `length()`.
    int fullLength() const;
    void setFullLength(int fullLength);
    // Whether the whole duration was set rather than derived.
    bool fullLengthDefined() const;
    // Main duration plus the green-blink part of the intergreen.
    int greenLength() const;
    // Second of the cycle at which the step begins, offset included; -1 outside a program.
    int start() const;

    // The group's change when entering this step from the previous one; StayRed without one.
    CnfSignalGroup::SGState getSGState(const int& sgId) const;

    // The intergreen that leads into this step from the previous one.
    int phaseInterstate() const;
    // The intergreen for entering this step from step `from`.
    int phaseInterstate(QSharedPointer<CnfPhaseDef> from) const;
    // The green-blink part of this step's intergreen.
    int interstateGreen() const;
    // The transition of this step's phase from the previous step's phase; null when none.
    QSharedPointer<CnfTransition> findTransition() const;
    QSharedPointer<CnfTransition> findTransition(QSharedPointer<CnfPhaseDef> from) const;
    // A new transition with times computed from the groups' timings; null without a previous step.
    QSharedPointer<CnfTransition> createTransition() const;

private:
    friend class CnfProgram;
    friend class CnfPhaseDefPrivate;
    friend class QSharedPointer<CnfPhaseDef>; // a step and its count in one block
    CnfPhaseDef();
    Q_DISABLE_COPY(CnfPhaseDef)

    QScopedPointer<CnfPhaseDefPrivate> d;
};

#endif
