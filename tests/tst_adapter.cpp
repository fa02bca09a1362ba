// The text configuration of the communication adapter: recognition,
// reading, writing with its MD4 line, and the dynamic program record.
#include <QCryptographicHash>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

#include "cnf.h"

namespace
{
QTextCodec* cp1251()
{
    return QTextCodec::codecForName("windows-1251");
}

// A whole configuration around the given item lines.
QByteArray configuration(const QString& items)
{
    return cp1251()->fromUnicode(QStringLiteral("BEGIN:\n") + items + QStringLiteral("\nEND.\n"));
}

// The item lines of a written configuration, between BEGIN: and END.
QString itemLines(const QByteArray& text)
{
    QStringList lines = cp1251()->toUnicode(text).split(QLatin1Char('\n'));
    const int begin = lines.indexOf(QStringLiteral("BEGIN:"));
    const int end = lines.indexOf(QStringLiteral("END."));
    return begin < 0 || end < begin ? QString() : lines.mid(begin + 1, end - begin - 1).join(QLatin1Char('\n'));
}

QString md4(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md4).toHex());
}

// "phase/length" of every step.
QString steps(const CnfProgram& program)
{
    QStringList list;
    for (const auto& step : program.phases())
        list.append(step->id() + QLatin1Char('/') + QString::number(step->length()));
    return list.join(QLatin1Char(' '));
}

bool read(const QString& items, CnfController& controller, QString* error = nullptr)
{
    AdapterConfig config;
    const bool ok = config.load(configuration(items)) && config.createController(controller);
    if (error)
        *error = config.lastError();
    return ok;
}

QSharedPointer<CnfPhase> phase(const QString& id, int minLength = 0, int maxLength = 240)
{
    auto p = QSharedPointer<CnfPhase>::create();
    p->id = id;
    p->minLength = minLength;
    p->maxLength = maxLength;
    return p;
}
} // namespace

class TestAdapter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void recognition_data();
    void recognition();
    void programs_data();
    void programs();
    void items_data();
    void items();
    void schedule();
    void readErrors_data();
    void readErrors();
    void writerExample();
    void writtenPrograms_data();
    void writtenPrograms();
    void writeErrors_data();
    void writeErrors();
    void roundTrip_data();
    void roundTrip();
    void checksum_data();
    void checksum();
    void checksumOverWindows1251();
    void dynamicProgram();
    void detectionAndDispatch();
};

void TestAdapter::recognition_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("minimal") << QByteArray("BEGIN:\nEND.\n") << true;
    QTest::newRow("checksum line, comments, CRLF, no last line feed")
        << QByteArray("# note\r\n  BEGIN:  \r\n\r\nX=1\r\nEND.") << true;
    QTest::newRow("no END.") << QByteArray("BEGIN:\nX=1\n") << false;
    QTest::newRow("END. before BEGIN:") << QByteArray("END.\nBEGIN:\n") << false;
    QTest::newRow("lower case") << QByteArray("begin:\nend.\n") << false;
    QTest::newRow("commented BEGIN:") << QByteArray("#BEGIN:\nEND.\n") << false;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("binary") << QByteArray("\0\xff\x01\nBEGIN", 9) << false;
}

void TestAdapter::recognition()
{
    QFETCH(QByteArray, data);
    AdapterConfig config;
    QTEST(config.load(data), "accepted");
    QCOMPARE(config.checkCRC(), true); // no checksum line with a digest to compare
    QCOMPARE(config.version(), QStringLiteral("adapter"));
}

