#pragma once

#include "toolkit/widgets/FieldDataLink.h"

#include <QLineEdit>

class DataSource;

// A one-line edit bound to a text field. Typing into it while the table browses starts an edit;
// what was typed reaches the field when the row is posted.
class DBEdit final : public QLineEdit
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DBEdit)

public:
    explicit DBEdit(QWidget* parent = nullptr);

    DataSource* dataSource() const { return m_link.dataSource(); }
    void setDataSource(DataSource* source) { m_link.setDataSource(source); }
    QString dataField() const { return m_link.fieldName(); }
    void setDataField(const QString& name) { m_link.setFieldName(name); }
    // Whether the text differs from the field's value by the user's typing.
    bool isDirty() const { return m_dirty; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showValue();
    void writeValue();
    void userEdited(const QString& text);

    FieldDataLink m_link;
    bool m_dirty = false;
};

// Whether a key changes the text of an edit (and so needs the row in edit state first).
bool keyModifiesText(const QKeyEvent* event);
