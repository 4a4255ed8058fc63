#pragma once

#include <QStyledItemDelegate>

// Paints one entry of the clipboard list: its picture or symbol, its title and its application and age, and
// its pin and delete buttons, on a rounded row that lightens under the pointer. The title's tooltip shows
// it whole.
class ClipRow final : public QStyledItemDelegate
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClipRow)

public:
    static constexpr int rowHeight = 38;
    // Between one row and the next.
    static constexpr int spacing = 2;
    static constexpr int buttonSide = 22;
    static constexpr double rowRadius = 9;
    static constexpr double buttonRadius = 6;

    // What a click or a key acts on: the row copies its entry back.
    enum class Part { row, pin, remove };

    // Where the parts of a row go in the cell the list gives it.
    struct Parts
    {
        QRect row;
        QRect picture;
        QRect title;
        QRect detail;
        QRect pin;
        QRect remove;

        // What a part takes: the whole row, or its button.
        QRect of(Part part) const;
    };

    explicit ClipRow(QObject* parent = nullptr);

    static Parts layout(const QRect& cell);
    static Part partAt(const QRect& cell, const QPoint& point);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
};
