#pragma once

class TableField;

// A data-aware control as its data source sees it. Every call runs on the user-interface thread.
class DataLink
{
public:
    virtual ~DataLink() = default;

    // The table was opened, closed, reordered or reloaded: show everything anew.
    virtual void dataSetChanged() {}
    // The current row is another one.
    virtual void rowChanged() {}
    // The table's state changed (browse, edit, insert, inactive).
    virtual void stateChanged() {}
    // A value of the current row changed; field is null when the whole row changed.
    virtual void dataChanged(const TableField* /*field*/) {}
    // A post is about to run: write the value being edited into the row.
    virtual void updateRecord() {}
};
