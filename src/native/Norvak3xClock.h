#ifndef NORVAK3XCLOCK_H
#define NORVAK3XCLOCK_H

#include <QDateTime>

// The wall clock the 3.x reader and writer stamp and date with, read once
// per operation.
class Norvak3xClock
{
public:
    // The current local date and time, carrying the zone's offset from UTC.
    static QDateTime now();
};

#endif
