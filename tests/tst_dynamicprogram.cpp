// The dynamic program blob: one program written by one controller and bound
// to the phases, groups and matrices of another.
#include <QDomDocument>
#include <QtTest>

#include "cnf.h"

using Group = QSharedPointer<CnfSignalGroup>;
using Phase = QSharedPointer<CnfPhase>;
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
    auto record = QSharedPointer<CnfInterstate>::create();
    record->greenBlink = 3;
    record->yellow = 3;
    record->redYellow = 2;
    c.setInterstate(record);
    QMap<int, Group> groups;
    for (int id = 1; id <= 5; ++id) {
        auto group = Group::create();
        group->id = id;
        group->setType(CnfSignalGroup::Transport);
        c.addSignalGroup(group);
        groups.insert(id, group);
    }
    const QMap<QString, QList<int>> members{{"1", {1, 2}}, {"2", {3}}, {"3", {4}}, {"4", {1}}, {"5", {2, 4}}};
    for (const QString& id : phaseOrder) {
        auto phase = Phase::create();
        phase->id = id;
        for (int member : members.value(id))
            phase->signalGroups.append(groups.value(member));
        if (id == QLatin1String("1") || id == QLatin1String("2")) {
            phase->minLength = 5;
            phase->maxLength = 60;
        }
        c.addPhase(phase);
    }
    for (const auto& pair : QList<QPair<int, int>>{{1, 3}, {3, 1}, {2, 3}, {3, 2}})
        c.conflictMatrix()->setReleaf(groups.value(pair.first), groups.value(pair.second), 0);
    auto intergreen = Matrix::create();
    intergreen->setId(1);
    intergreen->setReleaf(groups.value(3), groups.value(1), 4);
    intergreen->setReleaf(groups.value(1), groups.value(3), 5);
    c.addMatrix(intergreen, true, false);
    auto safety = Matrix::create();
    safety->setId(2);
    safety->setReleaf(groups.value(3), groups.value(1), 6);
    c.addMatrix(safety, false, true);
}

Program newProgram(CnfProgram::Type type, const QString& id = QStringLiteral("7"))
{
    auto program = Program::create();
    program->id = id;
    program->name = QStringLiteral("Evening");
    program->type = type;
    return program;
}

void appendSteps(CnfController& c, CnfProgram& program, const QList<QPair<QString, int>>& steps)
{
    for (const auto& step : steps)
        program.appendPhase(c.findPhase(step.first), step.second);
}

// The programs the round trip is tried on, by name.
Program makeProgram(CnfController& c, const QString& kind)
{
    if (kind == QLatin1String("timer")) {
        auto program = newProgram(CnfProgram::Timer);
        appendSteps(c, *program, {{"1", 20}, {"2", 25}, {"3", 10}});
        return program;
    }
    if (kind == QLatin1String("coordination")) {
        auto program = newProgram(CnfProgram::Coord);
        appendSteps(c, *program, {{"2", 30}, {"1", 40}});
        program->setCycleOffset(17);
        return program;
    }
    if (kind == QLatin1String("full lengths")) {
        auto program = newProgram(CnfProgram::Timer);
        program->appendPhaseFl(c.findPhase(QStringLiteral("1")), 40);
        program->appendPhaseFl(c.findPhase(QStringLiteral("2")), 35);
        return program;
    }
    if (kind == QLatin1String("own matrix")) {
        auto program = newProgram(CnfProgram::Timer);
        program->matrix = c.findMatrix(2);
        appendSteps(c, *program, {{"1", 20}, {"2", 25}});
        return program;
    }
    if (kind == QLatin1String("coordinated stage ring")) {
        auto program = newProgram(CnfProgram::StageRing);
        program->setProperty("coordinated", QStringLiteral("1"));
        program->cycleTime = 90;
        appendSteps(c, *program, {{"1", 30}, {"2", 20}, {"5", 15}});
        program->phaseDefAt(0)->setProperty("recall", QStringLiteral("always"));
        program->phaseDefAt(1)->setProperty("recall", QStringLiteral("demand"));
        program->setCycleOffset(12);
        return program;
    }
    if (kind == QLatin1String("timeline")) {
        // Group 5 belongs to no phase.
        auto program = newProgram(CnfProgram::Timeline);
        program->cycleTime = 60;
        for (int id : {1, 4, 5}) {
            program->setTimelineData(c.findSG(id), 0, id == 4 ? CnfSignalGroup::Red : CnfSignalGroup::Green);
            program->setTimelineData(c.findSG(id), 30, id == 4 ? CnfSignalGroup::Green : CnfSignalGroup::Red);
        }
        return program;
    }
    return {};
}

