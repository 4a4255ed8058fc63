#include "Wisplet/Base/FileChooserDialog.h"

#include "Wisplet/Base/KeyboardPaths.h"
#include "Wisplet/Base/OutsideText.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeView>

namespace {

// A name shows its bidi controls instead of obeying them, so "rtl<U+202E>txt.exe" is never listed as
// "rtlexe.txt". Only the painted text: the model, and what a selection puts in the name field, keep the name.
class FileNameDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QString displayText(const QVariant& value, const QLocale& locale) const override
    {
        return OutsideText::fileName(QStyledItemDelegate::displayText(value, locale));
    }
};

} // namespace

FileChooserDialog::FileChooserDialog(QWidget* parent)
    : QFileDialog(parent)
{
    setOption(QFileDialog::DontUseNativeDialog);
    setFileMode(QFileDialog::ExistingFiles);
    setAcceptMode(QFileDialog::AcceptOpen);
    setDirectory(QDir::homePath());
    // In ExistingFiles mode the views select files only; folders become selectable beside them.
    for (QAbstractItemView* view : findChildren<QAbstractItemView*>()) {
        if (qobject_cast<QListView*>(view) || qobject_cast<QTreeView*>(view))
            view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    }
    auto* names = new FileNameDelegate(this);
    if (auto* list = findChild<QListView*>(QStringLiteral("listView")))
        list->setItemDelegate(names);
    // The detail view's columns are as wide as what they show (only the rows in sight are measured).
    if (auto* details = findChild<QTreeView*>(QStringLiteral("treeView"))) {
        details->setItemDelegateForColumn(0, names);
        details->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
        details->header()->setStretchLastSection(false);
    }
    // Queued, so it comes after the dialog's own update of the button.
    const auto later = [this] {
        QMetaObject::invokeMethod(this, &FileChooserDialog::keepOpenEnabled, Qt::QueuedConnection);
    };
    auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (edit)
        connect(edit, &QLineEdit::textChanged, this, later);
    connect(this, &QFileDialog::directoryEntered, this, later);
    // A typed path that took the dialog to a folder empties the field: what was being completed is over, and
    // a completion left open would swallow the next click, on Open say. Queued, after the dialog's own
    // reaction to the new folder.
    if (edit) {
        connect(edit, &QLineEdit::textChanged, this, [this, edit](const QString& text) {
            if (!text.isEmpty() || !edit->completer())
                return;
            QMetaObject::invokeMethod(
                this, [edit] { edit->completer()->popup()->hide(); }, Qt::QueuedConnection);
        });
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
    // The dialog's own two views of the folder; the sidebar is a list view too, of places.
    for (const char* name : {"listView", "treeView"}) {
        const auto* view = findChild<QAbstractItemView*>(QLatin1String(name));
        if (!view || !view->isVisible() || !view->selectionModel())
            continue;
        for (const QModelIndex& row : view->selectionModel()->selectedRows()) {
            // Typing a path selects its entry in a folder not shown; that is navigation, not a choice.
            if (row.parent() != view->rootIndex())
                continue;
            const QString path = row.data(QFileSystemModel::FilePathRole).toString();
            if (!path.isEmpty() && !paths.contains(path))
                paths.append(path);
        }
    }
    return paths;
}

// A path typed as a path (absolute, or ending in a slash) is where the user wants to go.
bool FileChooserDialog::typedAPath() const
{
    const auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    const QString text = edit ? edit->text().trimmed() : QString();
    return text.startsWith(u'/') || text.startsWith(u'~') || text.endsWith(u'/');
}

bool FileChooserDialog::nothingChosen() const
{
    const auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    return (!edit || edit->text().trimmed().isEmpty()) && selectedInView().isEmpty();
}

void FileChooserDialog::keepOpenEnabled()
{
    const auto* buttons = findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    QPushButton* open = buttons ? buttons->button(QDialogButtonBox::Open) : nullptr;
    if (open && nothingChosen())
        open->setEnabled(true);
}

void FileChooserDialog::accept()
{
    if (nothingChosen()) {
        QDialog::accept();
        m_chosen = {directory().absolutePath()};
        emit pathsChosen(m_chosen);
        return;
    }
    QStringList paths = typedAPath() ? QStringList() : selectedInView();
    // With nothing chosen in the view, the dialog decides as usual: it opens a typed folder.
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

void FileChooserDialog::done(int result)
{
    if (KeyboardPaths::closedWithKeyboard(*this, [this, result] { QFileDialog::done(result); }))
        emit closedByUser();
}
