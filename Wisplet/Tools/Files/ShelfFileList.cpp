#include "Wisplet/Tools/Files/ShelfFileList.h"

#include "Wisplet/Notch/ToolViews.h"
#include "Wisplet/Tools/Files/ShelfFileModel.h"

#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QStyledItemDelegate>

#include <algorithm>

namespace {

class RowDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), ShelfFileList::rowHeight};
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->textElideMode = Qt::ElideMiddle;
    }
};

} // namespace

ShelfFileList::ShelfFileList(QWidget* parent)
    : RingedListView(parent)
    , m_model(new ShelfFileModel(this))
{
    setModel(m_model);
    setItemDelegate(new RowDelegate(this));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setIconSize({iconPoints, iconPoints});
    setUniformItemSizes(true);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::CopyAction);
    setFrameShape(QFrame::NoFrame);
    setTextElideMode(Qt::ElideMiddle);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The panel hands its keyboard focus to what needs typing; Space is typing here.
    setAttribute(Qt::WA_InputMethodEnabled);
    setStyleSheet(QStringLiteral("QListView { background: transparent; color: white; font-size: 13px; }"
                                 "QListView::item { padding-left: 8px; }")
                  + toolScrollBarStyle());
    connect(this, &QListView::doubleClicked, this, [this] { requestPreview(); });
}

void ShelfFileList::setItems(const QList<ShelfItem>& items)
{
    m_model->setItems(items);
    setSelectedIds(m_wanted);
}

QSet<QUuid> ShelfFileList::selectedIds() const
{
    QSet<QUuid> ids;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        ids.insert(index.data(ShelfFileModel::idRole).toUuid());
    return ids;
}

void ShelfFileList::setSelectedIds(const QSet<QUuid>& ids)
{
    m_wanted = ids;
    QItemSelection wanted;
    QSet<int> wantedRows;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (ids.contains(m_model->items().at(row).id)) {
            wanted.select(m_model->index(row), m_model->index(row));
            wantedRows.insert(row);
        }
    }
    QSet<int> selectedRows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        selectedRows.insert(index.row());
    if (wantedRows == selectedRows)
        return;
    const QScopedValueRollback updating(m_updating, true);
    selectionModel()->select(wanted, QItemSelectionModel::ClearAndSelect);
}

void ShelfFileList::chooseRow(const QUuid& id)
{
    const QList<ShelfItem>& items = m_model->items();
    const auto found = std::find_if(items.cbegin(), items.cend(), [&](const ShelfItem& item) { return item.id == id; });
    if (found == items.cend())
        return;
    const QModelIndex index = m_model->index(int(found - items.cbegin()));
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
    setFocus(Qt::MouseFocusReason);
}

void ShelfFileList::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    QListView::selectionChanged(selected, deselected);
    if (m_updating)
        return;
    m_wanted = selectedIds();
    emit selectedIdsChanged(m_wanted);
}

void ShelfFileList::keyPressEvent(QKeyEvent* event)
{
    // Space previews and goes no further, whether or not a row is selected.
    if (event->key() == Qt::Key_Space && !(event->modifiers() & ~Qt::KeypadModifier)) {
        requestPreview();
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}

void ShelfFileList::requestPreview()
{
    // The row the ring is on (the one last clicked, or reached by Tab and the arrows), else the last selected one.
    QModelIndex row = currentIndex();
    if (!row.isValid()) {
        const QModelIndexList selected = selectionModel()->selectedRows();
        row = selected.isEmpty() ? QModelIndex() : selected.last();
    }
    const QString path = row.data(ShelfFileModel::pathRole).toString();
    if (!path.isEmpty())
        emit previewRequested(path);
}

void ShelfFileList::startDrag(Qt::DropActions supportedActions)
{
    // Another application copies the file; the original stays where it is.
    QListView::startDrag(supportedActions & Qt::CopyAction);
}
