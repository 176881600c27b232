#include "common/TestMain.h"
#include "core/DataModuleDebug.h"
#include "core/DebugCallStack.h"
#include "support/AlterGrid.h"
#include "toolkit/base/Exception.h"
#include "toolkit/table/ClientTable.h"
#include "toolkit/table/DataSource.h"
#include "toolkit/widgets/DBGrid.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyle>
#include <QTableView>
#include <QTest>

// Grid width fitting for the plain grid (kind 0) and the grid with title buttons (kind 1).
class TestAlterGrid : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void titleButtonGrid_data();
    void titleButtonGrid();
    void fittedOnce();
    void plainGridWidensUntilItsBarGoes();
    void plainGridWithWrongAllowanceStops();
    void hiddenPlainGridIsNotFitted();
    void otherKindOnlyTraces();
    void wrongKindIsRefused_data();
    void wrongKindIsRefused();

private:
    std::unique_ptr<TCallStackInstance> m_stack;
    std::unique_ptr<TDataModule_Debug> m_debug;
    QStringList m_lines;
};

namespace {

PacketField textField(const QString& name)
{
    PacketField field;
    field.name = name;
    field.typeWord = QStringLiteral("string");
    field.kind = FieldKind::String;
    field.size = 20;
    return field;
}

// A title-button grid over a table of the given number of shown fields, with fixed column widths.
struct TitleGrid
{
    explicit TitleGrid(int fields)
    {
        for (int i = 0; i < fields; ++i)
            table.addField(textField(QStringLiteral("f%1").arg(i)));
        source.setDataSet(&table);
        table.createDataSet();
        grid.setObjectName(QStringLiteral("wwDBGrid1"));
        grid.setDataSource(&source);
        grid.setFrameShape(QFrame::Box);
        grid.setFrameShadow(QFrame::Plain);
        grid.setLineWidth(2);
        grid.resize(300, 150);
        for (int i = 0; i < fields; ++i)
            grid.setColumnWidth(i, 100 - 50 * (i % 2)); // 100, 50, 100, ...
    }

    ClientTable table{QStringLiteral("T")};
    DataSource source;
    DBGrid grid;
};

int barExtent(const QAbstractScrollArea& area)
{
    return area.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, area.verticalScrollBar());
}

} // namespace

void TestAlterGrid::init()
{
    m_stack = std::make_unique<TCallStackInstance>();
    m_debug = std::make_unique<TDataModule_Debug>(QStringList());
    m_lines.clear();
    connect(m_debug.get(), &TDataModule_Debug::lineHanded, this,
            [this](const QString& line) { m_lines << line.trimmed(); });
}

void TestAlterGrid::cleanup()
{
    m_debug.reset();
    m_stack.reset();
}

void TestAlterGrid::titleButtonGrid_data()
{
    QTest::addColumn<int>("fields");
    QTest::addColumn<bool>("indicator");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<int>("columns");        // the widths of the columns and their lines
    QTest::addColumn<int>("parentOverhang"); // parent width minus the fitted width
    QTest::addColumn<int>("left");

    QTest::newRow("indicator and four fields") << 4 << true << true << (100 + 50 + 100 + 50 + 4) << 100 << 50;
    QTest::newRow("indicator and one field: no line pixel") << 1 << true << true << 100 << 10 << 5;
    QTest::newRow("no indicator, two fields") << 2 << false << true << (100 + 50 + 2) << 11 << 5;
    QTest::newRow("hidden grid is fitted too") << 2 << true << false << (100 + 50 + 2) << 0 << 0;
    QTest::newRow("narrow parent: negative left halves toward zero")
        << 2 << true << true << (100 + 50 + 2) << -25 << -12;
}

void TestAlterGrid::titleButtonGrid()
{
    QFETCH(int, fields);
    QFETCH(bool, indicator);
    QFETCH(bool, shown);
    QFETCH(int, columns);
    QFETCH(int, parentOverhang);
    QFETCH(int, left);
    TitleGrid t(fields);
    t.grid.verticalHeader()->setVisible(indicator);
    if (shown)
        t.grid.show();
    const int a = 4; // a frame of two pixels on each side
    const int b = a + barExtent(t.grid);
    const int expected = a + b + (indicator ? 12 : 0) + columns;
    AlterGridWidth(&t.grid, 0, true, expected + parentOverhang, gkTitleButtons);
    QCOMPARE(t.grid.width(), expected);
    QCOMPARE(t.grid.x(), left);
    QCOMPARE(t.grid.Tag, 1);
    QCOMPARE(t.grid.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn); // the bar stays shown
    QCOMPARE(m_lines, (QStringList{"BEG    AlterGridWidth wwDBGrid1", "END    AlterGridWidth wwDBGrid1"}));
}

