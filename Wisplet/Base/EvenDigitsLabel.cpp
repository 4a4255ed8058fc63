#include "Wisplet/Base/EvenDigitsLabel.h"

#include "Wisplet/Base/EvenDigits.h"

#include <QPainter>

#include <cmath>

QSize EvenDigitsLabel::sizeHint() const
{
    const QMargins margins = contentsMargins();
    return {int(std::ceil(EvenDigits::width(font(), text()))) + margins.left() + margins.right(),
            fontMetrics().height() + margins.top() + margins.bottom()};
}

void EvenDigitsLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    EvenDigits::draw(painter, QRectF(contentsRect()), alignment(), text());
}
