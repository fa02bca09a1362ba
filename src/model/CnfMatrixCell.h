#ifndef CNFMATRIXCELL_H
#define CNFMATRIXCELL_H

#include "cnf_export.h"

class CnfSignalGroup;

// One entry of a matrix, for the ordered pair (group getting green, group
// losing green). The group pointers do not own; the controller removes the
// cells of a group it removes.
struct CNF_EXPORT CnfMatrixCell
{
    CnfSignalGroup* onGroup = nullptr;
    CnfSignalGroup* offGroup = nullptr;
    double value = 0.0;
};

#endif
