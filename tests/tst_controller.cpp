#include <QtTest>

#include "cnf.h"

using Group = QSharedPointer<CnfSignalGroup>;
using Matrix = QSharedPointer<CnfMatrix>;
using Phase = QSharedPointer<CnfPhase>;
using Program = QSharedPointer<CnfProgram>;

namespace {

Group group(int id)
{
    auto sg = Group::create();
    sg->id = id;
    return sg;
}

Phase phase(const QString& id, const QList<Group>& groups = {})
{
    auto p = Phase::create();
    p->id = id;
    p->signalGroups = groups;
    return p;
}

Program program(const QString& id, const QList<Phase>& steps = {})
{
    auto p = Program::create();
    p->id = id;
    for (const auto& step : steps)
        p->appendPhase(step, 10);
    return p;
}

Matrix matrix(int id)
{
    auto m = Matrix::create();
    m->setId(id);
    return m;
}

QSharedPointer<CnfPowerDevice> device(int id, int address)
{
    auto dev = QSharedPointer<CnfPowerDevice>::create();
    dev->id = id;
    dev->address = address;
    return dev;
}

} // namespace

class TestController : public QObject
{
    Q_OBJECT

private slots:
    void groupWiring();
    void addPowerDevice_data();
    void addPowerDevice();
    void addMatrixNumbersUnnumbered();
    void addProgram_data();
    void addProgram();
    void removeSignalGroupCleansEveryMatrix();
    void removePowerDevice();
    void removePhaseRemovesSteps();
    void removeMatrix_data();
    void removeMatrix();
    void removeProgramCleansSchedule();
    void removeDayCardCascades();
    void limits_data();
    void limits();
    void nativeData();
    void createTransitionsFromPrograms();
    void copyAndClear();
};

// Only an added group is wired to the interstate record and the default group;
// groups with a record of their own keep it when the controller's changes.
void TestController::groupWiring()
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
    c.setDefaulSignalGroup(own);
    QCOMPARE(first->defaultSignalGroup(), own);
}

void TestController::addPowerDevice_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("expectedId");
    QTest::newRow("id 0 takes the address") << 0 << 17;
    QTest::newRow("default id stays") << -1 << -1;
    QTest::newRow("own id stays") << 5 << 5;
}

void TestController::addPowerDevice()
{
    QFETCH(int, id);
    QFETCH(int, expectedId);
    CnfController c;
    const auto dev = device(id, 17);
    QVERIFY(c.addPowerDevice(dev));
    QCOMPARE(dev->id, expectedId);
    QVERIFY(!c.addPowerDevice(device(1, 17)));
    QVERIFY(!c.addPowerDevice(dev));
    QCOMPARE(c.lastError(), QString::fromUtf8("Дублирующееся устройство с адресом 17"));
    QCOMPARE(c.powerDevices().size(), 1);
}

void TestController::addMatrixNumbersUnnumbered()
{
    CnfController c;
    const auto safety = matrix(0);
    c.setSafetyMatrix(safety); // listed, still unnumbered
    const QList<Matrix> added{matrix(0), matrix(0), matrix(0)};
    for (const auto& m : added)
        c.addMatrix(m);
    QCOMPARE(added[0]->id() * 100 + added[1]->id() * 10 + added[2]->id(), 123);
    c.addMatrix(matrix(2), true, true); // a duplicate id: neither added nor flagged
    QCOMPARE(c.matrixList().size(), 4);
    QCOMPARE(c.safetyMatrix(), safety);
    QVERIFY(!c.defaultMatrix());
    const auto flagged = matrix(7);
    c.addMatrix(flagged, true, true);
    QCOMPARE(c.defaultMatrix(), flagged);
    QCOMPARE(c.safetyMatrix(), flagged);
}

void TestController::addProgram_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("expected");
    QTest::newRow("gap") << QStringList{"1", "3"} << "2";
    QTest::newRow("none") << QStringList{} << "1";
    QTest::newRow("1 free") << QStringList{"2", "x"} << "1";
    QTest::newRow("after last") << QStringList{"2", "1"} << "3";
}

void TestController::addProgram()
{
    QFETCH(QStringList, existing);
    QFETCH(QString, expected);
    CnfController c;
    const auto listed = phase("1");
    c.addPhase(listed);
    const auto fallback = matrix(0);
    c.addMatrix(fallback, true);
    for (const QString& id : existing)
        c.addProgram(program(id, {listed}));
    const auto own = matrix(9);
    auto p = program(QString());
    p->defaultMatrix = own;
    c.addProgram(p);
    c.addProgram(p);
    QCOMPARE(p->id, expected);
    QCOMPARE(c.programs().size(), existing.size() + 1);
    QCOMPARE(p->defaultMatrix, own);
    if (!existing.isEmpty())
        QCOMPARE(c.findProgram(existing.first())->defaultMatrix, fallback);

    // Steps showing an unlisted phase: the program is rebuilt through the
    // project document, which lists the phase; the rebuilt one is added.
    const auto foreign = program("50", {listed, phase("2")});
    foreign->defaultMatrix = own;
    c.addProgram(foreign);
    QVERIFY(!c.programs().contains(foreign));
    const auto rebuilt = c.findProgram("50");
    QVERIFY(rebuilt);
    QCOMPARE(rebuilt->defaultMatrix, fallback);
    QCOMPARE(rebuilt->phaseCount(), 2);
    QCOMPARE(rebuilt->phaseDefAt(1)->phase(), c.findPhase("2"));
}

