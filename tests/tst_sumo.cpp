// The export of the signal plans to the SUMO traffic simulator: the state
// strings of the bundled example, the file against SUMO's own schema, and
// the plans and the week's schedule run by SUMO itself.
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

namespace
{
struct Run {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

Run execute(const QString& program, const QStringList& arguments, const QString& directory = QString())
{
    QProcess process;
    if (!directory.isEmpty())
        process.setWorkingDirectory(directory);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!environment.contains(QStringLiteral("SUMO_HOME")))
        environment.insert(QStringLiteral("SUMO_HOME"), QStringLiteral("/usr/share/sumo"));
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Run run;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

Run cnf(const QStringList& arguments)
{
    return execute(QStringLiteral(CNF_TOOL), arguments);
}

QString sumoHome()
{
    const QString home = qEnvironmentVariable("SUMO_HOME");
    return home.isEmpty() ? QStringLiteral("/usr/share/sumo") : home;
}

// One exported program: its offset and its phases (duration, state).
struct Logic {
    int offset = 0;
    QList<QPair<int, QString>> phases;
    QStringList listing; // "DURATION STATE [NAME]" per phase

    int cycle() const
    {
        int sum = 0;
        for (const auto& phase : phases)
            sum += phase.first;
        return sum;
    }
    // The state SUMO shows at simulation time `t`.
    QString stateAt(qint64 t) const
    {
        const int c = cycle();
        int position = int(((t - offset) % c + c) % c);
        for (const auto& phase : phases) {
            if (position < phase.first)
                return phase.second;
            position -= phase.first;
        }
        return QString();
    }
};

struct Export {
    QMap<QString, Logic> logics;
    QString startProgram;
    QList<QPair<qint64, QString>> switches;
};

Export parse(const QByteArray& document)
{
    Export result;
    QXmlStreamReader xml(document);
    QString current;
    while (xml.readNextStartElement() || !xml.atEnd()) {
        if (!xml.isStartElement())
            continue;
        const auto attributes = xml.attributes();
        if (xml.name() == QLatin1String("tlLogic")) {
            current = attributes.value(QLatin1String("programID")).toString();
            result.logics[current].offset = attributes.value(QLatin1String("offset")).toInt();
        } else if (xml.name() == QLatin1String("phase")) {
            Logic& logic = result.logics[current];
            logic.phases.append({attributes.value(QLatin1String("duration")).toInt(),
                                 attributes.value(QLatin1String("state")).toString()});
            logic.listing.append(QStringLiteral("%1 %2 %3").arg(logic.phases.last().first).arg(logic.phases.last().second,
                                                                attributes.value(QLatin1String("name")).toString()).trimmed());
        } else if (xml.name() == QLatin1String("WAUT")) {
            result.startProgram = attributes.value(QLatin1String("startProg")).toString();
        } else if (xml.name() == QLatin1String("wautSwitch")) {
            result.switches.append({attributes.value(QLatin1String("time")).toLongLong(),
                                    attributes.value(QLatin1String("to")).toString()});
        }
    }
    return result;
}

// SUMO's plausibility warnings that follow from the plans themselves: a
// vehicle link going from green straight to red (an arrow without amber)
// and one that a program never gives green. Nothing else may be warned.
QStringList plannedWarnings(const Export& exported)
{
    QStringList warnings;
    for (auto it = exported.logics.cbegin(); it != exported.logics.cend(); ++it) {
        const auto& phases = it.value().phases;
        for (int link = 0; link < phases.first().second.size(); ++link) {
            bool green = false;
            for (int i = 0; i < phases.size(); ++i) {
                const int next = (i + 1) % phases.size();
                green = green || phases.at(i).second.at(link) == QLatin1Char('G');
                if (phases.at(i).second.at(link) == QLatin1Char('G') && phases.at(next).second.at(link) == QLatin1Char('r'))
                    warnings.append(QStringLiteral("Warning: Missing yellow phase in tlLogic '1204', program '%1' for tl-index %2 when switching to phase %3.")
                                        .arg(it.key()).arg(link).arg(next));
            }
            if (!green)
                warnings.append(QStringLiteral("Warning: Missing green phase in tlLogic '1204', program '%1' for tl-index %2.").arg(it.key()).arg(link));
        }
    }
    return warnings;
}

// The states by second of the cycle as `cnf diagram --text` draws the
// program, translated to SUMO's letters.
QStringList chartStates(const QString& program)
{
    const Run run = cnf({QStringLiteral("diagram"), QStringLiteral(CNF_EXAMPLE), QStringLiteral("--program"), program,
                         QStringLiteral("--text")});
    const QString letters = QStringLiteral("GgYRUF.");
    const QString sumo = QStringLiteral("GGyruoO");
    QStringList rows;
    const auto lines = QString::fromUtf8(run.out).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        if (line.size() > 24 && line.at(0) == QLatin1Char(' ') && line.at(2).isDigit())
            rows.append(line.mid(24).trimmed());
    }
    QStringList states;
    for (int second = 0; !rows.isEmpty() && second < rows.first().size(); ++second) {
        QString state;
        for (const QString& row : qAsConst(rows))
            state += sumo.at(letters.indexOf(row.at(second)));
        states.append(state);
    }
    return states;
}

QByteArray readAll(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class TestSumo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void states_data();
    void states();
    void weekSchedule();
    void linksAndOptions();
    void schema();
    void simulation();

private:
    QString temp(const QString& name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
    QByteArray m_week; // the example with --week-of Monday 7 December 2026
};

void TestSumo::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const Run run = cnf({QStringLiteral("convert"), QStringLiteral(CNF_EXAMPLE), temp(QStringLiteral("week.add.xml")),
                         QStringLiteral("--to"), QStringLiteral("sumo"), QStringLiteral("--week-of"), QStringLiteral("2026-12-07")});
    QCOMPARE(run.exitCode, 0);
    m_week = readAll(temp(QStringLiteral("week.add.xml")));
    QVERIFY(m_week.startsWith("<?xml"));
}

// Hand-checked against `cnf diagram --text`: program 2 starts at its offset
// (second 15 of the chart), green blink shows G with the phase naming the
// groups, the arrows (no amber) go from G to r, flashing amber is o and a
// head without amber is dark (O).
void TestSumo::states_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QStringList>("phases");
    QTest::newRow("night") << QStringLiteral("3") << 0
                           << QStringList{QStringLiteral("25 GGrrrrrrGG"), QStringLiteral("3 GGrrrrrrGG green blink 1,2"),
                                          QStringLiteral("3 yyrrrrrrGG"), QStringLiteral("1 rrrrrrrrGG"),
                                          QStringLiteral("12 rrrrrrGGGG"), QStringLiteral("3 rrrrrrGGGG green blink 9,10"),
                                          QStringLiteral("2 rrrrrrGGrr"), QStringLiteral("2 rruurrGGrr"),
                                          QStringLiteral("15 rrGGrrGGrr"), QStringLiteral("3 rrGGrrGGrr green blink 3,4,7,8"),
                                          QStringLiteral("2 rryyrrrrrr"), QStringLiteral("1 uuyyrrrrrr"),
                                          QStringLiteral("1 uurrrrrrrr")};
    QTest::newRow("peak, offset 15") << QStringLiteral("2") << 15
                                     << QStringList{QStringLiteral("12 GrrrGrrrrG"), QStringLiteral("3 GrrrGrrrrG green blink 5"),
                                                    QStringLiteral("2 GurrrrrrrG"), QStringLiteral("35 GGrrrrrrGG"),
                                                    QStringLiteral("3 GGrrrrrrGG green blink 1,2,9,10"), QStringLiteral("3 yyrrrrrrrr"),
                                                    QStringLiteral("1 rrrrrrrrrr"), QStringLiteral("10 rrrrGGrrrr"),
                                                    QStringLiteral("3 rrrrGGrrrr green blink 5,6"), QStringLiteral("2 rruurrrrrr"),
                                                    QStringLiteral("25 rrGGrrGGrr"), QStringLiteral("3 rrGGrrGGrr green blink 3,4,7,8"),
                                                    QStringLiteral("2 rryyrrrrrr"), QStringLiteral("1 uryyrrrrrr"),
                                                    QStringLiteral("1 urrrrrrrrr")};
    QTest::newRow("yellow flash") << QStringLiteral("4") << 0 << QStringList{QStringLiteral("60 ooooOOOOOO")};
}

