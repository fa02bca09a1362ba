// The export of the signal plans to SUMO: the example's state strings, the file
// against SUMO's schema, and the plans and the week's schedule run by SUMO itself.
#include <QtTest>

#include "ToolRunner.h"

namespace
{
const QString example = QStringLiteral(CNF_EXAMPLE);

// One exported program: its offset and its phases.
struct Logic {
    int offset = 0;
    QStringList states;
    QStringList listing; // "DURATION STATE [NAME]" per phase
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
        const auto value = [&attributes](const char* name) { return attributes.value(QLatin1String(name)).toString(); };
        if (xml.name() == QLatin1String("tlLogic")) {
            current = value("programID");
            result.logics[current].offset = value("offset").toInt();
        } else if (xml.name() == QLatin1String("phase")) {
            Logic& logic = result.logics[current];
            logic.states.append(value("state"));
            logic.listing.append(QStringLiteral("%1 %2 %3").arg(value("duration").toInt()).arg(value("state"), value("name")).trimmed());
        } else if (xml.name() == QLatin1String("WAUT")) {
            result.startProgram = value("startProg");
        } else if (xml.name() == QLatin1String("wautSwitch")) {
            result.switches.append({value("time").toLongLong(), value("to")});
        }
    }
    return result;
}

// The only warnings SUMO may give: a link from green straight to red (an arrow
// without amber), and one that a program never gives green.
QStringList plannedWarnings(const Export& exported)
{
    QStringList warnings;
    for (auto it = exported.logics.cbegin(); it != exported.logics.cend(); ++it) {
        const QStringList& states = it.value().states;
        for (int link = 0; link < states.first().size(); ++link) {
            bool green = false;
            for (int i = 0; i < states.size(); ++i) {
                const int next = (i + 1) % states.size();
                green = green || states.at(i).at(link) == 'G';
                if (states.at(i).at(link) == 'G' && states.at(next).at(link) == 'r')
                    warnings.append(QStringLiteral("Warning: Missing yellow phase in tlLogic '1204', program '%1' for tl-index %2 when switching to phase %3.")
                                        .arg(it.key()).arg(link).arg(next));
            }
            if (!green)
                warnings.append(QStringLiteral("Warning: Missing green phase in tlLogic '1204', program '%1' for tl-index %2.").arg(it.key()).arg(link));
        }
    }
    return warnings;
}

