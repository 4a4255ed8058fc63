#pragma once

#include "Wisplet/Base/RowListModel.h"
#include "Wisplet/Tools/Links/QuickLink.h"

// The cells of the links page: one per link, in the store's order, and last the "Add" chip. A new list
// changes only the cells that differ, so the page keeps its scroll position and hover.
class LinkListModel final : public RowListModel<QuickLink>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LinkListModel)

public:
    enum Role { urlRole = Qt::UserRole + 1, isAddRole };

    explicit LinkListModel(QObject* parent = nullptr);

    void setLinks(const QList<QuickLink>& links);
    // The link of a cell; none for the "Add" chip.
    std::optional<QuickLink> linkAt(const QModelIndex& index) const;

    QVariant data(const QModelIndex& index, int role) const override;
};
