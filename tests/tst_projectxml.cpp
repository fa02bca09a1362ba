// The light XML tree of the project reader against the DOM it stands in for:
// what it reads must be what the DOM holds, and a document must load into
// the same controller, or fail with the same message, whichever way it is read.
#include <QtTest>

#include <utility>
#include <vector>

#include "CnfController.h"
#include "ProjectXmlTree.h"

namespace {

QString field(const QString& text)
{
    return QStringLiteral("%1%2:%3").arg(text.isNull() ? "N" : "").arg(text.size()).arg(text);
}

// One line per element in document order: depth, tag, sorted attributes and
// first text, from the light tree or from the DOM as the readers once saw it.
struct Lines {
    QStringList lines;
    void add(int depth, const QString& tag, QStringList attributes, bool hasText, const QString& text)
    {
        attributes.sort();
        lines << QString::number(depth) + field(tag) + attributes.join(' ') + (hasText ? "T" : "-") + field(text);
    }
};

template<typename Element, typename Visit>
QStringList describe(const Element& root, Visit visit)
{
    Lines out;
    std::vector<std::pair<Element, int>> pending{{root, 0}};
    while (!pending.empty()) {
        const auto [element, depth] = pending.back();
        pending.pop_back();
        if (element.isNull())
            continue;
        visit(out, element, depth);
        std::vector<Element> children;
        for (Element c = element.firstChildElement(); !c.isNull(); c = c.nextSiblingElement())
            children.push_back(c);
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            pending.emplace_back(*it, depth + 1);
    }
    return out.lines;
}

QStringList describe(const ProjectXmlElement& root)
{
    return describe(root, [](Lines& out, const ProjectXmlElement& e, int depth) {
        QStringList attributes;
        for (int i = 0; i < e.attributeCount(); ++i)
            attributes << field(e.attributeName(i)) + field(e.attributeValue(i));
        out.add(depth, e.tagName(), attributes, e.hasText(), e.text());
    });
}

QStringList describe(const QDomElement& root)
{
    return describe(root, [](Lines& out, const QDomElement& e, int depth) {
        QStringList attributes;
        for (int i = 0; i < e.attributes().count(); ++i) {
            const QDomAttr a = e.attributes().item(i).toAttr();
            attributes << field(a.name()) + field(a.value());
        }
        QDomNode text = e.firstChild();
        while (!text.isNull() && !text.isText())
            text = text.nextSibling();
        out.add(depth, e.tagName(), attributes, !text.isNull(), text.nodeValue());
    });
}

// The same document with a carriage return in a trailing comment, which
// the light parser leaves to the DOM.
QByteArray throughDom(const QByteArray& xml)
{
    return xml + "<!--\r-->";
}

} // namespace

