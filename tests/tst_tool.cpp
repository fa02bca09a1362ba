// Runs the cnf command-line tool on small configurations and checks its
// output, its exit codes and the files it writes.
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "Norvak3xTestImage.h"

#include <sys/stat.h>

namespace
{
struct Run {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

QString dataFile(const QString& name)
{
    return QStringLiteral(CNF_TEST_DATA "/tool/") + name;
}

QByteArray readAll(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& fileName, const QByteArray& data)
{
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(data), data.size());
}

Run cnf(const QStringList& arguments, const QByteArray& input = QByteArray())
{
    QProcess process;
    process.start(QStringLiteral(CNF_TOOL), arguments);
    process.write(input);
    process.closeWriteChannel();
    Run run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QJsonObject json(const QByteArray& line)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    return error.error == QJsonParseError::NoError ? document.object() : QJsonObject();
}

// The programs of an info summary without their names: native images keep
// none.
QJsonArray programs(const QJsonObject& summary)
{
    QJsonArray list;
    for (const auto& program : summary.value(QStringLiteral("programs")).toArray()) {
        QJsonObject object = program.toObject();
        object.remove(QStringLiteral("name"));
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

    QString temp(const QString& name) const { return m_dir.filePath(name); }

    // plain.xml with one text replaced, to give it exactly one kind of fault.
    QString variant(const QString& name, const QByteArray& from, const QByteArray& to)
    {
        QByteArray document = readAll(dataFile(QStringLiteral("plain.xml")));
        if (!from.isEmpty() && !document.contains(from))
            return QString();
        document.replace(from, to);
        const QString fileName = temp(name + QLatin1String(".xml"));
        writeAll(fileName, document);
        return fileName;
    }

private Q_SLOTS:
    void initTestCase();
    void rejectedFiles_data();
    void rejectedFiles();
    void usage_data();
    void usage();
    void check_data();
    void check();
    void infoAndConvert_data();
    void infoAndConvert();
    void refusedConversionLeavesOutput_data();
    void refusedConversionLeavesOutput();
    void imageRoundTrip();
    void damagedImage_data();
    void damagedImage();
    void standardStreams();
    void lossReport();
    void strictLeavesOutput();
    void corruptImage_data();
    void corruptImage();
    void unsafeProject();
    void specialOutput();
    void sameBytesInEveryProcess_data();
    void sameBytesInEveryProcess();
    void diff();
    void formatsAndHelp();
    void checkSeveralFiles();
};

void TestTool::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_image = temp(QStringLiteral("junction.bin"));
    const Run run = cnf({QStringLiteral("convert"), dataFile(QStringLiteral("norvak318.xml")), m_image,
                         QStringLiteral("--to"), QStringLiteral("3.18")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
}

void TestTool::rejectedFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("reason");

    QTest::newRow("missing") << temp(QStringLiteral("nothing-here.xml")) << "cannot open";
    QTest::newRow("other XML") << dataFile(QStringLiteral("not-a-project.xml")) << "not a project document";
    QTest::newRow("unknown bytes") << dataFile(QStringLiteral("unknown.bin")) << "not a configuration";
    QTest::newRow("broken reference") << variant(QStringLiteral("broken"), "sg=\"2\">2<", "sg=\"7\">2<") << "7";
    QTest::newRow("XML syntax") << variant(QStringLiteral("syntax"), "</Controller>", "") << "xml";
}

void TestTool::rejectedFiles()
{
    QFETCH(QString, file);
    QFETCH(QString, reason);
    QVERIFY(!file.isEmpty());
    const QString good = dataFile(QStringLiteral("plain.xml"));
    for (const QString& command : {QStringLiteral("info"), QStringLiteral("check")}) {
        const Run run = cnf({command, file});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.startsWith(QStringLiteral("cnf: ") + file + QLatin1Char(':')), qPrintable(run.err));
        QVERIFY2(run.err.contains(reason), qPrintable(run.err));
        QCOMPARE(run.err.count(QLatin1Char('\n')), 1); // one line, however long the input
    }
    // A rejected file does not stop info from describing the others.
    const Run run = cnf({QStringLiteral("info"), QStringLiteral("--json"), file, good});
    QCOMPARE(run.exitCode, 1);
    const QList<QByteArray> lines = run.out.trimmed().split('\n');
    QCOMPARE(lines.size(), 2);
    QVERIFY(json(lines.at(0)).contains(QStringLiteral("error")));
    QCOMPARE(json(lines.at(1)).value(QStringLiteral("format")).toString(), QStringLiteral("project"));
}

void TestTool::usage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");

