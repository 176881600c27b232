#include "TestTables.h"
#include "common/TestMain.h"
#include "toolkit/base/Exception.h"
#include "toolkit/table/ClientTable.h"

#include <QTest>

using namespace TestTables;

// States, navigation, events, indexes and the change log of the client table, all in memory.
class TestClientTable : public QObject
{
    Q_OBJECT

private slots:
    void statesAndEvents();
    void navigation();
    void editOnEmptyTableInserts();
    void postAbortedByThrowing();
    void cancelDiscards();
    void deleteOnEmptyTableRefused();
    void indexOrdering_data();
    void indexOrdering();
    void indexKeepsCurrentRow();
    void postedRowTakesItsPlace();
    void unknownIndexRefused();
    void changeLogInserts();
    void changeLogInsertThenModify();
    void changeLogDelete();
    void unindexedModifiedRowKeepsPlace();
    void oversizeValueRefused();
    void valueAtSizeAccepted();
    void fieldErrorsNameTheTable_data();
    void fieldErrorsNameTheTable();
    void valuesConverted();
    void fieldPresentation();
};

void TestClientTable::statesAndEvents()
{
    ClientTable table(QStringLiteral("T"));
    defineFields(table);
    QStringList log;
    auto& ev = table.events();
    const auto note = [&log](const char* what) {
        return [&log, what](ClientTable& t) {
            log << QString::fromLatin1(what) + QLatin1Char(':') + QString::number(int(t.state()));
        };
    };
    ev.beforeOpen = note("beforeOpen");
    ev.afterOpen = note("afterOpen");
    ev.beforeInsert = note("beforeInsert");
    ev.afterInsert = note("afterInsert");
    ev.beforeEdit = note("beforeEdit");
    ev.afterEdit = note("afterEdit");
    ev.beforePost = note("beforePost");
    ev.afterPost = note("afterPost");
    ev.beforeCancel = note("beforeCancel");
    ev.afterCancel = note("afterCancel");
    ev.beforeDelete = note("beforeDelete");
    ev.afterDelete = note("afterDelete");
    ev.beforeClose = note("beforeClose");
    ev.afterClose = note("afterClose");

    QCOMPARE(table.state(), TableState::Inactive);
    table.createDataSet();
    QCOMPARE(table.state(), TableState::Browse);
    table.insert();
    QCOMPARE(table.state(), TableState::Insert);
    table.setValue(QStringLiteral("name"), QStringLiteral("a"));
    table.post();
    QCOMPARE(table.state(), TableState::Browse);
    table.edit();
    QCOMPARE(table.state(), TableState::Edit);
    table.cancel();
    table.deleteRecord();
    table.close();
    QCOMPARE(table.state(), TableState::Inactive);

    // 0 inactive, 1 browse, 2 edit, 3 insert: "before" handlers see the state being left.
    const QStringList expected{"beforeOpen:0",   "afterOpen:1",   "beforeInsert:1", "afterInsert:3",
                               "beforePost:3",   "afterPost:1",   "beforeEdit:1",   "afterEdit:2",
                               "beforeCancel:2", "afterCancel:1", "beforeDelete:1", "afterDelete:1",
                               "beforeClose:1",  "afterClose:0"};
    QCOMPARE(log, expected);
}

void TestClientTable::navigation()
{
    ClientTable table(QStringLiteral("T"));
    defineFields(table);
    table.createDataSet();
    QVERIFY(table.eof());
    QCOMPARE(table.recNo(), -1);
    QCOMPARE(table.recordCount(), 0);
    for (const char* name : {"a", "b", "c"})
        addRow(table, QString::fromLatin1(name));
    QCOMPARE(table.recordCount(), 3);
    table.first();
    QVERIFY(!table.eof());
    QCOMPARE(table.value(QStringLiteral("name")).toString(), QStringLiteral("a"));
    table.next();
    table.next();
    QCOMPARE(table.value(QStringLiteral("name")).toString(), QStringLiteral("c"));
    QVERIFY(!table.eof());
    table.next();
    QVERIFY(table.eof());
    QCOMPARE(table.value(QStringLiteral("name")).toString(), QStringLiteral("c"));
    table.prior();
    QCOMPARE(table.recNo(), 1);
    table.last();
    QCOMPARE(table.recNo(), 2);
    table.moveTo(0);
    QCOMPARE(table.value(QStringLiteral("name")).toString(), QStringLiteral("a"));
    QCOMPARE(names(table), (QStringList{"a", "b", "c"}));
}

