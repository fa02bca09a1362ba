// The dynamic program blob: one program written by one controller and bound
// to the phases, groups and matrices of another.
#include <QDomDocument>
#include <QtTest>

#include "cnf.h"
#include "common/ModelBuilders.h"

using Group = QSharedPointer<CnfSignalGroup>;
using Program = QSharedPointer<CnfProgram>;
using Matrix = QSharedPointer<CnfMatrix>;

namespace {

const QString NoSteps = QStringLiteral("В программе не задано ни одной фазы");
const QString BadBlob = QStringLiteral("Неправильное описание данных в программе");

// Groups 1 to 5 (5 in no phase) and phases 1 to 5, kept in `phaseOrder`;
// phases 1 and 2 run 5 to 60 seconds. Matrix 1 is the default intergreen
// matrix, matrix 2 the safety matrix. Every call builds new objects.
void buildJunction(CnfController& c, const QStringList& phaseOrder = {"1", "2", "3", "4", "5"})
{
    c.setInterstate(CnfTest::interstate(3, 3, 2));
    for (int id = 1; id <= 5; ++id)
        c.addSignalGroup(CnfTest::group(id));
    const QMap<QString, QList<int>> members{{"1", {1, 2}}, {"2", {3}}, {"3", {4}}, {"4", {1}}, {"5", {2, 4}}};
    for (const QString& id : phaseOrder) {
        QList<Group> groups;
        for (int member : members.value(id))
            groups.append(c.findSG(member));
        const bool limited = id == QLatin1String("1") || id == QLatin1String("2");
        c.addPhase(CnfTest::phase(id, groups, limited ? 5 : -1, limited ? 60 : -1));
    }
    for (const auto& pair : QList<QPair<int, int>>{{1, 3}, {3, 1}, {2, 3}, {3, 2}})
        c.conflictMatrix()->setReleaf(c.findSG(pair.first), c.findSG(pair.second), 0);
    auto intergreen = CnfTest::matrix(1);
    intergreen->setReleaf(c.findSG(3), c.findSG(1), 4);
    intergreen->setReleaf(c.findSG(1), c.findSG(3), 5);
    c.addMatrix(intergreen, true, false);
    auto safety = CnfTest::matrix(2);
    safety->setReleaf(c.findSG(3), c.findSG(1), 6);
    c.addMatrix(safety, false, true);
}

Program newProgram(CnfProgram::Type type, const QString& id = QStringLiteral("7"))
{
    auto program = CnfTest::program(id, type);
    program->name = QStringLiteral("Evening");
    return program;
}

void appendSteps(CnfController& c, CnfProgram& program, const QList<QPair<QString, int>>& steps)
{
    for (const auto& step : steps)
        program.appendPhase(c.findPhase(step.first), step.second);
}

// A timer record running the phases at positions 0 and 1 for 20 and 25
// seconds, in the record of the adapter or of firmware 3.18 (intergreen variant 1).
QByteArray timerRecord(bool adapter)
{
    const QByteArray head = adapter ? "0501ffffffff" : "050101ffffffff";
    return QByteArray::fromHex(head + "0014ffffffffff0119").leftJustified(adapter ? 62 : 63, char(0xFF));
}

// The programs the round trip is tried on, by name.
Program makeProgram(CnfController& c, const QString& kind)
{
    if (kind.startsWith(QLatin1String("raw"))) {
        const bool adapter = kind == QLatin1String("raw adapter");
        c.setProperty("type", adapter ? QStringLiteral("adapter") : QStringLiteral("norvak"));
        c.setProperty("version", adapter ? QVariant() : QStringLiteral("3.18"));
        auto raw = Program::create();
        c.setProgramRawData(raw, timerRecord(adapter));
        raw->name = QStringLiteral("Night");
        return raw;
    }
    const QMap<QString, CnfProgram::Type> types{
        {"coordination", CnfProgram::Coord}, {"coordinated stage ring", CnfProgram::StageRing}, {"timeline", CnfProgram::Timeline}};
    auto program = newProgram(types.value(kind, CnfProgram::Timer));
    if (kind == QLatin1String("timer"))
        appendSteps(c, *program, {{"1", 20}, {"2", 25}, {"3", 10}});
    if (kind == QLatin1String("coordination")) {
        appendSteps(c, *program, {{"2", 30}, {"1", 40}});
        program->setCycleOffset(17);
    }
    if (kind == QLatin1String("full lengths")) {
        program->appendPhaseFl(c.findPhase(QStringLiteral("1")), 40);
        program->appendPhaseFl(c.findPhase(QStringLiteral("2")), 35);
    }
    if (kind == QLatin1String("own matrix")) {
        program->matrix = c.findMatrix(2);
        appendSteps(c, *program, {{"1", 20}, {"2", 25}});
    }
    if (program->type == CnfProgram::StageRing) {
        program->setProperty("coordinated", QStringLiteral("1"));
        program->cycleTime = 90;
        appendSteps(c, *program, {{"1", 30}, {"2", 20}, {"5", 15}});
        program->phaseDefAt(0)->setProperty("recall", QStringLiteral("always"));
        program->phaseDefAt(1)->setProperty("recall", QStringLiteral("demand"));
        program->setCycleOffset(12);
    }
    if (program->type == CnfProgram::Timeline) { // group 5 belongs to no phase
        program->cycleTime = 60;
        for (int id : {1, 4, 5}) {
            program->setTimelineData(c.findSG(id), 0, id == 4 ? CnfSignalGroup::Red : CnfSignalGroup::Green);
            program->setTimelineData(c.findSG(id), 30, id == 4 ? CnfSignalGroup::Green : CnfSignalGroup::Red);
        }
    }
    return program;
}

QList<QDomElement> childElements(const QDomElement& parent, const QString& tag)
{
    QList<QDomElement> found;
    for (QDomElement e = parent.firstChildElement(tag); !e.isNull(); e = e.nextSiblingElement(tag))
        found.append(e);
    return found;
}

QDomElement root(const QByteArray& blob)
{
    QDomDocument document;
    document.setContent(blob);
    return document.documentElement();
}

// A blob as a host might send one: groups 1 to 3 and 7, phases 1, 2, 8
// (group 7) and 9 (group 3), and the given program.
QByteArray handmadeBlob(const QByteArray& programs, const QByteArray& rootAttributes = QByteArray())
{
    return "<Controller" + rootAttributes + "><SG>1</SG><SG>2</SG><SG>3</SG><SG>7</SG>"
           "<Phase sg=\"1,2\">1</Phase><Phase sg=\"3\">2</Phase><Phase sg=\"7\">8</Phase><Phase sg=\"3\">9</Phase>"
        + programs + "</Controller>";
}

} // namespace

