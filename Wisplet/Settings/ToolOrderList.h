#pragma once

#include "Wisplet/Base/ToolID.h"

#include <QList>
#include <QListWidget>
#include <QSet>

// The tools settings' list: every tool in the user's order with a switch each. Rows are dragged to a new
// place, or moved with Alt+Up and Alt+Down; the list only asks for a move and shows the order it is given,
// so the registry stays the one place the order lives.
class ToolOrderList final : public QListWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ToolOrderList)

public:
    explicit ToolOrderList(QWidget* parent = nullptr);

    // Shows the tools without emitting anything; the current row stays on the tool it was on.
    void setTools(const QList<ToolID>& order, const QSet<ToolID>& enabled);
    ToolID toolAt(int row) const;

    // The standard move of a list: the rows are taken out and put back, in their former order, before the
    // destination, which counts rows as they stood before the move.
    static QList<ToolID> moved(const QList<ToolID>& order, QList<int> rows, int destination);

signals:
    // The user switched a tool on or off.
    void enabledEdited(ToolID tool, bool on);
    // The user dropped or moved these rows before the destination row.
    void moveRequested(const QList<int>& rows, int destination);

protected:
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The row a drop at this point goes before: the upper half of a row means before it, the lower half
    // after it, as the drop indicator shows.
    int dropRow(const QPoint& position) const;
    void itemEdited(QListWidgetItem* item);
};
