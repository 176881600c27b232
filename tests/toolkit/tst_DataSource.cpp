#include "TestTables.h"
#include "common/TestMain.h"
#include "toolkit/table/ClientTable.h"
#include "toolkit/table/DataLink.h"
#include "toolkit/table/DataSource.h"
#include "toolkit/table/TableModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using namespace TestTables;

// The data source between a table and its controls, and the grid model over it.
class TestDataSource : public QObject
{
    Q_OBJECT

private slots:
    void controlsHearChanges();
    void disabledControlsHearNothing();
    void controlsWriteBeforePost();
    void stateHandlerRuns();
    void unboundSource();
    void modelColumnsAndHeaders();
    void modelFollowsTable();
    void modelOutlivesTable();
    void modelHearsNewFieldsWhileDisabled();
};

namespace {

// A control that records what it heard and can hold a value it writes on request.
class RecordingLink final : public DataLink
{
public:
    void dataSetChanged() override { heard << QStringLiteral("dataSet"); }
    void rowChanged() override { heard << QStringLiteral("row"); }
    void stateChanged() override { heard << QStringLiteral("state"); }
    void dataChanged(const TableField* field) override
    {
        heard << (QStringLiteral("data:") + (field ? field->fieldName() : QStringLiteral("*")));
    }
    void updateRecord() override
    {
        heard << QStringLiteral("update");
        if (target && !pending.isEmpty()) {
            target->setValue(pending);
            pending.clear();
        }
    }

    QStringList heard;
    TableField* target = nullptr;
    QString pending;
};

} // namespace

void TestDataSource::controlsHearChanges()
{
    ClientTable table(QStringLiteral("T"));
    defineFields(table);
    DataSource source;
    source.setDataSet(&table);
    RecordingLink link;
    source.addLink(&link);
    table.createDataSet();
    QVERIFY(link.heard.contains(QStringLiteral("state")));
    QCOMPARE(source.state(), TableState::Browse);
    link.heard.clear();
    table.insert();
    QVERIFY(link.heard.contains(QStringLiteral("state")));
    link.heard.clear();
    table.setValue(QStringLiteral("name"), QStringLiteral("x"));
    QCOMPARE(link.heard, QStringList{"data:name"});
    source.removeLink(&link);
    link.heard.clear();
    table.post();
    QVERIFY(link.heard.isEmpty());
}

void TestDataSource::disabledControlsHearNothing()
{
    ClientTable table(QStringLiteral("T"));
    defineFields(table);
    DataSource source;
    source.setDataSet(&table);
    RecordingLink link;
    source.addLink(&link);
    QSignalSpy states(&source, &DataSource::stateChanged);

    table.disableControls();
    source.disableControls(); // counted: two disables need two enables
    table.createDataSet();
    addRow(table, QStringLiteral("a"));
    QCOMPARE(link.heard, QStringList{"update"}); // only the request to write before the post
    link.heard.clear();
    QCOMPARE(states.count(), 0);
    source.enableControls();
    QVERIFY(link.heard.isEmpty());
    QVERIFY(source.controlsDisabled());
    table.enableControls();
    QVERIFY(!source.controlsDisabled());
    QCOMPARE(link.heard, (QStringList{"state", "dataSet"})); // inactive -> browse, then everything
    QCOMPARE(states.count(), 1);

    link.heard.clear();
    table.disableControls();
    table.edit();
    table.cancel();
    table.enableControls();
    QCOMPARE(link.heard, QStringList{"dataSet"}); // the state is what it was
}

void TestDataSource::controlsWriteBeforePost()
{
    ClientTable table(QStringLiteral("T"));
    defineFields(table);
    DataSource source;
    source.setDataSet(&table);
    RecordingLink link;
    link.target = &table.fieldByName(QStringLiteral("name"));
    source.addLink(&link);
    QString seenByCheck;
    table.events().beforePost = [&seenByCheck](ClientTable& t) {
        seenByCheck = t.value(QStringLiteral("name")).toString();
    };
    table.createDataSet();
    table.insert();
    link.pending = QStringLiteral("typed");
    table.disableControls(); // a typed value is written even while updates are off
    table.post();
    table.enableControls();
    QCOMPARE(seenByCheck, QStringLiteral("typed"));
    QCOMPARE(table.value(QStringLiteral("name")).toString(), QStringLiteral("typed"));
    QCOMPARE(table.recordCount(), 1);
}

void TestDataSource::stateHandlerRuns()
{
    ClientTable table(QStringLiteral("T"));
    defineFields(table);
    DataSource source;
    QList<TableState> seen;
    source.onStateChange = [&seen](DataSource& s) { seen << s.state(); };
    source.setDataSet(&table);
    table.createDataSet();
    table.insert();
    table.cancel();
    table.edit(); // empty table: insert
    table.cancel();
    table.close();
    QCOMPARE(seen, (QList<TableState>{TableState::Browse, TableState::Insert, TableState::Browse,
                                      TableState::Insert, TableState::Browse, TableState::Inactive}));
}

void TestDataSource::unboundSource()
{
    DataSource source;
    QCOMPARE(source.state(), TableState::Inactive);
    {
        ClientTable table(QStringLiteral("T"));
        defineFields(table);
        source.setDataSet(&table);
        table.createDataSet();
        QCOMPARE(source.state(), TableState::Browse);
    }
    QCOMPARE(source.dataSet(), nullptr); // a destroyed table unbinds itself
    QCOMPARE(source.state(), TableState::Inactive);
}

void TestDataSource::modelColumnsAndHeaders()
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

void TestDataSource::modelFollowsTable()
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

void TestDataSource::modelOutlivesTable()
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

void TestDataSource::modelHearsNewFieldsWhileDisabled()
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

HOURGLEN_TEST_MAIN(TestDataSource)
#include "tst_DataSource.moc"
