#pragma once

#include "Wisplet/Tools/Links/QuickLink.h"

#include <QListView>

class LinkListModel;

// The links page's grid: the model's cells painted as chips (LinkChip), in as many equal columns of at least
// the minimum width as fit, 8 points apart. Only the chips on screen are painted, so the page costs the
// same for ten links as for the largest file the store reads. A click opens a link, removes it on its
// remove button, or toggles the add form on the last cell; so do Return and Space on the keyboard's cell, and
// Delete or Backspace remove its link. The arrows move by chip and by row, Home and End to the first and last
// link, and the keyboard's chip is always in view.
class LinkGrid final : public QListView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LinkGrid)

public:
    static constexpr int minimumColumnWidth = 96;
    static constexpr int spacing = 8;

    explicit LinkGrid(LinkListModel* model, QWidget* parent = nullptr);

    // How many columns of at least the minimum width, with the spacing between them, fit the width.
    static int columnCount(int width, int minimum = minimumColumnWidth);
    // The least width of a column: the design's, or more where the grid's font needs it for a short title
    // such as "Downloads" to show whole.
    int minimumChipWidth() const;

    LinkListModel& links() const { return *m_model; }
    // The chip of a cell, in the viewport: where it is painted and takes clicks (the spacing takes none).
    QRect visualRect(const QModelIndex& index) const override;

signals:
    void linkClicked(const QuickLink& link);
    void removeClicked(const QUuid& id);
    void addClicked();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

private:
    void act(const QModelIndex& index, bool onRemove);
    // The first cell whose chip is wholly in view.
    QModelIndex firstShown() const;

    LinkListModel* m_model;
    int m_columns = 1;
    // Where the button was released, for the click that follows.
    QPoint m_releasedAt;
};
