#include <QDateTime>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

#include "CnfController.h"
#include "CnfMatrix.h"
#include "CnfNative.h"
#include "CnfPhase.h"
#include "CnfPhaseDef.h"
#include "CnfPowerDevice.h"
#include "CnfProgram.h"
#include "CnfSGTimes.h"
#include "CnfSchedule.h"
#include "CnfSignalGroup.h"
#include "ModelBuilders.h"
#include "Norvak3xTestImage.h"
#include "ToolRunner.h"

using Image = Norvak3xTestImage;
using Mutation = std::function<void(CnfController&)>;
Q_DECLARE_METATYPE(Mutation)

namespace {

QSharedPointer<CnfNative> loaded(const QByteArray& bytes) { return CnfNative::loadNativeConfig(bytes); }

QSharedPointer<CnfNative> adapterOf(int version) { return loaded(Image::full(version).build()); }

QString versionText(int version) { return QStringLiteral("3.%1").arg(version - 300); }

// One row per firmware version, tagged with its number.
void versionRows(int to = 318)
{
    QTest::addColumn<int>("version");
    for (int v = 314; v <= to; ++v)
        QTest::newRow(qPrintable(QString::number(v))) << v;
}

QSharedPointer<CnfProgram> rawProgram(const QString& id, const QByteArray& data)
{
    auto p = CnfTest::program(id, CnfProgram::NorvakSpecial);
    p->setData(data);
    return p;
}

// The firmware number of a controller's version: "3.15" is 315.
int versionNumber(const CnfController& c)
{
    return c.property("version").toString().remove(QLatin1Char('.')).toInt();
}

void addPrograms(CnfController& c, int from, int to)
{
    const int size = Image::recordSize(versionNumber(c), Image::Programs);
    for (int i = from; i <= to; ++i)
        c.addProgram(rawProgram(QString::number(i), Image::record(size, {i, 0, 1})));
}

// Phases or day cards numbered from..to.
template <class T>
void addNumbered(CnfController& c, void (CnfController::*add)(QSharedPointer<T>), int from, int to)
{
    for (int i = from; i <= to; ++i)
        (c.*add)(CnfTest::withId<T>(QString::number(i)));
}

void addGroups(CnfController& c, int from, int to)
{
    for (int i = from; i <= to; ++i)
        c.addSignalGroup(CnfTest::group(i));
}

QSharedPointer<CnfPowerDevice> addDevice(CnfController& c, int address, int group)
{
    auto device = QSharedPointer<CnfPowerDevice>::create();
    device->id = 0; // takes the address
    device->address = address;
    c.addPowerDevice(device);
    c.findSG(group)->assignDevice(device);
    return device;
}

// Two groups with a device each, one phase, one program and one day card.
void buildController(CnfController& c, const QString& version = QStringLiteral("3.18"))
{
    CnfNative::initController(c, QStringLiteral("norvak"), version);
    addGroups(c, 1, 2);
    for (int i = 1; i <= 2; ++i) {
        auto device = addDevice(c, i, i);
        device->type = CnfPowerDevice::Key;
        device->color = 0;
        device->lampCount = 2;
    }
    addNumbered(c, &CnfController::addPhase, 1, 1);
    c.phases().first()->signalGroups = {c.findSG(1)};
    addPrograms(c, 1, 1);
    addNumbered(c, &CnfController::addDayCard, 1, 1);
    c.dayCards().first()->addRecord(QTime(6, 0), c.programs().first(), {});
}

Mutation setting(const char* key, const QVariant& value)
{ return [key, value](CnfController& c) { c.setNativeData(QLatin1String(key), value); }; }

// Written by the adapter of the controller's version.
QByteArray saved(CnfController& c, QString* error = nullptr)
{
    auto adapter = adapterOf(versionNumber(c));
    const QByteArray image = adapter->save(c);
    if (error)
        *error = adapter->lastError();
    return image;
}

// Special days as sorted "dd.MM" texts: their years differ between formats.
QStringList dayAndMonthTexts(const CnfController& c)
{
    QStringList texts;
    for (const QDate& date : c.specialDays().keys())
        texts << date.toString(QStringLiteral("dd.MM"));
    texts.sort();
    return texts;
}

// Each program as its id, record and "phase:length" steps.
QStringList programTexts(const CnfController& c)
{
    QStringList texts;
    for (const auto& program : c.programs()) {
        texts << program->id + ' ' + program->data().toHex();
        for (int i = 0; i < program->phaseCount(); ++i)
            texts.last() += QStringLiteral(" %1:%2").arg(program->phaseDefAt(i)->id()).arg(program->phaseDefAt(i)->length());
    }
    return texts;
}

QByteArray fullWith(Image::Section s, const QByteArray& section)
{
    Image image = Image::full();
    image.sections[s] = section;
    return image.build();
}

QVariantList pairs(const QList<int>& intervals, int attempts)
{
    QVariantList out;
    for (int i : intervals)
        out.append(QVariant(QVariantList {i, attempts}));
    return out;
}

QVariantList unsetList(QVariantList list, int size)
{
    while (list.size() < size)
        list.append(QVariant());
    return list;
}

// Reads `image`, moves the controller to `version` and writes it there.
QByteArray converted(const QByteArray& image, const QString& version, CnfController& c, QString* error)
{
    auto source = loaded(image);
    if (!source || !source->createController(c))
        return {};
    CnfNative::initController(c, QStringLiteral("norvak"), version);
    return saved(c, error);
}

void limitRow(const char* name, const QString& version, const Mutation& mutate, const QString& error)
{
    QTest::newRow(name) << version << mutate << error;
}

} // namespace

