#include "toolkit/widgets/DBEdit.h"

#include <QKeyEvent>

bool keyModifiesText(const QKeyEvent* event)
{
    if (event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut) ||
        event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo) ||
        event->matches(QKeySequence::DeleteEndOfWord) || event->matches(QKeySequence::DeleteStartOfWord))
        return true;
    switch (event->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        return true;
    default:
        break;
    }
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const QString text = event->text();
    return !text.isEmpty() && text.at(0).isPrint();
}

DBEdit::DBEdit(QWidget* parent) : QLineEdit(parent), m_link(this)
{
    m_link.onShow = [this] { showValue(); };
    m_link.onWrite = [this] { writeValue(); };
    connect(this, &QLineEdit::textEdited, this, &DBEdit::userEdited);
    showValue();
}

void DBEdit::showValue()
{
    const QVariant value = m_link.value();
    const QString shown = value.isValid() ? value.toString() : QString();
    // The same text again keeps the user's cursor (an edit that starts shows the row anew).
    if (shown != text() || m_dirty) {
        setText(shown);
        setCursorPosition(0);
    }
    m_dirty = false;
}

void DBEdit::writeValue()
{
    if (!m_dirty)
        return;
    try {
        m_link.write(text().isEmpty() ? QVariant() : QVariant(text()));
    } catch (...) {
        // The post stops here: the user corrects the value in this control.
        setFocus(Qt::OtherFocusReason);
        throw;
    }
    m_dirty = false;
}

void DBEdit::keyPressEvent(QKeyEvent* event)
{
    // The row goes into edit state before the key changes the text, so the text is not shown anew
    // from the field under the user's fingers.
    if (keyModifiesText(event) && !isReadOnly() && !m_link.editing()) {
        if (!m_link.edit()) {
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void DBEdit::userEdited(const QString& text)
{
    if (!m_link.editing()) {
        // A change that came without a key (a drop, the context menu): start the edit now and keep
        // what the user made.
        const int cursor = cursorPosition();
        if (!m_link.edit()) {
            showValue();
            return;
        }
        setText(text);
        setCursorPosition(cursor);
    }
    m_dirty = true;
}