    const QString plain = dataFile(QStringLiteral("plain.xml"));
    QTest::newRow("help") << QStringList{QStringLiteral("--help")} << 0;
    QTest::newRow("version") << QStringList{QStringLiteral("--version")} << 0;
    QTest::newRow("help of a command") << QStringList{QStringLiteral("help"), QStringLiteral("convert")} << 0;
    QTest::newRow("command --help") << QStringList{QStringLiteral("check"), QStringLiteral("--help")} << 0;
    QTest::newRow("nothing") << QStringList() << 2;
    QTest::newRow("unknown command") << QStringList{QStringLiteral("frobnicate")} << 2;
    QTest::newRow("unknown option") << QStringList{QStringLiteral("info"), QStringLiteral("--colour"), plain} << 2;
    QTest::newRow("info without file") << QStringList{QStringLiteral("info")} << 2;
    QTest::newRow("check without file") << QStringList{QStringLiteral("check")} << 2;
    QTest::newRow("diff of one file") << QStringList{QStringLiteral("diff"), plain} << 2;
    QTest::newRow("convert to an unwritten format") << QStringList{QStringLiteral("convert"), plain, temp(QStringLiteral("out.json")),
                                                                   QStringLiteral("--to"), QStringLiteral("zt_loom")} << 2;
    QTest::newRow("convert --json to standard output")
        << QStringList{QStringLiteral("convert"), plain, QStringLiteral("-"), QStringLiteral("--to"), QStringLiteral("project"),
                       QStringLiteral("--json")} << 2;
    QTest::newRow("check as unknown") << QStringList{QStringLiteral("check"), QStringLiteral("--as"), QStringLiteral("3.99"), plain} << 2;
    QTest::newRow("convert without OUT") << QStringList{QStringLiteral("convert"), plain} << 2;
    QTest::newRow("convert without format") << QStringList{QStringLiteral("convert"), plain, temp(QStringLiteral("out.bin"))} << 2;
    QTest::newRow("convert to unknown") << QStringList{QStringLiteral("convert"), plain, temp(QStringLiteral("out.xml")),
                                                       QStringLiteral("--to"), QStringLiteral("docx")} << 2;
}

void TestTool::usage()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    const Run run = cnf(arguments);
    QCOMPARE(run.exitCode, exitCode);
    if (exitCode == 0) {
        QVERIFY(!run.out.isEmpty());
        QVERIFY(run.err.isEmpty());
    } else {
        QVERIFY(run.out.isEmpty());
        QVERIFY2(run.err.startsWith(QStringLiteral("cnf: ")), qPrintable(run.err));
    }
}

void TestTool::check_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("as");
    QTest::addColumn<QString>("codes");
    QTest::addColumn<QString>("elements"); // of the first finding, as kind:id

    QTest::newRow("clean") << variant(QStringLiteral("clean"), "", "") << "" << "" << "";
    QTest::newRow("example") << QStringLiteral(CNF_EXAMPLE) << "" << "" << "";
    // The timer program of plain.xml has no 3.18 record.
    QTest::newRow("as 3.18") << dataFile(QStringLiteral("plain.xml")) << "3.18" << "writer-refused" << "";
    QTest::newRow("conflicting greens") << variant(QStringLiteral("greens"), "sg=\"1\">3<", "sg=\"1,2\">3<") << ""
                                        << "conflicting-greens" << "signalGroup:1 signalGroup:2 phase:3";
    QTest::newRow("transition from a missing phase")
        << variant(QStringLiteral("dangling"), "sg=\"2\">2<", "sg=\"2\">2<Transition from=\"9\"/><") << ""
        << "dangling-reference" << "phase:2 phase:9";
    QTest::newRow("transition timing a missing group")
        << variant(QStringLiteral("dangling-group"), "sg=\"2\">2<",
                   "sg=\"2\">2<Transition from=\"1\"><clearing group=\"5\" time=\"3\"/></Transition><")
        << "" << "dangling-reference" << "phase:1 phase:2 signalGroup:5";
    // The project writer refuses such a step as well.
    QTest::newRow("step above maximum") << variant(QStringLiteral("long-step"), "length=\"20\"", "length=\"70\"") << ""
                                        << "writer-refused step-out-of-limits" << "";
    QTest::newRow("step below minimum") << variant(QStringLiteral("short-step"), "length=\"25\"", "length=\"2\"") << ""
                                        << "writer-refused step-out-of-limits" << "";
    QTest::newRow("missing intergreen")
        << variant(QStringLiteral("no-intergreen"), "<CP on_sg=\"2\" off_sg=\"1\">4</CP>", "") << ""
        << "missing-intergreen" << "program:1 phase:1 phase:2 signalGroup:1 signalGroup:2";
    QTest::newRow("zero intergreen") << variant(QStringLiteral("zero-intergreen"), ">5</CP>", ">0</CP>") << ""
                                     << "missing-intergreen" << "program:1 phase:2 phase:1 signalGroup:2 signalGroup:1";
    QTest::newRow("several problems at once")
        << variant(QStringLiteral("several"), "sg=\"1\">3</Phase>", "sg=\"1,2\">3<Transition from=\"8\"/></Phase>")
        << "" << "conflicting-greens dangling-reference" << "";
}

