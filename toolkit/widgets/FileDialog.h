#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

// The file-open dialog, as one seam: a test queues the next file name (or a dismissal) before the
// dialog would open; otherwise the real dialog shows.
namespace FileDialog {

struct OpenRequest
{
    QString caption;
    QString directory;   // where the dialog starts
    QString fileName;    // the name preselected in the dialog; empty for none
    QStringList filters; // "Text (*.txt)" and the like, in order
    QString selectedFilter;
    // The entry of filters that lists only files the user may execute (and folders); empty for none.
    QString executableFilter;
};

// The chosen file's absolute path; empty when the user dismissed the dialog.
QString getOpenFileName(QWidget* parent, const OpenRequest& request);

// Queues the answer of the next dialog: a path, or an empty text for a dismissed dialog.
void setNextFileName(const QString& fileName);
int pendingAnswers();
void clearAnswers();
// What the last dialog was asked to show; nothing before the first one.
std::optional<OpenRequest> lastRequest();

} // namespace FileDialog
