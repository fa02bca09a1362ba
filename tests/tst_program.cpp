#include <QtTest>

#include "CnfPhase.h"
#include "CnfPhaseDef.h"
#include "CnfProgram.h"
#include "CnfSignalGroup.h"
#include "ModelBuilders.h"

using GroupPtr = QSharedPointer<CnfSignalGroup>;
using PhasePtr = QSharedPointer<CnfPhase>;

namespace {

// A transport group with a 5 s yellow: every change between two phases of
// one group each has a 5 s intergreen.
GroupPtr group(int id)
{
    return CnfTest::group(id, QVariantMap{{QStringLiteral("amber"), 5}});
}

// A phase of its own group when none is given.
PhasePtr phase(const QString& id, const QList<GroupPtr>& groups = {}, int minLength = -1, int maxLength = -1)
{
    return CnfTest::phase(id, groups.isEmpty() ? QList<GroupPtr>{group(id.toInt() + 100)} : groups, minLength, maxLength);
}

// Two steps of 25 s, each led into by a 5 s intergreen: a 60 s cycle.
void fillSixtySeconds(CnfProgram& program)
{
    program.appendPhase(phase("1"), 25);
    program.appendPhase(phase("2"), 25);
}

} // namespace

class TestProgram : public QObject
{
    Q_OBJECT
private slots:
    void ring_data()
    {
        QTest::addColumn<QString>("operations");
        QTest::addColumn<QString>("expected");
        QTest::newRow("append") << "" << "ABC";
        QTest::newRow("remove middle") << "remove 1" << "AC";
        QTest::newRow("remove last") << "remove 2" << "AB";
        QTest::newRow("remove out of range") << "remove 3;remove -1" << "ABC";
        QTest::newRow("remove down to one") << "remove 0;remove 0" << "C";
        QTest::newRow("remove all") << "remove 0;remove 0;remove 0" << "";
        QTest::newRow("remove every occurrence") << "append A;removeId A" << "BC";
        QTest::newRow("insert after first") << "insert 0" << "ANBC";
        QTest::newRow("insert after last") << "insert 2" << "ABCN";
        QTest::newRow("insert into single") << "remove 0;remove 0;insert 0" << "CN";
    }
    void ring()
    {
        QFETCH(QString, operations);
        CnfProgram program;
        for (const char* id : {"A", "B", "C"})
            program.appendPhase(phase(id, {group(1)}), 10);
        for (const QString& operation : operations.split(';', Qt::SkipEmptyParts)) {
            const QStringList words = operation.split(' ');
            if (words[0] == "remove")
                program.removePhase(words[1].toInt());
            else if (words[0] == "removeId")
                program.removePhase(words[1]);
            else if (words[0] == "append")
                program.appendPhase(phase(words[1], {group(1)}), 10);
            else
                QVERIFY(program.insertPhase(program.phaseDefAt(words[1].toInt()), phase("N", {group(1)}), 10));
        }
        const auto steps = program.phases();
        QString ids;
        for (const auto& step : steps)
            ids += step->id();
        QTEST(ids, "expected");
        const int n = steps.size();
        for (int i = 0; i < n; ++i) {
            QCOMPARE(steps[i]->next(), steps[(i + 1) % n]);
            QCOMPARE(steps[i]->previous(), steps[(i + n - 1) % n]);
            QCOMPARE(steps[i]->program(), &program);
        }
    }

    void stepsOutliveTheirProgram()
    {
        QWeakPointer<CnfPhaseDef> first;
        QSharedPointer<CnfPhaseDef> kept, removed;
        {
            CnfProgram program;
            first = program.appendPhase(phase("1"), 10);
            kept = program.appendPhase(phase("2"), 10);
            removed = program.appendPhase(phase("3"), 10);
            program.removePhase(2);
            QCOMPARE(removed->program(), nullptr);
            QCOMPARE(kept->next(), first.toStrongRef());
            CnfProgram other;
            QVERIFY(!other.insertPhase(kept, phase("4"), 10));
        }
        QVERIFY(first.isNull()); // the ring kept nothing alive
        QCOMPARE(kept->program(), nullptr);
        QCOMPARE(kept->start(), -1);
        QCOMPARE(kept->fullLength(), 10);
    }

    void clamping_data()
    {
        QTest::addColumn<int>("minLength");
        QTest::addColumn<int>("maxLength");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("expected");
        QTest::addColumn<QStringList>("warnings");
        const QString above = "Phase length>max - truncated";
        const QString below = "Phase length<min - truncated";
        QTest::newRow("above max") << 5 << 60 << 201 << 60 << QStringList{above};
        QTest::newRow("below min") << 5 << 60 << 3 << 5 << QStringList{below};
        QTest::newRow("limits not set") << 0 << -1 << 500 << 500 << QStringList();
        QTest::newRow("min wins over max") << 50 << 40 << 45 << 50 << QStringList{above, below};
    }
    void clamping()
    {
        QFETCH(int, minLength);
        QFETCH(int, maxLength);
        QFETCH(int, length);
        QFETCH(QStringList, warnings);
        CnfProgram program;
        const auto step = program.appendPhase(phase("1", {group(1)}, minLength, maxLength), 200);
        QCOMPARE(step->length(), 200); // creation stores the length unchecked
        for (const QString& warning : warnings)
            QTest::ignoreMessage(QtWarningMsg, warning.toUtf8().constData());
        step->setLength(length);
        QTEST(step->length(), "expected");
    }

