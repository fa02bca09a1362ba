#include "Norvak3xClock.h"

#include <ctime>

// The local fields come from the C library with a fixed offset attached:
// a local-time QDateTime would consult the time-zone database (system calls
// included) at every construction, for the same fields.
QDateTime Norvak3xClock::now()
{
    const qint64 msecs = QDateTime::currentMSecsSinceEpoch();
    const std::time_t seconds = std::time_t(msecs / 1000);
    std::tm local {};
    if (msecs < 0 || !localtime_r(&seconds, &local))
        return QDateTime::currentDateTime();
    const QDate date(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    const QTime time(local.tm_hour, local.tm_min, local.tm_sec, int(msecs % 1000));
    return QDateTime(date, time, Qt::OffsetFromUTC, int(local.tm_gmtoff));
}
