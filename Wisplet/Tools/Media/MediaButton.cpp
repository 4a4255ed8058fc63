#include "Wisplet/Tools/Media/MediaButton.h"

#include "Wisplet/Base/SymbolIcons.h"
#include "Wisplet/Notch/NotchLayout.h"

#include <QPainter>

MediaButton::MediaButton(const QString& icon, int symbolSize, QWidget* parent)
    : QAbstractButton(parent)
    , m_icon(icon)
    , m_symbolSize(symbolSize)
{
    setFixedSize(side, side);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

void MediaButton::setSymbolName(const QString& icon)
{
    if (icon == m_icon)
        return;
    m_icon = icon;
    update();
}

void MediaButton::paintEvent(QPaintEvent*)
{
    const QColor tint = NotchLayout::whiteAt(m_hovering ? 1.0 : 0.85);
    const QPixmap symbol = symbolPixmap(m_icon, QSize(m_symbolSize, m_symbolSize), tint, devicePixelRatioF());
    QPainter painter(this);
    const QSizeF logical = symbol.deviceIndependentSize();
    painter.drawPixmap(QPointF((width() - logical.width()) / 2, (height() - logical.height()) / 2), symbol);
}

void MediaButton::enterEvent(QEnterEvent* event)
{
    setHovering(true);
    QAbstractButton::enterEvent(event);
}

void MediaButton::leaveEvent(QEvent* event)
{
    setHovering(false);
    QAbstractButton::leaveEvent(event);
}

// Hover is lost with the button leaving the screen.
void MediaButton::hideEvent(QHideEvent* event)
{
    QAbstractButton::hideEvent(event);
    setHovering(false);
}

void MediaButton::setHovering(bool hovering)
{
    if (hovering == m_hovering)
        return;
    m_hovering = hovering;
    update();
}
