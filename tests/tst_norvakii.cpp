#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include "cnf.h"
#include "ModelBuilders.h"

using CnfTest::propertyText;

// Signal groups 1 "A" and 2 "B", stages "1" (A) and "2" (B): the frame of
// most documents below; each test adds or replaces root keys.
static const char* const kFrame = R"({ "signalGroups": {"items": [{"id": 1, "name": "A"}, {"id": 2, "name": "B"}]},
  "stages": [{"id": "1", "name": "S1", "groups": [1]}, {"id": "2", "name": "S2", "groups": ["B"]}] })";

static QByteArray withFrame(const QByteArray& extra)
{
    QJsonObject root = QJsonDocument::fromJson(kFrame).object();
    const QJsonObject more = QJsonDocument::fromJson(extra).object();
    for (auto it = more.begin(); it != more.end(); ++it)
        root.insert(it.key(), it.value());
    return QJsonDocument(root).toJson();
}

// Loads and converts `json`: the error text, empty on success. A failure
// without a text or a success with one shows as a text of its own.
static QString convert(const QByteArray& json, CnfController& controller)
{
    NorvakIIConfig config;
    const bool ok = config.load(json) && config.createController(controller);
    if (ok == config.lastError().isEmpty())
        return config.lastError();
    return (ok ? QStringLiteral("success with error: ") : QStringLiteral("failure without error")) + config.lastError();
}

static QString dayIds(const CnfWeekCard& week)
{
    QStringList ids;
    for (int day = Qt::Monday; day <= Qt::Sunday; ++day) {
        const auto card = week.days.value(Qt::DayOfWeek(day));
        ids << (card ? card->id : QStringLiteral("-"));
    }
    return ids.join(QLatin1Char(','));
}

// Every power device as "id:address/type/color/controlled lamps/lamps".
static QString deviceText(const CnfController& controller)
{
    QStringList devices;
    for (const auto& d : controller.powerDevices())
        devices << QStringLiteral("%1:%2/%3/%4/%5/%6").arg(d->id).arg(d->address).arg(d->type).arg(d->color).arg(d->controlledLamps).arg(d->lampCount);
    return devices.join(' ');
}

static QString timelineText(const QMap<int, int>& timeline)
{
    QStringList points;
    for (auto it = timeline.cbegin(); it != timeline.cend(); ++it)
        points << QString::number(it.key()) + QLatin1Char(':') + CnfSignalGroup::colorState2String(CnfSignalGroup::ColorState(it.value()));
    return points.join(QLatin1Char(' '));
}

