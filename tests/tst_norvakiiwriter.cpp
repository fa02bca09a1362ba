#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <cmath>

#include "cnf.h"
#include "ModelBuilders.h"

static QVariant json(const QByteArray& text)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError)
        qFatal("bad JSON in a test: %s", text.constData());
    return document.toVariant();
}

static QByteArray formatted(const QVariant& data, const QByteArray& format)
{
    return JsonPrinter::printFormatted(data, format.isEmpty() ? QVariant() : json(format), "  ");
}

// The document the writer produces for `controller`, parsed.
static QJsonObject written(CnfController& controller, QString* error = nullptr)
{
    NorvakIIConfig config;
    const QByteArray text = config.save(controller);
    if (error)
        *error = config.lastError();
    return QJsonDocument::fromJson(text).object();
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

static QSharedPointer<CnfSignalGroup> addGroup(CnfController& controller, int id, const QString& name = QString())
{
    auto group = QSharedPointer<CnfSignalGroup>::create();
    group->id = id;
    group->name = name;
    controller.addSignalGroup(group);
    return group;
}

static QSharedPointer<CnfPhase> addPhase(CnfController& controller, const QString& id, const QList<QSharedPointer<CnfSignalGroup>>& groups)
{
    const auto phase = CnfTest::phase(id, groups);
    controller.addPhase(phase);
    return phase;
}

static QSharedPointer<CnfProgram> addProgram(CnfController& controller, const QString& id, CnfProgram::Type type)
{
    const auto program = CnfTest::program(id, type);
    controller.addProgram(program);
    return program;
}

static QSharedPointer<CnfDayCard> addDayCard(CnfController& controller, const QString& id, const QSharedPointer<CnfProgram>& program)
{
    const auto card = CnfTest::withId<CnfDayCard>(id);
    card->addRecord(QTime(6, 30), program, nullptr);
    controller.addDayCard(card);
    return card;
}

class TestNorvakIIWriter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void printer_data()
    {
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("key order, unmatched keys last") << QByteArray(R"(["configVersion", "id", "plans"])") << QByteArray(R"({"zzz": 0, "plans": 3, "id": 2, "configVersion": 1})")
            << QByteArray("{\n  \"configVersion\":1,\n  \"id\":2,\n  \"plans\":3,\n  \"zzz\":0\n}");
        QTest::newRow("commented key keeps its place") << QByteArray(R"(["id", "name", "x"])") << QByteArray("{\"x\": 1, \"// name\": 2, \"id\": 3, \"//name\": 4}")
            << QByteArray("{\n  \"id\":3,\n  \"// name\":2,\n  \"//name\":4,\n  \"x\":1\n}");
        QTest::newRow("one record per line, decimals") << QByteArray(R"([["items", ["clearing", "entering", ["time", 2]], true]])")
            << QByteArray(R"({"items": [{"time": 3, "entering": 2, "clearing": 1}, {"time": 4.567, "entering": 1, "clearing": 2}]})")
            << QByteArray("{\n  \"items\":[\n    {\"clearing\":1,\"entering\":2,\"time\":3.00},\n"
                          "    {\"clearing\":2,\"entering\":1,\"time\":4.57}\n  ]\n}");
        QTest::newRow("number of decimals") << QByteArray(R"([["configVersion", 1], ["n", 0]])") << QByteArray(R"({"configVersion": 1, "n": 2.25, "m": 0.125})")
                                            << QByteArray("{\n  \"configVersion\":1.0,\n  \"n\":2,\n  \"m\":0.125\n}");
        QTest::newRow("empty objects") << QByteArray() << QByteArray(R"({"a": {}, "b": []})") << QByteArray("{\n  \"a\":{\n  },\n  \"b\":[\n  ]\n}");
        QTest::newRow("line break in a one-line record") << QByteArray(R"([["r", ["a", true, "b"], true, true]])") << QByteArray(R"({"r": {"b": 2, "a": 1}})")
            << QByteArray("{\n  \"r\":{\"a\":1,\n    \"b\":2}\n}");
        QTest::newRow("format by value type") << QByteArray(R"([["v", {"Object": [["y", "x"], true, true], "Number": [1]}], ["w", {"Object": [["y", "x"], true, true], "Number": [1]}]])")
            << QByteArray(R"({"v": {"x": 1, "y": 2}, "w": 3})") << QByteArray("{\n  \"v\":{\"y\":2,\"x\":1},\n  \"w\":3.0\n}");
        QTest::newRow("patterns") << QByteArray(R"([["KSK\\d", null, true, true], "point|span", "state"])") << QByteArray(R"({"state": 1, "span": 2, "KSK12": {"a": 1}, "KSK1": {"a": 1}})")
                                  << QByteArray("{\n  \"KSK1\":{\"a\":1},\n  \"span\":2,\n  \"state\":1,\n  \"KSK12\":{\n    \"a\":1\n  }\n}");
        // A plain literal: moc misreads a raw one holding \".
        QTest::newRow("text escaped") << QByteArray() << QByteArray("[\"a\\\"b\", \"c\\\\d\", \"\\u00e9\\n\"]") << QByteArray("[\n  \"a\\\"b\",\n  \"c\\\\d\",\n  \"\xc3\xa9\\n\"\n]");
        QTest::newRow("scalars") << QByteArray() << QByteArray(R"([null, true, false, -7, 1.0, 0.1, 1e300])") << QByteArray("[\n  null,\n  true,\n  false,\n  -7,\n  1,\n  0.1,\n  1e+300\n]");
    }

    void printer()
    {
        QFETCH(QByteArray, format);
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, expected);
        const QByteArray text = formatted(json(data), format);
        QCOMPARE(text, expected);
        QCOMPARE(QJsonDocument::fromJson(text), QJsonDocument::fromJson(data.contains("time") || format.contains("1]") ? text : data));
    }

    void printerKeepsArrayPositions()
    {
        // An invalid value leaves its key out, but holds its place in an array.
        const QVariantList list{1, QVariant(), std::nan(""), INFINITY, 2};
        const QVariantMap object{{"a", QVariant()}, {"b", std::nan("")}, {"c", list}};
        QCOMPARE(JsonPrinter::printFormatted(object, QVariant(), "  ", 0, true, true), QByteArray(R"({"c":[1,null,null,null,2]})"));
        QCOMPARE(JsonPrinter::printFormatted(QVariant(), QVariant(), "  "), QByteArray());
    }

    void escapingRoundTrips()
    {
        QString text;
        for (ushort c = 0; c < 0x80; ++c)
            text += QChar(c);
        text += QString::fromUtf8("\xc3\xa9\xe4\xb8\xad\xf0\x9f\x98\x80") + QChar(0xD800) + QLatin1Char('x') + QChar(0xDC00);
        const QVariantMap data{{text, text}};
        for (const QByteArray& format : {QByteArray(), QByteArray(R"([["x", null, true, true]])")}) {
            const QByteArray printed = formatted(data, format);
            QJsonParseError error;
            const QJsonDocument document = QJsonDocument::fromJson(printed, &error);
            QCOMPARE(error.error, QJsonParseError::NoError);
            QCOMPARE(document.object().value(text).toString(), text);
        }
    }

    void keyOrderFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("NorvakII") << ":/humanaze/norvakII/format.json";
        QTest::newRow("ZT_LOOM") << ":/humanaze/zt_loom/format.json";
    }

    void keyOrderFiles()
    {
        QFETCH(QString, file);
        const QVariant format = JsonPrinter::loadFormat(file);
        QCOMPARE(format.userType(), int(QMetaType::QVariantList));
        const QVariantMap document{{"plans", QVariantList{}}, {"id", 4}, {"configVersion", 1}};
        const QByteArray printed = JsonPrinter::printFormatted(document, format, "  ");
        QVERIFY2(printed.startsWith("{\n  \"configVersion\":1.0,\n  \"id\":4,\n"), printed.constData());

        // Without its file the printer still prints, in key order, on many lines.
        QCOMPARE(JsonPrinter::loadFormat(QStringLiteral(":/humanaze/none.json")).userType(), int(QMetaType::QByteArray));
        QCOMPARE(JsonPrinter::printFormatted(json(R"({"b": {"c": 1}, "a": 2})"), JsonPrinter::loadFormat("/nonexistent"), "  "),
                 QByteArray("{\n  \"a\":2,\n  \"b\":{\n    \"c\":1\n  }\n}"));
    }

    void humanizedSection()
    {
        const QVariantMap schedule = json(R"({"weeks": [{"days": [1, 1, 1, 1, 1, 1, 1], "id": 1}], "default": {"program": 1}})").toMap();
        QCOMPARE(NorvakIIConfig::humanizedSection(schedule, {"schedule"}),
                 QByteArray("{\n  \"default\":{\"program\":1},\n  \"weeks\":[\n    {\"id\":1,\"days\":[1,1,1,1,1,1,1]}\n  ]\n}"));
        const QVariantMap ksk = json(R"({"switches": {"default": {"type": "NV2_SW4"}}})").toMap();
        QCOMPARE(NorvakIIConfig::humanizedSection(ksk, {"modules", "SystemBus", "devices", "KSK\\d"}),
                 QByteArray("{\n  \"switches\":{\n    \"default\":{\"type\":\"NV2_SW4\"}\n  }\n}"));
        QVERIFY(NorvakIIConfig::humanizedSection(schedule, {"nothing"}).isEmpty());
        QVERIFY(NorvakIIConfig::humanizedSection(schedule, {"modules", "KSK1"}).isEmpty());
    }

    void switchModule_data()
    {
        QTest::addColumn<QList<int>>("types");
        QTest::addColumn<QString>("modules"); // native data "modules", JSON
        QTest::addColumn<QString>("switches");

        QTest::newRow("no devices") << QList<int>() << QString() << QString();
        QTest::newRow("shared type becomes the default") << QList<int>{CnfPowerDevice::Key2, CnfPowerDevice::Key2, CnfPowerDevice::Wlk} << QString()
            << R"({"default":{"type":"key2"},"items":[{"addr":0,"color":"red","control":true,"heads":3,"id":1,"name":"K1","signalGroup":1},{"addr":1,"control":false,"heads":0,"id":2}]})";
        QTest::newRow("mixed types") << QList<int>{CnfPowerDevice::Key2, CnfPowerDevice::NV2_SW4} << QString()
            << R"({"default":{"type":"NV2_SW4"},"items":[{"addr":0,"color":"red","control":true,"heads":3,"id":1,"name":"K1","signalGroup":1,"type":"key2"},{"addr":1,"control":false,"heads":0,"id":2}]})";
        QTest::newRow("default of the document") << QList<int>{CnfPowerDevice::Key2, CnfPowerDevice::Key2}
            << R"({"SystemBus": {"port": 1, "devices": {"KSK1": {"switches": {"default": {"heads": 2}}}}}})"
            << R"({"default":{"heads":2},"items":[{"addr":0,"color":"red","control":true,"heads":3,"id":1,"name":"K1","signalGroup":1,"type":"key2"},{"addr":1,"control":false,"heads":0,"id":2,"type":"key2"}]})";
        QTest::newRow("signal module drops the bus") << QList<int>{CnfPowerDevice::Key2} << R"({"Signal": {"x": 1}, "SystemBus": {"devices": {}}})" << QString();
    }

    void switchModule()
    {
        QFETCH(QList<int>, types);
        QFETCH(QString, modules);
        QFETCH(QString, switches);
        CnfController controller;
        const auto group = addGroup(controller, 1, "A");
        for (int i = 0; i < types.size(); ++i) {
            const auto device = CnfTest::device(i + 1, i);
            device->type = CnfPowerDevice::Type(types.at(i));
            if (i == 0) {
                device->name = "K1";
                device->color = 2;
                device->lampCount = device->controlledLamps = 3;
                group->assignDevice(device);
            }
            QVERIFY(controller.addPowerDevice(device));
        }
        if (!modules.isEmpty())
            controller.setNativeData("modules", json(modules.toUtf8()));
        const QJsonObject document = written(controller);
        QCOMPARE(compact(at(document, "modules.SystemBus.devices.KSK1.switches")), switches);
        // The bus always has a port, unless a signal module stands in for it; a module without switches is pruned.
        const bool bus = !modules.contains("Signal");
        QCOMPARE(at(document, "modules.SystemBus.port").toVariant().isValid(), bus);
        QCOMPARE(at(document, "modules.SystemBus.devices.KSK1").isUndefined(), switches.isEmpty());
        if (!bus)
            QCOMPARE(compact(document.value("modules")), QStringLiteral(R"({"Signal":{"x":1}})"));
        const QVariantMap kept = controller.getNativeData("modules").toMap();
        QCOMPARE(kept.keys(), QStringList{bus ? "SystemBus" : "Signal"});
        QCOMPARE(kept.value("SystemBus").toMap().contains("port"), bus);
    }

    void inputChannels()
    {
        CnfController controller;
        auto detector = QSharedPointer<CnfDetector>::create();
        detector->setId(1);
        detector->setName("D1");
        detector->setProperty("diochannel", 9);
        controller.addDetector(detector);
        auto sensor = QSharedPointer<CnfDetector>::create();
        sensor->setId(2);
        sensor->setSensor(true);
        controller.addSensor(sensor);
        controller.setNativeData("outputs", json(R"([{"id": 5, "name": "lamp"}])"));
        controller.setNativeData("modules", json(R"({"SystemBus": {"devices": {"DIO3": {"channels": [
            {"channel": 1, "detector": 1}, {"channel": 2, "detector": "D1"}, {"channel": 3, "detector": 7},
            {"channel": 4, "detector": "nobody"}, {"channel": 5, "sensor": 2}, {"channel": 6, "sensor": 1},
            {"channel": 7, "output": "lamp"}, {"channel": 8, "output": 5}, {"channel": 9, "output": 6},
            {"channel": 10}, 3, {"channel": 11, "detector": true}]}, "KTV1": {"items": []}, "KTV2": {"items": [], "x": 1}}}})"));
        const QJsonObject document = written(controller);
        QStringList kept;
        for (const QJsonValue& channel : at(document, "modules.SystemBus.devices.DIO3.channels").toArray())
            kept << QString::number(channel.toObject().value("channel").toInt());
        QCOMPARE(kept.join(' '), QStringLiteral("1 2 5 7 8 10"));
        // A countdown module without boards is dropped.
        QVERIFY(at(document, "modules.SystemBus.devices.KTV1").isUndefined());
        QCOMPARE(compact(at(document, "modules.SystemBus.devices.KTV2")), QStringLiteral(R"({"x":1})"));
        // The detector's channel is not written back into the modules.
        QCOMPARE(compact(document.value("detectors")), QStringLiteral(R"([{"id":1,"name":"D1"}])"));
    }

    void controlSources_data()
    {
        QTest::addColumn<QString>("devices");
        QTest::addColumn<QString>("its");
        QTest::addColumn<QString>("sources");
        QTest::addColumn<QString>("kept");

        const QString sources = R"([{"id": 1, "name": "vpu"}, {"id": 2, "name": "its"}, {"id": 3, "name": "its"},
                                   {"id": 4, "name": "its", "url": "x"}, {"id": 5, "name": "other"}])";
        QTest::newRow("nothing refers") << "{}" << "{}" << sources << "4 5";
        QTest::newRow("panel and ITS refer") << R"({"VPU1": {"controlSource": 1}})" << R"({"controlSource": 3})" << sources << "1 2 3 4 5";
        QTest::newRow("ITS refers to the first") << R"({"VPU1": {"controlSource": 9}})" << R"({"controlSource": 2})" << sources << "2 4 5";
        QTest::newRow("none left") << "{}" << "{}" << R"([{"id": 1, "name": "vpu"}])" << "";
    }

    void controlSources()
    {
        QFETCH(QString, devices);
        QFETCH(QString, its);
        QFETCH(QString, sources);
        QFETCH(QString, kept);
        CnfController controller;
        controller.setNativeData("controlSources", json(sources.toUtf8()));
        controller.setNativeData("modules", json(QStringLiteral(R"({"NorvakITS": %1, "SystemBus": {"devices": %2}})") .arg(its, devices) .toUtf8()));
        const QJsonObject document = written(controller);
        QStringList ids;
        for (const QJsonValue& source : document.value("controlSources").toArray())
            ids << QString::number(source.toObject().value("id").toInt());
        QCOMPARE(ids.join(' '), kept);
        QCOMPARE(controller.nativeDataNames().contains("controlSources"), !kept.isEmpty());
    }

    void modelSectionsAndSchedule()
    {
        CnfController controller;
        auto defaults = QSharedPointer<CnfSignalGroup>::create();
        defaults->setProperty("amber", 3);
        controller.setDefaulSignalGroup(defaults);
        const auto a = addGroup(controller, 1, "A");
        a->setType(CnfSignalGroup::Pedestrian);
        a->setProperty("minGreen", 5);
        const auto b = addGroup(controller, 7);
        b->setType(CnfSignalGroup::AlwaysOn);
        const auto matrix = CnfTest::matrix(2);
        matrix->setReleaf(b, a, 4.5);
        matrix->setReleaf(a, b, std::nan(""));
        controller.addMatrix(matrix, true, true);
        addPhase(controller, "1", {a, b});
        addPhase(controller, "2", {});
        auto sensor = QSharedPointer<CnfDetector>::create();
        sensor->setSensor(true);
        sensor->setId(3);
        sensor->setProperty("dionumber", 1);
        sensor->setProperty("lane", 2);
        controller.addSensor(sensor);

        const auto p1 = addProgram(controller, "1", CnfProgram::YellowFlash);
        const auto p2 = addProgram(controller, "2", CnfProgram::Off);
        const auto card = addDayCard(controller, "3", p1);
        card->name = "Work";
        card->addRecord(QTime(22, 5, 7), p2, p1);
        const auto week = CnfTest::withId<CnfWeekCard>("4");
        week->days.insert(Qt::Wednesday, card);
        controller.addWeekCard(week);
        const auto season = CnfTest::withId<CnfSeasonPlan>("5");
        season->from = QDate(2000, 6, 1);
        season->to = QDate(2000, 8, 31);
        season->weekCard = week;
        controller.addSeasonPlan(season);
        for (const QDate& date : {QDate(2024, 5, 9), QDate(1900, 1, 1)}) {
            const auto day = CnfTest::withId<CnfSpecialDay>(QString::number(date.year()));
            day->dayCard = card;
            controller.addSpecialDay(date, day);
        }
        controller.setDefaultProgram(p2);
        controller.setReserveProgram(p1);
        controller.setDefaultDayCard(card);
        const QJsonObject document = written(controller);
        QCOMPARE(compact(document.value("signalGroups")),
                 QStringLiteral(R"({"default":{"amber":3},"items":[{"id":1,"minGreen":5,"name":"A","type":"pedestrian"},{"id":7,"name":"sg7"}]})"));
        QCOMPARE(compact(document.value("IGM")),
                 QStringLiteral(R"([{"default":true,"id":2,"items":[{"clearing":1,"entering":7,"time":4.5}],"safety":true}])"));
        QCOMPARE(compact(document.value("stages")), QStringLiteral(R"([{"groups":[1,7],"id":1},{"id":2}])"));
        QCOMPARE(compact(document.value("sensors")), QStringLiteral(R"([{"id":3,"lane":2}])"));
        QVERIFY(!document.contains("detectors"));
        QCOMPARE(document.value("configVersion").toDouble(), 1.0);
        QCOMPARE(compact(at(document, "schedule.default")), QStringLiteral(R"({"dayPlan":3,"program":2,"spareProgram":1})"));
        QCOMPARE(compact(at(document, "schedule.days")),
                 QStringLiteral(R"([{"id":3,"name":"Work","plans":[{"plan":1,"time":"6:30:0"},{"plan":2,"sparePlan":1,"time":"22:5:7"}]}])"));
        // Wednesday's card for every day: Monday and Tuesday from Sunday back.
        QCOMPARE(compact(at(document, "schedule.weeks")), QStringLiteral(R"([{"days":[3,3,3,3,3,3,3],"id":4}])"));
        QCOMPARE(compact(at(document, "schedule.extraPeriods")), QStringLiteral(R"([{"from":"01.06","id":5,"to":"31.08","week":4}])"));
        QCOMPARE(compact(at(document, "schedule.extraDays")),
                 QStringLiteral(R"([{"date":"01.01","day":3,"id":1900},{"date":"09.05.2024","day":3,"id":2024}])"));
        QCOMPARE(compact(at(document, "plans.1")), QStringLiteral(R"({"algorithm":{"mode":"OFF","type":"Special"},"default":true,"id":2})"));
    }


    void nativeDataAndPruning()
    {
        CnfController controller;
        controller.setProperty("number", 12);
        controller.setProperty("description", QString(""));
        controller.setNativeData("outputs", QVariantList());
        controller.setNativeData("sg_defaults", 1);
        controller.setNativeData("asudd_priority_on_vpu", 1);
        controller.setNativeData("configVersion", 2);
        controller.setNativeData("deep", json(R"({"a": [[], {}, [{}], 0, "", null], "b": {"c": {}}})"));
        QVariantHash hash{{"y", 1}, {"x", 2}};
        controller.setNativeData("hash", hash);
        NorvakIIConfig config;
        const QByteArray text = config.save(controller);
        const QJsonObject document = QJsonDocument::fromJson(text).object();
        QCOMPARE(document.keys(), (QStringList{"configVersion", "deep", "description", "hash", "id", "modules", "signalGroups"}));
        // Without a default group the timings the model uses (none) are written:
        // an empty "default" would read back as timings of the reader's own.
        QCOMPARE(compact(document.value("signalGroups")), QStringLiteral(R"({"default":{"amber":0,"greenBlink":0,"redAmber":0}})"));
        QCOMPARE(compact(document.value("deep")), QStringLiteral(R"({"a":[0,"",null]})"));
        QVERIFY(text.startsWith("{\n  \"configVersion\":2.0,\n  \"id\":12,\n  \"description\":\"\",\n"));
        // The same model gives the same bytes.
        QCOMPARE(NorvakIIConfig().save(controller), text);
    }

    void refusals_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("message");
        QTest::newRow("step without a duration") << 0 << "In program 1 phase 1 (step 1) has no duration";
        QTest::newRow("week without any card") << 1 << "Weekly card 9 has no daily card on any day";
        QTest::newRow("season plan without its end") << 2 << "Season plan 8 has no valid period";
        QTest::newRow("stage of a foreign group") << 3 << "Stage 1 contains invalid signal group 5";
        QTest::newRow("phase ring step by an ambiguous text id") << 4 << "phase \"N\" cannot be referred to";
    }

    void refusals()
    {
        QFETCH(int, fault);
        QFETCH(QString, message);
        CnfController controller;
        const auto group = addGroup(controller, 1);
        const auto phase = addPhase(controller, "1", {group});
        const auto program = addProgram(controller, "1", CnfProgram::Timer);
        program->appendPhase(phase, fault == 0 ? -1 : 10);
        const auto card = addDayCard(controller, "1", program);
        controller.setNativeData("modules", json(R"({"kept": 1})"));
        if (fault == 1) {
            controller.addWeekCard(CnfTest::withId<CnfWeekCard>("9"));
        } else if (fault == 2) {
            const auto week = CnfTest::withId<CnfWeekCard>("2");
            week->days.insert(Qt::Monday, card);
            controller.addWeekCard(week);
            const auto season = CnfTest::withId<CnfSeasonPlan>("8");
            season->from = QDate(2000, 1, 1);
            season->weekCard = week;
            controller.addSeasonPlan(season);
        } else if (fault == 3) {
            phase->signalGroups.append(CnfTest::group(5));
        } else if (fault == 4) {
            addPhase(controller, "N", {group});
            addProgram(controller, "2", CnfProgram::StageRing)->appendPhase(controller.findPhase("N"), 5);
        }
        NorvakIIConfig config;
        QVERIFY(config.save(controller).isEmpty());
        QVERIFY2(config.lastError().contains(message), qPrintable(config.lastError()));
        // A refused document leaves the controller as it was.
        QCOMPARE(controller.getNativeData("modules"), json(R"({"kept": 1})"));
    }

    void missingReferencesAreLeftOut()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("cnf.json.warning=false"));
        CnfController controller;
        const auto kept = addProgram(controller, "1", CnfProgram::Off);
        const auto lost = CnfTest::withId<CnfProgram>("2");
        const auto card = addDayCard(controller, "1", kept);
        card->addRecord(QTime(8, 0), lost, lost);
        card->addRecord(QTime(9, 0), kept, lost);
        const auto orphan = CnfTest::withId<CnfSpecialDay>("7");
        controller.addSpecialDay(QDate(2024, 1, 2), orphan);
        const auto season = CnfTest::withId<CnfSeasonPlan>("3");
        season->from = season->to = QDate(2000, 1, 1);
        controller.addSeasonPlan(season);
        QString error;
        const QJsonObject document = written(controller, &error);
        QCOMPARE(error, QString());
        QCOMPARE(compact(at(document, "schedule.days.0.plans")), QStringLiteral(R"([{"plan":1,"time":"6:30:0"},{"plan":1,"time":"9:0:0"}])"));
        QVERIFY(at(document, "schedule.extraDays").isUndefined());
        QVERIFY(at(document, "schedule.extraPeriods").isUndefined());
        QLoggingCategory::setFilterRules(QString());
    }

    void textIds()
    {
        // Ids that are not numbers stay texts; references to them go by name.
        CnfController controller;
        controller.setDefaulSignalGroup(QSharedPointer<CnfSignalGroup>::create());
        controller.defaultSignalGroup()->setProperty("amber", 4);
        const auto group = addGroup(controller, 1, "A");
        addPhase(controller, "N", {group})->name = "north";
        addPhase(controller, "S", {group})->name = "south";
        addPhase(controller, "007", {group});
        const auto ring = addProgram(controller, "ring", CnfProgram::StageRing);
        ring->name = "Ring";
        ring->appendPhase(controller.findPhase("N"), 10);
        ring->appendPhase(controller.findPhase("S"), 12);
        const auto fixed = addProgram(controller, "fix", CnfProgram::Timer);
        fixed->appendPhase(controller.findPhase("007"), 7);
        const auto card = addDayCard(controller, "d", ring);
        card->name = "day";
        controller.setDefaultProgram(fixed); // no name: it cannot be referred to

        NorvakIIConfig config;
        QVERIFY(config.save(controller).isEmpty());
        QVERIFY2(config.lastError().contains("fix"), qPrintable(config.lastError()));
        fixed->name = "Fixed";
        const QByteArray text = config.save(controller);
        QVERIFY2(!text.isEmpty(), qPrintable(config.lastError()));
        const QJsonObject document = QJsonDocument::fromJson(text).object();
        QCOMPARE(compact(document.value("stages")), QStringLiteral(R"([{"groups":[1],"id":"N","name":"north"},{"groups":[1],"id":"S","name":"south"},{"groups":[1],"id":"007"}])"));
        QCOMPARE(compact(at(document, "plans.0.algorithm.phases")),
                 QStringLiteral(R"([{"id":1,"maxGreen":10,"stage":"north"},{"id":2,"maxGreen":12,"stage":"south"}])"));
        QCOMPARE(compact(at(document, "schedule.default")), QStringLiteral(R"({"program":"Fixed"})"));

        QVERIFY(config.load(text));
        CnfController reread;
        QVERIFY2(config.createController(reread), qPrintable(config.lastError()));
        QCOMPARE(reread.findProgram("ring")->phaseDefAt(1)->phase()->id, QStringLiteral("S"));
        QCOMPARE(reread.findProgram("fix")->phaseDefAt(0)->phase()->id, QStringLiteral("007"));
        QCOMPARE(reread.defaultProgram()->id, QStringLiteral("fix"));
        QCOMPARE(reread.findDayCard("d")->records.first().program->id, QStringLiteral("ring"));
    }

    void dynamicProgram_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("off") << int(CnfProgram::Off) << QByteArray(R"({"algorithm":{"matrix":4,"mode":"OFF","type":"Special"},"id":1,"name":"P","pattern":"x"})");
        QTest::newRow("flash") << int(CnfProgram::YellowFlash) << QByteArray(R"({"algorithm":{"matrix":4,"mode":"AB","type":"Special"},"id":1,"name":"P","pattern":"x"})");
        QTest::newRow("timer") << int(CnfProgram::Timer)
                               << QByteArray(R"({"algorithm":{"matrix":4,"sequence":[{"duration":20,"stage":1},{"duration":30,"stage":2}],"type":"Fixed"},"id":1,"name":"P","pattern":"x"})");
        QTest::newRow("coordinated") << int(CnfProgram::Coord)
                                     << QByteArray(R"({"algorithm":{"coordinated":true,"matrix":4,"offset":5,"sequence":[{"duration":20,"stage":1},{"duration":30,"stage":2}],"type":"Fixed"},"id":1,"name":"P","pattern":"x"})");
        QTest::newRow("native") << int(CnfProgram::NorvakSpecial) << QByteArray(R"({"algorithm":{"matrix":4,"pattern":"x","type":"norvakSpecial"},"id":1,"name":"P"})");
        for (int type : {CnfProgram::MultiRing, CnfProgram::JavaScript, CnfProgram::Pedestrian, CnfProgram::Passive})
            QTest::newRow(qPrintable(CnfProgram::typeName(CnfProgram::Type(type), false)))
                << type << QByteArray(R"({"algorithm":{"matrix":4,"pattern":"x","type":")" + CnfProgram::typeName(CnfProgram::Type(type), false).toLatin1()
                                      + R"("},"id":1,"name":"P"})");
        QTest::newRow("unknown kept as read") << 13 << QByteArray(R"({"algorithm":{"matrix":4,"pattern":"x","type":"Custom"},"id":1,"name":"P"})");
        QTest::newRow("timeline") << int(CnfProgram::Timeline)
                                  << QByteArray(R"({"algorithm":{"cycle":50,"matrix":4,"sequences":[{"group":1,"sequence":[{"point":0,"state":"green"},{"point":20,"state":"red"}]}],"type":"Timeline"},"id":1,"name":"P","pattern":"x"})");
        QTest::newRow("timeline coordinated") << int(CnfProgram::TimelineCoord)
                                              << QByteArray(R"({"algorithm":{"coordinated":true,"cycle":50,"matrix":4,"offset":5,"sequences":[{"group":1,"sequence":[{"point":0,"state":"green"},{"point":20,"state":"red"}]}],"type":"Timeline"},"id":1,"name":"P","pattern":"x"})");
        QTest::newRow("stage ring") << int(CnfProgram::StageRing)
                                    << QByteArray(R"({"algorithm":{"conditions":[1],"coordinated":true,"cycle":50,"matrix":4,"offset":5,"phases":[{"id":1,"maxGreen":20,"recall":true,"stage":1},{"id":2,"maxGreen":30,"stage":2}],"sequence":[1,2],"type":"StageRing"},"id":1,"name":"P","pattern":"x"})");
    }

    void dynamicProgram()
    {
        QFETCH(int, type);
        QFETCH(QByteArray, expected);
        CnfController controller;
        const auto group = addGroup(controller, 1);
        const auto p1 = addPhase(controller, "1", {group});
        const auto p2 = addPhase(controller, "2", {});
        const auto matrix = CnfTest::matrix(4);
        controller.addMatrix(matrix);
        const auto program = addProgram(controller, "1", CnfProgram::Type(type));
        program->name = "P";
        program->matrix = matrix;
        program->setProperty("pattern", "x");
        if (type == 13)
            program->setProperty("type", "Custom");
        if (type == CnfProgram::Timer || type == CnfProgram::Coord || type == CnfProgram::StageRing) {
            program->appendPhase(p1, 20)->setProperty("recall", true);
            program->appendPhase(p2, 30)->setProperty("id", 9);
        }
        if (type == CnfProgram::Timeline || type == CnfProgram::TimelineCoord) {
            program->cycleTime = 50;
            program->setTimelineData(group, 0, CnfSignalGroup::Green);
            program->setTimelineData(group, 20, CnfSignalGroup::Red);
        }
        if (type == CnfProgram::StageRing) {
            program->setProperty("coordinated", true);
            program->setProperty("conditions", QVariantList{1});
            program->cycleTime = 50;
        }
        program->setCycleOffset(5);
        NorvakIIConfig config;
        QCOMPARE(config.createDynamicProgram(controller, program), expected);
        QCOMPARE(config.lastError(), QString());
    }

    void dynamicProgramChoosesProgram()
    {
        CnfController controller;
        NorvakIIConfig config;
        QVERIFY(config.createDynamicProgram(controller, nullptr).isEmpty());
        QCOMPARE(config.lastError(), QStringLiteral("У контроллера нет программ"));
        addProgram(controller, "3", CnfProgram::Off);
        addProgram(controller, "4", CnfProgram::YellowFlash);
        QCOMPARE(config.createDynamicProgram(controller, nullptr), QByteArray(R"({"algorithm":{"mode":"OFF","type":"Special"},"id":3})"));
        QCOMPARE(config.lastError(), QString());
    }

    void readerWriterDifferences()
    {
        // Rewritten from the model: full matrices become sparse, texts of ids
        // become numbers, spans become points, stage keys the model has no place
        // for are dropped and plan-level keys of other algorithms go into them.
        NorvakIIConfig config;
        QVERIFY(config.load(QByteArray(R"({ "signalGroups": {"items": [{"id": 1, "name": "A"}, {"id": 2, "name": "B"}]},
          "IGM": [{"id": 1, "matrix": [[null, 4], [3, null]]}], "stages": [{"id": "1", "groups": [1], "color": "x"}, {"id": "2", "groups": [2]}],
          "plans": [{"id": "1", "extra": 1, "algorithm": {"type": "Timeline", "cycle": 40,
                     "sequences": [{"group": "A", "sequence": [{"state": "green", "span": 5}, {"state": "red", "span": 10}]}]}},
                    {"id": "2", "extra": 2, "algorithm": {"type": "Passive"}}] })")));
        CnfController controller;
        QVERIFY(config.createController(controller));
        const QJsonObject document = written(controller);
        QCOMPARE(compact(document.value("IGM")),
                 QStringLiteral(R"([{"id":1,"items":[{"clearing":1,"entering":2,"time":4},{"clearing":2,"entering":1,"time":3}]}])"));
        QCOMPARE(compact(document.value("stages")), QStringLiteral(R"([{"groups":[1],"id":1},{"groups":[2],"id":2}])"));
        QCOMPARE(compact(at(document, "plans.0")),
                 QStringLiteral(R"({"algorithm":{"cycle":40,"sequences":[{"group":1,"sequence":[{"point":0,"state":"red"},{"point":5,"state":"green"},{"point":15,"state":"red"}]}],"type":"Timeline"},"extra":1,"id":1})"));
        QCOMPARE(compact(at(document, "plans.1")), QStringLiteral(R"({"algorithm":{"extra":2,"type":"Passive"},"id":2})"));
    }
};

QTEST_GUILESS_MAIN(TestNorvakIIWriter)
#include "tst_norvakiiwriter.moc"