QMap<QString, QString> properties(const QObject& object)
{
    QMap<QString, QString> values;
    const auto names = object.dynamicPropertyNames();
    for (const QByteArray& name : names)
        values.insert(QString::fromUtf8(name), object.property(name.constData()).toString());
    return values;
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

// A timer record running the phases at positions 0 and 1 for 20 and 25
// seconds, in the record of the adapter or of firmware 3.18.
QByteArray timerRecord(bool adapter)
{
    QByteArray record(adapter ? 62 : 63, char(0xFF));
    record[0] = 5;
    record[1] = 1;
    const int first = adapter ? 6 : 7;
    if (!adapter)
        record[2] = 1; // intergreen variant
    record[first] = 0;
    record[first + 1] = 20;
    record[first + 7] = 1;
    record[first + 8] = 25;
    return record;
}

} // namespace

class TestDynamicProgram : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void blobContents();
    void programKinds_data();
    void programKinds();
    void roundTrip_data();
    void roundTrip();
    void refusedBlobs_data();
    void refusedBlobs();
    void rawRecords_data();
    void rawRecords();
    void multiRingPattern_data();
    void multiRingPattern();
    void sourceUnchanged();
    void sameOutputForSameProgram();
};

void TestDynamicProgram::blobContents()
{
    CnfController c;
    buildJunction(c);
    c.setProperty("type", QStringLiteral("norvakii"));
    c.setProperty("version", QStringLiteral("0.1"));
    c.setProperty("dprog_stop", QStringLiteral("1"));
    c.setProperty("description", QStringLiteral("not in the blob"));
    c.setNativeData(QStringLiteral("Kept"), QStringLiteral("home"));
    auto device = QSharedPointer<CnfPowerDevice>::create();
    device->address = 4;
    QVERIFY(c.addPowerDevice(device));
    c.findSG(1)->assignDevice(device);
    auto card = QSharedPointer<CnfDayCard>::create();
    c.addDayCard(card);
    auto program = makeProgram(c, QStringLiteral("own matrix"));
    program->appendPhase(c.findPhase(QStringLiteral("3")), 10);
    c.addProgram(program);

    const QByteArray blob = c.createDynamicProgram(program);
    QVERIFY2(!blob.isEmpty(), qPrintable(c.lastError()));
    const QDomElement r = root(blob);
    QCOMPARE(r.attribute(QStringLiteral("type")), QStringLiteral("norvakii"));
    QCOMPARE(r.attribute(QStringLiteral("version")), QStringLiteral("0.1"));
    QCOMPARE(r.attribute(QStringLiteral("dprog_stop")), QStringLiteral("1"));
    QVERIFY(!r.hasAttribute(QStringLiteral("description")));
    QVERIFY(!r.hasAttribute(QStringLiteral("state")));
    QCOMPARE(childElements(r, QStringLiteral("Phase")).size(), 5);
    QCOMPARE(childElements(r, QStringLiteral("SG")).size(), 4); // the groups of the phases; 5 is in none
    for (const QDomElement& group : childElements(r, QStringLiteral("SG")))
        QVERIFY(!group.hasAttribute(QStringLiteral("devices")));
    const auto programs = childElements(r, QStringLiteral("Program"));
    QCOMPARE(programs.size(), 1);
    QCOMPARE(childElements(programs.first(), QStringLiteral("Phase")).size(), 3);
    QCOMPARE(programs.first().attribute(QStringLiteral("matrix")), QStringLiteral("2"));
    for (const char* absent : {"PwrDev", "DayCard", "WeekCard", "SpecialDay", "SeasonPlan"})
        QVERIFY2(childElements(r, QString::fromLatin1(absent)).isEmpty(), absent);
    const QDomElement nativeData = r.firstChildElement(QStringLiteral("NativeData"));
    QVERIFY(!nativeData.hasAttributes() && !nativeData.hasChildNodes());
    QCOMPARE(childElements(r, QStringLiteral("Interstate")).size(), 1);
    QCOMPARE(childElements(r, QStringLiteral("ConflictMatrix")).size(), 1);
    const auto matrices = childElements(r, QStringLiteral("Matrix"));
    QCOMPARE(matrices.size(), 1);
    QCOMPARE(matrices.first().attribute(QStringLiteral("safety")), QStringLiteral("true"));
}

