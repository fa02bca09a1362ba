// Runs `cnf program export` and `cnf program import` as a program and checks
// the files they write.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "cnf.h"

namespace
{
struct Run {
    int exitCode = -1;
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

Run cnf(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(CNF_TOOL), arguments);
    process.closeWriteChannel();
    Run run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// Reads a project document or a native image into `controller`.
bool readConfig(const QString& fileName, CnfController& controller)
{
    if (controller.load(fileName, false))
        return true;
    const auto adapter = CnfNative::loadNativeConfig(fileName);
    return adapter && adapter->createController(controller);
}

// The configuration in FILE as a project document, without program `id`.
QByteArray withoutProgram(const QString& fileName, const QString& id)
{
    CnfController controller;
    if (!readConfig(fileName, controller))
        return "unreadable: " + fileName.toUtf8();
    controller.removeProgram(id);
    return controller.save(2);
}

QStringList stepsOf(const CnfProgram& program)
{
    QStringList steps;
    const auto phases = program.phases();
    for (const auto& step : phases)
        steps.append(QStringLiteral("%1:%2").arg(step->id()).arg(step->length()));
    return steps;
}
} // namespace

class TestProgramCommand : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_image; // a 3.18 image converted from norvak318.xml

    QString temp(const QString& name) const { return m_dir.filePath(name); }
    QString copyOf(const QString& source, const QString& name)
    {
        const QString target = temp(name);
        QFile::remove(target);
        return QFile::copy(source, target) ? target : QString();
    }

private Q_SLOTS:
    void initTestCase();
    void exportThenImport_data();
    void exportThenImport();
    void refused_data();
    void refused();
    void damagedImage();
};

void TestProgramCommand::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_image = temp(QStringLiteral("junction.bin"));
    const Run run = cnf({QStringLiteral("convert"), dataFile(QStringLiteral("norvak318.xml")), m_image,
                         QStringLiteral("--to"), QStringLiteral("3.18")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
}

void TestProgramCommand::exportThenImport_data()
{
    QTest::addColumn<QString>("source"); // empty: the 3.18 image
    QTest::addColumn<bool>("toOutput");   // -o OUT instead of replacing FILE

    QTest::newRow("project, replaced") << dataFile(QStringLiteral("plain.xml")) << false;
    QTest::newRow("project, to OUT") << dataFile(QStringLiteral("plain.xml")) << true;
    QTest::newRow("3.18 image, replaced") << QString() << false;
    QTest::newRow("3.18 image, to OUT") << QString() << true;
}

void TestProgramCommand::exportThenImport()
{
    QFETCH(QString, source);
    QFETCH(bool, toOutput);
    if (source.isEmpty())
        source = m_image;
    const QString file = copyOf(source, QStringLiteral("target"));
    QVERIFY(!file.isEmpty());
    const QByteArray original = readAll(file);
    const QString blob = temp(QStringLiteral("program1.xml"));

    Run run = cnf({QStringLiteral("program"), QStringLiteral("export"), file, QStringLiteral("1"), blob});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QVERIFY(readAll(blob).startsWith("<Controller"));
    // Another process writes the same bytes.
    const QString again = temp(QStringLiteral("again.xml"));
    QCOMPARE(cnf({QStringLiteral("program"), QStringLiteral("export"), file, QStringLiteral("1"), again}).exitCode, 0);
    QCOMPARE(readAll(again), readAll(blob));

    // Program 1 is there already.
    run = cnf({QStringLiteral("program"), QStringLiteral("import"), file, blob});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(QStringLiteral("--as")), qPrintable(run.err));
    QCOMPARE(readAll(file), original);

    const QString output = toOutput ? temp(QStringLiteral("imported")) : file;
    QStringList arguments{QStringLiteral("program"), QStringLiteral("import"), file, blob, QStringLiteral("--as"),
                          QStringLiteral("2")};
    if (toOutput)
        arguments << QStringLiteral("-o") << output;
    run = cnf(arguments);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    if (toOutput)
        QCOMPARE(readAll(file), original);

    // Nothing but the added program differs from the original.
    const QString originalCopy = temp(QStringLiteral("original"));
    QFile::remove(originalCopy);
    QVERIFY(QFile::copy(source, originalCopy));
    QCOMPARE(withoutProgram(output, QStringLiteral("2")), withoutProgram(originalCopy, QStringLiteral("2")));
    CnfController before;
    CnfController after;
    QVERIFY(readConfig(originalCopy, before));
    QVERIFY(readConfig(output, after));
    QCOMPARE(after.programs().size(), before.programs().size() + 1);
    const auto added = after.findProgram(QStringLiteral("2"));
    const auto model = before.findProgram(QStringLiteral("1"));
    QVERIFY(added && model);
    QCOMPARE(added->type, model->type);
    QCOMPARE(stepsOf(*added), stepsOf(*model));
    if (added->type == CnfProgram::NorvakSpecial)
        QCOMPARE(added->data().mid(1), model->data().mid(1)); // renumbered in byte 0 only
}

