#include <QtTest>

#include <QDomDocument>
#include <QThread>

#include <iterator>
#include <memory>
#include <optional>
#include <vector>

#include "ModelBuilders.h"
#include "cnf.h"

using ControllerPtr = std::unique_ptr<CnfController>;
using ProgramPtr = QSharedPointer<CnfProgram>;

namespace {

// Where the phase fields of each algorithm lie: "7/8 com_phase" is a phase
// field at byte 7 with its duration at byte 8; a position alone has none.
struct AlgorithmRow
{
    int algorithm;
    int cycleOffsetByte; // -1: not coordinated
    const char* phaseFields;
};

const char* const kAdapterEight = "6/7 com_phase, 13/14 com_phase, 20/21 com_phase, 27/28 com_phase, 34/35 com_phase, "
                                  "41/42 com_phase, 48/49 com_phase, 55/56 com_phase";

const AlgorithmRow kAdapter[] = {
    {0, -1, ""},
    {1, -1, kAdapterEight},
    {2, 5, kAdapterEight},
    {3, -1, "6/7 com_phase, 8/9 call_phase, 15, 22, 29, 36, 43, 50, 57"},
    {4, -1, "6/7 com_phase, 8/9 call_phase, 13/14 com_phase, 15/16 call_phase, 20/21 com_phase, 22/23 call_phase, "
            "27/28 com_phase, 29/30 call_phase, 34/35 com_phase, 36/37 call_phase, 41/42 com_phase, 43/44 call_phase, "
            "48/49 com_phase, 50/51 call_phase, 55/56 com_phase, 57/58 call_phase"},
    {5, 5, "6/7 com_phase, 8, 13/14 com_phase, 15, 20/21 com_phase, 22, 27/28 com_phase, 29, 34/35 com_phase, 36, "
           "41/42 com_phase, 43, 48/49 com_phase, 50, 55/56 com_phase, 57"},
    {6, -1, kAdapterEight},
    {9, 5, kAdapterEight},
    {20, -1, "6/7 com_phase, 8/9 call_phase, 15/16 call_phase1, 22/23 call_phase1, 29/30 call_phase1"},
    {255, -1, ""},
};

const char* const kEight = "7/8 com_phase, 14/15 com_phase, 21/22 com_phase, 28/29 com_phase, 35/36 com_phase, "
                           "42/43 com_phase, 49/50 com_phase, 56/57 com_phase";
const char* const kFour = "7/8 com_phase, 21/22 com_phase, 35/36 com_phase, 49/50 com_phase";
const char* const kAtvp = "7/8 com_phase, 16/17 call_phase1, 21/22 com_phase, 30/31 call_phase1, 35/36 com_phase, "
                          "44/45 call_phase1, 49/50 com_phase, 58/59 call_phase1";

// Version 3.18; 3.17 has its rows up to 25, 3.14 to 3.16 theirs one byte lower.
const AlgorithmRow k318[] = {
    {0, -1, ""},
    {1, -1, kEight},
    {2, 6, kEight},
    {3, -1, "7/8 com_phase, 9/10 call_phase, 16, 23, 30, 37, 44, 51, 58"},
    {4, -1, "7/8 com_phase, 9/10 call_phase, 14/15 com_phase, 16/17 call_phase, 21/22 com_phase, 23/24 call_phase, "
            "28/29 com_phase, 30/31 call_phase, 35/36 com_phase, 37/38 call_phase, 42/43 com_phase, 44/45 call_phase, "
            "49/50 com_phase, 51/52 call_phase, 56/57 com_phase, 58/59 call_phase"},
    {5, 6, "7/8 com_phase, 9 call_phase, 14/15 com_phase, 16 call_phase, 21/22 com_phase, 23 call_phase, "
           "28/29 com_phase, 30 call_phase, 35/36 com_phase, 37 call_phase, 42/43 com_phase, 44 call_phase, "
           "49/50 com_phase, 51 call_phase, 56/57 com_phase, 58 call_phase"},
    {6, -1, kEight},
    {7, -1, "7/8 com_phase, 9/10 call_phase"},
    {8, -1, "7/8 com_phase, 9/10 call_phase, 23/24 call_phase1, 37 call_phase2"},
    {9, 6, kEight},
    {10, -1, "7 com_phase, 9/10 call_phase, 16/17 call_phase1, 23 call_phase2"},
    {11, -1, ""},
    {12, -1, "7 com_phase, 14 com_phase"},
    {13, -1, kFour},
    {14, -1, "7/8 com_phase, 9/10 call_phase, 16/17 call_phase1, 21/22 com_phase, 23/24 call_phase, "
             "30/31 call_phase1, 35/36 com_phase, 37/38 call_phase, 44/45 call_phase1, 49/50 com_phase, "
             "51/52 call_phase, 58/59 call_phase1"},
    {15, 6, "7/8 com_phase, 9, 16 call_phase1, 21/22 com_phase, 23, 30 call_phase1, 35/36 com_phase, 37, "
            "44 call_phase1, 49/50 com_phase, 51, 58 call_phase1"},
    {16, -1, kFour},
    {17, 6, kFour},
    {18, -1, "7 com_phase, 16/17 com_phase1, 37/38 com_phase1"},
    {19, -1, "7 com_phase, 11/12 com_phase1, 15/16 com_phase1"},
    {20, -1, "7/8 com_phase, 9/10 call_phase, 16/17 call_phase1, 23/24 call_phase1, 30/31 call_phase1"},
    {21, -1, "7/8 com_phase, 9/10 call_phase, 14/15 com_phase, 16/17 call_phase, 21/22 com_phase, 23/24 call_phase, "
             "28/29 com_phase, 30/31 call_phase, 35/36 call_phase1, 37/38 call_phase2, 42/43 call_phase1, "
             "44/45 call_phase2, 49/50 call_phase1, 51/52 call_phase2, 56/57 call_phase1, 58/59 call_phase2"},
    {22, 6, "7, 9/10 com_phase, 14, 16/17 com_phase, 21, 23/24 com_phase, 28, 30/31 com_phase, 35/36 call_phase, "
            "37/38 call_phase1, 42/43 call_phase, 44/45 call_phase1, 49/50 call_phase, 51/52 call_phase1, "
            "56/57 call_phase, 58/59 call_phase1"},
    {23, 6, kEight},
    {24, -1, kFour},
    {25, 6, kFour},
    {26, -1, kAtvp},
    {27, -1, kAtvp},
};

struct PhaseField
{
    int position;
    int durationAt; // -1: none
    QString id;
};

QList<PhaseField> parsePhaseFields(const QString& text, int shift)
{
    QList<PhaseField> fields;
    for (const QString& item : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList words = item.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const QStringList bytes = words.at(0).split(QLatin1Char('/'));
        fields.append({bytes.at(0).toInt() + shift, bytes.size() > 1 ? bytes.at(1).toInt() + shift : -1,
                       words.value(1)});
    }
    return fields;
}

QString phaseId(int position)
{
    return QString::number(101 + position);
}

// A record of program 7, interstate variant 3, whose phase field k names position k, with
// duration 20 + k where the field has one. Every other byte is 200, an invalid position,
// so that a phase field misplaced in the layout shows up as a wrong step or a failure.
QByteArray fieldRecord(const AlgorithmRow& row, int shift, int size, QString* steps = nullptr)
{
    QByteArray record(size, char(200));
    record[0] = 7;
    record[1] = char(row.algorithm);
    record[2] = 3;
    if (row.cycleOffsetByte >= 0)
        record[row.cycleOffsetByte + shift] = 17;
    QStringList expected;
    std::optional<int> mainDuration;
    const QList<PhaseField> fields = parsePhaseFields(row.phaseFields, shift);
    for (int k = 0; k < fields.size(); ++k) {
        const PhaseField& field = fields.at(k);
        record[field.position] = char(k);
        int duration = -1;
        if (field.durationAt >= 0) {
            duration = 20 + k;
            record[field.durationAt] = char(duration);
            if (field.id.startsWith("com_phase"))
                mainDuration = duration;
        } else if (field.id.startsWith("call_phase")) {
            duration = mainDuration.value_or(-1);
        }
        expected.append(QString("%1:%2").arg(phaseId(k)).arg(duration));
    }
    if (steps)
        *steps = expected.join(' ');
    return record;
}

ControllerPtr makeController(const QString& type, const QString& version)
{
    ControllerPtr controller(new CnfController);
    controller->setProperty("type", type);
    controller->setProperty("version", version);
    for (int i = 0; i < 16; ++i)
        controller->addPhase(CnfTest::phase(phaseId(i)));
    return controller;
}

// The controller of a layout name: "adapter", "norvakii" or a firmware version.
ControllerPtr controllerFor(const QString& layout)
{
    if (layout == "adapter" || layout == "norvakii")
        return makeController(layout, QString());
    return makeController("norvak", layout);
}

// The program's steps as "phase:length" pairs.
QString steps(const CnfProgram& program)
{
    QStringList result;
    for (const auto& step : program.phases())
        result.append(QString("%1:%2").arg(step->id()).arg(step->length()));
    return result.join(' ');
}

QDomDocument layoutOf(const QString& name)
{
    return name == QLatin1String("adapter") ? CnfController::adapterLayout() : CnfController::norvakLayout(name);
}

// The child `tag` of `parent` with this id.
QDomElement childWithId(const QDomElement& parent, const QString& tag, const QString& id)
{
    QDomElement e = parent.firstChildElement(tag);
    while (!e.isNull() && e.attribute("id") != id)
        e = e.nextSiblingElement(tag);
    return e;
}

QDomElement chapterOf(const QDomDocument& layout, const QString& id)
{
    return childWithId(layout.documentElement(), "Chapter", id);
}

// Lays the fields from `first` on, arrays unrolled: each leaf field with its
// byte offset. Returns the offset after the last field.
int layFields(const QDomElement& first, int offset, QList<QPair<int, QDomElement>>* laid = nullptr)
{
    static const QRegularExpression typePattern("^(\\w+)(?:\\[(\\d+)\\])?$");
    for (QDomElement e = first; !e.isNull(); e = e.nextSiblingElement("Element")) {
        const QRegularExpressionMatch m = typePattern.match(e.attribute("type"));
        const int count = m.captured(2).isEmpty() ? 1 : m.captured(2).toInt();
        if (m.captured(1) == "array") {
            for (int i = 0; i < count; ++i)
                offset = layFields(e.firstChildElement("Element"), offset, laid);
            continue;
        }
        if (laid)
            laid->append({offset, e});
        offset += count * (m.captured(1) == "byte" ? 1 : m.captured(1) == "word" ? 2 : 0);
    }
    return offset;
}

struct VersionRows
{
    const char* layout;
    const AlgorithmRow* rows;
    int rowCount;
    int lastAlgorithm;
    int shift;
    int recordSize;
};

const VersionRows kVersions[] = {
    {"adapter", kAdapter, int(std::size(kAdapter)), 255, 0, 62},
    {"3.18", k318, int(std::size(k318)), 27, 0, 63},
    {"3.17", k318, int(std::size(k318)), 25, 0, 63},
    {"3.16", k318, int(std::size(k318)), 22, -1, 62},
    {"3.15", k318, int(std::size(k318)), 22, -1, 62},
    {"3.14", k318, int(std::size(k318)), 8, -1, 62},
};

} // namespace

