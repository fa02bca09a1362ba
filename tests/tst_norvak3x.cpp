#include <QDateTime>
#include <QFile>
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
#include "Norvak3xTestImage.h"

using Image = Norvak3xTestImage;
using Mutation = std::function<void(CnfController&)>;
Q_DECLARE_METATYPE(Mutation)

namespace {

QSharedPointer<CnfNative> loaded(const QByteArray& bytes)
{
    return CnfNative::loadNativeConfig(bytes);
}

QSharedPointer<CnfProgram> rawProgram(const QString& id, const QByteArray& data)
{
    auto p = QSharedPointer<CnfProgram>::create();
    p->id = id;
    p->type = CnfProgram::NorvakSpecial;
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

void addGroups(CnfController& c, int from, int to)
{
    for (int i = from; i <= to; ++i) {
        auto g = QSharedPointer<CnfSignalGroup>::create();
        g->id = i;
        c.addSignalGroup(g);
    }
}

// Phases or day cards numbered from..to.
template <class T>
void addNumbered(CnfController& c, void (CnfController::*add)(QSharedPointer<T>), int from, int to)
{
    for (int i = from; i <= to; ++i) {
        auto element = QSharedPointer<T>::create();
        element->id = QString::number(i);
        (c.*add)(element);
    }
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

// A small valid controller built through the model alone: two groups with a
// device each, one phase, one program and one day card.
void buildController(CnfController& c, const QString& version = QStringLiteral("3.18"))
{
    CnfNative::initController(c, QStringLiteral("norvak"), version);
    addGroups(c, 1, 2);
    for (int i = 1; i <= 2; ++i) {
        c.findSG(i)->setType(CnfSignalGroup::Transport);
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
{
    return [key, value](CnfController& c) { c.setNativeData(QLatin1String(key), value); };
}

// Written by the adapter of the controller's version.
QByteArray saved(CnfController& c, QString* error = nullptr)
{
    auto adapter = CnfNative::loadNativeConfig(Image::full(versionNumber(c)).build());
    const QByteArray image = adapter->save(c);
    if (error)
        *error = adapter->lastError();
    return image;
}

// The special days of a controller as sorted "dd.MM" texts: their years
// differ between formats.
QStringList dayAndMonthTexts(const CnfController& c)
{
    QStringList texts;
    for (const QDate& date : c.specialDays().keys())
        texts << date.toString(QStringLiteral("dd.MM"));
    texts.sort();
    return texts;
}

QByteArray fullWith(Image::Section s, const QByteArray& section)
{
    Image image = Image::full();
    image.sections[s] = section;
    return image.build();
}

} // namespace

class TestNorvak3x : public QObject
{
    Q_OBJECT

private slots:
    void containerRejections_data();
    void containerRejections();
    void checksum();
    void readFullImage();
    void timezone_data();
    void timezone();
    void sectionsWithoutRecords_data();
    void sectionsWithoutRecords();
    void readerErrors_data();
    void readerErrors();
    void readerWarnings_data();
    void readerWarnings();
    void roundTrip();
    void projectConversion();
    void writerLimits_data();
    void writerLimits();
    void weekGaps_data();
    void weekGaps();
    void writtenValues();
    void sizeLimit();
    void dynamicProgram();
    void files();
    void olderVersions_data();
    void olderVersions();
    void olderTitles_data();
    void olderTitles();
    void exclusiveDetection();
    void olderRoundTrip_data();
    void olderRoundTrip();
    void olderWriterLimits_data();
    void olderWriterLimits();
    void olderWrittenValues();
    void conversions_data();
    void conversions();
    void conversionLosses();
    void typeNames_data();
    void typeNames();
    void olderServices_data();
    void olderServices();
};

void TestNorvak3x::containerRejections_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");
    const QString tooSmall = QStringLiteral("Файл конфигурации слишком маленький");
    const QByteArray valid = Image::full().build();
    QTest::newRow("empty") << QByteArray() << tooSmall;
    QTest::newRow("39 bytes") << valid.left(39) << tooSmall;
    QByteArray shortSum = valid.left(101);
    shortSum.replace(38, 2, Image::word(100));
    QTest::newRow("checksum beyond the end") << shortSum << tooSmall;
    QByteArray header = valid;
    header.replace(6, 2, Image::word(valid.size() + 1));
    QTest::newRow("header word beyond the end") << header << "Заголовок имеет неверный формат";
    QTest::newRow("version 319") << fullWith(
        Image::Title, Image::title(1, {}, "12:30/01.02.2020", "08:15/03.04.2021", 319))
        << "Неправильная версия файла конфигурации";
    QByteArray versionOutside = valid;
    versionOutside.replace(0, 2, Image::word(valid.size() - 2)); // the title's index runs past the end
    QTest::newRow("version element outside")
        << versionOutside << "Неправильная версия файла конфигурации";
}

void TestNorvak3x::containerRejections()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    QVERIFY(!loaded(bytes));
    auto adapter = CnfNative::loadNativeConfig(Image::full().build());
    QVERIFY(adapter);
    QVERIFY(!adapter->load(bytes));
    QCOMPARE(adapter->lastError(), error);
    CnfController c;
    QVERIFY(!adapter->createController(c)); // a failed load empties the image
    QCOMPARE(adapter->lastError(), QStringLiteral("Пустые данные"));
    QVERIFY(!adapter->checkCRC());
    QCOMPARE(adapter->lastError(), QStringLiteral("Пустые данные"));
    QCOMPARE(adapter->version(), QStringLiteral("3.18"));
}

// A wrong checksum is reported but does not stop reading.
void TestNorvak3x::checksum()
{
    QCOMPARE(Image::checksum("abc", 3), quint16(0x0556));
    QByteArray bytes = Image::full().build();
    QVERIFY(loaded(bytes)->checkCRC());
    bytes[45] = char(bytes.at(45) ^ 1);
    bytes.replace(2 * 18, 2, Image::word(bytes.size())); // the derived block is never read
    auto adapter = loaded(bytes);
    QVERIFY(adapter);
    QVERIFY(!adapter->checkCRC());
    QCOMPARE(adapter->lastError(), QStringLiteral("Неправильная контрольная сумма в файле конфигурации"));
    CnfController c;
    QVERIFY2(adapter->createController(c), qPrintable(adapter->lastError()));
}

void TestNorvak3x::readFullImage()
{
    auto adapter = loaded(Image::full().build());
    CnfController c;
    QVERIFY2(adapter->createController(c), qPrintable(adapter->lastError()));
    QVERIFY(adapter->warnings().isEmpty());
    QCOMPARE(c.property("type").toString(), QStringLiteral("norvak"));
    QCOMPARE(c.property("version").toString(), QStringLiteral("3.18"));
    QCOMPARE(c.property("number").toInt(), 1234);
    QCOMPARE(c.property("description").toString(), QStringLiteral("Перекрёсток"));
    const QVariantMap settings{{"creationTime", "01.02.2020 12:30"}, {"changeTime", "03.04.2021 08:15"},
        {"interstateVariantCount", 6}, {"maxCurrent", 10}, {"table", true}, {"dt_module4", 6}, {"startup_yf", 5},
        {"asudd_prom_variant", 3}, {"sync_frequency", 1000}, {"vpu_interstateVariant", 2},
        {"vpu_phases", QVariantList {1, 2, {}, {}, {}, {}, {}, {}}}, {"vpu_programs", QVariantList {-56, 1, {}, {}}},
        {"vpu_requests", QVariantList {true, false, {}, {}}}};
    for (auto it = settings.cbegin(); it != settings.cend(); ++it)
        QVERIFY2(c.getNativeData(it.key()) == it.value(), qPrintable(it.key()));

    QCOMPARE(c.powerDevices().size(), 4);
    const auto sg1 = c.findSG(1);
    QVERIFY(sg1 && c.findSG(2) && c.findSG(3));
    QCOMPARE(c.findSG(2)->getType(), CnfSignalGroup::Pedestrian);
    QCOMPARE(c.findSG(3)->getType(), CnfSignalGroup::Arrow);
    QCOMPARE(sg1->devices.size(), 2);
    const auto key = sg1->devices.at(0);
    QCOMPARE((QList<int> {key->address, key->color, key->lampCount}), (QList<int> {0, 2, 3}));
    QCOMPARE(sg1->detectors, (QList<int> {7, 8, 255, 255}));
    // 10, 7, 4, 1, 3, 2 are the sums of the clearing steps
    const CnfSGTimes t = sg1->variantTimes.value(1);
    QCOMPARE((QList<int> {t.greenAdd1, t.greenBlink, t.yellow, t.redAdd, t.yellowRed, t.greenAdd2}),
        (QList<int> {3, 3, 3, 1, 1, 2}));
    QCOMPARE(sg1->variantTimes.keys(), (QList<int> {1, 3}));

    QCOMPARE(c.conflictMatrix()->content().size(), 2);
    QCOMPARE(c.conflictMatrix()->releaf(sg1, c.findSG(2)), 0.0);
    QVERIFY(qIsNaN(c.conflictMatrix()->releaf(sg1, c.findSG(3))));

    const auto phase2 = c.findPhase(QStringLiteral("2"));
    QVERIFY(phase2);
    QCOMPARE(phase2->minLength, -1);
    QCOMPARE(phase2->signalGroups.size(), 2);
    QCOMPARE(c.findPhase(QStringLiteral("1"))->maxLength, 60);

    QVERIFY(c.findProgram(QStringLiteral("1")));
    QVERIFY(c.findProgram(QStringLiteral("-56"))); // program number 200
    const auto card1 = c.findDayCard(QStringLiteral("1"));
    QCOMPARE(card1->records.size(), 2);
    QCOMPARE(card1->records.value(QTime(6, 0)).reserveProgram, c.findProgram(QStringLiteral("-56")));
    QCOMPARE(card1->records.value(QTime(22, 30)).program, c.findProgram(QStringLiteral("-56")));
    QVERIFY(!card1->records.value(QTime(22, 30)).reserveProgram);

    // week 0,0,0,0,0,1,1: Monday and Saturday only
    QCOMPARE(c.weekCards().size(), 1);
    const auto& days = c.weekCards().first()->days;
    QCOMPARE(days.keys(), (QList<Qt::DayOfWeek> {Qt::Monday, Qt::Saturday}));
    QCOMPARE(days.value(Qt::Saturday), c.findDayCard(QStringLiteral("2")));
    QCOMPARE(c.specialDays().size(), 2);
    QCOMPARE(
        c.specialDays().value(QDate(QDate::currentDate().year(), 5, 9))->dayCard, c.findDayCard(QStringLiteral("2")));

    QCOMPARE(c.getNativeData("errorControl").toList().at(5), QVariant(QVariantList {6, 3}));
    QCOMPARE(c.getNativeData("dtStat317").toList().at(1), QVariant(QVariantList {3, {}, {}, {}, {}, {}, {}, {}}));
    const QVariantMap countdown = c.getNativeData("countDownTable").toList().value(0).toMap();
    QCOMPARE(countdown.value("sg").toInt(), 1);
    QCOMPARE(countdown.value("count").toInt(), 2);
}

void TestNorvak3x::timezone_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<QVariant>("read");
    QTest::newRow("west") << 20 << QVariant(-4);
    QTest::newRow("12") << 12 << QVariant(12);
    QTest::newRow("not set") << 255 << QVariant();
}

void TestNorvak3x::timezone()
{
    QFETCH(int, stored);
    QFETCH(QVariant, read);
    auto adapter = loaded(fullWith(Image::Synchronizer,
        Image::indexed({Image::word(1), Image::bytes({0}), Image::bytes({stored}), Image::bytes({0})})));
    CnfController c;
    QVERIFY(adapter->createController(c));
    QCOMPARE(c.getNativeData("sync_timezoneCorrection"), read);
}

// Sections that hold no record leave their settings unset.
void TestNorvak3x::sectionsWithoutRecords_data()
{
    QTest::addColumn<int>("version");
    for (int v = 314; v <= 318; ++v)
        QTest::newRow(qPrintable(QString::number(v))) << v;
}

void TestNorvak3x::sectionsWithoutRecords()
{
    QFETCH(int, version);
    Image image = Image::minimal(version);
    const int kinds = Image::recordSize(version, Image::ErrorControl);
    image.sections[Image::ErrorControl] = Image::counted(kinds, {QByteArray(kinds, 1)}); // one record of two
    auto adapter = loaded(image.build());
    QVERIFY(adapter);
    QCOMPARE(adapter->version(), QStringLiteral("3.%1").arg(version - 300));
    CnfController c;
    QVERIFY2(adapter->createController(c), qPrintable(adapter->lastError()));
    for (const char* key : {"receiver", "startup_yf", "sync_frequency", "useKey", "vpu_phases",
             "asudd_allowedInactivity", "errorControl", "dtStat317", "dtStat314", "countDownTable"})
        QVERIFY2(!c.getNativeData(QLatin1String(key)).isValid(), key);
    QVERIFY(c.weekCards().isEmpty());
}

void TestNorvak3x::readerErrors_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");
    const Image full = Image::full();
    auto with = [&full](Image::Section s, int at, int value) {
        Image image = full;
        image.sections[s][at] = char(value);
        return image.build();
    };
    // records start at byte 2 of a counted section
    QTest::newRow("key address 200") << with(Image::Groups, 2 + 6, 200)
        << "СГ 1 содержит неверную ссылку на устройство по адресу 200";
    QTest::newRow("key without device") << with(Image::Groups, 2 + 6, 9)
        << "СГ 1 содержит неверную ссылку на устройство по адресу 9";
    QTest::newRow("intergreen group") << with(Image::Intergreens, 2, 9)
        << "Неверная ссылка на СГ 9 в таблице ромтактов";
    QTest::newRow("conflict group") << with(Image::Conflicts, 2, 9) << "Неверная ссылка на СГ 9 в таблице конфликтов";
    QTest::newRow("phase group index") << with(Image::Phases, 2 + 4, 5) << "Неправильный индекс СГ 5 в фазе 1";
    QTest::newRow("day card program") << with(Image::DayCards, 2 + 1, 5)
        << "В суточной карте 1 указана несуществующая программа 255";
    QTest::newRow("day card reserve") << with(Image::DayCards, 2 + 2,
        7) << "В суточной карте 1 указана несуществующая резервная программа 255";
    QTest::newRow("day card time") << with(Image::DayCards, 2 + 3, 25)
        << "В суточной карте 1 указано неправильное значение времени 25:0";
    QTest::newRow("week card") << with(Image::Week, 2 + 3, 4)
        << "В недельном распределении задан неверный номер суточной карты - 255";
    QTest::newRow("time format") << fullWith(Image::Title, Image::title(1, {}, "12:30 01.02.2020"))
        << "Invalid creation/modification time format";
    QTest::newRow("records past the end")
        << with(Image::Phases, 0, 200) << "Раздел \"Фазы\" выходит за пределы файла конфигурации";

