#include "Wisplet/Settings/ToolOrderList.h"

#include "Wisplet/Base/SymbolIcons.h"

#include <QDropEvent>
#include <QKeyEvent>
#include <QSignalBlocker>

#include <algorithm>

namespace {

constexpr int toolRole = Qt::UserRole;

} // namespace

ToolOrderList::ToolOrderList(QWidget* parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragDropMode(QAbstractItemView::InternalMove);
    setDefaultDropAction(Qt::MoveAction);
    setDropIndicatorShown(true);
    setIconSize(QSize(16, 16));
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemChanged, this, &ToolOrderList::itemEdited);
}

void ToolOrderList::setTools(const QList<ToolID>& order, const QSet<ToolID>& enabled)
{
    const QSignalBlocker blocker(this);
    // Where the selected tool lands in the new order, so the selection follows the tool, not the row.
    const int current = currentRow();
    const int currentToolRow = current >= 0 && current < count() ? int(order.indexOf(toolAt(current))) : -1;
    while (count() > order.size())
        delete takeItem(count() - 1);
    const QColor tint = palette().color(QPalette::Text);
    for (int row = 0; row < order.size(); ++row) {
        if (row == count())
            addItem(new QListWidgetItem);
        QListWidgetItem* entry = item(row);
        const ToolID tool = order[row];
        // Not a drop target itself: a drop always goes between rows.
        entry->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsDragEnabled);
        entry->setData(toolRole, int(tool));
        entry->setText(toolTitle(tool));
        entry->setIcon(symbolIcon(toolIcon(tool), tint));
        entry->setCheckState(enabled.contains(tool) ? Qt::Checked : Qt::Unchecked);
    }
    if (currentToolRow >= 0 && currentToolRow != current)
        setCurrentRow(currentToolRow);
}

ToolID ToolOrderList::toolAt(int row) const
{
    return ToolID(item(row)->data(toolRole).toInt());
}

QList<ToolID> ToolOrderList::moved(const QList<ToolID>& order, QList<int> rows, int destination)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    destination = std::clamp(destination, 0, int(order.size()));
    QList<ToolID> taken;
    QList<ToolID> kept;
    int takenBefore = 0;
    for (int row = 0; row < order.size(); ++row) {
        if (!std::binary_search(rows.cbegin(), rows.cend(), row)) {
            kept.append(order[row]);
            continue;
        }
        taken.append(order[row]);
        if (row < destination)
            ++takenBefore;
    }
    const int at = destination - takenBefore;
    for (int i = 0; i < taken.size(); ++i)
        kept.insert(at + i, taken[i]);
    return kept;
}

void ToolOrderList::dropEvent(QDropEvent* event)
{
    QList<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.append(index.row());
    const int destination = dropRow(event->position().toPoint());
    stopAutoScroll();
    setState(NoState);
    viewport()->update();
    // Handled here: no move action goes back to the drag, which would otherwise remove the dragged rows.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    if (!rows.isEmpty())
        emit moveRequested(rows, destination);
}

void ToolOrderList::keyPressEvent(QKeyEvent* event)
{
    const bool up = event->key() == Qt::Key_Up;
    if (event->modifiers() != Qt::AltModifier || !(up || event->key() == Qt::Key_Down)) {
        QListWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    const int row = currentRow();
    const int destination = up ? row - 1 : row + 2;
    if (row >= 0 && destination >= 0 && destination <= count())
        emit moveRequested({row}, destination);
}

int ToolOrderList::dropRow(const QPoint& position) const
{
    const QModelIndex index = indexAt(position);
    if (!index.isValid())
        return position.y() < 0 ? 0 : count();
    return position.y() < visualRect(index).center().y() ? index.row() : index.row() + 1;
}

void ToolOrderList::itemEdited(QListWidgetItem* item)
{
    emit enabledEdited(ToolID(item->data(toolRole).toInt()), item->checkState() == Qt::Checked);
}
