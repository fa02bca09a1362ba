#include <QtTest>

#include <cmath>

#include "CnfDetector.h"
#include "CnfMatrix.h"
#include "CnfPhase.h"
#include "CnfPowerDevice.h"
#include "CnfSchedule.h"
#include "CnfSignalGroup.h"
#include "CnfTransition.h"
#include "ModelBuilders.h"

using Group = QSharedPointer<CnfSignalGroup>;
using TimeMap = QMap<int, int>;

namespace {

using CnfTest::group;

void setTimings(CnfSignalGroup& g, const QVariant& amber, int redAmber, int greenBlink)
{
    g.setProperty("amber", amber);
    g.setProperty("redAmber", redAmber);
    g.setProperty("greenBlink", greenBlink);
}

} // namespace

class TestElements : public QObject
{
    Q_OBJECT

private slots:
    void timingFallback_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("entry");    // variant 2: yellow 1, red-yellow 2, blink 3
        QTest::addColumn<bool>("record");   // 4, 5, 6
        QTest::addColumn<QVariant>("amber"); // properties amber, redAmber 8, greenBlink 9
        QTest::addColumn<int>("defaultType"); // -1 none; properties 10, 11, 12
        QTest::addColumn<int>("variant");
        QTest::addColumn<QList<int>>("expected"); // yellow, red-yellow, green blink

