#include "WidgetTables.h"
#include "common/TestMain.h"
#include "toolkit/widgets/DBCheckBox.h"

#include <QSignalSpy>
#include <QTest>

// The data check box: "1" ticked, "0" clear, anything else neither; a click while the table
// browses starts the edit before the box changes.
class TestDBCheckBox : public QObject
{
    Q_OBJECT

private slots:
    void checkBoxStoresOneAndZero();
    void checkBoxClickInBrowseEditsFirst();
};

void TestDBCheckBox::checkBoxStoresOneAndZero()
{
    BoundTable t;
    t.addRow(QStringLiteral("a"), {}, {}, QStringLiteral("1"));
    t.addRow(QStringLiteral("b"), {}, {}, QStringLiteral("0"));
    t.addRow(QStringLiteral("c"), {}, {}, QString(""));
    DBCheckBox box;
    box.setDataSource(&t.source);
    box.setDataField(QStringLiteral("flag"));
    QSignalSpy changes(&box, &DBCheckBox::changed);
    t.table.first();
    QCOMPARE(box.checkState(), Qt::Checked);
    t.table.next();
    QCOMPARE(box.checkState(), Qt::Unchecked);
    t.table.next();
    QCOMPARE(box.checkState(), Qt::PartiallyChecked); // neither "1" nor "0"
    QCOMPARE(changes.count(), 3); // it tells when it shows another state, also while browsing
}

void TestDBCheckBox::checkBoxClickInBrowseEditsFirst()
{
    BoundTable t;
    t.addRow(QStringLiteral("a"), {}, {}, QStringLiteral("0"));
    DBCheckBox box;
    box.setDataSource(&t.source);
    box.setDataField(QStringLiteral("flag"));
    box.show();
    TableState stateWhenChanged = TableState::Inactive;
    connect(&box, &DBCheckBox::changed, this, [&] { stateWhenChanged = t.table.state(); });
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(box.height() / 2, box.height() / 2));
    QCOMPARE(stateWhenChanged, TableState::Edit); // the edit began before the box changed
    QCOMPARE(t.value("flag").toString(), QStringLiteral("1"));
    QTest::keyClick(&box, Qt::Key_Space);
    QCOMPARE(t.value("flag").toString(), QStringLiteral("0"));
    t.table.post();
    QCOMPARE(box.checkState(), Qt::Unchecked);
}

HOURGLEN_TEST_MAIN(TestDBCheckBox)
#include "tst_DBCheckBox.moc"
