#include "CnfScheduleCalendar.h"

#include <QTime>

#include <algorithm>

#include "CnfController.h"
#include "CnfSchedule.h"

namespace {

constexpr int SecondsPerDay = 24 * 60 * 60;

// Day and month as one comparable number; the year of the stored date does
// not count, as the formats keep day and month only.
int dayOfYear(const QDate& date)
{
    return date.month() * 100 + date.day();
}

bool inSeason(const CnfSeasonPlan& plan, const QDate& date)
{
    if (!plan.from.isValid())
        return false;
    const int day = dayOfYear(date);
    const int from = dayOfYear(plan.from);
    const int to = plan.to.isValid() ? dayOfYear(plan.to) : dayOfYear(QDate(2000, 12, 31));
    return from <= to ? day >= from && day <= to : day >= from || day <= to;
}

QSharedPointer<CnfSpecialDay> specialDayOn(const CnfController& controller, const QDate& date,
                                           QDate* storedDate)
{
    const auto days = controller.specialDays();
    const auto exact = days.constFind(date);
    if (exact != days.cend() && exact.value()) {
        *storedDate = exact.key();
        return exact.value();
    }
    for (auto it = days.cbegin(); it != days.cend(); ++it) {
        if (it.value() && dayOfYear(it.key()) == dayOfYear(date)) {
            *storedDate = it.key();
            return it.value();
        }
    }
    return {};
}

int secondsOf(const QTime& time)
{
    return time.isValid() ? time.msecsSinceStartOfDay() / 1000 : -1;
}

} // namespace

CnfScheduleCalendar::Day CnfScheduleCalendar::dayOf(const CnfController& controller, const QDate& date)
{
    QDate stored;
    const auto special = specialDayOn(controller, date, &stored);
    if (special && special->dayCard)
        return {date, special->dayCard, SpecialDay, special->id};
    QSharedPointer<CnfWeekCard> week;
    Source source = WeekCard;
    QString sourceId;
    const auto plans = controller.seasonPlans();
    for (const auto& plan : plans) {
        if (plan && plan->weekCard && inSeason(*plan, date)) {
            week = plan->weekCard;
            source = SeasonPlan;
            sourceId = plan->id;
            break;
        }
    }
    if (!week) {
        const auto weeks = controller.weekCards();
        week = weeks.isEmpty() ? nullptr : weeks.first();
        sourceId = week ? week->id : QString();
    }
    const auto card = week ? week->days.value(Qt::DayOfWeek(date.dayOfWeek())) : nullptr;
    if (card)
        return {date, card, source, sourceId};
    if (const auto fallback = controller.defaultDayCard())
        return {date, fallback, DefaultCard, fallback->id};
    return {date, nullptr, None, QString()};
}

QList<CnfScheduleCalendar::Day> CnfScheduleCalendar::yearOf(const CnfController& controller, int year)
{
    QList<Day> days;
    const QDate first(year, 1, 1);
    if (!first.isValid())
        return days;
    for (QDate date = first; date.year() == year; date = date.addDays(1))
        days.append(dayOf(controller, date));
    return days;
}

QList<CnfScheduleCalendar::Period> CnfScheduleCalendar::periodsOf(const CnfDayCard& card)
{
    QList<Period> periods;
    QList<int> starts;
    QList<CnfDayCardRecord> records;
    for (auto it = card.records.cbegin(); it != card.records.cend(); ++it) {
        if (secondsOf(it.key()) < 0)
            continue;
        starts.append(secondsOf(it.key()));
        records.append(it.value());
    }
    if (records.isEmpty())
        return {{0, SecondsPerDay, nullptr, nullptr}};
    // The last record of the day before runs over midnight until the first
    // record, unless it ends on that day.
    const CnfDayCardRecord& last = records.last();
    const int lastEnd = secondsOf(last.end);
    const bool overMidnight = lastEnd < 0 || lastEnd <= starts.last();
    if (starts.first() > 0) {
        int carryEnd = 0;
        if (overMidnight)
            carryEnd = lastEnd < 0 ? starts.first() : std::min(lastEnd, starts.first());
        if (carryEnd > 0)
            periods.append({0, carryEnd, last.program, last.reserveProgram});
        if (carryEnd < starts.first())
            periods.append({carryEnd, starts.first(), nullptr, nullptr});
    }
    for (int i = 0; i < records.size(); ++i) {
        const int next = i + 1 < records.size() ? starts.at(i + 1) : SecondsPerDay;
        const int end = secondsOf(records.at(i).end);
        const int stop = end > starts.at(i) && end < next ? end : next;
        periods.append({starts.at(i), stop, records.at(i).program, records.at(i).reserveProgram});
        if (stop < next)
            periods.append({stop, next, nullptr, nullptr});
    }
    return periods;
}
