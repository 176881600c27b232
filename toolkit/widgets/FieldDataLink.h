#pragma once

#include "toolkit/table/DataLink.h"
#include "toolkit/table/TableState.h"

#include <QPointer>
#include <QString>
#include <QVariant>

#include <functional>

class ClientTable;
#include "toolkit/table/DataSource.h"
class QWidget;

// The link of a single-field control to its data source: which field it shows, when it must show
// it again, and when it must write what the user changed. Owned by its control.
class FieldDataLink final : public DataLink
{
public:
    explicit FieldDataLink(QWidget* control);
    ~FieldDataLink() override;
    Q_DISABLE_COPY_MOVE(FieldDataLink)

    DataSource* dataSource() const { return m_source; }
    void setDataSource(DataSource* source);
    const QString& fieldName() const { return m_fieldName; }
    void setFieldName(const QString& name);

    ClientTable* table() const;
    TableState state() const;
    // The bound field of an open table; null otherwise.
    TableField* field() const;
    // The field's value in the current row; null when there is none.
    QVariant value() const;
    bool editing() const { return state() == TableState::Edit || state() == TableState::Insert; }

    // Puts the table into edit state when it browses (on a table without rows: a new row), so that
    // the control may change its field; an error is reported. False when the field cannot change.
    bool edit();
    // Writes value into the field; errors propagate.
    void write(const QVariant& value);

    // Called when the control must show its field's value anew.
    std::function<void()> onShow;
    // Called when a post is about to run: the control writes what the user changed.
    std::function<void()> onWrite;

    void dataSetChanged() override { show(); }
    void rowChanged() override { show(); }
    void stateChanged() override { show(); }
    void dataChanged(const TableField* field) override;
    void updateRecord() override;

private:
    void show();

    QWidget* m_control;
    QPointer<DataSource> m_source;
    QString m_fieldName;
    bool m_writing = false;
};
