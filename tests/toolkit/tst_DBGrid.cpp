#include "WidgetTables.h"
#include "common/TestMain.h"
#include "toolkit/table/TableModel.h"
#include "toolkit/widgets/DBGrid.h"
#include "toolkit/widgets/ImageList.h"
#include "toolkit/widgets/MessageBox.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

// The grid with title buttons: columns from the fields, title clicks, title images, the current
// row followed both ways, and a post that keeps the view where it was.
class TestDBGrid : public QObject
{
    Q_OBJECT

private slots:
    void columnsFromTheFields();
    void titleClickGivesTheFieldName();
    void titleImagesComeFromTheHandler();
    void selectionFollowsTheTable();
    void postKeepsRowSelectionAndScroll();
    void ctrlDeleteAsksFirst();
};

namespace {

void fill(BoundTable& t, int rows)
{
    for (int i = 0; i < rows; ++i)
        t.addRow(QStringLiteral("row%1").arg(i, 3, 10, QLatin1Char('0')));
}

} // namespace

void TestDBGrid::columnsFromTheFields()
{
    BoundTable t;
    t.table.fieldByName(QStringLiteral("note")).setVisible(false);
    t.table.fieldByName(QStringLiteral("flag")).setVisible(false);
    t.table.fieldByName(QStringLiteral("name")).setDisplayLabel(QStringLiteral("Task Name"));
    t.table.fieldByName(QStringLiteral("name")).setDisplayWidth(40);
    DBGrid grid;
    grid.setDataSource(&t.source);
    QAbstractItemModelTester tester(grid.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(grid.fieldCount(), 3);
    QCOMPARE(grid.model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Task Name"));
    QCOMPARE(grid.columnWidth(0), grid.columnWidthFor(t.table.fieldByName(QStringLiteral("name"))));
    QCOMPARE(grid.columnWidth(0), 40 * grid.fontMetrics().averageCharWidth() + 4);
    t.table.fieldByName(QStringLiteral("name")).setDisplayWidth(50); // a header change: widths follow
    QCOMPARE(grid.columnWidth(0), 50 * grid.fontMetrics().averageCharWidth() + 4);
    QCOMPARE(grid.palette().color(QPalette::Base), QColor(192, 220, 192));
    QCOMPARE(grid.selectionBehavior(), QAbstractItemView::SelectRows);
    QVERIFY(grid.rowIndicator());
    QCOMPARE(grid.editTriggers(), QAbstractItemView::NoEditTriggers);
}

void TestDBGrid::titleClickGivesTheFieldName()
{
    BoundTable t;
    DBGrid grid;
    grid.setDataSource(&t.source);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QSignalSpy clicks(&grid, &DBGrid::titleButtonClick);
    QHeaderView* header = grid.horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(2) + 5, header->height() / 2));
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(clicks.first().first().toString(), QStringLiteral("at"));
}

void TestDBGrid::titleImagesComeFromTheHandler()
{
    BoundTable t;
    ImageList images;
    QImage red(16, 16, QImage::Format_ARGB32);
    red.fill(Qt::red);
    images.add(red);
    DBGrid grid;
    grid.setDataSource(&t.source);
    grid.setTitleImageList(&images);
    QCOMPARE(grid.titleImageIndex(0), -1); // no handler: no image
    grid.setCalcTitleImage([](const TableField& field, int& image) {
        if (field.fieldName() == QLatin1String("day"))
            image = 0;
    });
    QCOMPARE(grid.titleImageIndex(0), -1);
    QCOMPARE(grid.titleImageIndex(1), 0);
    // The image is drawn in the title.
    grid.resize(600, 200);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QHeaderView* header = grid.horizontalHeader();
    const QImage shot = header->grab().toImage();
    const int right = header->sectionViewportPosition(1) + header->sectionSize(1) - 2 - 8;
    QCOMPARE(QColor(shot.pixel(right, header->height() / 2)), QColor(Qt::red));
}

void TestDBGrid::selectionFollowsTheTable()
{
    BoundTable t;
    fill(t, 5);
    DBGrid grid;
    grid.setDataSource(&t.source);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    t.table.moveTo(3);
    QCOMPARE(grid.currentIndex().row(), 3);
    QVERIFY(grid.selectionModel()->isRowSelected(3, {}));
    const QRect cell = grid.visualRect(grid.model()->index(1, 0));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(t.table.recNo(), 1);
    t.table.insert(); // shown at the current row's place, selected
    QCOMPARE(grid.model()->rowCount(), 6);
    QCOMPARE(grid.currentIndex().row(), 1);
    t.table.cancel();
    QCOMPARE(grid.model()->rowCount(), 5);
    QCOMPARE(grid.currentIndex().row(), 1);
}

void TestDBGrid::postKeepsRowSelectionAndScroll()
{
    BoundTable t;
    t.table.addIndexDef({QStringLiteral("byName"), {QStringLiteral("name")}, {}, {}});
    t.table.setIndexName(QStringLiteral("byName"));
    fill(t, 100);
    DBGrid grid;
    grid.setDataSource(&t.source);
    grid.resize(400, 200);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QSignalSpy resets(grid.model(), &QAbstractItemModel::modelReset);
    grid.scrollTo(grid.model()->index(60, 0), QAbstractItemView::PositionAtTop);
    t.table.moveTo(62);
    const int scroll = grid.verticalScrollBar()->value();
    QVERIFY(scroll > 0);

    t.table.edit();
    t.table.setValue(QStringLiteral("note"), QStringLiteral("changed"));
    t.table.post();
    QCOMPARE(grid.currentIndex().row(), 62);
    QVERIFY(grid.selectionModel()->isRowSelected(62, {}));
    QCOMPARE(grid.verticalScrollBar()->value(), scroll);

    // A row that moves under the index is followed without a reset.
    t.table.edit();
    t.table.setValue(QStringLiteral("name"), QStringLiteral("row061x"));
    t.table.post();
    QCOMPARE(t.table.recNo(), 62);
    QCOMPARE(grid.currentIndex().row(), 62);
    QCOMPARE(grid.verticalScrollBar()->value(), scroll);
    t.table.insert();
    t.table.setValue(QStringLiteral("name"), QStringLiteral("row0605"));
    t.table.post();
    QCOMPARE(grid.currentIndex().row(), t.table.recNo());
    QCOMPARE(grid.verticalScrollBar()->value(), scroll);
    QCOMPARE(resets.count(), 0);
}

void TestDBGrid::ctrlDeleteAsksFirst()
{
    BoundTable t;
    fill(t, 2);
    DBGrid grid;
    grid.setDataSource(&t.source);
    grid.show();
    MessageBox::setNextAnswer(QMessageBox::Cancel);
    QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(t.table.recordCount(), 2);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(t.table.recordCount(), 1);
    QCOMPARE(MessageBox::lastRequest().text, QStringLiteral("Delete record?"));
}

HOURGLEN_TEST_MAIN(TestDBGrid)
#include "tst_DBGrid.moc"