    // A title moved behind the checksum, its last text without a zero byte.
    QByteArray bytes = full.build();
    QByteArray title = Image::title(1, QStringLiteral("x"));
    title.chop(1);
    QByteArray moved = bytes;
    moved.replace(0, 2, Image::word(bytes.size()));
    QTest::newRow("text without zero") << moved
            + title << "Текст в разделе \"Параметры заголовка\" не завершён нулевым байтом";
    title = Image::title(1, QStringLiteral("x"));
    title[2] = char(250); // element 2 beyond the end
    QTest::newRow("element outside") << moved
            + title << "Раздел \"Параметры заголовка\" выходит за пределы файла конфигурации";
}

void TestNorvak3x::readerErrors()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    auto adapter = loaded(bytes);
    QVERIFY(adapter);
    CnfController c;
    QVERIFY(!adapter->createController(c));
    QCOMPARE(adapter->lastError(), error);
    // only a malformed time makes the adapter drop the image
    QVERIFY(!adapter->createController(c));
    QCOMPARE(adapter->lastError(), QTest::currentDataTag() == QLatin1String("time format") ? QStringLiteral("Пустые данные") : error);
}

void TestNorvak3x::readerWarnings_data()
{
    QTest::addColumn<QByteArray>("day");
    QTest::addColumn<QString>("warning");
    QTest::newRow("30 February") << Image::bytes({0, 30, 2})
        << "In special days of year spectified invalid value of date 30.2";
    QTest::newRow("card index") << Image::bytes({9, 1, 2})
        << "In special days of year spectified invalid daily card with index 9";
}