void TestAdapter::programs_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QByteArray>("record"); // bytes 0 to 12: head and the first phase record
    QTest::addColumn<QString>("steps");

    QTest::newRow("timer") << "PRG3=1(1 20)(2 30)" << "3" << QByteArray("03 01 ff ff ff ff 00 14 ff ff ff ff ff")
                           << "1/20 2/30";
    QTest::newRow("blanks between records") << "PRG3=1(1 20) (2 30) " << "3"
                                            << QByteArray("03 01 ff ff ff ff 00 14 ff ff ff ff ff") << "1/20 2/30";
    QTest::newRow("coordination") << "PRG4=2 10 90(1 20)(2 30)" << "4"
                                  << QByteArray("04 02 ff ff 5a 0a 00 14 ff ff ff ff ff") << "1/20 2/30";
    QTest::newRow("coordination, cycle summed") << "PRG4=2 10(1 20)(2 30)" << "4"
                                                << QByteArray("04 02 ff ff 32 0a 00 14 ff ff ff ff ff") << "1/20 2/30";
    QTest::newRow("coordination without offset") << "PRG4=2(1 20)(2 30)" << "4"
                                                 << QByteArray("04 02 ff ff 32 ff 00 14 ff ff ff ff ff") << "1/20 2/30";
    QTest::newRow("pedestrian without call") << "PRG1=3 2(1 20 0 15 4 5 6)" << "1"
                                             << QByteArray("01 03 ff 02 ff ff 00 14 ff ff 04 05 06") << "1/20";
    QTest::newRow("empty field reads 0") << "PRG1=3 1(1 20  10 3)" << "1"
                                         << QByteArray("01 03 ff 01 ff ff 00 14 ff ff 03 ff ff") << "1/20";
    QTest::newRow("call phase") << "PRG1=4 2(1 20 2 10 3)" << "1"
                                << QByteArray("01 04 ff 02 ff ff 00 14 01 0a 03 ff ff") << "1/20 2/10";
    QTest::newRow("coordinated call") << "PRG5=5 1 10 60(1 20 2 0 3)" << "5"
                                      << QByteArray("05 05 ff 01 3c 0a 00 14 01 00 03 ff ff") << "1/20 2/-1";
    QTest::newRow("coordinated call, cycle summed") << "PRG5=5 1 10(1 20 2 0 3)" << "5"
                                                    << QByteArray("05 05 ff 01 14 0a 00 14 01 00 03 ff ff") << "1/20 2/-1";
    QTest::newRow("coordinated call without call") << "PRG1=5 1(1 20 0 0 3)" << "1"
                                                   << QByteArray("01 05 ff 01 14 ff 00 14 ff ff ff ff ff") << "1/20";
    QTest::newRow("gap search") << "PRG1=6 1(1 20 1 5 3 7)" << "1"
                                << QByteArray("01 06 ff 01 ff ff 00 14 00 05 03 07 ff") << "1/20";
    QTest::newRow("coordinated gap search") << "PRG1=9 1 5 80(1 20 1 0 3)" << "1"
                                            << QByteArray("01 09 ff 01 50 05 00 14 00 00 03 ff ff") << "1/20";
    QTest::newRow("yellow flashing") << "PRG6=0" << "6" << QByteArray("06 00 ff ff ff ff ff ff ff ff ff ff ff") << "";
    QTest::newRow("off") << "PRG6=255" << "6" << QByteArray("06 ff ff ff ff ff ff ff ff ff ff ff ff") << "";
    QTest::newRow("number read signed") << "PRG-56=1(1 20)" << "-56"
                                        << QByteArray("c8 01 ff ff ff ff 00 14 ff ff ff ff ff") << "1/20";
}

void TestAdapter::programs()
{
    QFETCH(QString, line);
    CnfController controller;
    QString error;
    QVERIFY2(read(line, controller, &error), qPrintable(error));
    QCOMPARE(controller.property("type").toString(), QStringLiteral("adapter"));
    QCOMPARE(controller.programs().size(), 1);
    const auto program = controller.programs().first();
    QTEST(program->id, "id");
    QCOMPARE(program->type, CnfProgram::NorvakSpecial);
    QCOMPARE(program->data().size(), 62);
    QTEST(program->data().left(13).toHex(' '), "record");
    QTEST(steps(*program), "steps");
    // Phases named by the records are created with the format's limits.
    for (const auto& created : controller.phases()) {
        QCOMPARE(created->minLength, 0);
        QCOMPARE(created->maxLength, 240);
    }
}

void TestAdapter::items_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("name"); // property, or native data when upper case
    QTest::addColumn<QString>("value");

    QTest::newRow("number") << "DEVID = 12" << "number" << "12";
    QTest::newRow("description") << "STRID=Перекрёсток" << "description" << "Перекрёсток";
    QTest::newRow("quoted") << "HOST=\"10.0.0.1\"" << "HOST" << "10.0.0.1";
    QTest::newRow("quoted blanks kept") << "PASSWORD=\" p \"" << "PASSWORD" << " p ";
    QTest::newRow("leading quote only") << "USER=\"admin" << "USER" << "\"admin";
    QTest::newRow("lone quote") << "USER=\"" << "USER" << "\"";
    QTest::newRow("value with =") << "KEY=a=b" << "KEY" << "a=b";
    QTest::newRow("modem lines joined") << "MODEMINIT=AT\nMODEMINIT=ATZ" << "MODEMINIT" << "AT\nATZ";
}

void TestAdapter::items()
{
    QFETCH(QString, line);
    QFETCH(QString, name);
    CnfController controller;
    controller.setProperty("number", 99); // of an earlier configuration
    QVERIFY(read(line, controller));
    QCOMPARE(controller.property("number").isValid(), name == QLatin1String("number"));
    const QVariant value = name.at(0).isLower() ? controller.property(qPrintable(name)) : controller.getNativeData(name);
    QTEST(value.toString(), "value");
}

