#include "Wisplet/Tools/Calendar/EventListModel.h"

#include "Wisplet/Tools/Calendar/AgendaText.h"
#include "Wisplet/Tools/Calendar/MeetingLinks.h"

#include <algorithm>

EventListModel::EventListModel(QObject* parent)
    : QAbstractListModel(parent)
{ }

QColor EventListModel::colorOf(const CalendarEvent& event)
{
    return event.color.isValid() ? event.color : QColor(10, 132, 255);
}

void EventListModel::setEvents(const QList<CalendarEvent>& events)
{
    const qsizetype oldCount = m_events.size();
    const qsizetype newCount = events.size();
    const qsizetype shorter = std::min(oldCount, newCount);
    qsizetype head = 0;
    while (head < shorter && m_events.at(head) == events.at(head))
        ++head;
    if (head == oldCount && head == newCount)
        return;
    qsizetype tail = 0;
    while (tail < shorter - head && m_events.at(oldCount - 1 - tail) == events.at(newCount - 1 - tail))
        ++tail;
    const qsizetype oldMiddle = oldCount - head - tail;
    const qsizetype newMiddle = newCount - head - tail;
    const qsizetype replaced = std::min(oldMiddle, newMiddle);

    for (qsizetype i = 0; i < replaced; ++i)
        m_events[head + i] = events.at(head + i);
    if (replaced > 0)
        emit dataChanged(index(int(head)), index(int(head + replaced - 1)));
    const qsizetype from = head + replaced;
    if (oldMiddle > newMiddle) {
        beginRemoveRows({}, int(from), int(head + oldMiddle - 1));
        m_events.remove(from, oldMiddle - newMiddle);
        endRemoveRows();
    } else if (newMiddle > oldMiddle) {
        beginInsertRows({}, int(from), int(head + newMiddle - 1));
        m_events.insert(from, newMiddle - oldMiddle, CalendarEvent{});
        std::copy(events.begin() + from, events.begin() + head + newMiddle, m_events.begin() + from);
        endInsertRows();
    }
}

int EventListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_events.size());
}

QVariant EventListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const CalendarEvent& event = m_events.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return AgendaText::title(event, tr("Untitled"));
    case startRole:
        return event.allDay ? tr("All day") : AgendaText::startText(event.start);
    case colorRole:
        return colorOf(event);
    case hasLinkRole:
        return meetingURL(event).has_value();
    default:
        return {};
    }
}
