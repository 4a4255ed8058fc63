#include "Wisplet/Notch/RingedListView.h"

#include "Wisplet/Base/KeyboardPaths.h"
#include "Wisplet/Notch/ToolViews.h"

#include <QPainter>

namespace {

constexpr double ringRadius = 6;

} // namespace

void RingedListView::paintRows(QAbstractItemModel* model, QAbstractItemDelegate* delegate)
{
    setModel(model);
    delegate->setParent(this);
    setItemDelegate(delegate);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setStyleSheet(QStringLiteral("QListView { background: transparent; }") + toolScrollBarStyle());
}

QVariant RingedListView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    if (query != Qt::ImCursorRectangle || !currentIndex().isValid())
        return QListView::inputMethodQuery(query);
    return ringOn(currentIndex()).shape.toAlignedRect().translated(viewport()->pos());
}

RingedListView::Ring RingedListView::ringOn(const QModelIndex& current) const
{
    return {QRectF(visualRect(current)), ringRadius};
}

void RingedListView::paintEvent(QPaintEvent* event)
{
    QListView::paintEvent(event);
    if (!hasFocus() || !currentIndex().isValid())
        return;
    QPainter painter(viewport());
    const Ring ring = ringOn(currentIndex());
    KeyboardPaths::paintFocusRing(painter, ring.shape, ring.radius);
}