void TestAdapter::schedule()
{
    CnfController controller;
    QString error;
    QVERIFY2(read(QStringLiteral("PRG3=1(1 20)\nPRG4=0\nDAILY1=3 24:00;4 6:30\nDAILY2=3 7:24\n"
                                 "WEEK=1 1 1 1 1 2 2\nDAY=1 25/12\nDAY=2 29/2"),
                  controller, &error),
             qPrintable(error));
    const auto first = controller.findDayCard(QStringLiteral("1"));
    QVERIFY(first);
    QCOMPARE(first->records.keys(), (QList<QTime>{QTime(0, 0), QTime(6, 30)}));
    QCOMPARE(first->records.first().program, controller.findProgram(QStringLiteral("3")));
    QCOMPARE(first->records.last().program, controller.findProgram(QStringLiteral("4")));
    QCOMPARE(controller.findDayCard(QStringLiteral("2"))->records.keys(), QList<QTime>{QTime(7, 24)});

    QCOMPARE(controller.weekCards().size(), 1);
    const auto week = controller.weekCards().first();
    QCOMPARE(week->id, QStringLiteral("1"));
    QCOMPARE(week->days.keys(), (QList<Qt::DayOfWeek>{Qt::Monday, Qt::Saturday}));
    QCOMPARE(week->days.value(Qt::Saturday), controller.findDayCard(QStringLiteral("2")));

    const auto days = controller.specialDays();
    QCOMPARE(days.size(), 2);
    QCOMPARE(days.firstKey().day(), 29);
    QCOMPARE(days.firstKey().month(), 2);
    QCOMPARE(days.first()->dayCard, controller.findDayCard(QStringLiteral("2")));
    QCOMPARE(days.lastKey().day(), 25);
    QCOMPARE(days.lastKey().month(), 12);
}

void TestAdapter::readErrors_data()
{
    QTest::addColumn<QString>("items");
    QTest::addColumn<QString>("message");

    const QString base = QStringLiteral("PRG1=1(1 20)\nDAILY1=1 6:00\n");
    QTest::newRow("no =") << "FOO" << "Invalid parameter description: FOO";
    QTest::newRow("empty key") << "=5" << "Invalid parameter description: =5";
    QTest::newRow("empty head") << "PRG1=(1 20)" << "Неверное описание программы: PRG1=(1 20)";
    QTest::newRow("number not a number") << "PRGX=1(1 20)" << "Неверное описание программы: PRGX=1(1 20)";
    QTest::newRow("number beyond a byte") << "PRG300=0" << "Неверное описание программы: PRG300=0";
    QTest::newRow("nine records") << "PRG1=1(1 1)(2 1)(3 1)(4 1)(5 1)(6 1)(7 1)(8 1)(9 1)"
                                  << "Число описаний фаз в программе превышает 8: "
                                     "PRG1=1(1 1)(2 1)(3 1)(4 1)(5 1)(6 1)(7 1)(8 1)(9 1)";
    QTest::newRow("no records") << "PRG6=1" << "Неправильное число параметров определения фаз в программе: PRG6=1";
    QTest::newRow("algorithm 7") << "PRG1=7(1 20)" << "Неверный тип программы: PRG1=7(1 20)";
    QTest::newRow("algorithm 10") << "PRG1=10(1 20)" << "Неверный тип программы: PRG1=10(1 20)";
    QTest::newRow("algorithm not a number") << "PRG1=x(1 20)" << "Неверный тип программы: PRG1=x(1 20)";
    QTest::newRow("timer, two blanks") << "PRG1=1(1  20)"
                                       << "Неправильное число параметров определения фаз в программе: PRG1=1(1  20)";
    QTest::newRow("call, four fields") << "PRG1=3 1(1 20 2 10)"
                                       << "Неправильное число параметров определения фаз в программе: PRG1=3 1(1 20 2 10)";
    QTest::newRow("call, eight fields")
        << "PRG1=4 1(1 20 2 10 3 4 5 6)"
        << "Неправильное число параметров определения фаз в программе: PRG1=4 1(1 20 2 10 3 4 5 6)";
    QTest::newRow("no call condition") << "PRG1=3(1 20 2 10 3)"
                                       << "Недостаточно параметров для описания алгоритма: PRG1=3(1 20 2 10 3)";
    QTest::newRow("coordinated, no call condition")
        << "PRG1=9(1 20 1 0 3)" << "Недостаточно параметров для описания алгоритма: PRG1=9(1 20 1 0 3)";
    QTest::newRow("length beyond a byte") << "PRG1=1(1 300)"
                                          << "Неверное значение \"300\" в описании программы: PRG1=1(1 300)";
    QTest::newRow("phase 255") << "PRG1=1(255 20)" << "Неверное значение \"255\" в описании программы: PRG1=1(255 20)";
    QTest::newRow("negative offset") << "PRG1=2 -1(1 20)"
                                     << "Неверное значение \"-1\" в описании программы: PRG1=2 -1(1 20)";
    QTest::newRow("summed cycle beyond a byte") << "PRG1=2 0(1 200)(2 100)" << "В программе 1 длительность цикла 300 больше 255";
    QTest::newRow("repeated card") << base + "DAILY1=1 7:00" << "Repeated description of daily cards 1 (DAILY1=1 7:00)";
    QTest::newRow("entry of one part") << "DAILY1=1" << "Invalid description of daily cards DAILY1=1";
    QTest::newRow("unknown program") << "DAILY1=2 6:00" << "Daily card 1 contain non-existing program 2";
    QTest::newRow("invalid time") << base + "DAILY2=1 25:00"
                                  << "В суточной карте 2 задано неверное значение времени для программы 1";
    QTest::newRow("repeated time") << base + "DAILY2=1 6:00;1 6:0" << "В суточной карте 2 время 6:0 задано дважды";
    QTest::newRow("week of three") << "WEEK=1 1 1" << "Invalid format of weekly distibution WEEK=1 1 1";
    QTest::newRow("week, unknown card") << base + "WEEK=1 1 1 1 1 1 2"
                                        << "В недельном расписании задана несуществующая карта 2";
    QTest::newRow("special day of one part") << "DAY=1" << "Неправильно задан особый день года DAY=1";
    QTest::newRow("special day, unknown card") << base + "DAY=2 1/1" << "Special days DAY=2 1/1 contain non-existing card 2";
    QTest::newRow("special day, invalid date") << base + "DAY=1 31/2" << "Special days DAY=1 31/2 contain invalid date";
    QTest::newRow("special day twice") << base + "DAY=1 1/1\nDAY=1 01/01" << "Особый день DAY=1 01/01 задан дважды";
}

