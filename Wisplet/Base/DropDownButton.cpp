#include "Wisplet/Base/DropDownButton.h"

#include "Wisplet/Base/KeyboardPaths.h"
#include "Wisplet/Base/SymbolIcons.h"

#include <QCursor>
#include <QEnterEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

QColor whiteAt(double opacity)
{
    QColor colour(Qt::white);
    colour.setAlphaF(float(opacity));
    return colour;
}

} // namespace

DropDownButton::DropDownButton(int fontPixels, QWidget* parent)
    : HoverTracking(parent)
{
    QFont labelFont = font();
    labelFont.setPixelSize(fontPixels);
    labelFont.setWeight(QFont::Medium);
    setFont(labelFont);
    setPopupMode(QToolButton::InstantPopup);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // Reached with Tab, opened with Space; a click needs no focus.
    setFocusPolicy(Qt::TabFocus);
    auto* popup = new QMenu(this);
    setMenu(popup);
    // The pointer may have gone while the menu held it; no leave comes for that.
    connect(popup, &QMenu::aboutToHide, this, [this] { setHovering(rect().contains(mapFromGlobal(QCursor::pos()))); });
}

void DropDownButton::setSymbolName(const QString& symbol)
{
    if (symbol == m_symbol)
        return;
    m_symbol = symbol;
    updateGeometry();
    update();
}

double DropDownButton::backgroundOpacity(bool open, bool hovering)
{
    if (open)
        return 0.18;
    return hovering ? 0.12 : 0;
}

QSize DropDownButton::sizeHint() const
{
    const int symbol = m_symbol.isEmpty() ? 0 : symbolPixels + gap;
    const int title = fontMetrics().horizontalAdvance(text());
    return {padding + symbol + title + gap + int(std::ceil(chevronSize.width())) + padding, fixedHeight};
}

void DropDownButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool open = isDown() || (menu() && menu()->isVisible());
    if (const double opacity = backgroundOpacity(open, isHovering()); opacity > 0) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(whiteAt(opacity));
        painter.drawRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    }
    if (hasFocus())
        KeyboardPaths::paintFocusRing(painter, QRectF(rect()), cornerRadius);

    const QColor foreground = whiteAt(open || isHovering() ? 1.0 : 0.85);
    double x = padding;
    const double middle = height() / 2.0;
    if (!m_symbol.isEmpty()) {
        const QSize size(symbolPixels, symbolPixels);
        painter.drawPixmap(QPointF(x, middle - symbolPixels / 2.0),
                           symbolPixmap(m_symbol, size, foreground, devicePixelRatioF()));
        x += symbolPixels + gap;
    }
    const int textWidth = fontMetrics().horizontalAdvance(text());
    painter.setPen(foreground);
    painter.drawText(QRectF(x, 0, textWidth, height()), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
    x += textWidth + gap;

    // The chevron sits on the text's middle line, clear of its last letter.
    QPainterPath chevron;
    chevron.moveTo(x, middle - chevronSize.height() / 2);
    chevron.lineTo(x + chevronSize.width() / 2, middle + chevronSize.height() / 2);
    chevron.lineTo(x + chevronSize.width(), middle - chevronSize.height() / 2);
    painter.setPen(QPen(foreground, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(chevron);
}
