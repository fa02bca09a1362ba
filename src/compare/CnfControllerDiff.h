#ifndef CNFCONTROLLERDIFF_H
#define CNFCONTROLLERDIFF_H

#include <QList>

#include "CnfDifference.h"
#include "cnf_export.h"

class CnfController;

// Compares two controllers element by element. Elements are matched by id
// (special days by day and month, card records by start time, program steps
// by position); a different order of the same elements is one difference of
// its own.
class CNF_EXPORT CnfControllerDiff
{
public:
    // Every difference between `first` and `second`, in a fixed order:
    // controller, native data, power devices, signal groups, phases and their
    // transitions, conflict matrix, matrices, detectors, sensors, programs and
    // their steps, daily cards, weekly cards, special days, season plans.
    // Empty when the two hold the same configuration. Neither is changed.
    static QList<CnfDifference> compare(const CnfController& first, const CnfController& second);
};

#endif
