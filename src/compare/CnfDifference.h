#ifndef CNFDIFFERENCE_H
#define CNFDIFFERENCE_H

#include <QString>

#include "cnf_export.h"

// One difference between two controllers: the element it concerns, what
// differs and the value on each side.
class CNF_EXPORT CnfDifference
{
public:
    enum Change {
        Changed,   // the element is on both sides; `property` differs
        Missing,   // the element is only in the first controller
        Added,     // the element is only in the second controller
        Reordered, // the same elements in another order
    };

    // A stable code of the kind of element: "controller", "nativeData",
    // "powerDevice", "signalGroup", "interstate", "phase", "transition",
    // "conflictMatrix", "matrix", "matrixCell", "detector", "sensor",
    // "program", "step", "dayCard", "dayCardRecord", "weekCard", "weekDay",
    // "specialDay", "seasonPlan".
    QString kind;
    // The element's key within its kind: an id, a path or a pair of ids.
    QString id;
    // The element for people, e.g. "signal group 3" or "program 2, step 1".
    QString element;
    // What differs ("name", "cycle", "order", ...); empty for Missing and Added.
    QString property;
    Change change = Changed;
    // The values in the first and the second controller; empty when absent.
    QString first;
    QString second;

    // The difference on one line, e.g. `signal group 3: name: "A" → "B"`.
    QString toString() const;
    // The stable code of a change: "changed", "missing", "added", "reordered".
    static QString changeName(Change change);

    // Equal when every field is.
    bool operator==(const CnfDifference& other) const;
    bool operator!=(const CnfDifference& other) const { return !(*this == other); }
};

#endif