void TestAdapter::readErrors()
{
    QFETCH(QString, items);
    CnfController controller;
    QString error;
    QVERIFY(!read(items, controller, &error));
    QTEST(error, "message");
}

// The configuration the writer produces for a small controller, line by line.
void TestAdapter::writerExample()
{
    CnfController controller;
    CnfNative::initController(controller, QStringLiteral("adapter"), QVariant());
    controller.addPhase(phase(QStringLiteral("1")));
    controller.addPhase(phase(QStringLiteral("2")));
    auto program = QSharedPointer<CnfProgram>::create();
    QByteArray record(62, char(0xFF));
    record[0] = 5;
    record[1] = 1;
    record[6] = 0;
    record[7] = 20;
    record[13] = 1;
    record[14] = 30;
    QVERIFY(controller.setProgramRawData(program, record));
    controller.addProgram(program);
    auto card = QSharedPointer<CnfDayCard>::create();
    card->id = QStringLiteral("1");
    card->addRecord(QTime(6, 0), program, QSharedPointer<CnfProgram>());
    controller.addDayCard(card);
    auto week = QSharedPointer<CnfWeekCard>::create();
    week->days.insert(Qt::Monday, card);
    controller.addWeekCard(week);
    controller.setNativeData(QStringLiteral("HOST"), QStringLiteral("h"));

    AdapterConfig config;
    const QByteArray written = config.save(controller);
    QVERIFY2(!written.isEmpty(), qPrintable(config.lastError()));
    const QByteArray body("HOST=\"h\"\nTYPE=ZT4\nPRG5=1(1 20)(2 30)\nDAILY1=5 6:0\nWEEK=1 1 1 1 1 1 1\n");
    const QByteArray digest = md4(QByteArray(body).replace('\n', "")).toLatin1();
    QCOMPARE(written, "MD4=" + digest + "\nBEGIN:\n" + body + "END.\n");

    // The default type takes its place among the names, as it reads back.
    controller.setNativeData(QStringLiteral("USER"), QStringLiteral("u"));
    controller.setNativeData(QStringLiteral("TYPE"), QString());
    QVERIFY(itemLines(config.save(controller)).startsWith(QStringLiteral("HOST=\"h\"\nTYPE=ZT4\nUSER=\"u\"\nPRG5")));
}

