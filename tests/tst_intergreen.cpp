#include <QtTest>

#include <cmath>

#include "CnfMatrix.h"
#include "CnfPhase.h"
#include "CnfPhaseDef.h"
#include "CnfProgram.h"
#include "CnfSignalGroup.h"
#include "CnfTransition.h"

using GroupPtr = QSharedPointer<CnfSignalGroup>;
using PhasePtr = QSharedPointer<CnfPhase>;

namespace {

GroupPtr group(int id, const QVariantMap& timings)
{
    auto g = GroupPtr::create();
    g->id = id;
    g->type = CnfSignalGroup::Transport;
    for (auto it = timings.begin(); it != timings.end(); ++it)
        g->setProperty(it.key().toUtf8().constData(), it.value());
    return g;
}

PhasePtr phase(const QString& id, const QList<GroupPtr>& groups)
{
    auto p = PhasePtr::create();
    p->id = id;
    p->signalGroups = groups;
    return p;
}

// Going from phase 1 to phase 2, group a loses green, b gets green and s
// keeps it; c shows only in phase 3. Timings come from the groups' properties.
struct Junction {
    GroupPtr a = group(1, {{"extGreen1", 1}, {"greenBlink", 3}, {"extRed", 2}, {"amber", 4}});
    GroupPtr b = group(2, {{"redAmber", 2}, {"extGreen2", 5}});
    GroupPtr s = group(3, {{"greenBlink", 1}});
    GroupPtr c = group(4, {});
    PhasePtr p1 = phase("1", {a, s});
    PhasePtr p2 = phase("2", {b, s});
    PhasePtr p3 = phase("3", {c});

    // Per-variant records for variant 2.
    void addRecords(bool forA, bool forB)
    {
        if (forA)
            a->variantTimes[2] = CnfSGTimes{1, 6, 5, 2, 0, 0};
        if (forB)
            b->variantTimes[2] = CnfSGTimes{0, 0, 0, 0, 3, 9};
    }
};

} // namespace

class TestIntergreen : public QObject
{
    Q_OBJECT
private slots:
    void matrix_data()
    {
        QTest::addColumn<double>("cell");
        QTest::addColumn<bool>("reversed");
        QTest::addColumn<bool>("asDefault");
        QTest::addColumn<bool>("clearing");
        QTest::addColumn<int>("expected");
        // Green blink of a (3) joins whenever a group clears; b's red-yellow is 2.
        QTest::newRow("cell truncated") << 4.7 << false << false << true << 4 + 3;
        QTest::newRow("default matrix") << 4.7 << false << true << true << 4 + 3;
        QTest::newRow("red-yellow above cell") << 1.9 << false << false << true << 2 + 3;
        QTest::newRow("negative cell") << -6.0 << false << false << true << 2 + 3;
        QTest::newRow("no cell") << qQNaN() << false << false << true << 2 + 3;
        QTest::newRow("other direction") << 9.0 << true << false << true << 2 + 3;
        QTest::newRow("no clearing group") << 4.7 << false << false << false << 2;
    }
    void matrix()
    {
        QFETCH(double, cell);
        QFETCH(bool, reversed);
        QFETCH(bool, asDefault);
        QFETCH(bool, clearing);
        Junction j;
        if (!clearing)
            j.p1->signalGroups = {j.s};
        auto matrix = QSharedPointer<CnfMatrix>::create();
        if (!std::isnan(cell))
            reversed ? matrix->setReleaf(j.a, j.b, cell) : matrix->setReleaf(j.b, j.a, cell);
        CnfProgram program;
        (asDefault ? program.defaultMatrix : program.matrix) = matrix;
        program.appendPhase(j.p1, 10);
        const auto step = program.appendPhase(j.p2, 10);
        program.appendPhase(j.p3, 10);
        QTEST(step->phaseInterstate(), "expected");
    }

