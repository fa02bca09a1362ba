#include <QtTest>

#include "ModelBuilders.h"
#include "cnf.h"

using Group = QSharedPointer<CnfSignalGroup>;
using Phase = QSharedPointer<CnfPhase>;
using Program = QSharedPointer<CnfProgram>;
using Matrix = QSharedPointer<CnfMatrix>;

namespace {

QByteArray document(const QByteArray& body, const QByteArray& rootAttributes = QByteArray())
{
    return "<Controller " + rootAttributes + ">" + body + "</Controller>";
}

// A line of indented output with its attributes in a fixed order.
QString sortedLine(const QString& line)
{
    static const QRegularExpression attribute(QStringLiteral(" [\\w:]+=\"[^\"]*\""));
    QStringList found;
    auto it = attribute.globalMatch(line);
    while (it.hasNext())
        found << it.next().captured(0);
    QString rest = line;
    rest.remove(attribute);
    found.sort();
    return rest + found.join(QString());
}

QStringList sortedLines(const QString& text)
{
    QStringList lines = text.split('\n');
    for (QString& line : lines)
        line = sortedLine(line);
    return lines;
}

// The document indented, its attributes sorted: equal for equal documents
// whatever order the DOM gives the attributes.
QStringList canonical(const QByteArray& xml)
{
    QDomDocument dom;
    if (!dom.setContent(xml))
        return {QStringLiteral("not XML: ") + QString::fromUtf8(xml)};
    return sortedLines(dom.toString(2));
}

using namespace CnfTest;

// Reads `from`'s document into `to`.
bool reload(const CnfController& from, CnfController& to)
{
    const bool ok = to.load(from.save(-1), true);
    if (!ok)
        qWarning("%s", qPrintable(to.lastError()));
    return ok;
}

// A controller with an element of every kind and every value the writer
// formats specially.
void fill(CnfController& c)
{
    c.setProperty("type", "norvak");
    c.setProperty("version", "3.18");
    c.setNativeData("title", "Cross");
    c.setNativeData("modules", QVariantMap{{"count", 2}, {"names", QVariantList{"a", 1.5, true}}});
    auto device = QSharedPointer<CnfPowerDevice>::create();
    device->id = 1;
    device->address = 17;
    device->type = CnfPowerDevice::Key;
    device->lampCount = 3;
    device->controlledLamps = 2;
    device->color = 0;
    c.addPowerDevice(device);
    auto interstate = QSharedPointer<CnfInterstate>::create();
    interstate->yellow = 3;
    c.setInterstate(interstate);
    auto detector = QSharedPointer<CnfDetector>::create();
    detector->setId(4);
    detector->setName("Loop");
    detector->setProperty("channel", 2);
    c.addDetector(detector);
    const Group g1 = group(1), g2 = group(2, CnfSignalGroup::Pedestrian), g3 = group(3);
    g1->name = "North";
    g1->devices << device;
    g1->detectors << 4;
    g2->detectors << 255;
    CnfSGTimes times;
    times.yellow = 3;
    g1->variantTimes.insert(2, times);
    c.addSignalGroup(g1);
    c.addSignalGroup(g2);
    c.addSignalGroup(g3);
    const Phase p1 = phase("1", {g1}, 5, 60), p2 = phase("2", {g2, g3});
    p2->name = "Walk";
    auto transition = QSharedPointer<CnfTransition>::create();
    transition->from = "1";
    transition->clearing.insert(1, 4);
    transition->clearing.insert(3, 0);
    transition->entering.insert(2, 0);
    p2->transitions << transition;
    c.addPhase(p1);
    c.addPhase(p2);
    auto conflicts = Matrix::create();
    conflicts->setReleaf(g2, g1, 1);
    conflicts->setReleaf(g1, g2, 1);
    c.setConflictMatrix(conflicts);
    auto intergreen = matrix(5);
    intergreen->setName("IG");
    intergreen->setReleaf(g3, g1, 2.5);
    c.addMatrix(intergreen, true, true);
    auto timer = program("1", CnfProgram::Timer);
    timer->matrix = intergreen;
    timer->appendPhaseFl(p1, 30)->setProperty("recall", "none");
    timer->appendPhaseFl(p2, 20);
    timer->setProperty("coordinated", false);
    c.addProgram(timer);
    auto timeline = program("2", CnfProgram::Timeline);
    timeline->cycleTime = 60;
    timeline->setTimelineData(g1, 0, CnfSignalGroup::Red);
    timeline->setTimelineData(g1, 10, CnfSignalGroup::Green);
    timeline->setTimelineData(g1, 40, CnfSignalGroup::Red);
    c.addProgram(timeline);
    auto raw = program("3", CnfProgram::NorvakSpecial);
    raw->setData(QByteArray::fromHex("0300ff"));
    c.addProgram(raw);
    auto day = QSharedPointer<CnfDayCard>::create();
    day->id = "1";
    day->addRecord(QTime(12, 0), timer, timeline);
    day->addRecord(QTime(6, 0), timeline, {});
    c.addDayCard(day);
    auto week = QSharedPointer<CnfWeekCard>::create();
    week->id = "1";
    week->days.insert(Qt::Monday, day);
    c.addWeekCard(week);
    auto special = QSharedPointer<CnfSpecialDay>::create();
    special->id = "1";
    special->dayCard = day;
    c.addSpecialDay(QDate(2024, 1, 7), special);
    auto season = QSharedPointer<CnfSeasonPlan>::create();
    season->id = "1";
    season->from = QDate(1900, 6, 1);
    season->weekCard = week;
    c.addSeasonPlan(season);
}

// Adds what only the lossless extensions of the format carry.
void fillExtensions(CnfController& c, bool listedDefaultGroup)
{
    c.phases().last()->transitions.first()->addRed.insert(3, 2);
    c.findSG(1)->setProperty("amber", 4);
    c.findSG(1)->setProperty("extGreen1", 5);
    auto sensor = QSharedPointer<CnfDetector>::create();
    sensor->setId(9);
    sensor->setName("Rain");
    c.addSensor(sensor);
    c.setDefaultProgram(c.findProgram("2"));
    c.setReserveProgram(c.findProgram("1"));
    c.setDefaultDayCard(c.findDayCard("1"));
    Group defaults = listedDefaultGroup ? c.findSG(3) : group(100);
    defaults->setProperty("redAmber", 2);
    c.setDefaulSignalGroup(defaults);
}

} // namespace

