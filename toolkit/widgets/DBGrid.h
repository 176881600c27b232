#pragma once

#include <QPointer>
#include <QTableView>

#include <functional>

#include "toolkit/table/DataSource.h"
class ImageList;
class TableField;
class TableModel;

// A data grid whose column titles act as buttons: the table's visible fields as columns, with
// their display labels and widths, a row indicator, whole-row selection that follows the table's
// current row, and an image in each title that the owner chooses. Cells are not edited here.
// Ctrl+Delete deletes the current row after asking "Delete record?".
class DBGrid final : public QTableView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DBGrid)

public:
    // Asked for every column title drawn: the column's field and the image index to show (-1 for
    // none), which the handler may change.
    using CalcTitleImage = std::function<void(const TableField& field, int& imageIndex)>;

    explicit DBGrid(QWidget* parent = nullptr);
    ~DBGrid() override;

    DataSource* dataSource() const { return m_source; }
    void setDataSource(DataSource* source);
    TableModel* tableModel() const { return m_model; }

    const ImageList* titleImageList() const { return m_titleImages; }
    void setTitleImageList(const ImageList* images);
    void setCalcTitleImage(CalcTitleImage handler);
    // The image the title of column shows: the handler's choice; -1 for none.
    int titleImageIndex(int column) const;

    // Column widths in pixels for display widths in characters of the grid's average width.
    int columnWidthFor(const TableField& field) const;
    // The number of fields shown.
    int fieldCount() const;
    bool rowIndicator() const;
    // Width of the row indicator column; 0 without one.
    int indicatorWidth() const;

    // The general-purpose marker of the toolkit's controls (grid fitting sets it to 1).
    int Tag = 0;

signals:
    // A column title was clicked: the column's field name.
    void titleButtonClick(const QString& fieldName);

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void applyColumnWidths();
    void followCurrentRow();
    void titleClicked(int section);

    QPointer<DataSource> m_source;
    TableModel* m_model = nullptr;
    const ImageList* m_titleImages = nullptr;
    CalcTitleImage m_calcTitleImage;
    bool m_following = false;
};
