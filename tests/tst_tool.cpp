// Runs the cnf command-line tool on small configurations and checks its
// output, its exit codes and the files it writes.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

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

// The 16-bit rotating sum that closes a 3.x image.
quint16 imageChecksum(const QByteArray& image, int end)
{
    quint16 sum = 0;
    for (int i = 0; i < end; ++i) {
        const quint16 t = quint16(sum + (quint8(image.at(i)) ^ (i % 256)));
        sum = quint16((t << 1) | (t >> 15));
    }
    return sum;
}

int word(const QByteArray& image, int offset)
{
    return quint8(image.at(offset)) | quint8(image.at(offset + 1)) << 8;
}

// The programs of an info summary as "id type algorithm cycle steps";
// native images keep no program names.
QStringList programs(const QJsonObject& summary)
{
    QStringList list;
    const QJsonArray array = summary.value(QStringLiteral("programs")).toArray();
    for (const auto& program : array) {
        const QJsonObject object = program.toObject();
        QString text = QStringLiteral("%1 %2 %3 %4")
                           .arg(object.value(QStringLiteral("id")).toString(), object.value(QStringLiteral("type")).toString())
                           .arg(object.value(QStringLiteral("algorithm")).toInt(-1))
                           .arg(object.value(QStringLiteral("cycle")).toInt());
        const QJsonArray steps = object.value(QStringLiteral("steps")).toArray();
        for (const auto& step : steps) {
            text += QStringLiteral(" %1/%2")
                        .arg(step.toObject().value(QStringLiteral("phase")).toString())
                        .arg(step.toObject().value(QStringLiteral("length")).toInt());
        }
        list.append(text);
    }
    return list;
}

void setWord(QByteArray& image, int offset, int value)
{
    image[offset] = char(value & 0xFF);
    image[offset + 1] = char(value >> 8);
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
    void detection_data();
    void detection();
    void rejectedFiles_data();
    void rejectedFiles();
    void usage_data();
    void usage();
    void check_data();
    void check();
    void checkAs();
    void convert_data();
    void convert();
    void refusedConversionLeavesOutput_data();
    void refusedConversionLeavesOutput();
    void imageRoundTrip();
    void checksumMismatch();
    void readerWarning();
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

void TestTool::detection_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("signalGroups");
    QTest::addColumn<int>("programs");

    QTest::newRow("project") << dataFile(QStringLiteral("plain.xml")) << "project" << "" << 2 << 1;
    QTest::newRow("project of a 3.18 controller") << dataFile(QStringLiteral("norvak318.xml")) << "project" << "norvak" << 2 << 1;
    QTest::newRow("3.18 image") << QString() << "3.18" << "norvak" << 2 << 1;
    QTest::newRow("NorvakII JSON") << dataFile(QStringLiteral("norvakii.json")) << "norvakii" << "norvakii" << 2 << 0;
}