class TestProject : public QObject
{
    Q_OBJECT

private slots:
    void loadFailures_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<bool>("strict");
        QTest::addColumn<QString>("message");

        const QByteArray programs = "<Phase>1</Phase><Program id='1' type='timer'><Phase length='9'>1</Phase></Program>";
        const QByteArray day = programs + "<DayCard id='1'><Time program='1'>06:00</Time></DayCard>";
        const QByteArray week = day + "<WeekCard id='1'><DayOfWeek daycard='1'>1</DayOfWeek></WeekCard>";
        QString nine;
        for (int i = 0; i < 9; ++i)
            nine += "<Phase length='5'>1</Phase>";

        QTest::newRow("address") << document("<PwrDev address='5'>1</PwrDev><PwrDev address='5'>2</PwrDev>") << false
                                 << "Обнаружено несколько устройств с адресом 5";
        QTest::newRow("device") << document("<SG devices='3'>1</SG>") << false
                                << "В сигнальной группе 1 ссылка на несуществующее устройство 3";
        QTest::newRow("variant") << document("<SG>2<NorvakIS>0</NorvakIS></SG>") << false
                                 << "В сигнальной группе 2 указан неправильный вариант промтакта 0";
        QTest::newRow("phase twice") << document("<Phase>1</Phase><Phase>1</Phase>") << false
                                     << "Обнаружено несколько фаз с идентификатором 1";
        QTest::newRow("phase group") << document("<Phase sg='4'>1</Phase>") << false
                                     << "В фазе 1 указана несуществующая сигнальная группа 4";
        QTest::newRow("raw data") << document("<Program id='3' type='norvakSpecial'/>") << false
                                  << "In program 3 not specified data of NORVAK program";
        QTest::newRow("strict phase") << document("<Program id='1' type='timer'><Phase>7</Phase></Program>") << true
                                      << "Program 1 contains a non-existent phase 7";
        QTest::newRow("adapter off") << document("<Program id='2' type='off'/>", "type='adapter'") << false
                                     << "Program 2, type 1 cant be converted to new format";
        QTest::newRow("adapter unnamed") << document("<Program/>", "type='adapter'") << false
                                         << "Program , type 0 cant be converted to new format";
        QTest::newRow("adapter nine") << document("<Phase>1</Phase><Program id='1' type='timer'>" + nine.toUtf8()
                                                      + "</Program>",
                                                  "type='adapter'")
                                      << false << "Count of phases in program 1 more than 8";
        QTest::newRow("timeline") << document("<Program id='4' type='Timeline' cycle='60'><TimelineData><List><Item>"
                                              "<Map><Item name='group' type='int'>9</Item></Map></Item></List>"
                                              "</TimelineData></Program>")
                                  << false << "In program 4 specified invalid signal group with id=9";
        QTest::newRow("day twice") << document(day + "<DayCard id='1'/>") << false
                                   << "Обнаружено несколько суточных карт с идентификатором 1";
        QTest::newRow("time") << document(programs + "<DayCard id='1'><Time program='1'>25:00</Time></DayCard>")
                              << false << "В суточной карте 1 указано неправильное время 25:00";
        QTest::newRow("day program") << document(programs + "<DayCard id='1'><Time program='9'>06:00</Time></DayCard>")
                                     << false << "В суточной карте 1 для времени 06:00 указана несуществующая программа 9";
        QTest::newRow("week twice") << document(week + "<WeekCard id='1'/>") << false
                                    << "Обнаружено несколько недельных карт с идентификатором 1";
        QTest::newRow("weekday 0") << document(day + "<WeekCard id='1'><DayOfWeek daycard='1'>0</DayOfWeek></WeekCard>")
                                   << false << "В недельной карте 1 задан неверный день недели 0";
        QTest::newRow("weekday 8") << document(day + "<WeekCard id='1'><DayOfWeek daycard='1'>8</DayOfWeek></WeekCard>")
                                   << false << "В недельной карте 1 задан неверный день недели 8";
        QTest::newRow("week day card") << document(day + "<WeekCard id='1'><DayOfWeek daycard='5'>2</DayOfWeek></WeekCard>")
                                       << false << "В недельной карте 1 для дня 2 указана несуществующая суточная карта 5";
        QTest::newRow("special date") << document(day + "<SpecialDay day_card='1'>31.02</SpecialDay>") << false
                                      << "В особых днях указана несуществующая дата 31.02";
        QTest::newRow("special card") << document(day + "<SpecialDay day_card='4'>01.05</SpecialDay>") << false
                                      << "В особых днях для даты 01.05 указана несуществующая суточная карта 4";
        QTest::newRow("season from") << document(week + "<SeasonPlan from='32.01'>1</SeasonPlan>") << false
                                     << "Season plan has invalid from date format 32.01";
        QTest::newRow("season to") << document(week + "<SeasonPlan from='01.01' to='10.13'>1</SeasonPlan>") << false
                                   << "Season plan has invalid to date format 10.13";
        QTest::newRow("season week") << document(week + "<SeasonPlan from='01.06'>7</SeasonPlan>") << false
                                     << "In season plan for period from 01.06 to  specifyed invalid weekly card 7";
    }
    void loadFailures()
    {
        QFETCH(QByteArray, xml);
        QFETCH(bool, strict);
        QFETCH(QString, message);
        CnfController c;
        QVERIFY(!c.load(xml, strict));
        QCOMPARE(c.lastError(), message);
    }
    void parseErrorQuotesInput_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("not xml");
        QTest::newRow("unclosed") << QByteArray("<Controller><SG>1</Controller>");
    }
    void parseErrorQuotesInput()
    {
        QFETCH(QByteArray, xml);
        CnfController c;
        QVERIFY(!c.load(xml, false));
        QVERIFY2(c.lastError().startsWith("Ошибка обработки xml данных в строке "), qPrintable(c.lastError()));
        QVERIFY(c.lastError().endsWith(" " + QString::fromUtf8(xml)));
    }
    void emptyRoot()
    {
        CnfController c;
        c.setProperty("stale", 1);
        QVERIFY(c.load(QByteArray("<Anything number='7'/>"), false));
        QCOMPARE(c.property("number").toString(), QStringLiteral("7"));
        QVERIFY(!c.property("stale").isValid());
        QVERIFY(c.interstate().isNull());
        QVERIFY(c.conflictMatrix() && c.conflictMatrix()->isEmpty());
        QVERIFY(c.signalGroups().isEmpty() && c.programs().isEmpty());

        QFile missing(QDir::temp().filePath("cnf-no-such-dir/x.xml"));
        QVERIFY(!c.load(missing.fileName(), false));
        QVERIFY(c.lastError().startsWith("Ошибка открытия файла " + missing.fileName() + ": "));
    }
    void devicesAndGroups()
    {
        CnfController c;
        QVERIFY(c.load(document("<PwrDev address='3' lamp_count='2' contolled_lamps='5'>3</PwrDev>"
                                "<PwrDev address='4'>3</PwrDev>"
                                "<PwrDev address='6'>4</PwrDev>"
                                "<SG devices='3,,4' detectors='3,,4' type='tram'>1<NorvakIS yellow='300' redAdd='-1'>2</NorvakIS>"
                                "</SG><SG name='again'>1</SG>"),
                       false));
        QCOMPARE(c.powerDevices().size(), 2);
        QCOMPARE(c.findPowerDevice(3)->address, 3);
        QCOMPARE(c.findPowerDevice(3)->controlledLamps, 2);
        QCOMPARE(c.signalGroups().size(), 1);
        const Group g = c.findSG(1);
        QCOMPARE(g->name, QString());
        QCOMPARE(g->type, CnfSignalGroup::Tram);
        QCOMPARE(g->devices.size(), 2);
        QCOMPARE(g->detectors, (QList<int>{3, 0, 4}));
        QCOMPARE(int(g->variantTimes.value(2).yellow), 44);
        QCOMPARE(int(g->variantTimes.value(2).redAdd), 255);
    }
    void clearingAndEntering()
    {
        CnfController c;
        QVERIFY(c.load(document("<SG>1</SG><SG>2</SG><Phase sg='1,2'>1<Transition from='2'>"
                                "<clearing group='1' time='0' add_red='2'/><clearing group='2' time='3'/>"
                                "<entering group='1' time='0'/></Transition></Phase>"),
                       true));
        const auto transition = c.findPhase("1")->transitions.value(0);
        QVERIFY(transition);
        QCOMPARE(transition->from, QStringLiteral("2"));
        QCOMPARE(transition->clearing, (QMap<int, int>{{2, 3}}));
        QCOMPARE(transition->addRed, (QMap<int, int>{{1, 2}}));
        QCOMPARE(transition->entering, (QMap<int, int>{{1, 0}}));
    }
    void matrixFlags_data()
    {
        QTest::addColumn<QByteArray>("flags");
        QTest::addColumn<bool>("isDefault");
        QTest::addColumn<bool>("isSafety");
        QTest::newRow("default") << QByteArray("default='true'") << true << false;
        QTest::newRow("safety") << QByteArray("safety='true'") << false << true;
        QTest::newRow("both") << QByteArray("default='true' safety='true'") << true << true;
        QTest::newRow("capital") << QByteArray("safety='True'") << false << false;
    }
    void matrixFlags()
    {
        QFETCH(QByteArray, flags);
        QFETCH(bool, isDefault);
        QFETCH(bool, isSafety);
        CnfController c;
        QVERIFY(c.load(document("<SG>1</SG><SG>2</SG><Matrix id='4' " + flags
                                + "><CP on_sg='1' off_sg='2'>3.5</CP><CP on_sg='1' off_sg='9'>1</CP></Matrix>"),
                       false));
        const Matrix m = c.findMatrix(4);
        QVERIFY(m);
        QCOMPARE(m->content().size(), 1);
        QCOMPARE(m->releaf(c.findSG(1), c.findSG(2)), 3.5);
        QCOMPARE(c.defaultMatrix() == m, isDefault);
        QCOMPARE(c.safetyMatrix() == m, isSafety);
    }
    void undeclaredPhase_data()
    {
        QTest::addColumn<bool>("strict");
        QTest::addColumn<QByteArray>("type");
        QTest::addColumn<bool>("loads");
        QTest::newRow("loose") << false << QByteArray("norvak") << true;
        QTest::newRow("strict") << true << QByteArray("norvak") << false;
        QTest::newRow("strict adapter") << true << QByteArray("adapter") << true;
    }
    void undeclaredPhase()
    {
        QFETCH(bool, strict);
        QFETCH(QByteArray, type);
        QFETCH(bool, loads);
        CnfController c;
        const QByteArray xml = document("<SG>1</SG><Program id='1' type='timer'><Phase length='20' sg='1,8' recall='x'>"
                                        "7</Phase></Program>",
                                        "type='" + type + "'");
        QCOMPARE(c.load(xml, strict), loads);
        if (!loads)
            return;
        const Phase created = c.findPhase("7");
        QVERIFY(created);
        QCOMPARE(created->signalGroups, QList<Group>{c.findSG(1)});
        const auto step = c.programs().value(0)->phaseDefAt(0);
        QCOMPARE(step->phase(), created);
        QCOMPARE(step->property("recall").toString(), QStringLiteral("x"));
        QVERIFY(!step->property("length").isValid());
    }
    void adapterRecord()
    {
        CnfController c;
        QString eight;
        for (int i = 0; i < 8; ++i)
            eight += "<Phase length='5'>1</Phase>";
        // Phase 2 comes first in the controller: its position, not its place in
        // the program, goes into the record.
        QVERIFY(c.load(document("<Phase>2</Phase><Phase>1</Phase><Program id='3' type='coord' offset='5'>"
                                "<Phase length='20'>1</Phase><Phase length='30'>2</Phase></Program>"
                                "<Program id='4' type='yf'/><Program id='5'/>"
                                "<Program id='6' type='timer'>" + eight.toUtf8() + "</Program>",
                                "type='adapter'"),
                       false));
        const Program coord = c.findProgram("3");
        QCOMPARE(coord->type, CnfProgram::NorvakSpecial);
        QCOMPARE(coord->nativeType, 2);
        const QByteArray data = coord->data();
        QCOMPARE(data.size(), 62);
        QByteArray expected(62, char(0xFF));
        expected[0] = 3;
        expected[1] = 2;
        expected[4] = char(coord->cycle(false));
        expected[5] = 5;
        expected.replace(6, 9, QByteArray::fromHex("0114ffffffffff001e"));
        QCOMPARE(data.toHex(), expected.toHex());
        QCOMPARE(c.findProgram("4")->data().mid(0, 6).toHex(), QByteArray("0400ffffffff"));
        QCOMPARE(c.findProgram("5")->type, CnfProgram::NotSet);
        QCOMPARE(c.findProgram("6")->nativeType, 1);

        // The record and the steps read back from it survive a round trip.
        CnfController r;
        QVERIFY(reload(c, r));
        const Program p = r.findProgram("3");
        QVERIFY(p);
        QCOMPARE(p->data(), data);
        QCOMPARE(p->phaseCount(), 2);
        QCOMPARE(p->phaseDefAt(0)->phase(), r.findPhase("1"));
        QCOMPARE(p->phaseDefAt(1)->length(), 30);
    }
    void scheduleCounters()
    {
        CnfController c;
        QVERIFY(c.load(document("<Program id='1'/><DayCard id='1'><Time program='1' reserve_program='8'>06:00</Time>"
                                "</DayCard><WeekCard id='w'><DayOfWeek daycard='1'>7</DayOfWeek></WeekCard>"
                                "<SpecialDay day_card='1'>01.01</SpecialDay><SpecialDay id='x' day_card='1'>02.01</SpecialDay>"
                                "<SpecialDay day_card='1'>29.02</SpecialDay>"
                                "<SeasonPlan from='29.02' to=''>w</SeasonPlan><SeasonPlan id='s' from='01.07' to='31.08'>w"
                                "</SeasonPlan><SeasonPlan from='01.09'>w</SeasonPlan>"),
                       false));
        const auto record = c.findDayCard("1")->records.value(QTime(6, 0));
        QCOMPARE(record.program, c.findProgram("1"));
        QVERIFY(!record.reserveProgram);
        QStringList ids;
        for (const auto& day : c.specialDays())
            ids << day->id;
        QCOMPARE(ids, (QStringList{"1", "x", "2"}));
        QVERIFY(c.specialDays().contains(QDate(2000, 2, 29)));
        const auto plans = c.seasonPlans();
        QCOMPARE(plans.size(), 3);
        QCOMPARE(plans.at(0)->id, QStringLiteral("1"));
        QCOMPARE(plans.at(1)->id, QStringLiteral("s"));
        QCOMPARE(plans.at(2)->id, QStringLiteral("2"));
        QCOMPARE(plans.at(0)->from, QDate(2000, 2, 29));
        QVERIFY(plans.at(0)->to.isNull());
        QCOMPARE(plans.at(1)->to, QDate(1900, 8, 31));
    }
    void nativeValues()
    {
        CnfController c;
        QVERIFY(c.load(document("<NativeData flag='true' off='false' text='a'>"
                                "<List name='list'><Item type='int'>5</Item><Item type='bool'>true</Item>"
                                "<Item><Map><Item name='k' type='double'>1.5</Item><Item>lost</Item>"
                                "<Item name='k' type='int'>2</Item></Map></Item><Item/><Item type='QObject*'>x</Item>"
                                "</List><Map><Item name='k'>unnamed map</Item></Map></NativeData>"),
                       false));
        QCOMPARE(c.getNativeData("flag"), QVariant("1"));
        QCOMPARE(c.getNativeData("off"), QVariant("0"));
        QCOMPARE(c.nativeDataNames(), (QStringList{"flag", "list", "off", "text"}));
        const QVariantList list = c.getNativeData("list").toList();
        QCOMPARE(list.size(), 5);
        QCOMPARE(list.at(0), QVariant(5));
        QCOMPARE(list.at(1), QVariant(true));
        QCOMPARE(list.at(2), QVariant(QVariantMap{{"k", 2}}));
        QVERIFY(!list.at(3).isValid());
        QCOMPARE(list.at(4), QVariant("x"));

        // Maps in lists, empty texts and names unfit for attributes survive a round trip.
        c.setNativeData("tree", QVariantMap{{"l", QVariantList{QVariantMap{{"b", false}}, ""}}});
        c.setNativeData("odd name", 12);
        CnfController reread;
        QVERIFY(reload(c, reread));
        const QVariantList nested = reread.getNativeData("tree").toMap().value("l").toList();
        QCOMPARE(nested.value(0), QVariant(QVariantMap{{"b", false}}));
        QVERIFY(!nested.value(1).isValid());
        QCOMPARE(reread.getNativeData("odd name"), QVariant(12));
    }
    void writerOutput()
    {
        CnfController c;
        fill(c);
        const QByteArray compact = c.save(-1);
        QVERIFY2(!compact.isEmpty(), qPrintable(c.lastError()));
        QVERIFY(compact.startsWith("<Controller "));
        QVERIFY(!compact.trimmed().contains('\n'));

        QFile file(QStringLiteral(CNF_TEST_DATA "/project/written.xml"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray expected = file.readAll();
        QCOMPARE(canonical(compact), canonical(expected));
        QCOMPARE(sortedLines(QString::fromUtf8(c.save(2))), sortedLines(QString::fromUtf8(expected)));
    }
    void timelineSequences()
    {
        CnfController c;
        const Group steady = group(1), broken = group(2), removed = group(3);
        c.addSignalGroup(steady);
        c.addSignalGroup(broken);
        auto p = program("1", CnfProgram::TimelineCoord);
        p->cycleTime = 60;
        p->setTimelineData(steady, 0, CnfSignalGroup::Green);
        p->setTimelineData(steady, 30, CnfSignalGroup::Green);
        p->setTimelineData(broken, 0, CnfSignalGroup::NoColor);
        p->setTimelineData(broken, 20, CnfSignalGroup::Amber);
        p->setTimelineData(removed, 0, CnfSignalGroup::Red);
        c.addProgram(p);
        CnfController r;
        QVERIFY(reload(c, r));
        const Program read = r.findProgram("1");
        QCOMPARE(read->type, CnfProgram::TimelineCoord);
        QCOMPARE(read->getTimelineData(r.findSG(1)), (QMap<int, int>{{0, CnfSignalGroup::Green}}));
        QCOMPARE(read->getTimelineData(r.findSG(2)), (QMap<int, int>{{0, CnfSignalGroup::Amber}, {20, CnfSignalGroup::Amber}}));
        QCOMPARE(read->signalGroups().size(), 2);
    }
    // Each fault adds one entry that the writer refuses; a copy leaves out
    // that entry alone.
    void writerFailures_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("message"); // empty: nothing to refuse
        QTest::newRow("step without duration") << 0 << QString();
        QTest::newRow("length") << 1 << "В программе 1 длительность фазы 1 = 70 выходит за разрешённые пределы [5;60]";
        QTest::newRow("program") << 2 << "В суточной карте 1 не задана программа для времени 07:30:00";
        QTest::newRow("day card") << 3 << "В недельной карте 1 не задана суточная карта для дня 3";
        QTest::newRow("special") << 4 << "В особых днях для даты 08.03 не задана суточная карта";
        QTest::newRow("season") << 5 << "In season plan for period from 01.09 to  not specifyed weekly card";
        // References the reader could not bind.
        QTest::newRow("unknown program") << 6 << "В суточной карте 1 для времени 07:30 указана несуществующая программа 9";
        QTest::newRow("unknown daily card") << 7 << "В недельной карте 1 для дня 3 указана несуществующая суточная карта 8";
        QTest::newRow("unknown special card") << 8 << "В особых днях для даты 08.03 указана несуществующая суточная карта 8";
        QTest::newRow("unknown weekly card") << 9
                                             << "In season plan for period from 01.09 to  specifyed invalid weekly card 7";
    }
    void writerFailures()
    {
        QFETCH(int, fault);
        QFETCH(QString, message);
        CnfController c;
        fill(c);
        const QByteArray unchanged = CnfController(c).save(-1);
        switch (fault) {
        case 0:
            c.findProgram("1")->appendPhase(c.findPhase("1"), -1);
            break;
        case 1:
            c.findProgram("1")->appendPhase(c.findPhase("1"), 70);
            break;
        case 2:
            c.findDayCard("1")->records.insert(QTime(7, 30), CnfDayCardRecord());
            break;
        case 3:
            c.weekCards().first()->days.insert(Qt::Wednesday, {});
            break;
        case 4:
            c.addSpecialDay(QDate(2024, 3, 8), QSharedPointer<CnfSpecialDay>::create());
            break;
        case 5:
        case 9: {
            auto plan = QSharedPointer<CnfSeasonPlan>::create();
            plan->from = QDate(1900, 9, 1);
            if (fault == 9) {
                plan->weekCard = QSharedPointer<CnfWeekCard>::create();
                plan->weekCard->id = "7";
            }
            c.addSeasonPlan(plan);
            break;
        }
        case 6:
            c.findDayCard("1")->addRecord(QTime(7, 30), program("9", CnfProgram::Timer), {});
            break;
        case 7:
        case 8: {
            auto card = QSharedPointer<CnfDayCard>::create();
            card->id = "8";
            if (fault == 7) {
                c.weekCards().first()->days.insert(Qt::Wednesday, card);
                break;
            }
            auto day = QSharedPointer<CnfSpecialDay>::create();
            day->dayCard = card;
            c.addSpecialDay(QDate(2024, 3, 8), day);
            break;
        }
        }
        if (message.isEmpty()) {
            QVERIFY2(!c.save(-1).isEmpty(), qPrintable(c.lastError()));
            CnfController r;
            QVERIFY(reload(c, r));
            const CnfController copy(c);
            for (const CnfController* read : QList<const CnfController*>{&r, &copy}) {
                const auto steps = read->findProgram("1")->phases();
                QCOMPARE(steps.size(), 3);
                QCOMPARE(steps.last()->length(), -1);
            }
            return;
        }
        QVERIFY(c.save(-1).isEmpty());
        QCOMPARE(c.lastError(), message);
        QTest::ignoreMessage(QtWarningMsg, qPrintable("Left out of the copy: " + message));
        const CnfController copy(c);
        QVERIFY2(copy.lastError().isEmpty(), qPrintable(copy.lastError()));
        QCOMPARE(canonical(copy.save(-1)), canonical(unchanged));
    }
    // Every kind of program reads back with the cycle and the offset it was
    // saved with, whatever its steps add up to.
    void cycleRoundTrip_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("coordinated");
        QTest::addColumn<int>("offset"); // as read back: only coordinated programs keep one
        for (int t = CnfProgram::NotSet; t <= CnfProgram::Passive; ++t) {
            if (t == CnfProgram::NorvakSpecial) // its raw record holds cycle and offset
                continue;
            const auto type = CnfProgram::Type(t);
            const bool coordinated = type == CnfProgram::Coord || type == CnfProgram::TimelineCoord;
            QTest::newRow(qPrintable(CnfProgram::typeName(type, false))) << t << false << (coordinated ? 35 : 0);
        }
        QTest::newRow("coordinated stageRing") << int(CnfProgram::StageRing) << true << 35;
    }
    void cycleRoundTrip()
    {
        QFETCH(int, type);
        QFETCH(bool, coordinated);
        QFETCH(int, offset);
        CnfController c;
        const Phase p1 = phase("1", {}), p2 = phase("2", {});
        c.addPhase(p1);
        c.addPhase(p2);
        auto p = program("1", CnfProgram::Type(type));
        p->appendPhase(p1, 20);
        p->appendPhase(p2, 30);
        if (coordinated)
            p->setProperty("coordinated", true);
        p->cycleTime = 90;
        p->setCycleOffset(35);
        c.addProgram(p);
        CnfController r;
        QVERIFY(reload(c, r));
        const Program read = r.findProgram("1");
        QCOMPARE(int(read->type), type);
        QCOMPARE(read->phaseCount(), 2);
        QCOMPARE(read->cycle(false), 90);
        QCOMPARE(read->cycleOffset(0), offset);
    }
    void saveFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("project.xml");
        QFile existing(path);
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.write("old");
        existing.close();

        CnfController c;
        fill(c);
        c.seasonPlans().first()->weekCard.reset();
        QVERIFY(!c.save(path));
        QVERIFY(existing.open(QIODevice::ReadOnly));
        QCOMPARE(existing.readAll(), QByteArray("old"));
        existing.close();

        c.clear();
        fill(c);
        QVERIFY(c.save(path));
        QVERIFY(c.lastError().isEmpty());
        QVERIFY(existing.open(QIODevice::ReadOnly));
        QCOMPARE(existing.readAll(), c.save(-1));

        const QString badPath = dir.filePath("missing/project.xml");
        QVERIFY(!c.save(badPath));
        QVERIFY2(c.lastError().startsWith("Ошибка открытия " + badPath + ": "), qPrintable(c.lastError()));
    }
    void matrixPairOrder()
    {
        CnfController c;
        const Group g1 = group(1), g2 = group(2), g3 = group(3), stranger = group(9);
        g2->devices << QSharedPointer<CnfPowerDevice>::create() << QSharedPointer<CnfPowerDevice>::create();
        g2->devices.last()->id = 4;
        g2->devices.last()->address = 4;
        c.addPowerDevice(g2->devices.last());
        for (const Group& g : {g3, g1, g2})
            c.addSignalGroup(g);
        auto m = Matrix::create();
        m->setReleaf(g1, g2, 1);
        m->setReleaf(g2, g1, 2);
        m->setReleaf(g3, g2, 3);
        m->setReleaf(stranger, g1, 4);
        c.setConflictMatrix(m);
        auto only = matrix(2);
        only->setReleaf(stranger, g1, 1);
        c.addMatrix(only);
        QDomDocument dom;
        QVERIFY(dom.setContent(c.save(-1)));
        const QDomElement root = dom.documentElement();
        QVERIFY(root.firstChildElement("Matrix").isNull());
        QStringList cells;
        for (QDomElement cp = root.firstChildElement("ConflictMatrix").firstChildElement("CP"); !cp.isNull();
             cp = cp.nextSiblingElement("CP"))
            cells << cp.attribute("on_sg") + ">" + cp.attribute("off_sg") + "=" + cp.text();
        // Groups listed 3, 1, 2: pairs (3,1), (3,2), (1,2), each "later group on" first.
        QCOMPARE(cells, (QStringList{"3>2=3", "2>1=2", "1>2=1"}));
        QDomElement sg = root.firstChildElement("SG");
        while (sg.text() != "2")
            sg = sg.nextSiblingElement("SG");
        QCOMPARE(sg.attribute("devices"), QStringLiteral("4"));
    }
    void extensionsRoundTrip_data()
    {
        QTest::addColumn<bool>("listedDefault");
        QTest::newRow("own default group") << false;
        QTest::newRow("listed default group") << true;
    }
    void extensionsRoundTrip()
    {
        QFETCH(bool, listedDefault);
        CnfController c;
        fill(c);
        fillExtensions(c, listedDefault);
        auto safety = matrix(6);
        safety->setReleaf(c.findSG(1), c.findSG(3), 4);
        c.setSafetyMatrix(safety);
        // Scalars of native data come back as text: keep this one text already.
        c.findProgram("1")->setProperty("coordinated", "0");
        const QByteArray saved = c.save(-1);
        CnfController r;
        QVERIFY(reload(c, r));
        QCOMPARE(canonical(r.save(-1)), canonical(saved));

        QCOMPARE(r.phases().last()->transitions.first()->addRed, (QMap<int, int>{{3, 2}}));
        QCOMPARE(r.findSG(1)->property("amber").toInt(), 4);
        QCOMPARE(r.findSG(1)->extGreen1(), 5);
        QVERIFY(r.findSensor(9));
        QCOMPARE(r.findSensor(9)->name(), QStringLiteral("Rain"));
        QCOMPARE(r.defaultProgram(), r.findProgram("2"));
        QCOMPARE(r.reserveProgram(), r.findProgram("1"));
        QCOMPARE(r.defaultDayCard(), r.findDayCard("1"));
        QCOMPARE(r.defaultMatrix()->id(), 5);
        QCOMPARE(r.safetyMatrix()->id(), 6);
        const Group defaults = r.defaultSignalGroup();
        QVERIFY(defaults);
        QCOMPARE(defaults->property("redAmber").toInt(), 2);
        QCOMPARE(r.signalGroups().contains(defaults), listedDefault);
        QCOMPARE(defaults->id, listedDefault ? 3 : 100);
        QCOMPARE(r.findSG(1)->defaultSignalGroup(), defaults);

        // A copy of a read controller gives the same document, its steps on its own phases.
        const CnfController copy(r);
        QVERIFY2(copy.lastError().isEmpty(), qPrintable(copy.lastError()));
        QCOMPARE(canonical(copy.save(-1)), canonical(saved));
        QCOMPARE(copy.findProgram("1")->phaseDefAt(0)->phase(), copy.findPhase("1"));
    }
    void stalePropertiesDoNotShadowData()
    {
        CnfController c;
        QVERIFY(c.load(document("<Detector id='2' name='Loop' lane='1'/><Phase>1</Phase>"
                                "<Program id='1' type='timer'><Phase length='20'>1</Phase></Program>"),
                       true));
        c.findDetector(2)->setName("Renamed");
        c.findProgram("1")->phaseDefAt(0)->setLength(30);
        CnfController r;
        QVERIFY(reload(c, r));
        QCOMPARE(r.findDetector(2)->name(), QStringLiteral("Renamed"));
        QCOMPARE(r.findDetector(2)->property("lane").toString(), QStringLiteral("1"));
        QCOMPARE(r.findProgram("1")->phaseDefAt(0)->length(), 30);
    }
    void addProgramFallback()
    {
        CnfController c;
        const Group g1 = group(1), g2 = group(2);
        c.addSignalGroup(g1);
        c.addSignalGroup(g2);
        const Phase listed = phase("1", {g1});
        c.addPhase(listed);
        const Phase unlisted = phase("5", {g2});
        const Matrix own = matrix(7);
        auto p = program("4", CnfProgram::Timer);
        p->matrix = own;
        p->appendPhase(listed, 20);
        p->appendPhase(unlisted, 25)->setProperty("recall", "ped");
        p->appendPhase(unlisted, 15);
        c.addProgram(p);
        const Program added = c.findProgram("4");
        QVERIFY(added && added != p);
        const Phase created = c.findPhase("5");
        QVERIFY(created && created != unlisted);
        QCOMPARE(created->signalGroups, QList<Group>{g2});
        QCOMPARE(added->phaseCount(), 3);
        QCOMPARE(added->phaseDefAt(0)->phase(), listed);
        QCOMPARE(added->phaseDefAt(1)->phase(), created);
        QCOMPARE(added->phaseDefAt(1)->length(), 25);
        QCOMPARE(added->phaseDefAt(1)->property("recall").toString(), QStringLiteral("ped"));
        QCOMPARE(added->matrix, own);
    }
};

QTEST_GUILESS_MAIN(TestProject)
#include "tst_project.moc"