void TestNorvak3x::readerWarnings()
{
    QFETCH(QByteArray, day);
    QFETCH(QString, warning);
    auto adapter = loaded(fullWith(Image::SpecialDays, Image::counted(3, {day, Image::bytes({1, 9, 5})})));
    CnfController c;
    QVERIFY(adapter->createController(c));
    QCOMPARE(adapter->warnings(), QStringList {warning});
    QCOMPARE(c.specialDays().size(), 1);
}

// Reading an image with every section and writing it again gives the same
// bytes except: the change time in the title (the writer stamps the current
// time), the derived block (recomputed; the source holds a placeholder) and
// the image checksum that covers both.
void TestNorvak3x::roundTrip()
{
    const Image source = Image::full();
    const QByteArray original = source.build();
    auto adapter = loaded(original);
    CnfController c;
    QVERIFY2(adapter->createController(c), qPrintable(adapter->lastError()));
    const QByteArray written = adapter->save(c);
    QVERIFY2(!written.isEmpty(), qPrintable(adapter->lastError()));
    QCOMPARE(written.size(), original.size());
    QCOMPARE(written.left(40), original.left(40));
    for (int i = 0; i < Image::Derived; ++i) {
        QByteArray expected = source.sections.at(i);
        QByteArray actual = Image::section(written, i);
        if (i == Image::Title) {
            const int changeTime = quint8(expected.at(8));
            expected.remove(changeTime, 16);
            actual.remove(changeTime, 16);
        }
        QCOMPARE(actual.toHex(' '), expected.toHex(' '));
    }
    const QString stamp = c.getNativeData("changeTime").toString();
    QVERIFY(QDateTime::fromString(stamp, QStringLiteral("dd.MM.yyyy hh:mm")).isValid());

    const QByteArray derived = Image::section(written, Image::Derived);
    QCOMPARE(derived.size(), 199 + 8 * 3);
    // group 1 conflicts with column 1, group 2 with column 0, group 3 with none
    QCOMPARE((QList<int> {derived.at(0), derived.at(4), derived.at(8)}), (QList<int> {0x02, 0x01, 0x00}));
    QCOMPARE(derived.mid(128, 3), Image::bytes({0x11, 0x04, 0x20})); // device types, two per byte
    QCOMPARE(derived.mid(192, 3), Image::word(221) + Image::bytes({3}));
    // group 1, device at address 0: red (code 2), 3 lamps, controlled lamps
    QCOMPARE(derived.mid(195, 2), Image::word(0x80 | (2 << 8) | (3 << 10) | (3 << 13)));
    QCOMPARE(derived.mid(195 + 4, 4), Image::word(0xFFFF) + Image::word(0xFFFF));
    QCOMPARE(derived.mid(219, 2), Image::word(1234));
    QCOMPARE(derived.mid(221, 2), Image::word(Image::checksum(derived, 221)));
    QVERIFY(loaded(written)->checkCRC());
}

