#include <QtTest>

#include <functional>

#include "VObject.h"

using Mutation = std::function<void(VObject& root)>;
Q_DECLARE_METATYPE(Mutation)

class TestVObject : public QObject
{
    Q_OBJECT
private slots:
    // Reads through a pending handle create nothing; a write creates the path.
    void pendingPaths()
    {
        VObject root;
        VObject pending = root["x"]["y"];
        QCOMPARE(root.type(), QVariant::Map);
        bool textOk = true, numberOk = true;
        QVERIFY(pending.toString(&textOk).isNull() && !textOk);
        QVERIFY(pending.toInt(&numberOk) == 0 && !numberOk);
        QVERIFY(pending.isNull() && pending.keys().isEmpty() && pending.size() == 0 && pending[0].isNull());
        QVERIFY(pending.findByAttr("id", 1).isNull() && root.keys().isEmpty() && root["x"].parent() == root);
        pending = 5;
        QCOMPARE(root.keys(), QStringList{"x"});
        QCOMPARE(root["x"]["y"].toInt(), 5);
        QVERIFY(pending.parent().parent() == root);

        VObject unbound;
        unbound = 5; // a free null handle stores nothing
        QVERIFY(unbound.isNull());
        QVariant external;
        VObject handle(external);
        handle["k"] = 1;
        QCOMPARE(external.toMap().value("k").toInt(), 1);
    }

    void lists()
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
        QVERIFY(item.parent() == list && list[1] == 7);
        for (int bad : {2, -1})
            QVERIFY(list[bad].isNull() && list[bad].parent().isNull());
        QVERIFY(list["id"].isNull() && list.keys().isEmpty() && root.size() == 0);
        list.append(list); // copied, not linked into a cycle
        QCOMPARE(list[2].size(), 2);
        VObject scalar = root["scalar"];
        scalar = 3;
        scalar.append(4);
        QCOMPARE(scalar.toInt(), 3);

        // Removing an element shifts the rest: a handle past the new end reads as null, writes go nowhere.
        VObject last = list[2], first = list[0];
        first.remove();
        QVERIFY(first.isNull() && last.isNull());
        last = 99;
        last.remove();
        list.removeAt(5);
        QCOMPARE(list.size(), 2);
        QVERIFY(list[0] == 7 && list[1].size() == 2);
    }

    void assignStandaloneTree_data()
    {
        QTest::addColumn<bool>("keyExists");
        QTest::newRow("pending key") << false;
        QTest::newRow("existing key") << true;
    }
    void assignStandaloneTree()
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
        QVERIFY(root["sub"]["x"] == 1 && root["sub"]["y"] == 20);
    }

    void findByAttr_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("found");
        QTest::newRow("first match") << "id" << QVariant(3) << "b";
        QTest::newRow("no match") << "id" << QVariant(9) << "";
        QTest::newRow("missing entry is invalid") << "id" << QVariant() << "d";
        QTest::newRow("empty key") << "" << QVariant() << "";
    }
    void findByAttr()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        QFETCH(QString, found);
        QVariantMap content{{"list", QVariantList{QVariantMap{{"id", 1}, {"n", "a"}}, 7, QVariantMap{{"id", 3}, {"n", "b"}},
                                                  QVariantMap{{"id", 3}, {"n", "c"}}, QVariantMap{{"n", "d"}}}}};
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

    void removeInvalidValues_data()
    {
        QTest::addColumn<bool>("on");
        QTest::newRow("on") << true;
        QTest::newRow("off") << false;
    }
    void removeInvalidValues()
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

    void comparisons_data()
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
    void comparisons()
    {
        QFETCH(QVariant, stored);
        QFETCH(bool, isFive);
        QFETCH(bool, isText5);
        VObject root(QVariant::Map);
        root["v"] = stored;
        root["w"] = stored;
        VObject v = root["v"];
        QCOMPARE(v == 5, isFive);
        QCOMPARE(v != 5, !isFive);
        QCOMPARE(v == "5", isText5);
        QCOMPARE(v != QStringLiteral("5"), !isText5);
        QTEST(v == QVariant(5), "isVariantFive");
        QVERIFY(v.dataEqual(root["w"]));
        QVERIFY(v == root["v"] && v != root["w"]); // identity of the slot
        VObject pending = root["none"];
        QVERIFY(!(pending == 0) && !(pending == "") && !pending.dataEqual(pending));
        QVERIFY(pending == root["other"]); // two null handles
    }

    void staleHandles_data()
    {
        QTest::addColumn<Mutation>("mutation");
        QTest::addColumn<bool>("writeRecreates");
        QTest::newRow("key removed") << Mutation([](VObject& root) { QCOMPARE(root.remove("a"), 1); }) << true;
        QTest::newRow("node removed through another handle") << Mutation([](VObject& root) { root["a"].remove(); }) << true;
        QTest::newRow("replaced by a scalar") << Mutation([](VObject& root) { root["a"] = 5; }) << false;
        QTest::newRow("root cleared through a copy") << Mutation([](VObject& root) { VObject(root).clear(); }) << false;
        QTest::newRow("root value replaced") << Mutation([](VObject& root) { root = QVariant(QVariantMap()); }) << true;
    }
    // Handles reached before a change made through another path never touch
    // the removed slots: they read as null, and a write either recreates the
    // path (as through a pending handle) or goes nowhere.
    void staleHandles()
    {
        QFETCH(Mutation, mutation);
        QFETCH(bool, writeRecreates);
        VObject root(QVariant::Map);
        root["a"]["b"]["c"] = "deep";
        VObject b = root["a"]["b"];
        VObject c = b["c"];
        mutation(root);
        bool ok = true;
        QVERIFY(b.isNull() && c.isNull() && c.keys().isEmpty());
        QVERIFY(c.toString(&ok).isNull() && !ok);
        c = "again";
        QCOMPARE(c == "again", writeRecreates);
        if (writeRecreates)
            QVERIFY(root["a"]["b"]["c"] == "again");
        b.remove();
        QVERIFY(c.isNull());
        c.remove();
    }
};

QTEST_GUILESS_MAIN(TestVObject)
#include "tst_vobject.moc"