void TestTool::check()
{
    QFETCH(QString, file);
    QFETCH(QString, as);
    QFETCH(QString, codes);
    QFETCH(QString, elements);
    QVERIFY(!file.isEmpty());
    QStringList arguments{QStringLiteral("check"), file};
    if (!as.isEmpty())
        arguments << QStringLiteral("--as") << as;

    const Run run = cnf(arguments + QStringList{QStringLiteral("--json")});
    QVERIFY2(run.exitCode == (codes.isEmpty() ? 0 : 1), run.out.constData());
    const QJsonObject report = json(run.out);
    QCOMPARE(report.value(QStringLiteral("file")).toString(), file);
    const QJsonArray findings = report.value(QStringLiteral("findings")).toArray();
    QStringList found;
    for (const auto& finding : findings) {
        const QJsonObject object = finding.toObject();
        const QString message = object.value(QStringLiteral("message")).toString();
        QVERIFY2(!message.isEmpty() && message.contains(as), qPrintable(message)); // as names the target format
        QCOMPARE(object.value(QStringLiteral("severity")).toString(), QStringLiteral("error"));
        found.append(object.value(QStringLiteral("code")).toString());
    }
    QCOMPARE(found.join(QLatin1Char(' ')), codes);
    if (!elements.isEmpty()) {
        QStringList involved;
        for (const auto& element : findings.first().toObject().value(QStringLiteral("elements")).toArray()) {
            const QJsonObject object = element.toObject();
            involved.append(object.value(QStringLiteral("kind")).toString() + QLatin1Char(':')
                            + object.value(QStringLiteral("id")).toString());
        }
        QCOMPARE(involved.join(QLatin1Char(' ')), elements);
    }

    // The text form has one line per finding and a closing line.
    const Run text = cnf(arguments);
    QCOMPARE(text.exitCode, run.exitCode);
    QCOMPARE(text.out.count('\n'), found.size() + 1);
    for (const QString& code : qAsConst(found))
        QVERIFY(text.out.contains(code.toUtf8()));
}

