#include <QtTest>

#include "CnfController.h"
#include "CnfInterstate.h"
#include "CnfMatrix.h"
#include "CnfPhase.h"
#include "CnfPhaseDef.h"
#include "CnfProgram.h"
#include "CnfSignalGroup.h"
#include "CnfSignalPlan.h"
#include "CnfTransition.h"
#include "ModelBuilders.h"

using GroupPtr = QSharedPointer<CnfSignalGroup>;
using PhasePtr = QSharedPointer<CnfPhase>;
using ProgramPtr = QSharedPointer<CnfProgram>;

namespace {

// Three groups: two vehicle groups (1 and 3) and a pedestrian crossing (2);
// shared timings green blink 3, amber 3, red-amber 2.
struct Junction {
    CnfController controller;
    QList<GroupPtr> groups;
    QList<PhasePtr> phases;

    Junction()
    {
        controller.setInterstate(CnfTest::interstate(3, 3, 2));
        for (int id : {1, 2, 3}) {
            groups.append(CnfTest::group(id, id == 2 ? CnfSignalGroup::Pedestrian : CnfSignalGroup::Transport));
            controller.addSignalGroup(groups.last());
        }
    }

    PhasePtr addPhase(const QString& id, const QList<int>& groupIds)
    {
        auto phase = CnfTest::phase(id);
        phase->name = QStringLiteral("Phase %1").arg(id);
        for (int groupId : groupIds)
            phase->signalGroups.append(controller.findSG(groupId));
        controller.addPhase(phase);
        phases.append(phase);
        return phase;
    }

