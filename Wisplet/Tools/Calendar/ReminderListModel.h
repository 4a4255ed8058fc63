#pragma once

#include "Wisplet/Base/RowListModel.h"
#include "Wisplet/Platform/RemindersSource.h"

// The reminders page's list: one row per incomplete reminder, in the store's order.
class ReminderListModel final : public RowListModel<Reminder>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReminderListModel)

public:
    enum Role {
        dueRole = Qt::UserRole + 1, // the due day, empty without one
        completeLabelRole, // the name of the row's complete button
    };

    explicit ReminderListModel(QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role) const override;
};
