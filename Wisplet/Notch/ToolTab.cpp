#include "Wisplet/Notch/ToolTab.h"

#include "Wisplet/Base/Animation.h"
#include "Wisplet/Base/KeyboardPaths.h"
#include "Wisplet/Base/SymbolIcons.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QPainter>

namespace {

QList<double> valuesOf(ToolTab::Look look)
{
    return {look.background, look.foreground};
}

QColor white(double opacity)
{
    QColor colour(Qt::white);
    colour.setAlphaF(float(opacity));
    return colour;
}

} // namespace

ToolTab::Look ToolTab::lookOf(bool selected, bool hovering)
{
    if (selected)
        return {0.18, 1.0};
    if (hovering)
        return {0.12, 1.0};
    return {0.06, 0.6};
}

ToolTab::ToolTab(ToolID tool, bool selected, AnimationClock& clock, QWidget* parent)
    : HoverTracking(parent)
    , m_tool(tool)
    , m_selected(selected)
    , m_look(new AnimatedValue(clock, valuesOf(lookOf(selected, false)), this))
{
    const QString title = toolTitle(tool);
    setText(title);
    setToolTip(title);
    setAccessibleName(title);
    setAccessibleDescription(selected ? tr("Selected") : QString());
    QFont labelFont = font();
    labelFont.setPixelSize(fontPixels);
    labelFont.setWeight(QFont::DemiBold);
    setFont(labelFont);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    connect(m_look, &AnimatedValue::valueChanged, this, qOverload<>(&QWidget::update));
}

ToolTab::Look ToolTab::currentLook() const
{
    const QList<double> value = m_look->value();
    return {value.at(0), value.at(1)};
}

void ToolTab::setSelected(bool selected, bool animate)
{
    if (selected == m_selected && animate)
        return;
    m_selected = selected;
    setAccessibleDescription(selected ? tr("Selected") : QString());
    // The keyboard follows the selection along the tabs, so that only one tab ever looks chosen.
    if (selected && !hasFocus()) {
        if (auto* focused = qobject_cast<ToolTab*>(QApplication::focusWidget());
            focused && focused->parent() == parent())
            setFocus(Qt::OtherFocusReason);
    }
    const QList<double> target = valuesOf(lookOf(m_selected, isHovering()));
    if (animate)
        m_look->easeTo(target, fadeSeconds, Easing::easeOut);
    else
        m_look->jumpTo(target);
}

ToolTab* ToolTab::selectedSibling() const
{
    const QList<ToolTab*> tabs = parentWidget()->findChildren<ToolTab*>(Qt::FindDirectChildrenOnly);
    const auto found = std::find_if(tabs.begin(), tabs.end(), [](const ToolTab* tab) { return tab->isSelected(); });
    return found != tabs.end() ? *found : nullptr;
}

void ToolTab::focusInEvent(QFocusEvent* event)
{
    HoverTracking::focusInEvent(event);
    // A window coming forward focuses its first tab; the keyboard belongs on the selected one. Tab and the
    // mouse still reach any tab.
    if (event->reason() != Qt::ActiveWindowFocusReason || m_selected)
        return;
    if (ToolTab* selected = selectedSibling())
        selected->setFocus(Qt::ActiveWindowFocusReason);
}

void ToolTab::hoverChanged()
{
    m_look->jumpTo(valuesOf(lookOf(m_selected, isHovering())));
}

QSize ToolTab::sizeHint() const
{
    const int textWidth = fontMetrics().horizontalAdvance(text());
    return {sidePadding + symbolSize + symbolSpacing + textWidth + sidePadding, tabHeight};
}

void ToolTab::paintEvent(QPaintEvent*)
{
    const Look look = currentLook();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF capsule = QRectF(rect());
    const double radius = capsule.height() / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(white(look.background));
    painter.drawRoundedRect(capsule, radius, radius);
    // The keyboard's place is a ring, so it never reads as a second selected tab.
    if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange))
        KeyboardPaths::paintFocusRing(painter, capsule, radius);

    const QColor foreground = white(look.foreground);
    const QSize symbol(symbolSize, symbolSize);
    const QPixmap pixmap = symbolPixmap(toolIcon(m_tool), symbol, foreground, devicePixelRatioF());
    const double symbolTop = (height() - symbolSize) / 2.0;
    painter.drawPixmap(QPointF(sidePadding, symbolTop), pixmap);

    painter.setPen(foreground);
    const QRect textRect(sidePadding + symbolSize + symbolSpacing, 0,
                         width() - 2 * sidePadding - symbolSize - symbolSpacing, height());
    painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft, text());
}