    ProgramPtr addProgram(CnfProgram::Type type)
    {
        const auto program = CnfTest::program(QStringLiteral("7"), type);
        controller.addProgram(program);
        return program;
    }
};

// A row as "second+letter" per change, for example "0G 10g 13Y".
QString rowText(const CnfSignalPlan::Row& row)
{
    QStringList parts;
    for (const auto& change : row.changes)
        parts.append(QString::number(change.second) + CnfSignalPlan::aspectLetter(change.aspect));
    return parts.join(QLatin1Char(' '));
}

// The bands as "phase:start+intergreen+main".
QString bandText(const QList<CnfSignalPlan::Band>& bands)
{
    QStringList parts;
    for (const auto& band : bands)
        parts.append(QStringLiteral("%1:%2+%3+%4").arg(band.phaseId).arg(band.start).arg(band.intergreen).arg(band.main));
    return parts.join(QLatin1Char(' '));
}

// Timer: 1 and 2 go A {1,2} -> B {3}, no matrix, no transitions: the groups'
// own timings give both intergreens 6 (3 blink + 3 amber; red-amber 2).
void timerProgram(Junction& j, ProgramPtr& program)
{
    j.addPhase("A", {1, 2});
    j.addPhase("B", {3});
    program = j.addProgram(CnfProgram::Timer);
    program->appendPhase(j.phases.at(0), 10);
    program->appendPhase(j.phases.at(1), 8);
    program->setCycleOffset(5); // not coordinated: no effect
}

// Coordinated, with its own matrix and a stored transition into B; offset 45
// of a 50-second cycle puts A's main part over the end of the cycle.
void coordinatedProgram(Junction& j, ProgramPtr& program)
{
    j.addPhase("A", {1, 2});
    auto b = j.addPhase("B", {3});
    auto matrix = QSharedPointer<CnfMatrix>::create();
    const auto g = j.groups;
    matrix->setReleaf(g.at(2), g.at(0), 4); // 3 after 1
    matrix->setReleaf(g.at(2), g.at(1), 5); // 3 after the crossing
    matrix->setReleaf(g.at(0), g.at(2), 4);
    matrix->setReleaf(g.at(1), g.at(2), 3);
    auto transition = QSharedPointer<CnfTransition>::create();
    transition->from = QStringLiteral("A");
    transition->clearing = {{1, 2}, {2, 5}};
    b->transitions.append(transition);
    program = j.addProgram(CnfProgram::Coord);
    program->matrix = matrix;
    program->appendPhase(j.phases.at(0), 20);
    program->appendPhase(j.phases.at(1), 15);
    program->setCycleOffset(45);
}

// Call phase from a firmware 3.18 record: algorithm 4, phase 1 for 20 s, the
// crossing's call phase without a duration of its own (it takes the 20 s of
// its entry), phase 3 for 12 s; intergreen variant 1 from the groups' records.
void callPhaseProgram(Junction& j, ProgramPtr& program)
{
    j.controller.setProperty("type", "norvak");
    j.controller.setProperty("version", "3.18");
    j.addPhase("1", {1});
    j.addPhase("2", {2});
    j.addPhase("3", {3});
    j.groups.at(0)->variantTimes[1] = CnfSGTimes{0, 2, 3, 1, 2, 0};
    j.groups.at(1)->variantTimes[1] = CnfSGTimes{0, 4, 0, 2, 0, 0};
    j.groups.at(2)->variantTimes[1] = CnfSGTimes{0, 3, 3, 0, 1, 0};
    const QByteArray record = QByteArray::fromHex("03040101ffffff001401ffffffff020c").leftJustified(63, char(0xff));
    program = j.addProgram(CnfProgram::NorvakSpecial);
    QVERIFY2(j.controller.setProgramRawData(program, record), qPrintable(j.controller.lastError()));
}

// Timeline with offset 5 over a 30-second cycle; group 3 has no timeline and
// a point of group 1 lies outside the cycle.
void timelineProgram(Junction& j, ProgramPtr& program)
{
    program = j.addProgram(CnfProgram::TimelineCoord);
    program->cycleTime = 30;
    program->setCycleOffset(5);
    const auto g = j.groups;
    for (auto [time, state] : {std::pair{0, 0}, {12, 2}, {15, 3}, {28, 4}, {40, 0}})
        program->setTimelineData(g.at(0), time, state);
    for (auto [time, state] : {std::pair{3, 0}, {10, 1}, {13, 3}})
        program->setTimelineData(g.at(1), time, state);
}

// A coordinated phase sequence on a configured cycle of 40 s whose requested
// steps take 30 s: the last step holds the rest.
void stageRingProgram(Junction& j, ProgramPtr& program)
{
    j.addPhase("A", {1, 2});
    j.addPhase("B", {3});
    program = j.addProgram(CnfProgram::StageRing);
    program->setProperty("coordinated", true);
    program->cycleTime = 40;
    program->appendPhase(j.phases.at(0), 10)->setProperty("recall", "on");
    program->appendPhase(j.phases.at(1), 8)->setProperty("recall", "on");
}

using Factory = void (*)(Junction&, ProgramPtr&);

} // namespace

Q_DECLARE_METATYPE(Factory)

class TestSignalPlan : public QObject
{
    Q_OBJECT

private slots:
    void plan_data();
    void plan();
};