void TestProgramCommand::refused_data()
{
    QTest::addColumn<QStringList>("arguments"); // TARGET and BLOB stand for the files of the test
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    const QString program = QStringLiteral("program");
    const QString exportAction = QStringLiteral("export");
    const QString importAction = QStringLiteral("import");
    QTest::newRow("no action") << QStringList{program} << 2 << "export or import";
    QTest::newRow("unknown action") << QStringList{program, "copy"} << 2 << "unknown action";
    QTest::newRow("export without OUT") << QStringList{program, exportAction, "TARGET", "1"} << 2 << "FILE, ID and OUT";
    QTest::newRow("export with --as") << QStringList{program, exportAction, "TARGET", "1", "OUT", "--as", "2"} << 2
                                      << "belong to import";
    QTest::newRow("export of a missing program") << QStringList{program, exportAction, "TARGET", "9", "OUT"} << 1
                                                 << "there is no program 9";
    QTest::newRow("import without BLOB") << QStringList{program, importAction, "TARGET"} << 2 << "FILE and BLOB";
    QTest::newRow("both from standard input") << QStringList{program, importAction, "-", "-", "-o", "OUT"} << 2
                                              << "standard input";
    QTest::newRow("standard input without OUT") << QStringList{program, importAction, "-", "BLOB"} << 2 << "-o OUT";
    QTest::newRow("native id out of range") << QStringList{program, importAction, "IMAGE", "IMAGEBLOB", "--as", "200"}
                                            << 2 << "from -128 to 127";
    QTest::newRow("blob that is no document") << QStringList{program, importAction, "TARGET", "GARBAGE", "--as", "2"} << 1
                                              << "Ошибка обработки xml данных";
    // The timer of the project has no 3.18 record.
    QTest::newRow("program the image cannot hold")
        << QStringList{program, importAction, "IMAGE", "BLOB", "--as", "3", "-o", "OUT"} << 1 << "cannot be written as 3.18";
}

void TestProgramCommand::refused()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    const QString target = copyOf(dataFile(QStringLiteral("plain.xml")), QStringLiteral("refused.xml"));
    const QString image = copyOf(m_image, QStringLiteral("refused.bin"));
    const QString blob = temp(QStringLiteral("timer.xml"));
    const QString imageBlob = temp(QStringLiteral("native.xml"));
    const QString garbage = temp(QStringLiteral("garbage"));
    const QString output = temp(QStringLiteral("refused.out"));
    QFile::remove(output);
    QCOMPARE(cnf({QStringLiteral("program"), QStringLiteral("export"), target, QStringLiteral("1"), blob}).exitCode, 0);
    QCOMPARE(cnf({QStringLiteral("program"), QStringLiteral("export"), image, QStringLiteral("1"), imageBlob}).exitCode, 0);
    QFile file(garbage);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a program");
    file.close();
    const QByteArray targetBefore = readAll(target);
    const QByteArray imageBefore = readAll(image);

    const QMap<QString, QString> files{{"TARGET", target}, {"IMAGE", image}, {"BLOB", blob},
                                       {"IMAGEBLOB", imageBlob}, {"GARBAGE", garbage}, {"OUT", output}};
    for (QString& argument : arguments)
        argument = files.value(argument, argument);
    const Run run = cnf(arguments);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.startsWith(QStringLiteral("cnf: ")) && run.err.contains(message), qPrintable(run.err));
    QCOMPARE(readAll(target), targetBefore);
    QCOMPARE(readAll(image), imageBefore);
    QVERIFY(!QFile::exists(output));
}

// A wrong checksum would be replaced by a fresh one on saving.
void TestProgramCommand::damagedImage()
{
    const QString blob = temp(QStringLiteral("native-for-damaged.xml"));
    QCOMPARE(cnf({QStringLiteral("program"), QStringLiteral("export"), m_image, QStringLiteral("1"), blob}).exitCode, 0);
    QByteArray image = readAll(m_image);
    image[image.size() - 1] = char(image.at(image.size() - 1) ^ 0x5A);
    const QString damaged = temp(QStringLiteral("damaged.bin"));
    QFile file(damaged);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(image);
    file.close();
    const QString output = temp(QStringLiteral("repaired.bin"));
    QFile::remove(output);
    const QStringList arguments{QStringLiteral("program"), QStringLiteral("import"), damaged, blob,
                                QStringLiteral("--as"), QStringLiteral("3"), QStringLiteral("-o"), output};

    Run run = cnf(arguments);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(QStringLiteral("--force")), qPrintable(run.err));
    QVERIFY(!QFile::exists(output));
    run = cnf(arguments + QStringList{QStringLiteral("--force")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    CnfController repaired;
    QVERIFY(readConfig(output, repaired));
    QVERIFY(repaired.findProgram(QStringLiteral("3")));
}

QTEST_GUILESS_MAIN(TestProgramCommand)
#include "tst_programcommand.moc"
