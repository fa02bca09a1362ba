// Runs `cnf diagram` and `cnf report` on the bundled example: the SVG
// diagrams, the text chart against a committed one, and the HTML report as a
// real browser renders it.
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#ifdef CNF_HAVE_QTGUI
#include <QImage>
#endif

namespace
{
struct Run {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

Run run(const QString& program, const QStringList& arguments, int timeout = 60000)
{
    QProcess process;
    process.start(program, arguments);
    process.closeWriteChannel();
    Run result;
    if (!process.waitForFinished(timeout) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

Run cnf(const QStringList& arguments)
{
    return run(QStringLiteral(CNF_TOOL), arguments);
}

QByteArray readAll(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QList<QDomElement> elements(const QDomElement& parent, const QString& tag, const QString& cssClass)
{
    QList<QDomElement> list;
    const QDomNodeList nodes = parent.elementsByTagName(tag);
    for (int i = 0; i < nodes.size(); ++i) {
        const QDomElement element = nodes.at(i).toElement();
        if (element.attribute(QStringLiteral("class")) == cssClass)
            list.append(element);
    }
    return list;
}

// The number of `tag` elements of the class in an HTML text.
int count(const QString& html, const QString& tag, const QString& cssClass)
{
    const QRegularExpression element(QStringLiteral("<%1\\b[^>]*\\bclass=\"%2\"").arg(tag, cssClass));
    int found = 0;
    for (auto it = element.globalMatch(html); it.hasNext(); it.next())
        ++found;
    return found;
}

// The chart lines of a text chart without their group labels and titles, so
// that files that keep no names compare.
QStringList chartLines(const QByteArray& chart)
{
    QStringList lines;
    const auto all = QString::fromUtf8(chart).split(QLatin1Char('\n'));
    for (const QString& line : all) {
        if (!line.startsWith(QLatin1String("program")) && !line.isEmpty())
            lines.append(line.mid(24));
    }
    return lines;
}
} // namespace

class TestDiagram : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void svg_data();
    void svg();
    void textChart();
    void convertedImage();
    void outputFiles();
    void usage_data();
    void usage();
    void reportHighlights();
    void reportInBrowser();
};

void TestDiagram::svg_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<int>("cycle");
    QTest::addColumn<QStringList>("probes"); // "group@second=aspect"

    // Day plan: steps 1 (30 s), 2 (10 s), 3 (20 s) with the default matrix;
    // into step 2 the main road blinks 3 s, shows amber 3 s and red 1 s.
    QTest::newRow("timer") << "1" << 79
                           << QStringList{"1@0=green", "1@29=green", "1@30=green_blink", "1@33=amber", "1@36=red",
                                          "3@50=red_amber", "5@40=green", "7@78=red", "10@0=green"};
    // Peak plan: offset 15, the first step (phase 5) starts at second 15.
    QTest::newRow("coordinated") << "2" << 106
                                 << QStringList{"1@15=green", "5@15=green", "2@15=red", "10@26=green"};
    QTest::newRow("yellow flash") << "4" << 0 << QStringList{"1@0=flashing_amber", "7@0=dark"};
}

void TestDiagram::svg()
{
    QFETCH(QString, program);
    QFETCH(int, cycle);
    QFETCH(QStringList, probes);

    const Run result = cnf({QStringLiteral("diagram"), QStringLiteral(CNF_EXAMPLE), QStringLiteral("--program"), program});
    QCOMPARE(result.exitCode, 0);
    QDomDocument document;
    QString error;
    QVERIFY2(document.setContent(result.out, true, &error), qPrintable(error));
    const QDomElement svg = document.documentElement();
    QCOMPARE(svg.tagName(), QStringLiteral("svg"));
    QCOMPARE(svg.attribute(QStringLiteral("data-program")), program);
    QCOMPARE(svg.attribute(QStringLiteral("data-cycle")).toInt(), cycle);

    const auto rows = elements(svg, QStringLiteral("g"), QStringLiteral("row"));
    QCOMPARE(rows.size(), 10);
    QMap<QString, QDomElement> byGroup;
    for (const QDomElement& row : rows) {
        int sum = 0;
        for (const QDomElement& segment : elements(row, QStringLiteral("rect"), QStringLiteral("segment")))
            sum += segment.attribute(QStringLiteral("data-seconds")).toInt();
        QCOMPARE(sum, cycle > 0 ? cycle : 60);
        byGroup.insert(row.attribute(QStringLiteral("data-group")), row);
    }
    for (const QString& probe : probes) {
        const QString group = probe.section(QLatin1Char('@'), 0, 0);
        const int second = probe.section(QLatin1Char('@'), 1).section(QLatin1Char('='), 0, 0).toInt();
        QString aspect;
        for (const QDomElement& segment : elements(byGroup.value(group), QStringLiteral("rect"), QStringLiteral("segment"))) {
            const int from = segment.attribute(QStringLiteral("data-from")).toInt();
            if (second >= from && second < from + segment.attribute(QStringLiteral("data-seconds")).toInt())
                aspect = segment.attribute(QStringLiteral("data-aspect"));
        }
        QVERIFY2(aspect == probe.section(QLatin1Char('='), 1), qPrintable(probe + QStringLiteral(": ") + aspect));
    }
}

void TestDiagram::textChart()
{
    const Run result = cnf({QStringLiteral("diagram"), QStringLiteral(CNF_EXAMPLE), QStringLiteral("--text")});
    QCOMPARE(result.exitCode, 0);
    const QByteArray expected = readAll(QStringLiteral(CNF_TEST_DATA "/diagram/crossroads.txt"));
    QVERIFY(!expected.isEmpty());
    QCOMPARE(QString::fromUtf8(result.out), QString::fromUtf8(expected));
}

// A firmware 3.18 image made from the example draws the same plans.
void TestDiagram::convertedImage()
{
    const QString image = m_dir.filePath(QStringLiteral("crossroads.bin"));
    QCOMPARE(cnf({QStringLiteral("convert"), QStringLiteral(CNF_EXAMPLE), image, QStringLiteral("--to"), QStringLiteral("3.18")}).exitCode, 0);
    const Run fromImage = cnf({QStringLiteral("diagram"), image, QStringLiteral("--text")});
    QCOMPARE(fromImage.exitCode, 0);
    const Run fromProject = cnf({QStringLiteral("diagram"), QStringLiteral(CNF_EXAMPLE), QStringLiteral("--text")});
    QCOMPARE(chartLines(fromImage.out), chartLines(fromProject.out));
    QCOMPARE(cnf({QStringLiteral("report"), image, QStringLiteral("-o"), m_dir.filePath(QStringLiteral("image.html"))}).exitCode, 0);
}

// With -o and several programs, one file per program.
void TestDiagram::outputFiles()
{
    const QString out = m_dir.filePath(QStringLiteral("plan.svg"));
    const Run result = cnf({QStringLiteral("diagram"), QStringLiteral(CNF_EXAMPLE), QStringLiteral("-o"), out});
    QCOMPARE(result.exitCode, 0);
    for (const char* id : {"1", "2", "3", "4"}) {
        QDomDocument document;
        QVERIFY(document.setContent(readAll(m_dir.filePath(QStringLiteral("plan-%1.svg").arg(QLatin1String(id))))));
        QCOMPARE(document.documentElement().attribute(QStringLiteral("data-program")), QLatin1String(id));
    }
    QDomDocument stacked; // without -o: one document holding every diagram
    QVERIFY(stacked.setContent(cnf({QStringLiteral("diagram"), QStringLiteral(CNF_EXAMPLE)}).out));
    QCOMPARE(elements(stacked.documentElement(), QStringLiteral("svg"), QStringLiteral("diagram")).size(), 4);
}

void TestDiagram::usage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    QTest::newRow("unknown program") << QStringList{"diagram", CNF_EXAMPLE, "--program", "99"} << 1 << "no program with id \"99\"";
    QTest::newRow("no file") << QStringList{"diagram"} << 2 << "expected one FILE";
    QTest::newRow("report without output") << QStringList{"report", CNF_EXAMPLE} << 2 << "no output given";
    QTest::newRow("report with a bad year") << QStringList{"report", CNF_EXAMPLE, "-o", "-", "--year", "x"} << 2
                                            << "the year must be a number";
    QTest::newRow("unreadable file") << QStringList{"report", "/nonexistent/file.xml", "-o", "-"} << 1 << "/nonexistent/file.xml";
}

void TestDiagram::usage()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    const Run result = cnf(arguments);
    QCOMPARE(result.exitCode, exitCode);
    QVERIFY2(result.err.contains(message), qPrintable(result.err));
}