void TestSignalPlan::plan_data()
{
    QTest::addColumn<Factory>("factory");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("cycle");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("bands");
    QTest::addColumn<int>("notes");

    // Into B: 1 blinks its clearing time of 3 (created transition), then amber;
    // the crossing keeps green 3 and blinks 3 (no amber); 3 waits and shows
    // red-amber 2. Into A the same the other way round.
    QTest::newRow("timer") << Factory(timerProgram) << int(CnfSignalPlan::Steps) << 30 << 0
                           << QStringList{"0G 10g 13Y 16R 28U", "0G 13g 16R", "0R 14U 16G 24g 27Y"}
                           << "A:24+6+10 B:10+6+8" << 0;
    // Matrix intergreens: into B max(4, 5) + 3 blink = 8, into A 4 + 3 = 7;
    // the stored transition gives 1 two seconds of green, the crossing five.
    QTest::newRow("coordinated") << Factory(coordinatedProgram) << int(CnfSignalPlan::Steps) << 50 << 45
                                 << QStringList{"0G 15g 17Y 20R 43U 45G", "0G 17g 20R 45G", "0R 21U 23G 39g 42Y 45R"}
                                 << "A:38+7+20 B:15+8+15" << 0;
    QTest::newRow("call phase") << Factory(callPhaseProgram) << int(CnfSignalPlan::Steps) << 70 << 0
                                << QStringList{"0G 20g 22Y 25R 68U", "0R 26G 46g 50R", "0R 51U 52G 64g 67Y"}
                                << "1:64+6+20 2:20+6+20 3:46+6+12" << 0;
    QTest::newRow("timeline") << Factory(timelineProgram) << int(CnfSignalPlan::Timeline) << 30 << 5
                              << QStringList{"0R 3U 5G 17Y 20R", "0R 8G 15g 18R", "0."} << QString() << 1;
    QTest::newRow("stage ring, configured cycle") << Factory(stageRingProgram) << int(CnfSignalPlan::Steps) << 40 << 0
                                                  << QStringList{"0G 10g 13Y 16R 38U", "0G 13g 16R", "0R 14U 16G 34g 37Y"}
                                                  << "A:34+6+10 B:10+6+18" << 1;
    QTest::newRow("cycle longer than a day") << Factory([](Junction& j, ProgramPtr& p) {
        p = j.addProgram(CnfProgram::Timer);
        p->appendPhase(j.addPhase("A", {1}), 90000);
    }) << int(CnfSignalPlan::NoPlan) << 0 << 0 << QStringList{} << QString() << 1;
    QTest::newRow("script") << Factory([](Junction& j, ProgramPtr& p) { p = j.addProgram(CnfProgram::JavaScript); })
                            << int(CnfSignalPlan::NoPlan) << 0 << 0 << QStringList{} << QString() << 1;
    QTest::newRow("yellow flash") << Factory([](Junction& j, ProgramPtr& p) {
        p = j.addProgram(CnfProgram::NorvakSpecial);
        p->nativeType = 0;
    }) << int(CnfSignalPlan::YellowFlash) << 0 << 0 << QStringList{"0F", "0.", "0F"} << QString() << 0;
    QTest::newRow("off") << Factory([](Junction& j, ProgramPtr& p) { p = j.addProgram(CnfProgram::Off); })
                         << int(CnfSignalPlan::AllDark) << 0 << 0 << QStringList{"0.", "0.", "0."} << QString() << 0;
}

void TestSignalPlan::plan()
{
    QFETCH(Factory, factory);
    QFETCH(int, kind);
    QFETCH(int, cycle);
    QFETCH(int, offset);
    QFETCH(QStringList, rows);
    QFETCH(QString, bands);
    QFETCH(int, notes);

    Junction junction;
    ProgramPtr program;
    factory(junction, program);
    QVERIFY(program);
    const CnfSignalPlan plan = CnfSignalPlan::of(junction.controller, *program);

    QCOMPARE(int(plan.kind()), kind);
    QCOMPARE(plan.cycle(), cycle);
    QCOMPARE(plan.offset(), offset);
    QStringList actual;
    for (const auto& row : plan.rows())
        actual.append(rowText(row));
    QCOMPARE(actual, rows);
    QCOMPARE(bandText(plan.bands()), bands);
    QCOMPARE(plan.notes().size(), notes);

    // Every row starts at 0, changes in increasing seconds inside the cycle,
    // and aspectAt agrees with it second by second.
    for (int r = 0; r < plan.rows().size(); ++r) {
        const auto changes = plan.rows().at(r).changes;
        QCOMPARE(changes.first().second, 0);
        for (int i = 1; i < changes.size(); ++i) {
            QVERIFY(changes.at(i).second > changes.at(i - 1).second);
            QVERIFY(changes.at(i).aspect != changes.at(i - 1).aspect);
            QVERIFY(changes.at(i).second < cycle);
            QCOMPARE(plan.aspectAt(r, changes.at(i).second), changes.at(i).aspect);
            QCOMPARE(plan.aspectAt(r, changes.at(i).second - 1), changes.at(i - 1).aspect);
        }
    }
    // The model agrees on where each step's main part begins.
    const auto steps = program->phases();
    for (const auto& band : plan.bands())
        QCOMPARE((band.start + band.intergreen) % cycle, steps.at(band.step)->start() % cycle);
}

QTEST_GUILESS_MAIN(TestSignalPlan)
#include "tst_signalplan.moc"
