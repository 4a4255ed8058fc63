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
    // The least width of a chip that shows a title of ten characters of its font whole beside its symbol.
    static int minimumWidth(const QFont& base);
    // The title as a chip of that width shows it: whole where it fits, else cut short with "…".
    static QString shownTitle(const QString& title, const QFont& base, int chipWidth, bool hovering);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
};
