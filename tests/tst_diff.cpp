#include <QtTest>

#include <functional>

#include "cnf.h"
#include "ModelBuilders.h"

using Edit = std::function<void(CnfController&)>;
Q_DECLARE_METATYPE(Edit)

namespace
{
// A small but complete controller: every kind of element once or twice.
void build(CnfController& c)
{
    c.setProperty("type", QStringLiteral("norvak"));
    c.setProperty("version", QStringLiteral("3.18"));
    c.setNativeData(QStringLiteral("address"), 5);
    c.setNativeData(QStringLiteral("errorControl"), QVariantList{QVariantMap{{QStringLiteral("lamp"), 1}}});
    auto device = CnfTest::device(1, 1);
    device->type = CnfPowerDevice::Key;
    c.addPowerDevice(device);
    for (int id : {1, 2}) {
        auto sg = CnfTest::group(id);
        sg->name = QStringLiteral("SG%1").arg(id);
        sg->variantTimes[0].yellow = 3;
        c.addSignalGroup(sg);
        c.addPhase(CnfTest::phase(QString::number(id), {sg}));
        auto detector = QSharedPointer<CnfDetector>::create();
        detector->setId(id);
        c.addDetector(detector);
    }
    const auto g1 = c.findSG(1), g2 = c.findSG(2);
    g1->assignDevice(device);
    auto transition = QSharedPointer<CnfTransition>::create();
    transition->from = QStringLiteral("1");
    transition->clearing[1] = 4;
    c.findPhase(QStringLiteral("2"))->transitions.append(transition);
    c.conflictMatrix()->setReleaf(g1, g2, 1);
    auto matrix = CnfTest::matrix(1);
    matrix->setReleaf(g1, g2, 5);
    c.addMatrix(matrix, true);
    auto sensor = QSharedPointer<CnfDetector>::create();
    sensor->setId(7);
    c.addSensor(sensor);
    for (auto type : {CnfProgram::Timer, CnfProgram::Coord}) {
        auto program = CnfTest::program(QString::number(c.programs().size() + 1), type);
        program->appendPhase(c.findPhase(QStringLiteral("1")), 20);
        program->appendPhase(c.findPhase(QStringLiteral("2")), 30);
        c.addProgram(program);
    }
    auto day = CnfTest::withId<CnfDayCard>(QStringLiteral("1"));
    day->addRecord(QTime(6, 0), c.findProgram(QStringLiteral("1")), c.findProgram(QStringLiteral("2")));
    c.addDayCard(day);
    auto week = CnfTest::withId<CnfWeekCard>(QStringLiteral("1"));
    week->days[Qt::Monday] = day;
    c.addWeekCard(week);
    auto special = CnfTest::withId<CnfSpecialDay>(QStringLiteral("1"));
    special->dayCard = day;
    c.addSpecialDay(QDate(2024, 5, 1), special);
    auto plan = CnfTest::withId<CnfSeasonPlan>(QStringLiteral("1"));
    plan->from = QDate(2024, 1, 1);
    plan->to = QDate(2024, 12, 31);
    plan->weekCard = week;
    c.addSeasonPlan(plan);
}
} // namespace

class TestDiff : public QObject
{
    Q_OBJECT
private slots:
    // Each edit of the second controller gives exactly one difference.
    void oneDifference_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("property");
        QTest::addColumn<int>("change");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<int>("count");
        const int changed = CnfDifference::Changed, missing = CnfDifference::Missing, added = CnfDifference::Added,
                  reordered = CnfDifference::Reordered;