class TestNorvak3x : public QObject
{
    Q_OBJECT

private slots:
    void rejections_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        const QString tooSmall = QStringLiteral("Файл конфигурации слишком маленький");
        const QString badVersion = QStringLiteral("Неправильная версия файла конфигурации");
        const QByteArray valid = Image::full().build();
        QTest::newRow("empty") << QByteArray() << tooSmall;
        QTest::newRow("39 bytes") << valid.left(39) << tooSmall;
        QTest::newRow("checksum beyond the end") << valid.left(101).replace(38, 2, Image::word(100)) << tooSmall;
        QTest::newRow("header word beyond the end")
            << QByteArray(valid).replace(6, 2, Image::word(valid.size() + 1)) << "Заголовок имеет неверный формат";
        QTest::newRow("version 319") << fullWith(
            Image::Title, Image::title(1, {}, "12:30/01.02.2020", "08:15/03.04.2021", 319)) << badVersion;
        // the title's index runs past the end
        QTest::newRow("version element outside") << QByteArray(valid).replace(0, 2, Image::word(valid.size() - 2)) << badVersion;
        // no adapter takes a 3.15 title of seven elements, or a 3.14 title of another size
        Image seven = Image::full(315), longer = Image::full(314);
        seven.sections[Image::Title][0] = 7;
        longer.sections[Image::Title].append(char(0));
        QTest::newRow("3.15 title of seven elements") << seven.build() << badVersion;
        QTest::newRow("3.14 title one byte longer") << longer.build() << tooSmall;
        const Image full = Image::full();
        auto with = [&full](Image::Section s, int at, int value) {
            Image image = full;
            image.sections[s][at] = char(value);
            return image.build();
        };
        const QString badCard = QStringLiteral("В суточной карте 1 указан%1");
        // records start at byte 2 of a counted section
        QTest::newRow("key address 200") << with(Image::Groups, 2 + 6, 200)
                                         << "СГ 1 содержит неверную ссылку на устройство по адресу 200";
        QTest::newRow("key without device") << with(Image::Groups, 2 + 6, 9)
                                            << "СГ 1 содержит неверную ссылку на устройство по адресу 9";
        QTest::newRow("intergreen group") << with(Image::Intergreens, 2, 9) << "Неверная ссылка на СГ 9 в таблице ромтактов";
        QTest::newRow("conflict group") << with(Image::Conflicts, 2, 9) << "Неверная ссылка на СГ 9 в таблице конфликтов";
        QTest::newRow("phase group index") << with(Image::Phases, 2 + 4, 5) << "Неправильный индекс СГ 5 в фазе 1";
        QTest::newRow("day card program") << with(Image::DayCards, 2 + 1, 5) << badCard.arg("а несуществующая программа 255");
        QTest::newRow("day card reserve") << with(Image::DayCards, 2 + 2, 7)
                                          << badCard.arg("а несуществующая резервная программа 255");
        QTest::newRow("day card time") << with(Image::DayCards, 2 + 3, 25) << badCard.arg("о неправильное значение времени 25:0");
        QTest::newRow("week card") << with(Image::Week, 2 + 3, 4)
                                   << "В недельном распределении задан неверный номер суточной карты - 255";
        QTest::newRow("time format") << fullWith(Image::Title, Image::title(1, {}, "12:30 01.02.2020"))
                                     << "Invalid creation/modification time format";
        QTest::newRow("records past the end") << with(Image::Phases, 0, 200)
                                              << "Раздел \"Фазы\" выходит за пределы файла конфигурации";