void TestDynamicProgram::programKinds_data()
{
    QTest::addColumn<int>("type"); // -1: no program at all
    QTest::addColumn<int>("nativeType");
    QTest::addColumn<QString>("controllerType");
    QTest::addColumn<bool>("withSteps");
    QTest::addColumn<QString>("error");

    QTest::newRow("no program") << -1 << -1 << "" << false << "Пустая программа";
    QTest::newRow("off") << int(CnfProgram::Off) << -1 << "" << false << "";
    QTest::newRow("timer") << int(CnfProgram::Timer) << -1 << "" << true << "";
    QTest::newRow("timer without steps") << int(CnfProgram::Timer) << -1 << "" << false << NoSteps;
    QTest::newRow("coordination without steps") << int(CnfProgram::Coord) << -1 << "" << false << NoSteps;
    QTest::newRow("kind not set, without steps") << int(CnfProgram::NotSet) << -1 << "" << false << NoSteps;
    QTest::newRow("unknown kind without steps") << 40 << -1 << "" << false << NoSteps;
    for (auto type : {CnfProgram::YellowFlash, CnfProgram::MultiRing, CnfProgram::JavaScript, CnfProgram::Timeline,
                      CnfProgram::TimelineCoord, CnfProgram::StageRing, CnfProgram::Pedestrian, CnfProgram::Passive}) {
        QTest::addRow("%s without steps", qPrintable(CnfProgram::typeName(type, false)))
            << int(type) << -1 << "" << false << "";
    }
    const int native = CnfProgram::NorvakSpecial;
    QTest::newRow("native yellow flash") << native << 0 << "norvak" << false << "";
    QTest::newRow("native off on the adapter") << native << 255 << "adapter" << false << "";
    QTest::newRow("native off elsewhere") << native << 255 << "norvak" << false << NoSteps;
    QTest::newRow("native timer without steps") << native << 1 << "adapter" << false << NoSteps;
}

void TestDynamicProgram::programKinds()
{
    QFETCH(int, type);
    QFETCH(int, nativeType);
    QFETCH(QString, controllerType);
    QFETCH(bool, withSteps);
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
        if (withSteps)
            appendSteps(c, *program, {{"1", 20}});
    }
    c.createDynamicProgram({}); // leaves an error behind
    const QByteArray blob = c.createDynamicProgram(program);
    QCOMPARE(c.lastError(), error);
    QCOMPARE(blob.isEmpty(), !error.isEmpty());
    if (!blob.isEmpty()) {
        const bool off = type == CnfProgram::Off;
        QCOMPARE(root(blob).attribute(QStringLiteral("state")), off ? QStringLiteral("off") : QString());
    }
}

void TestDynamicProgram::roundTrip_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("elsewhere"); // into a second controller, phases in another order

    for (const char* kind : {"timer", "coordination", "full lengths", "own matrix", "coordinated stage ring", "timeline"}) {
        QTest::addRow("%s, same controller", kind) << QString::fromLatin1(kind) << false;
        QTest::addRow("%s, second controller", kind) << QString::fromLatin1(kind) << true;
    }
}

