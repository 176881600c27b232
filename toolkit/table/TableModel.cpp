#include "toolkit/table/TableModel.h"

#include "toolkit/table/DataSource.h"

TableModel::TableModel(DataSource* source, QObject* parent) : QAbstractTableModel(parent), m_source(source)
{
    if (source) {
        connect(source, &DataSource::dataSetChanged, this, &TableModel::rebuild);
        connect(source, &DataSource::layoutChanged, this, &TableModel::fieldsChanged);
        connect(source, &DataSource::stateChanged, this, &TableModel::currentRowChanged);
        connect(source, &DataSource::rowChanged, this, &TableModel::currentRowChanged);
        connect(source, &DataSource::fieldChanged, this, &TableModel::currentValueChanged);
        connect(source, &DataSource::rowAboutToBeInserted, this, &TableModel::rowAboutToBeInserted);
        connect(source, &DataSource::rowInserted, this, &TableModel::rowInserted);
        connect(source, &DataSource::rowAboutToBeRemoved, this, &TableModel::rowAboutToBeRemoved);
        connect(source, &DataSource::rowRemoved, this, &TableModel::rowRemoved);
        connect(source, &DataSource::rowMoved, this, &TableModel::rowMoved);
        connect(source, &QObject::destroyed, this, &TableModel::rebuild);
    }
    rebuild();
}

void TableModel::setFormatter(Formatter formatter)
{
    m_formatter = std::move(formatter);
    if (m_rows > 0 && !m_columns.isEmpty())
        emit dataChanged(index(0, 0), index(m_rows - 1, int(m_columns.size()) - 1), {Qt::DisplayRole});
}

QList<TableField*> TableModel::visibleFields() const
{
    QList<TableField*> columns;
    ClientTable* const table = m_source ? m_source->dataSet() : nullptr;
    if (table) {
        for (TableField* field : table->displayFields()) {
            if (field->visible())
                columns.append(field);
        }
    }
    return columns;
}

void TableModel::rebuild()
{
    // The shape of the table is taken anew each time, so the model never reads a row the table lost.
    beginResetModel();
    m_columns = visibleFields();
    m_rows = 0;
    ClientTable* const table = m_source ? m_source->dataSet() : nullptr;
    if (table && table->active())
        m_rows = table->viewRowCount();
    endResetModel();
}

void TableModel::fieldsChanged()
{
    // A new label or width on the same columns is only a header change; anything else is a new shape.
    if (visibleFields() != m_columns) {
        rebuild();
        return;
    }
    if (!m_columns.isEmpty())
        emit headerDataChanged(Qt::Horizontal, 0, int(m_columns.size()) - 1);
}

void TableModel::rowAboutToBeInserted(int row)
{
    m_pending = std::clamp(row, 0, m_rows);
    beginInsertRows({}, m_pending, m_pending);
}

void TableModel::rowInserted(int)
{
    if (m_pending < 0)
        return;
    m_pending = -1;
    ++m_rows;
    endInsertRows();
}

void TableModel::rowAboutToBeRemoved(int row)
{
    if (row < 0 || row >= m_rows)
        return;
    m_pending = row;
    beginRemoveRows({}, row, row);
}

void TableModel::rowRemoved(int)
{
    if (m_pending < 0)
        return;
    m_pending = -1;
    --m_rows;
    endRemoveRows();
}

void TableModel::rowMoved(int from, int to)
{
    if (from < 0 || to < 0 || from >= m_rows || to >= m_rows || from == to)
        return;
    // Qt counts the destination before the move: one past the target when moving down.
    if (beginMoveRows({}, from, from, {}, to > from ? to + 1 : to))
        endMoveRows();
}

void TableModel::currentRowChanged()
{
    // The row indicator shows the current row and the table's state.
    if (m_rows > 0)
        emit headerDataChanged(Qt::Vertical, 0, m_rows - 1);
}

void TableModel::currentValueChanged(const TableField* field)
{
    const int row = currentRow();
    if (row < 0 || row >= m_rows)
        return;
    for (int column = 0; column < m_columns.size(); ++column) {
        if (!field || m_columns.at(column) == field) {
            const QModelIndex cell = index(row, column);
            emit dataChanged(cell, cell);
        }
    }
}

TableField* TableModel::columnField(int column) const
{
    return column >= 0 && column < m_columns.size() ? m_columns.at(column) : nullptr;
}

int TableModel::fieldColumn(const TableField* field) const
{
    for (int column = 0; column < m_columns.size(); ++column) {
        if (m_columns.at(column) == field)
            return column;
    }
    return -1;
}

int TableModel::currentRow() const
{
    ClientTable* const table = m_source ? m_source->dataSet() : nullptr;
    return table && table->active() ? table->viewCurrentRow() : -1;
}

int TableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int TableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant TableModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    ClientTable* const table = m_source ? m_source->dataSet() : nullptr;
    if (!table)
        return {};
    const TableField& field = *m_columns.at(index.column());
    const QVariant value = table->viewValue(index.row(), field.index());
    switch (role) {
    case Qt::DisplayRole:
        if (!value.isValid())
            return QString();
        return m_formatter ? m_formatter(field, value) : value.toString();
    case Qt::EditRole:
        return value;
    case Qt::ToolTipRole: // the cell's hint: its whole text, which a narrow column cuts off
        if (!value.isValid())
            return {};
        return m_formatter ? m_formatter(field, value) : value.toString();
    default:
        return {};
    }
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return m_columns.at(section)->displayLabel();
    return {};
}

Qt::ItemFlags TableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
