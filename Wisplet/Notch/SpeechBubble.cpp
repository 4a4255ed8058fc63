#include "Wisplet/Notch/SpeechBubble.h"

#include "Wisplet/Notch/NotchLayout.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

SpeechBubble::SpeechBubble(QWidget* parent)
    : QWidget(parent)
{
    setFont(NotchLayout::bubbleFont());
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SpeechBubble::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    setAccessibleName(text);
    resize(sizeHint());
    updateGeometry();
    update();
}

void SpeechBubble::setAppearance(double progress)
{
    if (progress == m_appearance)
        return;
    m_appearance = progress;
    update();
}

QRectF SpeechBubble::bubbleRect() const
{
    return QRectF(tailOverhang, 0, std::max(0, width() - tailOverhang), height());
}

QString SpeechBubble::shownText() const
{
    const double room = bubbleRect().width() - 2 * horizontalPadding;
    return QFontMetricsF(font()).elidedText(m_text, Qt::ElideRight, std::max(0.0, room));
}

QSize SpeechBubble::sizeHint() const
{
    const QFontMetricsF metrics(font());
    const double width = tailOverhang + metrics.horizontalAdvance(m_text) + 2 * horizontalPadding;
    const double height = metrics.height() + 2 * verticalPadding;
    return {int(std::ceil(width)), int(std::ceil(height))};
}

void SpeechBubble::paintEvent(QPaintEvent*)
{
    if (m_appearance <= 0)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bubble = bubbleRect();
    // Grows out of its left edge, next to the face.
    const double scale = 0.6 + 0.4 * m_appearance;
    const QPointF anchor(bubble.left(), bubble.center().y());
    painter.translate(anchor);
    painter.scale(scale, scale);
    painter.translate(-anchor);
    painter.setOpacity(std::clamp(m_appearance, 0.0, 1.0));

    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(bubble, cornerRadius, cornerRadius);
    const QRectF tail(bubble.left() - tailOverhang, bubble.center().y() - tailHeight / 2, tailWidth, tailHeight);
    painter.drawPath(BubbleTail::path(tail));

    painter.setPen(Qt::black);
    painter.drawText(bubble.adjusted(horizontalPadding, verticalPadding, -horizontalPadding, -verticalPadding),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shownText());
}
