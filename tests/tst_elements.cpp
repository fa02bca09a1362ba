#include <QtTest>

#include <cmath>

#include "CnfDetector.h"
#include "CnfMatrix.h"
#include "CnfPhase.h"
#include "CnfPowerDevice.h"
#include "CnfSchedule.h"
#include "CnfSignalGroup.h"
#include "CnfTransition.h"

using Group = QSharedPointer<CnfSignalGroup>;
using TimeMap = QMap<int, int>;

namespace {

Group makeGroup(int id, CnfSignalGroup::Type type = CnfSignalGroup::Transport)
{
    Group g = Group::create();
    g->id = id;
    g->type = type;
    return g;
}

QSharedPointer<CnfInterstate> makeRecord(int greenBlink, int yellow, int redYellow)
{
    auto record = QSharedPointer<CnfInterstate>::create();
    record->greenBlink = greenBlink;
    record->yellow = yellow;
    record->redYellow = redYellow;
    return record;
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

        const int tr = CnfSignalGroup::Transport, none = -1;
        QTest::newRow("nothing") << tr << false << false << QVariant() << none << 2 << QList<int>{0, 0, 0};
        QTest::newRow("variant entry") << tr << true << true << QVariant(7) << tr << 2 << QList<int>{1, 2, 3};
        QTest::newRow("other variant: record") << tr << true << true << QVariant(7) << tr << 1 << QList<int>{4, 5, 6};
        QTest::newRow("property") << tr << false << false << QVariant(7) << tr << 2 << QList<int>{7, 8, 9};
        QTest::newRow("bad property: default") << tr << false << false << QVariant("x") << tr << 2 << QList<int>{10, 8, 9};
        QTest::newRow("default group") << tr << false << false << QVariant() << tr << 2 << QList<int>{10, 11, 12};
        QTest::newRow("pedestrian default") << tr << false << false << QVariant() << int(CnfSignalGroup::Pedestrian) << 2
                                            << QList<int>{0, 0, 12};
        QTest::newRow("type not set") << int(CnfSignalGroup::TypeNotSet) << true << false << QVariant() << none << 2
                                      << QList<int>{1, 2, 3};
        QTest::newRow("pedestrian") << int(CnfSignalGroup::Pedestrian) << true << true << QVariant(7) << tr << 2
                                    << QList<int>{0, 0, 3};
        QTest::newRow("arrow") << int(CnfSignalGroup::Arrow) << true << true << QVariant(7) << tr << 1 << QList<int>{0, 0, 6};
        QTest::newRow("always on") << int(CnfSignalGroup::AlwaysOn) << true << true << QVariant(7) << tr << 2
                                   << QList<int>{0, 0, 0};
    }

    void timingFallback()
    {
        QFETCH(int, type);
        QFETCH(bool, entry);
        QFETCH(bool, record);
        QFETCH(QVariant, amber);
        QFETCH(int, defaultType);
        QFETCH(int, variant);
        QFETCH(QList<int>, expected);

        Group g = makeGroup(1, CnfSignalGroup::Type(type));
        if (entry)
            g->variantTimes.insert(2, CnfSGTimes{0, 3, 1, 0, 2, 0});
        if (record)
            g->interstate = makeRecord(6, 4, 5);
        if (amber.isValid()) {
            g->setProperty("amber", amber);
            g->setProperty("redAmber", 8);
            g->setProperty("greenBlink", 9);
        }
        if (defaultType >= 0) {
            Group templ = makeGroup(99, CnfSignalGroup::Type(defaultType));
            templ->setProperty("amber", 10);
            templ->setProperty("redAmber", 11);
            templ->setProperty("greenBlink", 12);
            g->setDefaulSignalGroup(templ);
        }
        QCOMPARE((QList<int>{g->yellow(variant), g->redYellow(variant), g->greenBlink(variant)}), expected);
    }

    void extensions()
    {
        Group g = makeGroup(1);
        Group templ = makeGroup(2);
        QCOMPARE(g->extGreen1(), 0);
        g->setDefaulSignalGroup(templ);
        templ->setProperty("extGreen1", 4);
        templ->setProperty("extRed", 6);
        g->setProperty("extGreen2", 5);
        g->setProperty("extRed", "bad");
        QCOMPARE((QList<int>{g->extGreen1(), g->extGreen2(), g->extRed()}), (QList<int>{4, 5, 6}));
    }

