#include "Wisplet/Tools/Clipboard/ClipList.h"

#include "Wisplet/Base/KeyboardPaths.h"
#include "Wisplet/Tools/Clipboard/ClipListAccessible.h"
#include "Wisplet/Tools/Clipboard/ClipListModel.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QScopedValueRollback>

ClipList::ClipList(const QString& folder, QWidget* parent)
    : RingedListView(parent)
    , m_model(new ClipListModel(folder, this))
{
    ClipListAccessible::install();
    paintRows(m_model, new ClipRow);
    // Every row is as tall as the next: the list lays out any number without asking each for its size.
    setUniformItemSizes(true);
    setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_Hover);
}

void ClipList::setEntries(const QList<ClipItem>& items)
{
    const QModelIndex current = currentIndex();
    const QUuid id = current.isValid() ? m_model->values().at(current.row()).id : QUuid();
    m_model->setValues(items);
    if (id.isNull() || m_model->rowCount() == 0)
        return;
    // Changed in place, a row may now show another entry; a pinned entry moves up. When the entry is gone,
    // the one that takes its place is current, as the next row took the focus of a row widget deleted.
    const int row = m_model->rowOf(id);
    const int wanted = row >= 0 ? row : std::min(current.row(), m_model->rowCount() - 1);
    if (wanted == currentIndex().row())
        return;
    const QScopedValueRollback following(m_following, row >= 0);
    selectionModel()->setCurrentIndex(m_model->index(wanted), QItemSelectionModel::NoUpdate);
}

RingedListView::Ring ClipList::ringOn(const QModelIndex& current) const
{
    const QRect shape = ClipRow::layout(visualRect(current)).of(m_part);
    return {QRectF(shape), m_part == ClipRow::Part::row ? ClipRow::rowRadius : ClipRow::buttonRadius};
}

bool ClipList::focusNextPrevChild(bool next)
{
    // Tab walks the current row's buttons before it leaves the list.
    const int part = int(m_part) + (next ? 1 : -1);
    if (hasFocus() && currentIndex().isValid() && part >= int(ClipRow::Part::row)
        && part <= int(ClipRow::Part::remove)) {
        m_part = ClipRow::Part(part);
        viewport()->update();
        announcePart();
        return true;
    }
    return RingedListView::focusNextPrevChild(next);
}

void ClipList::focusInEvent(QFocusEvent* event)
{
    RingedListView::focusInEvent(event);
    // Coming back with Shift+Tab, the keyboard lands where it would have left.
    if (event->reason() == Qt::TabFocusReason)
        m_part = ClipRow::Part::row;
    else if (event->reason() == Qt::BacktabFocusReason) {
        m_part = ClipRow::Part::remove;
        announcePart();
    }
}

void ClipList::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    RingedListView::currentChanged(current, previous);
    if (!m_following)
        m_part = ClipRow::Part::row;
}

void ClipList::keyPressEvent(QKeyEvent* event)
{
    if (KeyboardPaths::activates(*event) && currentIndex().isValid()) {
        activate(currentIndex(), m_part);
        return;
    }
    RingedListView::keyPressEvent(event);
}

void ClipList::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    m_pressed = indexAt(at);
    m_pressedPart = ClipRow::partAt(visualRect(m_pressed), at);
    // The ring goes to the row clicked, as the focus did to a row widget clicked on its button.
    m_part = ClipRow::Part::row;
    RingedListView::mousePressEvent(event);
}

void ClipList::mouseMoveEvent(QMouseEvent* event)
{
    RingedListView::mouseMoveEvent(event);
    viewport()->setCursor(indexAt(event->position().toPoint()).isValid() ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void ClipList::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    const QModelIndex index = indexAt(at);
    // A double click comes up twice after one press: it acts once.
    const bool click = event->button() == Qt::LeftButton && index.isValid() && index == m_pressed
        && ClipRow::partAt(visualRect(index), at) == m_pressedPart;
    m_pressed = QPersistentModelIndex();
    RingedListView::mouseReleaseEvent(event);
    if (click)
        activate(index, m_pressedPart);
}

void ClipList::activate(const QModelIndex& index, ClipRow::Part part)
{
    // A copy: acting on it changes the list the row came from.
    const ClipItem item = m_model->values().at(index.row());
    emit partActivated(item, part);
}

void ClipList::announcePart()
{
    if (!QAccessible::isActive() || !currentIndex().isValid())
        return;
    QAccessibleEvent event(ClipListAccessible::part(*this, currentIndex().row(), m_part), QAccessible::Focus);
    QAccessible::updateAccessibility(&event);
}
