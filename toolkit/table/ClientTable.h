#pragma once

#include "toolkit/table/IndexDef.h"
#include "toolkit/table/TableField.h"
#include "toolkit/table/TablePacket.h"
#include "toolkit/table/TableState.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

class DataSource;

// An in-memory client table: field objects, stored rows with their change states and the change
// log (as a TablePacket keeps them), a current row, states, events, named indexes, and a file that
// it reads on open and writes on close through the codec it is given.
// The current rows are the stored rows without the bits Original, Deleted and Unused, in the order
// of the current index (or in the order in which their first versions were stored, without one).
// Errors are Exception, their messages preceded by the component name and ": ".
class ClientTable final
{
public:
    using Event = std::function<void(ClientTable&)>;

    // Handlers run on the user-interface thread; one that throws aborts what it precedes
    // (a throwing beforePost leaves the table in its edit or insert state).
    struct Events
    {
        Event beforeOpen, afterOpen, beforeClose, afterClose;
        Event beforeInsert, afterInsert, beforeEdit, afterEdit;
        Event beforePost, afterPost, beforeCancel, afterCancel;
        Event beforeDelete, afterDelete, afterScroll;
    };

    explicit ClientTable(QString componentName = {});
    ~ClientTable(); // closes the table, writing it under the save rule; a failed write is only logged
    Q_DISABLE_COPY_MOVE(ClientTable)

    const QString& componentName() const { return m_componentName; }
    void setComponentName(const QString& name) { m_componentName = name; }
    const QString& fileName() const { return m_fileName; }
    void setFileName(const QString& fileName) { m_fileName = fileName; }
    void setCodec(std::shared_ptr<const TableCodec> codec) { m_codec = std::move(codec); }

    Events& events() { return m_events; }

    // Field objects, in field order. They survive closing; defining them needs a closed table.
    TableField& addField(const PacketField& definition, const QString& componentName = {});
    void clearFields();
    int fieldCount() const { return int(m_fields.size()); }
    TableField& field(int index) const { return *m_fields.at(std::size_t(index)); }
    TableField* findField(const QString& name) const; // letter case does not matter
    TableField& fieldByName(const QString& name) const;
    QList<TableField*> fields() const;
    QList<TableField*> displayFields() const; // in position order
    int fieldIndex(const TableField& field) const;
    int fieldPosition(const TableField& field) const;
    void moveField(TableField& field, int position);

    // Index definitions live as long as the table object, across closes.
    QList<IndexDef>& indexDefs() { return m_indexDefs; }
    const QList<IndexDef>& indexDefs() const { return m_indexDefs; }
    void addIndexDef(const IndexDef& definition);
    const IndexDef* findIndexDef(const QString& name) const; // exact name
    const QString& indexName() const { return m_indexName; }
    void setIndexName(const QString& name); // empty: stored order; keeps the current row

    TableState state() const { return m_state; }
    bool active() const { return m_state != TableState::Inactive; }
    void open();          // reads the file
    void createDataSet(); // opens new and empty with the defined fields
    void close();         // writes the file when changed or missing; throws when that fails
    // Whether an insert, a modification or a deletion was posted since the last open or create.
    bool changed() const { return m_changed; }

    int recordCount() const { return int(m_order.size()); }
    bool isEmpty() const { return m_order.isEmpty(); }
    int recNo() const { return m_cursor; } // 0-based place of the current row; -1 when none
    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }
    void first();
    void next();
    void prior();
    void last();
    void moveTo(int recordIndex);

    void insert();
    void edit();
    void post();
    void cancel();
    void deleteRecord();
    bool modified() const { return m_modified; } // a value was set since the edit or insert began

    QVariant fieldValue(const TableField& field) const;
    void setFieldValue(TableField& field, const QVariant& value);
    QVariant value(const QString& fieldName) const { return fieldValue(fieldByName(fieldName)); }
    void setValue(const QString& fieldName, const QVariant& value)
    {
        setFieldValue(fieldByName(fieldName), value);
    }

    // What a grid shows: the current rows, plus the row being inserted at its place.
    int viewRowCount() const;
    int viewCurrentRow() const;
    QVariant viewValue(int row, int fieldIndex) const;

    const QList<PacketRow>& storedRows() const { return m_rows; }
    const QList<uint>& changeLog() const { return m_changeLog; }
    TablePacket packet() const;

    // Control updates of every bound data source, counted.
    void disableControls();
    void enableControls();

    // For TableField, after a presentation change.
    void fieldLayoutChanged();

private:
    friend class DataSource;
    enum class Notice
    {
        DataSetChanged,
        RowChanged,
        StateChanged,
        FieldChanged,
        LayoutChanged,
        // One grid row, so that a view keeps its current row, selection and scroll position:
        RowAboutToBeInserted, // at row, before the table changes
        RowInserted,
        RowAboutToBeRemoved, // at row, before the table changes
        RowRemoved,
        RowMoved // from row to other, after the table changed
    };

    [[noreturn]] void fail(const QString& message) const;
    void checkActive() const;
    void checkInactive() const;
    void checkBrowseMode();
    void setState(TableState state);
    void activate();
    void release();
    void loadPacket(TablePacket packet);
    void writeFile(const QByteArray& bytes) const;
    void rebuildOrder(int keepStored);
    int storedIndexAt(int recordIndex) const { return m_order.at(recordIndex); }
    QVariant coerce(const TableField& field, const QVariant& value) const;
    void scrolled();

    void attach(DataSource* source);
    void detach(DataSource* source);
    void notify(Notice notice, const TableField* field = nullptr, int row = -1, int other = -1);
    void notifyRow(Notice notice, int row, int other = -1) { notify(notice, nullptr, row, other); }
    // Sets the state and tells about it after the row notices, so that nobody sees a state whose
    // rows the grid does not show yet.
    void finishState(TableState state, TableState before);
    void askControlsToWrite();

    QString m_componentName;
    QString m_fileName;
    std::shared_ptr<const TableCodec> m_codec;
    Events m_events;

    std::vector<std::unique_ptr<TableField>> m_fields;
    QList<TableField*> m_displayOrder;
    QList<IndexDef> m_indexDefs;
    QString m_indexName;

    TableState m_state = TableState::Inactive;
    QList<PacketRow> m_rows;
    QList<int> m_rootOf; // per stored row: the stored row its first version was
    QList<uint> m_changeLog;
    QList<PacketParam> m_params;
    QList<int> m_order; // stored index of each current row, in view order
    int m_cursor = -1;
    bool m_eof = true;
    bool m_bof = true;
    bool m_changed = false;

    QList<QVariant> m_buffer; // the row being edited or inserted
    bool m_modified = false;
    int m_insertAt = 0;

    QList<DataSource*> m_sources;
};