class TestNorvakII : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void load_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("error");

        QTest::newRow("empty") << QByteArray() << false << QString();
        QTest::newRow("plain object") << QByteArray("{}") << true << QString();
        QTest::newRow("header line") << QByteArray("#jcfg 2 generated\n{\"id\": 1}") << true << QString();
        QTest::newRow("header alone") << QByteArray("#jcfg") << false << QString();
        QTest::newRow("header without brace") << QByteArray("#jcfg\n[1, 2]") << false << QStringLiteral("JSON parse error at 1:");
        QTest::newRow("brace past 100 bytes") << QByteArray("#jcfg" + QByteArray(100, ' ') + "{}") << false << QStringLiteral("JSON parse error at 1:");
        QTest::newRow("leading blank") << QByteArray(" {}") << false << QString();
        QTest::newRow("truncated") << QByteArray("{\"a\": ") << false << QStringLiteral("JSON parse error at 6:");
        QTest::newRow("trailing garbage") << QByteArray("{} x") << false << QStringLiteral("JSON parse error at 3:");
    }
    void load()
    {
        QFETCH(QByteArray, data);
        QFETCH(bool, accepted);
        QFETCH(QString, error);

        NorvakIIConfig config;
        QCOMPARE(config.load(data), accepted);
        QVERIFY2(config.lastError().startsWith(error), qPrintable(config.lastError()));
        QCOMPARE(config.lastError().isEmpty(), error.isEmpty());
    }
    void defaultGroup_data()
    {
        QTest::addColumn<QByteArray>("signalGroups"); // empty: no such key
        QTest::addColumn<QString>("properties");
        QTest::addColumn<int>("groupCount");

        const QString builtIn = QStringLiteral("amber=3 greenBlink=3 redAmber=2");
        QTest::newRow("no signal groups") << QByteArray() << builtIn << 0;
        QTest::newRow("empty default") << QByteArray(R"({"default": {}, "items": [{"id": 4}]})") << builtIn << 1;
        QTest::newRow("own default") << QByteArray(R"({"default": {"amber": 4, "extRed": 1}})") << QStringLiteral("amber=4 extRed=1") << 0;
        QTest::newRow("array yields no groups") << QByteArray(R"([{"id": 1}])") << builtIn << 0;
    }
    void defaultGroup()
    {
        QFETCH(QByteArray, signalGroups);
        QFETCH(QString, properties);
        QFETCH(int, groupCount);

        NorvakIIConfig config;
        CnfController controller;
        controller.setNativeData(QStringLiteral("stale"), 1);
        QVERIFY(config.load(signalGroups.isEmpty() ? "{}" : "{\"signalGroups\": " + signalGroups + "}"));
        QVERIFY2(config.createController(controller), qPrintable(config.lastError()));
        QVERIFY(config.warnings().isEmpty() && controller.nativeDataNames().isEmpty());
        QCOMPARE(controller.property("type").toString(), QStringLiteral("norvakii"));
        QVERIFY(controller.defaultSignalGroup());
        QCOMPARE(propertyText(*controller.defaultSignalGroup()), properties);
        QCOMPARE(controller.signalGroups().size(), groupCount);
        for (const auto& group : controller.signalGroups())
            QCOMPARE(group->defaultSignalGroup(), controller.defaultSignalGroup());
        // Written back, the document reads back alike.
        CnfController reread;
        QVERIFY2(config.load(config.save(controller)) && config.createController(reread), qPrintable(config.lastError()));
        QCOMPARE(reread.signalGroups().size(), groupCount);
        QCOMPARE(reread.property("type").toString(), QStringLiteral("norvakii"));
        QCOMPARE(propertyText(*reread.defaultSignalGroup()), properties);
    }
    void sampleDocument()
    {
        NorvakIIConfig config;
        const QString missing = QStringLiteral(CNF_TEST_DATA "/norvakii/missing.jcfg");
        QVERIFY(!config.load(missing));
        QVERIFY(config.lastError().startsWith(QStringLiteral("Error opening ") + missing + QStringLiteral(": ")));
        QVERIFY(config.load(QStringLiteral(CNF_TEST_DATA "/norvakii/crossing.jcfg")));
        CnfController controller;
        QVERIFY2(config.createController(controller), qPrintable(config.lastError()));

        QCOMPARE(controller.property("number").toInt(), 42);
        QCOMPARE(controller.property("description").toString(), QStringLiteral("Main St / 1st Ave"));
        QCOMPARE(controller.nativeDataNames().join(' '), QStringLiteral("configVersion modules outputs"));

        const auto main = controller.findSG(1);
        const auto walk = controller.findSG(2);
        QCOMPARE(main->getType(), CnfSignalGroup::Transport);
        QCOMPARE(walk->getType(), CnfSignalGroup::Pedestrian);
        QCOMPARE(main->yellow(-1), 3);

        QVERIFY(qIsNaN(controller.defaultMatrix()->releaf(main, main)));
        QCOMPARE(controller.findPhase(QStringLiteral("2"))->signalGroups.value(0), walk);

        QCOMPARE(propertyText(*controller.findDetector(1)), QStringLiteral("diochannel=3 dionumber=1"));
        QCOMPARE(propertyText(*controller.findDetector(2)), QStringLiteral("keycode=65 lane=2"));
        QCOMPARE(propertyText(*controller.findSensor(1)), QStringLiteral("diochannel=4 dionumber=1"));

        const auto day = controller.findProgram(QStringLiteral("1"));
        QCOMPARE(day->type, CnfProgram::Timer);
        QCOMPARE(day->phaseCount(), 2);
        QCOMPARE(day->phaseDefAt(1)->fullLength(), 20);
        QVERIFY(day->usesDefaultMatrix);
        QCOMPARE(controller.findProgram(QStringLiteral("2"))->type, CnfProgram::YellowFlash);

        const auto card = controller.findDayCard(QStringLiteral("1"));
        QCOMPARE(card->records.size(), 2);
        QCOMPARE(card->records.value(QTime(0, 0)).reserveProgram, controller.findProgram(QStringLiteral("2")));
        QCOMPARE(card->records.value(QTime(22, 30)).program, controller.findProgram(QStringLiteral("2")));
    }
    void switches()
    {
        CnfController controller;
        const QByteArray json = withFrame(R"({ "switches": [{"id": 10, "name": "old", "color": "white", "signalGroup": 2},
                       {"id": 11, "color": "blue", "signalGroup": "A"}], "modules": {"SystemBus": {"devices": {"KSK1": {"switches": {
            "default": {"heads": 3, "control": true}, "items": [{"id": 20, "addr": 5, "signalGroup": 2},
                      {"id": 21, "type": "key", "addr": 9, "control": false, "signalGroup": "A"}, {"id": 22, "heads": 1, "signalGroup": ""}]}}}}}
        })");
        QCOMPARE(convert(json, controller), QString());

        // Device 22 without "addr" takes its position among the items.
        QCOMPARE(deviceText(controller), QStringLiteral("10:0/4/3/0/0 11:1/4/255/0/0 20:5/7/255/3/3 21:9/1/255/0/3 22:2/7/255/1/1"));
        const auto old = controller.findPowerDevice(10);
        const auto plain = controller.findPowerDevice(20);
        const auto key = controller.findPowerDevice(21);
        const auto unassigned = controller.findPowerDevice(22);

        // The most recently read device comes first; an older device's group
        // must be an id.
        QCOMPARE(controller.findSG(2)->devices, (QList<QSharedPointer<CnfPowerDevice>>{plain, old}));
        QCOMPARE(controller.findSG(1)->devices, QList<QSharedPointer<CnfPowerDevice>>{key});
        QVERIFY(!controller.findPowerDeviceSg(unassigned));

        QCOMPARE(convert(R"({"modules": {"SystemBus": {"devices": {"KSK1": {"switches":
            {"default": {"type": "ZT4_SW"}, "items": [{"id": 1}, {"id": 2, "type": "NV2_SW4"}]}}}}}})", controller), QString());
        QCOMPARE(deviceText(controller), QStringLiteral("1:0/8/255/0/0 2:1/7/255/0/0"));
    }
    void matrices_data()
    {
        QTest::addColumn<QByteArray>("extra");
        QTest::addColumn<QString>("cells"); // of matrix 3, "on<off=time" by group id

        QTest::newRow("full") << QByteArray(R"({"IGM": [{"id": 3, "matrix": [[null, 2], [5.5, "x"]]}]})") << "2<1=2 1<2=5.5";
        QTest::newRow("full wins over items") << QByteArray(R"({"IGM": [{"id": 3, "matrix": [[0, 1], [7, 0]], "items": [{"clearing": 2, "entering": 1, "time": 9}]}]})") << "1<1=0 2<1=1 1<2=7 2<2=0";
        QTest::newRow("empty full uses items") << QByteArray(R"({"IGM": [{"id": 3, "matrix": [], "items": [{"clearing": "B", "entering": 1, "time": 9}]}]})") << "1<2=9";
        // Cells name their groups by id, whatever its size or sign.
        QTest::newRow("ids of any size") << QByteArray(R"({"signalGroups": {"items": [{"id": 1}, {"id": 1000}, {"id": -4}, {"id": 0}]}, "stages": [],
            "IGM": [{"id": 3, "items": [{"clearing": 1000, "entering": -4, "time": 4}, {"clearing": 0, "entering": 1000, "time": 5},
                                        {"clearing": -4, "entering": 1, "time": 6}]}]})") << "-4<1000=4 1000<0=5 1<-4=6";
    }
    void matrices()
    {
        QFETCH(QByteArray, extra);
        QFETCH(QString, cells);

        CnfController controller;
        QCOMPARE(convert(withFrame(extra), controller), QString());
        const auto matrix = controller.findMatrix(3);
        QVERIFY(matrix);
        QStringList read;
        for (const CnfMatrixCell& cell : matrix->content())
            read << QStringLiteral("%1<%2=%3").arg(cell.onGroup->id).arg(cell.offGroup->id).arg(cell.value);
        QCOMPARE(read.join(' '), cells);
    }
    void failures_data()
    {
        QTest::addColumn<QByteArray>("extra");
        QTest::addColumn<QString>("error");

        QTest::newRow("matrix row count") << QByteArray(R"({"IGM": [{"id": 3, "name": "m", "matrix": [[0, 1]]}]})") << QStringLiteral("Matrix 3 (m) has invalid row count 1 (SG count=2)");
        QTest::newRow("matrix column count") << QByteArray(R"({"IGM": [{"id": 3, "name": "m", "matrix": [[0, 1], [1]]}]})")
                                             << QStringLiteral("Matrix 3 (m) has invalid column count 1 in row 1 (SG count=2)");
        QTest::newRow("matrix item without time") << QByteArray(R"({"IGM": [{"id": 3, "name": "m", "items": [{"clearing": 1, "entering": 2}]}]})")
                                                  << QStringLiteral("Matrix 3 (m) has item without time value");
        QTest::newRow("matrix item with unknown group") << QByteArray(R"({"IGM": [{"id": 3, "name": "m", "items": [{"clearing": 1, "entering": "C", "time": 1}]}]})")
            << QStringLiteral("Item entering value = C in matrix 3 (m) is invalid signal group");
        QTest::newRow("matrix name with placeholder") << QByteArray(R"({"IGM": [{"id": 3, "name": "%4", "matrix": [[0]]}]})") << QStringLiteral("Matrix 3 (%4) has invalid row count 1 (SG count=2)");
        QTest::newRow("matrix time of wrong type") << QByteArray(R"({"IGM": [{"id": 3, "items": [{"clearing": 1, "entering": 2, "time": [1]}]}]})")
                                                   << QStringLiteral("\"IGM[0].items[0].time\" must be a number");
        QTest::newRow("matrix of wrong type") << QByteArray(R"({"IGM": [{"id": 3, "matrix": "full"}]})") << QStringLiteral("\"IGM[0].matrix\" must be an array");
        const QByteArray timeline = R"({"plans": [{"id": "5", "algorithm": {"type": "Timeline", "sequences": [{"group": "A", "sequence": )";
        QTest::newRow("timeline unknown state") << QByteArray(timeline + R"([{"state": "blue", "point": 1}]}]}}]})")
                                                << QStringLiteral("In program 5 specified invalid state for group A");
        QTest::newRow("timeline no point nor span") << QByteArray(timeline + R"([{"state": "red", "point": "late"}]}]}}]})")
                                                    << QStringLiteral("In program 5 not specified 'point' nor 'span' value for group A");
        QTest::newRow("duplicate switch address") << QByteArray(R"({"switches": [{"id": 1}], "modules": {"SystemBus": {"devices": {"KSK1": {"switches": {"items": [{"id": 2}]}}}}}})")
            << QStringLiteral("Дублирующееся устройство с адресом 0");
        QTest::newRow("stage with unknown group") << QByteArray(R"({"stages": [{"id": "5", "groups": [1, "Z"]}]})") << QStringLiteral("Stage 5 contains invalid signal group Z");
        QTest::newRow("fixed with unknown phase") << QByteArray(R"({"plans": [{"id": "4", "algorithm": {"type": "Fixed", "sequence": [{"stage": "9", "duration": 5}]}}]})")
            << QStringLiteral("In program 4 specified invalid phase with id=9");
        QTest::newRow("fixed with zero length") << QByteArray(R"({"plans": [{"id": "4", "algorithm": {"type": "Fixed", "sequence": [{"stage": 1, "duration": 0}]}}]})")
            << QStringLiteral("In program 4 phase 1 has invalid length=0");
        QTest::newRow("ring step not described") << QByteArray(R"({"plans": [{"id": "4", "algorithm": {"type": "StageRing", "sequence": [1, 3],
                                         "phases": [{"id": 1, "stage": 1}]}}]})") << QStringLiteral("Phase definition on step 3 not described");
        QTest::newRow("ring with unknown stage") << QByteArray(R"({"plans": [{"id": "4", "algorithm": {"type": "StageRing", "sequence": [1],
                                         "phases": [{"id": 1, "stage": "S9"}]}}]})") << QStringLiteral("program 4 has invalid phase 'S9'");
        QTest::newRow("daily card with unknown plan") << QByteArray(R"({"schedule": {"days": [{"id": "3", "plans": [{"plan": 8, "time": "6:00"}]}]}})")
            << QStringLiteral("In daily card 3 specified invalid plan 8");
        QTest::newRow("daily card with bad time") << QByteArray(R"({"plans": [{"id": "1"}], "schedule": {"days": [{"id": "3", "plans": [{"plan": 1, "time": "25:00"}]}]}})")
            << QStringLiteral("In daily card 3 specified invalid time 25:00");
        const QByteArray cards = R"("days": [{"id": "1", "name": "Work"}], "weeks": [{"id": "2", "days": [1]}])";
        QTest::newRow("season plan date") << QByteArray("{\"schedule\": {" + cards + R"(, "extraPeriods": [{"from": "1.6",
            "to": "31.08", "week": 2}]}})") << QStringLiteral("Season plan has invalid date period (1.6 - 31.08)");
        QTest::newRow("season plan week") << QByteArray("{\"schedule\": {" + cards + R"(, "extraPeriods": [{"from": "01.06",
            "to": "31.08", "week": 7}]}})") << QStringLiteral("Season plan has invalid weekly card 7");
        QTest::newRow("special day date") << QByteArray("{\"schedule\": {" + cards + R"(, "extraDays": [{"date": "2027-05-09",
            "day": 1}]}})") << QStringLiteral("Special day 2027-05-09 has invalid date format 2027-05-09");
        QTest::newRow("special day card by id") << QByteArray("{\"schedule\": {" + cards + R"(, "extraDays": [{"id": "4",
            "date": "09.05", "day": "Rest"}]}})") << QStringLiteral("Special day 4 has invalid daily card Rest");
        QTest::newRow("special day card by date") << QByteArray("{\"schedule\": {" + cards + R"(, "extraDays": [{"date": "09.05",
            "day": 5}]}})") << QStringLiteral("Special day 09.05 has invalid daily card 5");
        QTest::newRow("text where array expected") << QByteArray(R"({"plans": "none"})") << QStringLiteral("\"plans\" must be an array");
        QTest::newRow("entry that is no object") << QByteArray(R"({"detectors": [{"id": 1}, 2]})") << QStringLiteral("\"detectors[1]\" must be an object");
        QTest::newRow("object where integer expected") << QByteArray(R"({"plans": [{"algorithm": {"type": "Fixed", "coordinated": true, "offset": {}}}]})")
            << QStringLiteral("\"plans[0].algorithm.offset\" must be an integer");
        QTest::newRow("list as a reference") << QByteArray(R"({"stages": [{"id": "5", "groups": [[1]]}]})") << QStringLiteral("\"stages[0].groups[0]\" must be an id or a name");
        QTest::newRow("text as a flag") << QByteArray(R"({"IGM": [{"id": 1, "default": "yes"}]})") << QStringLiteral("\"IGM[0].default\" must be true or false");
        QTest::newRow("module of wrong type") << QByteArray(R"({"modules": {"SystemBus": {"devices": {"DIO2": [1]}}}})") << QStringLiteral("\"modules.SystemBus.devices.DIO2\" must be an object");
    }
    void failures()
    {
        QFETCH(QByteArray, extra);
        QFETCH(QString, error);

        CnfController controller;
        QCOMPARE(convert(withFrame(extra), controller), error);
        // Nothing of the half-read document stays.
        QVERIFY(CnfControllerDiff::compare(controller, CnfController()).isEmpty());
    }
    void stageRing()
    {
        CnfController controller;
        QCOMPARE(convert(withFrame(R"({"IGM": [{"id": 6, "name": "ring"}], "plans": [{"id": "7", "algorithm": {
            "type": "StageRing", "coordinated": true, "cycle": 90, "offset": 100, "matrix": "ring", "conditions": ["c1"], "sequence": [2, 1, 2],
            "phases": [{"id": 1, "stage": 1, "maxGreen": 30, "recall": "min"}, {"id": 2, "stage": "S2", "maxGreen": 20}]}}]})"), controller),
                 QString());

        const auto program = controller.findProgram(QStringLiteral("7"));
        QCOMPARE(program->type, CnfProgram::StageRing);
        QCOMPARE(program->cycleTime, 90);
        QCOMPARE(program->cycleOffset(-1), 10); // one wrap over the cycle
        QCOMPARE(propertyText(*program), QStringLiteral("conditions= coordinated=true"));
        QCOMPARE(program->property("conditions").toList(), QVariantList{QStringLiteral("c1")});
        QCOMPARE(program->matrix, controller.findMatrix(6));
        QVERIFY(!program->usesDefaultMatrix);

        // One phase entry serves two steps; each step gets its own properties.
        QCOMPARE(program->phaseCount(), 3);
        QCOMPARE(program->phaseDefAt(0)->id(), QStringLiteral("2"));
        QCOMPARE(program->phaseDefAt(0)->length(), 20);
        QCOMPARE(propertyText(*program->phaseDefAt(0)), QStringLiteral("id=2 maxGreen=20"));
        QCOMPARE(propertyText(*program->phaseDefAt(1)), QStringLiteral("id=1 maxGreen=30 recall=min"));
        QCOMPARE(propertyText(*program->phaseDefAt(2)), QStringLiteral("id=2 maxGreen=20"));
    }
    void timeline_data()
    {
        QTest::addColumn<QByteArray>("sequence");
        QTest::addColumn<QString>("points"); // of group A, "second:state"

        QTest::newRow("closing point at 0") << QByteArray(R"([{"state": "green", "point": 10}, {"state": "amber", "span": 20}, {"state": "red", "point": 33}])")
            << QStringLiteral("0:red 10:green 30:amber 33:red");
        QTest::newRow("step at cycle end wraps") << QByteArray(R"([{"state": "red", "point": 0}, {"state": "green", "point": 20}, {"state": "amber", "point": 60}])")
            << QStringLiteral("0:amber 20:green");
        QTest::newRow("previous state runs over the end") << QByteArray(R"([{"state": "red", "point": 5}, {"state": "green", "point": 30}, {"state": "amber", "span": 35}])")
            << QStringLiteral("0:green 5:amber 30:green");
        QTest::newRow("first step past the end") << QByteArray(R"([{"state": "green", "point": 70}])") << QStringLiteral("0:green 10:green");
        QTest::newRow("no steps") << QByteArray("[]") << QString();
    }
    void timeline()
    {
        QFETCH(QByteArray, sequence);
        QFETCH(QString, points);

        CnfController controller;
        const QByteArray plans = R"({"plans": [{"id": "5", "algorithm": {"type": "Timeline", "coordinated": true, "cycle": 60,
            "offset": 15, "sequences": [{"group": "A", "sequence": )" + sequence + "}]}}]}";
        QCOMPARE(convert(withFrame(plans), controller), QString());
        const auto program = controller.findProgram(QStringLiteral("5"));
        QCOMPARE(program->type, CnfProgram::TimelineCoord);
        QCOMPARE(program->cycleTime, 60);
        QCOMPARE(program->cycleOffset(-1), 15);
        QCOMPARE(timelineText(program->getTimelineData(controller.findSG(1))), points);
    }
    void loadTimelineDataKeepsTimelineOnFailure()
    {
        CnfController controller;
        QCOMPARE(convert(withFrame("{}"), controller), QString());
        auto program = QSharedPointer<CnfProgram>::create();
        program->id = QStringLiteral("3");
        program->cycleTime = 40;
        const auto b = controller.findSG(2);
        program->setTimelineData(b, 0, CnfSignalGroup::Red);

        const QVariantList broken = QJsonDocument::fromJson(R"([{"group": 1, "sequence": [{"state": "green", "point": 4}]},
            {"group": 9, "sequence": []}])").toVariant().toList();
        QString error;
        QVERIFY(!NorvakIIConfig::loadTimelineData(controller, program, broken, &error));
        QCOMPARE(error, QStringLiteral("In program 3 specified invalid signal group with id=9"));
        QCOMPARE(program->timeline.size(), 1);
        QCOMPARE(timelineText(program->getTimelineData(b)), QStringLiteral("0:red"));

        QVERIFY(NorvakIIConfig::loadTimelineData(controller, program, broken.mid(0, 1)));
        QCOMPARE(timelineText(program->getTimelineData(controller.findSG(1))), QStringLiteral("0:green 4:green"));
    }
    // A loaded document is read as Qt's parser left it, a saved one from the
    // writer's maps: both must give the same controller.
    void parsedAndSavedDocumentsReadAlike_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("crossing") << QStringLiteral(CNF_TEST_DATA "/norvakii/crossing.jcfg");
        QTest::newRow("rich") << QStringLiteral(CNF_TEST_DATA "/norvakii/rich.json");
    }
    void parsedAndSavedDocumentsReadAlike()
    {
        QFETCH(QString, file);

        NorvakIIConfig config;
        CnfController parsed;
        QVERIFY(config.load(file));
        QVERIFY2(config.createController(parsed), qPrintable(config.lastError()));
        const QByteArray text = config.save(parsed);
        CnfController saved;
        QVERIFY2(config.createController(saved), qPrintable(config.lastError()));
        QCOMPARE(config.save(saved), text);
        NorvakIIConfig again;
        CnfController reloaded;
        QVERIFY(again.load(text) && again.createController(reloaded));
        QCOMPARE(again.save(reloaded), text);
        // Read, written and read again: the same model.
        QStringList differences;
        for (const CnfDifference& difference : CnfControllerDiff::compare(parsed, reloaded))
            differences << difference.toString();
        QVERIFY2(differences.isEmpty(), qPrintable(differences.join('\n')));
    }
    // Plain times are read without Qt's parser; they and the other forms it
    // takes must read as it reads them.
    void recordTimes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QTime>("time"); // invalid: refused

        QTest::newRow("h:m") << "7:5" << QTime(7, 5);
        QTest::newRow("hh:mm:ss") << "07:05:09" << QTime(7, 5, 9);
        QTest::newRow("midnight") << "0:0:0" << QTime(0, 0);
        QTest::newRow("last minute") << "23:59" << QTime(23, 59);
        QTest::newRow("sign") << "+7:05" << QTime(7, 5);
        QTest::newRow("hour 24") << "24:00" << QTime();
        QTest::newRow("minute 60") << "7:60" << QTime();
        QTest::newRow("three digits") << "007:05" << QTime();
        QTest::newRow("four fields") << "7:05:09:1" << QTime();
        QTest::newRow("blank") << " 7:05" << QTime();
        QTest::newRow("empty") << "" << QTime();
    }
    void recordTimes()
    {
        QFETCH(QString, text);
        QFETCH(QTime, time);

        const QString extra = QStringLiteral(R"({"plans": [{"id": 1, "algorithm": {"type": "Special", "mode": "OFF"}}],
            "schedule": {"days": [{"id": "1", "plans": [{"plan": 1, "time": "%1"}]}]}})").arg(text);
        CnfController controller;
        const QString error = convert(withFrame(extra.toUtf8()), controller);
        if (!time.isValid()) {
            QVERIFY2(error.contains(QStringLiteral("invalid time")), qPrintable(error));
            return;
        }
        QCOMPARE(error, QString());
        QCOMPARE(controller.findDayCard(QStringLiteral("1"))->records.keys(), QList<QTime>{time});
    }
    void weeks_data()
    {
        QTest::addColumn<QByteArray>("days");
        QTest::addColumn<QString>("cards"); // Monday to Sunday
        QTest::addColumn<QString>("error");

        QTest::newRow("five in an array") << QByteArray(R"([1, 1, "Holiday", 1, 1])") << QStringLiteral("1,1,2,1,1,-,-") << QString();
        QTest::newRow("more than seven") << QByteArray(R"([1, 1, 1, 1, 1, 2, 2, 9])") << QStringLiteral("1,1,1,1,1,2,2") << QString();
        QTest::newRow("by day names") << QByteArray(R"({"sunday": "Holiday", "monday": 1})") << QStringLiteral("1,-,-,-,-,-,2") << QString();
        QTest::newRow("capitalised day name") << QByteArray(R"({"Monday": 1})") << QString() << QStringLiteral("In weekly card 4 specified invalid day name Monday");
        QTest::newRow("unknown card") << QByteArray(R"({"friday": 3})") << QString() << QStringLiteral("In weekly card 4 for day friday specified invalid daily card 3");
        QTest::newRow("unknown card in array") << QByteArray(R"([1, null])") << QString() << QStringLiteral("In weekly card 4 for day tuesday specified invalid daily card ");
    }
    void weeks()
    {
        QFETCH(QByteArray, days);
        QFETCH(QString, cards);
        QFETCH(QString, error);

        CnfController controller;
        const QByteArray schedule = R"({"plans": [{"id": "1"}], "schedule": {"days": [{"id": "1"}, {"id": "2", "name": "Holiday"}],
            "weeks": [{"id": "4", "days": )" + days + "}]}}";
        QCOMPARE(convert(withFrame(schedule), controller), error);
        if (error.isEmpty())
            QCOMPARE(dayIds(*controller.findWeekCard(QStringLiteral("4"))), cards);
    }
    void seasonsAndSpecialDays()
    {
        CnfController controller;
        QCOMPARE(convert(withFrame(R"({"schedule": {"days": [{"id": "1", "name": "Work"}], "weeks": [{"id": "2", "name": "Std", "days": [1]}],
            "extraPeriods": [{"from": "29.02", "to": "31.08", "week": "Std"}],
            "extraDays": [{"date": "09.05.2027", "day": "Work", "name": "V"}, {"id": "x", "date": "01.01", "day": 1},
                          {"date": "29.02", "day": 1}]}})"), controller), QString());
        const auto plans = controller.seasonPlans();
        QCOMPARE(plans.size(), 1);
        QCOMPARE(plans.first()->from, QDate(2000, 2, 29));
        QCOMPARE(plans.first()->to.month(), 8);
        QCOMPARE(plans.first()->weekCard, controller.findWeekCard(QStringLiteral("2")));
        const auto days = controller.specialDays();
        QCOMPARE(days.keys(), (QList<QDate>{QDate(1900, 1, 1), QDate(2000, 2, 29), QDate(2027, 5, 9)}));
        QCOMPARE(days.value(QDate(2027, 5, 9))->name, QStringLiteral("V"));
        QCOMPARE(days.value(QDate(1900, 1, 1))->id, QStringLiteral("x"));
    }
    void defaultProgram_data()
    {
        QTest::addColumn<QByteArray>("defaults");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("reserve");
        QTest::addColumn<QStringList>("diagnostics");

        QTest::newRow("last marked plan") << QByteArray("{}") << QStringLiteral("3") << QString() << QStringList();
        QTest::newRow("schedule by id") << QByteArray(R"({"program": 1, "spareProgram": "P2"})") << QStringLiteral("1") << QStringLiteral("2") << QStringList();
        QTest::newRow("schedule names nothing") << QByteArray(R"({"program": "P9", "spareProgram": 9})") << QStringLiteral("3") << QString()
            << QStringList{QStringLiteral("In default scheduler data program P9 not found"),
                           QStringLiteral("In default scheduler data reserve program 9 not found")};
    }
    void defaultProgram()
    {
        QFETCH(QByteArray, defaults);
        QFETCH(QString, program);
        QFETCH(QString, reserve);
        QFETCH(QStringList, diagnostics);

        for (const QString& line : qAsConst(diagnostics))
            QTest::ignoreMessage(QtWarningMsg, qPrintable(line));
        CnfController controller;
        const QByteArray json = R"({"plans": [{"id": "1", "name": "P1"}, {"id": "2", "name": "P2", "default": true},
            {"id": "3", "default": true}], "schedule": {"default": )" + defaults + "}}";
        QCOMPARE(convert(json, controller), QString());
        QCOMPARE(controller.defaultProgram()->id, program);
        QCOMPARE(controller.reserveProgram() ? controller.reserveProgram()->id : QString(), reserve);
    }
    void unknownKeysSurvive()
    {
        CnfController controller;
        QCOMPARE(convert(withFrame(R"({"zeta": {"a": [1, "b"]}, "alpha": null, "name": "X", "controlSources": [],
            "signalGroups": {"items": [{"id": 1, "name": "A", "type": "tram", "camera": true, "extRed": 2}, {"id": 2, "name": "B"}]},
            "detectors": [{"id": 4, "name": "D", "loop": {"width": 1.5}}],
            "plans": [{"id": "8", "priority": 2, "algorithm": {"type": "JavaScript", "script": "go;", "limits": [1, 2]}}]})"), controller),
                 QString());

        QCOMPARE(controller.nativeDataNames().join(' '), QStringLiteral("alpha controlSources name zeta"));
        QCOMPARE(controller.getNativeData(QStringLiteral("zeta")).toMap().value(QStringLiteral("a")).toList().size(), 2);
        QCOMPARE(controller.getNativeData(QStringLiteral("name")).toString(), QStringLiteral("X"));

        const auto group = controller.findSG(1);
        QCOMPARE(group->getType(), CnfSignalGroup::Tram);
        QCOMPARE(group->property("camera").userType(), int(QMetaType::Bool));
        QCOMPARE(propertyText(*group), QStringLiteral("camera=true extRed=2"));

        const auto detector = controller.findDetector(4);
        QCOMPARE(detector->property("loop").toMap().value(QStringLiteral("width")).toDouble(), 1.5);
        QCOMPARE(propertyText(*detector), QStringLiteral("loop="));

        const auto program = controller.findProgram(QStringLiteral("8"));
        QCOMPARE(program->type, CnfProgram::JavaScript);
        QCOMPARE(propertyText(*program), QStringLiteral("limits= priority=2 script=go; type=JavaScript"));
        QCOMPARE(program->property("limits").toList().size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestNorvakII)
#include "tst_norvakii.moc"