void TestTool::infoAndConvert_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("signalGroups");
    QTest::addColumn<int>("programs");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("detected");

    QTest::newRow("project") << dataFile(QStringLiteral("plain.xml")) << "project" << "" << 2 << 1 << "copy.xml" << ""
                             << "project";
    QTest::newRow("project of a 3.18 controller") << dataFile(QStringLiteral("norvak318.xml")) << "project" << "norvak" << 2
                                                  << 1 << "junction.cfg" << "3.18" << "3.18";
    QTest::newRow("3.18 image") << QString() << "3.18" << "norvak" << 2 << 1 << "back.xml" << "" << "project";
    QTest::newRow("example") << QStringLiteral(CNF_EXAMPLE) << "project" << "norvak" << 10 << 4 << "crossroads.bin" << "3.18"
                             << "3.18";
    QTest::newRow("example as 3.15") << QStringLiteral(CNF_EXAMPLE) << "project" << "norvak" << 10 << 4
                                     << "crossroads-315.bin" << "3.15" << "3.15";
    QTest::newRow("3.18 image as 3.14") << QString() << "3.18" << "norvak" << 2 << 1 << "down.bin" << "3.14" << "3.14";
    QTest::newRow("NorvakII JSON") << dataFile(QStringLiteral("norvakii.json")) << "norvakii" << "norvakii" << 2 << 0
                                   << "from-json.xml" << "project" << "project";
    QTest::newRow("adapter text") << dataFile(QStringLiteral("adapter.txt")) << "adapter" << "adapter" << 0 << 6
                                  << "from-adapter.xml" << "project" << "project";
    QTest::newRow("adapter text to adapter") << dataFile(QStringLiteral("adapter.txt")) << "adapter" << "adapter" << 0
                                             << 6 << "copy.txt" << "adapter" << "adapter";
    QTest::newRow("NorvakII JSON written again") << dataFile(QStringLiteral("norvakii.json")) << "norvakii" << "norvakii"
                                                 << 2 << 0 << "again.json" << "norvakii" << "norvakii";
    QTest::newRow("project to NorvakII") << dataFile(QStringLiteral("plain.xml")) << "project" << "" << 2 << 1
                                         << "plain.json" << "norvakii" << "norvakii";
}

void TestTool::infoAndConvert()
{
    QFETCH(QString, input);
    QFETCH(QString, format);
    QFETCH(QString, output);
    QFETCH(QString, to);
    if (input.isEmpty())
        input = m_image;
    const Run before = cnf({QStringLiteral("info"), QStringLiteral("--json"), input});
    QVERIFY2(before.exitCode == 0, qPrintable(before.err));
    const QJsonObject summary = json(before.out);
    QCOMPARE(summary.value(QStringLiteral("file")).toString(), input);
    QCOMPARE(summary.value(QStringLiteral("format")).toString(), format);
    QTEST(summary.value(QStringLiteral("type")).toString(), "type");
    const QJsonObject counts = summary.value(QStringLiteral("counts")).toObject();
    QTEST(counts.value(QStringLiteral("signalGroups")).toInt(), "signalGroups");
    QTEST(counts.value(QStringLiteral("programs")).toInt(), "programs");
    QCOMPARE(summary.value(QStringLiteral("programs")).toArray().size(), counts.value(QStringLiteral("programs")).toInt());
    const bool checksummed = format == QLatin1String("3.18") || format == QLatin1String("adapter");
    QCOMPARE(summary.value(QStringLiteral("checksum")).toString(),
             checksummed ? QStringLiteral("valid") : QStringLiteral("none"));
    // The text form names the same format.
    const Run text = cnf({QStringLiteral("info"), input});
    QCOMPARE(text.exitCode, 0);
    QVERIFY(text.out.contains(summary.value(QStringLiteral("formatDescription")).toString().toUtf8()));

    output = temp(output);
    QStringList arguments{QStringLiteral("convert"), input, output};
    if (!to.isEmpty())
        arguments << QStringLiteral("--to") << to;
    const Run run = cnf(arguments);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
    const Run after = cnf({QStringLiteral("info"), QStringLiteral("--json"), output});
    QVERIFY2(after.exitCode == 0, qPrintable(after.err));
    const QJsonObject converted = json(after.out);
    QTEST(converted.value(QStringLiteral("format")).toString(), "detected");
    QCOMPARE(converted.value(QStringLiteral("number")), summary.value(QStringLiteral("number")));
    QCOMPARE(programs(converted), programs(summary));
    const QJsonObject countsAfter = converted.value(QStringLiteral("counts")).toObject();
    for (const char* key : {"signalGroups", "phases", "programs", "dayCards", "specialDays"})
        QCOMPARE(countsAfter.value(QLatin1String(key)), counts.value(QLatin1String(key)));
}

void TestTool::refusedConversionLeavesOutput_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("reason");

    QTest::newRow("program without a record") << dataFile(QStringLiteral("plain.xml")) << "3.18" << "program 1";
    QTest::newRow("timer as adapter text") << dataFile(QStringLiteral("plain.xml")) << "adapter" << "Таймер";
    QTest::newRow("step out of limits") << variant(QStringLiteral("refused-step"), "length=\"20\"", "length=\"70\"")
                                        << "project" << "70";
    QTest::newRow("unreadable input") << dataFile(QStringLiteral("unknown.bin")) << "project" << "unknown.bin";
}

