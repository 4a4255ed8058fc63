#include "Wisplet/Base/FileChooserDialog.h"

#include <QAbstractItemView>
#include <QFileSystemModel>
#include <QListView>
#include <QTreeView>

FileChooserDialog::FileChooserDialog(QWidget* parent)
    : QFileDialog(parent)
{
    setOption(QFileDialog::DontUseNativeDialog);
    setFileMode(QFileDialog::ExistingFiles);
    setAcceptMode(QFileDialog::AcceptOpen);
    // In ExistingFiles mode the views select files only; folders become selectable beside them.
    for (QAbstractItemView* view : findChildren<QAbstractItemView*>()) {
        if (qobject_cast<QListView*>(view) || qobject_cast<QTreeView*>(view))
            view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    }
}

FileChooserDialog* FileChooserDialog::choose(QWidget* view, const QString& title,
                                             std::function<void(const QStringList&)> chosen)
{
    auto* dialog = new FileChooserDialog(view ? view->window() : nullptr);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(title);
    connect(dialog, &FileChooserDialog::pathsChosen, dialog, std::move(chosen));
    dialog->open();
    return dialog;
}

QStringList FileChooserDialog::selectedInView() const
{
    QStringList paths;
    for (const QAbstractItemView* view : findChildren<QAbstractItemView*>()) {
        if (!view->isVisible() || !(qobject_cast<const QListView*>(view) || qobject_cast<const QTreeView*>(view)))
            continue;
        const QModelIndexList rows =
            view->selectionModel() ? view->selectionModel()->selectedRows() : QModelIndexList();
        for (const QModelIndex& row : rows) {
            const QString path = row.data(QFileSystemModel::FilePathRole).toString();
            if (!path.isEmpty() && !paths.contains(path))
                paths.append(path);
        }
    }
    return paths;
}

void FileChooserDialog::accept()
{
    QStringList paths = selectedInView();
    // With nothing selected in the view (a name typed), the dialog decides as usual.
    if (paths.isEmpty()) {
        QFileDialog::accept();
        if (result() != QDialog::Accepted)
            return;
        paths = selectedFiles();
    } else {
        QDialog::accept();
    }
    m_chosen = paths;
    emit pathsChosen(m_chosen);
}
