#ifndef CNFSGTIMES_H
#define CNFSGTIMES_H

#include <QtGlobal>

#include "cnf_export.h"

// Timings of one signal group for one interstate variant, in seconds.
struct CNF_EXPORT CnfSGTimes
{
    quint8 greenAdd1 = 0;
    quint8 greenBlink = 0;
    quint8 yellow = 0;
    quint8 redAdd = 0;
    quint8 yellowRed = 0;
    quint8 greenAdd2 = 0;
};

#endif
