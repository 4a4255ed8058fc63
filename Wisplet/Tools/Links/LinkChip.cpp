#include "Wisplet/Tools/Links/LinkChip.h"

#include "Wisplet/Base/PlainToolTip.h"
#include "Wisplet/Base/SymbolIcons.h"
#include "Wisplet/Notch/NotchLayout.h"

#include <QPainter>
#include <QToolButton>

namespace {

constexpr int padding = 9;
constexpr int gap = 6;
constexpr int fontPixels = 13;
constexpr int removePixels = 9;
constexpr int removeSize = 16;
constexpr double radius = 9;
constexpr double symbolOpacity = 0.6;

} // namespace

LinkChip::LinkChip(const QuickLink& link, QWidget* parent)
    : HoverTracking(parent)
    , m_link(link)
    , m_remove(new QToolButton(this))
{
    setText(link.title);
    setToolTip(plainToolTip(link.url));
    QFont chipFont = font();
    chipFont.setPixelSize(fontPixels);
    chipFont.setWeight(QFont::Medium);
    setFont(chipFont);
    setCursor(Qt::PointingHandCursor);
    setFixedHeight(fixedHeight);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

    m_remove->setAutoRaise(true);
    m_remove->setIcon(symbolIcon(QStringLiteral("xmark"), NotchLayout::whiteAt(symbolOpacity)));
    m_remove->setIconSize(QSize(removePixels, removePixels));
    m_remove->setFixedSize(removeSize, removeSize);
    m_remove->setToolTip(QStringLiteral("Remove"));
    m_remove->setAccessibleName(QStringLiteral("Remove"));
    m_remove->hide();
    connect(m_remove, &QToolButton::clicked, this, [this] { emit removeRequested(m_link.id); });
}

QString LinkChip::symbolName() const
{
    return LinkRules::isFileAddress(m_link.url) ? QStringLiteral("folder") : QStringLiteral("arrow.up.right.square");
}

QSize LinkChip::sizeHint() const
{
    return {padding + fontPixels + gap + fontMetrics().horizontalAdvance(text()) + gap + removeSize + padding,
            fixedHeight};
}

QSize LinkChip::minimumSizeHint() const
{
    return {padding + fontPixels + gap + padding, fixedHeight};
}

void LinkChip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    NotchLayout::fillRounded(painter, QRectF(rect()), radius, isHovering() ? 0.18 : 0.1);

    const QPixmap symbol = symbolPixmap(symbolName(), QSize(fontPixels, fontPixels),
                                        NotchLayout::whiteAt(symbolOpacity), devicePixelRatioF());
    painter.drawPixmap(QPointF(padding, (height() - fontPixels) / 2.0), symbol);

    const int textLeft = padding + fontPixels + gap;
    const int textRight = width() - padding - (isHovering() ? removeSize + gap : 0);
    const QRect textRect(textLeft, 0, std::max(0, textRight - textLeft), height());
    painter.setPen(Qt::white);
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(text(), Qt::ElideRight, textRect.width()));
}

void LinkChip::resizeEvent(QResizeEvent* event)
{
    QAbstractButton::resizeEvent(event);
    m_remove->move(width() - padding - removeSize, (height() - removeSize) / 2);
}

void LinkChip::hoverChanged()
{
    m_remove->setVisible(isHovering());
    update();
}