void TestAdapter::writtenPrograms_data()
{
    QTest::addColumn<QString>("bytes"); // changes to a coordination record: position=value ...
    QTest::addColumn<QString>("line");

    QTest::newRow("cycle summed") << "4=255" << "PRG1=2 10 50(1 20)(2 30)";
    QTest::newRow("unset offset written as 0") << "5=255" << "PRG1=2 0 90(1 20)(2 30)";
    QTest::newRow("pedestrian, no call phase")
        << "1=3 3=2 8=255 9=255 10=7" << "PRG1=3 2(1 20 0 0 7)(2 30 0 0 255)";
    QTest::newRow("call phase with its own length and detector 2 only")
        << "1=4 3=1 8=1 9=12 10=3 12=9" << "PRG1=4 1(1 20 2 12 3 255 9)(2 30 0 0 255)";
    QTest::newRow("coordinated call without call phase") << "1=5 3=1 8=255 10=4" << "PRG1=5 1 10 90(1 20 0 0 4)(2 30 0 0 255)";
    QTest::newRow("gap search repeats the phase") << "1=6 3=1 8=255 9=5 10=3" << "PRG1=6 1(1 20 1 5 3)(2 30 2 255 255)";
}

// A coordination record over phases 1 and 2 (offset 10, cycle 90), changed
// byte by byte, is written as the line.
void TestAdapter::writtenPrograms()
{
    QFETCH(QString, bytes);
    CnfController controller;
    QVERIFY(read(QStringLiteral("PRG1=2 10 90(1 20)(2 30)\nDAILY1=1 0:0\nWEEK=1 1 1 1 1 1 1"), controller));
    const auto program = controller.findProgram(QStringLiteral("1"));
    QByteArray record = program->data();
    for (const QString& change : bytes.split(QLatin1Char(' ')))
        record[change.section(QLatin1Char('='), 0, 0).toInt()] = char(change.section(QLatin1Char('='), 1).toInt());
    program->setData(record);
    AdapterConfig config;
    const QByteArray written = config.save(controller);
    QVERIFY2(!written.isEmpty(), qPrintable(config.lastError()));
    QFETCH(QString, line);
    QVERIFY2(itemLines(written).split(QLatin1Char('\n')).contains(line), qPrintable(itemLines(written)));
    // What is written reads back.
    CnfController back;
    QVERIFY(config.load(written));
    QVERIFY2(config.createController(back), qPrintable(config.lastError()));
}

void TestAdapter::writeErrors_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("message");

    QTest::newRow("timer of the model") << "timer" << "Program 1 contain unsupported algorithm Таймер";
    QTest::newRow("short record") << "short" << "In program 1 adapter data has invalid size - 61 (must be 62)";
    QTest::newRow("algorithm 7") << "1=7" << "Programm 1 has invalid type 7";
    QTest::newRow("offset above cycle") << "5=60 4=255" << "In program 1 specified invalid cycle offset - 60 (must be from 0 to 50)";
    QTest::newRow("no call condition") << "1=5 3=255" << "In program 1 not specified call condition";
    QTest::newRow("no phase records") << "6=255 13=255" << "В программе 1 не задано ни одной фазы";
    QTest::newRow("position beyond the list") << "13=7" << "In program 1 specified not existing phase with index 7";
    QTest::newRow("call position beyond the list") << "1=4 3=1 8=9" << "In program 1 specified not existing phase with index 9";
    QTest::newRow("duration above maximum") << "7=250" << "In program 1 specified invalid phase duration 1: 250 (must be from 0 to 240";
    QTest::newRow("call duration above maximum")
        << "1=4 3=1 8=1 9=241" << "In program 1 specified invalid phase duration 2: 241 (must be from 0 to 240";
    QTest::newRow("summed cycle beyond a byte") << "4=255 7=200 14=100" << "В программе 1 длительность цикла 300 больше 255";
    QTest::newRow("phase id not a number") << "phase id" << "Фаза x имеет недопустимый идентификатор. Возможно использование "
                                                         "только чисел от 0 до 254";
    QTest::newRow("call phase 0") << "phase 0 call" << "В программе 1 фаза 0 не может быть записана на месте фазы "
                                                       "вызова: 0 означает её отсутствие";
    QTest::newRow("program id not a number") << "program id" << "Программа p имеет недопустимый идентификатор. "
                                                                "Возможно использование только чисел от -128 до 255";
    QTest::newRow("program number twice") << "program 200" << "Номер программы -56 задан дважды";
    QTest::newRow("seventeen programs") << "programs" << "Число заданных программ 17 превышает максимально допустимое 16";
    QTest::newRow("entry without program") << "entry" << "In daily card 1 contains record with unspecified program";
    QTest::newRow("eight entries") << "entries" << "Суточная карта 1 содержит 8 записей. Возможно не более 7";
    QTest::newRow("card id with a blank") << "card id" << "Суточная карта \"1 2\" имеет недопустимый идентификатор: нужно "
                                                          "одно слово без знака =";
    QTest::newRow("no week") << "no week" << "In configuration not specified weekly distribution of daily cards";
    QTest::newRow("week day without card") << "week null" << "Недельный план содержит ссылку на несуществующую суточную "
                                                             "карту для дня недели 3";
    QTest::newRow("week without card") << "week empty" << "В недельном плане не задано ни одной суточной карты";
    QTest::newRow("special day without card") << "special day" << "Особые дни содержат ссылку на несуществующую суточную "
                                                                  "карту для даты 1/5";
    QTest::newRow("line break in a value") << "line break" << "Значение параметра STRID содержит перевод строки";
    QTest::newRow("value beyond the code page") << "code page" << "Значение параметра STRID содержит символы, которых нет в "
                                                                  "кодировке Windows-1251";
    QTest::newRow("key read as a program") << "key" << "Параметр PRGX не может быть записан в конфигурацию адаптера";
}

