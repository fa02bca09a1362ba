#include <QtTest>

#include "CnfAddressSet.h"
#include "CnfAddressTable.h"
#include "ModelBuilders.h"
#include "cnf.h"

using Group = QSharedPointer<CnfSignalGroup>;
using Matrix = QSharedPointer<CnfMatrix>;
using Phase = QSharedPointer<CnfPhase>;
using Program = QSharedPointer<CnfProgram>;
using Device = QSharedPointer<CnfPowerDevice>;

using namespace CnfTest;

class TestController : public QObject
{
    Q_OBJECT
private slots:
    // Only an added group is wired to the interstate record and the default
    // group; groups with a record of their own keep it when the controller's changes.
    void groupWiring()
    {
        CnfController c;
        const auto shared = QSharedPointer<CnfInterstate>::create();
        c.setInterstate(shared);
        const auto templateGroup = group(100);
        c.setDefaulSignalGroup(templateGroup);
        const auto first = group(3), second = group(3), own = group(4);
        own->interstate = QSharedPointer<CnfInterstate>::create();
        for (const auto& sg : {first, second, own})
            c.addSignalGroup(sg);
        QCOMPARE(c.signalGroups(), (QList<Group>{first, own}));
        QCOMPARE(first->interstate, shared);
        QCOMPARE(first->defaultSignalGroup(), templateGroup);
        QVERIFY(!second->interstate && !second->defaultSignalGroup());

        const auto next = QSharedPointer<CnfInterstate>::create();
        const auto ownRecord = own->interstate;
        c.setInterstate(next);
        QCOMPARE(first->interstate, next);
        QCOMPARE(own->interstate, ownRecord);
        c.setDefaulSignalGroup(own); // a listed group as the template: its own default too
        QCOMPARE(first->defaultSignalGroup(), own);
    }

    void powerDevices()
    {
        CnfController c;
        const auto numbered = device(0, 17), byAddress = device(-1, 18), byId = device(8, 19);
        const auto sg = group(1);
        for (const auto& dev : {numbered, byAddress, byId}) {
            QVERIFY(c.addPowerDevice(dev));
            sg->assignDevice(dev);
        }
        QCOMPARE((QList<int>{numbered->id, byAddress->id, byId->id}), (QList<int>{17, -1, 8})); // 0 takes the address
        QVERIFY(!c.addPowerDevice(device(1, 18)));
        QVERIFY(!c.addPowerDevice(numbered));
        QCOMPARE(c.lastError(), QString::fromUtf8("Дублирующееся устройство с адресом 17"));
        c.addSignalGroup(sg);
        QCOMPARE(c.findPowerDeviceSg(byId), sg);
        c.removePowerDevice(18);
        c.removePowerDeviceById(8);
        QCOMPARE(c.powerDevices(), QList<Device>{numbered});
        QCOMPARE(sg->devices, QList<Device>{numbered});
    }

    void addMatrixNumbersUnnumbered()
    {
        CnfController c;
        const auto safety = matrix(0);
        c.setSafetyMatrix(safety); // listed, still unnumbered
        const QList<Matrix> added{matrix(0), matrix(0), matrix(0)};
        for (const auto& m : added)
            c.addMatrix(m);
        QCOMPARE((QList<int>{added[0]->id(), added[1]->id(), added[2]->id()}), (QList<int>{1, 2, 3}));
        c.addMatrix(matrix(2), true, true); // a duplicate id: neither added nor flagged
        QCOMPARE(c.matrixList().size(), 4);
        QCOMPARE(c.safetyMatrix(), safety);
        QVERIFY(!c.defaultMatrix());
        const auto flagged = matrix(7);
        c.addMatrix(flagged, true, true);
        QVERIFY(c.defaultMatrix() == flagged && c.safetyMatrix() == flagged);
    }

    void addProgram()
    {
        CnfController c;
        const auto listed = phase("1");
        c.addPhase(listed);
        const auto fallback = matrix(0);
        c.addMatrix(fallback, true);
        QStringList ids; // an unnumbered program gets the smallest free number
        for (const char* id : {"", "3", "x", "", "", ""}) {
            const auto p = program(id, {listed});
            c.addProgram(p);
            ids << p->id;
        }
        QCOMPARE(ids, (QStringList{"1", "3", "x", "2", "4", "5"}));
        const auto own = matrix(9);
        const auto p = program("7");
        p->defaultMatrix = own;
        c.addProgram(p);
        c.addProgram(p);
        QCOMPARE(c.programs().size(), 7);
        QVERIFY(p->defaultMatrix == own && c.findProgram("1")->defaultMatrix == fallback);

        // Steps showing an unlisted phase: the program is rebuilt through the
        // project document, which lists the phase; the rebuilt one is added.
        const auto foreign = program("50", {listed, phase("2")});
        foreign->defaultMatrix = own;
        c.addProgram(foreign);
        const auto rebuilt = c.findProgram("50");
        QVERIFY(rebuilt && rebuilt != foreign && rebuilt->phaseDefAt(1)->phase() == c.findPhase("2"));
        QCOMPARE(rebuilt->defaultMatrix, fallback);
    }