    void transition_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<QVariantMap>("times"); // empty: no transition
        QTest::addColumn<int>("expected");
        // Without a transition: a clears in 1+3+2+4, b enters in 2+5.
        QTest::newRow("no transition") << -1 << QVariantMap() << 10;
        QTest::newRow("entering wins") << 0 << QVariantMap{{"clearing", 6}, {"addRed", 1}, {"entering", 12}} << 12;
        QTest::newRow("clearing with added red") << 0 << QVariantMap{{"clearing", 6}, {"addRed", 1}} << 6 + 1 + 4;
        QTest::newRow("empty transition") << 0 << QVariantMap{{"empty", 0}} << 4;
        QTest::newRow("added red only") << -1 << QVariantMap{{"addRed", 2}} << 2 + 4;
    }
    void transition()
    {
        QFETCH(int, variant);
        QFETCH(QVariantMap, times);
        Junction j;
        if (!times.isEmpty()) {
            auto t = QSharedPointer<CnfTransition>::create();
            t->from = "1";
            if (times.contains("clearing"))
                t->clearing[j.a->id] = times["clearing"].toInt();
            if (times.contains("addRed"))
                t->addRed[j.a->id] = times["addRed"].toInt();
            if (times.contains("entering"))
                t->entering[j.b->id] = times["entering"].toInt();
            j.p2->transitions.append(t);
        }
        CnfProgram program;
        program.setInterstateVariant(variant);
        const auto from = program.appendPhase(j.p1, 10);
        const auto step = program.appendPhase(j.p2, 10);
        QCOMPARE(step->findTransition().isNull(), times.isEmpty());
        QCOMPARE(step->findTransition(from), step->findTransition());
        QVERIFY(!step->findTransition(step));
        QTEST(step->phaseInterstate(), "expected");
    }

    void variant_data()
    {
        QTest::addColumn<bool>("recordA");
        QTest::addColumn<bool>("recordB");
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("green");
        // With records: a clears in 6+5+1+2, b enters in 3+9. Without one the
        // record reads as zeros and the queries fall back to the properties.
        QTest::newRow("both records") << true << true << 14 << 6;
        QTest::newRow("no record for clearing group") << false << true << 12 << 0;
        QTest::newRow("no record for entering group") << true << false << 14 << 6;
        QTest::newRow("no records") << false << false << 3 + 4 << 0;
    }
    void variant()
    {
        QFETCH(bool, recordA);
        QFETCH(bool, recordB);
        Junction j;
        j.addRecords(recordA, recordB);
        CnfProgram program;
        program.setInterstateVariant(2);
        program.appendPhase(j.p1, 10);
        const auto step = program.appendPhase(j.p2, 10);
        QTEST(step->phaseInterstate(), "expected");
        QTEST(step->interstateGreen(), "green");
    }

    void stageRing_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("recall");
        QTest::addColumn<int>("expected");
        // Steps 1 (requested unless stated), 3 (recall "none"), 2; the matrix
        // gives 6 from phase 1 and 2 from phase 3.
        QTest::newRow("timer comes from the previous step") << int(CnfProgram::Timer) << true << 2;
        QTest::newRow("ring comes from the requested step") << int(CnfProgram::StageRing) << true << 6;
        QTest::newRow("ring without requests") << int(CnfProgram::StageRing) << false << 0;
    }
    void stageRing()
    {
        QFETCH(int, type);
        QFETCH(bool, recall);
        Junction j;
        CnfProgram program;
        program.type = CnfProgram::Type(type);
        program.matrix = QSharedPointer<CnfMatrix>::create();
        program.matrix->setReleaf(j.b, j.a, 6);
        program.matrix->setReleaf(j.b, j.c, 2);
        const auto first = program.appendPhase(j.p1, 10);
        program.appendPhase(j.p3, 10)->setProperty("recall", "none");
        const auto step = program.appendPhase(j.p2, 10);
        if (recall)
            first->setProperty("recall", "always");
        QTEST(step->phaseInterstate(), "expected");
        if (program.type == CnfProgram::StageRing) {
            QCOMPARE(first->phaseInterstate(), 0); // no other requested step
            QCOMPARE(program.cycle(true), recall ? 10 : 0);
        }
    }

    void createTransition_data()
    {
        QTest::addColumn<double>("cell"); // NaN: no matrix
        QTest::addColumn<int>("entering"); // -1: no entry
        QTest::addColumn<int>("clearing");
        // a: blink 6, full clearing 14; b: red-yellow 3, added green 9.
        QTest::newRow("from timings") << qQNaN() << 14 - 9 << 6 + 1;
        // Intergreen 2 + green blink 6 = 8, below b's added green.
        QTest::newRow("added green above intergreen") << 2.0 << -1 << 6 + 1;
        // Intergreen 12 + 6 = 18: a's clearing is stretched by 18 - 14.
        QTest::newRow("clearing stretched") << 12.0 << 18 - 9 << 6 + 4;
    }
    void createTransition()
    {
        QFETCH(double, cell);
        QFETCH(int, entering);
        QFETCH(int, clearing);
        Junction j;
        j.addRecords(true, true);
        CnfProgram program;
        program.setInterstateVariant(2);
        if (!std::isnan(cell)) {
            program.matrix = QSharedPointer<CnfMatrix>::create();
            program.matrix->setReleaf(j.b, j.a, cell);
        }
        program.appendPhase(j.p1, 10);
        const auto step = program.appendPhase(j.p2, 10);
        const auto t = step->createTransition();
        QVERIFY(t);
        QVERIFY(t->from.isEmpty());
        QCOMPARE(t->entering.value(j.b->id, -1), entering);
        QCOMPARE(t->clearing.value(j.a->id, -1), clearing);
        QCOMPARE(t->entering.size() + t->clearing.size(), entering < 0 ? 1 : 2);
        QVERIFY(t->addRed.isEmpty());
        program.removePhase(1);
        QVERIFY(!step->createTransition()); // a step out of its ring has no step before it
    }
};

QTEST_GUILESS_MAIN(TestIntergreen)
#include "tst_intergreen.moc"