// A coordination program over phases 1 and 2 with a daily and a weekly card,
// given one fault.
void TestAdapter::writeErrors()
{
    QFETCH(QString, change);
    CnfController controller;
    QVERIFY(read(QStringLiteral("PRG1=2 10(1 20)(2 30)\nDAILY1=1 0:0\nWEEK=1 1 1 1 1 1 1"), controller));
    const auto program = controller.findProgram(QStringLiteral("1"));
    const auto card = controller.findDayCard(QStringLiteral("1"));
    QByteArray record = program->data();
    if (change == QLatin1String("timer")) {
        program->type = CnfProgram::Timer;
    } else if (change == QLatin1String("short")) {
        program->setData(record.left(61));
    } else if (change.contains(QLatin1Char('='))) {
        for (const QString& c : change.split(QLatin1Char(' ')))
            record[c.section(QLatin1Char('='), 0, 0).toInt()] = char(c.section(QLatin1Char('='), 1).toInt());
        program->setData(record);
    } else if (change == QLatin1String("phase id")) {
        controller.phases().first()->id = QStringLiteral("x");
    } else if (change == QLatin1String("phase 0 call")) {
        controller.phases().at(1)->id = QStringLiteral("0");
        record[1] = 4;
        record[3] = 1;
        record[8] = 1;
        program->setData(record);
    } else if (change == QLatin1String("program id")) {
        program->id = QStringLiteral("p");
    } else if (change == QLatin1String("program 200")) {
        program->id = QStringLiteral("-56");
        auto other = QSharedPointer<CnfProgram>::create();
        QVERIFY(controller.setProgramRawData(other, record));
        other->id = QStringLiteral("200");
        controller.addProgram(other);
    } else if (change == QLatin1String("programs")) {
        for (int i = 2; i <= 17; ++i) {
            auto other = QSharedPointer<CnfProgram>::create();
            other->setData(record);
            other->type = CnfProgram::NorvakSpecial;
            other->id = QString::number(i);
            controller.addProgram(other);
        }
    } else if (change == QLatin1String("entry")) {
        card->records[QTime(0, 0)].program.reset();
    } else if (change == QLatin1String("entries")) {
        for (int hour = 1; hour <= 7; ++hour)
            card->addRecord(QTime(hour, 0), program, QSharedPointer<CnfProgram>());
    } else if (change == QLatin1String("card id")) {
        card->id = QStringLiteral("1 2");
    } else if (change == QLatin1String("no week")) {
        controller.removeWeekCard(controller.weekCards().first());
    } else if (change == QLatin1String("week null")) {
        controller.weekCards().first()->days.insert(Qt::Wednesday, QSharedPointer<CnfDayCard>());
    } else if (change == QLatin1String("week empty")) {
        controller.weekCards().first()->days.clear();
    } else if (change == QLatin1String("special day")) {
        controller.addSpecialDay(QDate(2024, 5, 1), QSharedPointer<CnfSpecialDay>::create());
    } else if (change == QLatin1String("line break")) {
        controller.setProperty("description", QStringLiteral("two\nlines"));
    } else if (change == QLatin1String("code page")) {
        controller.setProperty("description", QStringLiteral("交差点"));
    } else if (change == QLatin1String("key")) {
        controller.setNativeData(QStringLiteral("PRGX"), QStringLiteral("1"));
    }
    AdapterConfig config;
    QVERIFY(config.save(controller).isEmpty());
    QTEST(config.lastError(), "message");
}

