#include <QtTest>

#include "CnfController.h"
#include "CnfProgram.h"
#include "CnfSchedule.h"
#include "CnfScheduleCalendar.h"

using CardPtr = QSharedPointer<CnfDayCard>;
using ProgramPtr = QSharedPointer<CnfProgram>;

namespace {

CardPtr card(const QString& id)
{
    auto c = CardPtr::create();
    c->id = id;
    return c;
}

QSharedPointer<CnfWeekCard> week(const QString& id, const QMap<Qt::DayOfWeek, CardPtr>& days)
{
    auto w = QSharedPointer<CnfWeekCard>::create();
    w->id = id;
    w->days = days;
    return w;
}

QSharedPointer<CnfSeasonPlan> season(const QString& id, QDate from, QDate to, const QSharedPointer<CnfWeekCard>& card)
{
    auto plan = QSharedPointer<CnfSeasonPlan>::create();
    plan->id = id;
    plan->from = from;
    plan->to = to;
    plan->weekCard = card;
    return plan;
}

// Working days and weekends by the standard week; a summer week from June to
// August without Sunday; a winter week over the new year with Sunday only;
// New Year's Day (stored in another year) as a special day.
struct Schedule {
    CnfController controller;
    Schedule()
    {
        const CardPtr w = card("W"), e = card("E"), h = card("H"), s = card("S"), x = card("X"), d = card("D");
        for (const auto& c : {w, e, h, s, x, d})
            controller.addDayCard(c);
        controller.setDefaultDayCard(d);
        const auto standard = week("1", {{Qt::Monday, w}, {Qt::Tuesday, w}, {Qt::Wednesday, w}, {Qt::Thursday, w},
                                         {Qt::Friday, w}, {Qt::Saturday, e}, {Qt::Sunday, e}});
        const auto summer = week("2", {{Qt::Monday, s}, {Qt::Tuesday, s}, {Qt::Wednesday, s}, {Qt::Thursday, s},
                                       {Qt::Friday, s}, {Qt::Saturday, e}});
        const auto winter = week("3", {{Qt::Sunday, x}});
        for (const auto& c : {standard, summer, winter})
            controller.addWeekCard(c);
        controller.addSeasonPlan(season("summer", QDate(2000, 6, 1), QDate(2000, 8, 31), summer));
        controller.addSeasonPlan(season("winter", QDate(2000, 12, 20), QDate(2000, 1, 10), winter));
        auto newYear = QSharedPointer<CnfSpecialDay>::create();
        newYear->id = QStringLiteral("ny");
        newYear->dayCard = h;
        controller.addSpecialDay(QDate(2000, 1, 1), newYear);
    }
};

ProgramPtr program(const QString& id)
{
    auto p = ProgramPtr::create();
    p->id = id;
    return p;
}

} // namespace

class TestScheduleCalendar : public QObject
{
    Q_OBJECT

private slots:
    void dayOf_data();
    void dayOf();
    void yearOf();
    void periodsOf_data();
    void periodsOf();
};

void TestScheduleCalendar::dayOf_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("card");
    QTest::addColumn<int>("source");
    QTest::addColumn<QString>("sourceId");

    QTest::newRow("special day beats the season") << QDate(2026, 1, 1) << "H" << int(CnfScheduleCalendar::SpecialDay) << "ny";
    QTest::newRow("winter season after new year") << QDate(2026, 1, 4) << "X" << int(CnfScheduleCalendar::SeasonPlan) << "winter";
    QTest::newRow("season without the weekday") << QDate(2026, 1, 5) << "D" << int(CnfScheduleCalendar::DefaultCard) << "D";
    QTest::newRow("working day") << QDate(2026, 1, 12) << "W" << int(CnfScheduleCalendar::WeekCard) << "1";
    QTest::newRow("weekend") << QDate(2026, 1, 17) << "E" << int(CnfScheduleCalendar::WeekCard) << "1";
    QTest::newRow("summer, first day") << QDate(2026, 6, 1) << "S" << int(CnfScheduleCalendar::SeasonPlan) << "summer";
    QTest::newRow("summer, last day") << QDate(2026, 8, 31) << "S" << int(CnfScheduleCalendar::SeasonPlan) << "summer";
    QTest::newRow("after summer") << QDate(2026, 9, 1) << "W" << int(CnfScheduleCalendar::WeekCard) << "1";
    QTest::newRow("winter season before new year") << QDate(2026, 12, 20) << "X" << int(CnfScheduleCalendar::SeasonPlan) << "winter";
}

