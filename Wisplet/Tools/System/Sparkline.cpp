#include "Wisplet/Tools/System/Sparkline.h"

#include <QPainter>

#include <algorithm>

namespace {

constexpr double cornerRadius = 6;
constexpr double backdropOpacity = 0.06;
constexpr double lineOpacity = 0.7;
constexpr double penWidth = 1.5;

} // namespace

Sparkline::Sparkline(QWidget* parent)
    : QWidget(parent)
{
    setFixedHeight(lineHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void Sparkline::setValues(const QList<double>& values)
{
    if (values == m_values)
        return;
    m_values = values;
    update();
}

QPainterPath Sparkline::linePath(const QList<double>& values, const QSizeF& size)
{
    QPainterPath path;
    const double step = size.width() / double(std::max<qsizetype>(values.size(), 2) - 1);
    for (qsizetype i = 0; i < values.size(); ++i) {
        const QPointF point(step * double(i), (1 - values.at(i)) * size.height());
        if (i == 0)
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    return path;
}

void Sparkline::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor backdrop(Qt::white);
    backdrop.setAlphaF(float(backdropOpacity));
    QPainterPath box;
    box.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.fillPath(box, backdrop);

    // The line stays on its box: drawn within half its width of the edges, so that a full processor runs
    // whole along the top, and never past the rounded corners.
    QColor line(Qt::white);
    line.setAlphaF(float(lineOpacity));
    painter.setClipPath(box);
    painter.translate(penWidth / 2, penWidth / 2);
    painter.setPen(QPen(line, penWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(linePath(m_values, QSizeF(size()) - QSizeF(penWidth, penWidth)));
}