        // A title moved behind the checksum, its last text without a zero byte.
        const QByteArray moved = QByteArray(valid).replace(0, 2, Image::word(valid.size()));
        QByteArray title = Image::title(1, QStringLiteral("x"));
        QTest::newRow("text without zero") << moved + title.left(title.size() - 1)
                                           << "Текст в разделе \"Параметры заголовка\" не завершён нулевым байтом";
        title[2] = char(250); // element 2 beyond the end
        QTest::newRow("element outside") << moved + title << "Раздел \"Параметры заголовка\" выходит за пределы файла конфигурации";
    }

    // Images the adapter refuses: the container on loading, the content on reading.
    void rejections()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        auto adapter = loaded(Image::full().build());
        const bool loads = adapter->load(bytes);
        QCOMPARE(loaded(bytes).isNull(), !loads);
        CnfController c;
        if (loads)
            QVERIFY(!adapter->createController(c));
        QCOMPARE(adapter->lastError(), error);
        // a failed load and a malformed time drop the image
        const bool drops = !loads || QTest::currentDataTag() == QLatin1String("time format");
        QVERIFY(!adapter->createController(c));
        QCOMPARE(adapter->lastError(), drops ? QStringLiteral("Пустые данные") : error);
        if (drops) {
            QVERIFY(!adapter->checkCRC());
            QCOMPARE(adapter->lastError(), QStringLiteral("Пустые данные"));
        }
        QCOMPARE(adapter->version(), QStringLiteral("3.18"));
    }

    // A wrong checksum is reported but does not stop reading.
    void checksum()
    {
        QCOMPARE(Image::checksum("abc", 3), quint16(0x0556));
        QByteArray bytes = Image::full().build();
        QVERIFY(loaded(bytes)->checkCRC());
        bytes[45] = char(bytes.at(45) ^ 1);
        bytes.replace(2 * 18, 2, Image::word(bytes.size())); // the derived block is never read
        auto adapter = loaded(bytes);
        QVERIFY(!adapter->checkCRC());
        QCOMPARE(adapter->lastError(), QStringLiteral("Неправильная контрольная сумма в файле конфигурации"));
        CnfController c;
        QVERIFY2(adapter->createController(c), qPrintable(adapter->lastError()));
    }

    void readImages_data() { versionRows(); }
    // Every section of each version, read from images laid out by hand.
    void readImages()
    {
        QFETCH(int, version);
        const QVariant unset;
        const QVariantMap common {{"journalDetail", 2}, {"powerSwitch", 1}, {"maxCurrent", 10}, {"dt_module1", 3},
            {"dt_module4", 6}, {"asudd_allowedInactivity", 30}, {"mgr_length", 9}, {"startup_yf", 5}, {"startup_rr", 3},
            {"table_flip", unset}};
        QMap<int, QVariantMap> natives {{314, common}};
        natives[314].insert({{"creationTime", "03.05.2021 14:00"}, {"changeTime", "04.04.2021 08:00"}, {"receiver", true},
            {"priority_skip", true}, {"vpu2", unset}, {"tsku_addr", 4}, {"asudd_priority_on_vpu", unset},
            {"vpu_phases", unsetList({1, 2}, 5)}, {"useKey", unset}, {"errorControl", pairs({1, 2, 3, 4, 6}, 3)},
            {"dtStatPeriod", 15}, {"dtStat314", unsetList({1, 2, unset, 3}, 16)}, {"dtStat317", unset},
            {"sync_frequency", unset}, {"countDownTable", unset}, {"interstateVariantCount", 4}});
        natives[315] = natives[314];
        const QVariantMap countdown {{"sg", 3}, {"address", 40}, {"blinkingTime", 5}};
        natives[315].insert({{"creationTime", "01.02.2020 12:30"}, {"changeTime", "03.04.2021 08:15"},
            {"asudd_priority_on_vpu", true}, {"sync_frequency", 1000}, {"sync_timezoneCorrection", -4},
            {"countDownTable", QVariantList({countdown})}});
        natives[316] = natives[315];
        natives[316].insert({{"receiver", 2}, {"vpu2", false}, {"priority_skip", unset},
            {"vpu_phases", unsetList({1, 2}, 8)}, {"allowedInactivity", 10}, {"useKey", true},
            {"vpu_requests", unsetList({true, false}, 4)}, {"vpu_programs", unsetList({-56, 1}, 4)},
            {"vpu_interstateVariant", unset}, {"interstateVariantCount", 8}});
        natives[317] = natives[316];
        natives[317].insert({{"receiver", 1}, {"priority_skip", true}, {"ups", false}, {"asudd_prom_variant", 3},
            {"vpu_interstateVariant", 2}, {"errorControl", pairs({1, 2, 3, 4, 5, 6}, 3)}, {"dtStatPeriod", unset},
            {"dtStat314", unset}, {"dtGroupStatPeriod", 60}});
        natives[317].remove("dtStat317");
        natives[318] = {{"creationTime", "01.02.2020 12:30"}, {"changeTime", "03.04.2021 08:15"},
            {"interstateVariantCount", 6}, {"maxCurrent", 10}, {"table", true}, {"dt_module4", 6}, {"startup_yf", 5},
            {"asudd_prom_variant", 3}, {"sync_frequency", 1000}, {"vpu_interstateVariant", 2},
            {"vpu_phases", unsetList({1, 2}, 8)}, {"vpu_programs", unsetList({-56, 1}, 4)},
            {"vpu_requests", unsetList({true, false}, 4)}};

        auto adapter = adapterOf(version);
        QVERIFY(adapter->checkCRC());
        CnfController c;
        QVERIFY2(adapter->createController(c), qPrintable(adapter->lastError()));
        QVERIFY(adapter->warnings().isEmpty());
        QCOMPARE((QStringList {c.property("type").toString(), c.property("version").toString(), c.property("number").toString(),
                     c.property("description").toString()}),
            (QStringList {"norvak", versionText(version), "1234", version == 314 ? QString() : "Перекрёсток"}));
        const QVariantMap native = natives.value(version);
        for (auto it = native.constBegin(); it != native.constEnd(); ++it) {
            const QVariant actual = c.getNativeData(it.key());
            QVERIFY2(actual == it.value(), qPrintable(QStringLiteral("%1: %2").arg(it.key(), actual.toString())));
        }

        // groups: keys after number and type, detectors from 3.17 on
        const auto g1 = c.findSG(1);
        const auto card = c.findDayCard(QStringLiteral("1"));
        QCOMPARE((QList<int> {c.signalGroups().size(), g1->devices.size(), c.findPhase(QStringLiteral("2"))->signalGroups.size(),
                     c.programs().size(), card->records.size(), c.specialDays().size(), c.weekCards().size()}),
            (QList<int> {3, 2, 2, 2, 2, 2, 1}));
        const auto key = g1->devices.at(0);
        QCOMPARE((QList<int> {key->address, key->color, key->lampCount}), (QList<int> {0, 2, 3}));
        QCOMPARE(g1->devices.at(1)->lampCount, 2);
        QCOMPARE(g1->detectors, version >= 317 ? (QList<int> {7, 8, 255, 255}) : QList<int>());
        // variant 1 and the last variant the record holds; 10, 7, 4, 1, 3, 2 are the sums of the clearing steps
        const int last = version == 318 ? 3 : Image::storedVariants(version);
        QCOMPARE(g1->variantTimes.keys(), (QList<int> {1, last}));
        const CnfSGTimes t = g1->variantTimes.value(1);
        QCOMPARE((QList<int> {t.greenAdd1, t.greenBlink, t.yellow, t.redAdd, t.yellowRed, t.greenAdd2}),
            (QList<int> {3, 3, 3, 1, 1, 2}));
        QCOMPARE(int(g1->variantTimes.value(last).yellow), 3);
        QCOMPARE(c.findSG(2)->variantTimes.keys(), QList<int> {2});
        QCOMPARE(c.programs().at(1)->id, QStringLiteral("-56")); // program number 200
        QCOMPARE(c.programs().at(1)->data().size(), Image::recordSize(version, Image::Programs));
        // 3.14 day cards have no reserve program
        QCOMPARE(card->records.first().reserveProgram.isNull(), version == 314);
        QCOMPARE(card->records.lastKey(), QTime(22, 30));

        // sections that hold no record leave their settings unset
        Image minimal = Image::minimal(version);
        const int kinds = Image::recordSize(version, Image::ErrorControl);
        minimal.sections[Image::ErrorControl] = Image::counted(kinds, {QByteArray(kinds, 1)}); // one record of two
        auto bare = loaded(minimal.build());
        QCOMPARE(bare->version(), versionText(version));
        CnfController m;
        QVERIFY2(bare->createController(m), qPrintable(bare->lastError()));
        for (const char* key : {"receiver", "startup_yf", "sync_frequency", "useKey", "vpu_phases",
                 "asudd_allowedInactivity", "errorControl", "dtStat317", "dtStat314", "countDownTable"})
            QVERIFY2(!m.getNativeData(QLatin1String(key)).isValid(), key);
        QVERIFY(m.weekCards().isEmpty());
        if (version != 318)
            return;

        QCOMPARE(c.powerDevices().size(), 4);
        QCOMPARE((QList<CnfSignalGroup::Type> {c.findSG(2)->getType(), c.findSG(3)->getType()}),
            (QList<CnfSignalGroup::Type> {CnfSignalGroup::Pedestrian, CnfSignalGroup::Arrow}));
        QCOMPARE(c.conflictMatrix()->content().size(), 2);
        QCOMPARE(c.conflictMatrix()->releaf(g1, c.findSG(2)), 0.0);
        QVERIFY(qIsNaN(c.conflictMatrix()->releaf(g1, c.findSG(3))));
        QCOMPARE((QList<int> {c.findPhase(QStringLiteral("2"))->minLength, c.findPhase(QStringLiteral("1"))->maxLength}),
            (QList<int> {-1, 60}));
        const auto p200 = c.findProgram(QStringLiteral("-56"));
        QCOMPARE(card->records.value(QTime(6, 0)).reserveProgram, p200);
        QCOMPARE(card->records.value(QTime(22, 30)).program, p200);
        QVERIFY(!card->records.value(QTime(22, 30)).reserveProgram);
        // week 0,0,0,0,0,1,1: Monday and Saturday only
        const auto& days = c.weekCards().first()->days;
        QCOMPARE(days.keys(), (QList<Qt::DayOfWeek> {Qt::Monday, Qt::Saturday}));
        QCOMPARE(days.value(Qt::Saturday), c.findDayCard(QStringLiteral("2")));
        QCOMPARE(
            c.specialDays().value(QDate(QDate::currentDate().year(), 5, 9))->dayCard, c.findDayCard(QStringLiteral("2")));
        QCOMPARE(c.getNativeData("errorControl").toList().at(5), QVariant(QVariantList {6, 3}));
        QCOMPARE(c.getNativeData("dtStat317").toList().at(1), QVariant(unsetList({3}, 8)));
        const QVariantMap countdown318 = c.getNativeData("countDownTable").toList().value(0).toMap();
        QCOMPARE((QList<int> {countdown318.value("sg").toInt(), countdown318.value("count").toInt()}), (QList<int> {1, 2}));
    }

    void roundTrip_data() { versionRows(); }
    // Read and written again: the same bytes but the stamped change time, the recomputed derived block and the checksum.
    void roundTrip()
    {
        QFETCH(int, version);
        const Image source = Image::full(version);
        const QByteArray original = source.build();
        auto adapter = loaded(original);
        CnfController c;
        QVERIFY2(adapter->createController(c), qPrintable(adapter->lastError()));
        const QByteArray written = adapter->save(c);
        QVERIFY2(!written.isEmpty(), qPrintable(adapter->lastError()));
        QCOMPARE(written.size(), original.size());
        QCOMPARE(written.left(40), original.left(40));
        for (int i = 0; i < Image::headerIndex(version, Image::Derived); ++i) {
            QByteArray expected = source.sections.at(i);
            QByteArray actual = Image::section(written, i);
            if (i == Image::Title) { // the change time
                const int at = version == 314 ? 14 : quint8(expected.at(8));
                expected.remove(at, version == 314 ? 4 : 16);
                actual.remove(at, version == 314 ? 4 : 16);
            }
            QCOMPARE(actual.toHex(' '), expected.toHex(' '));
        }
        const QByteArray derived = Image::section(written, Image::headerIndex(version, Image::Derived));
        QCOMPARE(derived.size(), 199 + 8 * 3);
        QCOMPARE(derived.mid(219, 2), Image::word(1234));
        QVERIFY(loaded(written)->checkCRC());
        if (version != 318)
            return;
        const QString stamp = c.getNativeData("changeTime").toString();
        QVERIFY(QDateTime::fromString(stamp, QStringLiteral("dd.MM.yyyy hh:mm")).isValid());
        // group 1 conflicts with column 1, group 2 with column 0, group 3 with none
        QCOMPARE((QList<int> {derived.at(0), derived.at(4), derived.at(8)}), (QList<int> {0x02, 0x01, 0x00}));
        QCOMPARE(derived.mid(128, 3), Image::bytes({0x11, 0x04, 0x20})); // device types, two per byte
        QCOMPARE(derived.mid(192, 3), Image::word(221) + Image::bytes({3}));
        // group 1, device at address 0: red (code 2), 3 lamps, controlled lamps
        QCOMPARE(derived.mid(195, 2), Image::word(0x80 | (2 << 8) | (3 << 10) | (3 << 13)));
        QCOMPARE(derived.mid(195 + 4, 4), Image::word(0xFFFF) + Image::word(0xFFFF));
        QCOMPARE(derived.mid(221, 2), Image::word(Image::checksum(derived, 221)));
    }

    // What the model once lost on the way to a project and back: a pedestrian program whose last phase
    // field has no duration, a device type without a name, and a special day on 29 February.
    void projectConversion()
    {
        Image source = Image::full();
        QList<QByteArray>& s = source.sections;
        // pedestrian: phase 1 for 20 s, call phase 2 for 10 s, phase 1 again without a duration
        s[Image::Programs] = Image::counted(63, {Image::record(63, {1, 3, 1, 1, 255, 255, 255, 0, 20, 1, 10, 255, 255,
            255, 255, 255, 0}), Image::record(63, {200, 0, 1})});
        s[Image::Power][2 * 3] = char(60);
        s[Image::SpecialDays] = Image::counted(3, {Image::bytes({0, 1, 1}), Image::bytes({0, 29, 2}),
            Image::bytes({1, 9, 5})});
        auto adapter = loaded(source.build());
        CnfController c;
        QVERIFY2(adapter->createController(c), qPrintable(adapter->lastError()));
        QVERIFY(adapter->warnings().isEmpty());
        const auto pedestrian = c.findProgram(QStringLiteral("1"));
        QCOMPARE(pedestrian->phaseCount(), 3);
        QCOMPARE(pedestrian->phases().last()->length(), -1);
        QCOMPARE(c.findPowerDeviceByAddress(3)->type, CnfPowerDevice::Type(60));
        QCOMPARE(CnfPowerDevice::type2String(CnfPowerDevice::Type(60), true), QStringLiteral("Тип 60"));
        QCOMPARE(dayAndMonthTexts(c), (QStringList{"01.01", "09.05", "29.02"}));

        const QByteArray project = c.save(-1);
        QVERIFY2(!project.isEmpty(), qPrintable(c.lastError()));
        CnfController r;
        QVERIFY2(r.load(project, true), qPrintable(r.lastError()));
        QCOMPARE(programTexts(r), programTexts(c));
        QCOMPARE(r.findPowerDeviceByAddress(3)->type, CnfPowerDevice::Type(60));
        QCOMPARE(dayAndMonthTexts(r), dayAndMonthTexts(c));

        // The derived block keeps a device type in 4 bits.
        QString error;
        QVERIFY(saved(r, &error).isEmpty());
        QCOMPARE(error, QStringLiteral("Устройство 3 по адресу 3 имеет тип 60: образ хранит типы устройств от 0 до 15"));
        r.findPowerDeviceByAddress(3)->type = CnfPowerDevice::Type(15);
        const QByteArray image = saved(r, &error);
        QVERIFY2(!image.isEmpty(), qPrintable(error));
        QCOMPARE(Image::section(image, Image::SpecialDays).toHex(' '), s[Image::SpecialDays].toHex(' '));
        QCOMPARE(Image::section(image, Image::Programs).toHex(' '), s[Image::Programs].toHex(' '));
        QCOMPARE(Image::section(image, Image::Power).at(2 * 3), char(15));
    }

    void writerLimits_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<Mutation>("mutate");
        QTest::addColumn<QString>("error");
        const QString v18 = QStringLiteral("3.18");
        limitRow("no groups", v18, [](CnfController& c) { for (const auto& g : c.signalGroups()) c.removeSignalGroup(g->id); },
            "Для работы контроллера необходимо минимум 2 сигнальные группы");
        limitRow("33 groups", v18, [](CnfController& c) { addGroups(c, 3, 33); },
            "Число заданных сигнальных групп 33 превышает максимально допустимое 32");
        limitRow("5 devices", v18, [](CnfController& c) { for (int a = 10; a < 14; ++a) addDevice(c, a, 1); },
            "В сигнальной группе 1 назначено 5 ключей. Возможно не более 4");
        limitRow("device in group 33", v18, [](CnfController& c) { addGroups(c, 3, 33); addDevice(c, 20, 33); },
            "В устройстве по адресу 20 неверная ссылка на сигнальную группу");
        limitRow("9 devices", v18, [](CnfController& c) { for (int a = 10; a < 18; ++a) addDevice(c, a, 1); },
            "В устройстве 17 неверная ссылка на привязку в сигнальной группе 1");
        limitRow("device type 16", v18, [](CnfController& c) { c.findSG(1)->devices.first()->type = CnfPowerDevice::Type(16); },
            "Устройство 1 по адресу 1 имеет тип 16: образ хранит типы устройств от 0 до 15");
        limitRow("key address 130", v18, [](CnfController& c) { c.findSG(1)->devices.first()->address = 130; },
            "Значение СГ 1, устройство по адресу 130 = 130 выходит за разрешённые пределы [0;127]");
        limitRow("no phases", v18, [](CnfController& c) { c.removePhase(QStringLiteral("1")); },
            "Для работы контроллера необходимо минимум 1 фаза");
        limitRow("17 phases", v18, [](CnfController& c) { addNumbered(c, &CnfController::addPhase, 2, 17); },
            "Число заданных фаз 17 превышает максимально допустимое 16");
        limitRow("phase id", v18, [](CnfController& c) { c.findPhase(QStringLiteral("1"))->id = QStringLiteral("A"); },
            "Фаза A имеет недопустимый идентификатор. Возможно использование только чисел");
        for (int groups : {21, 17}) {
            const QString version = groups == 21 ? v18 : QStringLiteral("3.14");
            QTest::newRow(qPrintable(QStringLiteral("%1 phase of %2 groups").arg(version).arg(groups))) << version
                << Mutation([groups](CnfController& c) {
                       auto phase = c.findPhase(QStringLiteral("1"));
                       while (phase->signalGroups.size() < groups)
                           phase->signalGroups.append(c.findSG(2));
                   })
                << QStringLiteral("Фаза 1 содержит %1 сигнальных групп. Возможно не более %2").arg(groups).arg(groups - 1);
        }
        limitRow("no programs", v18, [](CnfController& c) { c.removeProgram(QStringLiteral("1")); },
            "Для работы контроллера необходима хотя бы 1 программа");
        limitRow("17 programs", v18, [](CnfController& c) { addPrograms(c, 2, 17); },
            "Число заданных программ 17 превышает максимально допустимое 16");
        // each version's own program record size
        for (const auto& size : QList<QPair<QString, int>> {{v18, 62}, {"3.16", 63}, {"3.17", 62}})
            limitRow(qPrintable(QStringLiteral("%1 %2-byte program").arg(size.first).arg(size.second)), size.first,
                [size](CnfController& c) { c.findProgram(QStringLiteral("1"))->setData(Image::record(size.second, {1, 0})); },
                QStringLiteral("В программе 1 данные НОРВАК неправильного размера - %1 (должно быть %2)")
                    .arg(size.second).arg(size.second == 62 ? 63 : 62));
        limitRow("phase length", v18, [](CnfController& c) {
            auto phase = c.findPhase(QStringLiteral("1"));
            phase->minLength = 5;
            phase->maxLength = 20;
            c.findProgram(QStringLiteral("1"))->appendPhase(phase, 30);
        }, "В программе 1 длительность фазы 1 = 30 выходит за разрешённые пределы [5;20]");
        limitRow("17 day cards", v18, [](CnfController& c) { addNumbered(c, &CnfController::addDayCard, 2, 17); },
            "Число заданных суточных карт 17 превышает максимально допустимое 16");
        limitRow("8 records", v18, [](CnfController& c) {
            for (int h = 10; h < 17; ++h)
                c.dayCards().first()->addRecord(QTime(h, 0), c.programs().first(), {});
        }, "Суточная карта 1 содержит 8 записей. Возможно не более 7");
        limitRow("day card id", v18, [](CnfController& c) { c.dayCards().first()->id = QStringLiteral("x"); },
            "Суточная карта x имеет недопустимый идентификатор. Возможно использование только чисел");
        limitRow("record without program", v18, [](CnfController& c) {
            c.dayCards().first()->addRecord(QTime(7, 5), rawProgram(QStringLiteral("9"), Image::record(63, {9, 0, 1})), {});
        }, "Суточная карта 1 содержит ссылку на несуществующую программу для времени 07:05");
        limitRow("2 week cards", v18, [](CnfController& c) { for (int i = 0; i < 2; ++i) c.addWeekCard(QSharedPointer<CnfWeekCard>::create()); },
            "Число заданных недельных карт 2 превышает максимально допустимое 1");
        limitRow("week card not listed", v18, [](CnfController& c) {
            auto week = QSharedPointer<CnfWeekCard>::create();
            week->days.insert(Qt::Tuesday, QSharedPointer<CnfDayCard>::create());
            c.addWeekCard(week);
        }, "Недельный план содержит ссылку на несуществующую суточную карту для дня недели 2");
        limitRow("17 special days", v18, [](CnfController& c) {
            for (int d = 1; d <= 17; ++d) {
                auto day = QSharedPointer<CnfSpecialDay>::create();
                day->dayCard = c.dayCards().first();
                c.addSpecialDay(QDate(2024, 1, d), day);
            }
        }, "Число заданных особых дней года 17 превышает максимально допустимое 16");
        limitRow("special day without card", v18, [](CnfController& c) { c.addSpecialDay(QDate(2024, 3, 8), QSharedPointer<CnfSpecialDay>::create()); },
            "Особые дни содержат ссылку на несуществующую суточную карту для даты 08.03");
        limitRow("special day card not listed", v18, [](CnfController& c) {
            auto day = QSharedPointer<CnfSpecialDay>::create();
            day->dayCard = QSharedPointer<CnfDayCard>::create();
            c.addSpecialDay(QDate(2024, 3, 8), day);
        }, "Особые дни содержат ссылку на несуществующую суточную карту для для даты 08.03");
        const QString tooManyPanelPhases = QStringLiteral("Число заданных фаз для ВПУ %1 превышает максимально допустимое %2");
        limitRow("9 VPU phases", v18, setting("vpu_phases", QVariantList {1, 1, 1, 1, 1, 1, 1, 1, 1}), tooManyPanelPhases.arg(9).arg(8));
        limitRow("3.16 panel of 9 phases", "3.16", setting("vpu_phases", unsetList({1}, 9)), tooManyPanelPhases.arg(9).arg(8));
        limitRow("3.15 panel of 6 phases", "3.15", setting("vpu_phases", QVariantList({1, {}, {}, {}, {}, 1})),
            tooManyPanelPhases.arg(6).arg(5));
        limitRow("VPU phase", v18, setting("vpu_phases", QVariantList {7}), "Параметры ВПУ содержат ссылку на несуществующую фазу 7");
        limitRow("VPU program", v18, setting("vpu_programs", QVariantList {{}, 5}),
            "Параметры ВПУ содержат ссылку на несуществующую программу 5");
        const QString errorSize = QStringLiteral("Неправильный размер данных в параметрах контроля ошибок %1 должно быть %2");
        limitRow("error control size", v18, setting("errorControl", QVariantList {1, 2}), errorSize.arg(2).arg(6));
        limitRow("3.16 six error pairs", "3.16", setting("errorControl", pairs({1, 2, 3, 4, 5, 6}, 3)), errorSize.arg(6).arg(5));
        limitRow("3.17 five error pairs", "3.17", setting("errorControl", pairs({1, 2, 3, 4, 5}, 3)), errorSize.arg(5).arg(6));
        limitRow("error control pair", v18, setting("errorControl", QVariantList {1, 2, 3, 4, 5, 6}),
            "Неправильная структура данных в параметрах контроля ошибок");
        limitRow("9 statistics groups", v18, setting("dtStat317", unsetList({}, 9)),
            "Неправильное количество групп статистики 9 должно быть 8");
        limitRow("9 statistics entries", v18, setting("dtStat317", QVariantList {QVariantList {1, 2, 3, 4, 5, 6, 7, 8, 9}}),
            "Неправильное количество записей статистики 9 должно быть 8");
        limitRow("3.14 17 statistics", "3.14", setting("dtStat314", unsetList({1}, 17)),
            "Неправильное количество записей статистики 17 должно быть 16");
        const QString tooManyPanels = QStringLiteral("Число заданных параметров табло ОО 17 превышает максимально допустимое 16");
        limitRow("17 countdown panels", v18, setting("countDownTable", QVector<QVariant>(17, QVariantMap {{"count", 1}}).toList()),
            tooManyPanels);
        limitRow("3.17 17 countdown panels", "3.17", setting("countDownTable", unsetList({}, 17)), tooManyPanels);
        limitRow("countdown group", v18, setting("countDownTable", QVariantList {QVariantMap {{"sg", 9}}}),
            "В параметрах табло ОО задан ссылка на несуществующую сигнальную группу 9");
        limitRow("byte value", v18, setting("maxCurrent", 300), "Значение maxCurrent = 300 выходит за разрешённые пределы [0;255]");
        limitRow("description", v18, [](CnfController& c) { c.setProperty("description", QString(230, 'x')); },
            "Описание контроллера слишком длинное: 230 байт, возможно не более 221");
        // algorithms beyond each version's layout
        for (const auto& algorithm : QList<QPair<QString, int>> {{"3.14", 9}, {"3.16", 23}, {"3.17", 26}, {v18, 28}})
            limitRow(qPrintable(QStringLiteral("%1 algorithm %2").arg(algorithm.first).arg(algorithm.second)), algorithm.first,
                [algorithm](CnfController& c) {
                    const int size = Image::recordSize(versionNumber(c), Image::Programs);
                    c.findProgram(QStringLiteral("1"))->setData(Image::record(size, {1, algorithm.second}));
                },
                QStringLiteral("Для программы 1 (тип %1) не найдено описание структуры в файле разметки").arg(algorithm.second));
        for (const auto& id : QList<QPair<QString, QString>> {{v18, "P"}, {"3.15", "256"}})
            limitRow(qPrintable(QStringLiteral("program id ") + id.second), id.first,
                [id](CnfController& c) { c.findProgram(QStringLiteral("1"))->id = id.second; },
                QStringLiteral("Программа %1 имеет недопустимый идентификатор. Возможно использование только чисел").arg(id.second));
        limitRow("200 and -56", "3.16", [](CnfController& c) {
            c.findProgram(QStringLiteral("1"))->id = QStringLiteral("200");
            c.addProgram(rawProgram(QStringLiteral("-56"), Image::record(62, {1, 0})));
        }, "Программы 200 и -56 имеют одинаковый номер -56");
    }

    void writerLimits()
    {
        QFETCH(QString, version);
        QFETCH(Mutation, mutate);
        CnfController c;
        buildController(c, version);
        QString message;
        QVERIFY2(!saved(c, &message).isEmpty(), qPrintable(message));
        mutate(c);
        QVERIFY(saved(c, &message).isEmpty());
        QTEST(message, "error");
    }

    void weekGaps_data()
    {
        QTest::addColumn<QList<int>>("days"); // day, card position pairs
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("Monday A, Thursday B") << QList<int> {1, 0, 4, 1} << Image::bytes({0, 0, 0, 1, 1, 1, 1});
        QTest::newRow("Wednesday C") << QList<int> {3, 2} << Image::bytes({2, 2, 2, 2, 2, 2, 2});
        QTest::newRow("Saturday B wraps") << QList<int> {2, 0, 6, 1} << Image::bytes({1, 0, 0, 0, 0, 1, 1});
    }

    void weekGaps()
    {
        QFETCH(QList<int>, days);
        QFETCH(QByteArray, written);
        CnfController c;
        buildController(c);
        addNumbered(c, &CnfController::addDayCard, 2, 3);
        auto week = QSharedPointer<CnfWeekCard>::create();
        for (int i = 0; i < days.size(); i += 2)
            week->days.insert(Qt::DayOfWeek(days.at(i)), c.dayCards().at(days.at(i + 1)));
        c.addWeekCard(week);
        QCOMPARE(Image::section(saved(c), Image::Week), Image::bytes({1, 7}) + written);
    }

    // Settings the writers turn into other bytes than they got.
    void writtenValues()
    {
        CnfController c;
        buildController(c);
        c.findPhase(QStringLiteral("1"))->minLength = 0;
        c.findPhase(QStringLiteral("1"))->maxLength = 40;
        c.setNativeData("sync_timezoneCorrection", -4);
        QByteArray image = saved(c);
        QCOMPARE(Image::section(image, Image::Phases).mid(2, 4), Image::bytes({1, 255, 40, 0}));
        // A key belongs to the last group that lists it, at its first place
        // there; a device whose address a later one took is not written.
        CnfController keys;
        buildController(keys);
        const auto first = keys.findPowerDeviceByAddress(1);
        keys.findSG(2)->devices << first << first;
        const auto later = addDevice(keys, 3, 1);
        later->type = CnfPowerDevice::Key;
        later->address = 2;
        QCOMPARE(Image::section(saved(keys), Image::Power).mid(2, 4), Image::bytes({1, 32 + 1, 1, 32 + 0}));
        QCOMPARE(Image::section(image, Image::Synchronizer), Image::bytes({4, 5, 7, 8, 9, 255, 255, 255, 20, 255}));
        QCOMPARE(Image::section(image, Image::RemotePanel), Image::bytes({0, 19})); // no VPU setting
        QCOMPARE(Image::section(image, Image::Statistics), Image::bytes({0, 66}));
        QCOMPARE(Image::section(image, Image::ErrorControl), Image::bytes({2, 6}) + QByteArray(12, 0));
        // no creation time, or one that would not read back: the current time
        for (const QString& creation : {QString(), QStringLiteral("01.02.2020 1/2")}) {
            c.setNativeData("creationTime", creation);
            const QByteArray title = Image::section(saved(c), Image::Title);
            const QString created = QString::fromLatin1(title.mid(quint8(title.at(7)), 16));
            QVERIFY(QDateTime::fromString(created, QStringLiteral("hh:mm/dd.MM.yyyy")).isValid());
        }
        c.setNativeData("sync_timezoneCorrection", 3);
        c.setNativeData("allowedInactivity", 5);
        image = saved(c);
        QCOMPARE(Image::section(image, Image::Synchronizer).at(8), char(3));
        QCOMPARE(Image::section(image, Image::RemotePanel), Image::record(21, {1, 19, 5, 1})); // useKey defaults to 1

        // 3.16 offers eight variants and stores the first four
        CnfController c16;
        buildController(c16, QStringLiteral("3.16"));
        for (int v = 1; v <= 8; ++v) {
            CnfSGTimes times;
            times.greenAdd1 = quint8(v);
            times.greenBlink = times.yellow = times.redAdd = times.yellowRed = times.greenAdd2 = 0;
            c16.findSG(1)->variantTimes.insert(v, times);
        }
        // a renumbered program is written under its new number
        c16.findProgram(QStringLiteral("1"))->id = QStringLiteral("-56");
        image = saved(c16);
        const QByteArray intergreens = Image::section(image, Image::Intergreens);
        QCOMPARE(intergreens.size(), 2 + 2 * 25);
        for (int v = 1; v <= 4; ++v)
            QCOMPARE(int(intergreens.at(2 + 1 + 6 * (v - 1))), v);
        QCOMPARE(Image::section(image, Image::Programs).mid(2, 2), Image::bytes({200, 0}));
        QCOMPARE(Image::section(image, Image::Countdown), Image::bytes({0, 3}));

        // 3.14: unset title words are 65535, times are numbers
        CnfController old;
        buildController(old, QStringLiteral("3.14"));
        old.setProperty("number", 77);
        old.setNativeData("maxCurrent", 300); // a word in 3.14
        old.setNativeData("creationTime", "09.10.2019 07:45");
        image = saved(old);
        // title .. day cards, three empty sections, central and error control, start-up, statistics, derived, checksum
        QCOMPARE(image.size(), 40 + 18 + 256 + (2 + 8) + (2 + 2 * 18) + (2 + 2 * 33) + (2 + 2 * 25) + (2 + 19)
                + (2 + 62) + (2 + 22) + 3 * 2 + (2 + 7) + (2 + 2 * 5) + (2 + 2) + 2 + (199 + 8 * 2) + 2);
        QByteArray title = Image::section(image, Image::Title);
        QCOMPARE(title.left(14), Image::word(77) + Image::word(0xFFFF) + Image::word(0xFFFF) + Image::word(300)
                + Image::word(314) + Image::bytes({7, 9, 10, 19}));
        const QDateTime now = QDateTime::currentDateTime();
        QCOMPARE(title.mid(15, 3), Image::bytes({now.date().day(), now.date().month(), now.date().year() - 2000}));
        QCOMPARE(old.getNativeData("changeTime").toString().left(10), now.toString(QStringLiteral("dd.MM.yyyy")));
        // a year the byte cannot hold is replaced by the current one
        for (const char* creation : {"09.10.1985 07:45", "09.10.2095 07:45"}) {
            old.setNativeData("creationTime", QString::fromLatin1(creation));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Год (1985|2095) ")));
            title = Image::section(saved(old), Image::Title);
            QCOMPARE(title.mid(10, 4), Image::bytes({7, 9, 10, now.date().year() - 2000}));
        }
    }

    void sizeLimit()
    {
        CnfController c;
        buildController(c);
        addGroups(c, 3, 32);
        addPrograms(c, 2, 3);
        const int base = saved(c).size();
        QVERIFY(base > 4080 - 200 && base <= 4080);
        c.setProperty("description", QString(4080 - base, 'x'));
        QCOMPARE(saved(c).size(), 4080);
        c.setProperty("description", QString(4081 - base, 'x'));
        QString error;
        QVERIFY(saved(c, &error).isEmpty());
        QCOMPARE(error, QStringLiteral("Размер полученной конфигурации превышает 4080 байт"));
    }

    void dynamicProgram_data() { versionRows(); }
    // The dynamic program of each version.
    void dynamicProgram()
    {
        QFETCH(int, version);
        auto adapter = adapterOf(version);
        CnfController c;
        QVERIFY(adapter->createController(c));
        const int size = Image::recordSize(version, Image::Programs);
        QCOMPARE(adapter->createDynamicProgram(c, {}), Image::record(size, {1, 0, 2})); // the first program
        QCOMPARE(quint8(adapter->createDynamicProgram(c, c.findProgram(QStringLiteral("-56"))).at(0)), quint8(200));
        auto program = c.programs().first();
        program->id = QStringLiteral("9");
        QCOMPARE(adapter->createDynamicProgram(c, program), Image::record(size, {9, 0, 2}));
        // the record must have the version's own size
        const int other = size == 62 ? 63 : 62;
        program->setData(Image::record(other, {9, 0}));
        QVERIFY(adapter->createDynamicProgram(c, program).isEmpty());
        QCOMPARE(adapter->lastError(),
            QStringLiteral("В программе 9 данные НОРВАК неправильного размера - %1 (должно быть %2)").arg(other).arg(size));
        // the decoder's refusal is the adapter's error
        program->setData(Image::record(size, {9, 40}));
        QVERIFY(adapter->createDynamicProgram(c, program).isEmpty());
        QCOMPARE(adapter->lastError(),
            QStringLiteral("Для программы 9 (тип 40) не найдено описание структуры в файле разметки"));
        program->type = CnfProgram::Timer;
        QVERIFY(adapter->createDynamicProgram(c, program).isEmpty());
        QCOMPARE(adapter->lastError(),
            QStringLiteral("Неподдерживаемый тип программы %1").arg(CnfProgram::typeName(CnfProgram::Timer, true)));
        CnfController empty;
        QVERIFY(adapter->createDynamicProgram(empty, {}).isEmpty());
        QCOMPARE(adapter->lastError(), QStringLiteral("У контроллера нет программ"));
    }

    // Saving picks the writer by type and version and replaces the file only when the image is complete.
    void files()
    {
        auto adapter = loaded(Image::full().build());
        QVERIFY(!adapter->load(QStringLiteral("/nonexistent/image.bin")));
        QVERIFY(adapter->lastError().startsWith(QStringLiteral("Error opening /nonexistent/image.bin: ")));

        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("kept.bin"));
        QVERIFY(writeFile(file, "old contents"));

        CnfController c;
        QString error;
        c.setProperty("type", QStringLiteral("norvak"));
        c.setProperty("version", QStringLiteral("3.19"));
        QVERIFY(!CnfNative::save(file, c, nullptr));
        QVERIFY(!CnfNative::save(file, c, &error));
        QCOMPARE(error, QStringLiteral("Unsupported version of configuration: 3.19"));
        CnfController none;
        QVERIFY(!CnfNative::save(file, none, &error));
        QCOMPARE(error, QStringLiteral("Unsupported type of configuration: "));
        CnfController noPhase;
        buildController(noPhase);
        noPhase.removePhase(QStringLiteral("1"));
        QVERIFY(!CnfNative::save(file, noPhase, &error));
        QCOMPARE(error, QStringLiteral("Для работы контроллера необходимо минимум 1 фаза"));
        QCOMPARE(readFile(file), QByteArray("old contents"));

        CnfController valid;
        buildController(valid);
        QVERIFY2(CnfNative::save(file, valid, &error), qPrintable(error));
        QVERIFY(CnfNative::loadNativeConfig(file)->checkCRC());
        QVERIFY(!CnfNative::save(dir.filePath(QStringLiteral("missing/x.bin")), valid, &error));
        QVERIFY2(error.startsWith(QStringLiteral("Unable to open file '")), qPrintable(error));
    }

    void sectionValues_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("section");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("warning");
        // the numeric times of 3.14: never rejected, an impossible date is not set
        auto created = [](const char* name, const QByteArray& time, const QVariant& value, const char* warning = "") {
            QTest::newRow(name) << 314 << int(Image::Title)
                                << Image::fixedTitle(7, time, Image::bytes({255, 255, 255, 255}), 0xFFFF)
                                << "creationTime" << value << QString::fromUtf8(warning);
        };
        created("2021", Image::bytes({14, 3, 5, 21}), "03.05.2021 14:00");
        created("1995", Image::bytes({0, 31, 12, 95}), "31.12.1995 00:00");
        created("2089", Image::bytes({23, 1, 1, 89}), "01.01.2089 23:00");
        created("not set", Image::bytes({255, 255, 255, 255}), {});
        created("30 February", Image::bytes({1, 30, 2, 21}), {}, "Неправильное значение времени в заголовке: 1 ч 30.2.21");
        created("hour 24", Image::bytes({24, 1, 2, 21}), {}, "Неправильное значение времени в заголовке: 24 ч 1.2.21");
        QTest::newRow("journal word 65535") << 314 << int(Image::Title) << Image::fixedTitle(7, Image::bytes({14, 3, 5, 21}), Image::bytes({8, 4, 4, 21}), 0xFFFF) << "journalDetail"
                                            << QVariant() << QString();
        for (const auto& zone : QList<QPair<int, QVariant>> {{20, -4}, {12, 12}, {255, {}}})
            QTest::newRow(qPrintable(QStringLiteral("timezone %1").arg(zone.first))) << 318 << int(Image::Synchronizer)
                << Image::indexed({Image::word(1), Image::bytes({0}), Image::bytes({zone.first}), Image::bytes({0})})
                << "sync_timezoneCorrection" << zone.second << QString();
        // a special day that cannot be read is left out with a word, the other one kept
        for (const auto& day : QList<QPair<QByteArray, QString>> {{Image::bytes({0, 30, 2}), "invalid value of date 30.2"},
                 {Image::bytes({9, 1, 2}), "invalid daily card with index 9"}})
            QTest::newRow(qPrintable("special day " + day.second)) << 318 << int(Image::SpecialDays)
                << Image::counted(3, {day.first, Image::bytes({1, 9, 5})}) << QString() << QVariant()
                << "In special days of year spectified " + day.second;
    }

    void sectionValues()
    {
        QFETCH(int, version);
        QFETCH(int, section);
        QFETCH(QByteArray, content);
        QFETCH(QString, key);
        QFETCH(QString, warning);
        Image image = Image::full(version);
        image.sections[section] = content;
        auto adapter = loaded(image.build());
        CnfController c;
        QVERIFY2(adapter->createController(c), qPrintable(adapter->lastError()));
        QTEST(c.getNativeData(key), "value");
        QCOMPARE(adapter->warnings(), warning.isEmpty() ? QStringList() : QStringList {warning});
        QCOMPARE(c.specialDays().size(), section == Image::SpecialDays ? 1 : 2);
    }

    // A 3.18 title of number 1 with a 24-byte description puts the word 314 at offset 8: the shape decides.
    void exclusiveDetection()
    {
        Image image = Image::full();
        image.sections[Image::Title] = Image::title(1, QString(24, 'x'));
        QCOMPARE(image.sections[Image::Title].mid(8, 2), Image::word(314));
        QCOMPARE(loaded(image.build())->version(), QStringLiteral("3.18"));
        // and no later adapter takes a 3.14 image, whatever its bytes
        Image eightElements = Image::full(314);
        eightElements.sections[Image::Title][0] = 8;
        QCOMPARE(loaded(eightElements.build())->version(), QStringLiteral("3.14"));
        // 36 bytes pass the size test of 3.14 (18 header words) but not of 3.15
        const QByteArray zeros(36, 0);
        auto older = adapterOf(314);
        QVERIFY(!older->load(zeros));
        QCOMPARE(older->lastError(), QStringLiteral("Неправильная версия файла конфигурации"));
        auto newer = adapterOf(315);
        QVERIFY(!newer->load(zeros));
        QCOMPARE(newer->lastError(), QStringLiteral("Файл конфигурации слишком маленький"));
    }

    void conversions_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        for (int from = 314; from <= 318; ++from) {
            for (int to = 314; to <= 318; ++to) {
                if (from != to)
                    QTest::newRow(qPrintable(QStringLiteral("%1 to %2").arg(from).arg(to))) << from << to;
            }
        }
    }

    // Every version converts to every other; settings whose shape differs are carried over by meaning.
    void conversions()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        CnfController c;
        QString error;
        const QByteArray image = converted(Image::full(from).build(), versionText(to), c, &error);
        QVERIFY2(!image.isEmpty(), qPrintable(error));
        auto adapter = loaded(image);
        QCOMPARE(adapter->version(), versionText(to));
        CnfController back;
        QVERIFY2(adapter->createController(back), qPrintable(adapter->lastError()));
        QCOMPARE((QList<int> {back.signalGroups().size(), back.phases().size(), back.programs().size(),
                     back.dayCards().size(), back.specialDays().size()}), (QList<int> {3, 2, 2, 2, 2}));
        QCOMPARE(back.programs().at(1)->id, QStringLiteral("-56"));
        QCOMPARE(back.programs().at(1)->data().size(), Image::recordSize(to, Image::Programs));
        QCOMPARE(back.getNativeData("interstateVariantCount").toInt(), to == 318 ? 6 : (to >= 316 ? 8 : 4));
        // the variants both versions store
        QList<int> variants {1};
        const int second = from == 318 ? 3 : Image::storedVariants(from);
        if (second <= Image::storedVariants(to))
            variants.append(second);
        QCOMPARE(back.findSG(1)->variantTimes.keys(), variants);
        // error kinds: green conflict, red, short circuit, cable, [silent devices], others
        QVariantList errors = pairs({1, 2, 3, 4}, 3);
        if (to >= 317)
            errors.append(QVariant(from >= 317 ? QVariantList({5, 3}) : QVariantList({0, 0})));
        errors.append(QVariant(QVariantList({6, 3})));
        QCOMPARE(back.getNativeData("errorControl"), QVariant(errors));
        // the first two panel buttons are set in every version
        const QVariantList phases = back.getNativeData("vpu_phases").toList();
        QCOMPARE(phases.size(), to <= 315 ? 5 : 8);
        QCOMPARE(phases.mid(0, 3), unsetList({1, 2}, 3));
        QCOMPARE(back.getNativeData("journalDetail").toInt(), 2);
        QCOMPARE(back.getNativeData("asudd_allowedInactivity").toInt(), 30);
    }

    // 3.18 to 3.15: what 3.15 has no place for is left out, the rest is kept.
    void conversionLosses()
    {
        Image image = Image::full();
        // a sixth panel button and a sixth variant, which 3.15 cannot hold
        image.sections[Image::RemotePanel][2 + 3 + 5] = 1;
        image.sections[Image::Intergreens].replace(2 + 31, 6, Image::bytes({9, 8, 7, 6, 5, 4}));
        CnfController c;
        QString error;
        const QByteArray written = converted(image.build(), QStringLiteral("3.15"), c, &error);
        QVERIFY2(!written.isEmpty(), qPrintable(error));
        CnfController back;
        QVERIFY(loaded(written)->createController(back));
        QCOMPARE(back.property("description").toString(), QStringLiteral("Перекрёсток")); // kept
        QCOMPARE(back.getNativeData("vpu_phases"), QVariant(unsetList({1, 2}, 5))); // button 6 dropped
        QCOMPARE(back.findSG(1)->variantTimes.keys(), (QList<int> {1, 3})); // variant 6 dropped
        QVERIFY(back.findSG(1)->detectors.isEmpty());
        QVERIFY(back.dayCards().first()->records.first().reserveProgram); // 3.15 keeps reserves
        for (const char* lost : {"table_flip", "vpu_requests", "vpu_programs", "useKey", "asudd_prom_variant",
                 "dtStat317", "power_counter", "ups"})
            QVERIFY2(!back.getNativeData(QLatin1String(lost)).isValid(), lost);
        const QVariantMap panel {{"sg", 1}, {"address", QVariant()}, {"blinkingTime", QVariant()}};
        QCOMPARE(back.getNativeData("countDownTable"), QVariant(QVariantList({panel}))); // the count is lost
        QCOMPARE(back.getNativeData("priority_skip"), QVariant(true));
        // the model keeps the moved settings in the target's shape
        QCOMPARE(c.getNativeData("errorControl").toList().size(), 5);
        QCOMPARE(c.programs().first()->data().size(), 62);

        // 3.18 to 3.14: no description, no countdown, no synchronizer, no reserve
        CnfController old;
        QVERIFY2(!converted(Image::full().build(), QStringLiteral("3.14"), old, &error).isEmpty(), qPrintable(error));
        CnfController back14;
        QVERIFY(loaded(saved(old))->createController(back14));
        QVERIFY(!back14.property("description").isValid());
        QVERIFY(!back14.getNativeData("countDownTable").isValid());
        QVERIFY(!back14.getNativeData("sync_frequency").isValid());
        QVERIFY(!back14.dayCards().first()->records.first().reserveProgram);
        QCOMPARE(back14.getNativeData("creationTime").toString(), QStringLiteral("01.02.2020 12:00"));

    }
};

QTEST_GUILESS_MAIN(TestNorvak3x)
#include "tst_norvak3x.moc"
