#include "Wisplet/Base/PillButton.h"

#include "Wisplet/Base/KeyboardPaths.h"
#include "Wisplet/Base/SymbolIcons.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int symbolGap = 6;
constexpr double disabledOpacity = 0.4;

QFont labelFont(QFont font, int pixels, QFont::Weight weight)
{
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

QColor whiteAt(double opacity)
{
    QColor white(Qt::white);
    white.setAlphaF(float(opacity));
    return white;
}

// A capsule filling the button, with a ring inside it while the button has the keyboard focus.
void paintCapsule(QPainter& painter, const QRectF& rect, const QColor& fill, bool focused)
{
    painter.setRenderHint(QPainter::Antialiasing);
    const double radius = rect.height() / 2;
    QPainterPath capsule;
    capsule.addRoundedRect(rect, radius, radius);
    painter.fillPath(capsule, fill);
    if (focused)
        KeyboardPaths::paintFocusRing(painter, rect, radius);
}

} // namespace

PillButton::PillButton(const QString& title, const QString& icon, bool prominent, QWidget* parent)
    : HoverTracking(parent)
    , m_icon(icon)
    , m_prominent(prominent)
{
    setText(title);
    setFont(labelFont(font(), fontPixels, QFont::DemiBold));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void PillButton::setSymbolName(const QString& icon)
{
    if (icon == m_icon)
        return;
    m_icon = icon;
    updateGeometry();
    update();
}

void PillButton::setProminent(bool prominent)
{
    if (prominent == m_prominent)
        return;
    m_prominent = prominent;
    update();
}

double PillButton::backgroundOpacity(bool prominent, bool hovering)
{
    if (prominent)
        return hovering ? 1.0 : 0.9;
    return hovering ? 0.2 : 0.12;
}

QSize PillButton::sizeHint() const
{
    const int symbol = m_icon.isEmpty() ? 0 : fontPixels + symbolGap;
    return {padding + symbol + fontMetrics().horizontalAdvance(text()) + padding, fixedHeight};
}

void PillButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!isEnabled())
        painter.setOpacity(disabledOpacity);
    paintCapsule(painter, QRectF(rect()), whiteAt(backgroundOpacity(m_prominent, isHovering())), hasFocus());

    const QColor ink = m_prominent ? QColor(Qt::black) : QColor(Qt::white);
    const QPixmap symbol = symbolPixmap(m_icon, QSize(fontPixels, fontPixels), ink, devicePixelRatioF());
    const int symbolWidth = symbol.isNull() ? 0 : fontPixels + symbolGap;
    const int contentWidth = symbolWidth + fontMetrics().horizontalAdvance(text());
    int x = (width() - contentWidth) / 2;
    if (!symbol.isNull()) {
        painter.drawPixmap(QPointF(x, (height() - fontPixels) / 2.0), symbol);
        x += symbolWidth;
    }
    painter.setPen(ink);
    painter.drawText(QRect(x, 0, width() - x, height()), Qt::AlignLeft | Qt::AlignVCenter, text());
}

ChipButton::ChipButton(const QString& title, QWidget* parent)
    : QAbstractButton(parent)
{
    setText(title);
    setFont(labelFont(font(), fontPixels, QFont::Medium));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize ChipButton::sizeHint() const
{
    return {padding + fontMetrics().horizontalAdvance(text()) + padding, fixedHeight};
}

void ChipButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintCapsule(painter, QRectF(rect()), whiteAt(backgroundOpacity(isDown())), hasFocus());
    painter.setPen(Qt::white);
    painter.drawText(rect(), Qt::AlignCenter, text());
}
