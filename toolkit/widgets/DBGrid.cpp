#include "toolkit/widgets/DBGrid.h"

#include "toolkit/table/ClientTable.h"
#include "toolkit/table/DataSource.h"
#include "toolkit/table/TableModel.h"
#include "toolkit/widgets/ErrorReport.h"
#include "toolkit/widgets/ImageList.h"
#include "toolkit/widgets/MessageBox.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>

namespace {

constexpr int IndicatorWidth = 12;

// Column titles as buttons, each with the image its grid chooses at its right end.
class TitleHeader final : public QHeaderView
{
public:
    explicit TitleHeader(DBGrid* grid) : QHeaderView(Qt::Horizontal, grid), m_grid(grid)
    {
        setSectionsClickable(true);
        setHighlightSections(false);
        setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override
    {
        painter->save();
        QHeaderView::paintSection(painter, rect, logicalIndex);
        painter->restore();
        const int image = m_grid->titleImageIndex(logicalIndex);
        const ImageList* const images = m_grid->titleImageList();
        if (image < 0 || !images || image >= images->count())
            return;
        const QPixmap pixmap = images->pixmap(image);
        const QSize size = images->size();
        const QRect place(rect.right() - size.width() - 2, rect.top() + (rect.height() - size.height()) / 2,
                          size.width(), size.height());
        painter->drawPixmap(place, pixmap);
    }

    QSize sectionSizeFromContents(int logicalIndex) const override
    {
        QSize size = QHeaderView::sectionSizeFromContents(logicalIndex);
        if (const ImageList* images = m_grid->titleImageList())
            size.rwidth() += images->size().width() + 4;
        return size;
    }

private:
    DBGrid* m_grid;
};

// The row indicator: a pointer at the current row, an I-beam while it is edited, a star while a
// new row is inserted.
class IndicatorHeader final : public QHeaderView
{
public:
    explicit IndicatorHeader(DBGrid* grid) : QHeaderView(Qt::Vertical, grid), m_grid(grid)
    {
        setSectionsClickable(false);
        setFixedWidth(IndicatorWidth);
        setSectionResizeMode(QHeaderView::Fixed);
    }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override
    {
        QStyleOptionHeader option;
        initStyleOption(&option);
        option.rect = rect;
        option.section = logicalIndex;
        style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);
        const TableModel* const model = m_grid->tableModel();
        if (!model || model->currentRow() != logicalIndex)
            return;
        const DataSource* const source = m_grid->dataSource();
        const TableState state = source ? source->state() : TableState::Inactive;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(palette().color(QPalette::WindowText));
        painter->setBrush(palette().color(QPalette::WindowText));
        const QPoint centre = rect.center();
        if (state == TableState::Insert) {
            painter->drawText(rect, Qt::AlignCenter, QStringLiteral("*"));
        } else if (state == TableState::Edit) {
            painter->drawLine(centre.x(), centre.y() - 4, centre.x(), centre.y() + 4);
            painter->drawLine(centre.x() - 2, centre.y() - 4, centre.x() + 2, centre.y() - 4);
            painter->drawLine(centre.x() - 2, centre.y() + 4, centre.x() + 2, centre.y() + 4);
        } else {
            const QPoint arrow[] = {{centre.x() - 2, centre.y() - 4},
                                    {centre.x() + 2, centre.y()},
                                    {centre.x() - 2, centre.y() + 4}};
            painter->drawPolygon(arrow, 3);
        }
        painter->restore();
    }

private:
    DBGrid* m_grid;
};

} // namespace

DBGrid::DBGrid(QWidget* parent) : QTableView(parent)
{
    setHorizontalHeader(new TitleHeader(this));
    setVerticalHeader(new IndicatorHeader(this));
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(true);
    setShowGrid(true);
    setTabKeyNavigation(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The light green background; the selection stays shown when the grid has no focus.
    QPalette colours = palette();
    colours.setColor(QPalette::Base, QColor(192, 220, 192));
    colours.setColor(QPalette::Inactive, QPalette::Highlight,
                     colours.color(QPalette::Active, QPalette::Highlight));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(colours);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &DBGrid::titleClicked);
    setDataSource(nullptr);
}

DBGrid::~DBGrid() = default;

