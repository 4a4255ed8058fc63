#pragma once

#include <QListView>

// A list of a tool page whose current row wears the focus ring while the list has the keyboard, so the row
// that the arrows reach (and Space or Return acts on) shows over any row painting or faint selection.
class RingedListView : public QListView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RingedListView)

public:
    using QListView::QListView;

    // What the ring goes round: a rectangle in the viewport, rounded by the radius.
    struct Ring
    {
        QRectF shape;
        double radius = 0;
    };

    // Shows the model's rows as the delegate paints them (taking the delegate): no selection or editing, no
    // frame, scrolled by the pixel with the pages' quiet scroll bar, over the island.
    void paintRows(QAbstractItemModel* model, QAbstractItemDelegate* delegate);

    // Where the keyboard is, for input methods and for tests that look for the ring: the ring's rectangle.
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

protected:
    // The current row, unless a list rings a part of it (a button the keyboard is on).
    virtual Ring ringOn(const QModelIndex& current) const;
    void paintEvent(QPaintEvent* event) override;
};
