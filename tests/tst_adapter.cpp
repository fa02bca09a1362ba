// The text configuration of the communication adapter: recognition,
// reading, writing with its MD4 line, and the dynamic program record.
#include <functional>

#include <QCryptographicHash>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

#include "cnf.h"
#include "common/ModelBuilders.h"

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

// "phase/length" of every step.
QString steps(const CnfProgram& program)
{
    QStringList list;
    for (const auto& step : program.phases())
        list.append(step->id() + QLatin1Char('/') + QString::number(step->length()));
    return list.join(QLatin1Char(' '));
}

// What reading the items into the controller reports: nothing when it succeeds.
QString read(const QString& items, CnfController& controller)
{
    AdapterConfig config;
    if (config.load(configuration(items)) && config.createController(controller))
        return QString();
    return config.lastError().isEmpty() ? QStringLiteral("failed without a message") : config.lastError();
}
} // namespace

class TestAdapter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void recognition_data()
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

    void recognition()
    {
        QFETCH(QByteArray, data);
        AdapterConfig config;
        QTEST(config.load(data), "accepted");
        QCOMPARE(config.checkCRC(), true); // no checksum line with a digest to compare
    }

    void programs_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("record"); // bytes 0 to 12: head and the first phase record
        QTest::addColumn<QString>("steps");
        const auto row = [](const char* name, const char* line, const char* record, const char* steps) {
            QTest::newRow(name) << line << record << steps;
        };
        row("timer", "PRG3=1(1 20)(2 30)", "03 01 ff ff ff ff 00 14 ff ff ff ff ff", "1/20 2/30");
        row("blanks between records", "PRG3=1(1 20) (2 30) ", "03 01 ff ff ff ff 00 14 ff ff ff ff ff", "1/20 2/30");
        row("coordination", "PRG4=2 10 90(1 20)(2 30)", "04 02 ff ff 5a 0a 00 14 ff ff ff ff ff", "1/20 2/30");
        row("coordination, cycle summed", "PRG4=2 10(1 20)(2 30)", "04 02 ff ff 32 0a 00 14 ff ff ff ff ff", "1/20 2/30");
        row("coordination without offset", "PRG4=2(1 20)(2 30)", "04 02 ff ff 32 ff 00 14 ff ff ff ff ff", "1/20 2/30");
        row("pedestrian without call", "PRG1=3 2(1 20 0 15 4 5 6)", "01 03 ff 02 ff ff 00 14 ff ff 04 05 06", "1/20");
        row("empty field reads 0", "PRG1=3 1(1 20  10 3)", "01 03 ff 01 ff ff 00 14 ff ff 03 ff ff", "1/20");
        row("call phase", "PRG1=4 2(1 20 2 10 3)", "01 04 ff 02 ff ff 00 14 01 0a 03 ff ff", "1/20 2/10");
        row("coordinated call", "PRG5=5 1 10 60(1 20 2 0 3)", "05 05 ff 01 3c 0a 00 14 01 00 03 ff ff", "1/20 2/-1");
        row("coordinated call, cycle summed", "PRG5=5 1 10(1 20 2 0 3)", "05 05 ff 01 14 0a 00 14 01 00 03 ff ff",
            "1/20 2/-1");
        row("coordinated call without call", "PRG1=5 1(1 20 0 0 3)", "01 05 ff 01 14 ff 00 14 ff ff ff ff ff", "1/20");
        row("gap search", "PRG1=6 1(1 20 1 5 3 7)", "01 06 ff 01 ff ff 00 14 00 05 03 07 ff", "1/20");
        row("coordinated gap search", "PRG1=9 1 5 80(1 20 1 0 3)", "01 09 ff 01 50 05 00 14 00 00 03 ff ff", "1/20");
        row("yellow flashing", "PRG6=0", "06 00 ff ff ff ff ff ff ff ff ff ff ff", "");
        row("off", "PRG6=255", "06 ff ff ff ff ff ff ff ff ff ff ff ff", "");
        row("number read signed", "PRG-56=1(1 20)", "c8 01 ff ff ff ff 00 14 ff ff ff ff ff", "1/20");
    }

    void programs()
    {
        QFETCH(QString, line);
        CnfController controller;
        QCOMPARE(read(line, controller), QString());
        QCOMPARE(controller.property("type").toString(), QStringLiteral("adapter"));
        QCOMPARE(controller.programs().size(), 1);
        const auto program = controller.programs().first();
        QCOMPARE(program->id, line.mid(3).section(QLatin1Char('='), 0, 0));
        QCOMPARE(program->type, CnfProgram::NorvakSpecial);
        QCOMPARE(program->data().size(), 62);
        QTEST(QString::fromLatin1(program->data().left(13).toHex(' ')), "record");
        QTEST(steps(*program), "steps");
        for (const auto& created : controller.phases()) // with the format's limits
            QVERIFY(created->minLength == 0 && created->maxLength == 240);
    }

    void items_data()
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

    void items()
    {
        QFETCH(QString, line);
        QFETCH(QString, name);
        CnfController controller;
        controller.setProperty("number", 99); // of an earlier configuration
        QCOMPARE(read(line, controller), QString());
        QCOMPARE(controller.property("number").isValid(), name == QLatin1String("number"));
        const QVariant value = name.at(0).isLower() ? controller.property(qPrintable(name)) : controller.getNativeData(name);
        QTEST(value.toString(), "value");
    }

    void schedule()
    {
        CnfController controller;
        QCOMPARE(read(QStringLiteral("PRG3=1(1 20)\nPRG4=0\nDAILY1=3 24:00;4 6:30\nDAILY2=3 7:24\n"
                                     "WEEK=1 1 1 1 1 2 2\nDAY=1 25/12\nDAY=2 29/2"), controller),
                 QString());
        const auto first = controller.findDayCard(QStringLiteral("1"));
        QVERIFY(first);
        QCOMPARE(first->records.keys(), (QList<QTime>{QTime(0, 0), QTime(6, 30)}));
        QCOMPARE(first->records.first().program, controller.findProgram(QStringLiteral("3")));
        QCOMPARE(first->records.last().program, controller.findProgram(QStringLiteral("4")));
        QCOMPARE(controller.findDayCard(QStringLiteral("2"))->records.keys(), QList<QTime>{QTime(7, 24)});

        QCOMPARE(controller.weekCards().size(), 1);
        const auto week = controller.weekCards().first();
        QCOMPARE(week->days.keys(), (QList<Qt::DayOfWeek>{Qt::Monday, Qt::Saturday}));
        QCOMPARE(week->days.value(Qt::Saturday), controller.findDayCard(QStringLiteral("2")));

        const auto days = controller.specialDays();
        QStringList dates;
        for (auto it = days.cbegin(); it != days.cend(); ++it)
            dates.append(QStringLiteral("%1/%2 %3").arg(it.key().day()).arg(it.key().month()).arg(it.value()->dayCard->id));
        QCOMPARE(dates, (QStringList{"29/2 2", "25/12 1"}));
    }

    void readErrors_data()
    {
        QTest::addColumn<QString>("items");
        QTest::addColumn<QString>("message");
        const auto row = [](const char* name, const QString& items, const QString& message) {
            QTest::newRow(name) << items << message;
        };
        // Messages that end with the line at fault.
        const auto echo = [&row](const char* name, const QString& items, const QString& message) {
            row(name, items, message + items);
        };
        const QString invalid = QStringLiteral("Неверное описание программы: ");
        const QString fields = QStringLiteral("Неправильное число параметров определения фаз в программе: ");
        const QString type = QStringLiteral("Неверный тип программы: ");
        const QString fewer = QStringLiteral("Недостаточно параметров для описания алгоритма: ");
        const QString base = QStringLiteral("PRG1=1(1 20)\nDAILY1=1 6:00\n");
        echo("no =", "FOO", "Invalid parameter description: ");
        echo("empty key", "=5", "Invalid parameter description: ");
        echo("empty head", "PRG1=(1 20)", invalid);
        echo("number not a number", "PRGX=1(1 20)", invalid);
        echo("number beyond a byte", "PRG300=0", invalid);
        echo("nine records", "PRG1=1(1 1)(2 1)(3 1)(4 1)(5 1)(6 1)(7 1)(8 1)(9 1)", "Число описаний фаз в программе превышает 8: ");
        echo("no records", "PRG6=1", fields);
        echo("algorithm 7", "PRG1=7(1 20)", type);
        echo("algorithm 10", "PRG1=10(1 20)", type);
        echo("algorithm not a number", "PRG1=x(1 20)", type);
        echo("timer, two blanks", "PRG1=1(1  20)", fields);
        echo("call, four fields", "PRG1=3 1(1 20 2 10)", fields);
        echo("call, eight fields", "PRG1=4 1(1 20 2 10 3 4 5 6)", fields);
        echo("no call condition", "PRG1=3(1 20 2 10 3)", fewer);
        echo("coordinated, no call condition", "PRG1=9(1 20 1 0 3)", fewer);
        echo("length beyond a byte", "PRG1=1(1 300)", "Неверное значение \"300\" в описании программы: ");
        echo("phase 255", "PRG1=1(255 20)", "Неверное значение \"255\" в описании программы: ");
        echo("negative offset", "PRG1=2 -1(1 20)", "Неверное значение \"-1\" в описании программы: ");
        row("summed cycle beyond a byte", "PRG1=2 0(1 200)(2 100)", "В программе 1 длительность цикла 300 больше 255");
        row("repeated card", base + "DAILY1=1 7:00", "Repeated description of daily cards 1 (DAILY1=1 7:00)");
        echo("entry of one part", "DAILY1=1", "Invalid description of daily cards ");
        row("unknown program", "DAILY1=2 6:00", "Daily card 1 contain non-existing program 2");
        row("invalid time", base + "DAILY2=1 25:00", "В суточной карте 2 задано неверное значение времени для программы 1");
        row("repeated time", base + "DAILY2=1 6:00;1 6:0", "В суточной карте 2 время 6:0 задано дважды");
        echo("week of three", "WEEK=1 1 1", "Invalid format of weekly distibution ");
        row("week, unknown card", base + "WEEK=1 1 1 1 1 1 2", "В недельном расписании задана несуществующая карта 2");
        echo("special day of one part", "DAY=1", "Неправильно задан особый день года ");
        row("special day, unknown card", base + "DAY=2 1/1", "Special days DAY=2 1/1 contain non-existing card 2");
        row("special day, invalid date", base + "DAY=1 31/2", "Special days DAY=1 31/2 contain invalid date");
        row("special day twice", base + "DAY=1 1/1\nDAY=1 01/01", "Особый день DAY=1 01/01 задан дважды");
    }

    void readErrors()
    {
        QFETCH(QString, items);
        CnfController controller;
        QTEST(read(items, controller), "message");
    }

    // What the model leaves open: the default type takes its place among the
    // names, as it reads back; a week of Monday only runs its card every day.
    void writerDefaults()
    {
        CnfController controller;
        QCOMPARE(read(QStringLiteral("HOST=\"h\"\nUSER=\"u\"\nPRG5=1(1 20)\nDAILY1=5 6:00\nWEEK=1 1 1 1 1 1 1"), controller),
                 QString());
        auto& days = controller.weekCards().first()->days;
        days = {{Qt::Monday, days.value(Qt::Monday)}};
        const QString items = QStringLiteral("HOST=\"h\"\nTYPE=ZT4\nUSER=\"u\"\nPRG5=1(1 20)\nDAILY1=5 6:0\nWEEK=1 1 1 1 1 1 1");
        AdapterConfig config;
        QCOMPARE(itemLines(config.save(controller)), items);
        controller.setNativeData(QStringLiteral("TYPE"), QString());
        QCOMPARE(itemLines(config.save(controller)), items);
    }

    void writing_data()
    {
        QTest::addColumn<QString>("change"); // a named change, or changes to the record: position=value ...
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("line"); // written instead when there is no message
        const auto row = [](const char* change, const char* message) { QTest::newRow(change) << change << message << ""; };
        const auto written = [](const char* name, const char* change, const char* line) {
            QTest::newRow(name) << change << "" << line;
        };
        written("cycle summed", "4=255 7=40", "PRG1=2 10 70(1 40)(2 30)");
        written("unset offset written as 0", "5=255", "PRG1=2 0 50(1 20)(2 30)");
        written("pedestrian, no call phase", "1=3 3=2 8=255 9=255 10=7", "PRG1=3 2(1 20 0 0 7)(2 30 0 0 255)");
        written("call phase with its own length and detector 2 only", "1=4 3=1 8=1 9=12 10=3 12=9",
                "PRG1=4 1(1 20 2 12 3 255 9)(2 30 0 0 255)");
        written("coordinated call without call phase", "1=5 3=1 8=255 10=4", "PRG1=5 1 10 50(1 20 0 0 4)(2 30 0 0 255)");
        written("gap search repeats the phase", "1=6 3=1 8=255 9=5 10=3", "PRG1=6 1(1 20 1 5 3)(2 30 2 255 255)");
        row("timer", "Program 1 contain unsupported algorithm Таймер");
        row("short", "In program 1 adapter data has invalid size - 61 (must be 62)");
        row("1=7", "Programm 1 has invalid type 7");
        row("5=60 4=255", "In program 1 specified invalid cycle offset - 60 (must be from 0 to 50)");
        row("1=5 3=255", "In program 1 not specified call condition");
        row("6=255 13=255", "В программе 1 не задано ни одной фазы");
        row("13=7", "In program 1 specified not existing phase with index 7");
        row("1=4 3=1 8=9", "In program 1 specified not existing phase with index 9"); // call position
        row("7=250", "In program 1 specified invalid phase duration 1: 250 (must be from 0 to 240");
        row("1=4 3=1 8=1 9=241", "In program 1 specified invalid phase duration 2: 241 (must be from 0 to 240");
        row("4=255 7=200 14=100", "В программе 1 длительность цикла 300 больше 255");
        row("phase id", "Фаза x имеет недопустимый идентификатор. Возможно использование только чисел от 0 до 254");
        row("phase 0 call", "В программе 1 фаза 0 не может быть записана на месте фазы вызова: 0 означает её отсутствие");
        row("program id",
            "Программа p имеет недопустимый идентификатор. Возможно использование только чисел от -128 до 255");
        row("program 200", "Номер программы -56 задан дважды");
        row("programs", "Число заданных программ 17 превышает максимально допустимое 16");
        row("entry", "In daily card 1 contains record with unspecified program");
        row("entries", "Суточная карта 1 содержит 8 записей. Возможно не более 7");
        row("card id", "Суточная карта \"1 2\" имеет недопустимый идентификатор: нужно одно слово без знака =");
        row("no week", "In configuration not specified weekly distribution of daily cards");
        row("week null", "Недельный план содержит ссылку на несуществующую суточную карту для дня недели 3");
        row("week empty", "В недельном плане не задано ни одной суточной карты");
        row("special day", "Особые дни содержат ссылку на несуществующую суточную карту для даты 1/5");
        row("line break", "Значение параметра STRID содержит перевод строки");
        row("code page", "Значение параметра STRID содержит символы, которых нет в кодировке Windows-1251");
        row("key", "Параметр PRGX не может быть записан в конфигурацию адаптера");
    }

    // A coordination program over phases 1 and 2 (offset 10, cycle summed) with
    // a daily and a weekly card, given one change: a fault, or a record to write.
    void writing()
    {
        QFETCH(QString, change);
        CnfController controller;
        QCOMPARE(read(QStringLiteral("PRG1=2 10(1 20)(2 30)\nDAILY1=1 0:0\nWEEK=1 1 1 1 1 1 1"), controller),
                 QString());
        const auto program = controller.findProgram(QStringLiteral("1"));
        const auto card = controller.findDayCard(QStringLiteral("1"));
        QByteArray record = program->data();
        const auto setBytes = [&](const QString& changes) {
            for (const QString& c : changes.split(QLatin1Char(' ')))
                record[c.section(QLatin1Char('='), 0, 0).toInt()] = char(c.section(QLatin1Char('='), 1).toInt());
            program->setData(record);
        };
        const auto withRecord = [&](const QString& id) {
            auto other = QSharedPointer<CnfProgram>::create();
            QVERIFY(controller.setProgramRawData(other, record));
            other->id = id;
            controller.addProgram(other);
        };
        const QMap<QString, std::function<void()>> changes{
            {"timer", [&] { program->type = CnfProgram::Timer; }},
            {"short", [&] { program->setData(record.left(61)); }},
            {"phase id", [&] { controller.phases().first()->id = QStringLiteral("x"); }},
            {"phase 0 call", [&] { controller.phases().at(1)->id = QStringLiteral("0"); setBytes("1=4 3=1 8=1"); }},
            {"program id", [&] { program->id = QStringLiteral("p"); }},
            {"program 200", [&] { program->id = QStringLiteral("-56"); withRecord(QStringLiteral("200")); }},
            {"programs", [&] { for (int i = 2; i <= 17; ++i) withRecord(QString::number(i)); }},
            {"entry", [&] { card->records[QTime(0, 0)].program.reset(); }},
            {"entries", [&] { for (int h = 1; h <= 7; ++h) card->addRecord(QTime(h, 0), program, {}); }},
            {"card id", [&] { card->id = QStringLiteral("1 2"); }},
            {"no week", [&] { controller.removeWeekCard(controller.weekCards().first()); }},
            {"week null", [&] { controller.weekCards().first()->days.insert(Qt::Wednesday, {}); }},
            {"week empty", [&] { controller.weekCards().first()->days.clear(); }},
            {"special day", [&] { controller.addSpecialDay(QDate(2024, 5, 1), QSharedPointer<CnfSpecialDay>::create()); }},
            {"line break", [&] { controller.setProperty("description", QStringLiteral("two\nlines")); }},
            {"code page", [&] { controller.setProperty("description", QStringLiteral("交差点")); }},
            {"key", [&] { controller.setNativeData(QStringLiteral("PRGX"), QStringLiteral("1")); }},
        };
        if (changes.contains(change))
            changes.value(change)();
        else
            setBytes(change);
        AdapterConfig config;
        const QByteArray written = config.save(controller);
        QTEST(written.isEmpty() ? config.lastError() : QString(), "message");
        QFETCH(QString, line);
        if (written.isEmpty())
            return;
        QVERIFY2(itemLines(written).split(QLatin1Char('\n')).contains(line), qPrintable(itemLines(written)));
        CnfController back; // what is written reads back
        QVERIFY(config.load(written));
        QVERIFY2(config.createController(back), qPrintable(config.lastError()));
    }

    void roundTrip_data()
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
    void roundTrip()
    {
        QFETCH(QString, items);
        CnfController controller;
        QCOMPARE(read(items, controller), QString());
        AdapterConfig config;
        const QByteArray written = config.save(controller);
        QVERIFY2(!written.isEmpty(), qPrintable(config.lastError()));
        // The digest covers the file's own windows-1251 bytes, whatever the locale.
        const QByteArray body = cp1251()->fromUnicode(items + QLatin1Char('\n'));
        QCOMPARE(written, "MD4=" + QCryptographicHash::hash(QByteArray(body).replace('\n', ""), QCryptographicHash::Md4).toHex() + "\nBEGIN:\n" + body + "END.\n");
        QVERIFY(config.load(written));
        QVERIFY(config.checkCRC());
    }

    void checksum_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QByteArray>("digest");

        QTest::newRow("empty") << QByteArray() << QByteArray("31d6cfe0d16ae931b73c59d7e0c089c0");
        QTest::newRow("message digest") << QByteArray("message digest") << QByteArray("d9130a8164549fe818874806e1c7014b");
    }

    // The digest covers the trimmed lines between BEGIN: and END. without their
    // line ends; the checksum line itself, BEGIN: and END. are not covered.
    void checksum()
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

    void dynamicProgram()
    {
        CnfController controller;
        CnfNative::initController(controller, QStringLiteral("adapter"), QVariant());
        AdapterConfig config;
        const auto refusal = [&](const QSharedPointer<CnfProgram>& program) {
            return config.createDynamicProgram(controller, program).isEmpty() ? config.lastError() : QString();
        };
        QCOMPARE(refusal({}), QStringLiteral("В контроллере нет программ"));

        for (const char* id : {"1", "2", "3", "4"})
            controller.addPhase(CnfTest::phase(QLatin1String(id), {}, 0, 240));
        auto timer = CnfTest::program(QStringLiteral("7"), CnfProgram::Timer);
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
        QVERIFY(refusal(timer).contains(QStringLiteral("300")));

        // The stored record names positions; the dynamic one phase numbers.
        auto special = QSharedPointer<CnfProgram>::create();
        QByteArray stored = QByteArray::fromHex("0904ff01ffff02140305").leftJustified(62, char(0xFF));
        QVERIFY(controller.setProgramRawData(special, stored));
        record = config.createDynamicProgram(controller, special);
        QCOMPARE(record.mid(6, 4).toHex(' '), QByteArray("03 14 04 05"));
        stored[8] = 5;
        special->setData(stored);
        QCOMPARE(refusal(special), QStringLiteral("Program contain invalid phase index 5 (maximum 3)"));
        special->setData(stored.left(63 - 2));
        QCOMPARE(refusal(special), QStringLiteral("Invlid data size of program - 61 (must be 62)"));
        special->type = CnfProgram::Timeline;
        QVERIFY(refusal(special).startsWith(QStringLiteral("Invalid program type - ")));
    }

    void detectionAndDispatch()
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
        // A rejected text is not kept: nothing to read from.
        QVERIFY(!config.load(QByteArray("BEGIN:\nPRG1=0\n")));
        QVERIFY(!config.createController(controller));
        QCOMPARE(config.lastError(), QStringLiteral("В конфигурации нет строки BEGIN:"));
    }
};

QTEST_GUILESS_MAIN(TestAdapter)
#include "tst_adapter.moc"