void TestTool::detection()
{
    QFETCH(QString, file);
    QFETCH(QString, format);
    if (file.isEmpty())
        file = m_image;
    const Run run = cnf({QStringLiteral("info"), QStringLiteral("--json"), file});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    const QJsonObject summary = json(run.out);
    QCOMPARE(summary.value(QStringLiteral("file")).toString(), file);
    QCOMPARE(summary.value(QStringLiteral("format")).toString(), format);
    QTEST(summary.value(QStringLiteral("type")).toString(), "type");
    const QJsonObject counts = summary.value(QStringLiteral("counts")).toObject();
    QTEST(counts.value(QStringLiteral("signalGroups")).toInt(), "signalGroups");
    QTEST(counts.value(QStringLiteral("programs")).toInt(), "programs");
    QCOMPARE(summary.value(QStringLiteral("programs")).toArray().size(), counts.value(QStringLiteral("programs")).toInt());
    QCOMPARE(summary.value(QStringLiteral("checksum")).toString(),
             format == QLatin1String("3.18") ? QStringLiteral("valid") : QStringLiteral("none"));

    // The text form names the same format and counts.
    const Run text = cnf({QStringLiteral("info"), file});
    QCOMPARE(text.exitCode, 0);
    QVERIFY(text.out.contains(summary.value(QStringLiteral("formatDescription")).toString().toUtf8()));
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
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<QStringList>("elements"); // of the first finding, as kind:id

    QTest::newRow("clean") << variant(QStringLiteral("clean"), "", "") << QStringList() << QStringList();
    QTest::newRow("example") << QStringLiteral(CNF_EXAMPLE) << QStringList() << QStringList();
    QTest::newRow("conflicting greens")
        << variant(QStringLiteral("greens"), "sg=\"1\">3<", "sg=\"1,2\">3<") << QStringList{QStringLiteral("conflicting-greens")}
        << QStringList{QStringLiteral("signalGroup:1"), QStringLiteral("signalGroup:2"), QStringLiteral("phase:3")};
    QTest::newRow("transition from a missing phase")
        << variant(QStringLiteral("dangling"), "sg=\"2\">2<", "sg=\"2\">2<Transition from=\"9\"/><")
        << QStringList{QStringLiteral("dangling-reference")} << QStringList{QStringLiteral("phase:2"), QStringLiteral("phase:9")};
    QTest::newRow("transition timing a missing group")
        << variant(QStringLiteral("dangling-group"), "sg=\"2\">2<", "sg=\"2\">2<Transition from=\"1\"><clearing group=\"5\" time=\"3\"/></Transition><")
        << QStringList{QStringLiteral("dangling-reference")}
        << QStringList{QStringLiteral("phase:1"), QStringLiteral("phase:2"), QStringLiteral("signalGroup:5")};
    // The project writer refuses such a step as well.
    QTest::newRow("step above maximum")
        << variant(QStringLiteral("long-step"), "length=\"20\"", "length=\"70\"")
        << QStringList{QStringLiteral("writer-refused"), QStringLiteral("step-out-of-limits")}
        << QStringList();
    QTest::newRow("step below minimum")
        << variant(QStringLiteral("short-step"), "length=\"25\"", "length=\"2\"")
        << QStringList{QStringLiteral("writer-refused"), QStringLiteral("step-out-of-limits")} << QStringList();
    QTest::newRow("missing intergreen")
        << variant(QStringLiteral("no-intergreen"), "<CP on_sg=\"2\" off_sg=\"1\">4</CP>", "")
        << QStringList{QStringLiteral("missing-intergreen")}
        << QStringList{QStringLiteral("program:1"), QStringLiteral("phase:1"), QStringLiteral("phase:2"),
                       QStringLiteral("signalGroup:1"), QStringLiteral("signalGroup:2")};
    QTest::newRow("zero intergreen")
        << variant(QStringLiteral("zero-intergreen"), ">5</CP>", ">0</CP>") << QStringList{QStringLiteral("missing-intergreen")}
        << QStringList{QStringLiteral("program:1"), QStringLiteral("phase:2"), QStringLiteral("phase:1"),
                       QStringLiteral("signalGroup:2"), QStringLiteral("signalGroup:1")};
    QTest::newRow("several problems at once")
        << variant(QStringLiteral("several"), "sg=\"1\">3</Phase>", "sg=\"1,2\">3<Transition from=\"8\"/></Phase>")
        << QStringList{QStringLiteral("conflicting-greens"), QStringLiteral("dangling-reference")} << QStringList();
}

