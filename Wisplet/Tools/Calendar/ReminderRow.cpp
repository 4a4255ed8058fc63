#include "Wisplet/Tools/Calendar/ReminderRow.h"

#include "Wisplet/Base/PlainToolTip.h"
#include "Wisplet/Base/SymbolIcons.h"
#include "Wisplet/Tools/Calendar/ReminderListModel.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace {

constexpr int gap = 6;
constexpr int symbolPixels = 16;
constexpr int titleLines = 2;
// More than two lines can show at any width the panel has; a runaway title is never laid out whole.
constexpr qsizetype titleCharacters = 500;

const QColor symbolColour(255, 255, 255, 191);
const QColor titleColour(255, 255, 255, 230);
const QColor dueColour(255, 255, 255, 128);

QFont sized(const QFont& base, int pixels)
{
    QFont font = base;
    font.setPixelSize(pixels);
    return font;
}

} // namespace

ReminderRow::ReminderRow(QObject* parent)
    : QStyledItemDelegate(parent)
    , m_circle(symbolIcon(QStringLiteral("circle"), symbolColour))
{ }

QFont ReminderRow::titleFont(const QFont& base)
{
    return sized(base, 12);
}

QFont ReminderRow::dueFont(const QFont& base)
{
    return sized(base, 11);
}

ReminderRow::Parts ReminderRow::layout(const QRect& row, const QString& title, const QString& due, const QFont& base)
{
    const QFontMetrics titleMetrics(titleFont(base));
    const QFontMetrics dueMetrics(dueFont(base));
    Parts parts;
    parts.titleText = title.left(titleCharacters);
    const int dueWidth = due.isEmpty() ? 0 : dueMetrics.horizontalAdvance(due);
    const int titleLeft = row.left() + buttonSize + gap;
    const int titleRight = row.right() + 1 - (due.isEmpty() ? 0 : dueWidth + gap);
    const int titleWidth = std::max(1, titleRight - titleLeft);
    const int wrapped =
        titleMetrics.boundingRect(QRect(0, 0, titleWidth, 1'000'000), Qt::TextWordWrap, parts.titleText).height();
    const int lines = std::clamp(wrapped / std::max(1, titleMetrics.lineSpacing()), 1, titleLines);
    const int titleHeight = lines * titleMetrics.lineSpacing();
    parts.height = std::max(buttonSize, titleHeight);
    const auto centred = [&](int left, int width, int height) {
        return QRect(left, row.top() + (parts.height - height) / 2, width, height);
    };
    parts.button = centred(row.left(), buttonSize, buttonSize);
    parts.title = centred(titleLeft, titleWidth, titleHeight);
    if (!due.isEmpty())
        parts.due = centred(row.right() + 1 - dueWidth, dueWidth, dueMetrics.height());
    return parts;
}

ReminderRow::Parts ReminderRow::layoutOf(const QStyleOptionViewItem& option, const QModelIndex& index)
{
    return layout(option.rect, index.data().toString(), index.data(ReminderListModel::dueRole).toString(), option.font);
}

void ReminderRow::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const Parts parts = layoutOf(option, index);
    painter->save();
    const int inset = (buttonSize - symbolPixels) / 2;
    m_circle.paint(painter, parts.button.adjusted(inset, inset, -inset, -inset));
    painter->setClipRect(parts.title);
    painter->setFont(titleFont(option.font));
    painter->setPen(titleColour);
    painter->drawText(parts.title, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, parts.titleText);
    painter->setClipping(false);
    if (!parts.due.isEmpty()) {
        painter->setFont(dueFont(option.font));
        painter->setPen(dueColour);
        painter->drawText(parts.due, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          index.data(ReminderListModel::dueRole).toString());
    }
    painter->restore();
}

QSize ReminderRow::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    // No width of its own, as wide as the list: only the wrapped title's height depends on the width.
    return {0, layoutOf(option, index).height + spacing};
}

bool ReminderRow::editorEvent(QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option,
                              const QModelIndex& index)
{
    if (event->type() != QEvent::MouseButtonRelease)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton || !layoutOf(option, index).button.contains(mouse->position().toPoint()))
        return false;
    emit completeRequested(index);
    return true;
}

bool ReminderRow::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                            const QModelIndex& index)
{
    if (event->type() != QEvent::ToolTip || !layoutOf(option, index).button.contains(event->pos()))
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    QToolTip::showText(event->globalPos(), plainToolTip(index.data(ReminderListModel::completeLabelRole).toString()),
                       view);
    return true;
}