// Matrix cells hold plain group pointers: no matrix of the controller or of
// its programs may name a removed group.
void TestController::removeSignalGroupCleansEveryMatrix()
{
    CnfController c;
    const auto keep = group(1);
    auto gone = group(5);
    const CnfSignalGroup* goneAddress = gone.data();
    c.addSignalGroup(keep);
    c.addSignalGroup(gone);
    c.addPhase(phase("1", {keep, gone}));
    c.addPhase(phase("2", {group(5)})); // another object with the same id
    const QList<Matrix> all{c.conflictMatrix(), matrix(0), matrix(0), matrix(0), matrix(0), matrix(0)};
    c.addMatrix(all[1]);
    c.addMatrix(all[2], true);
    c.addMatrix(all[3], false, true);
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
    QVERIFY(!c.findSG(5));
    for (const auto& ph : c.phases())
        QVERIFY(!ph->contains(5));
    for (const auto& m : all) {
        QCOMPARE(m->content().size(), 1);
        QCOMPARE(m->content().first().onGroup, keep.data());
        QVERIFY(m->content().first().offGroup != goneAddress);
    }
    QCOMPARE(p->cycle(true), 10);
}

void TestController::removePowerDevice()
{
    CnfController c;
    const auto byAddress = device(7, 17), byId = device(8, 18);
    const auto sg = group(1);
    for (const auto& dev : {byAddress, byId}) {
        QVERIFY(c.addPowerDevice(dev));
        sg->assignDevice(dev);
    }
    c.addSignalGroup(sg);
    QCOMPARE(c.findPowerDeviceSg(byId), sg);
    c.removePowerDevice(17);
    QCOMPARE(sg->devices, QList<QSharedPointer<CnfPowerDevice>>{byId});
    c.removePowerDeviceById(8);
    QVERIFY(c.powerDevices().isEmpty() && sg->devices.isEmpty());
}

void TestController::removePhaseRemovesSteps()
{
    CnfController c;
    const auto a = phase("1"), b = phase("2");
    c.addPhase(a);
    c.addPhase(b);
    const auto p = program("1", {a, b, a});
    c.addProgram(p);
    c.removePhase("1");
    QCOMPARE(c.phases(), QList<Phase>{b});
    QCOMPARE(p->phaseCount(), 1);
    QCOMPARE(p->phaseDefAt(0)->id(), QStringLiteral("2"));
}

void TestController::removeMatrix_data()
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

void TestController::removeMatrix()
{
    QFETCH(int, removed);
    QFETCH(int, listedAfter);
    QFETCH(int, defaultAfter);
    QFETCH(bool, safetyAfter);
    CnfController c;
    c.conflictMatrix()->setId(50);
    for (int id : {1, 2, 3, 50})
        c.addMatrix(matrix(id), id == 1, id == 3);
    const auto p = program("1");
    c.addProgram(p);
    p->matrix = c.findMatrix(2);

    c.removeMatrix(removed);
    QCOMPARE(c.matrixList().size(), listedAfter);
    QCOMPARE(c.defaultMatrix()->id(), defaultAfter);
    QCOMPARE(p->defaultMatrix, c.defaultMatrix());
    QCOMPARE(p->matrix.isNull(), removed == 2);
    QCOMPARE(!c.safetyMatrix().isNull(), safetyAfter);

    c.conflictMatrix()->setId(0);
    for (int id : {1, 2, 3, 50})
        c.removeMatrix(id);
    QVERIFY(c.matrixList().isEmpty() && !c.defaultMatrix() && !p->defaultMatrix && !p->matrix);
}

void TestController::removeProgramCleansSchedule()
{
    CnfController c;
    const auto one = program("1"), two = program("2");
    c.addProgram(one);
    c.addProgram(two);
    c.setDefaultProgram(two);
    c.setReserveProgram(two);
    auto card = QSharedPointer<CnfDayCard>::create();
    card->addRecord(QTime(6, 0), two, one);
    card->addRecord(QTime(9, 0), one, two);
    card->addRecord(QTime(18, 0), one, Program());
    c.addDayCard(card);

    c.removeProgram("2");
    QCOMPARE(c.programs(), QList<Program>{one});
    QCOMPARE(card->records.keys(), (QList<QTime>{QTime(9, 0), QTime(18, 0)}));
    QCOMPARE(card->records[QTime(9, 0)].program, one);
    QVERIFY(!card->records[QTime(9, 0)].reserveProgram);
    QVERIFY(!c.defaultProgram());
    QCOMPARE(c.reserveProgram(), two);
}

