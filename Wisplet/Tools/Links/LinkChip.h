#pragma once

#include <QStyledItemDelegate>

// Paints a cell of the links grid as a chip: the link's symbol and title on a rounded rectangle, lighter and
// with a remove button while the pointer rests on it, a ring while it has the keyboard focus; the last
// cell is the "Add" chip.
class LinkChip final : public QStyledItemDelegate
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LinkChip)

public:
    static constexpr int fixedHeight = 30;

    explicit LinkChip(QObject* parent = nullptr);

    // A folder for a file address, else an arrow out of a square.
    static QString symbolName(const QString& url);
    // Where a chip's remove button is.
    static QRect removeArea(const QRect& chip);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
};