void TestClientTable::editOnEmptyTableInserts()
{
    ClientTable table(QStringLiteral("T"));
    defineFields(table);
    int inserts = 0;
    table.events().afterInsert = [&inserts](ClientTable&) { ++inserts; };
    table.createDataSet();
    table.edit();
    QCOMPARE(table.state(), TableState::Insert);
    QCOMPARE(inserts, 1);
}

void TestClientTable::postAbortedByThrowing()
{
    ClientTable table(QStringLiteral("T"));
    defineFields(table);
    table.events().beforePost = [](ClientTable& t) {
        t.setValue(QStringLiteral("name"), t.value(QStringLiteral("name")).toString().trimmed());
        if (t.value(QStringLiteral("name")).toString().isEmpty())
            throw Exception(QStringLiteral("Task Name cannot be blank"));
    };
    int afterPosts = 0;
    table.events().afterPost = [&afterPosts](ClientTable&) { ++afterPosts; };
    table.createDataSet();
    table.insert();
    table.setValue(QStringLiteral("name"), QStringLiteral("   "));
    table.setValue(QStringLiteral("at"), QTime(8, 0));
    QVERIFY_THROWS_EXCEPTION(Exception, table.post());
    QCOMPARE(table.state(), TableState::Insert);
    QCOMPARE(table.value(QStringLiteral("name")).toString(), QString()); // trimmed value kept
    QCOMPARE(table.value(QStringLiteral("at")).toTime(), QTime(8, 0));
    QVERIFY(table.storedRows().isEmpty());
    QVERIFY(table.changeLog().isEmpty());
    QVERIFY(!table.changed());
    QCOMPARE(afterPosts, 0);

    table.setValue(QStringLiteral("name"), QStringLiteral("  job "));
    table.post();
    QCOMPARE(table.state(), TableState::Browse);
    QCOMPARE(table.value(QStringLiteral("name")).toString(), QStringLiteral("job"));
    QCOMPARE(afterPosts, 1);
}

void TestClientTable::cancelDiscards()
{
    ClientTable table(QStringLiteral("T"));
    defineFields(table);
    table.createDataSet();
    addRow(table, QStringLiteral("keep"));
    table.edit();
    table.setValue(QStringLiteral("name"), QStringLiteral("changed"));
    table.cancel();
    QCOMPARE(table.value(QStringLiteral("name")).toString(), QStringLiteral("keep"));
    table.insert();
    QCOMPARE(table.viewRowCount(), 2);
    table.cancel();
    QCOMPARE(table.recordCount(), 1);
    QCOMPARE(table.storedRows().size(), 1);
    QCOMPARE(table.changeLog(), (QList<uint>{1, 0, 4}));
}

void TestClientTable::deleteOnEmptyTableRefused()
{
    ClientTable table(QStringLiteral("T"));
    defineFields(table);
    table.createDataSet();
    QVERIFY_THROWS_EXCEPTION(Exception, table.deleteRecord());
    try {
        table.deleteRecord();
    } catch (const Exception& error) {
        QCOMPARE(error.message(), QStringLiteral("T: Cannot perform this operation on an empty dataset"));
    }
}

void TestClientTable::indexOrdering_data()
{
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<int>("options");
    QTest::addColumn<QStringList>("expected");

    // Rows, in insert order: (name, day) = (b, 2024-03-01), (a, null), (B, 2023-01-01), (c, 2024-03-01)
    QTest::newRow("name ascending, ordinal") << QStringList{"name"} << 0 << QStringList{"B", "a", "b", "c"};
    QTest::newRow("name descending") << QStringList{"name"} << int(IndexDef::Descending)
                                     << QStringList{"c", "b", "a", "B"};
    QTest::newRow("name without case")
        << QStringList{"NAME"} << int(IndexDef::CaseInsensitive) << QStringList{"a", "b", "B", "c"};
    QTest::newRow("date ascending, null first") << QStringList{"day"} << 0 << QStringList{"a", "B", "b", "c"};
    QTest::newRow("date descending, null last")
        << QStringList{"day"} << int(IndexDef::Descending) << QStringList{"b", "c", "B", "a"};
    QTest::newRow("date then name descending")
        << QStringList{"day", "name"} << int(IndexDef::Descending) << QStringList{"c", "b", "B", "a"};
}

void TestClientTable::indexOrdering()
{
    QFETCH(QStringList, fields);
    QFETCH(int, options);
    QFETCH(QStringList, expected);

    ClientTable table(QStringLiteral("T"));
    defineFields(table);
    table.addIndexDef(
        {QStringLiteral("ix"), fields, IndexDef::Options(options), IndexDef::TextOrder::Ordinal});
    table.createDataSet();
    addRow(table, QStringLiteral("b"), QDate(2024, 3, 1));
    addRow(table, QStringLiteral("a"));
    addRow(table, QStringLiteral("B"), QDate(2023, 1, 1));
    addRow(table, QStringLiteral("c"), QDate(2024, 3, 1));
    QCOMPARE(names(table), (QStringList{"b", "a", "B", "c"}));
    table.setIndexName(QStringLiteral("ix"));
    QCOMPARE(table.indexName(), QStringLiteral("ix"));
    QCOMPARE(names(table), expected);
    table.setIndexName(QString());
    QCOMPARE(names(table), (QStringList{"b", "a", "B", "c"}));
}

