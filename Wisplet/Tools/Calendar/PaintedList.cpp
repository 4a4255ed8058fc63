#include "Wisplet/Tools/Calendar/PaintedList.h"

#include "Wisplet/Notch/RingedListView.h"

QListView* paintedList(QAbstractItemModel* model, QAbstractItemDelegate* delegate, QWidget* parent)
{
    auto* list = new RingedListView(parent);
    list->paintRows(model, delegate);
    return list;
}
