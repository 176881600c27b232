#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QPointer>

#include <functional>

class DataSource;
class TableField;

// The rows of a data source's table as a grid sees them: the visible fields as columns in their
// position order, with their display labels as headers; the row being inserted at its place.
// It tells the view about each row that comes, goes, moves or changes, and resets only when the
// whole content changes (open, close, a new order), so that a view keeps its current row, selection
// and scroll position across a post.
class TableModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TableModel)

public:
    // How a value appears in a cell; the default is the value's own text.
    using Formatter = std::function<QString(const TableField& field, const QVariant& value)>;

    explicit TableModel(DataSource* source, QObject* parent = nullptr);

    void setFormatter(Formatter formatter);
    TableField* columnField(int column) const;
    // The grid row of the table's current row; -1 when none.
    int currentRow() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The column of a field; -1 when the grid does not show it.
    int fieldColumn(const TableField* field) const;

private:
    void rebuild();
    void fieldsChanged();
    QList<TableField*> visibleFields() const;
    void currentValueChanged(const TableField* field);
    void rowAboutToBeInserted(int row);
    void rowInserted(int row);
    void rowAboutToBeRemoved(int row);
    void rowRemoved(int row);
    void rowMoved(int from, int to);
    void currentRowChanged();

    QPointer<DataSource> m_source;
    Formatter m_formatter;
    QList<TableField*> m_columns;
    int m_rows = 0;
    int m_pending = -1; // the row announced and not yet inserted or removed
};