    // Matrix cells hold plain group pointers: no matrix of the controller or
    // of its programs may name a removed group.
    void removeSignalGroupCleansEveryMatrix()
    {
        CnfController c;
        const auto keep = group(1);
        auto gone = group(5);
        c.addSignalGroup(keep);
        c.addSignalGroup(gone);
        c.addPhase(phase("1", {keep, gone}));
        c.addPhase(phase("2", {group(5)})); // another object with the same id
        const QList<Matrix> all{c.conflictMatrix(), matrix(0), matrix(0), matrix(0), matrix(0), matrix(0)};
        for (int i = 1; i <= 3; ++i)
            c.addMatrix(all[i], i == 2, i == 3);
        const auto p = program("1", {c.findPhase("1")});
        c.addProgram(p);
        p->matrix = all[4];        // the program's own, not listed
        p->defaultMatrix = all[5]; // not listed either
        for (const auto& m : all) {
            m->setReleaf(keep, gone, 3);
            m->setReleaf(gone, keep, 4);
            m->setReleaf(keep, keep, 1);
        }
        c.removeSignalGroup(5);
        gone.reset();
        QVERIFY(!c.findSG(5) && !c.findPhase("1")->contains(5) && !c.findPhase("2")->contains(5));
        for (const auto& m : all) {
            QCOMPARE(m->content().size(), 1);
            QCOMPARE(m->releaf(keep, keep), 1.0);
        }
    }

    void removeMatrix_data()
    {
        QTest::addColumn<int>("removed");
        QTest::addColumn<int>("listedAfter");
        QTest::addColumn<int>("defaultAfter");
        QTest::addColumn<bool>("safetyAfter");
        QTest::newRow("default: the first remaining follows") << 1 << 3 << 2 << true;
        QTest::newRow("a program's own") << 2 << 3 << 1 << true;
        QTest::newRow("safety") << 3 << 3 << 1 << false;
        QTest::newRow("id of the conflict matrix") << 50 << 4 << 1 << true;
        QTest::newRow("absent") << 99 << 4 << 1 << true;
    }
    void removeMatrix()
    {
        QFETCH(int, removed);
        CnfController c;
        c.conflictMatrix()->setId(50);
        for (int id : {1, 2, 3, 50})
            c.addMatrix(matrix(id), id == 1, id == 3);
        const auto p = program("1");
        c.addProgram(p);
        p->matrix = c.findMatrix(2);

        c.removeMatrix(removed);
        QTEST(c.matrixList().size(), "listedAfter");
        QTEST(c.defaultMatrix()->id(), "defaultAfter");
        QCOMPARE(p->defaultMatrix, c.defaultMatrix());
        QCOMPARE(p->matrix.isNull(), removed == 2);
        QTEST(!c.safetyMatrix().isNull(), "safetyAfter");

        c.conflictMatrix()->setId(0);
        for (int id : {1, 2, 3, 50})
            c.removeMatrix(id);
        QVERIFY(c.matrixList().isEmpty() && !c.defaultMatrix() && !p->defaultMatrix && !p->matrix);
    }