class TestProjectXml : public QObject
{
    Q_OBJECT

private slots:
    void sameTreeAsDom_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<bool>("light");
        const auto row = [](const char* name, const QByteArray& xml, bool light) { QTest::newRow(name) << xml << light; };
        row("plain", "<?xml version='1.0' encoding='utf-8'?>\n<a x='1' y=\"\"><b>t<c/>u</b> <d/></a>\n", true);
        row("references", "<a x='&lt;&amp;&#9;&#10;&#x41;'>&gt;&quot;&apos;&#13;</a>", true);
        row("spaces in values", "<a x='p q'>\n<b y='r  s' z='é t'/>\n</a>", true);
        row("white space texts", "<a><b> \t\n</b><c>&#32;</c><d>\xc2\xa0</d><e>\xe3\x80\x80x</e> <f> y </f></a>", true);
        row("comments", "<a><b> <!--c-->y</b><c>p<!--c-->q</c></a><!-- end -->", true);
        row("names", "<a xmlns='u' xmlns:p='v' p:x='1' \xd0\x96-1.2='w'><p:b/></a>", true);
        row("deep", QByteArray("<a>").repeated(3000) + QByteArray("</a>").repeated(3000), true);
        // What the light parser leaves to the DOM.
        row("tab in value", "<a x='1\t2 3'/>", false);
        row("line feed in value", "<a x='1 2\n3'/>", false);
        row("carriage return", "<a>1\r\n2</a>", false);
        row("cdata", "<a><![CDATA[ ]]>x</a>", false);
        row("doctype", "<!DOCTYPE a [<!ENTITY e 'x'>]><a>&e;</a>", false);
        row("processing instruction", "<a><?p x?>t</a>", false);
        row("latin1", "<?xml version='1.0' encoding='ISO-8859-1'?><a>\xe9</a>", false);
        row("declaration twice", "<?xml version='1.0' standalone='yes' standalone='yes'?><a/>", false);
        row("byte order mark", "\xef\xbb\xbf<a/>", false);
        row("odd name", "<a ~='1'/>", false);
        row("broken reference", "<a>&#32\xe2\x80\xa8;</a>", false);
        row("reference beyond 16 bits", "<a>&#x1F600;</a>", false);
        row("duplicate attribute", "<a x='1' x='2'/>", false);
        row("control character", "<a>\x01</a>", false);
        row("invalid UTF-8", "<a>\xff</a>", false);
    }
    void sameTreeAsDom()
    {
        QFETCH(QByteArray, xml);
        QFETCH(bool, light);
        ProjectXmlTree tree;
        QCOMPARE(tree.parse(xml), light);
        QDomDocument dom;
        if (!dom.setContent(xml, false)) {
            QVERIFY(!light);
            return;
        }
        const QStringList expected = describe(dom.documentElement());
        QCOMPARE(describe(ProjectXmlTree::fromDom(dom.documentElement()).root()), expected);
        if (light)
            QCOMPARE(describe(tree.root()), expected);
    }

    void sameControllerAsDom_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QFile written(QStringLiteral(CNF_TEST_DATA "/project/written.xml"));
        QVERIFY(written.open(QIODevice::ReadOnly));
        QTest::newRow("written") << written.readAll();
        QTest::newRow("attribute order") << QByteArray(
            "<Controller b='2' a='1' c='3' type='norvak' version='3.18'>"
            "<Detector z='1' id='1' y='2' name='d' x='3'/><Phase>1</Phase>"
            "<Program id='1' type='timer'><Phase length='5' q='1' p='2'>1</Phase><NativeData b='x' a='true'/></Program>"
            "</Controller>");
        QTest::newRow("texts and values") << QByteArray(
            "<Controller>\n <NativeData t=' a&#10;b '>\n  <Map name='m'>\n   <Item name='s' type='QString'> </Item>"
            "<Item name='e' type='QString'>&lt;&#9;</Item><Item name='c' type='int'><!--x-->7</Item>\n  </Map>\n"
            " </NativeData>\n <SG name='Сев&#233;р'> 1 <!--c--></SG>\n</Controller>");
        QTest::newRow("reader error") << QByteArray("<Controller><PwrDev address='5'>1</PwrDev><PwrDev address='5'>2</PwrDev></Controller>");
    }
    void sameControllerAsDom()
    {
        QFETCH(QByteArray, xml);
        QVERIFY(ProjectXmlTree().parse(xml));
        QVERIFY(!ProjectXmlTree().parse(throughDom(xml)));
        CnfController light;
        CnfController dom;
        const bool loaded = light.load(xml, false);
        QCOMPARE(dom.load(throughDom(xml), false), loaded);
        QCOMPARE(light.lastError(), dom.lastError());
        QCOMPARE(light.save(2), dom.save(2));
    }

    // Parse errors are worded by the DOM parser, whichever parser met them first.
    void parseErrors_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::newRow("unclosed") << QByteArray("<Controller><SG>1</Controller>");
        QTest::newRow("odd name") << QByteArray("<Controller ~='1'>");
        QTest::newRow("extra content") << QByteArray("<Controller/><Controller/>");
        QTest::newRow("undeclared entity") << QByteArray("<Controller>&e;</Controller>");
        QTest::newRow("attribute twice") << QByteArray("<Controller\nx='1' x='2'/>");
    }
    void parseErrors()
    {
        QFETCH(QByteArray, xml);
        QDomDocument dom;
        QString message;
        int line = 0;
        int column = 0;
        const bool parsed = dom.setContent(xml, false, &message, &line, &column);
        CnfController c;
        QCOMPARE(c.load(xml, false), parsed);
        if (!parsed)
            QCOMPARE(c.lastError(), QString("Ошибка обработки xml данных в строке %1, столбец %2: %3 ")
                                            .arg(line)
                                            .arg(column)
                                            .arg(message)
                         + QString::fromUtf8(xml));
    }

    // The light tree has no recursion: nesting far deeper than the DOM parser
    // survives loads.
    void deepNesting()
    {
        const int depth = 200000;
        CnfController c;
        QVERIFY(c.load("<Controller><NativeData><Map name='m'>" + QByteArray("<Item name='i'><Map>").repeated(depth)
                           + QByteArray("</Map></Item>").repeated(depth) + "</Map></NativeData></Controller>",
                       false));
        QCOMPARE(c.nativeData()["m"].type(), QVariant::Map);
        // A carriage return sends the document to the DOM parser, which
        // would run out of stack: it is refused instead.
        QVERIFY(!c.load("<Controller>\r\n" + QByteArray("<a>").repeated(depth) + QByteArray("</a>").repeated(depth)
                            + "</Controller>",
                        false));
        QCOMPARE(c.lastError(), QString("Ошибка обработки xml данных в строке 2, столбец 3000: элементы вложены глубже 1000 уровней"));
    }
};

QTEST_GUILESS_MAIN(TestProjectXml)
#include "tst_projectxml.moc"
