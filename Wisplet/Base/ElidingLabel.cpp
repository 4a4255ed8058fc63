#include "Wisplet/Base/ElidingLabel.h"

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
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(m_full), metrics.height()};
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
