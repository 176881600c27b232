#include "toolkit/widgets/MessageBox.h"

#include <QList>

namespace {

// The user-interface thread alone shows boxes, so the queue needs no lock.
QList<MessageBox::Button>& queue()
{
    static QList<MessageBox::Button> answers;
    return answers;
}

MessageBox::Request& last()
{
    static MessageBox::Request request;
    return request;
}

int& count()
{
    static int n = 0;
    return n;
}

MessageBox::Button ask(QMessageBox::Icon icon, QWidget* parent, const QString& title, const QString& text,
                       MessageBox::Buttons buttons, MessageBox::Button defaultButton)
{
    last() = {icon, title, text, buttons};
    ++count();
    if (!queue().isEmpty())
        return queue().takeFirst();
    QMessageBox box(icon, title, text, buttons, parent);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    return MessageBox::Button(box.exec());
}

} // namespace

namespace MessageBox {

Button question(QWidget* parent, const QString& title, const QString& text, Buttons buttons,
                Button defaultButton)
{
    return ask(QMessageBox::Question, parent, title, text, buttons, defaultButton);
}

Button warning(QWidget* parent, const QString& title, const QString& text, Buttons buttons,
               Button defaultButton)
{
    return ask(QMessageBox::Warning, parent, title, text, buttons, defaultButton);
}

Button critical(QWidget* parent, const QString& title, const QString& text, Buttons buttons,
                Button defaultButton)
{
    return ask(QMessageBox::Critical, parent, title, text, buttons, defaultButton);
}

Button information(QWidget* parent, const QString& title, const QString& text, Buttons buttons,
                   Button defaultButton)
{
    return ask(QMessageBox::Information, parent, title, text, buttons, defaultButton);
}

void setNextAnswer(Button answer)
{
    queue().append(answer);
}

int pendingAnswers()
{
    return int(queue().size());
}

void clearAnswers()
{
    queue().clear();
}

Request lastRequest()
{
    return last();
}

int requestCount()
{
    return count();
}

} // namespace MessageBox