class TestLayouts : public QObject
{
    Q_OBJECT
private slots:
    // The layouts are parsed and compiled on first use: readers on several
    // threads at once must each get them whole. Runs first, while none is.
    void firstUseFromThreads()
    {
        auto decodeTimers = [] {
            QStringList decoded;
            for (const VersionRows& version : kVersions) {
                ControllerPtr controller = controllerFor(version.layout);
                auto program = ProgramPtr::create();
                controller->setProgramRawData(program, fieldRecord(version.rows[1], version.shift, version.recordSize));
                decoded.append(steps(*program));
            }
            return decoded;
        };
        QVector<QStringList> results(4);
        std::vector<std::unique_ptr<QThread>> threads;
        for (QStringList& result : results)
            threads.emplace_back(QThread::create([&result, &decodeTimers] { result = decodeTimers(); }));
        for (const auto& thread : threads)
            thread->start();
        for (const auto& thread : threads)
            thread->wait();
        const QStringList expected = decodeTimers();
        QCOMPARE(expected.size(), int(std::size(kVersions)));
        QVERIFY(!expected.contains(QString()));
        for (const QStringList& result : qAsConst(results))
            QCOMPARE(result, expected);
    }

    void algorithms_data()
    {
        QTest::addColumn<int>("version"); // of kVersions
        QTest::addColumn<int>("row");
        for (int v = 0; v < int(std::size(kVersions)); ++v) {
            for (int i = 0; i < kVersions[v].rowCount; ++i) {
                if (kVersions[v].rows[i].algorithm <= kVersions[v].lastAlgorithm)
                    QTest::addRow("%s alg %d", kVersions[v].layout, kVersions[v].rows[i].algorithm) << v << i;
            }
        }
    }