// An image with what the model once lost on the way to a project document: a
// pedestrian program whose last phase field has no duration (in a phase with
// limits), a device type without a name, and a special day on 29 February.
// It converts to a project and back, and to an image again.
void TestNorvak3x::projectConversion()
{
    Image source = Image::full();
    QList<QByteArray>& s = source.sections;
    // number 1, pedestrian, variant 1 on entry and on leaving; phase 1 for 20 s,
    // call phase 2 for 10 s, and phase 1 again in a field without a duration
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
    QCOMPARE(r.programs().size(), c.programs().size());
    for (const auto& program : c.programs()) {
        const auto read = r.findProgram(program->id);
        QVERIFY(read);
        QCOMPARE(read->data(), program->data());
        QCOMPARE(read->phaseCount(), program->phaseCount());
        for (int i = 0; i < program->phaseCount(); ++i) {
            QCOMPARE(read->phaseDefAt(i)->id(), program->phaseDefAt(i)->id());
            QCOMPARE(read->phaseDefAt(i)->length(), program->phaseDefAt(i)->length());
        }
    }
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

void TestNorvak3x::writerLimits_data()
{
    QTest::addColumn<Mutation>("mutate");
    QTest::addColumn<QString>("error");
    auto removeAll = [](CnfController& c) {
        for (const auto& g : c.signalGroups())
            c.removeSignalGroup(g->id);
    };
    QTest::newRow("no groups") << Mutation(removeAll)
        << "Для работы контроллера необходимо минимум 2 сигнальные группы";
    QTest::newRow("33 groups") << Mutation([](CnfController& c) { addGroups(c, 3, 33); })
        << "Число заданных сигнальных групп 33 превышает максимально допустимое 32";
    QTest::newRow("5 devices") << Mutation([](CnfController& c) {
        for (int a = 10; a < 14; ++a)
            addDevice(c, a, 1);
    }) << "В сигнальной группе 1 назначено 5 ключей. Возможно не более 4";
    QTest::newRow("device in group 33") << Mutation([](CnfController& c) { addGroups(c, 3, 33); addDevice(c, 20, 33); })
        << "В устройстве по адресу 20 неверная ссылка на сигнальную группу";
    QTest::newRow("9 devices") << Mutation([](CnfController& c) {
        for (int a = 10; a < 18; ++a)
            addDevice(c, a, 1);
    }) << "В устройстве 17 неверная ссылка на привязку в сигнальной группе 1";
    QTest::newRow("device type 16") << Mutation([](CnfController& c) {
        c.findSG(1)->devices.first()->type = CnfPowerDevice::Type(16);
    }) << "Устройство 1 по адресу 1 имеет тип 16: образ хранит типы устройств от 0 до 15";
    QTest::newRow("key address 130") << Mutation([](CnfController& c) { c.findSG(1)->devices.first()->address = 130; })
        << "Значение СГ 1, устройство по адресу 130 = 130 выходит за разрешённые пределы [0;127]";
    QTest::newRow("no phases") << Mutation([](CnfController& c) { c.removePhase(QStringLiteral("1")); })
        << "Для работы контроллера необходимо минимум 1 фаза";
    QTest::newRow("17 phases") << Mutation([](CnfController& c) { addNumbered(c, &CnfController::addPhase, 2, 17); })
        << "Число заданных фаз 17 превышает максимально допустимое 16";
    QTest::newRow("phase id") << Mutation([](CnfController& c) {
        c.findPhase(QStringLiteral("1"))->id = QStringLiteral("A");
    }) << "Фаза A имеет недопустимый идентификатор. Возможно использование только чисел";
    QTest::newRow("21 groups in a phase") << Mutation([](CnfController& c) {
        auto phase = c.findPhase(QStringLiteral("1"));
        while (phase->signalGroups.size() < 21)
            phase->signalGroups.append(c.findSG(2));
    }) << "Фаза 1 содержит 21 сигнальных групп. Возможно не более 20";
    QTest::newRow("no programs") << Mutation([](CnfController& c) { c.removeProgram(QStringLiteral("1")); })
        << "Для работы контроллера необходима хотя бы 1 программа";
    QTest::newRow("17 programs") << Mutation([](CnfController& c) { addPrograms(c, 2, 17); })
        << "Число заданных программ 17 превышает максимально допустимое 16";
    QTest::newRow("62-byte program") << Mutation([](CnfController& c) {
        c.findProgram(QStringLiteral("1"))->setData(QByteArray(62, 0));
    }) << "В программе 1 данные НОРВАК неправильного размера - 62 (должно быть 63)";
    QTest::newRow("phase length") << Mutation([](CnfController& c) {
        auto phase = c.findPhase(QStringLiteral("1"));
        phase->minLength = 5;
        phase->maxLength = 20;
        c.findProgram(QStringLiteral("1"))->appendPhase(phase, 30);
    }) << "В программе 1 длительность фазы 1 = 30 выходит за разрешённые пределы [5;20]";
    QTest::newRow("17 day cards") << Mutation([](CnfController& c) { addNumbered(c, &CnfController::addDayCard, 2, 17); })
        << "Число заданных суточных карт 17 превышает максимально допустимое 16";
    QTest::newRow("8 records") << Mutation([](CnfController& c) {
        for (int h = 10; h < 17; ++h)
            c.dayCards().first()->addRecord(QTime(h, 0), c.programs().first(), {});
    }) << "Суточная карта 1 содержит 8 записей. Возможно не более 7";
    QTest::newRow("day card id") << Mutation([](CnfController& c) { c.dayCards().first()->id = QStringLiteral("x"); })
        << "Суточная карта x имеет недопустимый идентификатор. Возможно использование только чисел";
    QTest::newRow("record without program") << Mutation([](CnfController& c) {
        c.dayCards().first()->addRecord(QTime(7, 5), rawProgram(QStringLiteral("9"), Image::record(63, {9, 0, 1})), {});
    }) << "Суточная карта 1 содержит ссылку на несуществующую программу для времени 07:05";
    QTest::newRow("2 week cards") << Mutation([](CnfController& c) {
        c.addWeekCard(QSharedPointer<CnfWeekCard>::create());
        c.addWeekCard(QSharedPointer<CnfWeekCard>::create());
    }) << "Число заданных недельных карт 2 превышает максимально допустимое 1";
    QTest::newRow("week card not listed") << Mutation([](CnfController& c) {
        auto week = QSharedPointer<CnfWeekCard>::create();
        week->days.insert(Qt::Tuesday, QSharedPointer<CnfDayCard>::create());
        c.addWeekCard(week);
    }) << "Недельный план содержит ссылку на несуществующую суточную карту для дня недели 2";
    QTest::newRow("17 special days") << Mutation([](CnfController& c) {
        for (int d = 1; d <= 17; ++d) {
            auto day = QSharedPointer<CnfSpecialDay>::create();
            day->dayCard = c.dayCards().first();
            c.addSpecialDay(QDate(2024, 1, d), day);
        }
    }) << "Число заданных особых дней года 17 превышает максимально допустимое 16";
    QTest::newRow("special day without card") << Mutation([](CnfController& c) {
        c.addSpecialDay(QDate(2024, 3, 8), QSharedPointer<CnfSpecialDay>::create());
    }) << "Особые дни содержат ссылку на несуществующую суточную карту для даты 08.03";
    QTest::newRow("special day card not listed") << Mutation([](CnfController& c) {
        auto day = QSharedPointer<CnfSpecialDay>::create();
        day->dayCard = QSharedPointer<CnfDayCard>::create();
        c.addSpecialDay(QDate(2024, 3, 8), day);
    }) << "Особые дни содержат ссылку на несуществующую суточную карту для для даты 08.03";
    QTest::newRow("9 VPU phases") << setting("vpu_phases", QVariantList {1, 1, 1, 1, 1, 1, 1, 1, 1})
        << "Число заданных фаз для ВПУ 9 превышает максимально допустимое 8";
    QTest::newRow("VPU phase") << setting("vpu_phases", QVariantList {7})
        << "Параметры ВПУ содержат ссылку на несуществующую фазу 7";
    QTest::newRow("VPU program") << setting("vpu_programs", QVariantList {{}, 5})
        << "Параметры ВПУ содержат ссылку на несуществующую программу 5";
    QTest::newRow("error control size") << setting("errorControl", QVariantList {1, 2})
        << "Неправильный размер данных в параметрах контроля ошибок 2 должно быть 6";
    QTest::newRow("error control pair") << setting("errorControl", QVariantList {1, 2, 3, 4, 5, 6})
        << "Неправильная структура данных в параметрах контроля ошибок";
    QTest::newRow("9 statistics groups") << setting("dtStat317", QVariantList {{}, {}, {}, {}, {}, {}, {}, {}, {}})
        << "Неправильное количество групп статистики 9 должно быть 8";
    QTest::newRow("9 statistics entries") << setting("dtStat317", QVariantList {QVariantList {1, 2, 3, 4, 5, 6, 7, 8, 9}})
        << "Неправильное количество записей статистики 9 должно быть 8";
    QTest::newRow("17 countdown panels") << setting("countDownTable", QVector<QVariant>(17, QVariantMap {{"count", 1}}).toList())
        << "Число заданных параметров табло ОО 17 превышает максимально допустимое 16";
    QTest::newRow("countdown group") << setting("countDownTable", QVariantList {QVariantMap {{"sg", 9}}})
        << "В параметрах табло ОО задан ссылка на несуществующую сигнальную группу 9";
    QTest::newRow("byte value") << setting("maxCurrent", 300)
        << "Значение maxCurrent = 300 выходит за разрешённые пределы [0;255]";
    QTest::newRow("description") << Mutation([](CnfController& c) { c.setProperty("description", QString(230, 'x')); })
        << "Описание контроллера слишком длинное: 230 байт, возможно не более 221";
}

void TestNorvak3x::writerLimits()
{
    QFETCH(Mutation, mutate);
    QFETCH(QString, error);
    CnfController c;
    buildController(c);
    QString message;
    QVERIFY2(!saved(c, &message).isEmpty(), qPrintable(message));
    mutate(c);
    QVERIFY(saved(c, &message).isEmpty());
    QCOMPARE(message, error);
}

void TestNorvak3x::weekGaps_data()
{
    QTest::addColumn<QList<int>>("days"); // day, card position pairs
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("Monday A, Thursday B") << QList<int> {1, 0, 4, 1} << Image::bytes({0, 0, 0, 1, 1, 1, 1});
    QTest::newRow("Wednesday C") << QList<int> {3, 2} << Image::bytes({2, 2, 2, 2, 2, 2, 2});
    QTest::newRow("Saturday B wraps") << QList<int> {2, 0, 6, 1} << Image::bytes({1, 0, 0, 0, 0, 1, 1});
}

void TestNorvak3x::weekGaps()
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

// Settings the writer turns into other bytes than it got.
void TestNorvak3x::writtenValues()
{
    CnfController c;
    buildController(c);
    c.findPhase(QStringLiteral("1"))->minLength = 0;
    c.findPhase(QStringLiteral("1"))->maxLength = 40;
    c.setNativeData("sync_timezoneCorrection", -4);
    QByteArray image = saved(c);
    QCOMPARE(Image::section(image, Image::Phases).mid(2, 4), Image::bytes({1, 255, 40, 0}));
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
}

void TestNorvak3x::sizeLimit()
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

void TestNorvak3x::dynamicProgram()
{
    auto adapter = loaded(Image::full().build());
    CnfController c;
    QVERIFY2(adapter->createController(c), qPrintable(adapter->lastError()));
    QByteArray record = adapter->createDynamicProgram(c, {});
    QCOMPARE(record, Image::record(63, {1, 0, 2}));
    record = adapter->createDynamicProgram(c, c.findProgram(QStringLiteral("-56")));
    QCOMPARE(quint8(record.at(0)), quint8(200));

    auto shortData = rawProgram(QStringLiteral("4"), Image::bytes({4, 1}));
    QVERIFY(adapter->createDynamicProgram(c, shortData).isEmpty());
    QCOMPARE(
        adapter->lastError(), QStringLiteral("В программе 4 данные НОРВАК неправильного размера - 2 (должно быть 63)"));

    shortData->type = CnfProgram::Timer;
    QVERIFY(adapter->createDynamicProgram(c, shortData).isEmpty());
    QCOMPARE(adapter->lastError(),
        QStringLiteral("Неподдерживаемый тип программы %1").arg(CnfProgram::typeName(CnfProgram::Timer, true)));

    CnfController empty;
    QVERIFY(adapter->createDynamicProgram(empty, {}).isEmpty());
    QCOMPARE(adapter->lastError(), QStringLiteral("У контроллера нет программ"));
}

// Saving picks the writer by type and version and replaces the file only
// when the image is complete.
void TestNorvak3x::files()
{
    auto adapter = loaded(Image::full().build());
    QVERIFY(!adapter->load(QStringLiteral("/nonexistent/image.bin")));
    QVERIFY(adapter->lastError().startsWith(QStringLiteral("Error opening /nonexistent/image.bin: ")));

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("kept.bin"));
    QFile existing(file);
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.write("old contents");
    existing.close();

    CnfController c;
    CnfNative::initController(c, QStringLiteral("nothing"), QStringLiteral("1"));
    QCOMPARE(c.property("type").toString(), QStringLiteral("nothing"));
    QCOMPARE(c.property("version").toString(), QStringLiteral("1"));
    QString error;
    QVERIFY(!CnfNative::save(file, c, &error));
    QCOMPARE(error, QStringLiteral("Unsupported type of configuration: nothing"));
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
    QVERIFY(existing.open(QIODevice::ReadOnly));
    QCOMPARE(existing.readAll(), QByteArray("old contents"));

    CnfController valid;
    buildController(valid);
    QCOMPARE(valid.getNativeData("interstateVariantCount").toInt(), 6);
    QVERIFY2(CnfNative::save(file, valid, &error), qPrintable(error));
    auto reread = CnfNative::loadNativeConfig(file);
    QVERIFY(reread && reread->checkCRC());
    QVERIFY(!CnfNative::save(dir.filePath(QStringLiteral("missing/x.bin")), valid, &error));
    QVERIFY2(error.startsWith(QStringLiteral("Unable to open file '")), qPrintable(error));
}

