#include "Wisplet/Notch/RingedListView.h"

#include "Wisplet/Base/KeyboardPaths.h"

#include <QPainter>

namespace {

constexpr double ringRadius = 6;

} // namespace

void RingedListView::paintEvent(QPaintEvent* event)
{
    QListView::paintEvent(event);
    if (!hasFocus() || !currentIndex().isValid())
        return;
    QPainter painter(viewport());
    KeyboardPaths::paintFocusRing(painter, QRectF(visualRect(currentIndex())), ringRadius);
}