    void algorithms()
    {
        QFETCH(int, version);
        QFETCH(int, row);
        const VersionRows& v = kVersions[version];
        const AlgorithmRow& r = v.rows[row];
        QString expected;
        ControllerPtr controller = controllerFor(v.layout);
        auto program = ProgramPtr::create();
        QVERIFY2(controller->setProgramRawData(program, fieldRecord(r, v.shift, v.recordSize, &expected)),
                 qPrintable(controller->lastError()));
        QCOMPARE(program->type, CnfProgram::NorvakSpecial);
        QCOMPARE(program->nativeType, r.algorithm);
        QCOMPARE(program->interstateVariant(), v.rows == kAdapter ? -1 : 3);
        QCOMPARE(steps(*program), expected);
        QCOMPARE(program->cycleOffset(-1), r.algorithm == 2 ? 17 : -1);

        // The layout itself: the record is covered exactly, and a coordinated
        // algorithm names its cycle offset byte.
        const QDomElement programs = chapterOf(layoutOf(v.layout), "programs");
        const QDomElement type = childWithId(programs, "Type", QString::number(r.algorithm));
        QList<QPair<int, QDomElement>> laid;
        QCOMPARE(layFields(type.firstChildElement("Element"), 2, &laid), v.recordSize);
        int offsetByte = -1;
        for (auto it = laid.cbegin(); offsetByte < 0 && it != laid.cend(); ++it)
            offsetByte = it->second.attribute("name").startsWith("Сдвиг цикла") ? it->first : -1;
        QCOMPARE(offsetByte, r.cycleOffsetByte < 0 ? -1 : r.cycleOffsetByte + v.shift);
    }

