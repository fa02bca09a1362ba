#include <QtTest>

#include <functional>

#include "ModelBuilders.h"
#include "cnf.h"

using Group = QSharedPointer<CnfSignalGroup>;
using Phase = QSharedPointer<CnfPhase>;
using Program = QSharedPointer<CnfProgram>;
using Matrix = QSharedPointer<CnfMatrix>;
using Fault = std::function<void(CnfController&)>;
Q_DECLARE_METATYPE(Fault)

namespace {

QByteArray document(const QByteArray& body, const QByteArray& rootAttributes = QByteArray())
{
    return "<Controller " + rootAttributes + ">" + body + "</Controller>";
}

// The lines of indented output, each with its attributes in a fixed order:
// equal for equal documents whatever order the DOM gives the attributes.
QStringList sortedLines(const QString& text)
{
    static const QRegularExpression attribute(QStringLiteral(" [\\w:]+=\"[^\"]*\""));
    QStringList lines = text.split('\n');
    for (QString& line : lines) {
        QStringList found;
        for (auto it = attribute.globalMatch(line); it.hasNext();)
            found << it.next().captured(0);
        found.sort();
        line = line.remove(attribute) + found.join(QString());
    }
    return lines;
}

QStringList canonical(const QByteArray& xml)
{
    QDomDocument dom;
    if (!dom.setContent(xml))
        return {QStringLiteral("not XML: ") + QString::fromUtf8(xml)};
    return sortedLines(dom.toString(2));
}

using namespace CnfTest;

QSharedPointer<CnfDetector> detector(int id, const QString& name)
{
    auto d = QSharedPointer<CnfDetector>::create();
    d->setId(id);
    d->setName(name);
    return d;
}

bool load(CnfController& c, const QByteArray& body, bool strict = false, const QByteArray& rootAttributes = {})
{
    const bool ok = c.load(document(body, rootAttributes), strict);
    if (!ok)
        qWarning("%s", qPrintable(c.lastError()));
    return ok;
}

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
    auto device = CnfTest::device(1, 17);
    device->type = CnfPowerDevice::Key;
    device->lampCount = 3;
    device->controlledLamps = 2;
    device->color = 0;
    c.addPowerDevice(device);
    auto interstate = QSharedPointer<CnfInterstate>::create();
    interstate->yellow = 3;
    c.setInterstate(interstate);
    c.addDetector(detector(4, "Loop"));
    c.findDetector(4)->setProperty("channel", 2);
    const Group g1 = group(1), g2 = group(2, CnfSignalGroup::Pedestrian), g3 = group(3);
    g1->name = "North";
    g1->devices << device;
    g1->detectors << 4;
    g2->detectors << 255;
    g1->variantTimes[2].yellow = 3;
    for (const Group& g : {g1, g2, g3})
        c.addSignalGroup(g);
    const Phase p1 = phase("1", {g1}, 5, 60), p2 = phase("2", {g2, g3});
    p2->name = "Walk";
    auto transition = QSharedPointer<CnfTransition>::create();
    transition->from = "1";
    transition->clearing = {{1, 4}, {3, 0}};
    transition->entering = {{2, 0}};
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
    auto day = withId<CnfDayCard>("1");
    day->addRecord(QTime(12, 0), timer, timeline);
    day->addRecord(QTime(6, 0), timeline, {});
    c.addDayCard(day);
    auto week = withId<CnfWeekCard>("1");
    week->days.insert(Qt::Monday, day);
    c.addWeekCard(week);
    auto special = withId<CnfSpecialDay>("1");
    special->dayCard = day;
    c.addSpecialDay(QDate(2024, 1, 7), special);
    auto season = withId<CnfSeasonPlan>("1");
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
    c.addSensor(detector(9, "Rain"));
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
        const auto row = [](const char* name, const QByteArray& body, const QString& message, bool strict = false,
                            const QByteArray& root = {}) {
            QTest::newRow(name) << document(body, root) << strict << message;
        };
        const QByteArray programs = "<Phase>1</Phase><Program id='1' type='timer'><Phase length='9'>1</Phase></Program>";
        const QByteArray day = programs + "<DayCard id='1'><Time program='1'>06:00</Time></DayCard>";
        const QByteArray week = day + "<WeekCard id='1'><DayOfWeek daycard='1'>1</DayOfWeek></WeekCard>";
        const QByteArray nine = QByteArray("<Phase length='5'>1</Phase>").repeated(9);

