#include "Wisplet/Tools/Clipboard/RowIconButton.h"

#include "Wisplet/Base/KeyboardPaths.h"
#include "Wisplet/Base/SymbolIcons.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int symbolPixels = 13;
constexpr double cornerRadius = 6;

QString accessibleNameFor(const QString& icon, bool active)
{
    if (icon == QLatin1String("trash"))
        return QStringLiteral("Delete clipboard item");
    return active ? QStringLiteral("Unpin item") : QStringLiteral("Pin item");
}

} // namespace

RowIconButton::RowIconButton(const QString& icon, bool active, QWidget* parent)
    : QAbstractButton(parent)
    , m_icon(icon)
    , m_active(active)
{
    setFixedSize(side, side);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(accessibleNameFor(m_icon, m_active));
}

void RowIconButton::setSymbol(const QString& icon, bool active)
{
    m_icon = icon;
    m_active = active;
    setAccessibleName(accessibleNameFor(m_icon, m_active));
    update();
}

void RowIconButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath square;
    square.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.fillPath(square, QColor(255, 255, 255, 26));
    if (hasFocus())
        KeyboardPaths::paintFocusRing(painter, QRectF(rect()), cornerRadius);
    const QColor ink(255, 255, 255, m_active ? 255 : 153);
    const QPixmap symbol = symbolPixmap(m_icon, QSize(symbolPixels, symbolPixels), ink, devicePixelRatioF());
    painter.drawPixmap(QPointF((side - symbolPixels) / 2.0, (side - symbolPixels) / 2.0), symbol);
}
