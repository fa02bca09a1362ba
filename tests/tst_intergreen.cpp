#include <QtTest>

#include <cmath>

#include "CnfMatrix.h"
#include "CnfPhase.h"
#include "CnfPhaseDef.h"
#include "CnfProgram.h"
#include "CnfSignalGroup.h"
#include "CnfTransition.h"
#include "ModelBuilders.h"

using GroupPtr = QSharedPointer<CnfSignalGroup>;
using PhasePtr = QSharedPointer<CnfPhase>;

namespace {

using CnfTest::group;
using CnfTest::phase;

// Going from phase 1 to phase 2, group a loses green, b gets green and s
// keeps it; c shows only in phase 3. Timings come from the groups' properties
// and, with "recordA" / "recordB" in `setup`, from their records of variant 2.
struct Junction {
    GroupPtr a = group(1, {{"extGreen1", 1}, {"greenBlink", 3}, {"extRed", 2}, {"amber", 4}});
    GroupPtr b = group(2, {{"redAmber", 2}, {"extGreen2", 5}});
    GroupPtr s = group(3, {{"greenBlink", 1}});
    GroupPtr c = group(4, {});
    PhasePtr p1 = phase("1", {a, s});
    PhasePtr p2 = phase("2", {b, s});
    PhasePtr p3 = phase("3", {c});
    CnfProgram program;

    explicit Junction(const QString& setup)
    {
        if (setup.contains("recordA"))
            a->variantTimes[2] = CnfSGTimes{1, 6, 5, 2, 0, 0};
        if (setup.contains("recordB"))
            b->variantTimes[2] = CnfSGTimes{0, 0, 0, 0, 3, 9};
    }
};

} // namespace

