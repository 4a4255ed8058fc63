#include "Wisplet/Tools/Calendar/EventListModel.h"

#include "Wisplet/Tools/Calendar/AgendaText.h"
#include "Wisplet/Tools/Calendar/MeetingLinks.h"

EventListModel::EventListModel(QObject* parent)
    : RowListModel(parent)
{ }

QColor EventListModel::colorOf(const CalendarEvent& event)
{
    const QColor color = QColor::fromString(event.color);
    return color.isValid() ? color : QColor(10, 132, 255);
}

QVariant EventListModel::data(const QModelIndex& index, int role) const
{
    const CalendarEvent* event = valueAt(index);
    if (!event)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return AgendaText::title(*event, tr("Untitled"));
    case startRole:
        return event->allDay ? tr("All day") : AgendaText::startText(event->start);
    case colorRole:
        return colorOf(*event);
    case hasLinkRole:
        return meetingURL(*event).has_value();
    default:
        return {};
    }
}