        using SG = CnfSignalGroup;
        const int tr = SG::Transport, ped = SG::Pedestrian, none = -1;
        QTest::newRow("nothing") << tr << false << false << QVariant() << none << 2 << QList<int>{0, 0, 0};
        QTest::newRow("variant entry") << tr << true << true << QVariant(7) << tr << 2 << QList<int>{1, 2, 3};
        QTest::newRow("other variant: record") << tr << true << true << QVariant(7) << tr << 1 << QList<int>{4, 5, 6};
        QTest::newRow("property") << tr << false << false << QVariant(7) << tr << 2 << QList<int>{7, 8, 9};
        QTest::newRow("bad property: default") << tr << false << false << QVariant("x") << tr << 2 << QList<int>{10, 8, 9};
        QTest::newRow("default group") << tr << false << false << QVariant() << tr << 2 << QList<int>{10, 11, 12};
        QTest::newRow("pedestrian default") << tr << false << false << QVariant() << ped << 2 << QList<int>{0, 0, 12};
        QTest::newRow("type not set") << int(SG::TypeNotSet) << true << false << QVariant() << none << 2 << QList<int>{1, 2, 3};
        QTest::newRow("pedestrian") << ped << true << true << QVariant(7) << tr << 2 << QList<int>{0, 0, 3};
        QTest::newRow("arrow") << int(SG::Arrow) << true << true << QVariant(7) << tr << 1 << QList<int>{0, 0, 6};
        QTest::newRow("always on") << int(SG::AlwaysOn) << true << true << QVariant(7) << tr << 2 << QList<int>{0, 0, 0};
    }
    void timingFallback()
    {
        QFETCH(int, type);
        QFETCH(bool, entry);
        QFETCH(bool, record);
        QFETCH(QVariant, amber);
        QFETCH(int, defaultType);
        QFETCH(int, variant);
        Group g = group(1, CnfSignalGroup::Type(type));
        if (entry)
            g->variantTimes.insert(2, CnfSGTimes{0, 3, 1, 0, 2, 0});
        if (record)
            g->interstate = CnfTest::interstate(6, 4, 5);
        if (amber.isValid())
            setTimings(*g, amber, 8, 9);
        if (defaultType >= 0) {
            Group templ = group(99, CnfSignalGroup::Type(defaultType));
            setTimings(*templ, 10, 11, 12);
            g->setDefaulSignalGroup(templ);
        }
        QTEST((QList<int>{g->yellow(variant), g->redYellow(variant), g->greenBlink(variant)}), "expected");
    }

    // Timings and extensions come from the template chain. A loop in the chain
    // ends at the first group met twice; a group that is its own template is
    // not kept alive by that link.
    void defaultChain()
    {
        Group a = group(1), b = group(2), c = group(3), self = group(4);
        a->setDefaulSignalGroup(b);
        b->setDefaulSignalGroup(c);
        c->setDefaulSignalGroup(a);
        QCOMPARE((QList<int>{a->yellow(1), b->extRed()}), (QList<int>{0, 0}));
        c->setProperty("amber", 3);
        c->setProperty("extGreen1", 4);
        c->setProperty("extRed", 6);
        b->setProperty("extGreen2", 5);
        b->setProperty("extRed", "bad"); // not a number: the template's
        QCOMPARE((QList<int>{a->yellow(1), a->extGreen1(), a->extGreen2(), a->extRed()}), (QList<int>{3, 4, 5, 6}));
        c->setDefaulSignalGroup({}); // break the ring so that the groups can go

        self->setDefaulSignalGroup(self);
        QVERIFY(self->defaultSignalGroup() == self && self->yellow(1) == 0);
        const QWeakPointer<CnfSignalGroup> watch = self;
        self.reset();
        QVERIFY(watch.isNull());
    }

    void setType_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QList<int>>("entry");  // blink, yellow, yellow-red of the variant entry
        QTest::addColumn<QList<int>>("record"); // blink, yellow, red-yellow of the group's record
        QTest::newRow("same type") << int(CnfSignalGroup::Transport) << QList<int>{3, 4, 2} << QList<int>{6, 5, 1};
        QTest::newRow("table") << int(CnfSignalGroup::Table) << QList<int>{3, 4, 2} << QList<int>{6, 5, 1};
        QTest::newRow("pedestrian") << int(CnfSignalGroup::Pedestrian) << QList<int>{3, 0, 0} << QList<int>{6, 0, 0};
        QTest::newRow("always on") << int(CnfSignalGroup::AlwaysOn) << QList<int>{0, 0, 0} << QList<int>{0, 0, 0};
    }
    // A record shared with other groups is never changed: the group clears a copy of its own.
    void setType()
    {
        QFETCH(int, type);
        const auto shared = CnfTest::interstate(6, 5, 1);
        Group g = group(1);
        g->interstate = shared;
        g->variantTimes.insert(1, CnfSGTimes{0, 3, 4, 0, 2, 0});
        g->setType(CnfSignalGroup::Type(type));
        const CnfSGTimes& t = g->variantTimes[1];
        QTEST((QList<int>{t.greenBlink, t.yellow, t.yellowRed}), "entry");
        QTEST((QList<int>{g->interstate->greenBlink, g->interstate->yellow, g->interstate->redYellow}), "record");
        QCOMPARE((QList<int>{shared->greenBlink, shared->yellow, shared->redYellow}), (QList<int>{6, 5, 1}));
    }

    // Values past the lists get numbered names; codes are compared exactly.
    // Friendly names leave out what is not set.
    void names()
    {
        using SG = CnfSignalGroup;
        using Device = CnfPowerDevice;
        QCOMPARE(SG::type2String(SG::AlwaysOn, false, true), QString("always_on"));
        QCOMPARE(SG::type2String(SG::Tram, true, false), QString("Трамвайная"));
        QCOMPARE(SG::type2String(SG::Tram, true, true), QString("трм"));
        QCOMPARE(SG::type2String(SG::TypeNotSet, false, true), QString("type_6"));
        QCOMPARE(SG::type2String(SG::TypeNotSet, true, true), QString("Тип 6"));
        QCOMPARE(SG::type2String(SG::Type(12), false, false), QString("t12"));
        QCOMPARE(SG::type2String(SG::Type(12), true, false), QString("т12"));
        QCOMPARE(SG::type2String(SG::Type(-1), false, true), QString("type_-1"));
        QCOMPARE(SG::string2Type("Transport"), SG::TypeNotSet);
        // The codes of unnamed types read back as those types.
        QCOMPARE(SG::string2Type("t12"), SG::Type(12));
        QCOMPARE(SG::string2Type("type_40"), SG::Type(40));
        QCOMPARE(SG::string2Type("type_-1"), SG::TypeNotSet);
        QCOMPARE(SG::string2Type("t"), SG::TypeNotSet);
        QCOMPARE(SG::colorState2String(SG::NoColor), QString("state_5"));
        QCOMPARE(SG::string2ColorState("green_blink"), SG::GreenBlink);
        QCOMPARE(SG::string2ColorState(""), SG::NoColor);
        QCOMPARE(Device::type2String(Device::Key2, true), QString("Ключ Р5-СВД"));
        QCOMPARE(Device::type2String(Device::Type(9), false), QString("type_9"));
        QCOMPARE(Device::type2String(Device::Type(9), true), QString("Тип 9"));
        QCOMPARE(Device::string2Type("nv2_sw4"), Device::None);
        QCOMPARE(Device::string2Type("type_60"), Device::Type(60));
        QCOMPARE(Device::string2Type("type_1x"), Device::None);
        QCOMPARE(Device::string2Type("t60"), Device::None);
        QList<int> keys;
        for (int t = 0; t <= 9; ++t) {
            if (Device::isKey(Device::Type(t)))
                keys << t;
        }
        QCOMPARE(keys, (QList<int>{1, 4, 5}));

        Group g = group(3);
        g->name = "North";
        CnfPhase phase;
        phase.name = "Main";
        CnfDetector detector;
        detector.setId(5);
        detector.setName("Loop A");
        QCOMPARE(g->friendlyName(), QString("3(North),тр"));
        QCOMPARE(group(7, CnfSignalGroup::Pedestrian)->friendlyName(), QString("7,пш"));
        QCOMPARE(detector.friendlyName(), QString("5 (Loop A)"));
        QCOMPARE(phase.friendlyName(), QString("(Main)"));
        phase.id = "2";
        QCOMPARE(phase.friendlyName(), QString("2 (Main)"));
        phase.name.clear();
        QCOMPARE(phase.friendlyName(), QString("2"));
    }

    void matrix()
    {
        Group a = group(1), b = group(2), c = group(3);
        auto m = QSharedPointer<CnfMatrix>::create();
        m->setReleaf(a, b, 5);
        m->setReleaf(a, b, 7);
        m->setReleaf(c, a, 2);
        m->setReleaf(b, c, 4);
        m->setReleaf(c, b, NAN); // no cell: nothing to remove, nothing added
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^CnfMatrix::setReleaf\\("));
        m->setReleaf(a.data(), nullptr, 1);
        QCOMPARE(m->content().size(), 3);
        QCOMPARE(m->releaf(a, b), 7.0);
        QVERIFY(std::isnan(m->releaf(b, a)));

        auto copy = QSharedPointer<CnfMatrix>::create();
        m->setId(4);
        m->setName("src");
        copy->clone(m);
        m->clone(m); // a copy of itself keeps its cells
        QVERIFY(copy->id() == 4 && copy->name() == "src" && copy->releaf(c, a) == 2.0);
        QCOMPARE(m->content().size(), 3);
        copy->clone({});
        QVERIFY(copy->isEmpty() && copy->name() == "src");

        m->removeSG(a);
        QCOMPARE(m->content().size(), 1);
        QCOMPARE(m->releaf(b, c), 4.0);
        m->setReleaf(b, c, NAN);
        QVERIFY(m->isEmpty());
    }

    void largeMatrix_data()
    {
        QTest::addColumn<int>("reserved");
        QTest::newRow("grown cell by cell") << 0;
        QTest::newRow("room made for some") << 40;
        QTest::newRow("room made for all") << 200;
    }
    // A large matrix answers from an index, made as it grows or when room is
    // made: it must keep answering as a walk over its cells would, through
    // overwrites, removals and copies.
    void largeMatrix()
    {
        QFETCH(int, reserved);
        QList<Group> groups;
        for (int i = 0; i < 12; ++i)
            groups << group(i + 1);
        struct Cell {
            CnfSignalGroup* on;
            CnfSignalGroup* off;
            double value;
        };
        QList<Cell> expected;
        auto m = QSharedPointer<CnfMatrix>::create();
        m->reserve(reserved);
        auto set = [&](int on, int off, double value) {
            m->setReleaf(groups.at(on), groups.at(off), value);
            for (int i = 0; i < expected.size(); ++i) {
                if (expected.at(i).on == groups.at(on).data() && expected.at(i).off == groups.at(off).data()) {
                    if (std::isnan(value))
                        expected.removeAt(i);
                    else
                        expected[i].value = value;
                    return;
                }
            }
            if (!std::isnan(value))
                expected.append({groups.at(on).data(), groups.at(off).data(), value});
        };
        auto check = [&](const QSharedPointer<CnfMatrix>& matrix) {
            QCOMPARE(matrix->content().size(), expected.size());
            for (int i = 0; i < expected.size(); ++i) {
                QCOMPARE(matrix->content().at(i).onGroup, expected.at(i).on);
                QCOMPARE(matrix->content().at(i).value, expected.at(i).value);
            }
            for (const Group& on : groups) {
                for (const Group& off : groups) {
                    double value = NAN;
                    for (const Cell& cell : expected) {
                        if (cell.on == on.data() && cell.off == off.data())
                            value = cell.value;
                    }
                    const double found = matrix->releaf(on, off);
                    QVERIFY(std::isnan(value) ? std::isnan(found) : found == value);
                }
            }
        };
        for (int step = 0; step < 400; ++step)
            set((step * 7) % 12, (step * 5 + step / 12) % 12, step % 9 == 0 ? NAN : step % 13);
        QVERIFY(expected.size() > 64); // large enough to be indexed
        check(m);
        m->removeSG(groups.at(3));
        expected.erase(std::remove_if(expected.begin(), expected.end(),
                                      [&](const Cell& c) { return c.on == groups.at(3).data() || c.off == groups.at(3).data(); }),
                       expected.end());
        check(m);
        auto copy = QSharedPointer<CnfMatrix>::create();
        copy->clone(m);
        check(copy);
        for (int step = 0; step < 60; ++step)
            set(step % 12, (step + 1) % 12, NAN);
        check(m);
    }

    void phaseInterstate_data()
    {
        QTest::addColumn<TimeMap>("clearing");
        QTest::addColumn<TimeMap>("entering");
        QTest::addColumn<TimeMap>("addRed");
        QTest::addColumn<int>("expected");
        // Leaving: 1 (yellow 3), 2 (pedestrian), 5 (stays); entering 3 and 4.
        QTest::newRow("yellow only") << TimeMap{} << TimeMap{} << TimeMap{} << 3;
        QTest::newRow("entering wins") << TimeMap{{1, 2}} << TimeMap{{4, 9}} << TimeMap{{1, 1}} << 9;
        QTest::newRow("clearing with red") << TimeMap{{1, 2}} << TimeMap{{3, 4}} << TimeMap{{1, 5}} << 10;
        QTest::newRow("pedestrian clearing") << TimeMap{{2, 5}} << TimeMap{} << TimeMap{} << 5;
        QTest::newRow("staying group ignored") << TimeMap{{5, 20}} << TimeMap{{5, 20}} << TimeMap{{5, 20}} << 3;
    }
    // Phase look-ups skip null entries; of two transitions from one phase the
    // one added last counts.
    void phaseInterstate()
    {
        const auto record = CnfTest::interstate(2, 3, 1);
        Group g1 = group(1), g2 = group(2, CnfSignalGroup::Pedestrian), g5 = group(5);
        g1->interstate = g2->interstate = record;
        auto from = QSharedPointer<CnfPhase>::create(), to = QSharedPointer<CnfPhase>::create();
        from->id = "1";
        from->signalGroups << g1 << Group() << g2 << g5;
        to->id = "2";
        to->signalGroups << group(3) << g5 << group(4);
        QVERIFY(to->contains(4) && from->contains(1) && !from->contains(3));
        QCOMPARE(to->phaseInterstate(from), -1); // no transition from phase 1

        auto stale = QSharedPointer<CnfTransition>::create(), t = QSharedPointer<CnfTransition>::create();
        stale->from = t->from = "1";
        stale->entering.insert(3, 50);
        QFETCH(TimeMap, clearing);
        QFETCH(TimeMap, entering);
        QFETCH(TimeMap, addRed);
        t->clearing = clearing;
        t->entering = entering;
        t->addRed = addRed;
        to->transitions << stale << QSharedPointer<CnfTransition>() << t;
        QVERIFY(!to->findTransition("01"));
        QTEST(to->phaseInterstate(from), "expected");
        QVERIFY(to->phaseInterstate({}) == -1 && to->phaseInterstate(to) == 0);
        t->clear();
        QVERIFY(t->from == "1" && t->clearing.isEmpty() && t->entering.isEmpty() && t->addRed.isEmpty());
    }

    // Dates, times and lists are emptied in a moved-from element, not copied.
    void schedule()
    {
        auto day = QSharedPointer<CnfDayCard>::create();
        day->id = "1";
        day->name = "Workday";
        day->addRecord(QTime(18, 0), QTime(20, 0), {}, {});
        day->addRecord(QTime(6, 30), {}, {});
        day->addRecord(QTime(18, 0), {}, {}); // replaces the first record
        QCOMPARE(day->records.keys(), (QList<QTime>{QTime(6, 30), QTime(18, 0)}));
        QVERIFY(day->records.value(QTime(18, 0)).end.isNull());

        CnfDayCard movedDay(std::move(*day));
        QVERIFY(day->id.isEmpty() && day->name.isEmpty() && day->records.isEmpty());
        QCOMPARE(movedDay.records.size(), 2);
        CnfWeekCard week, movedWeek;
        week.days.insert(Qt::Monday, day);
        movedWeek = std::move(week);
        QVERIFY(week.days.isEmpty() && movedWeek.days.value(Qt::Monday) == day);
        CnfSeasonPlan plan;
        plan.from = QDate(2000, 5, 1);
        plan.to = QDate(2000, 9, 30);
        plan.weekCard = QSharedPointer<CnfWeekCard>::create();
        CnfSeasonPlan movedPlan(std::move(plan));
        QVERIFY(plan.from.isNull() && plan.to.isNull() && !plan.weekCard && movedPlan.to == QDate(2000, 9, 30));
        CnfSpecialDay special, movedSpecial;
        special.dayCard = day;
        movedSpecial = std::move(special);
        QVERIFY(!special.dayCard && movedSpecial.dayCard == day);
    }
};

QTEST_GUILESS_MAIN(TestElements)
#include "tst_elements.moc"
