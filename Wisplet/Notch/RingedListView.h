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

protected:
    void paintEvent(QPaintEvent* event) override;
};