// A conflicting pair without an intergreen time is marked in its matrix and
// found by the safety review; the calendar shows days without a card.
void TestDiagram::reportHighlights()
{
    const Run result = cnf({QStringLiteral("report"), QStringLiteral(CNF_TEST_DATA "/diagram/missing-intergreen.xml"),
                            QStringLiteral("-o"), QStringLiteral("-"), QStringLiteral("--year"), QStringLiteral("2026")});
    QCOMPARE(result.exitCode, 0);
    const QString page = QString::fromUtf8(result.out);
    QCOMPARE(count(page, QStringLiteral("td"), QStringLiteral("missing")), 1);
    QCOMPARE(count(page, QStringLiteral("td"), QStringLiteral("conflict")), 3); // two in the conflict matrix, one timed
    QVERIFY(count(page, QStringLiteral("tr"), QStringLiteral("finding")) >= 1);
    QCOMPARE(count(page, QStringLiteral("td"), QStringLiteral("special")), 1);
    QCOMPARE(page.count(QStringLiteral("style=\"background:#ffffff\" title=\"2026-")), 365 - 53); // cards only on Mondays and 1 January
}

void TestDiagram::reportInBrowser()
{
    const QString report = m_dir.filePath(QStringLiteral("report.html"));
    QCOMPARE(cnf({QStringLiteral("report"), QStringLiteral(CNF_EXAMPLE), QStringLiteral("-o"), report,
                  QStringLiteral("--year"), QStringLiteral("2026")}).exitCode, 0);
    const QByteArray html = readAll(report);
    QVERIFY(!html.contains("<script"));
    QVERIFY(!html.contains("src="));

    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (chromium.isEmpty())
        QSKIP("chromium is not installed (apt-get install chromium): the report was not rendered in a browser");
    const QStringList flags{QStringLiteral("--headless"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
                            QStringLiteral("--disable-quic"), QStringLiteral("--no-first-run"),
                            QStringLiteral("--disable-background-networking"), QStringLiteral("--disable-component-update"),
                            QStringLiteral("--disable-sync"),
                            QStringLiteral("--user-data-dir=") + m_dir.filePath(QStringLiteral("profile"))};
    const QString url = QUrl::fromLocalFile(report).toString();

    const Run dom = run(chromium, flags + QStringList{QStringLiteral("--dump-dom"), url}, 120000);
    QVERIFY2(dom.exitCode == 0, qPrintable(dom.err));
    const QString page = QString::fromUtf8(dom.out);
    QCOMPARE(count(page, QStringLiteral("svg"), QStringLiteral("diagram")), 4);
    QCOMPARE(count(page, QStringLiteral("table"), QStringLiteral("matrix")), 2);
    QCOMPARE(count(page, QStringLiteral("table"), QStringLiteral("month")), 12);
    QCOMPARE(count(page, QStringLiteral("svg"), QStringLiteral("daybar")), 3);

    const QString png = m_dir.filePath(QStringLiteral("report.png"));
    const Run shot = run(chromium, flags + QStringList{QStringLiteral("--screenshot=") + png,
                                                       QStringLiteral("--window-size=1000,2400"), url}, 120000);
    QVERIFY2(shot.exitCode == 0 && QFile::exists(png), qPrintable(shot.err));
#ifdef CNF_HAVE_QTGUI
    const QImage image(png);
    QVERIFY(!image.isNull());
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2)
            colours.insert(image.pixel(x, y));
    }
    QVERIFY2(colours.size() > 16, qPrintable(QStringLiteral("only %1 colours").arg(colours.size())));
#else
    QVERIFY(QFileInfo(png).size() > 20000); // a blank page compresses to a few kilobytes
#endif
}

QTEST_GUILESS_MAIN(TestDiagram)
#include "tst_diagram.moc"
