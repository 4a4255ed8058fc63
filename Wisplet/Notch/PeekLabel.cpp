#include "Wisplet/Notch/PeekLabel.h"

#include "Wisplet/Base/OutsideText.h"
#include "Wisplet/Base/SymbolIcons.h"
#include "Wisplet/Notch/NotchLayout.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

PeekLabel::PeekLabel(QWidget* parent)
    : QAbstractButton(parent)
{
    // Qt 6.4 fonts have no switch for tabular figures; the default text fonts' digits are tabular already.
    setFont(NotchLayout::peekFont());
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void PeekLabel::setContent(const QString& icon, const QString& text, bool paused, const QString& keptEnd)
{
    if (icon == m_icon && text == this->text() && paused == m_paused && keptEnd == m_keptEnd)
        return;
    m_icon = icon;
    m_paused = paused;
    m_keptEnd = text.endsWith(keptEnd) ? keptEnd : QString();
    setText(text);
    resize(sizeHint());
    update();
}

QString PeekLabel::shownSymbol() const
{
    return m_paused ? QStringLiteral("pause.fill") : m_icon;
}

QString PeekLabel::shownText() const
{
    const QFontMetricsF metrics(font());
    if (m_keptEnd.isEmpty())
        return metrics.elidedText(text(), Qt::ElideRight, shownTextWidth());
    // What stands before the kept end is a tool's outside text (a meeting's title): isolated, so that no bidi
    // control in it reorders the end; cut first, so that the isolate holds whatever the cut leaves.
    const double room = std::max(shownTextWidth() - metrics.horizontalAdvance(m_keptEnd), 0.0);
    return OutsideText::isolated(metrics.elidedText(text().chopped(m_keptEnd.size()), Qt::ElideRight, room))
        + m_keptEnd;
}

double PeekLabel::shownTextWidth() const
{
    // Narrower than it asks for where the island has no more room.
    return std::max<double>(width() - symbolPixels - spacing - trailingPadding, 0);
}

void PeekLabel::setOpacity(double opacity)
{
    if (opacity == m_opacity)
        return;
    m_opacity = opacity;
    update();
}

double PeekLabel::textWidth() const
{
    return QFontMetricsF(font()).horizontalAdvance(text());
}

QSize PeekLabel::sizeHint() const
{
    const double width = symbolPixels + spacing + textWidth() + trailingPadding;
    const double height = std::max<double>(symbolPixels, QFontMetricsF(font()).height());
    return {int(std::ceil(width)), int(std::ceil(height))};
}

void PeekLabel::paintEvent(QPaintEvent*)
{
    const double opacity = std::clamp(m_opacity, 0.0, 1.0);
    if (opacity <= 0)
        return;
    QPainter painter(this);
    painter.setOpacity(opacity);
    const QRectF area = rect();
    const QRectF symbol(0, (area.height() - symbolPixels) / 2, symbolPixels, symbolPixels);
    painter.drawPixmap(symbol.topLeft(),
                       symbolPixmap(shownSymbol(), QSize(symbolPixels, symbolPixels),
                                    NotchLayout::whiteAt(symbolOpacity), devicePixelRatioF()));
    painter.setPen(NotchLayout::whiteAt(textOpacityNow()));
    const QRectF textArea(symbol.right() + spacing, 0, shownTextWidth(), area.height());
    painter.drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shownText());
}