void TestSumo::states()
{
    QFETCH(QString, program);
    QFETCH(int, offset);
    QFETCH(QStringList, phases);
    const Export exported = parse(m_week);
    QVERIFY(exported.logics.contains(program));
    QCOMPARE(exported.logics.value(program).offset, offset);
    QCOMPARE(exported.logics.value(program).listing, phases);
    QVERIFY(m_week.contains("<!-- state index 4: signal group 5 \"North left arrow\" (arrow) -->"));
    QVERIFY(m_week.contains("<tlLogic id=\"1204\" type=\"static\" programID=\"" + program.toUtf8() + '"'));
}

// The Monday's card: program 3 until 06:30, then 1, 2 from 07:30, ...; the
// weekend's and a holiday's cards follow the calendar.
void TestSumo::weekSchedule()
{
    Export exported = parse(m_week);
    QCOMPARE(exported.startProgram, QStringLiteral("3"));
    QCOMPARE(exported.switches.size(), 34);
    QCOMPARE(exported.switches.at(0), qMakePair(qint64(23400), QStringLiteral("1")));
    QCOMPARE(exported.switches.at(5), qMakePair(qint64(81000), QStringLiteral("3"))); // Monday 22:30
    QCOMPARE(exported.switches.at(30), qMakePair(qint64(5 * 86400 + 8 * 3600), QStringLiteral("1"))); // Saturday 08:00
    QVERIFY(m_week.contains("<wautJunction wautID=\"1204_week\" junctionID=\"1204\"/>"));

    // New Year's Day runs the holiday card; its first program has no plan.
    QByteArray document = readAll(QStringLiteral(CNF_EXAMPLE));
    document.replace("<Program id=\"4\"", "<Program id=\"5\" name=\"Script\" type=\"JavaScript\"/>\n  <Program id=\"4\"");
    document.replace("<Time program=\"4\">00:00</Time>", "<Time program=\"5\">00:00</Time>");
    QFile file(temp(QStringLiteral("script.xml")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(document) == document.size());
    file.close();
    const Run run = cnf({QStringLiteral("convert"), file.fileName(), QStringLiteral("-"), QStringLiteral("--to"),
                         QStringLiteral("sumo"), QStringLiteral("--week-of"), QStringLiteral("2026-01-01"),
                         QStringLiteral("--tls-id"), QStringLiteral("J7")});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.err.contains(QLatin1String("not exported: program 5 (Script), JavaScript: no fixed signal plan")), qPrintable(run.err));
    QVERIFY2(run.err.contains(QLatin1String("2026-01-01 00:00: program 5 has no signal plan; the program before keeps running")),
             qPrintable(run.err));
    exported = parse(run.out);
    QVERIFY(!exported.logics.contains(QStringLiteral("5")));
    QCOMPARE(exported.startProgram, QStringLiteral("1")); // 07:00 on the holiday
    QCOMPARE(exported.switches.first(), qMakePair(qint64(21 * 3600), QStringLiteral("3")));
    QVERIFY(run.out.contains("<tlLogic id=\"J7\""));
    QVERIFY(run.out.contains("junctionID=\"J7\""));
    QCOMPARE(cnf({QStringLiteral("convert"), file.fileName(), QStringLiteral("-"), QStringLiteral("--to"),
                  QStringLiteral("sumo"), QStringLiteral("--strict")}).exitCode, 1);
}

