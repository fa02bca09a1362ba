// The safety review of the cnf tool on models built in memory, including
// faults that no reader lets through: references to elements the controller
// does not hold, and matrix cells of groups that are gone.
#include <QtTest>

#include "SafetyReview.h"
#include "cnf.h"

namespace
{
enum Fault {
    NoFault,
    UnlistedDayCardProgram,
    UnlistedReserveProgram,
    UnlistedWeekDay,
    UnlistedSpecialDayCard,
    SeasonPlanWithoutWeekCard,
    UnlistedDefaultProgram,
    StaleMatrixCell,
    UnlistedStepPhase,
    UnlistedPhaseGroup,
    NoMatrixNoTimings,
    NoMatrixVariantTimings,
    NoMatrixTransitionTimes,
    NoMatrixNoTransitionYellow,
};

// Two conflicting groups, a phase for each, a timer program over both with
// an intergreen matrix, and a schedule that runs it.
struct Junction {
    CnfController controller;
    QSharedPointer<CnfSignalGroup> main = group(1);
    QSharedPointer<CnfSignalGroup> side = group(2);
    QSharedPointer<CnfPhase> mainPhase = phase(QStringLiteral("1"), main);
    QSharedPointer<CnfPhase> sidePhase = phase(QStringLiteral("2"), side);
    QSharedPointer<CnfMatrix> intergreens = QSharedPointer<CnfMatrix>::create();
    QSharedPointer<CnfProgram> program = QSharedPointer<CnfProgram>::create();
    QSharedPointer<CnfDayCard> dayCard = QSharedPointer<CnfDayCard>::create();
    QSharedPointer<CnfWeekCard> weekCard = QSharedPointer<CnfWeekCard>::create();

    static QSharedPointer<CnfSignalGroup> group(int id)
    {
        auto sg = QSharedPointer<CnfSignalGroup>::create();
        sg->id = id;
        sg->setType(CnfSignalGroup::Transport);
        return sg;
    }

    static QSharedPointer<CnfPhase> phase(const QString& id, const QSharedPointer<CnfSignalGroup>& sg)
    {
        auto p = QSharedPointer<CnfPhase>::create();
        p->id = id;
        p->signalGroups.append(sg);
        return p;
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
        program->id = QStringLiteral("1");
        program->type = CnfProgram::Timer;
        program->appendPhase(mainPhase, 20);
        program->appendPhase(sidePhase, 20);
        controller.addProgram(program);
        dayCard->id = QStringLiteral("1");
        dayCard->addRecord(QTime(0, 0), program, {});
        controller.addDayCard(dayCard);
        weekCard->id = QStringLiteral("1");
        weekCard->days.insert(Qt::Monday, dayCard);
        controller.addWeekCard(weekCard);
        auto holiday = QSharedPointer<CnfSpecialDay>::create();
        holiday->dayCard = dayCard;
        controller.addSpecialDay(QDate(2000, 1, 1), holiday);
    }

    // Leaves the program to the groups' own timings.
    void dropMatrix()
    {
        controller.removeMatrix(intergreens->id());
        program->matrix.clear();
        program->defaultMatrix.clear();
    }