void TestTool::refusedConversionLeavesOutput()
{
    QFETCH(QString, input);
    QFETCH(QString, format);
    QFETCH(QString, reason);
    const QString output = temp(QStringLiteral("kept.out"));
    const QByteArray previous("earlier contents\n");
    writeAll(output, previous);

    const Run run = cnf({QStringLiteral("convert"), input, output, QStringLiteral("--to"), format});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.out.isEmpty());
    // The refusal is the last line; an unsafe source is warned of before.
    const QStringList lines = run.err.trimmed().split(QLatin1Char('\n'));
    QVERIFY2(lines.last().contains(reason), qPrintable(run.err));
    QCOMPARE(readAll(output), previous);
}

void TestTool::imageRoundTrip()
{
    // The example converts to a 3.18 image and back, and the image written
    // from the converted document is the same but for the time of change.
    const QStringList files{QStringLiteral(CNF_EXAMPLE), temp(QStringLiteral("example-1.bin")),
                            temp(QStringLiteral("example.xml")), temp(QStringLiteral("example-2.bin"))};
    for (int i = 1; i < files.size(); ++i) {
        const QString format = files.at(i).endsWith(QLatin1String(".bin")) ? QStringLiteral("3.18") : QStringLiteral("project");
        QCOMPARE(cnf({QStringLiteral("convert"), files.at(i - 1), files.at(i), QStringLiteral("--to"), format}).exitCode, 0);
    }
    const Run check = cnf({QStringLiteral("check"), files.at(2)});
    QVERIFY2(check.exitCode == 0, check.out.constData());
    QCOMPARE(readAll(files.at(3)).size(), readAll(files.at(1)).size());
}

void TestTool::damagedImage_data()
{
    QTest::addColumn<bool>("oddDay"); // else a wrong checksum
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("severity");
    QTest::addColumn<QString>("checksum");
    QTest::addColumn<int>("warnings");

    QTest::newRow("checksum mismatch") << false << "checksum-mismatch" << "error" << "invalid" << 0;
    // With a valid checksum the reader skips the day and warns.
    QTest::newRow("special day 31 February") << true << "reader-warning" << "warning" << "valid" << 1;
}

void TestTool::damagedImage()
{
    using Image = Norvak3xTestImage;
    QFETCH(bool, oddDay);
    QByteArray image = readAll(m_image);
    if (oddDay) {
        Image parsed;
        for (int i = 0; i < Image::SectionCount; ++i)
            parsed.sections.append(Image::section(image, i));
        QCOMPARE(parsed.build(), image);
        QByteArray& days = parsed.sections[Image::SpecialDays];
        QCOMPARE(int(days.at(0)), 1);
        days[2 + 1] = 31;
        days[2 + 2] = 2;
        image = parsed.build();
    } else {
        image[image.size() - 1] = char(image.at(image.size() - 1) ^ 0x5A);
    }
    const QString damaged = temp(QStringLiteral("damaged.bin"));
    writeAll(damaged, image);

    const Run check = cnf({QStringLiteral("check"), QStringLiteral("--json"), damaged});
    QCOMPARE(check.exitCode, 1);
    const QJsonArray findings = json(check.out).value(QStringLiteral("findings")).toArray();
    QCOMPARE(findings.size(), 1);
    QTEST(findings.first().toObject().value(QStringLiteral("code")).toString(), "code");
    QTEST(findings.first().toObject().value(QStringLiteral("severity")).toString(), "severity");
    const Run info = cnf({QStringLiteral("info"), QStringLiteral("--json"), damaged});
    QCOMPARE(info.exitCode, 0); // still readable
    QTEST(json(info.out).value(QStringLiteral("checksum")).toString(), "checksum");
    QTEST(json(info.out).value(QStringLiteral("warnings")).toArray().size(), "warnings");
}

