// The safety review of the cnf tool on models built in memory, including
// faults that no reader lets through: references to elements the controller
// does not hold, and matrix cells of groups that are gone.
#include <QtTest>

#include <functional>

#include "CnfSafetyReview.h"
#include "ModelBuilders.h"
#include "cnf.h"

namespace
{
// Two conflicting groups, a phase for each, a timer program over both with
// an intergreen matrix, and a schedule that runs it.
struct Junction {
    CnfController controller;
    QSharedPointer<CnfSignalGroup> main = group(1);
    QSharedPointer<CnfSignalGroup> side = group(2);
    QSharedPointer<CnfPhase> mainPhase = phase(QStringLiteral("1"), main);
    QSharedPointer<CnfPhase> sidePhase = phase(QStringLiteral("2"), side);
    QSharedPointer<CnfMatrix> intergreens = QSharedPointer<CnfMatrix>::create();
    QSharedPointer<CnfProgram> program = withId<CnfProgram>(QStringLiteral("1"));
    QSharedPointer<CnfDayCard> dayCard = withId<CnfDayCard>(QStringLiteral("1"));
    QSharedPointer<CnfWeekCard> weekCard = withId<CnfWeekCard>(QStringLiteral("1"));
    // elements the controller does not hold
    QSharedPointer<CnfProgram> strangeProgram = withId<CnfProgram>(QStringLiteral("9"));
    QSharedPointer<CnfDayCard> strangeCard = withId<CnfDayCard>(QStringLiteral("8"));

    static QSharedPointer<CnfSignalGroup> group(int id) { return CnfTest::group(id); }

    template <class T>
    static QSharedPointer<T> withId(const QString& id)
    {
        return CnfTest::withId<T>(id);
    }

    static QSharedPointer<CnfPhase> phase(const QString& id, const QSharedPointer<CnfSignalGroup>& sg)
    {
        return CnfTest::phase(id, {sg});
    }

    Junction()
    {
        controller.addSignalGroup(main);
        controller.addSignalGroup(side);
        controller.conflictMatrix()->setReleaf(main, side, 0);
        controller.conflictMatrix()->setReleaf(side, main, 0);
        controller.addPhase(mainPhase);
        controller.addPhase(sidePhase);
        intergreens->setId(1);
        intergreens->setReleaf(side, main, 4);
        intergreens->setReleaf(main, side, 5);
        controller.addMatrix(intergreens, true);
        program->type = CnfProgram::Timer;
        program->appendPhase(mainPhase, 20);
        program->appendPhase(sidePhase, 20);
        controller.addProgram(program);
        dayCard->addRecord(QTime(0, 0), program, {});
        controller.addDayCard(dayCard);
        weekCard->days.insert(Qt::Monday, dayCard);
        controller.addWeekCard(weekCard);
        addSpecialDay(QDate(2000, 1, 1), dayCard);
    }

    void addSpecialDay(const QDate& date, const QSharedPointer<CnfDayCard>& card)
    {
        auto day = QSharedPointer<CnfSpecialDay>::create();
        day->dayCard = card;
        controller.addSpecialDay(date, day);
    }

    // Leaves the program to the groups' own timings.
    void dropMatrix()
    {
        controller.removeMatrix(intergreens->id());
        program->matrix.clear();
        program->defaultMatrix.clear();
    }
};

using Damage = std::function<void(Junction&)>;
} // namespace

Q_DECLARE_METATYPE(Damage)

class TestSafetyReview : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void findings_data();
    void findings();
};