void TestDynamicProgram::roundTrip()
{
    QFETCH(QString, kind);
    QFETCH(bool, elsewhere);

    CnfController source;
    buildJunction(source);
    const Program program = makeProgram(source, kind);
    source.addProgram(program);
    program->cycle(true); // adding gave the program its default matrix
    CnfController second;
    buildJunction(second, {"5", "3", "2", "1", "4"});
    CnfController& receiver = elsewhere ? second : source;
    const QByteArray sourceBefore = source.save(-1);
    const QByteArray receiverBefore = receiver.save(-1);

    const QByteArray blob = source.createDynamicProgram(program);
    QVERIFY2(!blob.isEmpty(), qPrintable(source.lastError()));
    const Program loaded = receiver.loadDynamicProgram(blob);
    QVERIFY2(loaded, qPrintable(receiver.lastError()));
    QVERIFY(receiver.lastError().isEmpty());
    QCOMPARE(source.save(-1), sourceBefore);
    QCOMPARE(receiver.save(-1), receiverBefore);
    QVERIFY(!receiver.programs().contains(loaded));

    QCOMPARE(loaded->type, program->type);
    QCOMPARE(loaded->id, program->id);
    QCOMPARE(loaded->name, program->name);
    QCOMPARE(loaded->cycle(false), program->cycle(false));
    QCOMPARE(loaded->cycleOffset(-1), program->cycleOffset(-1));
    QCOMPARE(properties(*loaded), properties(*program));
    QCOMPARE(loaded->phaseCount(), program->phaseCount());
    for (int i = 0; i < program->phaseCount(); ++i) {
        const auto want = program->phaseDefAt(i);
        const auto got = loaded->phaseDefAt(i);
        QCOMPARE(got->id(), want->id());
        QCOMPARE(got->phase(), receiver.findPhase(want->id())); // the receiver's own phase
        QCOMPARE(got->length(), want->length());
        QCOMPARE(got->fullLength(), want->fullLength());
        QCOMPARE(got->fullLengthDefined(), want->fullLengthDefined());
        QCOMPARE(properties(*got), properties(*want));
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

void TestDynamicProgram::refusedBlobs_data()
{
    QTest::addColumn<QByteArray>("blob");
    QTest::addColumn<QString>("error"); // empty: the blob loads

    QTest::newRow("group unknown here")
        << handmadeBlob("<Program id=\"4\" type=\"timer\"><Phase length=\"20\">8</Phase></Program>")
        << "Не найдена сигнальная группа 7";
    QTest::newRow("phase unknown here")
        << handmadeBlob("<Program id=\"4\" type=\"timer\"><Phase length=\"20\">1</Phase><Phase length=\"20\">9</Phase></Program>")
        << "Не найдена фаза 9";
    QTest::newRow("below the minimum")
        << handmadeBlob("<Program id=\"4\" type=\"timer\"><Phase length=\"3\">1</Phase></Program>")
        << "Длительность фазы 1 = 3 выходит за разрешённые пределы (5 - 60)";
    QTest::newRow("above the maximum")
        << handmadeBlob("<Program id=\"4\" type=\"timer\"><Phase length=\"20\">1</Phase><Phase length=\"61\">2</Phase></Program>")
        << "Длительность фазы 2 = 61 выходит за разрешённые пределы (5 - 60)";
    QTest::newRow("step without duration")
        << handmadeBlob("<Program id=\"4\" type=\"timer\"><Phase length=\"-1\">1</Phase></Program>") << "";
    QTest::newRow("undeclared phase")
        << handmadeBlob("<Program id=\"4\" type=\"timer\"><Phase length=\"20\">6</Phase></Program>")
        << "Program 4 contains a non-existent phase 6";
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

void TestDynamicProgram::refusedBlobs()
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

void TestDynamicProgram::rawRecords_data()
{
    QTest::addColumn<QString>("sourceType");
    QTest::addColumn<QString>("receiverType");
    QTest::addColumn<QString>("receiverVersion");
    QTest::addColumn<QStringList>("receiverPhases");
    QTest::addColumn<QString>("error");

    const QStringList same{"1", "2", "3", "4", "5"};
    QTest::newRow("3.18 into 3.18") << "norvak" << "norvak" << "3.18" << same << "";
    QTest::newRow("adapter into adapter") << "adapter" << "adapter" << "" << same << "";
    QTest::newRow("phases in other places")
        << "norvak" << "norvak" << "3.18" << QStringList{"2", "1", "3", "4", "5"}
        << "Программа 5 в этом контроллере выполняла бы фазы (2,1), а не фазы (1,2) исходного контроллера";
    QTest::newRow("too few phases") << "norvak" << "norvak" << "3.18" << QStringList{"1"}
                                    << "Неправильный индекс фазы 1 в программе 5";
    QTest::newRow("other firmware") << "norvak" << "norvak" << "3.17" << same
                                    << "Данные программы 5 записаны для контроллера norvak 3.18, а этот контроллер - norvak 3.17";
    QTest::newRow("3.18 into the adapter") << "norvak" << "adapter" << "" << same
                                           << "Данные программы 5 записаны для контроллера norvak 3.18, а этот контроллер - adapter";
}

void TestDynamicProgram::rawRecords()
{
    QFETCH(QString, sourceType);
    QFETCH(QString, receiverType);
    QFETCH(QString, receiverVersion);
    QFETCH(QStringList, receiverPhases);
    QFETCH(QString, error);

    const bool adapter = sourceType == QLatin1String("adapter");
    CnfController source;
    buildJunction(source);
    source.setProperty("type", sourceType);
    if (!adapter)
        source.setProperty("version", QStringLiteral("3.18"));
    auto program = Program::create();
    QVERIFY2(source.setProgramRawData(program, timerRecord(adapter)), qPrintable(source.lastError()));
    program->name = QStringLiteral("Night");
    source.addProgram(program);

    CnfController receiver;
    buildJunction(receiver, receiverPhases);
    receiver.setProperty("type", receiverType);
    receiver.setProperty("version", receiverVersion.isEmpty() ? QVariant() : QVariant(receiverVersion));
    const QByteArray blob = source.createDynamicProgram(program);
    QVERIFY2(!blob.isEmpty(), qPrintable(source.lastError()));
    const Program loaded = receiver.loadDynamicProgram(blob);
    QCOMPARE(receiver.lastError(), error);
    if (!error.isEmpty()) {
        QVERIFY(!loaded);
        return;
    }
    QVERIFY(loaded);
    QCOMPARE(loaded->type, CnfProgram::NorvakSpecial);
    QCOMPARE(loaded->data(), program->data());
    QCOMPARE(loaded->id, QStringLiteral("5"));
    QCOMPARE(loaded->name, QStringLiteral("Night"));
    QCOMPARE(loaded->interstateVariant(), program->interstateVariant());
    QCOMPARE(loaded->phaseCount(), 2);
    QCOMPARE(loaded->phaseDefAt(0)->phase(), receiver.findPhase(QStringLiteral("1")));
    QCOMPARE(loaded->phaseDefAt(1)->phase(), receiver.findPhase(QStringLiteral("2")));
    QCOMPARE(loaded->phaseDefAt(1)->length(), 25);
    QCOMPARE(loaded->defaultMatrix, receiver.defaultMatrix());
}

void TestDynamicProgram::multiRingPattern_data()
{
    QTest::addColumn<QVariant>("pattern");
    QTest::addColumn<QVariant>("expected"); // the program's "pattern" once loaded back
    QTest::addColumn<QString>("warning");

    const QVariantMap second{{"name", "second"}, {"sequence", QVariantList{2, 1}}, {"split", QVariantMap{{"1", 20}}}};
    QTest::newRow("number") << QVariant(2) << QVariant(second) << "";
    QTest::newRow("decimal text") << QVariant(QStringLiteral("2")) << QVariant(second) << "";
    QTest::newRow("real from JSON") << QVariant(2.0) << QVariant(second) << "";
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

void TestDynamicProgram::multiRingPattern()
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
void TestDynamicProgram::sourceUnchanged()
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
    const int conflictCells = c.conflictMatrix()->content().size();
    const QByteArray before = c.save(-1);

    const QByteArray blob = c.createDynamicProgram(program);
    QVERIFY2(!blob.isEmpty(), qPrintable(c.lastError()));
    QCOMPARE(c.conflictMatrix()->content().size(), conflictCells);
    QCOMPARE(c.safetyMatrix()->content().size(), 1);
    QCOMPARE(unnumbered->id(), 0);
    QVERIFY(!loner->interstate);
    QCOMPARE(c.save(-1), before);
    QCOMPARE(childElements(root(blob), QStringLiteral("ConflictMatrix")).size(), 1);

    // A phase naming a group the controller does not list cannot be read back.
    c.findPhase(QStringLiteral("4"))->signalGroups.append(Group::create());
    c.findPhase(QStringLiteral("4"))->signalGroups.last()->id = 12;
    QVERIFY(c.createDynamicProgram(program).isEmpty());
    QCOMPARE(c.lastError(), QStringLiteral("В фазе 4 указана несуществующая сигнальная группа 12"));

    // A step on a phase the controller does not list, too long for it.
    CnfController other;
    buildJunction(other);
    auto stray = newProgram(CnfProgram::Timer);
    auto unlisted = Phase::create();
    unlisted->id = QStringLiteral("6");
    unlisted->minLength = 5;
    unlisted->maxLength = 60;
    stray->appendPhase(unlisted, 70);
    QVERIFY(other.createDynamicProgram(stray).isEmpty());
    QCOMPARE(other.lastError(), QStringLiteral("Программу 7 не удалось записать"));
}

void TestDynamicProgram::sameOutputForSameProgram()
{
    // Groups made in the reverse of their listed order, so that an order by
    // address would differ from the controller's order.
    CnfController c;
    QList<Group> made;
    for (int id = 6; id >= 1; --id) {
        made.prepend(Group::create());
        made.first()->id = id;
    }
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

QTEST_GUILESS_MAIN(TestDynamicProgram)
#include "tst_dynamicprogram.moc"
