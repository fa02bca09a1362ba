#ifndef CNFSAFETYREVIEW_H
#define CNFSAFETYREVIEW_H

#include <QCoreApplication>
#include <QList>
#include <QPair>
#include <QSet>
#include <QSharedPointer>

#include "CnfFinding.h"
#include "cnf_export.h"

class CnfController;
class CnfMatrix;
class CnfPhase;
class CnfPhaseDef;
class CnfProgram;
class CnfSignalGroup;

// Reviews a model for what endangers road users or makes it inconsistent:
// conflicting groups green together, references to missing elements, program
// steps outside their phase limits and conflicting changes of phase without
// any intergreen time; it warns of groups without timings for the intergreen
// variant a program uses. The model is only read, so an editor can run the
// review before it saves. Its codes are "conflicting-greens",
// "dangling-reference", "step-out-of-limits" and "missing-intergreen" (errors)
// and "missing-variant-timings" (a warning).
class CNF_EXPORT CnfSafetyReview
{
    Q_DECLARE_TR_FUNCTIONS(CnfSafetyReview)

public:
    // Reviews `controller`, which must outlive the review.
    explicit CnfSafetyReview(const CnfController& controller);

    // Every finding, in the order of the model: groups, matrices, phases,
    // programs, schedule.
    QList<CnfFinding> run();

private:
    using GroupPair = QPair<const CnfSignalGroup*, const CnfSignalGroup*>;

    void collectConflicts();
    void reviewGroups();
    void reviewMatrix(const QSharedPointer<CnfMatrix>& matrix);
    void reviewPhase(const CnfPhase& phase);
    void reviewTransitions(const CnfPhase& phase);
    void reviewProgram(const CnfProgram& program);
    void reviewStepLimits(const CnfProgram& program, int index, const CnfPhaseDef& step);
    void reviewChangeOfPhase(const CnfProgram& program, const CnfPhaseDef& step);
    void reviewVariantTimings(const CnfProgram& program);
    void reviewDayCards();
    void reviewWeekCards();
    void reviewSpecialDays();
    void reviewSeasonPlans();
    void reviewDefaults();

    bool isListed(const QSharedPointer<CnfSignalGroup>& group) const;
    bool conflicting(const CnfSignalGroup* a, const CnfSignalGroup* b) const;
    void report(const QString& code, const QString& message, const QList<CnfFinding::Element>& elements,
                CnfFinding::Severity severity = CnfFinding::Error);

    const CnfController& m_controller;
    QSet<const CnfSignalGroup*> m_groups;
    QSet<GroupPair> m_conflicts; // each pair with the lower address first
    QSet<QString> m_reported;    // code and message, so that a repeated step reports once
    QList<CnfFinding> m_findings;
};

#endif
