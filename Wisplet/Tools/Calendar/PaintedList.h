#pragma once

class QAbstractItemDelegate;
class QAbstractItemModel;
class QListView;
class QWidget;

// A list of the calendar pages whose rows the delegate paints: no selection, no frame, the pages' quiet
// scroll bar, scrolled by the pixel, the current row ringed while the list has the keyboard.
QListView* paintedList(QAbstractItemModel* model, QAbstractItemDelegate* delegate, QWidget* parent);