void DBGrid::setDataSource(DataSource* source)
{
    if (m_model && m_source == source)
        return;
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    TableModel* const old = m_model;
    m_model = new TableModel(source, this);
    setModel(m_model);
    delete old;
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        applyColumnWidths();
        followCurrentRow();
    });
    connect(m_model, &QAbstractItemModel::headerDataChanged, this, [this](Qt::Orientation orientation) {
        if (orientation == Qt::Horizontal)
            applyColumnWidths();
    });
    if (source) {
        connect(source, &DataSource::rowChanged, this, &DBGrid::followCurrentRow);
        connect(source, &DataSource::dataSetChanged, this, &DBGrid::followCurrentRow);
        connect(source, &DataSource::rowMoved, this, &DBGrid::followCurrentRow);
        connect(source, &DataSource::rowInserted, this, &DBGrid::followCurrentRow);
        connect(source, &DataSource::rowRemoved, this, &DBGrid::followCurrentRow);
        connect(source, &DataSource::stateChanged, this, [this] {
            horizontalHeader()->viewport()->update(); // the title images follow the state
            verticalHeader()->viewport()->update();
            followCurrentRow();
        });
    }
    applyColumnWidths();
    followCurrentRow();
}

void DBGrid::setTitleImageList(const ImageList* images)
{
    m_titleImages = images;
    horizontalHeader()->viewport()->update();
}

void DBGrid::setCalcTitleImage(CalcTitleImage handler)
{
    m_calcTitleImage = std::move(handler);
    horizontalHeader()->viewport()->update();
}

int DBGrid::titleImageIndex(int column) const
{
    int image = -1;
    const TableField* const field = m_model ? m_model->columnField(column) : nullptr;
    if (field && m_calcTitleImage)
        m_calcTitleImage(*field, image);
    return image;
}

int DBGrid::columnWidthFor(const TableField& field) const
{
    return field.displayWidth() * fontMetrics().averageCharWidth() + 4;
}

int DBGrid::fieldCount() const
{
    return m_model ? m_model->columnCount() : 0;
}

bool DBGrid::rowIndicator() const
{
    return !verticalHeader()->isHidden();
}

int DBGrid::indicatorWidth() const
{
    return rowIndicator() ? verticalHeader()->width() : 0;
}

void DBGrid::applyColumnWidths()
{
    if (!m_model)
        return;
    for (int column = 0; column < m_model->columnCount(); ++column) {
        if (const TableField* field = m_model->columnField(column))
            setColumnWidth(column, columnWidthFor(*field));
    }
}

void DBGrid::followCurrentRow()
{
    if (!m_model || m_following)
        return;
    m_following = true;
    const int row = m_model->currentRow();
    if (row >= 0 && row < m_model->rowCount()) {
        const QModelIndex target = m_model->index(row, std::max(0, currentIndex().column()));
        if (currentIndex().row() != row)
            selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect |
                                                          QItemSelectionModel::Rows);
        else if (!selectionModel()->isRowSelected(row, {}))
            selectionModel()->select(target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(target);
    } else {
        selectionModel()->clearSelection();
    }
    verticalHeader()->viewport()->update();
    m_following = false;
}

void DBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (m_following || !current.isValid() || !m_source)
        return;
    ClientTable* const table = m_source->dataSet();
    if (!table || m_source->state() != TableState::Browse || current.row() == m_model->currentRow())
        return;
    // The user chose another row: the table follows (and the grid back, should it refuse).
    const int row = current.row();
    ErrorReport::guard([table, row] { table->moveTo(row); }, window());
    followCurrentRow();
}

void DBGrid::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete && (event->modifiers() & Qt::ControlModifier) && m_source &&
        m_source->dataSet() && m_source->state() == TableState::Browse && !m_source->dataSet()->isEmpty()) {
        ClientTable* const table = m_source->dataSet();
        if (MessageBox::question(window(), QCoreApplication::applicationName(), tr("Delete record?"),
                                 QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Cancel) == QMessageBox::Ok)
            ErrorReport::guard([table] { table->deleteRecord(); }, window());
        return;
    }
    // Tab on the last column leaves the grid, Shift+Tab on the first one too.
    if (event->key() == Qt::Key_Tab && currentIndex().column() >= m_model->columnCount() - 1) {
        focusNextChild();
        return;
    }
    if (event->key() == Qt::Key_Backtab && currentIndex().column() <= 0) {
        focusPreviousChild();
        return;
    }
    QTableView::keyPressEvent(event);
}

void DBGrid::titleClicked(int section)
{
    if (const TableField* field = m_model ? m_model->columnField(section) : nullptr)
        emit titleButtonClick(field->fieldName());
}