void TestClientTable::indexKeepsCurrentRow()
{
    ClientTable table(QStringLiteral("T"));
    defineFields(table);
    table.addIndexDef({QStringLiteral("byName"), {QStringLiteral("name")}, IndexDef::Primary, {}});
    table.createDataSet();
    for (const char* name : {"c", "a", "b"})
        addRow(table, QString::fromLatin1(name));
    table.moveTo(0); // "c"
    table.setIndexName(QStringLiteral("byName"));
    QCOMPARE(table.value(QStringLiteral("name")).toString(), QStringLiteral("c"));
    QCOMPARE(table.recNo(), 2);
}

void TestClientTable::postedRowTakesItsPlace()
{
    ClientTable table(QStringLiteral("T"));
    defineFields(table);
    table.addIndexDef({QStringLiteral("byName"), {QStringLiteral("name")}, IndexDef::Primary, {}});
    table.setIndexName(QStringLiteral("byName")); // selected while closed, used on open
    table.createDataSet();
    for (const char* name : {"m", "a", "z"})
        addRow(table, QString::fromLatin1(name));
    QCOMPARE(names(table), (QStringList{"a", "m", "z"}));
    table.moveTo(0);
    table.edit();
    table.setValue(QStringLiteral("name"), QStringLiteral("q"));
    table.post();
    QCOMPARE(table.value(QStringLiteral("name")).toString(), QStringLiteral("q"));
    QCOMPARE(table.recNo(), 1);
    QCOMPARE(names(table), (QStringList{"m", "q", "z"}));
}

void TestClientTable::unknownIndexRefused()
{
    ClientTable table(QStringLiteral("T"));
    defineFields(table);
    table.createDataSet();
    try {
        table.setIndexName(QStringLiteral("nothing"));
        QFAIL("an unknown index was selected");
    } catch (const Exception& error) {
        QCOMPARE(error.message(), QStringLiteral("T: Index 'nothing' not found"));
    }
    QCOMPARE(table.indexName(), QString());
}

void TestClientTable::changeLogInserts()
{
    ClientTable table(QStringLiteral("T"));
    defineFields(table);
    table.createDataSet();
    QVERIFY(!table.changed());
    addRow(table, QStringLiteral("one"));
    QCOMPARE(table.changeLog(), (QList<uint>{1, 0, 4}));
    addRow(table, QStringLiteral("two"));
    QCOMPARE(table.changeLog(), (QList<uint>{1, 0, 4, 2, 0, 4}));
    QCOMPARE(states(table), (QList<int>{4, 4}));
    QVERIFY(table.changed());
}

void TestClientTable::changeLogInsertThenModify()
{
    ClientTable table(QStringLiteral("T"));
    defineFields(table);
    table.createDataSet();
    addRow(table, QStringLiteral("one"));
    table.edit();
    table.setValue(QStringLiteral("name"), QStringLiteral("uno"));
    table.post();
    table.edit();
    table.setValue(QStringLiteral("name"), QStringLiteral("eins"));
    table.post();
    QCOMPARE(states(table), (QList<int>{5, 13, 12}));
    QCOMPARE(table.changeLog(), (QList<uint>{1, 0, 4, 2, 1, 8, 3, 2, 8}));
    QCOMPARE(table.recordCount(), 1);
    QCOMPARE(table.value(QStringLiteral("name")).toString(), QStringLiteral("eins"));
    QCOMPARE(table.storedRows().at(0).values.at(0).toString(), QStringLiteral("one"));
    QCOMPARE(table.storedRows().at(1).values.at(0).toString(), QStringLiteral("uno"));
}

void TestClientTable::changeLogDelete()
{
    ClientTable table(QStringLiteral("T"));
    defineFields(table);
    table.createDataSet();
    addRow(table, QStringLiteral("one"));
    addRow(table, QStringLiteral("two"));
    table.moveTo(0);
    table.deleteRecord();
    QCOMPARE(states(table), (QList<int>{6, 4}));
    QCOMPARE(table.changeLog(), (QList<uint>{1, 0, 4, 2, 0, 4, 1, 0, 2}));
    QCOMPARE(names(table), QStringList{"two"});
}

