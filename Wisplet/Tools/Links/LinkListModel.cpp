#include "Wisplet/Tools/Links/LinkListModel.h"

#include "Wisplet/Base/PlainToolTip.h"
#include "Wisplet/Tools/Links/ShownAddress.h"

LinkListModel::LinkListModel(QObject* parent)
    : RowListModel(parent)
{
    setLinks({});
}

void LinkListModel::setLinks(const QList<QuickLink>& links)
{
    QList<QuickLink> cells = links;
    // A link without an id stands for the "Add" chip; stored links always have one.
    cells.append(QuickLink{});
    setValues(cells);
}

std::optional<QuickLink> LinkListModel::linkAt(const QModelIndex& index) const
{
    const QuickLink* link = valueAt(index);
    if (!link || link->id.isNull())
        return std::nullopt;
    return *link;
}

QVariant LinkListModel::data(const QModelIndex& index, int role) const
{
    const QuickLink* link = valueAt(index);
    if (!link)
        return {};
    const bool isAdd = link->id.isNull();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return isAdd ? QStringLiteral("Add") : LinkRules::shownTitle(*link);
    case Qt::ToolTipRole:
        return isAdd ? QVariant() : plainToolTip(ShownAddress::text(link->url));
    case urlRole:
        return isAdd ? QVariant() : link->url;
    case isAddRole:
        return isAdd;
    default:
        return {};
    }
}
