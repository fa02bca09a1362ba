#ifndef CNFINTERSTATE_H
#define CNFINTERSTATE_H

#include "cnf_export.h"

// Controller-wide intergreen timings (seconds) that signal groups share
// unless they carry a record of their own.
class CNF_EXPORT CnfInterstate
{
public:
    CnfInterstate() = default;
    CnfInterstate(const CnfInterstate&) = default;
    CnfInterstate(CnfInterstate&&) = default;
    CnfInterstate& operator=(const CnfInterstate&) = default;
    CnfInterstate& operator=(CnfInterstate&&) = default;

    bool isNull() const { return greenBlink == 0 && yellow == 0 && redYellow == 0; }

    int greenBlink = 0;
    int yellow = 0;
    int redYellow = 0;
};

#endif