void TestSafetyReview::findings_data()
{
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<QString>("element"); // one element of the first finding, as kind:id

    const QStringList dangling{QStringLiteral("dangling-reference")};
    const QStringList intergreen{QStringLiteral("missing-intergreen"), QStringLiteral("missing-intergreen")};
    QTest::newRow("clean") << Damage([](Junction&) {}) << QStringList() << QString();
    QTest::newRow("daily card starts an unknown program")
        << Damage([](Junction& j) { j.dayCard->addRecord(QTime(6, 0), j.strangeProgram, {}); }) << dangling
        << "program:9";
    QTest::newRow("daily card names an unknown reserve")
        << Damage([](Junction& j) { j.dayCard->addRecord(QTime(6, 0), j.program, j.strangeProgram); }) << dangling
        << "program:9";
    QTest::newRow("weekday with an unknown daily card")
        << Damage([](Junction& j) { j.weekCard->days.insert(Qt::Sunday, j.strangeCard); }) << dangling
        << "dayCard:8";
    QTest::newRow("special day with an unknown daily card")
        << Damage([](Junction& j) { j.addSpecialDay(QDate(2000, 5, 9), j.strangeCard); }) << dangling
        << "specialDay:09.05";
    QTest::newRow("season plan without weekly card")
        << Damage([](Junction& j) { j.controller.addSeasonPlan(QSharedPointer<CnfSeasonPlan>::create()); })
        << dangling << "seasonPlan:1";
    QTest::newRow("unknown default program")
        << Damage([](Junction& j) { j.controller.setDefaultProgram(j.strangeProgram); }) << dangling
        << "program:9";
    // A group that never joined the controller, gone by now: its cell keeps
    // a pointer that must not be followed.
    QTest::newRow("matrix cell of a group that is gone")
        << Damage([](Junction& j) { j.intergreens->setReleaf(j.group(3), j.main, 6); }) << dangling << "matrix:1";
    QTest::newRow("step of an unknown phase")
        << Damage([](Junction& j) { j.program->appendPhase(j.phase(QStringLiteral("7"), j.main), 10); })
        << dangling << "phase:7";
    QTest::newRow("phase with an unknown group")
        << Damage([](Junction& j) { j.sidePhase->signalGroups.append(j.group(5)); }) << dangling
        << "signalGroup:5";
    // With a matrix each conflicting pair needs a time of its own: main (1)
    // to side (2) has 0 s, side to main keeps 5 s.
    QTest::newRow("matrix, one pair without time")
        << Damage([](Junction& j) { j.intergreens->setReleaf(j.side, j.main, 0); })
        << QStringList{QStringLiteral("missing-intergreen")} << "signalGroup:1";
    // Variant 1 without any timings: both changes have 0 s of intergreen.
    QTest::newRow("no matrix, no timings") << Damage([](Junction& j) {
        j.dropMatrix();
        j.program->setInterstateVariant(1);
    }) << intergreen + QStringList{QStringLiteral("missing-variant-timings"), QStringLiteral("missing-variant-timings")}
       << "signalGroup:2";
    // Without a matrix the whole change runs one intergreen, the longest any
    // changing group needs. Group 3 shares the main phase; in variant 1 it
    // clears with 1 + 3 + 1 (green blink, yellow, added red) = 5 s and enters
    // with 2 + 1 (red-yellow, added green II) = 3 s. Main has no timings of
    // variant 1 and side's are zero, so main to side has max(0, 5, 0) = 5 s
    // and side to main max(0, 0, 3) = 3 s: nothing is missing, but main runs
    // variant 1 on zeros.
    QTest::newRow("no matrix, a third group times the change") << Damage([](Junction& j) {
        j.dropMatrix();
        j.program->setInterstateVariant(1);
        auto third = j.group(3);
        CnfSGTimes times;
        times.greenBlink = 1;
        times.yellow = 3;
        times.redAdd = 1;
        times.yellowRed = 2;
        times.greenAdd2 = 1;
        third->variantTimes.insert(1, times);
        j.side->variantTimes.insert(1, CnfSGTimes());
        j.controller.addSignalGroup(third);
        j.mainPhase->signalGroups.append(third);
        QCOMPARE(j.program->phaseDefAt(1)->phaseInterstate(j.program->phaseDefAt(0)), 5);
        QCOMPARE(j.program->phaseDefAt(0)->phaseInterstate(j.program->phaseDefAt(1)), 3);
    }) << QStringList{QStringLiteral("missing-variant-timings")} << "signalGroup:1";
    QTest::newRow("no matrix, variant timings") << Damage([](Junction& j) {
        j.dropMatrix();
        j.program->setInterstateVariant(1);
        CnfSGTimes times;
        times.yellow = 3;
        j.main->variantTimes.insert(1, times);
        j.side->variantTimes.insert(1, times);
    }) << QStringList() << QString();
    QTest::newRow("no matrix, transition times") << Damage([](Junction& j) {
        j.dropMatrix();
        for (const auto& into : {j.mainPhase, j.sidePhase}) {
            auto transition = QSharedPointer<CnfTransition>::create();
            transition->from = (into == j.mainPhase ? j.sidePhase : j.mainPhase)->id;
            transition->clearing.insert(into == j.mainPhase ? 2 : 1, 3);
            into->transitions.append(transition);
        }
    }) << QStringList() << QString();
    QTest::newRow("no matrix, yellow of the groups") << Damage([](Junction& j) {
        j.dropMatrix();
        j.main->setProperty("amber", 3);
        j.side->setProperty("amber", 3);
    }) << QStringList() << QString();
}

void TestSafetyReview::findings()
{
    QFETCH(Damage, damage);
    QFETCH(QStringList, codes);
    QFETCH(QString, element);

    Junction junction;
    damage(junction);
    const QList<CnfFinding> findings = CnfSafetyReview(junction.controller).run();
    QStringList found;
    for (const CnfFinding& finding : findings) {
        QVERIFY(!finding.message.isEmpty());
        const bool warning = finding.code == QLatin1String("missing-variant-timings");
        QCOMPARE(finding.severity, warning ? CnfFinding::Warning : CnfFinding::Error);
        found.append(finding.code);
    }
    QCOMPARE(found, codes);
    if (!element.isEmpty()) {
        const CnfFinding::Element expected(element.section(QLatin1Char(':'), 0, 0), element.section(QLatin1Char(':'), 1));
        QVERIFY2(findings.first().elements.contains(expected), qPrintable(findings.first().message));
    }
}

QTEST_GUILESS_MAIN(TestSafetyReview)
#include "tst_safetyreview.moc"