class TestIntergreen : public QObject
{
    Q_OBJECT
private slots:
    // The intergreen into the step of phase 2 (the program runs 1, 2, 3) comes
    // from the program's matrix, else from a transition, else from the group timings.
    void phaseInterstate_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<double>("cell"); // from entering b to clearing a
        QTest::addColumn<int>("variant");
        QTest::addColumn<QVariantMap>("transition"); // empty: none
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("green");
        const QVariantMap none;
        const double nan = qQNaN();
        // The cell, at least b's red-yellow (2), plus the green blink (a's 3) when a group clears.
        QTest::newRow("cell truncated") << "matrix" << 4.7 << -1 << none << 4 + 3 << 3;
        QTest::newRow("default matrix") << "default" << 4.7 << -1 << none << 4 + 3 << 3;
        QTest::newRow("red-yellow above cell") << "matrix" << 1.9 << -1 << none << 2 + 3 << 3;
        QTest::newRow("negative cell") << "matrix" << -6.0 << -1 << none << 2 + 3 << 3;
        QTest::newRow("no cell") << "matrix" << nan << -1 << none << 2 + 3 << 3;
        QTest::newRow("other direction") << "matrix reversed" << 9.0 << -1 << none << 2 + 3 << 3;
        QTest::newRow("no clearing group") << "matrix noClearing" << 4.7 << -1 << none << 2 << 1;
        QTest::newRow("matrix over transition") << "matrix" << 4.7 << -1 << QVariantMap{{"entering", 12}} << 7 << 3;
        // Red-yellow of variant 1 even then; the green blink is the record's.
        QTest::newRow("matrix over records") << "matrix recordA recordB" << 4.7 << 2 << none << 4 + 6 << 6;
        // Without a transition a clears in 1+3+2+4 and b enters in 2+5; a transition replaces both.
        QTest::newRow("no transition") << "" << nan << -1 << none << 10 << 3;
        QTest::newRow("entering wins") << "" << nan << 0
                                       << QVariantMap{{"clearing", 6}, {"addRed", 1}, {"entering", 12}} << 12 << 3;
        QTest::newRow("clearing with added red") << "" << nan << 0 << QVariantMap{{"clearing", 6}, {"addRed", 1}}
                                                 << 6 + 1 + 4 << 3;
        QTest::newRow("empty transition") << "" << nan << 0 << QVariantMap{{"empty", 0}} << 4 << 3;
        QTest::newRow("added red only") << "" << nan << -1 << QVariantMap{{"addRed", 2}} << 2 + 4 << 3;
        // With records a clears in 6+5+1+2, b enters in 3+9. Without one the
        // record reads as zeros and the queries fall back to the properties.
        QTest::newRow("both records") << "recordA recordB" << nan << 2 << none << 14 << 6;
        QTest::newRow("no record for clearing group") << "recordB" << nan << 2 << none << 12 << 0;
        QTest::newRow("no record for entering group") << "noClearing" << nan << 2 << none << 2 << 0;
        QTest::newRow("no records") << "" << nan << 2 << none << 3 + 4 << 0;
    }
    void phaseInterstate()
    {
        QFETCH(QString, setup);
        QFETCH(double, cell);
        QFETCH(int, variant);
        QFETCH(QVariantMap, transition);
        Junction j(setup);
        if (setup.contains("noClearing"))
            j.p1->signalGroups = {j.s};
        if (setup.contains("matrix") || setup.contains("default")) {
            auto matrix = QSharedPointer<CnfMatrix>::create();
            setup.contains("reversed") ? matrix->setReleaf(j.a, j.b, cell) : matrix->setReleaf(j.b, j.a, cell);
            (setup.contains("default") ? j.program.defaultMatrix : j.program.matrix) = matrix;
        }
        if (!transition.isEmpty()) {
            auto t = QSharedPointer<CnfTransition>::create();
            t->from = "1";
            if (transition.contains("clearing"))
                t->clearing[j.a->id] = transition["clearing"].toInt();
            if (transition.contains("addRed"))
                t->addRed[j.a->id] = transition["addRed"].toInt();
            if (transition.contains("entering"))
                t->entering[j.b->id] = transition["entering"].toInt();
            j.p2->transitions.append(t);
        }
        j.program.setInterstateVariant(variant);
        const auto from = j.program.appendPhase(j.p1, 10);
        const auto step = j.program.appendPhase(j.p2, 10);
        j.program.appendPhase(j.p3, 10);
        QTEST(step->phaseInterstate(), "expected");
        QTEST(step->interstateGreen(), "green");
        QCOMPARE(step->findTransition().isNull(), transition.isEmpty());
        QCOMPARE(step->findTransition(from), step->findTransition());
        QVERIFY(!step->findTransition(step));
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
        Junction j({});
        j.program.type = CnfProgram::Type(type);
        j.program.matrix = QSharedPointer<CnfMatrix>::create();
        j.program.matrix->setReleaf(j.b, j.a, 6);
        j.program.matrix->setReleaf(j.b, j.c, 2);
        const auto first = j.program.appendPhase(j.p1, 10);
        j.program.appendPhase(j.p3, 10)->setProperty("recall", "none");
        const auto step = j.program.appendPhase(j.p2, 10);
        if (recall)
            first->setProperty("recall", "always");
        QTEST(step->phaseInterstate(), "expected");
        if (type == CnfProgram::StageRing) {
            QCOMPARE(first->phaseInterstate(), 0); // no other requested step
            QCOMPARE(j.program.cycle(true), recall ? 10 : 0);
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
        Junction j("recordA recordB");
        j.program.setInterstateVariant(2);
        if (!std::isnan(cell)) {
            j.program.matrix = QSharedPointer<CnfMatrix>::create();
            j.program.matrix->setReleaf(j.b, j.a, cell);
        }
        j.program.appendPhase(j.p1, 10);
        const auto step = j.program.appendPhase(j.p2, 10);
        const auto t = step->createTransition();
        QVERIFY(t && t->from.isEmpty() && t->addRed.isEmpty());
        QCOMPARE(t->entering.value(j.b->id, -1), entering);
        QCOMPARE(t->clearing.value(j.a->id, -1), clearing);
        QCOMPARE(t->entering.size() + t->clearing.size(), entering < 0 ? 1 : 2);
        j.program.removePhase(1);
        QVERIFY(!step->createTransition()); // a step out of its ring has no step before it
    }
};

QTEST_GUILESS_MAIN(TestIntergreen)
#include "tst_intergreen.moc"