void TestTool::check()
{
    QFETCH(QString, file);
    QFETCH(QStringList, codes);
    QFETCH(QStringList, elements);
    QVERIFY(!file.isEmpty());

    const Run run = cnf({QStringLiteral("check"), QStringLiteral("--json"), file});
    QVERIFY2(run.exitCode == (codes.isEmpty() ? 0 : 1), run.out.constData());
    const QJsonObject report = json(run.out);
    QCOMPARE(report.value(QStringLiteral("file")).toString(), file);
    const QJsonArray findings = report.value(QStringLiteral("findings")).toArray();
    QStringList found;
    for (const auto& finding : findings) {
        const QJsonObject object = finding.toObject();
        QVERIFY(!object.value(QStringLiteral("message")).toString().isEmpty());
        QCOMPARE(object.value(QStringLiteral("severity")).toString(), QStringLiteral("error"));
        found.append(object.value(QStringLiteral("code")).toString());
    }
    QCOMPARE(found, codes);
    if (!elements.isEmpty()) {
        QStringList involved;
        const QJsonArray list = findings.first().toObject().value(QStringLiteral("elements")).toArray();
        for (const auto& element : list) {
            const QJsonObject object = element.toObject();
            involved.append(object.value(QStringLiteral("kind")).toString() + QLatin1Char(':')
                            + object.value(QStringLiteral("id")).toString());
        }
        QCOMPARE(involved, elements);
    }

    // The text form has one line per finding and a closing line.
    const Run text = cnf({QStringLiteral("check"), file});
    QCOMPARE(text.exitCode, run.exitCode);
    QCOMPARE(text.out.count('\n'), codes.size() + 1);
    for (const QString& code : qAsConst(codes))
        QVERIFY(text.out.contains(code.toUtf8()));
}

void TestTool::checkAs()
{
    // The timer program of plain.xml has no 3.18 record.
    const Run run = cnf({QStringLiteral("check"), QStringLiteral("--json"), QStringLiteral("--as"), QStringLiteral("3.18"),
                         dataFile(QStringLiteral("plain.xml"))});
    QCOMPARE(run.exitCode, 1);
    const QJsonArray findings = json(run.out).value(QStringLiteral("findings")).toArray();
    QCOMPARE(findings.size(), 1);
    QCOMPARE(findings.first().toObject().value(QStringLiteral("code")).toString(), QStringLiteral("writer-refused"));
    QVERIFY(findings.first().toObject().value(QStringLiteral("message")).toString().contains(QStringLiteral("3.18")));
}

void TestTool::convert_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("detected");

    QTest::newRow("project to project") << dataFile(QStringLiteral("plain.xml")) << "copy.xml" << "" << "project";
    QTest::newRow("project to 3.18") << dataFile(QStringLiteral("norvak318.xml")) << "junction.cfg" << "3.18" << "3.18";
    QTest::newRow("3.18 to project") << QString() << "back.xml" << "" << "project";
    QTest::newRow("example to 3.18") << QStringLiteral(CNF_EXAMPLE) << "crossroads.bin" << "3.18" << "3.18";
    QTest::newRow("NorvakII to project") << dataFile(QStringLiteral("norvakii.json")) << "from-json.xml" << "project" << "project";
}

