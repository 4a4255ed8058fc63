#include "Wisplet/Tools/Links/LinkGrid.h"

#include "Wisplet/Base/KeyboardPaths.h"
#include "Wisplet/Notch/ToolViews.h"
#include "Wisplet/Tools/Links/LinkChip.h"
#include "Wisplet/Tools/Links/LinkListModel.h"

#include <QFocusEvent>
#include <QKeyEvent>

LinkGrid::LinkGrid(LinkListModel* model, QWidget* parent)
    : QListView(parent)
    , m_model(model)
{
    model->setParent(this);
    setModel(model);
    setItemDelegate(new LinkChip(this));
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    // Every cell is as large as the grid's: the layout is arithmetic, not a question to each chip.
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    // The keyboard reaches the chips with Tab; a click opens a link without taking the panel's focus.
    setFocusPolicy(Qt::TabFocus);
    setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_Hover);
    setStyleSheet(QStringLiteral("QListView { background: transparent; }") + toolScrollBarStyle());
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        act(index, LinkChip::removeArea(visualRect(index)).contains(m_releasedAt));
    });
}

int LinkGrid::columnCount(int width, int minimum)
{
    return std::max(1, (width + spacing) / (minimum + spacing));
}

int LinkGrid::minimumChipWidth() const
{
    return std::max(minimumColumnWidth, LinkChip::minimumWidth(font()));
}

QRect LinkGrid::visualRect(const QModelIndex& index) const
{
    // The item's own rectangle has the grid's place but no width, and Qt leaves a rectangle without width
    // unscrolled: the chips take their width from the columns and their scrolled place from here.
    const QRect cell = rectForIndex(index);
    const int cellWidth = gridSize().width();
    if (cell.isNull() || cellWidth <= 0)
        return cell;
    // Cells are equal shares of the width, the spacing after each; chips share the width less the
    // spacing between them, so each chip lies inside its cell and the last ends at the right edge.
    const int column = std::clamp(rectForIndex(index).x() / cellWidth, 0, m_columns - 1);
    const int width = viewport()->width() + spacing;
    const int left = column * width / m_columns;
    const int right = (column + 1) * width / m_columns - spacing;
    return {left - horizontalOffset(), cell.top() - verticalOffset(), right - left, LinkChip::fixedHeight};
}

void LinkGrid::resizeEvent(QResizeEvent* event)
{
    QListView::resizeEvent(event);
    const int width = viewport()->width();
    m_columns = columnCount(width, minimumChipWidth());
    // A row wraps when a cell would reach the last pixel: the cells leave it free.
    const QSize cell(std::max(1, width - 1) / m_columns, LinkChip::fixedHeight + spacing);
    if (cell != gridSize())
        setGridSize(cell);
}

void LinkGrid::mouseMoveEvent(QMouseEvent* event)
{
    QListView::mouseMoveEvent(event);
    viewport()->setCursor(indexAt(event->position().toPoint()).isValid() ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void LinkGrid::mouseReleaseEvent(QMouseEvent* event)
{
    m_releasedAt = event->position().toPoint();
    QListView::mouseReleaseEvent(event);
}

void LinkGrid::keyPressEvent(QKeyEvent* event)
{
    if (KeyboardPaths::activates(*event) && currentIndex().isValid()) {
        act(currentIndex(), false);
        return;
    }
    if (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) {
        if (const std::optional<QuickLink> link = m_model->linkAt(currentIndex())) {
            emit removeClicked(link->id);
            return;
        }
    }
    QListView::keyPressEvent(event);
}

void LinkGrid::act(const QModelIndex& index, bool onRemove)
{
    const std::optional<QuickLink> link = m_model->linkAt(index);
    if (!link)
        emit addClicked();
    else if (onRemove)
        emit removeClicked(link->id);
    else
        emit linkClicked(*link);
}

void LinkGrid::focusInEvent(QFocusEvent* event)
{
    // Tab into a grid the user scrolled starts where they look, not on a chip out of sight.
    if (event->reason() != Qt::MouseFocusReason && !viewport()->rect().contains(visualRect(currentIndex())))
        setCurrentIndex(firstShown());
    QListView::focusInEvent(event);
}

QModelIndex LinkGrid::firstShown() const
{
    const int rowHeight = gridSize().height();
    const int row = rowHeight > 0 ? (verticalOffset() + rowHeight - 1) / rowHeight : 0;
    return model()->index(std::min(row * m_columns, model()->rowCount() - 1), 0);
}

QModelIndex LinkGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers)
{
    if (!currentIndex().isValid())
        return model()->index(0, 0);
    // The cells fill rows of m_columns, left to right; the last is "Add".
    const int last = model()->rowCount() - 1;
    const int current = currentIndex().row();
    const int rowsShown = std::max(1, viewport()->height() / std::max(1, gridSize().height()));
    int next = current;
    switch (action) {
    case MoveLeft:
    case MovePrevious:
        next = current - 1;
        break;
    case MoveRight:
    case MoveNext:
        next = current + 1;
        break;
    case MoveUp:
        next = current >= m_columns ? current - m_columns : current;
        break;
    case MoveDown:
        // From a row above a shorter last one, to its last cell.
        next = current / m_columns < last / m_columns ? std::min(current + m_columns, last) : current;
        break;
    case MovePageUp:
        next = current - std::min(current / m_columns, rowsShown) * m_columns;
        break;
    case MovePageDown:
        next = std::min(current + rowsShown * m_columns, last);
        break;
    case MoveHome:
        next = 0;
        break;
    case MoveEnd:
        // The last link; "Add" follows it.
        next = std::max(0, last - 1);
        break;
    }
    return model()->index(std::clamp(next, 0, last), 0);
}