void TestTool::standardStreams()
{
    const Run converted = cnf({QStringLiteral("convert"), QStringLiteral("-"), QStringLiteral("-"), QStringLiteral("--to"),
                               QStringLiteral("3.18")},
                              readAll(dataFile(QStringLiteral("norvak318.xml"))));
    QVERIFY2(converted.exitCode == 0, qPrintable(converted.err));
    QCOMPARE(converted.err, QStringLiteral("cnf: firmware 3.18 image cannot hold: names of 3 elements, 2 transitions\n"));
    QCOMPARE(converted.out.size(), readAll(m_image).size());

    const Run info = cnf({QStringLiteral("info"), QStringLiteral("--json"), QStringLiteral("-")}, converted.out);
    QCOMPARE(info.exitCode, 0);
    QCOMPARE(json(info.out).value(QStringLiteral("file")).toString(), QStringLiteral("-"));
    QCOMPARE(json(info.out).value(QStringLiteral("format")).toString(), QStringLiteral("3.18"));

    const Run check = cnf({QStringLiteral("check"), QStringLiteral("-")}, readAll(dataFile(QStringLiteral("plain.xml"))));
    QCOMPARE(check.exitCode, 0);
}

void TestTool::lossReport()
{
    // The example's intergreen matrix, detectors, names and transitions have
    // no place in a 3.18 image: one line names each kind, and the file is written.
    const QString output = temp(QStringLiteral("lossy.bin"));
    const QStringList arguments{QStringLiteral("convert"), QStringLiteral(CNF_EXAMPLE), output, QStringLiteral("--to"),
                                QStringLiteral("3.18")};
    const Run run = cnf(arguments);
    QCOMPARE(run.exitCode, 0);
    QVERIFY(!readAll(output).isEmpty());
    QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
    QVERIFY2(run.err.startsWith(QStringLiteral("cnf: firmware 3.18 image cannot hold: ")), qPrintable(run.err));
    for (const char* kind : {"1 intergreen matrix", "4 detectors", "names of 49 elements", "7 transitions",
                             "controller default matrix"})
        QVERIFY2(run.err.contains(QLatin1String(kind)), kind);

    const Run verbose = cnf(arguments + QStringList{QStringLiteral("--verbose")});
    for (const char* line : {"  matrix 1: only in the first\n", "  detector 4: only in the first\n",
                             "  phase 1: name: \"Main road\" → \"\"\n", "  phase 1, transition from 3: only in the first\n"})
        QVERIFY2(verbose.err.contains(QString::fromUtf8(line)), line);

    const Run json = cnf(arguments + QStringList{QStringLiteral("--json")});
    const QJsonObject report = ::json(json.out);
    QCOMPARE(report.value(QStringLiteral("written")).toBool(), true);
    QMap<QString, int> missing;
    for (const auto& loss : report.value(QStringLiteral("losses")).toArray()) {
        const QJsonObject object = loss.toObject();
        if (object.value(QStringLiteral("change")).toString() == QLatin1String("missing"))
            ++missing[object.value(QStringLiteral("kind")).toString()];
    }
    QCOMPARE(missing, (QMap<QString, int>{{"matrix", 1}, {"detector", 4}, {"transition", 7}}));
}

void TestTool::strictLeavesOutput()
{
    const QString output = temp(QStringLiteral("strict.bin"));
    const QByteArray previous("earlier contents\n");
    writeAll(output, previous);
    const Run run = cnf({QStringLiteral("convert"), QStringLiteral(CNF_EXAMPLE), output, QStringLiteral("--to"),
                         QStringLiteral("3.18"), QStringLiteral("--strict")});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.err.contains(QStringLiteral("cannot hold")));
    QCOMPARE(readAll(output), previous);
    // Nothing lost: --strict writes.
    const Run lossless = cnf({QStringLiteral("convert"), QStringLiteral(CNF_EXAMPLE), output, QStringLiteral("--to"),
                              QStringLiteral("project"), QStringLiteral("--strict")});
    QVERIFY2(lossless.exitCode == 0 && lossless.err.isEmpty(), qPrintable(lossless.err));
    QVERIFY(readAll(output).startsWith("<Controller "));
}

void TestTool::corruptImage_data()
{
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("force");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("to 3.18") << "3.18" << false << 1;
    QTest::newRow("to 3.18, forced") << "3.18" << true << 0;
    QTest::newRow("to project") << "project" << false << 0;
}

