#include "Wisplet/Notch/HeaderButton.h"

#include "Wisplet/Base/KeyboardPaths.h"
#include "Wisplet/Base/SymbolIcons.h"
#include "Wisplet/Notch/NotchLayout.h"

#include <QPainter>

HeaderButton::HeaderButton(const QString& icon, bool active, QWidget* parent)
    : HoverTracking(parent)
    , m_icon(icon)
    , m_active(active)
{
    setFixedSize(side, side);
    // Reached with Tab; a click needs no focus.
    setFocusPolicy(Qt::TabFocus);
    updateTexts();
}

void HeaderButton::setSymbolName(const QString& icon)
{
    if (icon == m_icon)
        return;
    m_icon = icon;
    updateTexts();
    update();
}

void HeaderButton::setActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    updateTexts();
    update();
}

void HeaderButton::updateTexts()
{
    setAccessibleName(HeaderButtonLook::accessibleName(m_icon, m_active));
    setToolTip(HeaderButtonLook::toolTip(m_icon));
}

QSize HeaderButton::sizeHint() const
{
    return {side, side};
}

void HeaderButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(NotchLayout::whiteAt(HeaderButtonLook::backgroundOpacity(m_active, isHovering())));
    painter.drawRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    if (hasFocus())
        KeyboardPaths::paintFocusRing(painter, QRectF(rect()), cornerRadius);

    const QPointF corner((width() - symbolPixels) / 2.0, (height() - symbolPixels) / 2.0);
    painter.drawPixmap(corner,
                       symbolPixmap(m_icon, QSize(symbolPixels, symbolPixels),
                                    NotchLayout::whiteAt(HeaderButtonLook::symbolOpacity(m_active, isHovering())),
                                    devicePixelRatioF()));
}