// The states by second of the cycle in `cnf diagram --text`, in SUMO's letters.
QStringList chartStates(const QString& program)
{
    const QString letters = QStringLiteral("GgYRUF.");
    const QString sumo = QStringLiteral("GGyruoO");
    QStringList rows;
    for (const QString& line : QString::fromUtf8(cnf({"diagram", example, "--program", program, "--text"}).out).split('\n')) {
        if (line.size() > 24 && line.at(0) == ' ' && line.at(2).isDigit())
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
} // namespace

class TestSumo : public QObject
{
    Q_OBJECT

private:
    QString temp(const QString& name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
    QByteArray m_week; // the example with --week-of Monday 7 December 2026

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        if (qEnvironmentVariableIsEmpty("SUMO_HOME"))
            qputenv("SUMO_HOME", "/usr/share/sumo");
        QCOMPARE(cnf({"convert", example, temp("week.add.xml"), "--to", "sumo", "--week-of", "2026-12-07"}).exitCode, 0);
        m_week = readFile(temp("week.add.xml"));
    }

    // Hand-checked against the text chart: program 2 starts at its offset, green blink is G in a phase
    // naming the groups, arrows go from G to r, flashing amber is o and a head without amber dark (O).
    void states_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<int>("offset");
        QTest::addColumn<QString>("phases"); // "DURATION STATE [NAME]" separated by '|'
        QTest::newRow("night") << "3" << 0
                               << "25 GGrrrrrrGG|3 GGrrrrrrGG green blink 1,2|3 yyrrrrrrGG|1 rrrrrrrrGG|12 rrrrrrGGGG|"
                                  "3 rrrrrrGGGG green blink 9,10|2 rrrrrrGGrr|2 rruurrGGrr|15 rrGGrrGGrr|"
                                  "3 rrGGrrGGrr green blink 3,4,7,8|2 rryyrrrrrr|1 uuyyrrrrrr|1 uurrrrrrrr";
        QTest::newRow("peak, offset 15") << "2" << 15
                                         << "12 GrrrGrrrrG|3 GrrrGrrrrG green blink 5|2 GurrrrrrrG|35 GGrrrrrrGG|"
                                            "3 GGrrrrrrGG green blink 1,2,9,10|3 yyrrrrrrrr|1 rrrrrrrrrr|10 rrrrGGrrrr|"
                                            "3 rrrrGGrrrr green blink 5,6|2 rruurrrrrr|25 rrGGrrGGrr|"
                                            "3 rrGGrrGGrr green blink 3,4,7,8|2 rryyrrrrrr|1 uryyrrrrrr|1 urrrrrrrrr";
        QTest::newRow("yellow flash") << "4" << 0 << "60 ooooOOOOOO";
    }

    void states()
    {
        QFETCH(QString, program);
        const Export exported = parse(m_week);
        QTEST(exported.logics.value(program).offset, "offset");
        QTEST(exported.logics.value(program).listing.join('|'), "phases");
        QVERIFY(m_week.contains("<!-- state index 4: signal group 5 \"North left arrow\" (arrow) -->"));
        QVERIFY(m_week.contains("<tlLogic id=\"1204\" type=\"static\" programID=\"" + program.toUtf8() + '"'));
    }

    // The Monday's card: program 3 until 06:30, then 1, 2 from 07:30...; other days follow the calendar.
    void weekSchedule()
    {
        Export exported = parse(m_week);
        QCOMPARE(exported.startProgram, QStringLiteral("3"));
        QCOMPARE(exported.switches.size(), 34);
        QCOMPARE(exported.switches.at(0), qMakePair(qint64(23400), QStringLiteral("1")));
        QCOMPARE(exported.switches.at(5), qMakePair(qint64(81000), QStringLiteral("3"))); // Monday 22:30
        QCOMPARE(exported.switches.at(30), qMakePair(qint64(5 * 86400 + 8 * 3600), QStringLiteral("1"))); // Saturday 08:00
        QVERIFY(m_week.contains("<wautJunction wautID=\"1204_week\" junctionID=\"1204\"/>"));

        // New Year's Day runs the holiday card; its first program has no plan.
        QByteArray document = readFile(example);
        document.replace("<Program id=\"4\"", "<Program id=\"5\" name=\"Script\" type=\"JavaScript\"/>\n  <Program id=\"4\"");
        document.replace("<Time program=\"4\">00:00</Time>", "<Time program=\"5\">00:00</Time>");
        const QString script = temp("script.xml");
        QVERIFY(writeFile(script, document));
        const ToolRun run = cnf({"convert", script, "-", "--to", "sumo", "--week-of", "2026-01-01", "--tls-id", "J7"});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.err.contains("not exported: program 5 (Script), JavaScript: no fixed signal plan")
                     && run.err.contains("2026-01-01 00:00: program 5 has no signal plan; the program before keeps running"),
                 qPrintable(run.err));
        exported = parse(run.out);
        QVERIFY(!exported.logics.contains("5"));
        QCOMPARE(exported.startProgram, QStringLiteral("1")); // 07:00 on the holiday
        QCOMPARE(exported.switches.first(), qMakePair(qint64(21 * 3600), QStringLiteral("3")));
        QVERIFY(run.out.contains("<tlLogic id=\"J7\"") && run.out.contains("junctionID=\"J7\""));
        QCOMPARE(cnf({"convert", script, "-", "--to", "sumo", "--strict"}).exitCode, 1);
    }

    void linksAndOptions()
    {
        const ToolRun links = cnf({"sumo-links", example});
        QCOMPARE(links.exitCode, 0);
        const QStringList lines = QString::fromUtf8(links.out).trimmed().split('\n');
        QCOMPARE(lines.size(), 11);
        QCOMPARE(lines.at(5), QStringLiteral("4  5  North left arrow  (arrow)"));
        QCOMPARE(lines.at(10), QStringLiteral("9  10  West crossing  (pedestrian)"));
        const QList<QStringList> wrong{{"convert", example, "-", "--week-of", "2026-12-07"},
                                       {"convert", example, "-", "--to", "sumo", "--week-of", "7.12.2026"},
                                       {"convert", example, "-", "--to", "sumo", "--json"},
                                       {"convert", example, "-", "--to", "sumo", "--tls-id", ""},
                                       {"sumo-links"}};
        for (const QStringList& arguments : wrong)
            QVERIFY2(cnf(arguments).exitCode == 2, qPrintable(arguments.join(' ')));
    }

    void schema()
    {
        const QString xsd = qEnvironmentVariable("SUMO_HOME") + "/data/xsd/additional_file.xsd";
        if (QStandardPaths::findExecutable("xmllint").isEmpty() || !QFile::exists(xsd))
            QSKIP("xmllint (libxml2-utils) or SUMO's additional_file.xsd (sumo-tools) is not installed: the schema is not checked");
        const ToolRun run = runProgram("xmllint", {"--noout", "--schema", xsd, temp("week.add.xml")});
        QVERIFY2(run.exitCode == 0 && run.err.contains("validates"), qPrintable(run.err));
    }

    // Runs SUMO on a four-arm junction from 06:00 to 08:00 of the Monday and compares every logged
    // second with the export's WAUT and the controller's own diagram.
    void simulation()
    {
        const QString sumo = QStandardPaths::findExecutable("sumo");
        const QString netconvert = QStandardPaths::findExecutable("netconvert");
        if (sumo.isEmpty() || netconvert.isEmpty())
            QSKIP("sumo or netconvert is not installed (apt-get install sumo): the simulator test did not run");
        const QString data = QStringLiteral(CNF_TEST_DATA "/sumo/crossroads");
        // The plain network first; the link indices apply reliably when it is loaded again.
        ToolRun run = runProgram(netconvert, {"-n", data + ".nod.xml", "-e", data + ".edg.xml", "-x", data + ".con.xml",
                                              "--no-turnarounds", "-o", temp("plain.net.xml")});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        // Flashing amber leaves the links to the right of way: keep the junction from mutual waits.
        run = runProgram(netconvert, {"-s", temp("plain.net.xml"), "-i", data + ".tll.xml", "--tls.ignore-internal-junction-jam",
                                      "-o", temp("crossroads.net.xml")});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QVERIFY(writeFile(temp("events.add.xml"),
                          "<additional>\n    <timedEvent type=\"SaveTLSStates\" source=\"1204\" dest=\"states.xml\"/>\n</additional>\n"));
        constexpr int begin = 6 * 3600, end = 8 * 3600;
        run = runProgram(sumo, {"-n", "crossroads.net.xml", "-a", "week.add.xml,events.add.xml", "--begin", QString::number(begin),
                                "--end", QString::number(end), "--no-step-log", "--duration-log.statistics"},
                         QByteArray(), m_dir.path());
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        const QString messages = QString::fromUtf8(run.out) + run.err;
        QVERIFY2(!messages.contains("Error"), qPrintable(messages));
        const Export exported = parse(m_week);
        const QStringList planned = plannedWarnings(exported);
        for (const QString& line : messages.split('\n'))
            QVERIFY2(!line.startsWith("Warning") || planned.contains(line), qPrintable(line));
        qInfo("%s", qPrintable(messages.split('\n').filter("Simulation ended").join(QString())));

        QMap<QString, QStringList> charts;
        for (const char* program : {"1", "2", "3"})
            charts.insert(program, chartStates(program));
        QXmlStreamReader log(readFile(temp("states.xml")));
        QMap<QString, qint64> firstSeen;
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
            // The same second of the clock as the controller's own diagram.
            const QStringList& chart = charts[program];
            QCOMPARE(log.attributes().value(QLatin1String("state")).toString(), chart.at(int(t % chart.size())));
            if (!firstSeen.contains(program))
                firstSeen.insert(program, t);
            ++seconds;
        }
        QCOMPARE(seconds, end - begin);
        // 06:30 the day plan, 07:30 the peak plan: both switches lie in the window.
        QCOMPARE(firstSeen.value("3", -1), qint64(begin));
        QCOMPARE(firstSeen.value("1", -1), qint64(6 * 3600 + 1800));
        QCOMPARE(firstSeen.value("2", -1), qint64(7 * 3600 + 1800));
    }
};

QTEST_GUILESS_MAIN(TestSumo)
#include "tst_sumo.moc"