void TestTool::corruptImage()
{
    // One flipped bit in the settings: the image still reads, but its
    // checksum no longer matches.
    QByteArray image = readAll(m_image);
    image[200] = char(image.at(200) ^ 0x01);
    const QString damaged = temp(QStringLiteral("flipped.bin"));
    writeAll(damaged, image);
    QFETCH(QString, to);
    QFETCH(bool, force);
    QFETCH(int, exitCode);
    const QString output = temp(QStringLiteral("from-flipped.out"));
    QFile::remove(output);
    QStringList arguments{QStringLiteral("convert"), damaged, output, QStringLiteral("--to"), to};
    if (force)
        arguments << QStringLiteral("--force");
    const Run run = cnf(arguments);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(QStringLiteral("checksum does not match")), qPrintable(run.err));
    QCOMPARE(QFile::exists(output), exitCode == 0);
    if (exitCode == 1) {
        QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
        QVERIFY(run.err.contains(QStringLiteral("--force")));
    } else {
        QVERIFY(run.err.contains(QStringLiteral("warning")));
    }
}

void TestTool::unsafeProject()
{
    const QString unsafe = variant(QStringLiteral("unsafe"), "sg=\"1\">3<", "sg=\"1,2\">3<");
    const QString image = temp(QStringLiteral("unsafe.bin"));
    const Run refused = cnf({QStringLiteral("convert"), unsafe, image, QStringLiteral("--to"), QStringLiteral("3.18")});
    QCOMPARE(refused.exitCode, 1);
    QCOMPARE(refused.err.count(QLatin1Char('\n')), 1);
    QVERIFY2(refused.err.contains(QStringLiteral("safety review")), qPrintable(refused.err));
    QVERIFY(!QFile::exists(image));

    const QString project = temp(QStringLiteral("unsafe-copy.xml"));
    const Run warned = cnf({QStringLiteral("convert"), unsafe, project});
    QCOMPARE(warned.exitCode, 0);
    QVERIFY2(warned.err.contains(QStringLiteral("warning: the safety review")), qPrintable(warned.err));
    QVERIFY(QFile::exists(project));
}

