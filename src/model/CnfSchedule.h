#ifndef CNFSCHEDULE_H
#define CNFSCHEDULE_H

#include <QDate>
#include <QMap>
#include <QSharedPointer>
#include <QString>
#include <QTime>

#include "cnf_export.h"

class CnfProgram;

// The time schedule: which program runs when. Plain value classes; copies
// share the programs and cards they point to.

struct CNF_EXPORT CnfDayCardRecord
{
    QSharedPointer<CnfProgram> program;
    QSharedPointer<CnfProgram> reserveProgram; // may be null
    QTime end;                                 // null: lasts until the next record
};

class CNF_EXPORT CnfDayCard
{
public:
    CnfDayCard() = default;
    CnfDayCard(const CnfDayCard&) = default;
    CnfDayCard(CnfDayCard&& other) noexcept;
    CnfDayCard& operator=(const CnfDayCard&) = default;
    CnfDayCard& operator=(CnfDayCard&& other) noexcept;
    ~CnfDayCard() = default;

    // Runs `program` (with `reserve`) from `begin`, replacing a record of the same start.
    void addRecord(QTime begin, QTime end, QSharedPointer<CnfProgram> program,
                   QSharedPointer<CnfProgram> reserve);
    void addRecord(QTime begin, QSharedPointer<CnfProgram> program, QSharedPointer<CnfProgram> reserve);

    QString id;
    QString name;
    QMap<QTime, CnfDayCardRecord> records; // by start time
};

class CNF_EXPORT CnfWeekCard
{
public:
    CnfWeekCard() = default;
    CnfWeekCard(const CnfWeekCard&) = default;
    CnfWeekCard(CnfWeekCard&& other) noexcept;
    CnfWeekCard& operator=(const CnfWeekCard&) = default;
    CnfWeekCard& operator=(CnfWeekCard&& other) noexcept;
    ~CnfWeekCard() = default;

    QMap<Qt::DayOfWeek, QSharedPointer<CnfDayCard>> days;
    QString id;
    QString name;
};

class CNF_EXPORT CnfSeasonPlan
{
public:
    CnfSeasonPlan() = default;
    CnfSeasonPlan(const CnfSeasonPlan&) = default;
    CnfSeasonPlan(CnfSeasonPlan&& other) noexcept;
    CnfSeasonPlan& operator=(const CnfSeasonPlan&) = default;
    CnfSeasonPlan& operator=(CnfSeasonPlan&& other) noexcept;
    ~CnfSeasonPlan() = default;

    QDate from; // only day and month carry meaning
    QDate to;
    QString id;
    QString name;
    QSharedPointer<CnfWeekCard> weekCard;
};

class CNF_EXPORT CnfSpecialDay
{
public:
    CnfSpecialDay() = default;
    CnfSpecialDay(const CnfSpecialDay&) = default;
    CnfSpecialDay(CnfSpecialDay&& other) noexcept;
    CnfSpecialDay& operator=(const CnfSpecialDay&) = default;
    CnfSpecialDay& operator=(CnfSpecialDay&& other) noexcept;
    ~CnfSpecialDay() = default;

    QString id;
    QString name;
    QSharedPointer<CnfDayCard> dayCard;
};

#endif