// ---- Firmware 3.14 to 3.17 ----

namespace {

QVariantList listOf(std::initializer_list<QVariant> values)
{
    return QVariantList(values);
}

QVariantList pairs(const QList<int>& intervals, int attempts)
{
    QVariantList out;
    for (int i : intervals)
        out.append(QVariant(listOf({i, attempts})));
    return out;
}

QVariantList unsetList(QVariantList list, int size)
{
    while (list.size() < size)
        list.append(QVariant());
    return list;
}

QSharedPointer<CnfNative> adapterOf(int version)
{
    return loaded(Image::full(version).build());
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

} // namespace

void TestNorvak3x::olderVersions_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<QVariantMap>("native"); // an invalid value: not set
    const QVariant unset;
    const QVariantMap common {
        {"journalDetail", 2}, {"powerSwitch", 1}, {"maxCurrent", 10}, {"dt_module1", 3}, {"dt_module4", 6},
        {"asudd_allowedInactivity", 30}, {"mgr_length", 9}, {"startup_yf", 5}, {"startup_rr", 3},
        {"table_flip", unset}};
    QVariantMap v314 = common;
    v314.insert({{"creationTime", "03.05.2021 14:00"}, {"changeTime", "04.04.2021 08:00"}, {"receiver", true},
        {"priority_skip", true}, {"vpu2", unset}, {"tsku_addr", 4}, {"asudd_priority_on_vpu", unset},
        {"vpu_phases", unsetList({1, 2}, 5)}, {"useKey", unset}, {"errorControl", pairs({1, 2, 3, 4, 6}, 3)},
        {"dtStatPeriod", 15}, {"dtStat314", unsetList({1, 2, unset, 3}, 16)}, {"dtStat317", unset},
        {"sync_frequency", unset}, {"countDownTable", unset}, {"interstateVariantCount", 4}});
    QTest::newRow("3.14") << 314 << v314;

