#include <QtTest>

#include "VObject.h"

class TestVObject : public QObject
{
    Q_OBJECT

private slots:
    void pendingPaths();
    void listsAndAppend();
    void assignStandaloneTree_data();
    void assignStandaloneTree();
    void findByAttr_data();
    void findByAttr();
    void removeInvalidValues_data();
    void removeInvalidValues();
    void comparisons_data();
    void comparisons();
    void staleHandles_data();
    void staleHandles();
    void staleListElement();
};

// Reads through a pending handle create nothing; a write creates the path.
void TestVObject::pendingPaths()
{
    VObject root;
    VObject pending = root["x"]["y"];
    QCOMPARE(root.type(), QVariant::Map);
    bool ok = true;
    QCOMPARE(pending.toString(&ok), QString());
    QVERIFY(!ok);
    QCOMPARE(pending.toInt(&ok), 0);
    QVERIFY(!ok);
    QVERIFY(pending.keys().isEmpty() && pending.size() == 0 && pending[0].isNull());
    QVERIFY(pending.findByAttr("id", 1).isNull());
    QVERIFY(pending.isNull() && root["x"].parent() == root);
    QVERIFY(root.keys().isEmpty());

    VObject c = root["a"]["b"]["c"];
    c = 5;
    QCOMPARE(root.keys(), QStringList{"a"});
    QCOMPARE(root["a"]["b"]["c"].toInt(), 5);
    QVERIFY(c.parent().parent() == root["a"]);

    VObject unbound;
    unbound = 5; // a free null handle stores nothing
    QVERIFY(unbound.isNull());
    QVariant external;
    VObject handle(external);
    handle["k"] = 1;
    QCOMPARE(external.toMap().value("k").toInt(), 1);
}

void TestVObject::listsAndAppend()
{
    VObject root;
    VObject list = root["list"];
    VObject item(QVariant::Map);
    item["id"] = 1;
    list.append(item);
    list.append(7);
    item["name"] = "after"; // the item now refers to the list element
    QCOMPARE(root["list"].size(), 2);
    QCOMPARE(root["list"][0]["name"].toString(), QStringLiteral("after"));
    QVERIFY(item.parent() == list);
    QCOMPARE(list[1].toInt(), 7);
    for (int bad : {2, -1})
        QVERIFY(list[bad].isNull() && list[bad].parent().isNull());
    QVERIFY(list["id"].isNull() && list.keys().isEmpty() && root.size() == 0);

    list.append(list); // copied, not linked into a cycle
    QCOMPARE(list[2].size(), 2);
    VObject scalar = root["scalar"];
    scalar = 3;
    scalar.append(4);
    QCOMPARE(scalar.toInt(), 3);
}

void TestVObject::assignStandaloneTree_data()
{
    QTest::addColumn<bool>("keyExists");
    QTest::newRow("pending key") << false;
    QTest::newRow("existing key") << true;
}

void TestVObject::assignStandaloneTree()
{
    QFETCH(bool, keyExists);
    VObject root(QVariant::Map);
    if (keyExists)
        root["sub"] = "old";
    VObject tree(QVariant::Map);
    tree["x"] = 1;
    VObject place = root["sub"];
    place = tree;
    tree["y"] = 2;
    place["z"] = 3;
    QCOMPARE(root["sub"].keys(), (QStringList{"x", "y", "z"}));
    QVERIFY(tree == root["sub"] && tree.parent() == root);

    VObject self(QVariant::Map);
    self["a"] = 1;
    self["copy"] = self; // a tree put under itself keeps a copy
    QCOMPARE(self["copy"]["a"].toInt(), 1);
    QVERIFY(self["copy"]["copy"].isNull());

    VObject handle;
    handle = root["sub"]["x"]; // a handle on a slot rebinds, copies nothing
    handle = root["sub"]["y"];
    handle = 20;
    QCOMPARE(root["sub"]["x"].toInt(), 1);
    QCOMPARE(root["sub"]["y"].toInt(), 20);
}

void TestVObject::findByAttr_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("found");
    QTest::newRow("first match") << "id" << QVariant(3) << "b";
    QTest::newRow("no match") << "id" << QVariant(9) << "";
    QTest::newRow("missing entry is invalid") << "id" << QVariant() << "d";
    QTest::newRow("empty key") << "" << QVariant(3) << "";
}

void TestVObject::findByAttr()
{
    QFETCH(QString, key);
    QFETCH(QVariant, value);
    QFETCH(QString, found);
    auto entry = [](const QVariant& id, const QString& n) {
        QVariantMap m{{"n", n}};
        if (id.isValid())
            m.insert("id", id);
        return m;
    };
    QVariantMap content{{"list", QVariantList{entry(1, "a"), 7, entry(3, "b"), entry(3, "c"), entry({}, "d")}}};
    VObject root(content);
    VObject match = root["list"].findByAttr(key, value);
    QCOMPARE(match.isNull(), found.isEmpty());
    if (found.isEmpty())
        return;
    QCOMPARE(match["n"].toString(), found);
    QVERIFY(match.parent().isNull());
    match["n"] = "changed";
    QVERIFY(!root["list"].findByAttr("n", "changed").isNull());
}