    void damage(Fault fault)
    {
        auto stranger = QSharedPointer<CnfProgram>::create();
        stranger->id = QStringLiteral("9");
        auto strangeCard = QSharedPointer<CnfDayCard>::create();
        strangeCard->id = QStringLiteral("8");
        switch (fault) {
        case NoFault:
            break;
        case UnlistedDayCardProgram:
            dayCard->addRecord(QTime(6, 0), stranger, {});
            break;
        case UnlistedReserveProgram:
            dayCard->addRecord(QTime(6, 0), program, stranger);
            break;
        case UnlistedWeekDay:
            weekCard->days.insert(Qt::Sunday, strangeCard);
            break;
        case UnlistedSpecialDayCard: {
            auto day = QSharedPointer<CnfSpecialDay>::create();
            day->dayCard = strangeCard;
            controller.addSpecialDay(QDate(2000, 5, 9), day);
            break;
        }
        case SeasonPlanWithoutWeekCard:
            controller.addSeasonPlan(QSharedPointer<CnfSeasonPlan>::create());
            break;
        case UnlistedDefaultProgram:
            controller.setDefaultProgram(stranger);
            break;
        case StaleMatrixCell: {
            // A group that never joined the controller, gone by now: its
            // cell keeps a pointer that must not be followed.
            auto gone = group(3);
            intergreens->setReleaf(gone, main, 6);
            break;
        }
        case UnlistedStepPhase:
            program->appendPhase(phase(QStringLiteral("7"), main), 10);
            break;
        case UnlistedPhaseGroup:
            sidePhase->signalGroups.append(group(5));
            break;
        case NoMatrixNoTimings:
            dropMatrix();
            program->setInterstateVariant(1);
            break;
        case NoMatrixVariantTimings: {
            dropMatrix();
            program->setInterstateVariant(1);
            CnfSGTimes times;
            times.yellow = 3;
            main->variantTimes.insert(1, times);
            side->variantTimes.insert(1, times);
            break;
        }
        case NoMatrixTransitionTimes: {
            dropMatrix();
            for (const auto& into : {mainPhase, sidePhase}) {
                auto transition = QSharedPointer<CnfTransition>::create();
                transition->from = into == mainPhase ? sidePhase->id : mainPhase->id;
                transition->clearing.insert(into == mainPhase ? 2 : 1, 3);
                into->transitions.append(transition);
            }
            break;
        }
        case NoMatrixNoTransitionYellow:
            dropMatrix();
            main->setProperty("amber", 3);
            side->setProperty("amber", 3);
            break;
        }
    }
};
} // namespace

Q_DECLARE_METATYPE(Fault)

class TestSafetyReview : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void findings_data();
    void findings();
};

void TestSafetyReview::findings_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<QString>("element"); // one element of the first finding, as kind:id

    const QStringList dangling{QStringLiteral("dangling-reference")};
    const QStringList intergreen{QStringLiteral("missing-intergreen"), QStringLiteral("missing-intergreen")};
    QTest::newRow("clean") << NoFault << QStringList() << QString();
    QTest::newRow("daily card starts an unknown program") << UnlistedDayCardProgram << dangling << "program:9";
    QTest::newRow("daily card names an unknown reserve") << UnlistedReserveProgram << dangling << "program:9";
    QTest::newRow("weekday with an unknown daily card") << UnlistedWeekDay << dangling << "dayCard:8";
    QTest::newRow("special day with an unknown daily card") << UnlistedSpecialDayCard << dangling << "specialDay:09.05";
    QTest::newRow("season plan without weekly card") << SeasonPlanWithoutWeekCard << dangling << "seasonPlan:1";
    QTest::newRow("unknown default program") << UnlistedDefaultProgram << dangling << "program:9";
    QTest::newRow("matrix cell of a group that is gone") << StaleMatrixCell << dangling << "matrix:1";
    QTest::newRow("step of an unknown phase") << UnlistedStepPhase << dangling << "phase:7";
    QTest::newRow("phase with an unknown group") << UnlistedPhaseGroup << dangling << "signalGroup:5";
    QTest::newRow("no matrix, no timings") << NoMatrixNoTimings << intergreen << "signalGroup:2";
    QTest::newRow("no matrix, variant timings") << NoMatrixVariantTimings << QStringList() << QString();
    QTest::newRow("no matrix, transition times") << NoMatrixTransitionTimes << QStringList() << QString();
    QTest::newRow("no matrix, yellow of the groups") << NoMatrixNoTransitionYellow << QStringList() << QString();
}

void TestSafetyReview::findings()
{
    QFETCH(Fault, fault);
    QFETCH(QStringList, codes);
    QFETCH(QString, element);

    Junction junction;
    junction.damage(fault);
    const QList<Finding> findings = SafetyReview(junction.controller).run();
    QStringList found;
    for (const Finding& finding : findings) {
        QVERIFY(!finding.message.isEmpty());
        found.append(finding.code);
    }
    QCOMPARE(found, codes);
    if (!element.isEmpty()) {
        const Finding::Element expected(element.section(QLatin1Char(':'), 0, 0), element.section(QLatin1Char(':'), 1));
        QVERIFY2(findings.first().elements.contains(expected), qPrintable(findings.first().message));
    }
}

QTEST_GUILESS_MAIN(TestSafetyReview)
#include "tst_safetyreview.moc"
