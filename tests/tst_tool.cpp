// Runs the cnf tool on small configurations and checks its output, exit codes and files.
#include <QtTest>

#include "Norvak3xTestImage.h"
#include "ToolRunner.h"

#include <sys/stat.h>

namespace
{
const QString example = QStringLiteral(CNF_EXAMPLE);

QJsonObject json(const QByteArray& line)
{
    return QJsonDocument::fromJson(line).object();
}

// The programs of an info summary without their names: native images keep none.
QJsonArray programs(const QJsonObject& summary)
{
    QJsonArray list;
    for (const auto& program : summary.value("programs").toArray()) {
        QJsonObject object = program.toObject();
        object.remove("name");
        list.append(object);
    }
    return list;
}
} // namespace

class TestTool : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_image; // a 3.18 image converted from norvak318.xml
    int m_variants = 0;

    QString temp(const QString& name) const { return m_dir.filePath(name); }

    // plain.xml with one text replaced, to give it exactly one kind of fault.
    QString variant(const QByteArray& from, const QByteArray& to)
    {
        QByteArray document = readFile(toolData("plain.xml"));
        if (!from.isEmpty() && !document.contains(from))
            return QString();
        const QString fileName = temp(QStringLiteral("variant-%1.xml").arg(++m_variants));
        return writeFile(fileName, document.replace(from, to)) ? fileName : QString();
    }
    // Arguments separated by spaces, with PLAIN and OUT standing for files.
    QStringList arguments(const QString& line) const
    {
        QStringList list = line.split(' ', Qt::SkipEmptyParts);
        for (QString& argument : list)
            argument = QMap<QString, QString>{{"PLAIN", toolData("plain.xml")}, {"OUT", temp("out")}}.value(argument, argument);
        return list;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_image = temp("junction.bin");
        const ToolRun run = cnf({"convert", toolData("norvak318.xml"), m_image, "--to", "3.18"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    }

    void rejectedFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << temp("nothing-here.xml") << "cannot open";
        QTest::newRow("other XML") << toolData("not-a-project.xml") << "not a project document";
        QTest::newRow("unknown bytes") << toolData("unknown.bin") << "not a configuration";
        QTest::newRow("broken reference") << variant("sg=\"2\">2<", "sg=\"7\">2<") << "7";
        QTest::newRow("XML syntax") << variant("</Controller>", "") << "xml";
    }

    void rejectedFiles()
    {
        QFETCH(QString, file);
        QFETCH(QString, reason);
        QVERIFY(!file.isEmpty());
        for (const char* command : {"info", "check"}) {
            const ToolRun run = cnf({command, file});
            QCOMPARE(run.exitCode, 1);
            QVERIFY2(run.err.startsWith("cnf: " + file + ':') && run.err.contains(reason), qPrintable(run.err));
            QCOMPARE(run.err.count('\n'), 1); // one line, however long the input
        }
        // A rejected file does not stop info from describing the others.
        const ToolRun run = cnf({"info", "--json", file, toolData("plain.xml")});
        QCOMPARE(run.exitCode, 1);
        const QList<QByteArray> lines = run.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 2);
        QVERIFY(json(lines.at(0)).contains("error"));
        QCOMPARE(json(lines.at(1)).value("format").toString(), QStringLiteral("project"));
    }

    void usage_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("exitCode");
        // Several command lines, separated by ';', that fail or succeed alike.
        QTest::newRow("help and version") << "--help; --version; help convert; check --help" << 0;
        QTest::newRow("nothing") << "" << 2;
        QTest::newRow("unknown") << "frobnicate; info --colour PLAIN; check --as 3.99 PLAIN; convert PLAIN OUT --to docx" << 2;
        QTest::newRow("missing operands") << "info; check; diff PLAIN; convert PLAIN; convert PLAIN OUT" << 2;
        // No report in the way of the document.
        QTest::newRow("unwritable output") << "convert PLAIN - --to project --json" << 2;
    }

    void usage()
    {
        QFETCH(QString, line);
        QFETCH(int, exitCode);
        for (const QString& command : line.split(';')) {
            const ToolRun run = cnf(arguments(command));
            QVERIFY2(run.exitCode == exitCode, qPrintable(command));
            if (exitCode == 0) // no options of the parser's own that the tool does not offer
                QVERIFY(!run.out.isEmpty() && run.err.isEmpty() && !run.out.contains("--help-all") && !run.out.contains("The command."));
            else
                QVERIFY2(run.out.isEmpty() && run.err.startsWith("cnf: "), qPrintable(run.err));
        }
    }

    void check_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("as");
        QTest::addColumn<QString>("codes");
        QTest::addColumn<QString>("elements"); // of the first finding, as kind:id

        QTest::newRow("clean") << variant("", "") << "" << "" << "";
        QTest::newRow("example") << example << "" << "" << "";
        // The timer program of plain.xml has no 3.18 record.
        QTest::newRow("as 3.18") << toolData("plain.xml") << "3.18" << "writer-refused" << "";
        QTest::newRow("conflicting greens") << variant("sg=\"1\">3<", "sg=\"1,2\">3<") << "" << "conflicting-greens"
                                            << "signalGroup:1 signalGroup:2 phase:3";
        QTest::newRow("transition from a missing phase") << variant("sg=\"2\">2<", "sg=\"2\">2<Transition from=\"9\"/><") << ""
                                                         << "dangling-reference" << "phase:2 phase:9";
        QTest::newRow("transition timing a missing group")
            << variant("sg=\"2\">2<", "sg=\"2\">2<Transition from=\"1\"><clearing group=\"5\" time=\"3\"/></Transition><") << ""
            << "dangling-reference" << "phase:1 phase:2 signalGroup:5";
        // The project writer refuses such a step as well.
        QTest::newRow("step above maximum") << variant("length=\"20\"", "length=\"70\"") << "" << "writer-refused step-out-of-limits" << "";
        QTest::newRow("step below minimum") << variant("length=\"25\"", "length=\"2\"") << "" << "writer-refused step-out-of-limits" << "";
        QTest::newRow("missing intergreen") << variant("<CP on_sg=\"2\" off_sg=\"1\">4</CP>", "") << "" << "missing-intergreen"
                                            << "program:1 phase:1 phase:2 signalGroup:1 signalGroup:2";
        QTest::newRow("zero intergreen") << variant(">5</CP>", ">0</CP>") << "" << "missing-intergreen"
                                         << "program:1 phase:2 phase:1 signalGroup:2 signalGroup:1";
        QTest::newRow("several problems at once") << variant("sg=\"1\">3</Phase>", "sg=\"1,2\">3<Transition from=\"8\"/></Phase>") << ""
                                                  << "conflicting-greens dangling-reference" << "";
    }

    void check()
    {
        QFETCH(QString, file);
        QFETCH(QString, as);
        QFETCH(QString, codes);
        QFETCH(QString, elements);
        QVERIFY(!file.isEmpty());
        QStringList arguments{"check", file};
        if (!as.isEmpty())
            arguments << "--as" << as;

        const ToolRun run = cnf(arguments + QStringList{"--json"});
        QVERIFY2(run.exitCode == (codes.isEmpty() ? 0 : 1), run.out.constData());
        const QJsonObject report = json(run.out);
        QCOMPARE(report.value("file").toString(), file);
        const QJsonArray findings = report.value("findings").toArray();
        QStringList found;
        for (const auto& finding : findings) {
            const QJsonObject object = finding.toObject();
            const QString message = object.value("message").toString();
            QVERIFY2(!message.isEmpty() && message.contains(as), qPrintable(message)); // as names the target format
            QCOMPARE(object.value("severity").toString(), QStringLiteral("error"));
            found.append(object.value("code").toString());
        }
        QCOMPARE(found.join(' '), codes);
        if (!elements.isEmpty()) {
            QStringList involved;
            for (const auto& element : findings.first().toObject().value("elements").toArray())
                involved.append(element.toObject().value("kind").toString() + ':' + element.toObject().value("id").toString());
            QCOMPARE(involved.join(' '), elements);
        }
        // The text form has one line per finding and a closing line.
        const ToolRun text = cnf(arguments);
        QCOMPARE(text.exitCode, run.exitCode);
        QCOMPARE(text.out.count('\n'), found.size() + 1);
        for (const QString& code : qAsConst(found))
            QVERIFY(text.out.contains(code.toUtf8()));
    }

    void infoAndConvert_data()
    {
        QTest::addColumn<QString>("input"); // empty: the 3.18 image
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("signalGroups");
        QTest::addColumn<int>("programs");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("detected");
        const QString plain = toolData("plain.xml"), adapter = toolData("adapter.txt"), norvakii = toolData("norvakii.json");
        QTest::newRow("project") << plain << "project" << "" << 2 << 1 << "copy.xml" << "" << "project";
        QTest::newRow("project of a 3.18 controller") << toolData("norvak318.xml") << "project" << "norvak" << 2 << 1
                                                      << "junction.cfg" << "3.18" << "3.18";
        QTest::newRow("3.18 image") << QString() << "3.18" << "norvak" << 2 << 1 << "back.xml" << "" << "project";
        QTest::newRow("example") << example << "project" << "norvak" << 10 << 4 << "crossroads.bin" << "3.18" << "3.18";
        QTest::newRow("example as 3.15") << example << "project" << "norvak" << 10 << 4 << "crossroads-315.bin" << "3.15" << "3.15";
        QTest::newRow("3.18 image as 3.14") << QString() << "3.18" << "norvak" << 2 << 1 << "down.bin" << "3.14" << "3.14";
        QTest::newRow("NorvakII JSON") << norvakii << "norvakii" << "norvakii" << 2 << 0 << "from-json.xml" << "project" << "project";
        QTest::newRow("adapter text") << adapter << "adapter" << "adapter" << 0 << 6 << "from-adapter.xml" << "project" << "project";
        QTest::newRow("adapter text to adapter") << adapter << "adapter" << "adapter" << 0 << 6 << "copy.txt" << "adapter" << "adapter";
        QTest::newRow("NorvakII JSON written again") << norvakii << "norvakii" << "norvakii" << 2 << 0 << "again.json" << "norvakii"
                                                     << "norvakii";
        QTest::newRow("project to NorvakII") << plain << "project" << "" << 2 << 1 << "plain.json" << "norvakii" << "norvakii";
    }

    void infoAndConvert()
    {
        QFETCH(QString, input);
        QFETCH(QString, format);
        QFETCH(QString, output);
        QFETCH(QString, to);
        if (input.isEmpty())
            input = m_image;
        const ToolRun before = cnf({"info", "--json", input});
        QVERIFY2(before.exitCode == 0, qPrintable(before.err));
        const QJsonObject summary = json(before.out);
        QCOMPARE(summary.value("file").toString(), input);
        QCOMPARE(summary.value("format").toString(), format);
        QTEST(summary.value("type").toString(), "type");
        const QJsonObject counts = summary.value("counts").toObject();
        QTEST(counts.value("signalGroups").toInt(), "signalGroups");
        QTEST(counts.value("programs").toInt(), "programs");
        QCOMPARE(summary.value("programs").toArray().size(), counts.value("programs").toInt());
        const bool checksummed = format == "3.18" || format == "adapter";
        QCOMPARE(summary.value("checksum").toString(), QString(checksummed ? "valid" : "none"));
        // The text form names the same format.
        const ToolRun text = cnf({"info", input});
        QVERIFY(text.exitCode == 0 && text.out.contains(summary.value("formatDescription").toString().toUtf8()));

        output = temp(output);
        const ToolRun run = cnf(QStringList{"convert", input, output} + (to.isEmpty() ? QStringList() : QStringList{"--to", to}));
        QVERIFY2(run.exitCode == 0 && run.out.isEmpty(), qPrintable(run.err));
        const ToolRun after = cnf({"info", "--json", output});
        QVERIFY2(after.exitCode == 0, qPrintable(after.err));
        const QJsonObject converted = json(after.out);
        QTEST(converted.value("format").toString(), "detected");
        QCOMPARE(converted.value("number"), summary.value("number"));
        QCOMPARE(programs(converted), programs(summary));
        for (const char* key : {"signalGroups", "phases", "programs", "dayCards", "specialDays"})
            QCOMPARE(converted.value("counts").toObject().value(key), counts.value(key));
    }

    void refusedConversionLeavesOutput_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("reason");
        QTest::newRow("program without a record") << toolData("plain.xml") << "--to 3.18" << "program 1";
        QTest::newRow("timer as adapter text") << toolData("plain.xml") << "--to adapter" << "Таймер";
        QTest::newRow("step out of limits") << variant("length=\"20\"", "length=\"70\"") << "--to project" << "70";
        QTest::newRow("unreadable input") << toolData("unknown.bin") << "--to project" << "unknown.bin";
        QTest::newRow("strict, losing data") << example << "--to 3.18 --strict" << "cannot hold";
        QTest::newRow("unsafe to an image") << variant("sg=\"1\">3<", "sg=\"1,2\">3<") << "--to 3.18" << "safety review";
    }

    void refusedConversionLeavesOutput()
    {
        QFETCH(QString, input);
        QFETCH(QString, options);
        QFETCH(QString, reason);
        const QString output = temp("kept.out");
        const QByteArray previous("earlier contents\n");
        QVERIFY(writeFile(output, previous));
        const ToolRun run = cnf(QStringList{"convert", input, output} + arguments(options));
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.out.isEmpty());
        // The refusal is the last line; an unsafe source is warned of before.
        QVERIFY2(run.err.trimmed().split('\n').last().contains(reason), qPrintable(run.err));
        QCOMPARE(readFile(output), previous);
        // Nothing lost: --strict writes.
        const ToolRun lossless = cnf({"convert", example, output, "--to", "project", "--strict"});
        QVERIFY2(lossless.exitCode == 0 && lossless.err.isEmpty(), qPrintable(lossless.err));
        QVERIFY(readFile(output).startsWith("<Controller "));
    }

    void damagedImage_data()
    {
        QTest::addColumn<bool>("oddDay"); // else one flipped bit: a wrong checksum
        QTest::newRow("checksum mismatch") << false;
        // With a valid checksum the reader skips the day and warns.
        QTest::newRow("special day 31 February") << true;
    }

    void damagedImage()
    {
        using Image = Norvak3xTestImage;
        QFETCH(bool, oddDay);
        QByteArray image = readFile(m_image);
        if (oddDay) {
            Image parsed;
            for (int i = 0; i < Image::SectionCount; ++i)
                parsed.sections.append(Image::section(image, i));
            QByteArray& days = parsed.sections[Image::SpecialDays]; // its first day
            days[2 + 1] = 31;
            days[2 + 2] = 2;
            image = parsed.build();
        } else {
            image[200] = char(image.at(200) ^ 0x01); // one bit of the settings
        }
        const QString damaged = temp("damaged.bin");
        QVERIFY(writeFile(damaged, image));
        const ToolRun check = cnf({"check", "--json", damaged});
        QCOMPARE(check.exitCode, 1);
        const QJsonArray findings = json(check.out).value("findings").toArray();
        QCOMPARE(findings.size(), 1);
        QCOMPARE(findings.first().toObject().value("code").toString(), QString(oddDay ? "reader-warning" : "checksum-mismatch"));
        QCOMPARE(findings.first().toObject().value("severity").toString(), QString(oddDay ? "warning" : "error"));
        const ToolRun info = cnf({"info", "--json", damaged});
        QCOMPARE(info.exitCode, 0); // still readable
        QCOMPARE(json(info.out).value("checksum").toString(), QString(oddDay ? "valid" : "invalid"));
        QCOMPARE(json(info.out).value("warnings").toArray().size(), int(oddDay));
        if (oddDay)
            return;
        // A mismatch refuses an image unless forced, and is warned of otherwise.
        for (const QString options : {"--to 3.18", "--to 3.18 --force", "--to project"}) {
            const QString output = temp("from-damaged.out");
            QFile::remove(output);
            const ToolRun run = cnf(QStringList{"convert", damaged, output} + arguments(options));
            const bool refused = options == "--to 3.18";
            QVERIFY2(run.exitCode == int(refused) && run.err.contains("checksum does not match"), qPrintable(run.err));
            QCOMPARE(QFile::exists(output), !refused);
            QVERIFY2(refused ? run.err.count('\n') == 1 && run.err.contains("--force") : run.err.contains("warning"), qPrintable(run.err));
        }
    }

    void standardStreamsAndPipes()
    {
        const ToolRun converted = cnf({"convert", "-", "-", "--to", "3.18"}, readFile(toolData("norvak318.xml")));
        QVERIFY2(converted.exitCode == 0, qPrintable(converted.err));
        QCOMPARE(converted.err, QStringLiteral("cnf: firmware 3.18 image cannot hold: names of 3 elements, 2 transitions\n"));
        QCOMPARE(converted.out.size(), readFile(m_image).size());
        const ToolRun info = cnf({"info", "--json", "-"}, converted.out);
        QCOMPARE(info.exitCode, 0);
        QCOMPARE(json(info.out).value("file").toString(), QStringLiteral("-"));
        QCOMPARE(json(info.out).value("format").toString(), QStringLiteral("3.18"));
        QCOMPARE(cnf({"check", "-"}, readFile(toolData("plain.xml"))).exitCode, 0);
        // A named pipe as OUT is written to, not replaced.
        const QString fifo = temp("pipe");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QProcess reader;
        reader.start("cat", {fifo});
        QVERIFY(reader.waitForStarted());
        const ToolRun run = cnf({"convert", toolData("plain.xml"), fifo, "--to", "project"});
        if (!reader.waitForFinished(10000))
            reader.kill();
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QCOMPARE(reader.readAllStandardOutput(), cnf({"convert", toolData("plain.xml"), "-", "--to", "project"}).out);
        struct stat status;
        QCOMPARE(::stat(QFile::encodeName(fifo).constData(), &status), 0);
        QVERIFY(S_ISFIFO(status.st_mode));
    }

    void lossReportAndRoundTrip()
    {
        // The example's matrix, detectors, names and transitions do not fit a 3.18 image: one line names them all.
        const QString output = temp("lossy.bin");
        const QStringList arguments{"convert", example, output, "--to", "3.18"};
        const ToolRun run = cnf(arguments);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err.count('\n'), 1);
        QVERIFY2(run.err.startsWith("cnf: firmware 3.18 image cannot hold: "), qPrintable(run.err));
        for (const char* kind : {"1 intergreen matrix", "4 detectors", "names of 49 elements", "7 transitions", "controller default matrix"})
            QVERIFY2(run.err.contains(kind), kind);

        const ToolRun verbose = cnf(arguments + QStringList{"--verbose"});
        for (const char* line : {"  matrix 1: only in the first\n", "  detector 4: only in the first\n",
                                 "  phase 1: name: \"Main road\" → \"\"\n", "  phase 1, transition from 3: only in the first\n"})
            QVERIFY2(verbose.err.contains(QString::fromUtf8(line)), line);
        // Back to a document and to an image again: the same image but for the time of change.
        QCOMPARE(cnf({"convert", output, temp("example.xml"), "--to", "project"}).exitCode, 0);
        QCOMPARE(cnf({"check", temp("example.xml")}).exitCode, 0);
        QCOMPARE(cnf({"convert", temp("example.xml"), temp("example-2.bin"), "--to", "3.18"}).exitCode, 0);
        QCOMPARE(readFile(temp("example-2.bin")).size(), readFile(output).size());

        const QJsonObject report = json(cnf(arguments + QStringList{"--json"}).out);
        QCOMPARE(report.value("written").toBool(), true);
        QMap<QString, int> missing;
        for (const auto& loss : report.value("losses").toArray()) {
            if (loss.toObject().value("change").toString() == "missing")
                ++missing[loss.toObject().value("kind").toString()];
        }
        QCOMPARE(missing, (QMap<QString, int>{{"matrix", 1}, {"detector", 4}, {"transition", 7}}));
    }

    void unsafeProject()
    {
        const QString unsafe = variant("sg=\"1\">3<", "sg=\"1,2\">3<");
        const QString project = temp("unsafe-copy.xml");
        const ToolRun warned = cnf({"convert", unsafe, project});
        QCOMPARE(warned.exitCode, 0);
        QVERIFY2(warned.err.contains("warning: the safety review"), qPrintable(warned.err));
        QVERIFY(QFile::exists(project));
        // Checking several files: each is reported, and one unsafe fails them all.
        const ToolRun good = cnf({"check", variant("", ""), example});
        QCOMPARE(good.exitCode, 0);
        QCOMPARE(good.out.count("no problems found"), 2);
        const ToolRun bad = cnf({"check", variant("", ""), unsafe});
        QCOMPARE(bad.exitCode, 1);
        QVERIFY(bad.out.contains(unsafe.toUtf8() + ": error conflicting-greens"));
    }

    void sameBytesInEveryProcess_data()
    {
        QTest::addColumn<QString>("to");
        for (const QByteArray& line : cnf({"formats"}).out.split('\n')) {
            const int at = line.indexOf("--to ");
            if (at >= 0)
                QTest::newRow(line.mid(at + 5).constData()) << QString::fromUtf8(line.mid(at + 5));
        }
    }

    void sameBytesInEveryProcess()
    {
        QFETCH(QString, to);
        // The example's program records are the 3.x firmware's; the adapter has its own, and
        // ZT_LOOM, which has no fixed-time programs, its own document.
        const QString source = to == "adapter" ? toolData("adapter.txt")
            : to == "zt_loom"                  ? QStringLiteral(CNF_TEST_DATA "/ztloom/rich.json")
                                               : example;
        QByteArray outputs[3];
        for (QByteArray& output : outputs) {
            const ToolRun run = cnf({"convert", source, "-", "--to", to});
            QCOMPARE(run.exitCode, 0);
            output = run.out;
        }
        QVERIFY(!outputs[0].isEmpty());
        // An image carries the minute it was written: two runs may straddle one.
        QVERIFY(outputs[0] == outputs[1] || outputs[1] == outputs[2]);
    }

    void diff()
    {
        const ToolRun same = cnf({"diff", example, example});
        QVERIFY(same.exitCode == 0 && same.out.isEmpty() && same.err.isEmpty());
        QByteArray document = readFile(example);
        const QString changed = temp("changed.xml");
        QVERIFY(writeFile(changed, document.replace("name=\"Main road\"", "name=\"Main street\"")));
        const ToolRun one = cnf({"diff", example, changed});
        QCOMPARE(one.exitCode, 1);
        QCOMPARE(QString::fromUtf8(one.out), QStringLiteral("phase 1: name: \"Main road\" → \"Main street\"\n"));
        const QJsonObject report = json(cnf({"diff", "--json", example, changed}).out);
        QCOMPARE(report.value("equal").toBool(), false);
        const QJsonArray differences = report.value("differences").toArray();
        QCOMPARE(differences.size(), 1);
        QCOMPARE(differences.first().toObject().value("kind").toString(), QStringLiteral("phase"));
        QCOMPARE(differences.first().toObject().value("second").toString(), QStringLiteral("Main street"));
        // Across formats: the image keeps no names.
        const ToolRun formats = cnf({"diff", toolData("norvak318.xml"), m_image});
        QCOMPARE(formats.exitCode, 1);
        QVERIFY(formats.out.contains("signal group 1: name: \"Main\" → \"\""));
        QCOMPARE(cnf({"diff", example, temp("absent.xml")}).exitCode, 2);
    }

    void formatsAndHelp()
    {
        const ToolRun formats = cnf({"formats"});
        QCOMPARE(formats.exitCode, 0);
        QStringList lines, names;
        for (const QString& line : QString::fromUtf8(formats.out).trimmed().split('\n')) {
            lines.append(line.simplified());
            names.append(lines.last().section(' ', 0, 0));
            QVERIFY2(lines.last().endsWith("--to " + names.last()), qPrintable(lines.last()));
        }
        QCOMPARE(names.join(' '), QStringLiteral("project 3.14 3.15 3.16 3.17 3.18 adapter zt_loom norvakii sumo"));
        QVERIFY(lines.at(0).endsWith("detect read write --to project") && lines.at(8).endsWith("detect read write --to norvakii"));
        QVERIFY(lines.at(7).endsWith("detect read write --to zt_loom") && lines.at(9).endsWith("export --to sumo"));
        const ToolRun help = cnf({"help", "convert"});
        QVERIFY(QString::fromUtf8(help.out).simplified().contains(
            "Format of OUT: project, 3.14, 3.15, 3.16, 3.17, 3.18, adapter, zt_loom, norvakii; or sumo to export"));
    }
};

QTEST_GUILESS_MAIN(TestTool)
#include "tst_tool.moc"
