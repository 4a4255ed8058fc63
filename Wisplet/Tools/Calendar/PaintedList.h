#pragma once

class QAbstractItemDelegate;
class QAbstractItemModel;
class QListView;
class QWidget;

// A list of the calendar pages whose rows the delegate paints: no selection, no frame, the pages' quiet
// scroll bar, scrolled by the pixel, the current row ringed while the list has the keyboard (the delegates
// draw no focus of their own).
QListView* paintedList(QAbstractItemModel* model, QAbstractItemDelegate* delegate, QWidget* parent);