void TestVObject::removeInvalidValues_data()
{
    QTest::addColumn<bool>("on");
    QTest::newRow("on") << true;
    QTest::newRow("off") << false;
}

void TestVObject::removeInvalidValues()
{
    QFETCH(bool, on);
    VObject root(QVariant::Map);
    root["k"] = 1;
    VObject list = root["list"];
    list.append(1);
    list.append(2);
    root.removeInvalidValues(on);
    list.removeInvalidValues(on);
    root["k"] = QVariant();
    list[0] = QVariant();
    QCOMPARE(root.keys().contains("k"), !on);
    QCOMPARE(root["k"].isNull(), on);
    QCOMPARE(list.size(), on ? 1 : 2);
    QCOMPARE(list[list.size() - 1].toInt(), 2);
}

void TestVObject::comparisons_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("isFive");
    QTest::addColumn<bool>("isText5");
    QTest::addColumn<bool>("isVariantFive");
    QTest::newRow("int") << QVariant(5) << true << false << true;
    QTest::newRow("text") << QVariant("5") << false << true << false;
    QTest::newRow("double") << QVariant(5.0) << true << false << false;
    QTest::newRow("long long") << QVariant(qlonglong(5)) << true << false << false;
    QTest::newRow("bool") << QVariant(true) << false << false << false;
    QTest::newRow("invalid") << QVariant() << false << false << false;
}

void TestVObject::comparisons()
{
    QFETCH(QVariant, stored);
    QFETCH(bool, isFive);
    QFETCH(bool, isText5);
    QFETCH(bool, isVariantFive);
    VObject root(QVariant::Map);
    root["v"] = stored;
    root["w"] = stored;
    VObject v = root["v"];
    QCOMPARE(v == 5, isFive);
    QCOMPARE(v != 5, !isFive);
    QCOMPARE(v == "5", isText5);
    QCOMPARE(v != QStringLiteral("5"), !isText5);
    QCOMPARE(v == QVariant(5), isVariantFive);
    QVERIFY(v.dataEqual(root["w"]));
    QVERIFY(v == root["v"] && v != root["w"]); // identity of the slot
    VObject pending = root["none"];
    QVERIFY(!(pending == 0) && !(pending == "") && !pending.dataEqual(pending));
    QVERIFY(pending == root["other"]); // two null handles
}

enum Mutation { RemoveKey, RemoveNode, ReplaceByScalar, ClearRoot, ReplaceRootValue };

void TestVObject::staleHandles_data()
{
    QTest::addColumn<int>("mutation");
    QTest::addColumn<bool>("writeRecreates");
    QTest::newRow("key removed") << int(RemoveKey) << true;
    QTest::newRow("node removed through another handle") << int(RemoveNode) << true;
    QTest::newRow("replaced by a scalar") << int(ReplaceByScalar) << false;
    QTest::newRow("root handle cleared") << int(ClearRoot) << false;
    QTest::newRow("root value replaced") << int(ReplaceRootValue) << true;
}

// Handles reached before a change made through another path never touch the
// removed slots: they read as null, and a write either recreates the path
// (as through a pending handle) or goes nowhere.
void TestVObject::staleHandles()
{
    QFETCH(int, mutation);
    QFETCH(bool, writeRecreates);
    VObject root(QVariant::Map);
    root["a"]["b"]["c"] = "deep";
    VObject b = root["a"]["b"];
    VObject c = b["c"];
    switch (mutation) {
    case RemoveKey:
        QCOMPARE(root.remove("a"), 1);
        break;
    case RemoveNode: {
        VObject other = root["a"];
        other.remove();
        QVERIFY(other.isNull());
        break;
    }
    case ReplaceByScalar:
        root["a"] = 5;
        break;
    case ClearRoot:
        VObject(root).clear();
        QVERIFY(root.isNull());
        break;
    case ReplaceRootValue:
        root = QVariant(QVariantMap());
        break;
    }
    bool ok = true;
    QVERIFY(b.isNull() && c.isNull() && c.keys().isEmpty());
    QCOMPARE(c.toString(&ok), QString());
    QVERIFY(!ok);

    c = "again";
    QCOMPARE(c.toString() == QLatin1String("again"), writeRecreates);
    if (writeRecreates)
        QCOMPARE(root["a"]["b"]["c"].toString(), QStringLiteral("again"));
    b.remove();
    QVERIFY(c.isNull());
    c.remove();
}

void TestVObject::staleListElement()
{
    VObject list(QVariant::List);
    for (int n : {10, 11, 12})
        list.append(n);
    VObject last = list[2];
    VObject first = list[0];
    first.remove();
    QVERIFY(first.isNull() && last.isNull());
    last = 99;
    last.remove();
    list.removeAt(5);
    QCOMPARE(list.size(), 2);
    QCOMPARE(list[0].toInt(), 11);
    QCOMPARE(list[1].toInt(), 12);
}

QTEST_GUILESS_MAIN(TestVObject)
#include "tst_vobject.moc"