    QVariantMap v315 = v314;
    const QVariantMap countdown {{"sg", 3}, {"address", 40}, {"blinkingTime", 5}};
    v315.insert({{"creationTime", "01.02.2020 12:30"}, {"changeTime", "03.04.2021 08:15"}, {"tsku_addr", 4},
        {"asudd_priority_on_vpu", true}, {"sync_frequency", 1000}, {"sync_timezoneCorrection", -4},
        {"countDownTable", listOf({countdown})}});
    QTest::newRow("3.15") << 315 << v315;

    QVariantMap v316 = v315;
    v316.insert({{"receiver", 2}, {"vpu2", false}, {"priority_skip", unset}, {"vpu_phases", unsetList({1, 2}, 8)},
        {"allowedInactivity", 10}, {"useKey", true}, {"vpu_requests", unsetList({true, false}, 4)},
        {"vpu_programs", unsetList({-56, 1}, 4)}, {"vpu_interstateVariant", unset}, {"interstateVariantCount", 8}});
    QTest::newRow("3.16") << 316 << v316;

    QVariantMap v317 = v316;
    v317.insert({{"receiver", 1}, {"vpu2", false}, {"priority_skip", true}, {"ups", false}, {"tsku_addr", 4},
        {"asudd_prom_variant", 3}, {"vpu_interstateVariant", 2}, {"errorControl", pairs({1, 2, 3, 4, 5, 6}, 3)},
        {"dtStatPeriod", unset}, {"dtStat314", unset}, {"dtGroupStatPeriod", 60}});
    v317.remove("dtStat317");
    QTest::newRow("3.17") << 317 << v317;
}

// Every section of each older version, read from an image laid out by hand.
void TestNorvak3x::olderVersions()
{
    QFETCH(int, version);
    QFETCH(QVariantMap, native);
    auto adapter = adapterOf(version);
    QVERIFY(adapter);
    const QString text = QStringLiteral("3.%1").arg(version - 300);
    QCOMPARE(adapter->version(), text);
    QVERIFY(adapter->checkCRC());
    CnfController c;
    QVERIFY2(adapter->createController(c), qPrintable(adapter->lastError()));
    QCOMPARE(c.property("version").toString(), text);
    QCOMPARE(c.property("number").toInt(), 1234);
    QCOMPARE(c.property("description").toString(), version == 314 ? QString() : QStringLiteral("Перекрёсток"));
    for (auto it = native.constBegin(); it != native.constEnd(); ++it) {
        const QVariant actual = c.getNativeData(it.key());
        QVERIFY2(actual == it.value(), qPrintable(QStringLiteral("%1: %2").arg(it.key(), actual.toString())));
    }

    // groups: keys after number and type, detectors from 3.17 on
    const auto g1 = c.findSG(1);
    QCOMPARE(c.signalGroups().size(), 3);
    QCOMPARE(g1->devices.size(), 2);
    QCOMPARE(g1->devices.at(0)->address, 0);
    QCOMPARE(g1->devices.at(0)->color, 2);
    QCOMPARE(g1->devices.at(1)->lampCount, 2);
    QCOMPARE(g1->detectors, version >= 317 ? (QList<int> {7, 8, 255, 255}) : QList<int>());
    // variant 1 and the last variant the record holds
    const int last = Image::storedVariants(version);
    QCOMPARE(g1->variantTimes.keys(), (QList<int> {1, last}));
    QCOMPARE(int(g1->variantTimes.value(1).greenAdd1), 3);
    QCOMPARE(int(g1->variantTimes.value(last).yellow), 3);
    QCOMPARE(c.findSG(2)->variantTimes.keys(), QList<int> {2});
    QCOMPARE(c.findPhase(QStringLiteral("2"))->signalGroups.size(), 2);
    QCOMPARE(c.programs().size(), 2);
    QCOMPARE(c.programs().at(1)->id, QStringLiteral("-56"));
    QCOMPARE(c.programs().at(1)->data().size(), Image::recordSize(version, Image::Programs));
    // 3.14 day cards have no reserve program
    const auto card = c.findDayCard(QStringLiteral("1"));
    QCOMPARE(card->records.size(), 2);
    QCOMPARE(card->records.first().reserveProgram.isNull(), version == 314);
    QCOMPARE(card->records.lastKey(), QTime(22, 30));
    QCOMPARE(c.specialDays().size(), 2);
    QCOMPARE(c.weekCards().size(), 1);
}

void TestNorvak3x::olderTitles_data()
{
    QTest::addColumn<QByteArray>("created");
    QTest::addColumn<QVariant>("creationTime");
    QTest::addColumn<int>("warnings");
    QTest::newRow("2021") << Image::bytes({14, 3, 5, 21}) << QVariant("03.05.2021 14:00") << 0;
    QTest::newRow("1995") << Image::bytes({0, 31, 12, 95}) << QVariant("31.12.1995 00:00") << 0;
    QTest::newRow("2089") << Image::bytes({23, 1, 1, 89}) << QVariant("01.01.2089 23:00") << 0;
    QTest::newRow("not set") << Image::bytes({255, 255, 255, 255}) << QVariant() << 0;
    QTest::newRow("30 February") << Image::bytes({1, 30, 2, 21}) << QVariant() << 1;
    QTest::newRow("hour 24") << Image::bytes({24, 1, 2, 21}) << QVariant() << 1;
}

// The numeric times of 3.14: never rejected, an impossible date is not set.
void TestNorvak3x::olderTitles()
{
    QFETCH(QByteArray, created);
    QFETCH(QVariant, creationTime);
    QFETCH(int, warnings);
    Image image = Image::full(314);
    image.sections[Image::Title] = Image::fixedTitle(7, created, Image::bytes({255, 255, 255, 255}), 0xFFFF);
    auto adapter = loaded(image.build());
    CnfController c;
    QVERIFY2(adapter->createController(c), qPrintable(adapter->lastError()));
    QCOMPARE(c.getNativeData("creationTime"), creationTime);
    QCOMPARE(adapter->warnings().size(), warnings);
    QVERIFY(!c.getNativeData("journalDetail").isValid()); // the word 65535
    QCOMPARE(c.property("number").toInt(), 7);
}