        row("address", "<PwrDev address='5'>1</PwrDev><PwrDev address='5'>2</PwrDev>",
            "Обнаружено несколько устройств с адресом 5");
        row("device", "<SG devices='3'>1</SG>", "В сигнальной группе 1 ссылка на несуществующее устройство 3");
        row("variant", "<SG>2<NorvakIS>0</NorvakIS></SG>",
            "В сигнальной группе 2 указан неправильный вариант промтакта 0");
        row("phase twice", "<Phase>1</Phase><Phase>1</Phase>", "Обнаружено несколько фаз с идентификатором 1");
        row("phase group", "<Phase sg='4'>1</Phase>", "В фазе 1 указана несуществующая сигнальная группа 4");
        row("raw data", "<Program id='3' type='norvakSpecial'/>", "In program 3 not specified data of NORVAK program");
        row("strict phase", "<Program id='1' type='timer'><Phase>7</Phase></Program>",
            "Program 1 contains a non-existent phase 7", true);
        row("adapter off", "<Program id='2' type='off'/>", "Program 2, type 1 cant be converted to new format", false,
            "type='adapter'");
        row("adapter unnamed", "<Program/>", "Program , type 0 cant be converted to new format", false,
            "type='adapter'");
        row("adapter nine", "<Phase>1</Phase><Program id='1' type='timer'>" + nine + "</Program>",
            "Count of phases in program 1 more than 8", false, "type='adapter'");
        row("timeline", "<Program id='4' type='Timeline' cycle='60'><TimelineData><List><Item><Map>"
                        "<Item name='group' type='int'>9</Item></Map></Item></List></TimelineData></Program>",
            "In program 4 specified invalid signal group with id=9");
        row("day twice", day + "<DayCard id='1'/>", "Обнаружено несколько суточных карт с идентификатором 1");
        row("time", programs + "<DayCard id='1'><Time program='1'>25:00</Time></DayCard>",
            "В суточной карте 1 указано неправильное время 25:00");
        row("day program", programs + "<DayCard id='1'><Time program='9'>06:00</Time></DayCard>",
            "В суточной карте 1 для времени 06:00 указана несуществующая программа 9");
        row("week twice", week + "<WeekCard id='1'/>", "Обнаружено несколько недельных карт с идентификатором 1");
        for (const char* weekday : {"0", "8"})
            row(QByteArray("weekday ").append(weekday).constData(),
                day + "<WeekCard id='1'><DayOfWeek daycard='1'>" + weekday + "</DayOfWeek></WeekCard>",
                QString("В недельной карте 1 задан неверный день недели ") + weekday);
        row("week day card", day + "<WeekCard id='1'><DayOfWeek daycard='5'>2</DayOfWeek></WeekCard>",
            "В недельной карте 1 для дня 2 указана несуществующая суточная карта 5");
        row("special date", day + "<SpecialDay day_card='1'>31.02</SpecialDay>",
            "В особых днях указана несуществующая дата 31.02");
        row("special card", day + "<SpecialDay day_card='4'>01.05</SpecialDay>",
            "В особых днях для даты 01.05 указана несуществующая суточная карта 4");
        row("season from", week + "<SeasonPlan from='32.01'>1</SeasonPlan>",
            "Season plan has invalid from date format 32.01");
        row("season to", week + "<SeasonPlan from='01.01' to='10.13'>1</SeasonPlan>",
            "Season plan has invalid to date format 10.13");
        row("season week", week + "<SeasonPlan from='01.06'>7</SeasonPlan>",
            "In season plan for period from 01.06 to  specifyed invalid weekly card 7");
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
        QVERIFY(c.conflictMatrix() && c.conflictMatrix()->isEmpty());

