#include "Wisplet/Tools/Calendar/PaintedList.h"

#include "Wisplet/Base/KeyboardPaths.h"
#include "Wisplet/Notch/ToolViews.h"

#include <QListView>
#include <QPainter>

namespace {

constexpr double ringRadius = 6;

// The rows' delegates draw no focus of their own: the list rings its current row while it has the keyboard,
// so the row that the arrows reach (and Space acts on) shows.
class RingedList final : public QListView
{
public:
    using QListView::QListView;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QListView::paintEvent(event);
        if (!hasFocus() || !currentIndex().isValid())
            return;
        QPainter painter(viewport());
        KeyboardPaths::paintFocusRing(painter, QRectF(visualRect(currentIndex())), ringRadius);
    }
};

} // namespace

QListView* paintedList(QAbstractItemModel* model, QAbstractItemDelegate* delegate, QWidget* parent)
{
    auto* list = new RingedList(parent);
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
