#include "toolkit/widgets/DBRichEdit.h"

#include "toolkit/widgets/DBEdit.h"
#include "toolkit/widgets/RtfText.h"

#include <QContextMenuEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QMenu>
#include <QVBoxLayout>

DBRichEdit::DBRichEdit(QWidget* parent) : QTextEdit(parent), m_link(this)
{
    setAcceptRichText(true);
    setTextInteractionFlags(Qt::TextEditorInteraction); // no link detection
    // The selection stays visible when the edit loses the focus.
    QPalette colours = palette();
    colours.setColor(QPalette::Inactive, QPalette::Highlight,
                     colours.color(QPalette::Active, QPalette::Highlight));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(colours);
    m_link.onShow = [this] { showValue(); };
    m_link.onWrite = [this] { writeValue(); };
    connect(this, &QTextEdit::textChanged, this, &DBRichEdit::userChanged);
    showValue();
}

DBRichEdit::~DBRichEdit()
{
    delete m_editor;
}

void DBRichEdit::showStored(QTextEdit& edit, const QString& stored)
{
    const QStringView head = QStringView(stored).trimmed().left(20);
    if (RtfText::isRtf(stored))
        edit.setPlainText(RtfText::toPlainText(stored));
    else if (head.startsWith(QLatin1String("<!DOCTYPE HTML"), Qt::CaseInsensitive) ||
             head.startsWith(QLatin1String("<html"), Qt::CaseInsensitive))
        edit.setHtml(stored);
    else
        edit.setPlainText(stored);
}

void DBRichEdit::showValue()
{
    const QVariant value = m_link.value();
    const QString stored = value.isValid() ? value.toString() : QString();
    // The same value again keeps the user's cursor (an edit that starts shows the row anew).
    if (stored == m_shown && !m_dirty)
        return;
    m_showing = true;
    showStored(*this, stored);
    m_showing = false;
    m_shown = stored;
    m_dirty = false;
}

void DBRichEdit::writeValue()
{
    if (!m_dirty)
        return;
    try {
        m_link.write(document()->isEmpty() ? QVariant() : QVariant(toHtml()));
    } catch (...) {
        setFocus(Qt::OtherFocusReason);
        throw;
    }
    m_dirty = false;
    const QVariant stored = m_link.value();
    m_shown = stored.isValid() ? stored.toString() : QString();
}

void DBRichEdit::userChanged()
{
    if (m_showing)
        return;
    if (!m_link.editing()) {
        // A change that came without a key (drag and drop, say): keep it and start the edit.
        const QString html = toHtml();
        if (!m_link.edit()) {
            showValue();
            return;
        }
        m_showing = true;
        setHtml(html);
        m_showing = false;
    }
    m_dirty = true;
}

void DBRichEdit::keyPressEvent(QKeyEvent* event)
{
    if ((keyModifiesText(event) || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
         event->key() == Qt::Key_Tab) &&
        !isReadOnly() && !m_link.editing()) {
        if (!m_link.edit()) {
            event->accept();
            return;
        }
    }
    QTextEdit::keyPressEvent(event);
}

void DBRichEdit::insertFromMimeData(const QMimeData* source)
{
    if (!m_link.editing() && !m_link.edit())
        return;
    QTextEdit::insertFromMimeData(source);
}

void DBRichEdit::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createStandardContextMenu(event->pos());
    menu->addSeparator();
    QAction* open = menu->addAction(tr("Edit Rich Text..."));
    open->setObjectName(QStringLiteral("editRichText"));
    connect(open, &QAction::triggered, this, &DBRichEdit::showEditor);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void DBRichEdit::mouseDoubleClickEvent(QMouseEvent* event)
{
    // A double click with Ctrl opens the larger editor; a plain one selects a word, as usual.
    if (event->modifiers() & Qt::ControlModifier) {
        showEditor();
        return;
    }
    QTextEdit::mouseDoubleClickEvent(event);
}

void DBRichEdit::showEditor()
{
    if (m_editor) {
        m_editor->raise();
        return;
    }
    auto* dialog = new QDialog(window());
    dialog->setObjectName(QStringLiteral("RichEditDialog"));
    dialog->setWindowTitle(tr("Edit Rich Text"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(dialog);
    auto* edit = new QTextEdit(dialog);
    edit->setObjectName(QStringLiteral("RichEditDialog_Edit"));
    edit->setAcceptRichText(true);
    edit->setDocument(document()->clone(edit));
    layout->addWidget(edit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->setObjectName(QStringLiteral("RichEditDialog_Buttons"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    connect(dialog, &QDialog::accepted, this, &DBRichEdit::editorAccepted);
    dialog->resize(520, 360);
    m_editor = dialog;
    dialog->open();
}

void DBRichEdit::editorAccepted()
{
    const auto* edit =
        m_editor ? m_editor->findChild<QTextEdit*>(QStringLiteral("RichEditDialog_Edit")) : nullptr;
    if (!edit)
        return;
    const QString html = edit->document()->isEmpty() ? QString() : edit->toHtml();
    if (!m_link.editing() && !m_link.edit())
        return;
    m_showing = true;
    if (html.isEmpty())
        clear();
    else
        setHtml(html);
    m_showing = false;
    m_dirty = true;
}
