// `cnf diagram` and `cnf report` on the example: SVG, text chart, and the report as a browser renders it.
#include <QDomDocument>
#include <QtTest>

#include "ToolRunner.h"

#ifdef CNF_HAVE_QTGUI
#include <QImage>
#endif

namespace
{
const QString example = QStringLiteral(CNF_EXAMPLE);

QList<QDomElement> elements(const QDomElement& parent, const QString& tag, const QString& cssClass)
{
    QList<QDomElement> list;
    const QDomNodeList nodes = parent.elementsByTagName(tag);
    for (int i = 0; i < nodes.size(); ++i) {
        if (nodes.at(i).toElement().attribute("class") == cssClass)
            list.append(nodes.at(i).toElement());
    }
    return list;
}

// The number of `tag` elements of the class in an HTML text.
int count(const QString& html, const QString& tag, const QString& cssClass)
{
    return html.count(QRegularExpression(QStringLiteral("<%1\\b[^>]*\\bclass=\"%2\"").arg(tag, cssClass)));
}

// A text chart without its group labels and titles, to compare files that keep no names.
QStringList chartLines(const QByteArray& chart)
{
    QStringList lines;
    for (const QString& line : QString::fromUtf8(chart).split('\n')) {
        if (!line.startsWith("program") && !line.isEmpty())
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

private Q_SLOTS:
    void svg_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<int>("cycle");
        QTest::addColumn<QStringList>("probes"); // "group@second=aspect"
        // Steps of 30, 10, 20 s; into step 2 the main road blinks 3 s, shows amber 3 s and red 1 s.
        QTest::newRow("timer") << "1" << 79
                               << QStringList{"1@0=green", "1@29=green", "1@30=green_blink", "1@33=amber", "1@36=red",
                                              "3@50=red_amber", "5@40=green", "7@78=red", "10@0=green"};
        // Peak plan: offset 15, the first step (phase 5) starts at second 15.
        QTest::newRow("coordinated") << "2" << 106 << QStringList{"1@15=green", "5@15=green", "2@15=red", "10@26=green"};
        QTest::newRow("yellow flash") << "4" << 0 << QStringList{"1@0=flashing_amber", "7@0=dark"};
    }

    void svg()
    {
        QFETCH(QString, program);
        QFETCH(int, cycle);
        QFETCH(QStringList, probes);
        const ToolRun result = cnf({"diagram", example, "--program", program});
        QCOMPARE(result.exitCode, 0);
        QDomDocument document;
        QString error;
        QVERIFY2(document.setContent(result.out, true, &error), qPrintable(error));
        const QDomElement svg = document.documentElement();
        QCOMPARE(svg.tagName(), QStringLiteral("svg"));
        QCOMPARE(svg.attribute("data-program"), program);
        QCOMPARE(svg.attribute("data-cycle").toInt(), cycle);

        const auto rows = elements(svg, "g", "row");
        QCOMPARE(rows.size(), 10);
        QMap<QString, QDomElement> byGroup;
        for (const QDomElement& row : rows) {
            int sum = 0;
            for (const QDomElement& segment : elements(row, "rect", "segment"))
                sum += segment.attribute("data-seconds").toInt();
            QCOMPARE(sum, cycle > 0 ? cycle : 60);
            byGroup.insert(row.attribute("data-group"), row);
        }
        for (const QString& probe : probes) {
            const int second = probe.section('@', 1).section('=', 0, 0).toInt();
            QString aspect;
            for (const QDomElement& segment : elements(byGroup.value(probe.section('@', 0, 0)), "rect", "segment")) {
                const int from = segment.attribute("data-from").toInt();
                if (second >= from && second < from + segment.attribute("data-seconds").toInt())
                    aspect = segment.attribute("data-aspect");
            }
            QVERIFY2(aspect == probe.section('=', 1), qPrintable(probe + ": " + aspect));
        }
    }

    // The text chart against the committed one; a 3.18 image of the example draws the same plans.
    void textChart()
    {
        const ToolRun fromProject = cnf({"diagram", example, "--text"});
        QCOMPARE(fromProject.exitCode, 0);
        QCOMPARE(QString::fromUtf8(fromProject.out), QString::fromUtf8(readFile(CNF_TEST_DATA "/diagram/crossroads.txt")));

        const QString image = m_dir.filePath("crossroads.bin");
        QCOMPARE(cnf({"convert", example, image, "--to", "3.18"}).exitCode, 0);
        const ToolRun fromImage = cnf({"diagram", image, "--text"});
        QCOMPARE(fromImage.exitCode, 0);
        QCOMPARE(chartLines(fromImage.out), chartLines(fromProject.out));
        QCOMPARE(cnf({"report", image, "-o", m_dir.filePath("image.html")}).exitCode, 0);
    }

    // With -o and several programs, one file per program.
    void outputFiles()
    {
        QCOMPARE(cnf({"diagram", example, "-o", m_dir.filePath("plan.svg")}).exitCode, 0);
        for (const QString id : {"1", "2", "3", "4"}) {
            QDomDocument document;
            QVERIFY(document.setContent(readFile(m_dir.filePath("plan-" + id + ".svg"))));
            QCOMPARE(document.documentElement().attribute("data-program"), id);
        }
        QDomDocument stacked; // without -o: one document holding every diagram
        QVERIFY(stacked.setContent(cnf({"diagram", example}).out));
        QCOMPARE(elements(stacked.documentElement(), "svg", "diagram").size(), 4);
    }

    void usage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown program") << QStringList{"diagram", example, "--program", "99"} << 1 << "no program with id \"99\"";
        QTest::newRow("no file") << QStringList{"diagram"} << 2 << "expected one FILE";
        QTest::newRow("report without output") << QStringList{"report", example} << 2 << "no output given";
        QTest::newRow("bad year") << QStringList{"report", example, "-o", "-", "--year", "x"} << 2 << "the year must be a number";
        QTest::newRow("unreadable file") << QStringList{"report", "/nonexistent/file.xml", "-o", "-"} << 1 << "/nonexistent/file.xml";
    }

