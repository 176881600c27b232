#include "TestTables.h"
#include "common/TestMain.h"
#include "toolkit/table/ClientTable.h"
#include "toolkit/table/DataLink.h"
#include "toolkit/table/DataSource.h"

#include <QSignalSpy>
#include <QTest>

using namespace TestTables;

// The data source between a table and its controls.
class TestDataSource : public QObject
{
    Q_OBJECT

private slots:
    void controlsHearChanges();
    void disabledControlsHearNothing();
    void controlsWriteBeforePost();
    void stateHandlerRuns();
    void unboundSource();
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

HOURGLEN_TEST_MAIN(TestDataSource)
#include "tst_DataSource.moc"
