#pragma once

#include "toolkit/widgets/FieldDataLink.h"

#include <QPointer>
#include <QTextEdit>

class DataSource;
#include <QDialog>

// A rich-text edit bound to a memo field. What the user writes is stored as Qt rich text (HTML);
// a stored RTF document is shown as its plain text, plain text as it is. Typing into it while the
// table browses starts an edit; the text reaches the field when the row is posted. Its pop-up
// editor, "Edit Rich Text", edits the same text in a larger window.
class DBRichEdit final : public QTextEdit
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DBRichEdit)

public:
    explicit DBRichEdit(QWidget* parent = nullptr);
    ~DBRichEdit() override;

    DataSource* dataSource() const { return m_link.dataSource(); }
    void setDataSource(DataSource* source) { m_link.setDataSource(source); }
    QString dataField() const { return m_link.fieldName(); }
    void setDataField(const QString& name) { m_link.setFieldName(name); }
    bool isDirty() const { return m_dirty; }

    // Opens the pop-up editor (window-modal; the event loop goes on). Its text replaces this one's
    // when the user accepts it.
    void showEditor();
    QDialog* editor() const { return m_editor; }

    // How a stored value is shown: RTF as its plain text, HTML as rich text, anything else as is.
    static void showStored(QTextEdit& edit, const QString& stored);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    void showValue();
    void writeValue();
    void userChanged();
    void editorAccepted();

    FieldDataLink m_link;
    bool m_dirty = false;
    bool m_showing = false;
    QString m_shown = QStringLiteral("\n"); // the stored value shown; never a real one at first
    QPointer<QDialog> m_editor;
};