void TestTool::convert()
{
    QFETCH(QString, input);
    QFETCH(QString, output);
    QFETCH(QString, format);
    if (input.isEmpty())
        input = m_image;
    output = temp(output);
    QStringList arguments{QStringLiteral("convert"), input, output};
    if (!format.isEmpty())
        arguments << QStringLiteral("--to") << format;
    const Run run = cnf(arguments);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QVERIFY(run.out.isEmpty());

    const Run before = cnf({QStringLiteral("info"), QStringLiteral("--json"), input});
    const Run after = cnf({QStringLiteral("info"), QStringLiteral("--json"), output});
    QVERIFY2(after.exitCode == 0, qPrintable(after.err));
    const QJsonObject converted = json(after.out);
    QTEST(converted.value(QStringLiteral("format")).toString(), "detected");
    QCOMPARE(converted.value(QStringLiteral("number")), json(before.out).value(QStringLiteral("number")));
    QCOMPARE(programs(converted), programs(json(before.out)));
    const QJsonObject countsBefore = json(before.out).value(QStringLiteral("counts")).toObject();
    const QJsonObject countsAfter = converted.value(QStringLiteral("counts")).toObject();
    for (const char* key : {"signalGroups", "phases", "programs", "dayCards", "specialDays"})
        QCOMPARE(countsAfter.value(QLatin1String(key)), countsBefore.value(QLatin1String(key)));
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
    const QString image = temp(QStringLiteral("example-1.bin"));
    const QString document = temp(QStringLiteral("example.xml"));
    const QString again = temp(QStringLiteral("example-2.bin"));
    QCOMPARE(cnf({QStringLiteral("convert"), QStringLiteral(CNF_EXAMPLE), image, QStringLiteral("--to"), QStringLiteral("3.18")}).exitCode, 0);
    QCOMPARE(cnf({QStringLiteral("convert"), image, document}).exitCode, 0);
    QCOMPARE(cnf({QStringLiteral("convert"), document, again, QStringLiteral("--to"), QStringLiteral("3.18")}).exitCode, 0);
    const Run check = cnf({QStringLiteral("check"), document});
    QVERIFY2(check.exitCode == 0, check.out.constData());
    QCOMPARE(readAll(again).size(), readAll(image).size());
}

void TestTool::checksumMismatch()
{
    QByteArray image = readAll(m_image);
    QVERIFY(image.size() > 42);
    image[image.size() - 1] = char(image.at(image.size() - 1) ^ 0x5A);
    const QString broken = temp(QStringLiteral("bad-checksum.bin"));
    writeAll(broken, image);

    const Run info = cnf({QStringLiteral("info"), QStringLiteral("--json"), broken});
    QCOMPARE(info.exitCode, 0); // still readable
    QCOMPARE(json(info.out).value(QStringLiteral("checksum")).toString(), QStringLiteral("invalid"));
    const Run check = cnf({QStringLiteral("check"), QStringLiteral("--json"), broken});
    QCOMPARE(check.exitCode, 1);
    const QJsonArray findings = json(check.out).value(QStringLiteral("findings")).toArray();
    QCOMPARE(findings.size(), 1);
    QCOMPARE(findings.first().toObject().value(QStringLiteral("code")).toString(), QStringLiteral("checksum-mismatch"));
}

void TestTool::readerWarning()
{
    // Give the special day of the image the date 31 February, with a valid
    // checksum: the reader skips the day and warns.
    QByteArray image = readAll(m_image);
    const int specialDays = word(image, 2 * 10);
    QCOMPARE(int(image.at(specialDays)), 1);
    image[specialDays + 2 + 1] = 31;
    image[specialDays + 2 + 2] = 2;
    const int checksumAt = word(image, 2 * 19);
    setWord(image, checksumAt, imageChecksum(image, checksumAt));
    const QString odd = temp(QStringLiteral("odd-day.bin"));
    writeAll(odd, image);

    const Run check = cnf({QStringLiteral("check"), QStringLiteral("--json"), odd});
    QCOMPARE(check.exitCode, 1);
    const QJsonArray findings = json(check.out).value(QStringLiteral("findings")).toArray();
    QCOMPARE(findings.size(), 1);
    const QJsonObject finding = findings.first().toObject();
    QCOMPARE(finding.value(QStringLiteral("code")).toString(), QStringLiteral("reader-warning"));
    QCOMPARE(finding.value(QStringLiteral("severity")).toString(), QStringLiteral("warning"));
    const Run info = cnf({QStringLiteral("info"), QStringLiteral("--json"), odd});
    QCOMPARE(json(info.out).value(QStringLiteral("warnings")).toArray().size(), 1);
}

void TestTool::standardStreams()
{
    const QByteArray plain = readAll(dataFile(QStringLiteral("plain.xml")));
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

    const Run check = cnf({QStringLiteral("check"), QStringLiteral("-")}, plain);
    QCOMPARE(check.exitCode, 0);
}

QTEST_GUILESS_MAIN(TestTool)
#include "tst_tool.moc"