void TestAlterGrid::fittedOnce()
{
    TitleGrid t(2);
    AlterGridWidth(&t.grid, 0, false, 1000, gkTitleButtons);
    const QRect fitted = t.grid.geometry();
    t.grid.setColumnWidth(0, 300);
    AlterGridWidth(&t.grid, 0, true, 1000, gkTitleButtons);
    QCOMPARE(t.grid.geometry(), fitted);
}

void TestAlterGrid::plainGridWidensUntilItsBarGoes()
{
    QWidget parent;
    parent.resize(900, 400);
    QTableView grid(&parent);
    QStandardItemModel model(3, 3);
    grid.setModel(&model);
    for (int column = 0; column < 3; ++column)
        grid.setColumnWidth(column, 120);
    grid.setGeometry(10, 10, 200, 200);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    QTRY_VERIFY(grid.horizontalScrollBar()->isVisible());

    AlterGridWidth(&grid, 2 * grid.frameWidth(), true, parent.width(), gkStandard);
    QVERIFY(!grid.horizontalScrollBar()->isVisible());
    QCOMPARE(grid.property("Tag").toInt(), 1);
    // Just wide enough for the columns (the bar may go one resize late), and two pixels more.
    const int needed = 2 * grid.frameWidth() + grid.verticalHeader()->width() + 3 * 120;
    QVERIFY2(grid.width() >= needed + 2 && grid.width() <= needed + 3,
             qPrintable(QString::number(grid.width())));
    QCOMPARE(grid.x(), (parent.width() - grid.width()) / 2);
}

void TestAlterGrid::plainGridWithWrongAllowanceStops()
{
    QWidget parent;
    parent.resize(500, 300);
    QTableView grid(&parent);
    grid.setGeometry(0, 0, 100, 100);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    // An allowance that never matches the frame: the widening stops at the parent's width.
    AlterGridWidth(&grid, 1000, false, 400, gkStandard);
    QCOMPARE(grid.width(), 402);
}

void TestAlterGrid::hiddenPlainGridIsNotFitted()
{
    QTableView grid;
    grid.resize(100, 100);
    AlterGridWidth(&grid, 2, true, 400, gkStandard);
    QCOMPARE(grid.width(), 100);
    QCOMPARE(grid.property("Tag").toInt(), 0);
}

void TestAlterGrid::otherKindOnlyTraces()
{
    TitleGrid t(2);
    const QRect before = t.grid.geometry();
    AlterGridWidth(&t.grid, 0, true, 1000, 2);
    QCOMPARE(t.grid.geometry(), before);
    QCOMPARE(t.grid.Tag, 0);
    QCOMPARE(m_lines, (QStringList{"BEG    AlterGridWidth wwDBGrid1", "END    AlterGridWidth wwDBGrid1"}));
}

void TestAlterGrid::wrongKindIsRefused_data()
{
    QTest::addColumn<bool>("titleGrid");
    QTest::addColumn<int>("kind");
    QTest::newRow("plain grid as kind 1") << false << 1;
    QTest::newRow("title-button grid as kind 0") << true << 0;
}

void TestAlterGrid::wrongKindIsRefused()
{
    QFETCH(bool, titleGrid);
    QFETCH(int, kind);
    TitleGrid t(2);
    QTableView plain;
    plain.setObjectName(QStringLiteral("DBGrid1"));
    QWidget* grid = titleGrid ? static_cast<QWidget*>(&t.grid) : &plain;
    QWidget parent;
    grid->setParent(&parent);
    grid->resize(123, 80);
    parent.show();
    QVERIFY_THROWS_EXCEPTION(Exception, AlterGridWidth(grid, 2, true, 1000, kind));
    QCOMPARE(grid->width(), 123);
    QCOMPARE(grid->x(), 0);
    // The block stays open: the error left the routine before its end.
    QCOMPARE(m_lines, QStringList{"BEG    AlterGridWidth " + grid->objectName()});
    grid->setParent(nullptr);
}

HOURGLEN_TEST_MAIN(TestAlterGrid)
#include "tst_AlterGrid.moc"
