#include "Wisplet/Base/ElidingLabel.h"

#include <cmath>

ElidingLabel::ElidingLabel(QWidget* parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

void ElidingLabel::setFullText(const QString& text)
{
    if (text == m_full)
        return;
    m_full = text;
    updateGeometry();
    elide();
}

QSize ElidingLabel::sizeHint() const
{
    // Rounded up: a width rounded down makes the text it asks room for elide itself.
    const int width = int(std::ceil(QFontMetricsF(font()).horizontalAdvance(m_full)));
    return {width, QFontMetrics(font()).height()};
}

QSize ElidingLabel::minimumSizeHint() const
{
    return {0, QFontMetrics(font()).height()};
}

void ElidingLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    elide();
}

void ElidingLabel::elide()
{
    const QString shown = fontMetrics().elidedText(m_full, Qt::ElideRight, width());
    if (shown != text())
        setText(shown);
}
