#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include "cnf.h"
#include "ModelBuilders.h"

static QByteArray dataFile(const QString& name)
{
    QFile file(QStringLiteral(CNF_TEST_DATA "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test data %s", qPrintable(name));
    return file.readAll();
}

static QString compact(const QJsonValue& value)
{
    if (value.isObject())
        return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
    if (value.isArray())
        return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
    return value.toVariant().toString();
}

static QJsonValue at(const QJsonObject& root, const QString& path)
{
    QJsonValue value = root;
    for (const QString& name : path.split(QLatin1Char('.'))) {
        bool isIndex = false;
        const int index = name.toInt(&isIndex);
        value = isIndex ? value.toArray().at(index) : value.toObject().value(name);
    }
    return value;
}

// The controller read from `text`; the reader's error, empty on success, in `error`.
static bool read(const QByteArray& text, CnfController& controller, QString* error)
{
    ZT_LOOMConfig config;
    const bool done = config.load(text) && config.createController(controller);
    *error = config.lastError();
    return done;
}

// A model with every element unnamed, as a binary image or a new project gives it.
static void buildUnnamed(CnfController& controller)
{
    const auto a = CnfTest::group(1);
    const auto b = CnfTest::group(2, CnfSignalGroup::AlwaysOn);
    controller.addSignalGroup(a);
    controller.addSignalGroup(b);
    const auto device = CnfTest::device(5, 9);
    device->type = CnfPowerDevice::Key;
    device->controlledLamps = 1;
    device->color = 2;
    controller.addPowerDevice(device);
    a->assignDevice(device);
    controller.conflictMatrix()->setReleaf(b, a, 4);
    controller.addMatrix(CnfTest::matrix(2), false, false);
    const auto phase = CnfTest::phase("1", {a}, 5, 50);
    controller.addPhase(phase);
    auto detector = QSharedPointer<CnfDetector>::create();
    detector->setId(3);
    detector->setProperty("dio1channel", 2);
    controller.addDetector(detector);
    const auto program = CnfTest::program("1", CnfProgram::YellowFlash);
    controller.addProgram(program);
    const auto card = CnfTest::withId<CnfDayCard>("1");
    card->addRecord(QTime(6, 0), QTime(0, 0), program, nullptr);
    card->addRecord(QTime(22, 5, 30), program, nullptr);
    controller.addDayCard(card);
    const auto week = CnfTest::withId<CnfWeekCard>("1");
    week->days.insert(Qt::Monday, card);
    controller.addWeekCard(week);
    const auto season = CnfTest::withId<CnfSeasonPlan>("1");
    season->from = QDate(2000, 6, 1);
    season->to = QDate(2000, 8, 31);
    season->weekCard = week;
    controller.addSeasonPlan(season);
    const auto day = CnfTest::withId<CnfSpecialDay>("1");
    day->dayCard = card;
    controller.addSpecialDay(QDate(2027, 5, 9), day);
    controller.setProperty("type", QStringLiteral("norvakii"));
    controller.setProperty("number", 7);
    controller.setProperty("description", QStringLiteral("edited \"quoted\""));
    controller.setNativeData(QStringLiteral("KMP1"), QVariantMap{{QStringLiteral("devices"), QVariantList{1}}});
    controller.setNativeData(QStringLiteral("configVersion"), 2);
    controller.setNativeData(QStringLiteral("empty"), QVariantList());
    controller.setNativeData(QStringLiteral("// type"), QStringLiteral("norvakii"));
    controller.setNativeData(QStringLiteral("scheduler"), QStringLiteral("kept by another format's reader"));
}

class TestZtLoom : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void detection_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("format"); // the format detection finds; empty for none
        QTest::addColumn<QString>("error");  // ZT_LOOM's load message

        QTest::newRow("rich") << dataFile("ztloom/rich.json") << "zt_loom" << "";
        QTest::newRow("blanks around the colon") << QByteArray(R"({"configVersion":1, "type"  :  "ZT_LOOM" })") << "zt_loom" << "";
        QTest::newRow("type last, no comma") << QByteArray("{\"configVersion\":1,\"type\":\"ZT_LOOM\"\n}") << "zt_loom" << "";
        QTest::newRow("line break after the colon") << QByteArray("{\"type\":\n\"ZT_LOOM\"}") << "norvakii" << "";
        QTest::newRow("tab after the colon") << QByteArray("{\"type\":\t\"ZT_LOOM\"}") << "norvakii" << "";
        QTest::newRow("lower case") << QByteArray(R"({"type": "zt_loom"})") << "norvakii" << "";
        QTest::newRow("first type nested") << QByteArray(R"({"signalGroups": {"items": [{"id": 1, "type": "traffic"}]}, "type": "ZT_LOOM"})")
                                           << "norvakii" << "";
        QTest::newRow("NorvakII document") << dataFile("norvakii/rich.json") << "norvakii" << "";
        QTest::newRow("broken JSON") << QByteArray(R"({"type": "ZT_LOOM", )") << "" << "JSON parse error at ";
        QTest::newRow("array") << QByteArray(R"([{"type": "ZT_LOOM"}])") << "" << "";
    }

    void detection()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, format);
        QFETCH(QString, error);
        CnfFormat found;
        const auto adapter = CnfFormatRegistry::detectNative(data, &found);
        QCOMPARE(adapter ? found.name() : QString(), format);
        ZT_LOOMConfig config;
        QCOMPARE(config.load(data), format == QLatin1String("zt_loom"));
        QVERIFY2(error.isEmpty() ? config.lastError().isEmpty() : config.lastError().startsWith(error),
                 qPrintable(config.lastError()));
    }

    void failures_data()
    {
        QTest::addColumn<QByteArray>("body"); // root members after the version and type
        QTest::addColumn<QString>("error");

        const QByteArray groups = R"("signalGroups": {"items": [{"id": 1, "name": "A"}, {"id": 2}]}, )";
        const QByteArray plans = R"("plans": [{"id": 1, "algorithm": {"type": "Special", "mode": "AB"}}], )";
        QTest::newRow("no version") << QByteArray("-") << "Unsupported version of configuration";
        QTest::newRow("version 2") << QByteArray(R"("configVersion": 2)") << "Unsupported version of configuration";
        QTest::newRow("version as text") << QByteArray(R"("configVersion": "1")") << "Unsupported version of configuration";
        QTest::newRow("mode RA") << QByteArray(R"("plans": [{"id": 7, "algorithm": {"type": "Special", "mode": "RA"}}])")
                                 << "program 7 has invalid type 'RA'";
        QTest::newRow("stop time") << plans + R"("scheduler": {"days": [{"id": 3, "plans": [{"start": "6:00", "stop": "25:00", "program": 1}]}]})"
                                   << "In daily card 3 specified invalid stop time 25:00";
        QTest::newRow("start time") << plans + R"("scheduler": {"days": [{"id": 3, "plans": [{"start": "x", "program": 1}]}]})"
                                    << "In daily card 3 specified invalid time x";
        QTest::newRow("day plan") << plans + R"("scheduler": {"days": [{"id": 3, "plans": [{"start": "6:00", "program": 9}]}]})"
                                  << "In daily card 3 specified invalid plan 9";
        QTest::newRow("switch of type none") << groups + R"("switches": {"items": [{"id": 4, "type": "none", "signalGroup": 1}]})"
                                             << "Key 4 has invalid type 'none'";
        QTest::newRow("switch without type") << groups + R"("switches": {"default": {}, "items": [{"id": 4, "signalGroup": 1}]})"
                                             << "Key 4 has invalid type ''";
        QTest::newRow("switch group as text") << groups + R"("switches": {"default": {"type": "key"}, "items": [{"id": 4, "signalGroup": "1"}]})"
                                              << "Key 4 has invalid signal group '1'";
        QTest::newRow("switch without group") << groups + R"("switches": {"default": {"type": "key"}, "items": [{"id": 4}]})"
                                              << "Key 4 has invalid signal group ''";
        QTest::newRow("switch of unknown group") << groups + R"("switches": {"default": {"type": "key"}, "items": [{"id": 4, "signalGroup": 9}]})"
                                                 << "Key 4 has invalid signal group '9'";
        QTest::newRow("two switches, one address")
            << groups + R"("switches": {"default": {"type": "key"}, "items": [{"id": 4, "addr": 1, "signalGroup": 1}, {"id": 5, "addr": 1, "signalGroup": 2}]})"
            << "Дублирующееся устройство с адресом 1";
        QTest::newRow("matrix item") << groups + R"("IGM": [{"id": 1, "name": "M", "items": [{"clearing": 1, "time": 3}]}])"
                                     << "Matrix 1 (M) has item without entering value";
        QTest::newRow("full matrix") << groups + R"("IGM": [{"id": 1, "name": "M", "matrix": [[null, 3]]}])"
                                     << "Matrix 1 (M) has invalid row count 1 (SG count=2)";
        QTest::newRow("stage group") << groups + R"("stages": [{"id": 1, "groups": [1, "B"]}])" << "Stage 1 contains invalid signal group B";
        QTest::newRow("timeline group") << groups + R"("plans": [{"id": 1, "algorithm": {"type": "Timeline", "cycle": 10, "sequences": [{"group": 8}]}}])"
                                        << "In program 1 specified invalid signal group with id=8";
        QTest::newRow("phase ring step") << groups + R"("stages": [{"id": 1}], "plans": [{"id": 2, "algorithm": {"type": "StageRing", "sequence": [3], "phases": [{"id": 1, "stage": 1}]}}])"
                                         << "Phase definition on step 3 not described";
        QTest::newRow("week day") << plans + R"("scheduler": {"days": [{"id": 1}], "weeks": [{"id": 1, "days": {"Monday": 1}}]})"
                                  << "In weekly card 1 specified invalid day name Monday";
        QTest::newRow("stages not a list") << QByteArray(R"("stages": {"id": 1})") << R"("stages" must be an array)";
        QTest::newRow("minimum time as text") << QByteArray(R"("stages": [{"id": 1, "minTime": "short"}])") << R"("stages[0].minTime" must be an integer)";
        QTest::newRow("channel as text") << QByteArray(R"("inputsOutputs": {"DIO1": {"channels": [{"channel": "one", "detector": 1}]}})")
                                         << R"("inputsOutputs.DIO1.channels[0].channel" must be an integer)";
    }

    void failures()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, error);
        QByteArray text = R"({"type": "ZT_LOOM")";
        if (body != "-")
            text += body.startsWith("\"configVersion\"") ? ", " + body : ", \"configVersion\": 1, " + body;
        text += '}';
        CnfController controller;
        controller.addSignalGroup(CnfTest::group(42));
        QString message;
        QVERIFY(!read(text, controller, &message));
        QCOMPARE(message, error);
        // Nothing of the document, nor of the controller before, stays after a failure.
        QVERIFY(controller.signalGroups().isEmpty() && controller.programs().isEmpty() && controller.nativeDataNames().isEmpty());
    }

    void roundTrip()
    {
        // ZT_LOOM → model → ZT_LOOM → model keeps every element the format holds.
        CnfController first;
        QString error;
        QVERIFY2(read(dataFile("ztloom/rich.json"), first, &error), qPrintable(error));
        QStringList summary;
        summary << QString::number(first.signalGroups().size()) << QString::number(first.phases().first()->maxLength)
             << QString::number(first.matrixList().size()) << first.conflictMatrix()->name()
             << first.findDetector(2)->property("dio1channel").toString() << QString::number(first.programs().size())
             << CnfProgram::typeName(first.findProgram("2")->type, false) << first.findProgram("3")->matrix->name()
             << first.findProgram("4")->property("default").toString()
             << QString::number(first.findSG(4)->type == CnfSignalGroup::AlwaysOn) << QString::number(first.powerDevices().size())
             << CnfPowerDevice::type2String(first.powerDevices().first()->type, false)
             << first.findPowerDeviceSg(first.powerDevices().last())->name << QString::number(first.specialDays().size())
             << first.defaultDayCard()->name << first.property("type").toString() << first.property("number").toString()
             << first.getNativeData("sg_defaults").toMap().value("amber").toString()
             << QStringList(first.nativeDataNames()).join(',');
        QCOMPARE(summary.join('|'), QStringLiteral("5|60|2|Conflicts|4|5|TimelineCoord|Night|true|1|2|ZT4_SW|Walk|2|Weekend|ZT_LOOM|12|3|"
                                                "KMP1,configVersion,controlSources,countdownBoards,description,id,inputsOutputs,"
                                                "maxCurrent,name,remoteControlPanel,sg_defaults,startTime,switches,timeZone"));

        ZT_LOOMConfig config;
        const QByteArray text = config.save(first);
        QVERIFY2(!text.isEmpty(), qPrintable(config.lastError()));
        CnfController second;
        QVERIFY2(read(text, second, &error), qPrintable(error));
        QStringList changed;
        for (const CnfDifference& difference : CnfControllerDiff::compare(first, second))
            changed << difference.toString();
        QVERIFY2(changed.isEmpty(), qPrintable(changed.join('\n')));
        QCOMPARE(config.save(second), text);
        QCOMPARE(ZT_LOOMConfig().createDynamicProgram(second, second.programs().first()), QByteArray());

        // Each JSON writer's text of the model is detected as its own format.
        CnfFormat found;
        QVERIFY(CnfFormatRegistry::detectNative(text, &found) && found.name() == QLatin1String("zt_loom"));
        // The NorvakII text reads back: the ZT_LOOM sections kept as native data do not replace its own.
        NorvakIIConfig norvakII;
        second.setProperty("number", 13);
        const QByteArray norvakText = norvakII.save(second);
        QVERIFY(CnfFormatRegistry::detectNative(norvakText, &found) && found.name() == QLatin1String("norvakii"));
        CnfController third;
        QVERIFY2(found.createAdapter()->load(norvakText) && norvakII.load(norvakText) && norvakII.createController(third),
                 qPrintable(norvakII.lastError()));
        QCOMPARE(third.property("number").toInt(), 13);
        QCOMPARE(third.powerDevices().size(), 2);
    }

    void schedule()
    {
        // Stop times: "24:00" is the midnight that ends the day, a stop equal to
        // the start is none; without weekly cards the first daily card runs every day.
        CnfController controller;
        QString error;
        QVERIFY2(read(R"({"configVersion": 1, "type": "ZT_LOOM", "plans": [{"id": 1, "algorithm": {"type": "Special", "mode": "AB"}}],
            "scheduler": {"days": [{"id": 5, "plans": [{"start": "6:00", "stop": "24:00", "program": 1}, {"start": "3:00", "stop": "3:00", "program": 1}]},
                                   {"id": 6}]}})", controller, &error), qPrintable(error));
        const auto card = controller.findDayCard("5");
        QCOMPARE(card->records.value(QTime(6, 0)).end, QTime(0, 0));
        QVERIFY(card->records.value(QTime(3, 0)).end.isNull());
        QCOMPARE(controller.weekCards().size(), 1);
        const auto week = controller.weekCards().first();
        QCOMPARE(week->id, QStringLiteral("1"));
        QCOMPARE(week->days.values(), QList<QSharedPointer<CnfDayCard>>() << card << card << card << card << card << card << card);
    }

    void nulKeys()
    {
        // A key holding a NUL cannot name a property: it is left out rather than
        // kept under the name up to the NUL, which would make this plan a timeline
        // its own writer could not read back.
        CnfController controller;
        QString error;
        QVERIFY2(read(R"({"configVersion": 1, "type": "ZT_LOOM", "plans": [{"id": 1, "algorithm": {"type\u0000x": "Timeline",
            "sequences": [{"group": 1, "sequence": [{"state": "red"}]}]}}]})", controller, &error), qPrintable(error));
        QVERIFY(!controller.findProgram("1")->property("type").isValid());
        ZT_LOOMConfig config;
        const QByteArray text = config.save(controller);
        QVERIFY2(!text.isEmpty(), qPrintable(config.lastError()));
        CnfController reread;
        QVERIFY2(read(text, reread, &error), qPrintable(error));
    }

    void writtenDocument_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");

        QTest::newRow("group names and types") << "signalGroups.items" << R"([{"id":1,"name":"Group.1","type":"traffic"},{"id":2,"name":"Group.2","type":"always_ON"}])";
        QTest::newRow("switch") << "switches"
                                << R"({"default":{"type":"key"},"items":[{"addr":9,"color":"red","control":true,"id":5,"name":"K.5","signalGroup":1}]})";
        QTest::newRow("stage") << "stages" << R"([{"groups":[1],"id":1,"maxTime":50,"minTime":5,"name":"Phase.1"}])";
        QTest::newRow("conflict matrix first") << "IGM" << R"([{"id":0,"items":[{"clearing":1,"entering":2,"time":4}],"name":"Conflict table"},{"id":2,"name":"Matrix.2"}])";
        QTest::newRow("detector") << "detectors" << R"([{"id":3,"name":"Detector.3"}])";
        QTest::newRow("plan") << "plans" << R"([{"algorithm":{"mode":"AB","type":"Special"},"id":1,"name":"Program.1"}])";
        QTest::newRow("daily card: end at midnight, seconds kept") << "scheduler.days"
            << R"([{"id":1,"name":"Daily.1","plans":[{"program":1,"start":"06:00","stop":"24:00"},{"program":1,"start":"22:05:30"}]}])";
        QTest::newRow("weekly card") << "scheduler.weeks" << R"([{"days":[1,1,1,1,1,1,1],"id":1,"name":"Weekly.1"}])";
        QTest::newRow("season plan") << "scheduler.extraPeriods" << R"([{"from":"01.06","id":1,"name":"Seasonly.1","to":"31.08","week":1}])";
        QTest::newRow("special day") << "scheduler.extraDays" << R"([{"date":"09.05.2027","day":1,"id":1,"name":"Special.1"}])";
        QTest::newRow("own root keys") << "configVersion,type,id,description" << R"(1,ZT_LOOM,7,edited "quoted")";
        QTest::newRow("KMP1 gets auto") << "KMP1" << R"({"auto":1,"devices":[1]})";
        QTest::newRow("empty native data left out") << "empty" << "";
        QTest::newRow("commented-out type left out") << "// type" << "";
    }

    void writtenDocument()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        CnfController controller;
        buildUnnamed(controller);
        ZT_LOOMConfig config;
        const QByteArray text = config.save(controller);
        QVERIFY2(!text.isEmpty(), qPrintable(config.lastError()));
        // The type is the first "type" of the text, right after the version.
        QVERIFY2(text.startsWith("{\n  \"configVersion\":1.0,\n  \"type\":\"ZT_LOOM\",\n"), text.constData());
        const QJsonObject document = QJsonDocument::fromJson(text).object();
        QStringList values;
        for (const QString& member : path.split(','))
            values << compact(at(document, member));
        QCOMPARE(values.join(','), expected);
        // The written number, description and switches are kept in the native data.
        QCOMPARE(controller.getNativeData("id").toInt(), 7);
        QCOMPARE(controller.getNativeData("switches").toMap().value("items").toList().size(), 1);
    }

    void refusals_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<QString>("error");

        QTest::newRow("fixed-time program") << int(CnfProgram::Timer) << R"(Program 9 is of the kind "timer", for which the format has no algorithm)";
        QTest::newRow("coordinated program") << int(CnfProgram::Coord) << R"(Program 9 is of the kind "coord", for which the format has no algorithm)";
        QTest::newRow("program off") << int(CnfProgram::Off) << R"(Program 9 is of the kind "off", for which the format has no algorithm)";
        QTest::newRow("switch without group") << -1 << "Key 6 is not assigned to a signal group";
        QTest::newRow("switch without type") << -2 << "Key 5 has no type";
    }

    void refusals()
    {
        QFETCH(int, change);
        QFETCH(QString, error);
        CnfController controller;
        buildUnnamed(controller);
        if (change >= 0)
            controller.addProgram(CnfTest::program("9", CnfProgram::Type(change)));
        else if (change == -1)
            controller.addPowerDevice(CnfTest::device(6, 10));
        else
            controller.powerDevices().first()->type = CnfPowerDevice::None;
        const auto before = controller.getNativeData("switches");
        ZT_LOOMConfig config;
        QCOMPARE(config.save(controller), QByteArray());
        QCOMPARE(config.lastError(), error);
        QCOMPARE(controller.getNativeData("switches"), before); // the controller is left as it was
    }
};

QTEST_GUILESS_MAIN(TestZtLoom)
#include "tst_ztloom.moc"