class TestDynamicProgram : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void blobContents()
    {
        CnfController c;
        buildJunction(c);
        c.setProperty("type", QStringLiteral("norvakii"));
        c.setProperty("version", QStringLiteral("0.1"));
        c.setProperty("dprog_stop", QStringLiteral("1"));
        c.setProperty("description", QStringLiteral("not in the blob"));
        c.setNativeData(QStringLiteral("Kept"), QStringLiteral("home"));
        const auto device = CnfTest::device(1, 4);
        QVERIFY(c.addPowerDevice(device));
        c.findSG(1)->assignDevice(device);
        c.addDayCard(QSharedPointer<CnfDayCard>::create());
        auto program = makeProgram(c, QStringLiteral("own matrix"));
        program->appendPhase(c.findPhase(QStringLiteral("3")), 10);
        c.addProgram(program);

        const QByteArray blob = c.createDynamicProgram(program);
        QVERIFY2(!blob.isEmpty(), qPrintable(c.lastError()));
        const QDomElement r = root(blob);
        for (const char* name : {"type", "version", "dprog_stop"})
            QCOMPARE(r.attribute(QLatin1String(name)), c.property(name).toString());
        QVERIFY(!r.hasAttribute(QStringLiteral("description")) && !r.hasAttribute(QStringLiteral("state")));
        // Only what the program needs: the groups of the phases (5 is in none), the safety matrix, no devices.
        const QList<QPair<const char*, int>> counts{{"Phase", 5}, {"SG", 4}, {"Program", 1}, {"Interstate", 1},
            {"ConflictMatrix", 1}, {"Matrix", 1}, {"PwrDev", 0}, {"DayCard", 0}, {"WeekCard", 0}, {"SpecialDay", 0},
            {"SeasonPlan", 0}};
        for (const auto& count : counts)
            QVERIFY2(childElements(r, QLatin1String(count.first)).size() == count.second, count.first);
        for (const QDomElement& group : childElements(r, QStringLiteral("SG")))
            QVERIFY(!group.hasAttribute(QStringLiteral("devices")));
        const QDomElement p = r.firstChildElement(QStringLiteral("Program"));
        QCOMPARE(childElements(p, QStringLiteral("Phase")).size(), 3);
        QCOMPARE(p.attribute(QStringLiteral("matrix")), QStringLiteral("2"));
        const QDomElement nativeData = r.firstChildElement(QStringLiteral("NativeData"));
        QVERIFY(!nativeData.hasAttributes() && !nativeData.hasChildNodes());
        QCOMPARE(r.firstChildElement(QStringLiteral("Matrix")).attribute(QStringLiteral("safety")), QStringLiteral("true"));
    }

    void programKinds_data()
    {
        QTest::addColumn<int>("type"); // -1: no program at all
        QTest::addColumn<int>("nativeType");
        QTest::addColumn<QString>("controllerType");
        QTest::addColumn<QString>("error");

        QTest::newRow("no program") << -1 << -1 << "" << "Пустая программа";
        QTest::newRow("off") << int(CnfProgram::Off) << -1 << "" << "";
        for (int type : {int(CnfProgram::Timer), int(CnfProgram::Coord), int(CnfProgram::NotSet), 40}) // 40: unknown
            QTest::addRow("kind %d without steps", type) << type << -1 << "" << NoSteps;
        for (auto type : {CnfProgram::YellowFlash, CnfProgram::MultiRing, CnfProgram::JavaScript, CnfProgram::Timeline,
                          CnfProgram::TimelineCoord, CnfProgram::StageRing, CnfProgram::Pedestrian, CnfProgram::Passive}) {
            QTest::addRow("%s without steps", qPrintable(CnfProgram::typeName(type, false)))
                << int(type) << -1 << "" << "";
        }
        const int native = CnfProgram::NorvakSpecial;
        QTest::newRow("native yellow flash") << native << 0 << "norvak" << "";
        QTest::newRow("native off on the adapter") << native << 255 << "adapter" << "";
        QTest::newRow("native off elsewhere") << native << 255 << "norvak" << NoSteps;
        QTest::newRow("native timer without steps") << native << 1 << "adapter" << NoSteps;
    }

    void programKinds()
    {
        QFETCH(int, type);
        QFETCH(int, nativeType);
        QFETCH(QString, controllerType);
        QFETCH(QString, error);

        CnfController c;
        buildJunction(c);
        c.setProperty("type", controllerType);
        Program program;
        if (type >= 0) {
            program = newProgram(CnfProgram::Type(type));
            program->nativeType = nativeType;
            if (type == CnfProgram::NorvakSpecial)
                program->setData(QByteArray(62, char(nativeType)));
        }
        c.createDynamicProgram({}); // leaves an error behind
        const QByteArray blob = c.createDynamicProgram(program);
        QCOMPARE(c.lastError(), error);
        QCOMPARE(blob.isEmpty(), !error.isEmpty());
        if (!blob.isEmpty())
            QCOMPARE(root(blob).attribute(QStringLiteral("state")), type == CnfProgram::Off ? QStringLiteral("off") : QString());
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("receiverPhases"); // of a second controller; none: the source itself
        QTest::addColumn<QString>("receiverType"); // type and firmware version
        QTest::addColumn<QString>("error");

        const QStringList same{"1", "2", "3", "4", "5"}, other{"5", "3", "2", "1", "4"};
        for (const char* kind : {"timer", "coordination", "full lengths", "own matrix", "coordinated stage ring", "timeline"}) {
            QTest::addRow("%s, same controller", kind) << QString::fromLatin1(kind) << QStringList() << "" << "";
            QTest::addRow("%s, second controller", kind) << QString::fromLatin1(kind) << other << "" << "";
        }
        const QString record = QStringLiteral("Данные программы 5 записаны для контроллера norvak 3.18, а этот контроллер - ");
        QTest::newRow("3.18 into 3.18") << "raw 3.18" << same << "norvak 3.18" << "";
        QTest::newRow("adapter into adapter") << "raw adapter" << same << "adapter" << "";
        QTest::newRow("phases in other places")
            << "raw 3.18" << QStringList{"2", "1", "3", "4", "5"} << "norvak 3.18"
            << "Программа 5 в этом контроллере выполняла бы фазы (2,1), а не фазы (1,2) исходного контроллера";
        QTest::newRow("too few phases") << "raw 3.18" << QStringList{"1"} << "norvak 3.18"
                                        << "Неправильный индекс фазы 1 в программе 5";
        QTest::newRow("other firmware") << "raw 3.18" << same << "norvak 3.17" << record + "norvak 3.17";
        QTest::newRow("3.18 into the adapter") << "raw 3.18" << same << "adapter" << record + "adapter";
    }

    void roundTrip()
    {
        QFETCH(QString, kind);
        QFETCH(QStringList, receiverPhases);
        QFETCH(QString, receiverType);

        CnfController source;
        buildJunction(source);
        const Program program = makeProgram(source, kind);
        source.addProgram(program);
        program->cycle(true); // adding gave the program its default matrix
        CnfController second;
        buildJunction(second, receiverPhases);
        second.setProperty("type", receiverType.section(QLatin1Char(' '), 0, 0));
        const QString version = receiverType.section(QLatin1Char(' '), 1);
        second.setProperty("version", version.isEmpty() ? QVariant() : version);
        CnfController& receiver = receiverPhases.isEmpty() ? source : second;
        const QByteArray sourceBefore = source.save(-1);
        const QByteArray receiverBefore = receiver.save(-1);

        const QByteArray blob = source.createDynamicProgram(program);
        QVERIFY2(!blob.isEmpty(), qPrintable(source.lastError()));
        const Program loaded = receiver.loadDynamicProgram(blob);
        QTEST(receiver.lastError(), "error");
        QCOMPARE(loaded.isNull(), !receiver.lastError().isEmpty());
        QCOMPARE(source.save(-1), sourceBefore);
        QCOMPARE(receiver.save(-1), receiverBefore);
        if (!loaded)
            return;
        QVERIFY(!receiver.programs().contains(loaded));

        QCOMPARE(loaded->type, program->type);
        QCOMPARE(loaded->id, program->id);
        QCOMPARE(loaded->name, program->name);
        QCOMPARE(loaded->data(), program->data());
        QCOMPARE(loaded->interstateVariant(), program->interstateVariant());
        QCOMPARE(loaded->cycle(false), program->cycle(false));
        QCOMPARE(loaded->cycleOffset(-1), program->cycleOffset(-1));
        QCOMPARE(CnfTest::propertyText(*loaded), CnfTest::propertyText(*program));
        QCOMPARE(loaded->phaseCount(), program->phaseCount());
        for (int i = 0; i < program->phaseCount(); ++i) {
            const auto want = program->phaseDefAt(i);
            const auto got = loaded->phaseDefAt(i);
            QCOMPARE(got->id(), want->id());
            QCOMPARE(got->phase(), receiver.findPhase(want->id())); // the receiver's own phase
            QCOMPARE(got->length(), want->length());
            QCOMPARE(got->fullLength(), want->fullLength());
            QCOMPARE(got->fullLengthDefined(), want->fullLengthDefined());
            QCOMPARE(CnfTest::propertyText(*got), CnfTest::propertyText(*want));
        }
        QCOMPARE(loaded->matrix, program->matrix ? receiver.findMatrix(program->matrix->id()) : Matrix());
        QCOMPARE(loaded->defaultMatrix, receiver.defaultMatrix());
        QCOMPARE(loaded->timeline.size(), program->timeline.size());
        for (auto it = program->timeline.cbegin(); it != program->timeline.cend(); ++it) {
            const Group own = receiver.findSG(it.key()->id);
            QVERIFY(loaded->timeline.contains(own));
            QCOMPARE(loaded->getTimelineData(own), it.value());
        }
    }

    void refusedBlobs_data()
    {
        QTest::addColumn<QByteArray>("blob");
        QTest::addColumn<QString>("error"); // empty: the blob loads

        // A timer program 4 of the given steps: phase/length ...
        const auto timer = [](const QString& steps) {
            QByteArray program("<Program id=\"4\" type=\"timer\">");
            for (const QString& step : steps.split(QLatin1Char(' ')))
                program += "<Phase length=\"" + step.section(QLatin1Char('/'), 1).toLatin1() + "\">"
                    + step.section(QLatin1Char('/'), 0, 0).toLatin1() + "</Phase>";
            return handmadeBlob(program + "</Program>");
        };
        QTest::newRow("group unknown here") << timer("8/20") << "Не найдена сигнальная группа 7";
        QTest::newRow("phase unknown here") << timer("1/20 9/20") << "Не найдена фаза 9";
        QTest::newRow("below the minimum") << timer("1/3") << "Длительность фазы 1 = 3 выходит за разрешённые пределы (5 - 60)";
        QTest::newRow("above the maximum") << timer("1/20 2/61")
                                           << "Длительность фазы 2 = 61 выходит за разрешённые пределы (5 - 60)";
        QTest::newRow("step without duration") << timer("1/-1") << "";
        QTest::newRow("undeclared phase") << timer("6/20") << "Program 4 contains a non-existent phase 6";
        QTest::newRow("no program") << handmadeBlob("") << BadBlob;
        QTest::newRow("two programs")
            << handmadeBlob("<Program id=\"4\" type=\"off\"/><Program id=\"5\" type=\"off\"/>") << BadBlob;
        QTest::newRow("empty raw record")
            << handmadeBlob("<Program id=\"4\" type=\"norvakSpecial\"><NorvakData/></Program>") << BadBlob;
        QTest::newRow("raw record of another controller")
            << handmadeBlob("<Program type=\"norvakSpecial\"><NorvakData>" + timerRecord(false).toHex() + "</NorvakData></Program>",
                            " type=\"norvak\" version=\"3.18\"")
            << "Данные программы 5 записаны для контроллера norvak 3.18, а этот контроллер - без типа";
        QTest::newRow("not XML") << QByteArray("<Controller><SG>1</SG>") << "Ошибка обработки xml данных";
        QTest::newRow("empty") << QByteArray() << "Ошибка обработки xml данных";
    }

    void refusedBlobs()
    {
        QFETCH(QByteArray, blob);
        QFETCH(QString, error);

        CnfController receiver;
        buildJunction(receiver);
        const QByteArray before = receiver.save(-1);
        const Program loaded = receiver.loadDynamicProgram(blob);
        if (error.isEmpty()) {
            QVERIFY2(loaded, qPrintable(receiver.lastError()));
            QCOMPARE(loaded->phaseDefAt(0)->length(), -1);
        } else {
            QVERIFY(!loaded);
            QVERIFY2(receiver.lastError().startsWith(error), qPrintable(receiver.lastError()));
        }
        QCOMPARE(receiver.save(-1), before);
    }

    void multiRingPattern_data()
    {
        QTest::addColumn<QVariant>("pattern");
        QTest::addColumn<QVariant>("expected"); // the program's "pattern" once loaded back
        QTest::addColumn<QString>("warning");

        const QVariantMap second{{"name", "second"}, {"sequence", QVariantList{2, 1}}, {"split", QVariantMap{{"1", 20}}}};
        for (const QVariant& number : {QVariant(2), QVariant(QStringLiteral("2")), QVariant(2.0)}) // 2.0: as JSON gives it
            QTest::addRow("number as %s", number.typeName()) << number << QVariant(second) << "";
        const QVariantMap own{{"name", "own"}, {"sequence", 1}, {"split", 2}};
        const QVariantMap ownResolved{{"name", "own"}, {"sequence", QVariantList{1, 2}}, {"split", QVariantMap{{"1", 20}}}};
        QTest::newRow("map") << QVariant(own) << QVariant(ownResolved) << "";
        const QVariantMap spelled{{"sequence", QVariantList{3}}, {"split", QVariantMap{{"1", 5}}}};
        QTest::newRow("map spelled out") << QVariant(spelled) << QVariant(spelled) << "";
        QTest::newRow("no such pattern") << QVariant(3) << QVariant(QStringLiteral("3")) << "invalid pattern 3";
        QTest::newRow("pattern zero") << QVariant(QStringLiteral("0")) << QVariant(QStringLiteral("0")) << "invalid pattern 0";
        const QVariantMap badSequence{{"sequence", 5}, {"split", 1}};
        QTest::newRow("no such sequence") << QVariant(badSequence) << QVariant(badSequence) << "invalid sequence 5 in pattern 0";
        QTest::newRow("no such split in pattern 1") << QVariant(1) << QVariant(QStringLiteral("1"))
                                                    << "invalid split 9 in pattern 1";
    }

    void multiRingPattern()
    {
        QFETCH(QVariant, pattern);
        QFETCH(QVariant, expected);
        QFETCH(QString, warning);

        CnfController c;
        buildJunction(c);
        const QVariantList patterns{QVariantMap{{"name", "first"}, {"sequence", 1}, {"split", 9}},
                                    QVariantMap{{"name", "second"}, {"sequence", 2}, {"split", 2}}};
        const QVariantList sequences{QVariantList{1, 2}, QVariantList{2, 1}};
        const QVariantList splits{QVariantMap{{"1", 10}}, QVariantMap{{"1", 20}}};
        c.setNativeData(QStringLiteral("modules"),
                        QVariantMap{{"MultiRing", QVariantMap{{"patterns", patterns}, {"sequences", sequences}, {"splits", splits}}}});
        auto program = newProgram(CnfProgram::MultiRing);
        program->setProperty("pattern", pattern);
        c.addProgram(program);

        if (!warning.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        const QByteArray blob = c.createDynamicProgram(program);
        QVERIFY2(!blob.isEmpty(), qPrintable(c.lastError()));
        QCOMPARE(program->property("pattern"), pattern); // the source's program keeps its reference
        const Program loaded = c.loadDynamicProgram(blob);
        QVERIFY2(loaded, qPrintable(c.lastError()));
        QCOMPARE(loaded->property("pattern"), expected);
    }

    // Building the blob in a temporary controller must not reach into the
    // source: clearing that controller would empty a shared conflict matrix,
    // and adding a matrix numbers it.
    void sourceUnchanged()
    {
        CnfController c;
        buildJunction(c);
        const Group loner = c.findSG(5);
        loner->interstate.reset();
        c.findPhase(QStringLiteral("4"))->signalGroups.append(loner);
        auto unnumbered = Matrix::create();
        unnumbered->setReleaf(c.findSG(1), c.findSG(3), 7);
        auto program = makeProgram(c, QStringLiteral("timer"));
        program->matrix = unnumbered;
        const QByteArray before = c.save(-1);

        const QByteArray blob = c.createDynamicProgram(program);
        QVERIFY2(!blob.isEmpty(), qPrintable(c.lastError()));
        QCOMPARE(unnumbered->id(), 0);
        QVERIFY(!loner->interstate);
        QCOMPARE(c.save(-1), before);
        QCOMPARE(childElements(root(blob), QStringLiteral("ConflictMatrix")).size(), 1);

        // A phase naming a group the controller does not list cannot be read back.
        c.findPhase(QStringLiteral("4"))->signalGroups.append(CnfTest::group(12));
        QVERIFY(c.createDynamicProgram(program).isEmpty());
        QCOMPARE(c.lastError(), QStringLiteral("В фазе 4 указана несуществующая сигнальная группа 12"));

        // A step on a phase the controller does not list, too long for it.
        CnfController other;
        buildJunction(other);
        auto stray = newProgram(CnfProgram::Timer);
        stray->appendPhase(CnfTest::phase(QStringLiteral("6"), {}, 5, 60), 70);
        QVERIFY(other.createDynamicProgram(stray).isEmpty());
        QCOMPARE(other.lastError(), QStringLiteral("Программу 7 не удалось записать"));
    }

    void sameOutputForSameProgram()
    {
        // Groups made in the reverse of their listed order, so that an order by
        // address would differ from the controller's order.
        CnfController c;
        QList<Group> made;
        for (int id = 6; id >= 1; --id)
            made.prepend(CnfTest::group(id));
        for (const Group& group : made)
            c.addSignalGroup(group);
        auto program = newProgram(CnfProgram::Timeline);
        program->cycleTime = 40;
        for (int id : {5, 1, 3})
            program->setTimelineData(c.findSG(id), 0, CnfSignalGroup::Green);
        c.addProgram(program);

        const QByteArray blob = c.createDynamicProgram(program);
        QVERIFY2(!blob.isEmpty(), qPrintable(c.lastError()));
        QCOMPARE(c.createDynamicProgram(program), blob);
        const auto at = [&blob](int id) {
            return blob.indexOf("<Item name=\"group\" type=\"int\">" + QByteArray::number(id) + "</Item>");
        };
        QVERIFY2(at(1) >= 0 && at(1) < at(3) && at(3) < at(5), blob.constData()); // the controller's order
    }
};

QTEST_GUILESS_MAIN(TestDynamicProgram)
#include "tst_dynamicprogram.moc"