void TestClientTable::unindexedModifiedRowKeepsPlace()
{
    ClientTable table(QStringLiteral("T"));
    defineFields(table);
    table.createDataSet();
    for (const char* name : {"a", "b", "c"})
        addRow(table, QString::fromLatin1(name));
    table.moveTo(0);
    table.edit();
    table.setValue(QStringLiteral("name"), QStringLiteral("A"));
    table.post();
    QCOMPARE(table.recNo(), 0);
    QCOMPARE(names(table), (QStringList{"A", "b", "c"}));
}

void TestClientTable::oversizeValueRefused()
{
    ClientTable table(QStringLiteral("T"));
    defineFields(table);
    table.createDataSet();
    table.insert();
    table.setValue(QStringLiteral("name"), QStringLiteral("short"));
    try {
        table.setValue(QStringLiteral("name"), QString(21, QLatin1Char('x')));
        QFAIL("an oversize value was taken");
    } catch (const Exception& error) {
        QCOMPARE(error.message(),
                 QStringLiteral("T: Value for field 'name' is too long: 21 characters, at most 20 allowed"));
    }
    QCOMPARE(table.value(QStringLiteral("name")).toString(), QStringLiteral("short"));
}

void TestClientTable::valueAtSizeAccepted()
{
    ClientTable table(QStringLiteral("T"));
    defineFields(table);
    table.createDataSet();
    const QString twenty(20, QChar(0x00e9));
    addRow(table, twenty);
    QCOMPARE(table.value(QStringLiteral("name")).toString(), twenty);
}

void TestClientTable::fieldErrorsNameTheTable_data()
{
    QTest::addColumn<QString>("component");
    QTest::addColumn<QString>("expected");
    QTest::newRow("named") << "ClientDataSet_Schedule"
                           << "ClientDataSet_Schedule: Field 'taskname' not found";
    QTest::newRow("unnamed") << ""
                             << "Field 'taskname' not found";
}

void TestClientTable::fieldErrorsNameTheTable()
{
    QFETCH(QString, component);
    QFETCH(QString, expected);
    ClientTable table(component);
    defineFields(table);
    try {
        table.fieldByName(QStringLiteral("taskname"));
        QFAIL("a missing field was found");
    } catch (const Exception& error) {
        QCOMPARE(error.message(), expected);
    }
    QVERIFY(table.findField(QStringLiteral("NAME")));
}

void TestClientTable::valuesConverted()
{
    ClientTable table(QStringLiteral("T"));
    defineFields(table);
    table.createDataSet();
    table.insert();
    table.setValue(QStringLiteral("day"), QStringLiteral("2012-04-28"));
    QCOMPARE(table.value(QStringLiteral("day")).toDate(), QDate(2012, 4, 28));
    table.setValue(QStringLiteral("day"), QString()); // empty text clears a date
    QVERIFY(!table.value(QStringLiteral("day")).isValid());
    table.setValue(QStringLiteral("at"), QTime(14, 30, 5, 250));
    QCOMPARE(table.value(QStringLiteral("at")).toTime(), QTime(14, 30, 5, 250));
    table.setValue(QStringLiteral("name"), QString(QLatin1String("")));
    QVERIFY(table.value(QStringLiteral("name")).isValid()); // empty text is a value, not null
    QVERIFY_THROWS_EXCEPTION(Exception, table.setValue(QStringLiteral("day"), QStringLiteral("soon")));
    table.cancel();
    QVERIFY_THROWS_EXCEPTION(Exception, table.setValue(QStringLiteral("name"), QStringLiteral("x")));
}

void TestClientTable::fieldPresentation()
{
    ClientTable table(QStringLiteral("T"));
    defineFields(table);
    TableField& name = table.fieldByName(QStringLiteral("name"));
    QCOMPARE(name.componentName(), QStringLiteral("_name"));
    QCOMPARE(name.displayLabel(), QStringLiteral("name"));
    QCOMPARE(name.displayWidth(), 20);
    name.setDisplayLabel(QStringLiteral("Task Name"));
    name.setDisplayWidth(40);
    QCOMPARE(name.displayLabel(), QStringLiteral("Task Name"));
    QCOMPARE(name.displayWidth(), 40);
    table.fieldByName(QStringLiteral("at")).setPosition(0);
    QStringList order;
    for (TableField* field : table.displayFields())
        order << field->fieldName();
    QCOMPARE(order, (QStringList{"at", "name", "day", "note"}));
    QCOMPARE(table.fieldByName(QStringLiteral("at")).index(), 2); // values keep their place
    QCOMPARE(name.position(), 1);
}

HOURGLEN_TEST_MAIN_CORE(TestClientTable)
#include "tst_ClientTable.moc"
