#include "DayAndMonth.h"

namespace DayAndMonth {

QDate fromText(const QString& text, const QString& format)
{
    const QDate date = QDate::fromString(text, format);
    if (date.isValid())
        return date;
    return QDate::fromString(text + QLatin1Char('|') + QString::number(LeapYear), format + QStringLiteral("|yyyy"));
}

QDate fromNumbers(int year, int month, int day)
{
    const QDate date(year, month, day);
    return date.isValid() ? date : QDate(LeapYear, month, day);
}

} // namespace DayAndMonth
