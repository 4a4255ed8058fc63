#include "Wisplet/Tools/Links/LinkChip.h"

#include "Wisplet/Base/KeyboardPaths.h"
#include "Wisplet/Base/SymbolIcons.h"
#include "Wisplet/Notch/NotchLayout.h"
#include "Wisplet/Tools/Links/LinkListModel.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

namespace {

constexpr int padding = 9;
constexpr int gap = 6;
constexpr int fontPixels = 13;
constexpr int removePixels = 9;
constexpr int removeSize = 16;
constexpr double radius = 9;
constexpr double symbolOpacity = 0.6;
constexpr double addFillOpacity = 0.08;
constexpr double addInkOpacity = 0.7;

QFont chipFont(QFont font, QFont::Weight weight)
{
    font.setPixelSize(fontPixels);
    font.setWeight(weight);
    return font;
}

QPixmap symbol(const QString& name, int pixels, const QColor& tint, const QPainter& painter)
{
    return symbolPixmap(name, QSize(pixels, pixels), tint, painter.device()->devicePixelRatioF());
}

// What a chip of that width leaves its title beside the symbol, and the remove button while hovered.
int titleRoom(int chipWidth, bool hovering)
{
    return std::max(0, chipWidth - 2 * padding - fontPixels - gap - (hovering ? removeSize + gap : 0));
}

void paintLink(QPainter& painter, const QRect& chip, const QModelIndex& index, const QFont& base, bool hovering)
{
    NotchLayout::fillRounded(painter, QRectF(chip), radius, hovering ? 0.18 : 0.1);
    const QColor ink = NotchLayout::whiteAt(symbolOpacity);
    const QString url = index.data(LinkListModel::urlRole).toString();
    painter.drawPixmap(QPointF(chip.left() + padding, chip.top() + (chip.height() - fontPixels) / 2.0),
                       symbol(LinkChip::symbolName(url), fontPixels, ink, painter));

    const QRect textRect(chip.left() + padding + fontPixels + gap, chip.top(), titleRoom(chip.width(), hovering),
                         chip.height());
    painter.setFont(chipFont(base, QFont::Medium));
    painter.setPen(Qt::white);
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                     LinkChip::shownTitle(index.data().toString(), base, chip.width(), hovering));
    if (hovering) {
        const QRect remove = LinkChip::removeArea(chip);
        painter.drawPixmap(QPointF(remove.left() + (removeSize - removePixels) / 2.0,
                                   remove.top() + (removeSize - removePixels) / 2.0),
                           symbol(QStringLiteral("xmark"), removePixels, ink, painter));
    }
}

void paintAdd(QPainter& painter, const QRect& chip, const QModelIndex& index, const QFont& base)
{
    NotchLayout::fillRounded(painter, QRectF(chip), radius, addFillOpacity);
    const QColor ink = NotchLayout::whiteAt(addInkOpacity);
    const QFont font = chipFont(base, QFont::DemiBold);
    const QString text = index.data().toString();
    const int contentWidth = fontPixels + gap + QFontMetrics(font).horizontalAdvance(text);
    const int left = chip.left() + (chip.width() - contentWidth) / 2;
    painter.drawPixmap(QPointF(left, chip.top() + (chip.height() - fontPixels) / 2.0),
                       symbol(QStringLiteral("plus"), fontPixels, ink, painter));
    painter.setFont(font);
    painter.setPen(ink);
    painter.drawText(QRect(left + fontPixels + gap, chip.top(), chip.width(), chip.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, text);
}

} // namespace

LinkChip::LinkChip(QObject* parent)
    : QStyledItemDelegate(parent)
{ }

QString LinkChip::symbolName(const QString& url)
{
    return LinkRules::isFileAddress(url) ? QStringLiteral("folder") : QStringLiteral("arrow.up.right.square");
}

QRect LinkChip::removeArea(const QRect& chip)
{
    return {chip.right() + 1 - padding - removeSize, chip.top() + (chip.height() - removeSize) / 2, removeSize,
            removeSize};
}

int LinkChip::minimumWidth(const QFont& base)
{
    constexpr int characters = 10;
    return 2 * padding + fontPixels + gap + characters * QFontMetrics(chipFont(base, QFont::Medium)).averageCharWidth();
}

QString LinkChip::shownTitle(const QString& title, const QFont& base, int chipWidth, bool hovering)
{
    return QFontMetrics(chipFont(base, QFont::Medium))
        .elidedText(title, Qt::ElideRight, titleRoom(chipWidth, hovering));
}

void LinkChip::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    painter->save();
    if (index.data(LinkListModel::isAddRole).toBool())
        paintAdd(*painter, option.rect, index, option.font);
    else
        paintLink(*painter, option.rect, index, option.font, option.state & QStyle::State_MouseOver);
    if (option.state & QStyle::State_HasFocus)
        KeyboardPaths::paintFocusRing(*painter, QRectF(option.rect), radius);
    painter->restore();
}

QSize LinkChip::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    // The grid gives every chip its width.
    return {0, fixedHeight};
}

bool LinkChip::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                         const QModelIndex& index)
{
    if (event->type() == QEvent::ToolTip && !index.data(LinkListModel::isAddRole).toBool()
        && removeArea(option.rect).contains(event->pos())) {
        QToolTip::showText(event->globalPos(), QStringLiteral("Remove"), view);
        return true;
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}