void TestAdapter::roundTrip_data()
{
    QTest::addColumn<QString>("items"); // as the writer writes them

    QTest::newRow("every algorithm")
        << "DEVID=7\nSTRID=Перекрёсток Ленина\nHOST=\"h\"\nPASSWORD=\" p \"\nTYPE=ZT4\n"
           "PRG1=1(1 20)(2 30)\nPRG2=2 10 90(1 20)(2 30)\nPRG3=3 2(1 20 0 0 7)(2 30 3 10 5 6 7)\n"
           "PRG4=4 1(1 20 2 12 3 255 9)\nPRG5=5 1 0 60(1 20 2 0 3)\nPRG6=6 1(1 20 1 5 3)\n"
           "PRG7=9 1 5 80(1 20 1 0 3 4 5)\nPRG8=0\nPRG-1=255\n"
           "DAILY1=1 0:0;2 6:30;8 23:59\nDAILY01=-1 12:0\nDAILY2=\n"
           "WEEK=01 01 1 1 1 2 2\nDAY=1 29/2\nDAY=01 25/12";
    QTest::newRow("values the reader would change")
        << "A=\"\"quoted\"\"\nB=\" edge \"\nMODEMINIT=AT\nMODEMINIT=\" ATZ\"\nTYPE=other\nPRG1=0\nDAILY1=1 0:0\n"
           "WEEK=1 1 1 1 1 1 1";
}

// text -> model -> text gives the same items.
void TestAdapter::roundTrip()
{
    QFETCH(QString, items);
    CnfController controller;
    QString error;
    QVERIFY2(read(items, controller, &error), qPrintable(error));
    AdapterConfig config;
    const QByteArray written = config.save(controller);
    QVERIFY2(!written.isEmpty(), qPrintable(config.lastError()));
    QCOMPARE(itemLines(written), items);
    QVERIFY(config.load(written));
    QVERIFY(config.checkCRC());
}

void TestAdapter::checksum_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QByteArray>("digest");

    // The test suite of RFC 1320.
    QTest::newRow("empty") << QByteArray() << QByteArray("31d6cfe0d16ae931b73c59d7e0c089c0");
    QTest::newRow("a") << QByteArray("a") << QByteArray("bde52cb31de33e46245e05fbdbd6fb24");
    QTest::newRow("abc") << QByteArray("abc") << QByteArray("a448017aaf21d8525fc10ae87aa6729d");
    QTest::newRow("message digest") << QByteArray("message digest") << QByteArray("d9130a8164549fe818874806e1c7014b");
    QTest::newRow("alphabet") << QByteArray("abcdefghijklmnopqrstuvwxyz") << QByteArray("d79e1c308aa5bbcdeea8ed63df412da9");
    QTest::newRow("alphanumeric") << QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789")
                                  << QByteArray("043f8582f241db351ce627e153e7f0e4");
    QTest::newRow("digits") << QByteArray("12345678901234567890123456789012345678901234567890123456789012345678901234567890")
                            << QByteArray("e33b4ddc9c38f2199c3e7b164fcc0536");
}

// The digest covers the trimmed lines between BEGIN: and END. without their
// line ends; the checksum line itself, BEGIN: and END. are not covered.
void TestAdapter::checksum()
{
    QFETCH(QByteArray, message);
    QFETCH(QByteArray, digest);
    const QByteArray text = "MD4=" + digest.toUpper() + "\r\nBEGIN:\n  " + message + "\r\n\nEND.\nafter\n";
    AdapterConfig config;
    QVERIFY(config.load(text));
    QVERIFY2(config.checkCRC(), qPrintable(config.lastError()));
    QByteArray changed = text;
    changed.replace("after", "other");
    changed.insert(changed.indexOf("BEGIN:"), "#x\n");
    QVERIFY(config.load(changed));
    QVERIFY(config.checkCRC());
    QVERIFY(config.load(QByteArray(text).replace("\nEND.", "X\nEND.")));
    QVERIFY(!config.checkCRC());
    QVERIFY(config.lastError().contains(QString::fromLatin1(digest)));
}

// Whatever the locale, the digest is that of the file's own bytes.
void TestAdapter::checksumOverWindows1251()
{
    CnfController controller;
    QVERIFY(read(QStringLiteral("STRID=Улица Мира\nDAILY1=\nWEEK=1 1 1 1 1 1 1"), controller));
    AdapterConfig config;
    const QByteArray written = config.save(controller);
    const QByteArray lines = cp1251()->fromUnicode(QStringLiteral("STRID=Улица МираTYPE=ZT4DAILY1=WEEK=1 1 1 1 1 1 1"));
    QCOMPARE(written.left(36), "MD4=" + md4(lines).toLatin1());
    QVERIFY(config.load(written));
    QVERIFY(config.checkCRC());
}

