// Runs `cnf program export` and `cnf program import` and checks the files they write.
#include <QtTest>

#include "ToolRunner.h"
#include "cnf.h"

namespace
{
// Reads a project document or a native image into `controller`.
bool readConfig(const QString& fileName, CnfController& controller)
{
    if (controller.load(fileName, false))
        return true;
    const auto adapter = CnfNative::loadNativeConfig(fileName);
    return adapter && adapter->createController(controller);
}

// The configuration in FILE as a project document, without program `id` and
// without the change time an image gets at every write (a minute may pass
// between two writes).
QByteArray withoutProgram(const QString& fileName, const QString& id)
{
    CnfController controller;
    if (!readConfig(fileName, controller))
        return "unreadable: " + fileName.toUtf8();
    controller.removeProgram(id);
    controller.setNativeData(QStringLiteral("changeTime"), QString());
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
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_image = temp("junction.bin");
        const ToolRun run = cnf({"convert", toolData("norvak318.xml"), m_image, "--to", "3.18"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    }

    void exportThenImport_data()
    {
        QTest::addColumn<QString>("source"); // empty: the 3.18 image
        QTest::addColumn<bool>("toOutput");  // -o OUT instead of replacing FILE
        QTest::newRow("project, replaced") << toolData("plain.xml") << false;
        QTest::newRow("project, to OUT") << toolData("plain.xml") << true;
        QTest::newRow("3.18 image, replaced") << QString() << false;
        QTest::newRow("3.18 image, to OUT") << QString() << true;
    }

    void exportThenImport()
    {
        QFETCH(QString, source);
        QFETCH(bool, toOutput);
        if (source.isEmpty())
            source = m_image;
        const QString file = copyOf(source, "target");
        const QByteArray original = readFile(file);
        QVERIFY(!original.isEmpty());
        const QString blob = temp("program1.xml");
        ToolRun run = cnf({"program", "export", file, "1", blob});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QVERIFY(readFile(blob).startsWith("<Controller"));
        // Another process writes the same bytes.
        QCOMPARE(cnf({"program", "export", file, "1", temp("again.xml")}).exitCode, 0);
        QCOMPARE(readFile(temp("again.xml")), readFile(blob));

        // Program 1 is there already.
        run = cnf({"program", "import", file, blob});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("--as"), qPrintable(run.err));
        QCOMPARE(readFile(file), original);

        const QString output = toOutput ? temp("imported") : file;
        run = cnf(QStringList{"program", "import", file, blob, "--as", "2"} + (toOutput ? QStringList{"-o", output} : QStringList()));
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        if (toOutput)
            QCOMPARE(readFile(file), original);

        // Nothing but the added program differs from the original.
        QCOMPARE(withoutProgram(output, "2"), withoutProgram(source, "2"));
        CnfController before, after;
        QVERIFY(readConfig(source, before) && readConfig(output, after));
        const auto added = after.findProgram("2");
        const auto model = before.findProgram("1");
        QVERIFY(added && model);
        QCOMPARE(added->type, model->type);
        QCOMPARE(stepsOf(*added), stepsOf(*model));
        if (added->type == CnfProgram::NorvakSpecial)
            QCOMPARE(added->data().mid(1), model->data().mid(1)); // renumbered in byte 0 only
    }

    void refused_data()
    {
        QTest::addColumn<QString>("line"); // TARGET, IMAGE, BLOB, IMAGEBLOB, GARBAGE, OUT stand for the files of the test
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("no action") << "" << 2 << "export or import";
        QTest::newRow("unknown action") << "copy" << 2 << "unknown action";
        QTest::newRow("export without OUT") << "export TARGET 1" << 2 << "FILE, ID and OUT";
        QTest::newRow("export with --as") << "export TARGET 1 OUT --as 2" << 2 << "belong to import";
        QTest::newRow("export of a missing program") << "export TARGET 9 OUT" << 1 << "there is no program 9";
        QTest::newRow("import without BLOB") << "import TARGET" << 2 << "FILE and BLOB";
        QTest::newRow("both from standard input") << "import - - -o OUT" << 2 << "standard input";
        QTest::newRow("standard input without OUT") << "import - BLOB" << 2 << "-o OUT";
        QTest::newRow("native id out of range") << "import IMAGE IMAGEBLOB --as 200" << 2 << "from -128 to 127";
        QTest::newRow("blob that is no document") << "import TARGET GARBAGE --as 2" << 1 << "Ошибка обработки xml данных";
        // The timer of the project has no 3.18 record.
        QTest::newRow("program the image cannot hold") << "import IMAGE BLOB --as 3 -o OUT" << 1 << "cannot be written as 3.18";
    }

    void refused()
    {
        QFETCH(QString, line);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const QMap<QString, QString> files{{"TARGET", copyOf(toolData("plain.xml"), "refused.xml")},
                                           {"IMAGE", copyOf(m_image, "refused.bin")}, {"BLOB", temp("timer.xml")},
                                           {"IMAGEBLOB", temp("native.xml")}, {"GARBAGE", temp("garbage")},
                                           {"OUT", temp("refused.out")}};
        QFile::remove(files["OUT"]);
        QCOMPARE(cnf({"program", "export", files["TARGET"], "1", files["BLOB"]}).exitCode, 0);
        QCOMPARE(cnf({"program", "export", files["IMAGE"], "1", files["IMAGEBLOB"]}).exitCode, 0);
        QVERIFY(writeFile(files["GARBAGE"], "not a program"));

        QStringList arguments{"program"};
        for (const QString& argument : line.split(' ', Qt::SkipEmptyParts))
            arguments.append(files.value(argument, argument));
        const ToolRun run = cnf(arguments);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.err.startsWith("cnf: ") && run.err.contains(message), qPrintable(run.err));
        QCOMPARE(readFile(files["TARGET"]), readFile(toolData("plain.xml")));
        QCOMPARE(readFile(files["IMAGE"]), readFile(m_image));
        QVERIFY(!QFile::exists(files["OUT"]));
    }

    // A wrong checksum would be replaced by a fresh one on saving.
    void damagedImage()
    {
        const QString blob = temp("native-for-damaged.xml");
        QCOMPARE(cnf({"program", "export", m_image, "1", blob}).exitCode, 0);
        QByteArray image = readFile(m_image);
        image[image.size() - 1] = char(image.at(image.size() - 1) ^ 0x5A);
        const QString damaged = temp("damaged.bin");
        QVERIFY(writeFile(damaged, image));
        const QString output = temp("repaired.bin");
        const QStringList arguments{"program", "import", damaged, blob, "--as", "3", "-o", output};
        ToolRun run = cnf(arguments);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("--force"), qPrintable(run.err));
        QVERIFY(!QFile::exists(output));
        run = cnf(arguments + QStringList{"--force"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        CnfController repaired;
        QVERIFY(readConfig(output, repaired));
        QVERIFY(repaired.findProgram("3"));
    }
};

QTEST_GUILESS_MAIN(TestProgramCommand)
#include "tst_programcommand.moc"
