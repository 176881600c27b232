#include "TestTables.h"
#include "common/TestMain.h"
#include "toolkit/table/ClientTable.h"
#include "toolkit/table/DataSource.h"
#include "toolkit/table/TableModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using namespace TestTables;

// The grid's table model over a data source: its columns follow the visible fields, its rows the
// table's order, and every change reaches the views; Qt's model tester watches each case.
class TestTableModel : public QObject
{
    Q_OBJECT

private slots:
    void columnsAndHeaders();
    void followsTable();
    void reportsRowsNotResets();
    void outlivesTable();
    void hearsNewFieldsWhileDisabled();
};

void TestTableModel::columnsAndHeaders()
{
    ClientTable table(QStringLiteral("T"));
    defineFields(table);
    DataSource source;
    source.setDataSet(&table);
    TableModel model(&source);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);

    QCOMPARE(model.columnCount(), 4);
    QCOMPARE(model.rowCount(), 0);
    table.fieldByName(QStringLiteral("note")).setVisible(false);
    table.fieldByName(QStringLiteral("at")).setPosition(0);
    table.fieldByName(QStringLiteral("name")).setDisplayLabel(QStringLiteral("Task Name"));
    QCOMPARE(model.columnCount(), 3);
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("at"));
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Task Name"));
    QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("day"));
    QCOMPARE(model.columnField(1), &table.fieldByName(QStringLiteral("name")));
}

void TestTableModel::followsTable()
{
    ClientTable table(QStringLiteral("T"));
    defineFields(table);
    table.addIndexDef({QStringLiteral("byName"), {QStringLiteral("name")}, IndexDef::Descending, {}});
    DataSource source;
    source.setDataSet(&table);
    TableModel model(&source);
    model.setFormatter([](const TableField&, const QVariant& value) {
        return QStringLiteral("<%1>").arg(value.toString());
    });
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);

    table.createDataSet();
    QCOMPARE(model.rowCount(), 0);
    addRow(table, QStringLiteral("a"));
    addRow(table, QStringLiteral("b"));
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.data(model.index(1, 0)).toString(), QStringLiteral("<b>"));
    QCOMPARE(model.data(model.index(1, 1)).toString(), QString()); // null shows empty

    table.moveTo(1);
    table.insert(); // shown at the current row's place
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.currentRow(), 1);
    QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
    table.setValue(QStringLiteral("name"), QStringLiteral("c"));
    QCOMPARE(changes.count(), 1);
    QCOMPARE(changes.first().at(0).toModelIndex().row(), 1);
    QCOMPARE(model.data(model.index(1, 0)).toString(), QStringLiteral("<c>"));
    QCOMPARE(model.data(model.index(2, 0)).toString(), QStringLiteral("<b>"));
    table.post();
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.data(model.index(2, 0)).toString(), QStringLiteral("<c>"));

    table.setIndexName(QStringLiteral("byName"));
    QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("<c>"));
    QCOMPARE(model.currentRow(), 0);
    table.edit();
    table.setValue(QStringLiteral("name"), QStringLiteral("0"));
    QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("<0>"));
    table.post();
    QCOMPARE(model.data(model.index(2, 0)).toString(), QStringLiteral("<0>"));
    table.deleteRecord();
    QCOMPARE(model.rowCount(), 2);
    table.close();
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), 4);
}

void TestTableModel::reportsRowsNotResets()
{
    ClientTable table(QStringLiteral("T"));
    defineFields(table);
    table.addIndexDef({QStringLiteral("byName"), {QStringLiteral("name")}, {}, {}});
    DataSource source;
    source.setDataSet(&table);
    TableModel model(&source);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    table.createDataSet();
    table.setIndexName(QStringLiteral("byName"));
    for (const char* name : {"b", "d", "f"})
        addRow(table, QLatin1String(name));

    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy moved(&model, &QAbstractItemModel::rowsMoved);
    table.moveTo(2);
    QPersistentModelIndex first = model.index(0, 0); // "b" stays where it is throughout
    table.insert();
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.first().at(1).toInt(), 2);
    table.setValue(QStringLiteral("name"), QStringLiteral("a"));
    table.post(); // the new row moves from the place of the insert to the top
    QCOMPARE(moved.count(), 1);
    QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("a"));
    QCOMPARE(model.currentRow(), 0);
    QCOMPARE(first.row(), 1);
    QCOMPARE(first.data().toString(), QStringLiteral("b"));

    table.insert();
    table.cancel(); // the unposted row goes again
    QCOMPARE(removed.count(), 1);
    table.moveTo(3);
    table.deleteRecord();
    QCOMPARE(removed.count(), 2);
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(resets.count(), 0);

    table.fieldByName(QStringLiteral("name")).setDisplayWidth(33); // same columns: headers only
    QCOMPARE(resets.count(), 0);
    table.setIndexName({}); // a new order is a new content
    QCOMPARE(resets.count(), 1);
}

void TestTableModel::outlivesTable()
{
    DataSource source;
    TableModel model(&source);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    {
        ClientTable table(QStringLiteral("T"));
        defineFields(table);
        source.setDataSet(&table);
        table.createDataSet();
        addRow(table, QStringLiteral("a"));
        QCOMPARE(model.columnCount(), 4);
        QCOMPARE(model.rowCount(), 1);
    }
    QCOMPARE(model.columnCount(), 0);
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.headerData(0, Qt::Horizontal), QVariant(1)); // the plain section number
}

void TestTableModel::hearsNewFieldsWhileDisabled()
{
    ClientTable table(QStringLiteral("T"));
    defineFields(table);
    DataSource source;
    source.setDataSet(&table);
    TableModel model(&source);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    table.disableControls();
    table.clearFields(); // the old field objects are gone at once
    QCOMPARE(model.columnCount(), 0);
    table.addField(stringField(QStringLiteral("only"), 5));
    QCOMPARE(model.columnCount(), 1);
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("only"));
    table.createDataSet();
    QCOMPARE(model.rowCount(), 0);
    table.enableControls();
    QCOMPARE(model.columnField(0), &table.field(0));
}

HOURGLEN_TEST_MAIN_CORE(TestTableModel)
#include "tst_TableModel.moc"