    void defaultChainLoops()
    {
        Group a = makeGroup(1), b = makeGroup(2), c = makeGroup(3);
        a->setDefaulSignalGroup(a); // its own template: held weakly
        QCOMPARE(a->defaultSignalGroup(), a);
        QCOMPARE(a->yellow(1), 0);

        a->setDefaulSignalGroup(b);
        b->setDefaulSignalGroup(c);
        c->setDefaulSignalGroup(a);
        QCOMPARE(a->yellow(1), 0);
        QCOMPARE(b->extRed(), 0);
        c->setProperty("amber", 3);
        c->setProperty("extRed", 2);
        QCOMPARE(a->yellow(1), 3);
        QCOMPARE(b->extRed(), 2);
        c->setDefaulSignalGroup({}); // break the ring so that the groups can go
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

    void setType()
    {
        QFETCH(int, type);
        QFETCH(QList<int>, entry);
        QFETCH(QList<int>, record);

        const auto shared = makeRecord(6, 5, 1);
        Group g = makeGroup(1), other = makeGroup(2);
        g->interstate = other->interstate = shared;
        g->variantTimes.insert(1, CnfSGTimes{0, 3, 4, 0, 2, 0});
        g->setType(CnfSignalGroup::Type(type));

        QCOMPARE(int(g->getType()), type);
        const CnfSGTimes& t = g->variantTimes[1];
        QCOMPARE((QList<int>{t.greenBlink, t.yellow, t.yellowRed}), entry);
        QCOMPARE((QList<int>{g->interstate->greenBlink, g->interstate->yellow, g->interstate->redYellow}), record);
        // The shared record and the other group keep their timings.
        QCOMPARE((QList<int>{shared->greenBlink, shared->yellow, shared->redYellow}), (QList<int>{6, 5, 1}));
        QCOMPARE(other->yellow(1), 5);
    }

    void typeNames_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("human");
        QTest::addColumn<bool>("brief");
        QTest::addColumn<QString>("text");
        QTest::newRow("code") << 4 << false << true << "always_on";
        QTest::newRow("label") << 5 << true << false << "Трамвайная";
        QTest::newRow("short") << 5 << true << true << "трм";
        QTest::newRow("not set code") << 6 << false << true << "type_6";
        QTest::newRow("not set label") << 6 << true << true << "Тип 6";
        QTest::newRow("not set long code") << 12 << false << false << "t12";
        QTest::newRow("not set long label") << 12 << true << false << "т12";
        QTest::newRow("negative") << -1 << false << true << "type_-1";
    }

    void typeNames()
    {
        QFETCH(int, type);
        QFETCH(bool, human);
        QFETCH(bool, brief);
        QFETCH(QString, text);
        QCOMPARE(CnfSignalGroup::type2String(CnfSignalGroup::Type(type), human, brief), text);
    }

    void codesBack()
    {
        QCOMPARE(CnfSignalGroup::string2Type("tram"), CnfSignalGroup::Tram);
        QCOMPARE(CnfSignalGroup::string2Type("Transport"), CnfSignalGroup::TypeNotSet);
        QCOMPARE(CnfSignalGroup::colorState2String(CnfSignalGroup::NoColor), QString("state_5"));
        QCOMPARE(CnfSignalGroup::string2ColorState("green_blink"), CnfSignalGroup::GreenBlink);
        QCOMPARE(CnfSignalGroup::string2ColorState(""), CnfSignalGroup::NoColor);
        QCOMPARE(CnfPowerDevice::type2String(CnfPowerDevice::Key2, true), QString("Ключ Р5-СВД"));
        QCOMPARE(CnfPowerDevice::type2String(CnfPowerDevice::Type(9), false), QString("type_9"));
        QCOMPARE(CnfPowerDevice::type2String(CnfPowerDevice::Type(9), true), QString("Тип 9"));
        QCOMPARE(CnfPowerDevice::string2Type("nv2_sw4"), CnfPowerDevice::None);
        QList<int> keys;
        for (int t = 0; t <= 9; ++t) {
            if (CnfPowerDevice::isKey(CnfPowerDevice::Type(t)))
                keys << t;
        }
        QCOMPARE(keys, (QList<int>{1, 4, 5}));
    }

    void friendlyNames()
    {
        Group g = makeGroup(3);
        g->name = "North";
        QCOMPARE(g->friendlyName(), QString("3(North),тр"));
        QCOMPARE(makeGroup(7, CnfSignalGroup::Pedestrian)->friendlyName(), QString("7,пш"));

        CnfPhase phase;
        phase.name = "Main";
        QCOMPARE(phase.friendlyName(), QString("(Main)"));
        phase.id = "2";
        QCOMPARE(phase.friendlyName(), QString("2 (Main)"));
        phase.name.clear();
        QCOMPARE(phase.friendlyName(), QString("2"));

        CnfDetector detector;
        detector.setId(5);
        detector.setName("Loop A");
        QCOMPARE(detector.friendlyName(), QString("5 (Loop A)"));
    }

