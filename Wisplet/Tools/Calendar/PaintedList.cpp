#include "Wisplet/Tools/Calendar/PaintedList.h"

#include "Wisplet/Notch/RingedListView.h"
#include "Wisplet/Notch/ToolViews.h"

QListView* paintedList(QAbstractItemModel* model, QAbstractItemDelegate* delegate, QWidget* parent)
{
    auto* list = new RingedListView(parent);
    list->setModel(model);
    delegate->setParent(list);
    list->setItemDelegate(delegate);
    list->setSelectionMode(QAbstractItemView::NoSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setFrameShape(QFrame::NoFrame);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list->setStyleSheet(QStringLiteral("QListView { background: transparent; }") + toolScrollBarStyle());
    return list;
}
