#pragma once

#include "Wisplet/Notch/RingedListView.h"
#include "Wisplet/Tools/Files/ShelfItem.h"

#include <QSet>
#include <QUuid>

class ShelfFileModel;

// The shelf's list: 52-point rows with 38-point icons, several rows selectable, dragged out as copies of
// the files. Space and a double click ask for a preview. Clicking a row takes the panel's keyboard focus
// (it counts as needing typing) so that Space reaches it.
class ShelfFileList final : public RingedListView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ShelfFileList)

public:
    static constexpr int rowHeight = 52;
    static constexpr int iconPoints = 38;

    explicit ShelfFileList(QWidget* parent = nullptr);

    ShelfFileModel& shelfModel() const { return *m_model; }

    void setItems(const QList<ShelfItem>& items);
    // Selects exactly the rows with these ids (others ignored), only when that differs from what is
    // selected; never reported back through selectedIdsChanged.
    void setSelectedIds(const QSet<QUuid>& ids);
    QSet<QUuid> selectedIds() const;
    // Makes the row with the id the current and only selected one and gives the list the keyboard, as a click on
    // it would.
    void chooseRow(const QUuid& id);

signals:
    // The user changed the selection.
    void selectedIdsChanged(const QSet<QUuid>& ids);
    void previewRequested(const QString& path);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
    void startDrag(Qt::DropActions supportedActions) override;

private:
    void requestPreview();

    ShelfFileModel* m_model;
    QSet<QUuid> m_wanted;
    bool m_updating = false;
};