void TestAdapter::dynamicProgram()
{
    CnfController controller;
    CnfNative::initController(controller, QStringLiteral("adapter"), QVariant());
    AdapterConfig config;
    QVERIFY(config.createDynamicProgram(controller, {}).isEmpty());
    QCOMPARE(config.lastError(), QStringLiteral("В контроллере нет программ"));

    for (const char* id : {"1", "2", "3", "4"})
        controller.addPhase(phase(QLatin1String(id)));
    auto timer = QSharedPointer<CnfProgram>::create();
    timer->id = QStringLiteral("7");
    timer->type = CnfProgram::Timer;
    timer->appendPhase(controller.findPhase(QStringLiteral("1")), 20);
    timer->appendPhase(controller.findPhase(QStringLiteral("3")), 25);
    controller.addProgram(timer);
    QByteArray record = config.createDynamicProgram(controller, {});
    QCOMPARE(record.size(), 62);
    QCOMPARE(record.left(15).toHex(' '), QByteArray("07 01 ff ff ff ff 01 14 ff ff ff ff ff 03 19"));
    QCOMPARE(record.count(char(0xFF)), 62 - 6);

    timer->type = CnfProgram::Coord;
    record = config.createDynamicProgram(controller, timer);
    QCOMPARE(record.left(7).toHex(' '), QByteArray("07 02 ff ff 2d 00 01"));
    timer->type = CnfProgram::Timer;
    timer->appendPhase(controller.findPhase(QStringLiteral("2")), 300);
    QVERIFY(config.createDynamicProgram(controller, timer).isEmpty());
    QVERIFY(config.lastError().contains(QStringLiteral("300")));

    // The stored record names positions; the dynamic one phase numbers.
    auto special = QSharedPointer<CnfProgram>::create();
    QByteArray stored(62, char(0xFF));
    stored[0] = 9;
    stored[1] = 4;
    stored[3] = 1;
    stored[6] = 2;
    stored[7] = 20;
    stored[8] = 3;
    stored[9] = 5;
    QVERIFY(controller.setProgramRawData(special, stored));
    record = config.createDynamicProgram(controller, special);
    QCOMPARE(record.mid(6, 4).toHex(' '), QByteArray("03 14 04 05"));
    stored[8] = 5;
    special->setData(stored);
    QVERIFY(config.createDynamicProgram(controller, special).isEmpty());
    QCOMPARE(config.lastError(), QStringLiteral("Program contain invalid phase index 5 (maximum 3)"));
    special->setData(stored.left(63 - 2));
    QVERIFY(config.createDynamicProgram(controller, special).isEmpty());
    QCOMPARE(config.lastError(), QStringLiteral("Invlid data size of program - 61 (must be 62)"));
    special->type = CnfProgram::Timeline;
    QVERIFY(config.createDynamicProgram(controller, special).isEmpty());
    QVERIFY(config.lastError().startsWith(QStringLiteral("Invalid program type - ")));
}

void TestAdapter::detectionAndDispatch()
{
    const QByteArray text = configuration(QStringLiteral("PRG1=1(1 20)\nDAILY1=1 0:0\nWEEK=1 1 1 1 1 1 1"));
    const auto adapter = CnfNative::loadNativeConfig(text);
    QVERIFY(adapter);
    QCOMPARE(adapter->version(), QStringLiteral("adapter"));
    QVERIFY(dynamic_cast<AdapterConfig*>(adapter.data()));
    CnfController controller;
    QVERIFY(adapter->createController(controller));

    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("out.txt"));
    QString error;
    QVERIFY2(CnfNative::save(fileName, controller, &error), qPrintable(error));
    AdapterConfig config;
    QVERIFY(config.load(fileName));
    QVERIFY(config.checkCRC());
    QVERIFY(!config.load(dir.filePath(QStringLiteral("missing.txt"))));
    QVERIFY(config.lastError().startsWith(QStringLiteral("Error opening ")));
    // A rejected text is not kept: nothing to read from.
    QVERIFY(!config.load(QByteArray("BEGIN:\nPRG1=0\n")));
    QVERIFY(!config.createController(controller));
    QCOMPARE(config.lastError(), QStringLiteral("В конфигурации нет строки BEGIN:"));
}

QTEST_GUILESS_MAIN(TestAdapter)
#include "tst_adapter.moc"
