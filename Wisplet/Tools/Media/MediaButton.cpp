#include "Wisplet/Tools/Media/MediaButton.h"

#include "Wisplet/Base/KeyboardPaths.h"
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
    // Reached with Tab and pressed with Space; a click leaves the keyboard where it was.
    setFocusPolicy(Qt::TabFocus);
    // Repainted as the pointer comes and goes; underMouse() tells which.
    setAttribute(Qt::WA_Hover);
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
    const QColor tint = NotchLayout::whiteAt(underMouse() ? 1.0 : 0.85);
    const QPixmap symbol = symbolPixmap(m_icon, QSize(m_symbolSize, m_symbolSize), tint, devicePixelRatioF());
    QPainter painter(this);
    const QSizeF logical = symbol.deviceIndependentSize();
    painter.drawPixmap(QPointF((width() - logical.width()) / 2, (height() - logical.height()) / 2), symbol);
    if (hasFocus())
        KeyboardPaths::paintFocusRing(painter, QRectF(rect()), side / 2.0);
}
