#ifndef CNFSCHEDULECALENDAR_H
#define CNFSCHEDULECALENDAR_H

#include <QDate>
#include <QList>
#include <QSharedPointer>
#include <QString>

#include "cnf_export.h"

class CnfController;
class CnfDayCard;
class CnfProgram;

// Evaluates a controller's time schedule: which daily card runs on a date,
// and which program runs at which time of a daily card.
//
// A date takes the daily card of its special day; else of the first season
// plan whose period holds it (periods may run over the new year; a plan
// without an end lasts to the end of the year); else of the first weekly
// card; a weekly card without the weekday gives the default daily card.
class CNF_EXPORT CnfScheduleCalendar
{
public:
    // Where the daily card of a date comes from.
    enum Source {
        None,        // no card: no special day, weekly card or default card applies
        SpecialDay,
        SeasonPlan,
        WeekCard,
        DefaultCard,
    };

    struct Day {
        QDate date;
        QSharedPointer<CnfDayCard> dayCard; // null when Source is None
        Source source;
        QString sourceId; // the special day, season plan or weekly card that decided
    };

    // One stretch of a daily card, in seconds from midnight ([from, to)).
    struct Period {
        int from;
        int to;
        QSharedPointer<CnfProgram> program; // null for a time without a program
        QSharedPointer<CnfProgram> reserveProgram;
    };

    // The daily card that runs on `date`.
    static Day dayOf(const CnfController& controller, const QDate& date);
    // Every date of `year`, 1 January first; empty for an invalid year.
    static QList<Day> yearOf(const CnfController& controller, int year);
    // The card's day from 00:00 to 24:00 as consecutive periods. A record
    // lasts until its end or the next record; before the first record the
    // last record of the day before still runs.
    static QList<Period> periodsOf(const CnfDayCard& card);
};

#endif
