#include "toolkit/widgets/FileDialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QList>
#include <QPointer>
#include <QSortFilterProxyModel>

namespace {

QList<QString>& queue()
{
    static QList<QString> answers;
    return answers;
}

std::optional<FileDialog::OpenRequest>& last()
{
    static std::optional<FileDialog::OpenRequest> request;
    return request;
}

// Shows folders, and files only when they may be executed, while the dialog's executable filter is
// selected; a name pattern cannot say that.
class ExecutableFilter final : public QSortFilterProxyModel
{
public:
    ExecutableFilter(QFileDialog* dialog, QString filter)
        : QSortFilterProxyModel(dialog), m_dialog(dialog), m_filter(std::move(filter))
    {
        connect(dialog, &QFileDialog::filterSelected, this, [this](const QString&) { invalidateFilter(); });
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override
    {
        if (!m_dialog || m_dialog->selectedNameFilter() != m_filter)
            return true;
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (!files)
            return true;
        const QFileInfo info = files->fileInfo(files->index(row, 0, parent));
        return info.isDir() || info.isExecutable();
    }

private:
    QPointer<QFileDialog> m_dialog;
    QString m_filter;
};

} // namespace

namespace FileDialog {

QString getOpenFileName(QWidget* parent, const OpenRequest& request)
{
    last() = request;
    if (!queue().isEmpty())
        return queue().takeFirst();

    QFileDialog dialog(parent, request.caption, request.directory);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (!request.executableFilter.isEmpty()) {
        // The platform's own dialog takes no proxy model.
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        dialog.setProxyModel(new ExecutableFilter(&dialog, request.executableFilter));
    }
    dialog.setNameFilters(request.filters);
    if (!request.selectedFilter.isEmpty())
        dialog.selectNameFilter(request.selectedFilter);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath();
}

void setNextFileName(const QString& fileName)
{
    queue().append(fileName);
}

int pendingAnswers()
{
    return int(queue().size());
}

void clearAnswers()
{
    queue().clear();
}

std::optional<OpenRequest> lastRequest()
{
    return last();
}

} // namespace FileDialog
