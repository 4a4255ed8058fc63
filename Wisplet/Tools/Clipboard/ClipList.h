#pragma once

#include "Wisplet/Notch/RingedListView.h"
#include "Wisplet/Tools/Clipboard/ClipItem.h"
#include "Wisplet/Tools/Clipboard/ClipRow.h"

class ClipListModel;

// The clipboard page's list: the entries shown, painted by ClipRow, only those on screen. A click on a row
// copies its entry back, on its pin or delete button pins or deletes it. The keyboard reaches the list with
// Tab, moves between rows with the arrows, and within the current row Tab goes on to its pin and delete
// buttons before it leaves the list; Return or Space acts on the one that wears the ring.
class ClipList final : public RingedListView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClipList)

public:
    // `folder` holds the history's pictures.
    explicit ClipList(const QString& folder, QWidget* parent = nullptr);

    ClipListModel& entries() const { return *m_model; }
    // Shows these entries, changing only the rows that differ; the current row stays with its entry.
    void setEntries(const QList<ClipItem>& items);
    // The part of the current row the keyboard is on.
    ClipRow::Part currentPart() const { return m_part; }
    // As a click on that part of the row.
    void activate(const QModelIndex& index, ClipRow::Part part);

signals:
    void partActivated(const ClipItem& item, ClipRow::Part part);

protected:
    Ring ringOn(const QModelIndex& current) const override;
    bool focusNextPrevChild(bool next) override;
    void focusInEvent(QFocusEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Assistive technology hears where the keyboard went within the row.
    void announcePart();

    ClipListModel* m_model;
    ClipRow::Part m_part = ClipRow::Part::row;
    // While the current row follows its entry to another place, the keyboard stays on the same part.
    bool m_following = false;
    // Where the button went down: a click acts only where it also comes up.
    QPersistentModelIndex m_pressed;
    ClipRow::Part m_pressedPart = ClipRow::Part::row;
};
