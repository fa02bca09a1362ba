#include "CnfSchedule.h"

#include <utility>

// The move operations take every member and leave the source with empty
// ones, dates and times included (a plain move would copy those).

CnfDayCard::CnfDayCard(CnfDayCard&& other) noexcept
    : id(std::exchange(other.id, {}))
    , name(std::exchange(other.name, {}))
    , records(std::exchange(other.records, {}))
{
}

CnfDayCard& CnfDayCard::operator=(CnfDayCard&& other) noexcept
{
    if (this != &other) {
        id = std::exchange(other.id, {});
        name = std::exchange(other.name, {});
        records = std::exchange(other.records, {});
    }
    return *this;
}

void CnfDayCard::addRecord(QTime begin, QTime end, QSharedPointer<CnfProgram> program,
                           QSharedPointer<CnfProgram> reserve)
{
    // One record per start time: a later one replaces it. The pointers are
    // moved rather than copied, which spares their atomic counts.
    records[begin] = CnfDayCardRecord{std::move(program), std::move(reserve), end};
}

void CnfDayCard::addRecord(QTime begin, QSharedPointer<CnfProgram> program, QSharedPointer<CnfProgram> reserve)
{
    addRecord(begin, QTime(), std::move(program), std::move(reserve));
}

CnfWeekCard::CnfWeekCard(CnfWeekCard&& other) noexcept
    : days(std::exchange(other.days, {}))
    , id(std::exchange(other.id, {}))
    , name(std::exchange(other.name, {}))
{
}

CnfWeekCard& CnfWeekCard::operator=(CnfWeekCard&& other) noexcept
{
    if (this != &other) {
        days = std::exchange(other.days, {});
        id = std::exchange(other.id, {});
        name = std::exchange(other.name, {});
    }
    return *this;
}

CnfSeasonPlan::CnfSeasonPlan(CnfSeasonPlan&& other) noexcept
    : from(std::exchange(other.from, {}))
    , to(std::exchange(other.to, {}))
    , id(std::exchange(other.id, {}))
    , name(std::exchange(other.name, {}))
    , weekCard(std::exchange(other.weekCard, {}))
{
}

CnfSeasonPlan& CnfSeasonPlan::operator=(CnfSeasonPlan&& other) noexcept
{
    if (this != &other) {
        from = std::exchange(other.from, {});
        to = std::exchange(other.to, {});
        id = std::exchange(other.id, {});
        name = std::exchange(other.name, {});
        weekCard = std::exchange(other.weekCard, {});
    }
    return *this;
}

CnfSpecialDay::CnfSpecialDay(CnfSpecialDay&& other) noexcept
    : id(std::exchange(other.id, {}))
    , name(std::exchange(other.name, {}))
    , dayCard(std::exchange(other.dayCard, {}))
{
}

CnfSpecialDay& CnfSpecialDay::operator=(CnfSpecialDay&& other) noexcept
{
    if (this != &other) {
        id = std::exchange(other.id, {});
        name = std::exchange(other.name, {});
        dayCard = std::exchange(other.dayCard, {});
    }
    return *this;
}
