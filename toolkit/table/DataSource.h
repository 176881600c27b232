#pragma once

#include "toolkit/table/ClientTable.h"
#include "toolkit/table/TableState.h"

#include <QList>
#include <QObject>

#include <functional>

class DataLink;
class TableField;

// The link between a client table and its data-aware controls. It tells the controls about row,
// state and data changes, holds the counter that disables control updates, and asks every control
// to write its value into the row before a post.
// While control updates are disabled, controls and signals hear nothing but changes of the field
// list; enabling them again reports a state that changed meanwhile and then the whole table as changed.
class DataSource final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DataSource)

public:
    explicit DataSource(QObject* parent = nullptr);
    ~DataSource() override;

    ClientTable* dataSet() const { return m_table; }
    void setDataSet(ClientTable* table);
    // The table's state; inactive without a table.
    TableState state() const;

    void addLink(DataLink* link);
    void removeLink(DataLink* link);

    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return m_disableCount > 0; }

    // Runs on every state change that the controls hear, after they heard it.
    std::function<void(DataSource&)> onStateChange;

signals:
    void stateChanged();
    void dataSetChanged();                      // opened, closed, reordered, rows added or removed
    void layoutChanged();                       // fields added, hidden, moved or relabelled
    void rowChanged();                          // the current row is another one
    void fieldChanged(const TableField* field); // a value of the current row; null: the whole row
    // One row of what a grid shows (ClientTable::viewRowCount) came, went or moved.
    void rowAboutToBeInserted(int row);
    void rowInserted(int row);
    void rowAboutToBeRemoved(int row);
    void rowRemoved(int row);
    void rowMoved(int from, int to);

private:
    friend class ClientTable;
    void tableNotice(ClientTable::Notice notice, const TableField* field, int row, int other);
    void askControlsToWrite();
    void tableDestroyed();
    void announceState();
    void announceDataSet();

    ClientTable* m_table = nullptr;
    QList<DataLink*> m_links;
    int m_disableCount = 0;
    TableState m_stateWhenDisabled = TableState::Inactive;
};
