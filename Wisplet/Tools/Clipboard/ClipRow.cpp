#include "Wisplet/Tools/Clipboard/ClipRow.h"

#include "Wisplet/Base/SymbolIcons.h"
#include "Wisplet/Tools/Clipboard/ClipListModel.h"

#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

namespace {

constexpr int padding = 8;
constexpr int gap = 10;
constexpr QSize pictureSize{34, 26};
constexpr double pictureRadius = 5;
constexpr int textPixels = 12;
constexpr int kindSymbolPixels = 12;
constexpr int buttonSymbolPixels = 13;

QColor white(int alpha)
{
    return {255, 255, 255, alpha};
}

QPixmap symbol(const QString& name, int pixels, const QColor& ink, const QPainter& painter)
{
    return symbolPixmap(name, QSize(pixels, pixels), ink, painter.device()->devicePixelRatioF());
}

void drawCentred(QPainter& painter, const QRect& frame, const QPixmap& pixmap)
{
    const QSizeF size = pixmap.deviceIndependentSize();
    painter.drawPixmap(QRectF(frame).center() - QPointF(size.width(), size.height()) / 2, pixmap);
}

void fillRounded(QPainter& painter, const QRect& shape, double radius, const QColor& colour)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(shape), radius, radius);
    painter.fillPath(path, colour);
}

// The picture fills the frame, cropped to it about its centre.
void drawPicture(QPainter& painter, const QRect& frame, const QPixmap& picture)
{
    const QSizeF source = picture.deviceIndependentSize();
    const double scale = std::max(frame.width() / source.width(), frame.height() / source.height());
    const QSizeF drawn = source * scale;
    QPainterPath clip;
    clip.addRoundedRect(QRectF(frame), pictureRadius, pictureRadius);
    painter.save();
    painter.setClipPath(clip);
    painter.drawPixmap(QRectF(QRectF(frame).center() - QPointF(drawn.width(), drawn.height()) / 2, drawn), picture,
                       QRectF(picture.rect()));
    painter.restore();
}

void drawButton(QPainter& painter, const QRect& square, const QString& name, bool active)
{
    fillRounded(painter, square, ClipRow::buttonRadius, white(26));
    drawCentred(painter, square, symbol(name, buttonSymbolPixels, white(active ? 255 : 153), painter));
}

void drawLine(QPainter& painter, const QRect& line, const QString& text, int alpha)
{
    painter.setPen(white(alpha));
    painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     painter.fontMetrics().elidedText(text, Qt::ElideRight, line.width()));
}

} // namespace

ClipRow::ClipRow(QObject* parent)
    : QStyledItemDelegate(parent)
{ }

ClipRow::Parts ClipRow::layout(const QRect& cell)
{
    Parts parts;
    parts.row = QRect(cell.left(), cell.top(), cell.width(), rowHeight);
    const int middle = parts.row.top() + rowHeight / 2;
    parts.picture = QRect(QPoint(cell.left() + padding, middle - pictureSize.height() / 2), pictureSize);
    parts.remove = QRect(parts.row.right() + 1 - padding - buttonSide, middle - buttonSide / 2, buttonSide, buttonSide);
    parts.pin = parts.remove.translated(-buttonSide - gap, 0);
    const int textLeft = parts.picture.right() + 1 + gap;
    const int textWidth = std::max(0, parts.pin.left() - gap - textLeft);
    // Two lines a point apart, each centred in about half of the row.
    const int titleHeight = rowHeight / 2;
    parts.title = QRect(textLeft, parts.row.top(), textWidth, titleHeight);
    parts.detail = QRect(textLeft, parts.title.bottom() + 2, textWidth, rowHeight - titleHeight - 1);
    return parts;
}

QRect ClipRow::Parts::of(Part part) const
{
    switch (part) {
    case Part::pin:
        return pin;
    case Part::remove:
        return remove;
    case Part::row:
        break;
    }
    return row;
}

ClipRow::Part ClipRow::partAt(const QRect& cell, const QPoint& point)
{
    const Parts parts = layout(cell);
    if (parts.pin.contains(point))
        return Part::pin;
    if (parts.remove.contains(point))
        return Part::remove;
    return Part::row;
}

void ClipRow::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const Parts parts = layout(option.rect);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    fillRounded(*painter, parts.row, rowRadius, white(option.state & QStyle::State_MouseOver ? 26 : 10));

    const QPixmap picture = index.data(Qt::DecorationRole).value<QPixmap>();
    if (!picture.isNull())
        drawPicture(*painter, parts.picture, picture);
    else
        drawCentred(*painter, parts.picture,
                    symbol(index.data(ClipListModel::symbolRole).toString(), kindSymbolPixels, white(153), *painter));

    QFont font = option.font;
    font.setPixelSize(textPixels);
    painter->setFont(font);
    drawLine(*painter, parts.title, index.data().toString(), 255);
    drawLine(*painter, parts.detail, index.data(ClipListModel::subtitleRole).toString(), 166);

    const bool pinned = index.data(ClipListModel::pinnedRole).toBool();
    drawButton(*painter, parts.pin, pinned ? QStringLiteral("pin.fill") : QStringLiteral("pin"), pinned);
    drawButton(*painter, parts.remove, QStringLiteral("trash"), false);
    painter->restore();
}

QSize ClipRow::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    // As wide as the list.
    return {0, rowHeight + spacing};
}

bool ClipRow::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                        const QModelIndex& index)
{
    if (event->type() == QEvent::ToolTip && !layout(option.rect).title.contains(event->pos())) {
        QToolTip::hideText();
        return true;
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}