void TestScheduleCalendar::dayOf()
{
    QFETCH(QDate, date);
    QFETCH(QString, card);
    QFETCH(int, source);
    QFETCH(QString, sourceId);
    Schedule schedule;
    const auto day = CnfScheduleCalendar::dayOf(schedule.controller, date);
    QCOMPARE(day.date, date);
    QVERIFY(day.dayCard);
    QCOMPARE(day.dayCard->id, card);
    QCOMPARE(int(day.source), source);
    QCOMPARE(day.sourceId, sourceId);
}

void TestScheduleCalendar::yearOf()
{
    Schedule schedule;
    const auto leap = CnfScheduleCalendar::yearOf(schedule.controller, 2024);
    QCOMPARE(leap.size(), 366);
    QCOMPARE(leap.first().date, QDate(2024, 1, 1));
    QCOMPARE(leap.first().dayCard->id, QStringLiteral("H"));
    QCOMPARE(leap.at(59).date, QDate(2024, 2, 29));
    QCOMPARE(CnfScheduleCalendar::yearOf(schedule.controller, 2026).size(), 365);
    QVERIFY(CnfScheduleCalendar::yearOf(schedule.controller, 0).isEmpty());

    CnfController empty; // nothing scheduled: every day without a card
    const auto days = CnfScheduleCalendar::yearOf(empty, 2026);
    QCOMPARE(days.size(), 365);
    QVERIFY(!days.at(100).dayCard);
    QCOMPARE(int(days.at(100).source), int(CnfScheduleCalendar::None));
}

void TestScheduleCalendar::periodsOf_data()
{
    QTest::addColumn<QStringList>("records"); // "hh:mm[-hh:mm] program"
    QTest::addColumn<QString>("periods");     // "from-to:program", hours and minutes, "-" no program

    QTest::newRow("last record runs over midnight") << QStringList{"06:30 1", "22:00 2"}
                                                    << "00:00-06:30:2 06:30-22:00:1 22:00-24:00:2";
    QTest::newRow("records with ends leave gaps") << QStringList{"07:00-09:00 1", "17:00-19:00 2"}
                                                  << "00:00-07:00:- 07:00-09:00:1 09:00-17:00:- 17:00-19:00:2 19:00-24:00:-";
    QTest::newRow("end after midnight") << QStringList{"08:00 1", "23:00-02:00 2"}
                                        << "00:00-02:00:2 02:00-08:00:- 08:00-23:00:1 23:00-24:00:2";
    QTest::newRow("from midnight") << QStringList{"00:00 3"} << "00:00-24:00:3";
    QTest::newRow("empty card") << QStringList{} << "00:00-24:00:-";
}

void TestScheduleCalendar::periodsOf()
{
    QFETCH(QStringList, records);
    QFETCH(QString, periods);
    CnfDayCard card;
    for (const QString& record : records) {
        const QStringList parts = record.split(QLatin1Char(' '));
        const QStringList times = parts.first().split(QLatin1Char('-'));
        const QTime begin = QTime::fromString(times.first(), QStringLiteral("hh:mm"));
        const QTime end = times.size() > 1 ? QTime::fromString(times.last(), QStringLiteral("hh:mm")) : QTime();
        card.addRecord(begin, end, program(parts.last()), nullptr);
    }
    const auto clock = [](int seconds) {
        return QStringLiteral("%1:%2").arg(seconds / 3600, 2, 10, QLatin1Char('0')).arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'));
    };
    QStringList actual;
    for (const auto& period : CnfScheduleCalendar::periodsOf(card))
        actual.append(QStringLiteral("%1-%2:%3").arg(clock(period.from), clock(period.to),
                                                     period.program ? period.program->id : QStringLiteral("-")));
    QCOMPARE(actual.join(QLatin1Char(' ')), periods);
}

QTEST_GUILESS_MAIN(TestScheduleCalendar)
#include "tst_schedulecalendar.moc"
