#include "Wisplet/Tools/Calendar/ReminderStore.h"

ReminderStore& ReminderStore::shared()
{
    static ReminderStore store;
    return store;
}

ReminderStore::ReminderStore(QObject* parent)
    : QObject(parent)
{ }

void ReminderStore::setItems(const QList<Reminder>& items)
{
    m_items = items;
    emit itemsChanged(m_items);
    emit changed();
}

void ReminderStore::clear()
{
    m_generation = QUuid::createUuid();
    setItems({});
}