// A 3.18 title of number 1 with a 24-byte description puts the word 314 at
// offset 8; only the title's shape tells the versions apart.
void TestNorvak3x::exclusiveDetection()
{
    Image image = Image::full();
    image.sections[Image::Title] = Image::title(1, QString(24, 'x'));
    QCOMPARE(image.sections[Image::Title].mid(8, 2), Image::word(314));
    auto adapter = loaded(image.build());
    QVERIFY(adapter);
    QCOMPARE(adapter->version(), QStringLiteral("3.18"));
    // and no later adapter takes a 3.14 image, whatever its bytes
    QCOMPARE(adapterOf(314)->version(), QStringLiteral("3.14"));
    Image eightElements = Image::full(314);
    eightElements.sections[Image::Title][0] = 8;
    QCOMPARE(loaded(eightElements.build())->version(), QStringLiteral("3.14"));
    // a title of seven elements is no 3.15 image
    Image seven = Image::full(315);
    seven.sections[Image::Title][0] = 7;
    QVERIFY(!loaded(seven.build()));
    // a 3.14 title of another size is no 3.14 image
    Image longer = Image::full(314);
    longer.sections[Image::Title].append(char(0));
    QVERIFY(!loaded(longer.build()));
    // 36 bytes pass the size test of 3.14 (18 header words) but not of 3.15
    const QByteArray zeros(36, 0);
    auto older = adapterOf(314);
    QVERIFY(!older->load(zeros));
    QCOMPARE(older->lastError(), QStringLiteral("Неправильная версия файла конфигурации"));
    auto newer = adapterOf(315);
    QVERIFY(!newer->load(zeros));
    QCOMPARE(newer->lastError(), QStringLiteral("Файл конфигурации слишком маленький"));
}

void TestNorvak3x::olderRoundTrip_data()
{
    QTest::addColumn<int>("version");
    for (int v = 314; v <= 317; ++v)
        QTest::newRow(qPrintable(QString::number(v))) << v;
}

// Every section comes back byte for byte; only the change time is new.
void TestNorvak3x::olderRoundTrip()
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
    const int sections = version == 314 ? 16 : 18;
    for (int i = 0; i < sections; ++i) {
        QByteArray expected = source.sections.at(i);
        QByteArray actual = Image::section(written, i);
        if (i == Image::Title) {
            const int at = version == 314 ? 14 : quint8(expected.at(8)); // the change time
            const int length = version == 314 ? 4 : 16;
            expected.remove(at, length);
            actual.remove(at, length);
        }
        QCOMPARE(actual.toHex(' '), expected.toHex(' '));
    }
    const QByteArray derived = Image::section(written, Image::headerIndex(version, Image::Derived));
    QCOMPARE(derived.size(), 199 + 8 * 3);
    QCOMPARE(derived.mid(219, 2), Image::word(1234));
    QVERIFY(loaded(written)->checkCRC());
}

void TestNorvak3x::olderWriterLimits_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<Mutation>("mutate");
    QTest::addColumn<QString>("error");
    QTest::newRow("3.15 panel of 6 phases")
        << "3.15" << setting("vpu_phases", listOf({1, {}, {}, {}, {}, 1}))
        << "Число заданных фаз для ВПУ 6 превышает максимально допустимое 5";
    QTest::newRow("3.16 panel of 9 phases") << "3.16" << setting("vpu_phases", unsetList({1}, 9))
                                            << "Число заданных фаз для ВПУ 9 превышает максимально допустимое 8";
    QTest::newRow("3.14 phase of 17 groups") << "3.14" << Mutation([](CnfController& c) {
        auto phase = c.findPhase(QStringLiteral("1"));
        while (phase->signalGroups.size() < 17)
            phase->signalGroups.append(c.findSG(2));
    }) << "Фаза 1 содержит 17 сигнальных групп. Возможно не более 16";
    QTest::newRow("3.16 six error pairs") << "3.16" << setting("errorControl", pairs({1, 2, 3, 4, 5, 6}, 3))
                                          << "Неправильный размер данных в параметрах контроля ошибок 6 должно быть 5";
    QTest::newRow("3.17 five error pairs") << "3.17" << setting("errorControl", pairs({1, 2, 3, 4, 5}, 3))
                                           << "Неправильный размер данных в параметрах контроля ошибок 5 должно быть 6";
    QTest::newRow("3.14 17 statistics") << "3.14" << setting("dtStat314", unsetList({1}, 17))
                                        << "Неправильное количество записей статистики 17 должно быть 16";
    QTest::newRow("3.17 17 countdown panels")
        << "3.17" << setting("countDownTable", unsetList({}, 17))
        << "Число заданных параметров табло ОО 17 превышает максимально допустимое 16";
    QTest::newRow("3.16 63-byte program") << "3.16" << Mutation([](CnfController& c) {
        c.findProgram(QStringLiteral("1"))->setData(Image::record(63, {1, 0}));
    }) << "В программе 1 данные НОРВАК неправильного размера - 63 (должно быть 62)";
    QTest::newRow("3.17 62-byte program") << "3.17" << Mutation([](CnfController& c) {
        c.findProgram(QStringLiteral("1"))->setData(Image::record(62, {1, 0}));
    }) << "В программе 1 данные НОРВАК неправильного размера - 62 (должно быть 63)";
    auto algorithm = [](int size, int type) {
        return Mutation([size, type](CnfController& c) {
            c.findProgram(QStringLiteral("1"))->setData(Image::record(size, {1, type}));
        });
    };
    const QString unknown = QStringLiteral("Для программы 1 (тип %1) не найдено описание структуры в файле разметки");
    QTest::newRow("3.14 algorithm 9") << "3.14" << algorithm(62, 9) << unknown.arg(9);
    QTest::newRow("3.16 algorithm 23") << "3.16" << algorithm(62, 23) << unknown.arg(23);
    QTest::newRow("3.17 algorithm 26") << "3.17" << algorithm(63, 26) << unknown.arg(26);
    QTest::newRow("3.18 algorithm 28") << "3.18" << algorithm(63, 28) << unknown.arg(28);
    QTest::newRow("program id") << "3.18" << Mutation([](CnfController& c) {
        c.findProgram(QStringLiteral("1"))->id = QStringLiteral("P");
    }) << "Программа P имеет недопустимый идентификатор. Возможно использование только чисел";
    QTest::newRow("program id 256") << "3.15" << Mutation([](CnfController& c) {
        c.findProgram(QStringLiteral("1"))->id = QStringLiteral("256");
    }) << "Программа 256 имеет недопустимый идентификатор. Возможно использование только чисел";
    QTest::newRow("200 and -56") << "3.16" << Mutation([](CnfController& c) {
        c.findProgram(QStringLiteral("1"))->id = QStringLiteral("200");
        c.addProgram(rawProgram(QStringLiteral("-56"), Image::record(62, {1, 0})));
    }) << "Программы 200 и -56 имеют одинаковый номер -56";
}

void TestNorvak3x::olderWriterLimits()
{
    QFETCH(QString, version);
    QFETCH(Mutation, mutate);
    QFETCH(QString, error);
    CnfController c;
    buildController(c, version);
    QString message;
    QVERIFY2(!saved(c, &message).isEmpty(), qPrintable(message));
    mutate(c);
    QVERIFY(saved(c, &message).isEmpty());
    QCOMPARE(message, error);
}

