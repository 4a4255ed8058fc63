#include "Wisplet/Tools/Calendar/EventRow.h"

#include "Wisplet/Base/EvenDigits.h"
#include "Wisplet/Base/SymbolIcons.h"
#include "Wisplet/Tools/Calendar/AgendaText.h"
#include "Wisplet/Tools/Calendar/EventListModel.h"

#include <QPainter>

#include <cmath>

namespace {

constexpr int padding = 6;
constexpr int spacing = 8;
constexpr int dotSize = 6;
constexpr int videoSize = 9;
// More than a line can show at any width the panel has; a runaway title is never measured whole.
constexpr qsizetype titleCharacters = 500;

const QColor timeColour(255, 255, 255, 128);
const QColor titleColour(255, 255, 255, 217);

} // namespace

EventRow::EventRow(QObject* parent)
    : QStyledItemDelegate(parent)
{ }

QFont EventRow::rowFont(const QFont& base)
{
    QFont font = base;
    font.setPixelSize(textPixels);
    return font;
}

int EventRow::timeColumnWidth(const QFont& font, const QLocale& locale)
{
    // Late in the day on a two-digit day of every month covers the longest month names and times.
    qreal widest = timeWidth;
    for (int month = 1; month <= 12; ++month) {
        const QDateTime sample(QDate(2026, month, 28), QTime(22, 58));
        widest = std::max(widest, EvenDigits::width(font, AgendaText::startText(sample, locale)));
    }
    return int(std::ceil(widest));
}

EventRow::Parts EventRow::layout(const QRect& row, const QString& start, const QString& title, bool hasLink,
                                 const QFont& font, int timeColumn)
{
    const QFontMetrics metrics(font);
    Parts parts;
    const int left = row.left() + padding;
    const int right = row.right() + 1 - padding;
    parts.dot = QRectF(left, row.center().y() + 0.5 - dotSize / 2.0, dotSize, dotSize);
    parts.time = QRect(left + dotSize + spacing, row.top(), timeColumn, row.height());
    parts.timeText = EvenDigits::elided(font, start, timeColumn);
    const int titleLeft = parts.time.right() + 1 + spacing;
    int titleRight = right;
    if (hasLink) {
        parts.video = QRect(right - videoSize, row.top() + (row.height() - videoSize) / 2, videoSize, videoSize);
        titleRight = parts.video.left() - spacing;
    }
    parts.title = QRect(titleLeft, row.top(), std::max(0, titleRight - titleLeft), row.height());
    parts.titleText = metrics.elidedText(title.left(titleCharacters), Qt::ElideRight, parts.title.width());
    return parts;
}

void EventRow::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QFont font = rowFont(option.font);
    if (!m_timeColumn)
        m_timeColumn = timeColumnWidth(font, option.locale);
    const QRect row(option.rect.topLeft(), QSize(option.rect.width(), rowHeight));
    const Parts parts = layout(row, index.data(EventListModel::startRole).toString(), index.data().toString(),
                               index.data(EventListModel::hasLinkRole).toBool(), font, *m_timeColumn);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(index.data(EventListModel::colorRole).value<QColor>());
    painter->drawEllipse(parts.dot);
    painter->setFont(font);
    drawTime(*painter, parts.time, parts.timeText);
    painter->setPen(titleColour);
    painter->drawText(parts.title, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, parts.titleText);
    if (!parts.video.isEmpty())
        painter->drawPixmap(parts.video, videoSymbol(painter->device()->devicePixelRatioF()));
    painter->restore();
}

// Every event time of the list is drawn here.
void EventRow::drawTime(QPainter& painter, const QRect& rect, const QString& text)
{
    painter.setPen(timeColour);
    EvenDigits::draw(painter, rect, Qt::AlignLeft | Qt::AlignVCenter, text);
}

QSize EventRow::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    // No width of its own: a row is as wide as the list, however the list's width changes. The spacing
    // between rows is the lower part of each row.
    return {0, rowHeight + rowSpacing};
}

const QPixmap& EventRow::videoSymbol(qreal dpr) const
{
    if (m_video.isNull() || !qFuzzyCompare(m_video.devicePixelRatio(), dpr))
        m_video = symbolPixmap(QStringLiteral("video.fill"), {videoSize, videoSize}, timeColour, dpr);
    return m_video;
}
