#include <QDateTime>
#include <QFile>
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

void addPrograms(CnfController& c, int from, int to)
{
    for (int i = from; i <= to; ++i)
        c.addProgram(rawProgram(QString::number(i), Image::record(63, {i, 0, 1})));
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
void buildController(CnfController& c)
{
    CnfNative::initController(c, QStringLiteral("norvak"), QStringLiteral("3.18"));
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

QByteArray saved(CnfController& c, QString* error = nullptr)
{
    auto adapter = CnfNative::loadNativeConfig(Image::full().build());
    const QByteArray image = adapter->save(c);
    if (error)
        *error = adapter->lastError();
    return image;
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
    void sectionsWithoutRecords();
    void readerErrors_data();
    void readerErrors();
    void readerWarnings_data();
    void readerWarnings();
    void roundTrip();
    void writerLimits_data();
    void writerLimits();
    void weekGaps_data();
    void weekGaps();
    void writtenValues();
    void sizeLimit();
    void dynamicProgram();
    void files();
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
void TestNorvak3x::sectionsWithoutRecords()
{
    Image image = Image::minimal();
    image.sections[Image::ErrorControl] = Image::counted(6, {Image::bytes({1, 2, 3, 4, 5, 6})});
    auto adapter = loaded(image.build());
    QVERIFY(adapter);
    CnfController c;
    QVERIFY2(adapter->createController(c), qPrintable(adapter->lastError()));
    for (const char* key : {"receiver", "startup_yf", "sync_frequency", "useKey", "vpu_phases",
             "asudd_allowedInactivity", "errorControl", "dtStat317", "countDownTable"})
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
    QTest::newRow("device type") << with(Image::Power, 6, 200) << "Неизвестный тип устройства 200 по адресу 3";
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

QTEST_GUILESS_MAIN(TestNorvak3x)
#include "tst_norvak3x.moc"