        QFile missing(QDir::temp().filePath("cnf-no-such-dir/x.xml"));
        QVERIFY(!c.load(missing.fileName(), false));
        QVERIFY(c.lastError().startsWith("Ошибка открытия файла " + missing.fileName() + ": "));
    }
    void devicesAndGroups()
    {
        CnfController c;
        QVERIFY(load(c, "<PwrDev address='3' lamp_count='2' contolled_lamps='5'>3</PwrDev>"
                        "<PwrDev address='4'>3</PwrDev><PwrDev address='6'>4</PwrDev>"
                        "<SG devices='3,,4' detectors='3,,4' type='tram'>1<NorvakIS yellow='300' redAdd='-1'>2</NorvakIS>"
                        "</SG><SG name='again'>1</SG>"));
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
        // The reader's look-up indices end with the load: an id changed
        // afterwards behind the controller's back is still found.
        g->id = 9;
        QCOMPARE(c.findSG(9), g);
        QVERIFY(!c.findSG(1));
    }
    void clearingAndEntering()
    {
        CnfController c;
        QVERIFY(load(c, "<SG>1</SG><SG>2</SG><Phase sg='1,2'>1<Transition from='2'>"
                        "<clearing group='1' time='0' add_red='2'/><clearing group='2' time='3'/>"
                        "<entering group='1' time='0'/></Transition></Phase>", true));
        const auto transition = c.findPhase("1")->transitions.value(0);
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
        QVERIFY(load(c, "<SG>1</SG><SG>2</SG><Matrix id='4' " + flags
                        + "><CP on_sg='1' off_sg='2'>3.5</CP><CP on_sg='1' off_sg='9'>1</CP></Matrix>"));
        const Matrix m = c.findMatrix(4);
        QCOMPARE(m->content().size(), 1);
        QCOMPARE(m->releaf(c.findSG(1), c.findSG(2)), 3.5);
        QCOMPARE(c.defaultMatrix() == m, isDefault);
        QCOMPARE(c.safetyMatrix() == m, isSafety);
    }
    void undeclaredPhase_data()
    {
        QTest::addColumn<bool>("strict"); // strict refuses it but for the adapter: see loadFailures
        QTest::addColumn<QByteArray>("type");
        QTest::newRow("loose") << false << QByteArray("norvak");
        QTest::newRow("strict adapter") << true << QByteArray("adapter");
    }
    void undeclaredPhase()
    {
        QFETCH(bool, strict);
        QFETCH(QByteArray, type);
        CnfController c;
        QVERIFY(load(c, "<SG>1</SG><Program id='1' type='timer'><Phase length='20' sg='1,8' recall='x'>7</Phase></Program>",
                     strict, "type='" + type + "'"));
        const Phase created = c.findPhase("7");
        QCOMPARE(created->signalGroups, QList<Group>{c.findSG(1)});
        const auto step = c.programs().value(0)->phaseDefAt(0);
        QCOMPARE(step->phase(), created);
        QCOMPARE(step->property("recall").toString(), QStringLiteral("x"));
        QVERIFY(!step->property("length").isValid());
    }
    void adapterRecord()
    {
        CnfController c;
        const QString eight = QString("<Phase length='5'>1</Phase>").repeated(8);
        // Phase 2 comes first in the controller: its position, not its place in
        // the program, goes into the record.
        QVERIFY(load(c, "<Phase>2</Phase><Phase>1</Phase><Program id='3' type='coord' offset='5'>"
                        "<Phase length='20'>1</Phase><Phase length='30'>2</Phase></Program><Program id='4' type='yf'/>"
                        "<Program id='5'/><Program id='6' type='timer'>" + eight.toUtf8() + "</Program>",
                     false, "type='adapter'"));
        const Program coord = c.findProgram("3");
        QCOMPARE(coord->type, CnfProgram::NorvakSpecial);
        QCOMPARE(coord->nativeType, 2);
        const QByteArray data = coord->data();
        const QByteArray expected = QByteArray::fromHex("0302ffff32050114ffffffffff001e") + QByteArray(47, '\xff');
        QCOMPARE(data.toHex(), expected.toHex());
        QCOMPARE(c.findProgram("4")->data().mid(0, 6).toHex(), QByteArray("0400ffffffff"));
        QCOMPARE(c.findProgram("5")->type, CnfProgram::NotSet);
        QCOMPARE(c.findProgram("6")->nativeType, 1);

        // The record and the steps read back from it survive a round trip.
        CnfController r;
        QVERIFY(reload(c, r));
        const Program p = r.findProgram("3");
        QCOMPARE(p->data(), data);
        QCOMPARE(p->phaseCount(), 2);
        QCOMPARE(p->phaseDefAt(0)->phase(), r.findPhase("1"));
        QCOMPARE(p->phaseDefAt(1)->length(), 30);
    }
    void scheduleCounters()
    {
        CnfController c;
        QVERIFY(load(c, "<Program id='1'/><DayCard id='1'><Time program='1' reserve_program='8'>06:00</Time>"
                        "</DayCard><WeekCard id='w'><DayOfWeek daycard='1'>7</DayOfWeek></WeekCard>"
                        "<SpecialDay day_card='1'>01.01</SpecialDay><SpecialDay id='x' day_card='1'>02.01</SpecialDay>"
                        "<SpecialDay day_card='1'>29.02</SpecialDay>"
                        "<SeasonPlan from='29.02' to=''>w</SeasonPlan><SeasonPlan id='s' from='01.07' to='31.08'>w"
                        "</SeasonPlan><SeasonPlan from='01.09'>w</SeasonPlan>"));
        const auto record = c.findDayCard("1")->records.value(QTime(6, 0));
        QCOMPARE(record.program, c.findProgram("1"));
        QVERIFY(!record.reserveProgram);
        const auto ids = [](const auto& entries) {
            QStringList list;
            for (const auto& entry : entries)
                list << entry->id;
            return list;
        };
        QCOMPARE(ids(c.specialDays()), (QStringList{"1", "x", "2"}));
        QVERIFY(c.specialDays().contains(QDate(2000, 2, 29)));
        const auto plans = c.seasonPlans();
        QCOMPARE(ids(plans), (QStringList{"1", "s", "2"}));
        QCOMPARE(plans.at(0)->from, QDate(2000, 2, 29));
        QVERIFY(plans.at(0)->to.isNull());
        QCOMPARE(plans.at(1)->to, QDate(1900, 8, 31));
    }
    void nativeValues()
    {
        CnfController c;
        QVERIFY(load(c, "<NativeData flag='true' off='false' text='a'>"
                        "<List name='list'><Item type='int'>5</Item><Item type='bool'>true</Item>"
                        "<Item><Map><Item name='k' type='double'>1.5</Item><Item>lost</Item>"
                        "<Item name='k' type='int'>2</Item></Map></Item><Item/><Item type='QObject*'>x</Item>"
                        "</List><Map><Item name='k'>unnamed map</Item></Map></NativeData>"));
        QCOMPARE(c.getNativeData("flag"), QVariant("1"));
        QCOMPARE(c.getNativeData("off"), QVariant("0"));
        QCOMPARE(c.nativeDataNames(), (QStringList{"flag", "list", "off", "text"}));
        QCOMPARE(c.getNativeData("list").toList(), (QVariantList{5, true, QVariantMap{{"k", 2}}, QVariant(), "x"}));

        // Maps in lists, empty texts and names unfit for attributes survive a round trip.
        c.setNativeData("tree", QVariantMap{{"l", QVariantList{QVariantMap{{"b", false}}, ""}}});
        c.setNativeData("odd name", 12);
        CnfController reread;
        QVERIFY(reload(c, reread));
        QCOMPARE(reread.getNativeData("tree").toMap().value("l").toList(),
                 (QVariantList{QVariantMap{{"b", false}}, QVariant()}));
        QCOMPARE(reread.getNativeData("odd name"), QVariant(12));

        // A group's settings: scalars as attributes sorted by name, the rest
        // as children in the order they were set.
        CnfController settings;
        const auto g = group(7);
        g->setProperty("zeta", 1);
        g->setProperty("odd name", "x");
        g->setProperty("alpha", QVariantList{2});
        g->setProperty("beta", 3);
        settings.addSignalGroup(g);
        QVERIFY(settings.save(-1).contains("<NativeData beta=\"3\" zeta=\"1\"><Item name=\"odd name\" type=\"QString\">x</Item>"
                                           "<List name=\"alpha\"><Item type=\"int\">2</Item></List></NativeData>"));
    }
    void writerOutput()
    {
        CnfController c;
        fill(c);
        const QByteArray compact = c.save(-1);
        QVERIFY2(compact.startsWith("<Controller "), qPrintable(c.lastError()));
        QVERIFY(!compact.trimmed().contains('\n'));

        QFile file(QStringLiteral(CNF_TEST_DATA "/project/written.xml"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray expected = file.readAll();
        QCOMPARE(canonical(compact), canonical(expected));
        QCOMPARE(sortedLines(QString::fromUtf8(c.save(2))), sortedLines(QString::fromUtf8(expected)));
    }
    // A document of some megabytes grows its buffer several times over: it
    // reads back to itself, and keeps no more memory than its bytes.
    void largeDocument()
    {
        CnfController c;
        for (int id = 1; id <= 300; ++id)
            c.addSignalGroup(group(id));
        const auto groups = c.signalGroups();
        for (const Group& on : groups) {
            for (const Group& off : groups)
                c.conflictMatrix()->setReleaf(on, off, on == off ? qQNaN() : 0);
        }
        const QByteArray saved = c.save(2);
        QVERIFY(saved.size() > 1 << 20);
        QCOMPARE(saved.capacity(), saved.size());
        CnfController read;
        QVERIFY(read.load(saved, true));
        QCOMPARE(read.conflictMatrix()->content().size(), 300 * 299);
        QCOMPARE(read.save(2), saved);
    }
    void timelineSequences()
    {
        CnfController c;
        const Group steady = group(1), broken = group(2), removed = group(3);
        for (const Group& g : {steady, broken})
            c.addSignalGroup(g);
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
        QCOMPARE(read->getTimelineData(r.findSG(1)), (QMap<int, int>{{0, CnfSignalGroup::Green}}));
        QCOMPARE(read->getTimelineData(r.findSG(2)), (QMap<int, int>{{0, CnfSignalGroup::Amber}, {20, CnfSignalGroup::Amber}}));
        QCOMPARE(read->signalGroups().size(), 2);
    }
    // A reference to an element the controller does not list, but whose id
    // it lists, is written with that id and binds to the listed one.
    void writerBindsCopiesById()
    {
        CnfController c;
        fill(c);
        c.findDayCard("1")->addRecord(QTime(7, 30), program("1", CnfProgram::Timer), {});
        c.weekCards().first()->days.insert(Qt::Wednesday, withId<CnfDayCard>("1"));
        CnfController r;
        QVERIFY(reload(c, r));
        QCOMPARE(r.findDayCard("1")->records.value(QTime(7, 30)).program, r.findProgram("1"));
        QCOMPARE(r.weekCards().first()->days.value(Qt::Wednesday), r.findDayCard("1"));
    }
    // Each fault adds one entry that the writer refuses; a copy leaves out
    // that entry alone.
    void writerFailures_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("message"); // empty: nothing to refuse
        const auto card = [](const QString& id) { return withId<CnfDayCard>(id); };
        const auto season = [](const QSharedPointer<CnfWeekCard>& week) {
            auto plan = QSharedPointer<CnfSeasonPlan>::create();
            plan->from = QDate(1900, 9, 1);
            plan->weekCard = week;
            return plan;
        };
        const auto special = [](const QSharedPointer<CnfDayCard>& dayCard) {
            auto day = QSharedPointer<CnfSpecialDay>::create();
            day->dayCard = dayCard;
            return day;
        };
        QTest::newRow("step without duration")
            << Fault([](CnfController& c) { c.findProgram("1")->appendPhase(c.findPhase("1"), -1); }) << QString();
        QTest::newRow("length")
            << Fault([](CnfController& c) { c.findProgram("1")->appendPhase(c.findPhase("1"), 70); })
            << "В программе 1 длительность фазы 1 = 70 выходит за разрешённые пределы [5;60]";
        QTest::newRow("program")
            << Fault([](CnfController& c) { c.findDayCard("1")->records.insert(QTime(7, 30), CnfDayCardRecord()); })
            << "В суточной карте 1 не задана программа для времени 07:30:00";
        QTest::newRow("day card")
            << Fault([](CnfController& c) { c.weekCards().first()->days.insert(Qt::Wednesday, {}); })
            << "В недельной карте 1 не задана суточная карта для дня 3";
        QTest::newRow("special") << Fault([=](CnfController& c) { c.addSpecialDay(QDate(2024, 3, 8), special({})); })
                                 << "В особых днях для даты 08.03 не задана суточная карта";
        QTest::newRow("season") << Fault([=](CnfController& c) { c.addSeasonPlan(season({})); })
                                << "In season plan for period from 01.09 to  not specifyed weekly card";
        // References the reader could not bind.
        QTest::newRow("unknown program") << Fault([](CnfController& c) {
            c.findDayCard("1")->addRecord(QTime(7, 30), program("9", CnfProgram::Timer), {});
        }) << "В суточной карте 1 для времени 07:30 указана несуществующая программа 9";
        QTest::newRow("unknown daily card")
            << Fault([=](CnfController& c) { c.weekCards().first()->days.insert(Qt::Wednesday, card("8")); })
            << "В недельной карте 1 для дня 3 указана несуществующая суточная карта 8";
        QTest::newRow("unknown special card")
            << Fault([=](CnfController& c) { c.addSpecialDay(QDate(2024, 3, 8), special(card("8"))); })
            << "В особых днях для даты 08.03 указана несуществующая суточная карта 8";
        QTest::newRow("unknown weekly card")
            << Fault([=](CnfController& c) { c.addSeasonPlan(season(withId<CnfWeekCard>("7"))); })
            << "In season plan for period from 01.09 to  specifyed invalid weekly card 7";
    }
    void writerFailures()
    {
        QFETCH(Fault, fault);
        QFETCH(QString, message);
        CnfController c;
        fill(c);
        const QByteArray unchanged = CnfController(c).save(-1);
        fault(c);
        if (message.isEmpty()) { // the added step, read back and copied without a length
            CnfController r;
            QVERIFY(reload(c, r));
            const CnfController copy(c);
            for (const CnfController* read : QList<const CnfController*>{&r, &copy})
                QCOMPARE(read->findProgram("1")->phases().last()->length(), -1);
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
        const Phase p1 = phase("1"), p2 = phase("2");
        c.addPhase(p1);
        c.addPhase(p2);
        auto p = program("1", {p1, p2}, 20);
        p->type = CnfProgram::Type(type);
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
        QVERIFY(existing.open(QIODevice::WriteOnly) && existing.write("old") == 3);
        existing.close();

        CnfController c;
        fill(c);
        c.seasonPlans().first()->weekCard.reset();
        QVERIFY(!c.save(path));
        QVERIFY(existing.open(QIODevice::ReadOnly));
        QCOMPARE(existing.readAll(), QByteArray("old"));
        existing.close(); // the refused save left the file alone

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
        g2->devices << QSharedPointer<CnfPowerDevice>::create() << device(4, 4);
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

        // The documents are equal; what they cannot show is where the reader put things.
        QCOMPARE(r.phases().last()->transitions.first()->addRed, (QMap<int, int>{{3, 2}}));
        QCOMPARE(r.findSG(1)->extGreen1(), 5);
        QVERIFY(r.findSensor(9) && !r.findDetector(9));
        QCOMPARE(r.defaultProgram(), r.findProgram("2"));
        QCOMPARE(r.reserveProgram(), r.findProgram("1"));
        QCOMPARE(r.defaultDayCard(), r.findDayCard("1"));
        QCOMPARE(r.safetyMatrix(), r.findMatrix(6));
        const Group defaults = r.defaultSignalGroup();
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
        QVERIFY(load(c, "<Detector id='2' name='Loop' lane='1'/><Phase>1</Phase>"
                        "<Program id='1' type='timer'><Phase length='20'>1</Phase></Program>", true));
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
        // The rebuilding itself: tst_controller; here what the rebuilt program keeps.
        const Program added = c.findProgram("4");
        const Phase created = c.findPhase("5");
        QCOMPARE(created->signalGroups, QList<Group>{g2});
        QCOMPARE(added->phaseDefAt(1)->phase(), created);
        QCOMPARE(added->phaseDefAt(1)->length(), 25);
        QCOMPARE(added->phaseDefAt(1)->property("recall").toString(), QStringLiteral("ped"));
        QCOMPARE(added->matrix, own);
    }
};

QTEST_GUILESS_MAIN(TestProject)
#include "tst_project.moc"
