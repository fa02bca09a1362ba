#ifndef CNFTRANSITION_H
#define CNFTRANSITION_H

#include <QMap>
#include <QString>

#include "cnf_export.h"

// The change into a phase from the phase `from`; stored in the phase it
// leads to. Times are per signal group id, in seconds.
class CNF_EXPORT CnfTransition
{
public:
    CnfTransition() = default;
    CnfTransition(const CnfTransition&) = default;
    CnfTransition(CnfTransition&&) = default;
    CnfTransition& operator=(const CnfTransition&) = default;
    CnfTransition& operator=(CnfTransition&&) = default;
    ~CnfTransition() = default;

    // Empties the time maps; `from` stays.
    void clear();

    QString from;
    QMap<int, int> clearing;
    QMap<int, int> entering;
    QMap<int, int> addRed;
};

#endif