void TestController::removeDayCardCascades()
{
    CnfController c;
    using Card = QSharedPointer<CnfDayCard>;
    using Week = QSharedPointer<CnfWeekCard>;
    const auto gone = Card::create(), kept = Card::create();
    c.addDayCard(gone);
    c.addDayCard(kept);
    c.setDefaultDayCard(gone);
    const auto onlyGone = Week::create(), mixed = Week::create(), alreadyEmpty = Week::create();
    onlyGone->days[Qt::Monday] = gone;
    onlyGone->days[Qt::Sunday] = gone;
    mixed->days[Qt::Monday] = gone;
    mixed->days[Qt::Tuesday] = kept;
    for (const auto& w : {onlyGone, mixed, alreadyEmpty}) {
        c.addWeekCard(w);
        auto plan = QSharedPointer<CnfSeasonPlan>::create();
        plan->weekCard = w;
        c.addSeasonPlan(plan);
    }
    QCOMPARE(c.seasonPlans().last()->id, QStringLiteral("3"));
    auto special = [](const Card& card) {
        auto day = QSharedPointer<CnfSpecialDay>::create();
        day->dayCard = card;
        return day;
    };
    c.addSpecialDay(QDate(2024, 1, 1), special(kept));
    c.addSpecialDay(QDate(2024, 1, 1), special(gone)); // replaces the first
    c.addSpecialDay(QDate(2024, 1, 2), special(kept));

    c.removeDayCard(gone);
    QCOMPARE(c.dayCards(), QList<Card>{kept});
    QCOMPARE(c.weekCards(), (QList<Week>{mixed, alreadyEmpty}));
    QCOMPARE(mixed->days.keys(), QList<Qt::DayOfWeek>{Qt::Tuesday});
    QCOMPARE(c.seasonPlans().size(), 2);
    QCOMPARE(c.specialDays().keys(), QList<QDate>{QDate(2024, 1, 2)});
    QCOMPARE(c.defaultDayCard(), gone);

    c.removeWeekCard(mixed);
    QCOMPARE(c.seasonPlans().size(), 1);
    QCOMPARE(c.seasonPlans().first()->weekCard, alreadyEmpty);
}

void TestController::limits_data()
{
    QTest::addColumn<QVariant>("type");
    QTest::addColumn<QVector<int>>("expected"); // phase, program, card, special, items, device, sg
    QTest::newRow("norvak") << QVariant("norvak") << QVector<int>{16, 16, 16, 16, 7, 128, 32};
    QTest::newRow("adapter") << QVariant("adapter") << QVector<int>{16, 16, 16, 16, 7, 65535, 65535};
    QTest::newRow("norvakii") << QVariant("norvakii") << QVector<int>(7, 65535);
    QTest::newRow("case matters") << QVariant("Norvak") << QVector<int>(7, 65535);
    QTest::newRow("no type") << QVariant() << QVector<int>(7, 65535);
}

void TestController::limits()
{
    QFETCH(QVariant, type);
    QFETCH(QVector<int>, expected);
    CnfController c;
    c.setProperty("type", type);
    const QVector<int> actual{c.getMaxPhaseCount(),      c.getMaxProgramCount(), c.getMaxDayCardCount(),
                              c.getMaxSpecialDayCount(), c.getMaxDayCardItems(), c.getMaxDeviceCount(),
                              c.getMaxSgCount()};
    QCOMPARE(actual, expected);
}

// The handle works on the controller's own data; old handles read as null
// once their entries, or the controller itself, are gone.
void TestController::nativeData()
{
    VObject outliving;
    {
        CnfController c;
        QCOMPARE(c.getNativeData("absent", 42).toInt(), 42);
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

void TestController::createTransitionsFromPrograms()
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
}

void TestController::copyAndClear()
{
    CnfController source;
    source.setProperty("type", "norvak");
    source.addSignalGroup(group(1));
    source.conflictMatrix()->setReleaf(source.findSG(1), source.findSG(1), 0);
    source.setNativeData("x", 1);
    const QByteArray document = source.save(-1);
    QVERIFY(!document.isEmpty());
    CnfController copy(source);
    QCOMPARE(copy.save(-1), document);

    // A source that cannot be written gives an empty copy that says why.
    auto card = QSharedPointer<CnfDayCard>::create();
    card->addRecord(QTime(6, 0), Program(), Program());
    source.addDayCard(card);
    CnfController failed(source);
    QVERIFY(!failed.lastError().isEmpty() && failed.signalGroups().isEmpty());

    const auto conflicts = source.conflictMatrix();
    source.clear();
    QVERIFY(source.dynamicPropertyNames().isEmpty() && source.signalGroups().isEmpty());
    QVERIFY(source.nativeDataNames().isEmpty() && source.lastError().isEmpty());
    QCOMPARE(source.conflictMatrix(), conflicts);
    QVERIFY(conflicts->isEmpty());
}

QTEST_GUILESS_MAIN(TestController)
#include "tst_controller.moc"