void TestSumo::linksAndOptions()
{
    const Run links = cnf({QStringLiteral("sumo-links"), QStringLiteral(CNF_EXAMPLE)});
    QCOMPARE(links.exitCode, 0);
    const QStringList lines = QString::fromUtf8(links.out).trimmed().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 11);
    QCOMPARE(lines.at(5), QStringLiteral("4  5  North left arrow  (arrow)"));
    QCOMPARE(lines.at(10), QStringLiteral("9  10  West crossing  (pedestrian)"));

    const QString example = QStringLiteral(CNF_EXAMPLE);
    const QStringList sumo{QStringLiteral("--to"), QStringLiteral("sumo")};
    const QList<QStringList> wrong{
        {QStringLiteral("convert"), example, QStringLiteral("-"), QStringLiteral("--week-of"), QStringLiteral("2026-12-07")},
        QStringList{QStringLiteral("convert"), example, QStringLiteral("-"), QStringLiteral("--week-of"), QStringLiteral("7.12.2026")} + sumo,
        QStringList{QStringLiteral("convert"), example, QStringLiteral("-"), QStringLiteral("--json")} + sumo,
        QStringList{QStringLiteral("convert"), example, QStringLiteral("-"), QStringLiteral("--tls-id"), QString()} + sumo,
        {QStringLiteral("sumo-links")},
    };
    for (const QStringList& arguments : wrong)
        QCOMPARE(cnf(arguments).exitCode, 2);
}

void TestSumo::schema()
{
    const QString xsd = sumoHome() + QLatin1String("/data/xsd/additional_file.xsd");
    if (QStandardPaths::findExecutable(QStringLiteral("xmllint")).isEmpty() || !QFile::exists(xsd))
        QSKIP("xmllint (libxml2-utils) or SUMO's additional_file.xsd (sumo-tools) is not installed: the schema is not checked");
    const Run run = execute(QStringLiteral("xmllint"), {QStringLiteral("--noout"), QStringLiteral("--schema"), xsd,
                                                        temp(QStringLiteral("week.add.xml"))});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QVERIFY(run.err.contains(QLatin1String("validates")));
}