        QTest::newRow("no edit") << Edit([](CnfController&) {}) << "" << "" << "" << 0 << "" << "" << 0;
        QTest::newRow("controller property") << Edit([](CnfController& c) { c.setProperty("number", 12); })
                                             << "controller" << "" << "number" << changed << "" << "12" << 1;
        QTest::newRow("default program") << Edit([](CnfController& c) { c.setDefaultProgram(c.findProgram("2")); })
                                         << "controller" << "" << "default program" << changed << "" << "2" << 1;
        QTest::newRow("native value") << Edit([](CnfController& c) { c.setNativeData("address", 6); })
                                      << "nativeData" << "address" << "value" << changed << "5" << "6" << 1;
        QTest::newRow("native key gone") << Edit([](CnfController& c) { c.setNativeData("address", QVariant()); })
                                         << "nativeData" << "address" << "" << missing << "5" << "" << 1;
        QTest::newRow("nested native value")
            << Edit([](CnfController& c) { c.nativeData()["errorControl"][0]["lamp"] = 2; })
            << "nativeData" << "errorControl/0/lamp" << "value" << changed << "1" << "2" << 1;
        QTest::newRow("device address") << Edit([](CnfController& c) { c.findPowerDevice(1)->address = 9; })
                                        << "powerDevice" << "1" << "address" << changed << "1" << "9" << 1;
        QTest::newRow("group name") << Edit([](CnfController& c) { c.findSG(2)->name = "B"; })
                                    << "signalGroup" << "2" << "name" << changed << "SG2" << "B" << 1;
        QTest::newRow("group devices") << Edit([](CnfController& c) { c.findSG(1)->devices.clear(); })
                                       << "signalGroup" << "1" << "devices" << changed << "1" << "" << 1;
        QTest::newRow("group timing override") << Edit([](CnfController& c) { c.findSG(1)->setProperty("amber", 4); })
                                               << "signalGroup" << "1" << "amber" << changed << "" << "4" << 1;
        QTest::newRow("group removed") << Edit([](CnfController& c) {
            auto sg = QSharedPointer<CnfSignalGroup>::create();
            sg->id = 9;
            c.addSignalGroup(sg);
        }) << "signalGroup" << "9" << "" << added << "" << "" << 1;
        QTest::newRow("group order") << Edit([](CnfController& c) {
            auto list = c.signalGroups();
            std::reverse(list.begin(), list.end());
            c.reorderSignalGroups(list);
        }) << "signalGroup" << "" << "order" << reordered << "1,2" << "2,1" << 1;
        QTest::newRow("phase limit") << Edit([](CnfController& c) { c.findPhase("1")->maxLength = 60; })
                                     << "phase" << "1" << "maximum" << changed << "-1" << "60" << 1;
        QTest::newRow("transition gone") << Edit([](CnfController& c) { c.findPhase("2")->transitions.clear(); })
                                         << "transition" << "2<1" << "" << missing << "clearing 1:4" << "" << 1;
        QTest::newRow("transition time") << Edit([](CnfController& c) { c.findPhase("2")->transitions[0]->clearing[1] = 5; })
                                         << "transition" << "2<1" << "clearing" << changed << "1:4" << "1:5" << 1;
        QTest::newRow("conflict cell") << Edit([](CnfController& c) { c.conflictMatrix()->clear(); })
                                       << "matrixCell" << "conflict:1>2" << "" << missing << "1" << "" << 1;
        QTest::newRow("intergreen value") << Edit([](CnfController& c) {
            c.findMatrix(1)->setReleaf(c.findSG(1), c.findSG(2), 6);
        }) << "matrixCell" << "1:1>2" << "value" << changed << "5" << "6" << 1;
        QTest::newRow("matrix name") << Edit([](CnfController& c) { c.findMatrix(1)->setName("day"); })
                                     << "matrix" << "1" << "name" << changed << "" << "day" << 1;
        QTest::newRow("detector gone") << Edit([](CnfController& c) { c.removeDetector(2); })
                                       << "detector" << "2" << "" << missing << "" << "" << 1;
        QTest::newRow("sensor name") << Edit([](CnfController& c) { c.findSensor(7)->setName("rain"); })
                                     << "sensor" << "7" << "name" << changed << "" << "rain" << 1;
        QTest::newRow("program name") << Edit([](CnfController& c) { c.findProgram("1")->name = "night"; })
                                      << "program" << "1" << "name" << changed << "" << "night" << 1;
        QTest::newRow("program property") << Edit([](CnfController& c) { c.findProgram("1")->setProperty("coordinated", true); })
                                          << "program" << "1" << "coordinated" << changed << "" << "1" << 1;
        QTest::newRow("program offset") << Edit([](CnfController& c) { c.findProgram("2")->setCycleOffset(7); })
                                        << "program" << "2" << "offset" << changed << "0" << "7" << 1;
        QTest::newRow("step length") << Edit([](CnfController& c) { c.findProgram("1")->phaseDefAt(1)->setLength(31); })
                                     << "step" << "1/2" << "length" << changed << "30" << "31" << 1;
        QTest::newRow("step gone") << Edit([](CnfController& c) { c.findProgram("1")->removePhase(1); })
                                   << "step" << "1/2" << "" << missing << "2" << "" << 2; // and the cycle
        QTest::newRow("program order") << Edit([](CnfController& c) {
            auto list = c.programs();
            std::reverse(list.begin(), list.end());
            c.reorderPrograms(list);
        }) << "program" << "" << "order" << reordered << "1,2" << "2,1" << 1;
        QTest::newRow("day card reserve") << Edit([](CnfController& c) {
            c.findDayCard("1")->records[QTime(6, 0)].reserveProgram.clear();
        }) << "dayCardRecord" << "1/06:00" << "reserve program" << changed << "2" << "" << 1;
        QTest::newRow("run of days stored once") << Edit([](CnfController& c) {
            c.findWeekCard("1")->days[Qt::Tuesday] = c.findDayCard("1");
        }) << "" << "" << "" << 0 << "" << "" << 0;
        QTest::newRow("detector slots empty") << Edit([](CnfController& c) { c.findSG(1)->detectors = {255, 255}; })
                                              << "" << "" << "" << 0 << "" << "" << 0;
        QTest::newRow("week day") << Edit([](CnfController& c) {
            auto other = QSharedPointer<CnfDayCard>::create();
            other->id = "2";
            c.addDayCard(other);
            c.findWeekCard("1")->days[Qt::Sunday] = other;
        }) << "weekDay" << "1/7" << "day card" << changed << "1" << "2" << 2; // and the new card
        QTest::newRow("special day moved") << Edit([](CnfController& c) {
            c.addSpecialDay(QDate(2024, 5, 9), c.specialDays().value(QDate(2024, 5, 1)));
            c.removeSpecialDay(QDate(2024, 5, 1));
        }) << "specialDay" << "01.05" << "" << missing << "" << "" << 2; // and one come
        QTest::newRow("season plan end") << Edit([](CnfController& c) { c.seasonPlans()[0]->to = QDate(2024, 6, 30); })
                                         << "seasonPlan" << "1" << "to" << changed << "31.12" << "30.06" << 1;
    }

    void oneDifference()
    {
        QFETCH(Edit, edit);
        CnfController a;
        CnfController b;
        build(a);
        build(b);
        edit(b);
        const auto differences = CnfControllerDiff::compare(a, b);
        QStringList lines;
        for (const auto& difference : differences)
            lines.append(difference.toString());
        QFETCH(int, count);
        QVERIFY2(differences.size() == count, qPrintable(lines.join(QLatin1Char('\n'))));
        if (count == 0)
            return;
        // With more than one, the first of the expected kind is the one meant.
        QFETCH(QString, kind);
        const auto it = std::find_if(differences.cbegin(), differences.cend(),
                                     [&kind](const CnfDifference& d) { return d.kind == kind; });
        QVERIFY2(it != differences.cend(), qPrintable(lines.join(QLatin1Char('\n'))));
        const CnfDifference& d = *it;
        QTEST(d.id, "id");
        QTEST(d.property, "property");
        QTEST(int(d.change), "change");
        QTEST(d.first, "first");
        QTEST(d.second, "second");
        // Swapping the sides swaps the values (and missing with added).
        const auto back = CnfControllerDiff::compare(b, a);
        QCOMPARE(back.size(), differences.size());
        QCOMPARE(back.at(int(it - differences.cbegin())).first, d.second);
    }

    void textNamesElementAndValues()
    {
        CnfController a;
        CnfController b;
        build(a);
        build(b);
        b.findSG(2)->name = QStringLiteral("B");
        b.removeDetector(2);
        const auto differences = CnfControllerDiff::compare(a, b);
        QCOMPARE(differences.size(), 2);
        QCOMPARE(differences[0].toString(), QStringLiteral("signal group 2: name: \"SG2\" → \"B\""));
        QCOMPARE(differences[1].toString(), QStringLiteral("detector 2: only in the first"));
    }
};

QTEST_GUILESS_MAIN(TestDiff)
#include "tst_diff.moc"
