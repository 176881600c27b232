#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// The message boxes of the program, as one seam: a test queues the next answers before the box
// would open, and gets them back in order without any window; otherwise the real box shows.
namespace MessageBox {

using Button = QMessageBox::StandardButton;
using Buttons = QMessageBox::StandardButtons;

// What the last box asked, answered or shown.
struct Request
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QString text;
    Buttons buttons;
};

Button question(QWidget* parent, const QString& title, const QString& text, Buttons buttons,
                Button defaultButton = QMessageBox::NoButton);
Button warning(QWidget* parent, const QString& title, const QString& text, Buttons buttons = QMessageBox::Ok,
               Button defaultButton = QMessageBox::NoButton);
Button critical(QWidget* parent, const QString& title, const QString& text, Buttons buttons = QMessageBox::Ok,
                Button defaultButton = QMessageBox::NoButton);
Button information(QWidget* parent, const QString& title, const QString& text,
                   Buttons buttons = QMessageBox::Ok, Button defaultButton = QMessageBox::NoButton);

// Queues the answer of the next box; each queued answer is used once, in order.
void setNextAnswer(Button answer);
// Answers still queued (a test that queued more than it used has a fault).
int pendingAnswers();
void clearAnswers();
Request lastRequest();
// How many boxes asked since the program started (answered by the queue or by the user).
int requestCount();

} // namespace MessageBox
