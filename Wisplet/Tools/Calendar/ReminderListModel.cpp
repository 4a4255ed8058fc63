#include "Wisplet/Tools/Calendar/ReminderListModel.h"

#include "Wisplet/Base/OutsideText.h"
#include "Wisplet/Tools/Calendar/AgendaText.h"

ReminderListModel::ReminderListModel(QObject* parent)
    : RowListModel(parent)
{ }

QVariant ReminderListModel::data(const QModelIndex& index, int role) const
{
    const Reminder* reminder = valueAt(index);
    if (!reminder)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return reminder->title;
    case dueRole:
        return reminder->due.isValid() ? AgendaText::dueText(reminder->due) : QString();
    case completeLabelRole:
    case Qt::AccessibleTextRole:
        return tr("Complete ") + OutsideText::isolated(reminder->title);
    default:
        return {};
    }
}