    void usage()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const ToolRun result = cnf(arguments);
        QTEST(result.exitCode, "exitCode");
        QVERIFY2(result.err.contains(message), qPrintable(result.err));
    }

    // A conflict without intergreen is marked and found by the review; the calendar shows days without a card.
    void reportHighlights()
    {
        const ToolRun result = cnf({"report", CNF_TEST_DATA "/diagram/missing-intergreen.xml", "-o", "-", "--year", "2026"});
        QCOMPARE(result.exitCode, 0);
        const QString page = QString::fromUtf8(result.out);
        QCOMPARE(count(page, "td", "missing"), 1);
        QCOMPARE(count(page, "td", "conflict"), 3); // two in the conflict matrix, one timed
        QVERIFY(count(page, "tr", "finding") >= 1);
        QCOMPARE(count(page, "td", "special"), 1);
        QCOMPARE(page.count("style=\"background:#ffffff\" title=\"2026-"), 365 - 53); // cards only on Mondays and 1 January
    }

    void reportInBrowser()
    {
        const QString report = m_dir.filePath("report.html");
        QCOMPARE(cnf({"report", example, "-o", report, "--year", "2026"}).exitCode, 0);
        const QByteArray html = readFile(report);
        QVERIFY(!html.contains("<script") && !html.contains("src="));

        const QString chromium = QStandardPaths::findExecutable("chromium");
        if (chromium.isEmpty())
            QSKIP("chromium is not installed (apt-get install chromium): the report was not rendered in a browser");
        const QStringList flags{"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                                "--disable-background-networking", "--disable-component-update", "--disable-sync",
                                "--user-data-dir=" + m_dir.filePath("profile")};
        const QString url = QUrl::fromLocalFile(report).toString();
        const ToolRun dom = runProgram(chromium, flags + QStringList{"--dump-dom", url});
        QVERIFY2(dom.exitCode == 0, qPrintable(dom.err));
        const QString page = QString::fromUtf8(dom.out);
        QCOMPARE(count(page, "svg", "diagram"), 4);
        QCOMPARE(count(page, "table", "matrix"), 2);
        QCOMPARE(count(page, "table", "month"), 12);
        QCOMPARE(count(page, "svg", "daybar"), 3);

        const QString png = m_dir.filePath("report.png");
        const ToolRun shot = runProgram(chromium, flags + QStringList{"--screenshot=" + png, "--window-size=1000,2400", url});
        QVERIFY2(shot.exitCode == 0 && QFile::exists(png), qPrintable(shot.err));
    #ifdef CNF_HAVE_QTGUI
        const QImage image(png);
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
};

QTEST_GUILESS_MAIN(TestDiagram)
#include "tst_diagram.moc"