// Values the older writers store in their own way.
void TestNorvak3x::olderWrittenValues()
{
    CnfController c;
    buildController(c, QStringLiteral("3.16"));
    // 3.16 offers eight variants and stores the first four
    for (int v = 1; v <= 8; ++v) {
        CnfSGTimes times;
        times.greenAdd1 = quint8(v);
        times.greenBlink = times.yellow = times.redAdd = times.yellowRed = times.greenAdd2 = 0;
        c.findSG(1)->variantTimes.insert(v, times);
    }
    // a renumbered program is written under its new number
    c.findProgram(QStringLiteral("1"))->id = QStringLiteral("-56");
    QByteArray image = saved(c);
    QByteArray intergreens = Image::section(image, Image::Intergreens);
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
    // title, power, info, groups, conflicts, intergreens, phases, programs,
    // day cards, three empty sections, central control, error control,
    // start-up, empty statistics, derived block, checksum
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

void TestNorvak3x::conversions_data()
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

// Every version converts to every other: the model's elements are kept, the
// settings whose shape differs are carried over by meaning.
void TestNorvak3x::conversions()
{
    QFETCH(int, from);
    QFETCH(int, to);
    const QString target = QStringLiteral("3.%1").arg(to - 300);
    CnfController c;
    QString error;
    const QByteArray image = converted(Image::full(from).build(), target, c, &error);
    QVERIFY2(!image.isEmpty(), qPrintable(error));
    auto adapter = loaded(image);
    QCOMPARE(adapter->version(), target);
    CnfController back;
    QVERIFY2(adapter->createController(back), qPrintable(adapter->lastError()));
    QCOMPARE(back.signalGroups().size(), 3);
    QCOMPARE(back.phases().size(), 2);
    QCOMPARE(back.programs().size(), 2);
    QCOMPARE(back.programs().at(1)->id, QStringLiteral("-56"));
    QCOMPARE(back.programs().at(1)->data().size(), Image::recordSize(to, Image::Programs));
    QCOMPARE(back.dayCards().size(), 2);
    QCOMPARE(back.specialDays().size(), 2);
    QCOMPARE(back.getNativeData("interstateVariantCount").toInt(), to == 318 ? 6 : (to >= 316 ? 8 : 4));
    // the variants both versions store
    QList<int> variants {1};
    const int second = from == 318 ? 3 : Image::storedVariants(from);
    if (second <= Image::storedVariants(to))
        variants.append(second);
    QCOMPARE(back.findSG(1)->variantTimes.keys(), variants);
    // error kinds by meaning: green conflict, red, short circuit, cable,
    // [silent devices], others
    const bool sixKinds = to >= 317;
    QVariantList errors = pairs({1, 2, 3, 4}, 3);
    if (sixKinds)
        errors.append(QVariant(from >= 317 ? listOf({5, 3}) : listOf({0, 0})));
    errors.append(QVariant(listOf({6, 3})));
    QCOMPARE(back.getNativeData("errorControl"), QVariant(errors));
    // the first two panel buttons are set in every version
    const QVariantList phases = back.getNativeData("vpu_phases").toList();
    QCOMPARE(phases.size(), to <= 315 ? 5 : 8);
    QCOMPARE(phases.mid(0, 3), unsetList({1, 2}, 3));
    QCOMPARE(back.getNativeData("journalDetail").toInt(), 2);
    QCOMPARE(back.getNativeData("asudd_allowedInactivity").toInt(), 30);
}

// 3.18 to 3.15: what 3.15 has no place for is left out, the rest is kept.
void TestNorvak3x::conversionLosses()
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
    QCOMPARE(back.getNativeData("countDownTable"), QVariant(listOf({panel}))); // the count is lost
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

    // an algorithm the target does not know is refused, not written
    Image advanced = Image::full();
    advanced.sections[Image::Programs] = Image::counted(63, {Image::record(63, {1, 26})});
    advanced.sections[Image::DayCards] = Image::counted(29, {});
    advanced.sections[Image::Week] = Image::counted(7, {});
    advanced.sections[Image::RemotePanel] = Image::counted(19, {});
    CnfController refused;
    QVERIFY(converted(advanced.build(), QStringLiteral("3.17"), refused, &error).isEmpty());
    QCOMPARE(error, QStringLiteral("Для программы 1 (тип 26) не найдено описание структуры в файле разметки"));
}

void TestNorvak3x::typeNames_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("fullName");
    QTest::newRow("3.18 coordination") << "3.18" << 2 << "Коорд" << "Координация";
    QTest::newRow("3.18 last") << "3.18" << 27 << "АтвпХ" << "АтвпХ (Поиск разрыва с вызовом конфл. пеш. фазы.)";
    QTest::newRow("3.17 last") << "3.17" << 25 << "Адап8К" << "Адап8К (расширенный поиск разрыва с коорд.)";
    QTest::newRow("3.17 beyond") << "3.17" << 27 << "alg27" << "Неизвестный тип 27";
    QTest::newRow("3.16 last") << "3.16" << 22 << "CVIP" << "CVIP (Приоритетный пропуск с коорд.)";
    QTest::newRow("3.15 beyond") << "3.15" << 23 << "alg23" << "Неизвестный тип 23";
    QTest::newRow("3.14 last") << "3.14" << 8 << "Адап3" << "Адап3 (выезд с узкой прилегающей)";
    QTest::newRow("3.14 beyond") << "3.14" << 9 << "alg9" << "Неизвестный тип 9";
    QTest::newRow("3.14 red") << "3.14" << 0 << "ЖМ" << "ЖМ";
}

void TestNorvak3x::typeNames()
{
    QFETCH(QString, layout);
    QFETCH(int, type);
    QFETCH(QString, label);
    QFETCH(QString, fullName);
    QCOMPARE(CnfProgram::norvakTypeName(type, layout, false), label);
    QCOMPARE(CnfProgram::norvakTypeName(type, layout, true), fullName);
}

void TestNorvak3x::olderServices_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("variants");
    QTest::newRow("3.14") << 314 << 4;
    QTest::newRow("3.15") << 315 << 4;
    QTest::newRow("3.16") << 316 << 8;
    QTest::newRow("3.17") << 317 << 8;
    QTest::newRow("3.18") << 318 << 6;
}

// initController and the dynamic program of each version.
void TestNorvak3x::olderServices()
{
    QFETCH(int, version);
    QFETCH(int, variants);
    const QString text = QStringLiteral("3.%1").arg(version - 300);
    CnfController fresh;
    CnfNative::initController(fresh, QStringLiteral("norvak"), text);
    QCOMPARE(fresh.getNativeData("interstateVariantCount"), QVariant(variants));

    auto adapter = adapterOf(version);
    CnfController c;
    QVERIFY(adapter->createController(c));
    const int size = Image::recordSize(version, Image::Programs);
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
}

QTEST_GUILESS_MAIN(TestNorvak3x)
#include "tst_norvak3x.moc"