    // Removing a program deletes the records that start it and clears the
    // reserve of those that only name it; removing a daily card cascades to
    // the weekly cards, their season plans and the special days.
    void scheduleCascades()
    {
        using Card = QSharedPointer<CnfDayCard>;
        using Week = QSharedPointer<CnfWeekCard>;
        CnfController c;
        const auto one = program("1"), two = program("2");
        c.addProgram(one);
        c.addProgram(two);
        c.setDefaultProgram(two);
        const auto gone = Card::create(), kept = Card::create();
        kept->addRecord(QTime(6, 0), two, one);
        kept->addRecord(QTime(9, 0), one, two);
        kept->addRecord(QTime(18, 0), one, Program());
        c.addDayCard(gone);
        c.addDayCard(kept);
        const auto onlyGone = Week::create(), mixed = Week::create(), alreadyEmpty = Week::create();
        onlyGone->days[Qt::Monday] = onlyGone->days[Qt::Sunday] = gone;
        mixed->days[Qt::Monday] = gone;
        mixed->days[Qt::Tuesday] = kept;
        for (const auto& w : {onlyGone, mixed, alreadyEmpty}) {
            c.addWeekCard(w);
            auto plan = QSharedPointer<CnfSeasonPlan>::create();
            plan->weekCard = w;
            c.addSeasonPlan(plan);
        }
        for (const auto& card : {gone, kept}) {
            auto day = QSharedPointer<CnfSpecialDay>::create();
            day->dayCard = card;
            c.addSpecialDay(QDate(2024, 1, card == gone ? 1 : 2), day);
        }

        c.removeProgram("2");
        QCOMPARE(c.programs(), QList<Program>{one});
        QCOMPARE(kept->records.keys(), (QList<QTime>{QTime(9, 0), QTime(18, 0)}));
        QVERIFY(kept->records[QTime(9, 0)].program == one && !kept->records[QTime(9, 0)].reserveProgram);
        QVERIFY(!c.defaultProgram());
        c.removeDayCard(gone);
        QCOMPARE(c.dayCards(), QList<Card>{kept});
        QCOMPARE(c.weekCards(), (QList<Week>{mixed, alreadyEmpty}));
        QCOMPARE(mixed->days.keys(), QList<Qt::DayOfWeek>{Qt::Tuesday});
        QCOMPARE(c.seasonPlans().size(), 2);
        QCOMPARE(c.specialDays().keys(), QList<QDate>{QDate(2024, 1, 2)});
        c.removeWeekCard(mixed);
        QCOMPARE(c.seasonPlans().size(), 1);
        QCOMPARE(c.seasonPlans().first()->weekCard, alreadyEmpty);
    }

    void limits()
    {
        CnfController c;
        auto limits = [&c](const QVariant& type) {
            c.setProperty("type", type);
            return QVector<int>{c.getMaxPhaseCount(),      c.getMaxProgramCount(), c.getMaxDayCardCount(),
                                c.getMaxSpecialDayCount(), c.getMaxDayCardItems(), c.getMaxDeviceCount(),
                                c.getMaxSgCount()};
        };
        QCOMPARE(limits("norvak"), (QVector<int>{16, 16, 16, 16, 7, 128, 32}));
        QCOMPARE(limits("adapter"), (QVector<int>{16, 16, 16, 16, 7, 65535, 65535}));
        QCOMPARE(limits("Norvak"), QVector<int>(7, 65535)); // the type is compared exactly
        QCOMPARE(limits(QVariant()), QVector<int>(7, 65535));
    }

    // The handle works on the controller's own data; old handles read as null
    // once their entries, or the controller itself, are gone.
    void nativeData()
    {
        VObject outliving;
        {
            CnfController c;
            c.setNativeData("a", 1);
            VObject data = c.nativeData();
            VObject a = data["a"];
            data["b"]["c"] = "deep";
            QCOMPARE(c.nativeDataNames(), (QStringList{"a", "b"}));
            QCOMPARE(c.getNativeData("b").toMap().value("c").toString(), QStringLiteral("deep"));
            c.setNativeData("a", QVariant());
            QCOMPARE(c.getNativeData("a", 42).toInt(), 42);
            QVERIFY(a.isNull());

            VObject deep = data["b"]["c"];
            c.clearNativeData();
            QVERIFY(c.nativeDataNames().isEmpty() && deep.isNull());
            deep = 5; // recreates the path, as through any pending handle
            QCOMPARE(c.getNativeData("b").toMap().value("c").toInt(), 5);
            c.nativeData().clear();
            QVERIFY(c.nativeDataNames().isEmpty() && !c.nativeData().isNull());
            VObject replacement(QVariant::Map);
            replacement["again"] = 1;
            VObject handle = c.nativeData();
            handle = replacement; // replaces the data, the handle stays on it
            QCOMPARE(c.getNativeData("again").toInt(), 1);
            QVERIFY(handle == c.nativeData());
            outliving = data["again"];
        }
        QVERIFY(outliving.isNull());
        outliving = 2;
        QVERIFY(outliving.isNull());
    }

