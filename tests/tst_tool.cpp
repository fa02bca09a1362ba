// Runs the cnf command-line tool on small configurations and checks its
// output, its exit codes and the files it writes.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "Norvak3xTestImage.h"

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
    QTest::newRow("check of two files") << QStringList{QStringLiteral("check"), plain, plain} << 2;
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
    QTest::newRow("NorvakII JSON") << dataFile(QStringLiteral("norvakii.json")) << "norvakii" << "norvakii" << 2 << 0
                                   << "from-json.xml" << "project" << "project";
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
    QCOMPARE(summary.value(QStringLiteral("checksum")).toString(),
             format == QLatin1String("3.18") ? QStringLiteral("valid") : QStringLiteral("none"));
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
    QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
    QVERIFY2(run.err.contains(reason), qPrintable(run.err));
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
    QVERIFY(converted.err.isEmpty());
    QCOMPARE(converted.out.size(), readAll(m_image).size());

    const Run info = cnf({QStringLiteral("info"), QStringLiteral("--json"), QStringLiteral("-")}, converted.out);
    QCOMPARE(info.exitCode, 0);
    QCOMPARE(json(info.out).value(QStringLiteral("file")).toString(), QStringLiteral("-"));
    QCOMPARE(json(info.out).value(QStringLiteral("format")).toString(), QStringLiteral("3.18"));

    const Run check = cnf({QStringLiteral("check"), QStringLiteral("-")}, readAll(dataFile(QStringLiteral("plain.xml"))));
    QCOMPARE(check.exitCode, 0);
}

QTEST_GUILESS_MAIN(TestTool)
#include "tst_tool.moc"