    void matrix()
    {
        Group a = makeGroup(1), b = makeGroup(2), c = makeGroup(3);
        CnfMatrix m;
        m.setReleaf(a, b, 5);
        m.setReleaf(a, b, 7);
        m.setReleaf(c, a, 2);
        m.setReleaf(b, c, 4);
        m.setReleaf(c, b, NAN); // no cell: nothing to remove, nothing added
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^CnfMatrix::setReleaf\\("));
        m.setReleaf(a.data(), nullptr, 1);
        QCOMPARE(m.content().size(), 3);
        QCOMPARE(m.releaf(a, b), 7.0);
        QVERIFY(std::isnan(m.releaf(b, a)));

        m.removeSG(a);
        QCOMPARE(m.content().size(), 1);
        QCOMPARE(m.releaf(b, c), 4.0);
        m.setReleaf(b, c, NAN);
        QVERIFY(m.isEmpty());
    }

    void matrixClone()
    {
        Group a = makeGroup(1), b = makeGroup(2);
        auto source = QSharedPointer<CnfMatrix>::create();
        source->setId(4);
        source->setName("src");
        source->setReleaf(a, b, 3.5);
        auto copy = QSharedPointer<CnfMatrix>::create();
        copy->setId(9);
        copy->setName("own");
        copy->clone(source);
        QCOMPARE(copy->id(), 4);
        QCOMPARE(copy->name(), QString("src"));
        QCOMPARE(copy->releaf(a, b), 3.5);

        source->clone(source); // a copy of itself keeps its cells
        QCOMPARE(source->content().size(), 1);

        copy->clone({});
        QVERIFY(copy->isEmpty());
        QCOMPARE(copy->name(), QString("src"));
    }

    void phaseLookups()
    {
        CnfPhase phase;
        phase.signalGroups << makeGroup(4) << Group() << makeGroup(6);
        QVERIFY(phase.contains(4));
        QVERIFY(!phase.contains(5));

        auto first = QSharedPointer<CnfTransition>::create(), last = QSharedPointer<CnfTransition>::create();
        first->from = last->from = "1";
        phase.transitions << first << QSharedPointer<CnfTransition>() << last;
        QCOMPARE(phase.findTransition("1"), last);
        QVERIFY(!phase.findTransition("01"));

        last->addRed.insert(1, 2);
        last->clear();
        QVERIFY(last->from == "1" && last->addRed.isEmpty());
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

    void phaseInterstate()
    {
        QFETCH(TimeMap, clearing);
        QFETCH(TimeMap, entering);
        QFETCH(TimeMap, addRed);
        QFETCH(int, expected);

        const auto record = makeRecord(2, 3, 1);
        Group g1 = makeGroup(1), g2 = makeGroup(2, CnfSignalGroup::Pedestrian), g5 = makeGroup(5);
        g1->interstate = g2->interstate = record;
        auto from = QSharedPointer<CnfPhase>::create(), to = QSharedPointer<CnfPhase>::create();
        from->id = "1";
        from->signalGroups << g1 << g2 << g5;
        to->id = "2";
        to->signalGroups << makeGroup(3) << g5 << makeGroup(4);

        QCOMPARE(to->phaseInterstate(from), -1); // no transition from phase 1
        auto stale = QSharedPointer<CnfTransition>::create();
        stale->from = "1";
        stale->entering.insert(3, 50);
        auto t = QSharedPointer<CnfTransition>::create();
        t->from = "1";
        t->clearing = clearing;
        t->entering = entering;
        t->addRed = addRed;
        to->transitions << stale << t;

        QCOMPARE(to->phaseInterstate(from), expected);
        QCOMPARE(to->phaseInterstate({}), -1);
        QCOMPARE(to->phaseInterstate(to), 0);
    }

    void dayCardRecords()
    {
        CnfDayCard card;
        card.addRecord(QTime(18, 0), QTime(20, 0), {}, {});
        card.addRecord(QTime(6, 30), {}, {});
        card.addRecord(QTime(18, 0), {}, {});
        QCOMPARE(card.records.keys(), (QList<QTime>{QTime(6, 30), QTime(18, 0)}));
        QVERIFY(card.records.value(QTime(18, 0)).end.isNull()); // replaced: the second record only
    }

    void movedFrom()
    {
        auto day = QSharedPointer<CnfDayCard>::create();
        day->id = "1";
        day->name = "Workday";
        day->addRecord(QTime(7, 0), {}, {});

        CnfDayCard movedDay(std::move(*day));
        QVERIFY(day->id.isEmpty() && day->name.isEmpty() && day->records.isEmpty());
        QCOMPARE(movedDay.records.size(), 1);

        CnfWeekCard week, movedWeek;
        week.days.insert(Qt::Monday, day);
        movedWeek = std::move(week);
        QVERIFY(week.days.isEmpty() && movedWeek.days.value(Qt::Monday) == day);

        CnfSeasonPlan plan;
        plan.from = QDate(2000, 5, 1);
        plan.to = QDate(2000, 9, 30);
        plan.weekCard = QSharedPointer<CnfWeekCard>::create();
        CnfSeasonPlan movedPlan(std::move(plan));
        QVERIFY(plan.from.isNull() && plan.to.isNull() && !plan.weekCard);
        QCOMPARE(movedPlan.to, QDate(2000, 9, 30));

        CnfSpecialDay special, movedSpecial;
        special.dayCard = day;
        movedSpecial = std::move(special);
        QVERIFY(!special.dayCard && movedSpecial.dayCard == day);
    }
};

QTEST_GUILESS_MAIN(TestElements)
#include "tst_elements.moc"