    // Empty durations, cut records, phase numbers, odd layouts (the test
    // layouts 9.99 and 9.98) and records that fail: the steps read so far stay.
    void rawRecords_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("error"); // empty: the record is read
        const auto row = [](const char* name, const char* layout, const QByteArray& hex, int padding,
                            const char* expected, const QString& error = {}) {
            const QByteArray record = QByteArray::fromHex(hex) + QByteArray(padding, '\xff');
            QTest::newRow(name) << layout << record << expected << error;
        };
        row("adapter timer ends at the first position 255", "adapter",
            "0701ffffffff 0014ffffffffff 011effffffffff ff", 41, "101:20 102:30");
        // The second entry's main phase has no duration: its call phase must
        // not take the first entry's, and 255 never becomes 255 seconds.
        row("3.18 coordinated call, empty main duration", "3.18", "0705030201403c 001401ffffffff 02ff03ffffffff", 42,
            "101:20 102:20 103:-1 104:-1");
        row("3.18 call phase with an empty duration of its own", "3.18", "070403020100ff 001401ffffffff", 49,
            "101:20 102:20");
        row("3.18 timer cut after a phase byte", "3.18", "070103020100ff 0014ffffffffff 01", 0, "101:20 102:-1");
        row("phase number with duration", "9.99", "0701 650028", 0, "101:40");
        row("phase number -1 skipped", "9.99", "0701 ff0028", 0, "");
        row("empty duration", "9.99", "0701 6500ff", 0, "101:-1");
        row("huge array stops at the end", "9.99", "0703 000102", 0, "101:-1 102:-1 103:-1");
        row("array taking no room", "9.99", "0704 00", 0, "101:-1");
        row("duration after a word", "9.99", "0706 00 0102 28", 0, "101:40");
        const QString noDescription = "Для программы 7 (тип %1) не найдено описание структуры в файле разметки";
        for (const VersionRows& version : kVersions) {
            const int missing = QByteArray(version.layout) == "adapter" ? 7 : version.lastAlgorithm + 1;
            QTest::addRow("%s lacks %d", version.layout, missing)
                << version.layout << QByteArray("\x07") + char(missing) << "" << noDescription.arg(missing);
        }
        row("no layout", "norvakii", "0701", 0, "", noDescription.arg(1));
        row("type without fields", "9.99", "0705", 0, "", noDescription.arg(5));
        row("phase position", "3.18", "070103020100ff 0014ffffffffff 10", 0, "101:20",
            "Неправильный индекс фазы 16 в программе 7");
        row("phase number", "9.99", "0701 09ff14", 0, "", "В программе 7 указана неправильная фаза 9");
        row("field type", "9.99", "0702 00", 0, "",
            "Для программы 7 (тип 2) в файле разметки указан неправильный тип поля byte[x]");
        row("no head", "3.18", "07", 0, "", "Запись программы слишком коротка: 1 байт");
    }

    void rawRecords()
    {
        QFETCH(QString, layout);
        QFETCH(QByteArray, record);
        QFETCH(QString, expected);
        QFETCH(QString, error);
        ControllerPtr controller = controllerFor(layout);
        auto program = ProgramPtr::create();
        QCOMPARE(controller->setProgramRawData(program, record), error.isEmpty());
        QCOMPARE(controller->lastError(), error);
        QCOMPARE(steps(*program), expected);
        QCOMPARE(program->data(), record);
    }

    void recordHead()
    {
        ControllerPtr controller = makeController("norvakii", QString());
        auto program = ProgramPtr::create();
        QVERIFY(controller->setProgramRawData(program, QByteArray::fromHex("c800")));
        QCOMPARE(program->id, QString("-56"));
        QCOMPARE(program->phaseCount(), 0);

        // The same bytes again leave an edited program alone.
        controller = makeController("norvak", "3.18");
        const QByteArray timer = QByteArray::fromHex("070103020100ff 0014ffffffffff");
        QVERIFY(controller->setProgramRawData(program, timer));
        QCOMPARE(program->phaseCount(), 1);
        program->appendPhase(controller->phases().at(1), 30);
        QVERIFY(controller->setProgramRawData(program, timer));
        QCOMPARE(program->phaseCount(), 2);
    }

    void layoutChoice()
    {
        QTest::ignoreMessage(QtWarningMsg, "Для данной версии норвака (4.0) нет разметки конфигурации");
        QVERIFY(CnfController::norvakLayout("4.0").isNull());
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("^Ошибка обработки файла разметки \\(строка \\d+, столбец \\d+\\): "));
        QVERIFY(CnfController::norvakLayout("9.98").isNull());

        QCOMPARE(makeController("adapter", "3.18")->norvakLayout().documentElement().attribute("version"),
                 QString("adapter"));
        QCOMPARE(makeController("norvak", "3.15")->norvakLayout().documentElement().attribute("version"),
                 QString("3.15"));
        QVERIFY(makeController("ZT_LOOM", "3.18")->norvakLayout().isNull());
        QVERIFY(makeController("norvakii", "3.18")->norvakLayout().isNull());
    }

    void typeNames_data()
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
        QTest::newRow("adapter off") << "adapter" << 255 << "ОС" << "ОС";
        QTest::newRow("adapter coordinated gap search") << "adapter" << 9 << "Адп1K" << "Адап1К (поиск разрыва с координацией)";
        QTest::newRow("adapter beyond") << "adapter" << 7 << "alg7" << "Неизвестный тип 7";
        // warned of once, the layout's absence is cached
        QTest::newRow("no layout") << "5.0" << 1 << "alg1" << "Неизвестный тип 1";
    }

    void typeNames()
    {
        QFETCH(QString, layout);
        QFETCH(int, type);
        if (layout == "5.0")
            QTest::ignoreMessage(QtWarningMsg, "Для данной версии норвака (5.0) нет разметки конфигурации");
        QTEST(CnfProgram::norvakTypeName(type, layout, false), "label");
        QTEST(CnfProgram::norvakTypeName(type, layout, true), "fullName");
    }

    void chapterSizes_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QString>("chapter");
        QTest::addColumn<int>("recordSize"); // -1: indexed, fields of their own sizes
        // Record sizes per version 3.14 .. 3.18; 0: the version lacks the section.
        const struct
        {
            const char* id;
            int sizes[5];
        } table[] = {
            {"title", {18, -1, -1, -1, -1}},       {"power", {256, 256, 256, 256, 256}},
            {"info", {8, 8, 8, 11, 11}},           {"signal_groups", {18, 18, 18, 22, 22}},
            {"conflicts", {33, 33, 33, 33, 33}},   {"interstate", {25, 25, 25, 49, 37}},
            {"phases_chapter", {19, 23, 23, 23, 23}}, {"programs", {62, 62, 62, 63, 63}},
            {"day_cards", {22, 29, 29, 29, 29}},   {"week", {7, 7, 7, 7, 7}},
            {"special_days", {3, 3, 3, 3, 3}},     {"vpu", {5, 5, 18, 19, 19}},
            {"asud", {7, 8, 8, 9, 9}},             {"error_control", {5, 5, 5, 6, 6}},
            {"startup", {2, 2, 2, 2, 3}},          {"statistics", {17, 17, 17, 66, 66}},
            {"countdown", {0, 3, 3, 3, 2}},        {"sync", {0, -1, -1, -1, -1}},
        };
        const char* const versions[] = {"3.14", "3.15", "3.16", "3.17", "3.18"};
        for (int v = 0; v < 5; ++v) {
            for (const auto& row : table) {
                if (row.sizes[v] != 0)
                    QTest::addRow("%s %s", versions[v], row.id) << versions[v] << row.id << row.sizes[v];
            }
        }
        for (const auto& [chapter, size] : {std::pair{"title", -1}, {"programs", 62}, {"day_cards", 22}, {"week", 7},
                                            {"special_days", 3}})
            QTest::addRow("adapter %s", chapter) << "adapter" << chapter << size;
    }

    void chapterSizes()
    {
        QFETCH(QString, layout);
        QFETCH(QString, chapter);
        QFETCH(int, recordSize);
        const QDomElement element = chapterOf(layoutOf(layout), chapter);
        QVERIFY(!element.isNull());
        QVERIFY(!element.attribute("name").isEmpty());
        QVERIFY(element.attribute("range").contains('-'));
        const int size = layFields(element.firstChildElement("Element"), 0);
        if (chapter == "programs") {
            QCOMPARE(size, 2);
            for (QDomElement t = element.firstChildElement("Type"); !t.isNull(); t = t.nextSiblingElement("Type"))
                QCOMPARE(layFields(t.firstChildElement("Element"), 2), recordSize);
        } else if (recordSize >= 0) {
            QCOMPARE(size, recordSize);
        } else {
            QVERIFY(element.elementsByTagName("Element").size() >= 2);
        }
    }

    void chapterSets()
    {
        const QMap<QString, int> counts = {{"adapter", 5}, {"3.14", 16}, {"3.15", 18},
                                           {"3.16", 18},   {"3.17", 18}, {"3.18", 18}};
        for (auto it = counts.begin(); it != counts.end(); ++it) {
            const QDomElement root = layoutOf(it.key()).documentElement();
            QCOMPARE(root.tagName(), QString("Project"));
            QCOMPARE(root.elementsByTagName("Chapter").size(), it.value());
        }
    }
};

QTEST_GUILESS_MAIN(TestLayouts)
#include "tst_layouts.moc"