    void cycle_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("coordinated");
        QTest::addColumn<bool>("recall");
        QTest::addColumn<int>("cached");
        QTest::addColumn<bool>("recalc");
        QTest::addColumn<int>("expected");
        const int timer = CnfProgram::Timer, ring = CnfProgram::StageRing;
        QTest::newRow("empty cache recomputed") << timer << false << false << 0 << false << 60;
        QTest::newRow("cache") << timer << false << false << 77 << false << 77;
        QTest::newRow("recalc") << timer << false << false << 77 << true << 60;
        QTest::newRow("coordinated ring") << ring << true << true << 90 << true << 90;
        QTest::newRow("ring") << ring << false << true << 90 << true << 60;
        QTest::newRow("ring without recall") << ring << false << false << 90 << true << 0;
    }
    void cycle()
    {
        QFETCH(int, type);
        QFETCH(bool, coordinated);
        QFETCH(bool, recall);
        QFETCH(int, cached);
        QFETCH(bool, recalc);
        CnfProgram program;
        program.type = CnfProgram::Type(type);
        program.setProperty("coordinated", coordinated);
        fillSixtySeconds(program);
        for (const auto& step : program.phases())
            step->setProperty("recall", recall ? "always" : "none");
        program.cycleTime = cached;
        QTEST(program.cycle(recalc), "expected");
    }

    void cycleOffset_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("secondStart");
        const int coord = CnfProgram::Coord;
        QTest::newRow("above") << coord << 130 << 70 << 40;
        QTest::newRow("negative") << coord << -10 << 50 << 20;
        QTest::newRow("cycle") << coord << 60 << 0 << 30;
        QTest::newRow("one wrap only") << coord << -70 << -10 << 20;
        QTest::newRow("native coordinated") << int(CnfProgram::NorvakSpecial) << 40 << 40 << 10;
        QTest::newRow("timer ignores offset") << int(CnfProgram::Timer) << 40 << 7 << 30;
    }
    void cycleOffset()
    {
        QFETCH(int, type);
        QFETCH(int, offset);
        CnfProgram program;
        program.type = CnfProgram::Type(type);
        program.nativeType = 2;
        fillSixtySeconds(program);
        program.setCycleOffset(offset);
        QTEST(program.cycleOffset(7), "stored");
        QCOMPARE(program.phaseDefAt(0)->start(), program.cycleOffset(0));
        QTEST(program.phaseDefAt(1)->start(), "secondStart");
    }

    // Native algorithm numbers travel as "alg<number>"; codes are compared exactly.
    void typeNames()
    {
        QCOMPARE(CnfProgram::string2Type("yf"), CnfProgram::YellowFlash);
        QCOMPARE(CnfProgram::typeName(CnfProgram::YellowFlash, true), QString("Желтое мигание"));
        QCOMPARE(CnfProgram::string2Type("alg17"), CnfProgram::Type(17));
        QCOMPARE(CnfProgram::typeName(CnfProgram::Type(17), false), QString("alg17"));
        QCOMPARE(CnfProgram::typeName(CnfProgram::Type(17), true), QString("Неизвестный тип 17"));
        QCOMPARE(CnfProgram::string2Type("Off"), CnfProgram::NotSet);
        QCOMPARE(CnfProgram::string2Type("algx"), CnfProgram::NotSet);
    }

    // A fixed full length leaves the main length what the intergreen does not
    // take, and the other way round; a clone keeps which of the two is fixed.
    void fullLengthAndClone()
    {
        auto source = QSharedPointer<CnfProgram>::create();
        source->id = "3";
        source->setProperty("extra", "kept");
        const auto fixedFull = source->appendPhaseFl(phase("1"), 40);
        const auto fixedMain = source->appendPhase(phase("2"), 35);
        QVERIFY(fixedFull->fullLengthDefined() && !fixedMain->fullLengthDefined());
        QCOMPARE((QList<int>{fixedFull->length(), fixedMain->fullLength()}), (QList<int>{35, 40}));
        fixedFull->addLength(2);
        fixedMain->addLength(2);
        QCOMPARE((QList<int>{fixedFull->fullLength(), fixedMain->length(), source->cycle(true)}), (QList<int>{42, 37, 84}));
        // In a phase sequence the unrequested first step is no step to come from: 42 + 37.
        source->type = CnfProgram::StageRing;
        fixedMain->setProperty("recall", "always");
        QCOMPARE(source->cycle(true), 79);

        CnfProgram copy;
        copy.setProperty("stale", 1);
        copy.clone(source);
        QVERIFY(!copy.property("stale").isValid() && copy.property("extra") == "kept");
        QVERIFY(copy.phaseDefAt(0)->phase() == fixedFull->phase() && copy.phaseDefAt(0)->fullLengthDefined());
        QCOMPARE(copy.phaseDefAt(1)->property("recall").toString(), QString("always"));
        QCOMPARE(copy.cycle(false), 79);
        copy.clear();
        QVERIFY(copy.id == "3" && copy.type == CnfProgram::NotSet && copy.phaseCount() == 0);
        QVERIFY(copy.dynamicPropertyNames().isEmpty());
    }

    void signalGroups()
    {
        const GroupPtr g1 = group(1), g2 = group(2), g3 = group(3);
        CnfProgram program;
        program.appendPhase(phase("1", {g1, g2}), 10);
        program.appendPhase(phase("2", {g2, g3}), 10);
        QCOMPARE(program.signalGroups(), (QList<GroupPtr>{g1, g2, g3}));

        program.type = CnfProgram::Timeline;
        program.setTimelineData(g3, 10, CnfSignalGroup::Green);
        program.setTimelineData(g3, 10, CnfSignalGroup::Red);
        program.setTimelineData(GroupPtr(), 5, CnfSignalGroup::Red);
        QCOMPARE(program.signalGroups(), QList<GroupPtr>{g3});
        QCOMPARE(program.getTimelineData(g3), (QMap<int, int>{{10, CnfSignalGroup::Red}}));
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
