#ifndef DAYANDMONTH_H
#define DAYANDMONTH_H

#include <QDate>
#include <QString>

// Dates of the schedule (special days, season plans) that have a day and a
// month but no year of their own. 29 February is such a date, although the
// year a reader puts them in may not have it: that day then falls in a leap
// year. Shared by every reader of such dates.
namespace DayAndMonth {

constexpr int LeapYear = 2000;

// `text` read with `format`, which has day and month fields only; null when
// the text is no such date.
QDate fromText(const QString& text, const QString& format);

// The date `day`.`month` in `year`; null when no year has it.
QDate fromNumbers(int year, int month, int day);

} // namespace DayAndMonth

#endif