    void transitionsAndPhaseRemoval()
    {
        CnfController c;
        const auto a = phase("1"), b = phase("2"), alone = phase("3");
        for (const auto& ph : {a, b, alone})
            c.addPhase(ph);
        auto existing = QSharedPointer<CnfTransition>::create();
        existing->from = "2";
        existing->clearing[1] = 4;
        a->transitions << existing;
        c.addProgram(program("1", {a, b}));
        c.addProgram(program("2", {b, a}));
        c.addProgram(program("3", {alone}));

        c.createTransitionsFromPrograms();
        c.createTransitionsFromPrograms();
        QCOMPARE(a->transitions, QList<QSharedPointer<CnfTransition>>{existing});
        QCOMPARE(b->transitions.size(), 1);
        QVERIFY(b->findTransition("1") && b->findTransition("1")->clearing.isEmpty());
        QCOMPARE(alone->transitions.size(), 1);
        QVERIFY(alone->findTransition("3"));

        c.removePhase("1"); // the steps showing it go from every program
        QCOMPARE(c.phases(), (QList<Phase>{b, alone}));
        for (const char* id : {"1", "2"}) {
            const auto steps = c.findProgram(id)->phases();
            QVERIFY(steps.size() == 1 && steps.first()->phase() == b);
        }
    }

    // A copy of a source that a file writer refuses leaves out only the
    // refused entry; clearing keeps the conflict matrix object, emptied.
    void refusedEntryCopyAndClear()
    {
        CnfController source;
        source.setProperty("type", "norvak");
        source.addSignalGroup(group(1));
        source.conflictMatrix()->setReleaf(source.findSG(1), source.findSG(1), 0);
        source.setNativeData("x", 1);
        auto card = QSharedPointer<CnfDayCard>::create();
        card->addRecord(QTime(6, 0), Program(), Program());
        source.addDayCard(card);
        QTest::ignoreMessage(QtWarningMsg, "Left out of the copy: В суточной карте  не задана программа для времени 06:00:00");
        const CnfController copy(source);
        QVERIFY2(copy.lastError().isEmpty(), qPrintable(copy.lastError()));
        QCOMPARE(copy.signalGroups().size(), 1);
        QCOMPARE(copy.getNativeData("x", {}).toInt(), 1);
        QCOMPARE(copy.dayCards().size(), 1);
        QVERIFY(copy.dayCards().first()->records.isEmpty());

        const auto conflicts = source.conflictMatrix();
        source.clear();
        QVERIFY(source.dynamicPropertyNames().isEmpty() && source.signalGroups().isEmpty());
        QVERIFY(source.nativeDataNames().isEmpty() && source.lastError().isEmpty());
        QCOMPARE(source.conflictMatrix(), conflicts);
        QVERIFY(conflicts->isEmpty());

        // A conflict matrix that outlives its controller names none of the
        // groups that went with it.
        QSharedPointer<CnfMatrix> held;
        {
            CnfController gone;
            gone.addSignalGroup(group(1));
            gone.addSignalGroup(group(2));
            gone.conflictMatrix()->setReleaf(gone.findSG(1), gone.findSG(2), 0);
            held = gone.conflictMatrix();
        }
        QVERIFY(held->isEmpty());
    }

    // The writers' tables by address: grown past several rehashes (or
    // reserved at once), with a replaced entry, an absent key and the null
    // key.
    void addressTable_data()
    {
        QTest::addColumn<int>("reserved");
        QTest::newRow("grown") << 0;
        QTest::newRow("reserved") << 5000;
    }

    void addressTable()
    {
        QFETCH(int, reserved);
        std::vector<int> elements(5000);
        CnfAddressTable<int> table;
        CnfAddressSet set;
        table.reserve(reserved);
        set.reserve(reserved);
        for (size_t i = 0; i < elements.size(); ++i) {
            table.insert(&elements[i], int(i));
            if (i % 2 == 0)
                set.insert(&elements[i]);
        }
        table.insert(&elements[7], -7);
        table.insert(nullptr, 1);
        set.insert(nullptr);
        int absent = 0;
        QVERIFY(!table.contains(&absent) && !table.contains(nullptr));
        QVERIFY(!set.contains(&absent) && !set.contains(nullptr));
        QCOMPARE(table.value(&absent, -1), -1);
        QCOMPARE(table.value(&elements[7]), -7);
        for (size_t i = 0; i < elements.size(); ++i) {
            if (i != 7 && table.value(&elements[i], -1) != int(i))
                QFAIL(qPrintable(QString("entry %1 lost").arg(i)));
            if (set.contains(&elements[i]) != (i % 2 == 0))
                QFAIL(qPrintable(QString("address %1 wrongly in or out of the set").arg(i)));
        }
    }
};

QTEST_GUILESS_MAIN(TestController)
#include "tst_controller.moc"