// Builds a four-arm junction with netconvert whose connections carry the link
// index of their signal group, runs SUMO from 06:00 to 08:00 of the Monday
// and compares every logged second with the export and its WAUT.
void TestSumo::simulation()
{
    const QString sumo = QStandardPaths::findExecutable(QStringLiteral("sumo"));
    const QString netconvert = QStandardPaths::findExecutable(QStringLiteral("netconvert"));
    if (sumo.isEmpty() || netconvert.isEmpty())
        QSKIP("sumo or netconvert is not installed (apt-get install sumo): the simulator test did not run");
    const QString data = QStringLiteral(CNF_TEST_DATA "/sumo/crossroads");
    // The plain network first; the link indices apply reliably when it is loaded again.
    Run run = execute(netconvert, {QStringLiteral("-n"), data + QLatin1String(".nod.xml"), QStringLiteral("-e"),
                                   data + QLatin1String(".edg.xml"), QStringLiteral("-x"), data + QLatin1String(".con.xml"),
                                   QStringLiteral("--no-turnarounds"), QStringLiteral("-o"), temp(QStringLiteral("plain.net.xml"))});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    // Flashing amber leaves every link to the right-of-way rules; the option
    // keeps the junction from building mutual waits for it.
    run = execute(netconvert, {QStringLiteral("-s"), temp(QStringLiteral("plain.net.xml")), QStringLiteral("-i"),
                               data + QLatin1String(".tll.xml"), QStringLiteral("--tls.ignore-internal-junction-jam"),
                               QStringLiteral("-o"), temp(QStringLiteral("crossroads.net.xml"))});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));

    QFile events(temp(QStringLiteral("events.add.xml")));
    QVERIFY(events.open(QIODevice::WriteOnly));
    events.write("<additional>\n    <timedEvent type=\"SaveTLSStates\" source=\"1204\" dest=\"states.xml\"/>\n</additional>\n");
    events.close();
    constexpr int begin = 6 * 3600;
    constexpr int end = 8 * 3600;
    run = execute(sumo, {QStringLiteral("-n"), QStringLiteral("crossroads.net.xml"), QStringLiteral("-a"),
                         QStringLiteral("week.add.xml,events.add.xml"), QStringLiteral("--begin"), QString::number(begin),
                         QStringLiteral("--end"), QString::number(end), QStringLiteral("--no-step-log"),
                         QStringLiteral("--duration-log.statistics")},
                  m_dir.path());
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    const QString messages = QString::fromUtf8(run.out) + run.err;
    QVERIFY2(!messages.contains(QLatin1String("Error")), qPrintable(messages));
    const QStringList planned = plannedWarnings(parse(m_week));
    const auto lines = messages.split(QLatin1Char('\n'));
    for (const QString& line : lines)
        QVERIFY2(!line.startsWith(QLatin1String("Warning")) || planned.contains(line), qPrintable(line));
    qInfo("%s", qPrintable(messages.split(QLatin1Char('\n')).filter(QStringLiteral("Simulation ended")).join(QString())));

    const Export exported = parse(m_week);
    QXmlStreamReader log(readAll(temp(QStringLiteral("states.xml"))));
    QMap<QString, qint64> firstSeen;
    QMap<QString, QStringList> charts;
    for (const QString& program : {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}) {
        charts.insert(program, chartStates(program));
        QCOMPARE(charts.value(program).size(), exported.logics.value(program).cycle());
    }
    int seconds = 0;
    while (!log.atEnd()) {
        if (!log.readNextStartElement() || log.name() != QLatin1String("tlsState"))
            continue;
        const qint64 t = qRound64(log.attributes().value(QLatin1String("time")).toDouble());
        const QString program = log.attributes().value(QLatin1String("programID")).toString();
        QString expected = exported.startProgram;
        for (const auto& change : exported.switches) {
            if (change.first <= t)
                expected = change.second;
        }
        QCOMPARE(program, expected);
        const QString state = log.attributes().value(QLatin1String("state")).toString();
        QCOMPARE(state, exported.logics.value(program).stateAt(t));
        // The same second of the clock as the controller's own diagram.
        const QStringList& chart = charts[program];
        QCOMPARE(state, chart.at(int(t % chart.size())));
        if (!firstSeen.contains(program))
            firstSeen.insert(program, t);
        ++seconds;
    }
    QCOMPARE(seconds, end - begin);
    // 06:30 the day plan, 07:30 the peak plan: both switches lie in the window.
    QCOMPARE(firstSeen.value(QStringLiteral("3"), -1), qint64(begin));
    QCOMPARE(firstSeen.value(QStringLiteral("1"), -1), qint64(6 * 3600 + 1800));
    QCOMPARE(firstSeen.value(QStringLiteral("2"), -1), qint64(7 * 3600 + 1800));
}

QTEST_GUILESS_MAIN(TestSumo)
#include "tst_sumo.moc"