void TestTool::specialOutput()
{
    const QString fifo = temp(QStringLiteral("pipe"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QProcess reader;
    reader.start(QStringLiteral("cat"), {fifo});
    QVERIFY(reader.waitForStarted());
    const Run run = cnf({QStringLiteral("convert"), dataFile(QStringLiteral("plain.xml")), fifo, QStringLiteral("--to"),
                         QStringLiteral("project")});
    if (!reader.waitForFinished(10000))
        reader.kill();
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    const QByteArray received = reader.readAllStandardOutput();
    const Run direct = cnf({QStringLiteral("convert"), dataFile(QStringLiteral("plain.xml")), QStringLiteral("-"),
                            QStringLiteral("--to"), QStringLiteral("project")});
    QCOMPARE(received, direct.out);
    struct stat status;
    QCOMPARE(::stat(QFile::encodeName(fifo).constData(), &status), 0);
    QVERIFY(S_ISFIFO(status.st_mode));
}

void TestTool::sameBytesInEveryProcess_data()
{
    QTest::addColumn<QString>("to");
    const Run formats = cnf({QStringLiteral("formats")});
    for (const QByteArray& line : formats.out.split('\n')) {
        const int at = line.indexOf("--to ");
        if (at >= 0)
            QTest::newRow(line.mid(at + 5).constData()) << QString::fromUtf8(line.mid(at + 5));
    }
}

void TestTool::sameBytesInEveryProcess()
{
    QFETCH(QString, to);
    // The example's program records are the 3.x firmware's; the adapter has its own.
    const QString source = to == QLatin1String("adapter") ? dataFile(QStringLiteral("adapter.txt"))
                                                          : QStringLiteral(CNF_EXAMPLE);
    QByteArray outputs[3];
    for (QByteArray& output : outputs) {
        const Run run = cnf({QStringLiteral("convert"), source, QStringLiteral("-"),
                             QStringLiteral("--to"), to});
        QCOMPARE(run.exitCode, 0);
        output = run.out;
    }
    QVERIFY(!outputs[0].isEmpty());
    // An image carries the minute it was written: two runs may straddle one.
    QVERIFY(outputs[0] == outputs[1] || outputs[1] == outputs[2]);
}

void TestTool::diff()
{
    const QString example = QStringLiteral(CNF_EXAMPLE);
    const Run same = cnf({QStringLiteral("diff"), example, example});
    QCOMPARE(same.exitCode, 0);
    QVERIFY(same.out.isEmpty() && same.err.isEmpty());

    QByteArray document = readAll(example);
    QVERIFY(document.contains("name=\"Main road\""));
    document.replace("name=\"Main road\"", "name=\"Main street\"");
    const QString changed = temp(QStringLiteral("changed.xml"));
    writeAll(changed, document);
    const Run one = cnf({QStringLiteral("diff"), example, changed});
    QCOMPARE(one.exitCode, 1);
    QCOMPARE(QString::fromUtf8(one.out), QStringLiteral("phase 1: name: \"Main road\" → \"Main street\"\n"));
    const QJsonObject report = json(cnf({QStringLiteral("diff"), QStringLiteral("--json"), example, changed}).out);
    QCOMPARE(report.value(QStringLiteral("equal")).toBool(), false);
    const QJsonArray differences = report.value(QStringLiteral("differences")).toArray();
    QCOMPARE(differences.size(), 1);
    QCOMPARE(differences.first().toObject().value(QStringLiteral("kind")).toString(), QStringLiteral("phase"));
    QCOMPARE(differences.first().toObject().value(QStringLiteral("second")).toString(), QStringLiteral("Main street"));

    // Across formats: the image keeps no names.
    const Run formats = cnf({QStringLiteral("diff"), dataFile(QStringLiteral("norvak318.xml")), m_image});
    QCOMPARE(formats.exitCode, 1);
    QVERIFY(formats.out.contains("signal group 1: name: \"Main\" → \"\""));
    QCOMPARE(cnf({QStringLiteral("diff"), example, temp(QStringLiteral("absent.xml"))}).exitCode, 2);
}

void TestTool::formatsAndHelp()
{
    const Run formats = cnf({QStringLiteral("formats")});
    QCOMPARE(formats.exitCode, 0);
    QStringList lines;
    for (const QString& line : QString::fromUtf8(formats.out).trimmed().split(QLatin1Char('\n')))
        lines.append(line.simplified());
    QCOMPARE(lines.size(), 9);
    QVERIFY(lines.at(0).startsWith(QStringLiteral("project")) && lines.at(0).endsWith(QStringLiteral("detect read write --to project")));
    QVERIFY(lines.at(1).startsWith(QStringLiteral("3.14")) && lines.at(1).endsWith(QStringLiteral("--to 3.14")));
    QVERIFY(lines.at(5).startsWith(QStringLiteral("3.18")) && lines.at(5).endsWith(QStringLiteral("--to 3.18")));
    QVERIFY(lines.at(6).startsWith(QStringLiteral("adapter")) && lines.at(6).endsWith(QStringLiteral("--to adapter")));
    QVERIFY(lines.at(7).startsWith(QStringLiteral("norvakii")) && lines.at(7).endsWith(QStringLiteral("detect read write --to norvakii")));
    QVERIFY(lines.at(8).startsWith(QStringLiteral("sumo")) && lines.at(8).endsWith(QStringLiteral("export --to sumo")));

    const Run help = cnf({QStringLiteral("help"), QStringLiteral("convert")});
    QVERIFY(QString::fromUtf8(help.out).simplified().contains(
        QLatin1String("Format of OUT: project, 3.14, 3.15, 3.16, 3.17, 3.18, adapter, norvakii; or sumo to export")));
    for (const QStringList& arguments : {QStringList{QStringLiteral("--help")}, QStringList{QStringLiteral("check"), QStringLiteral("--help")}}) {
        const QByteArray text = cnf(arguments).out;
        QVERIFY(!text.contains("--help-all"));
        QVERIFY(!text.contains("The command."));
    }
}

void TestTool::checkSeveralFiles()
{
    const QString clean = variant(QStringLiteral("clean-2"), "", "");
    const QString unsafe = variant(QStringLiteral("unsafe-2"), "sg=\"1\">3<", "sg=\"1,2\">3<");
    const Run good = cnf({QStringLiteral("check"), clean, QStringLiteral(CNF_EXAMPLE)});
    QCOMPARE(good.exitCode, 0);
    QCOMPARE(good.out.count("no problems found"), 2);
    const Run bad = cnf({QStringLiteral("check"), clean, unsafe});
    QCOMPARE(bad.exitCode, 1);
    QVERIFY(bad.out.contains(unsafe.toUtf8() + ": error conflicting-greens"));
}

QTEST_GUILESS_MAIN(TestTool)
#include "tst_tool.moc"
