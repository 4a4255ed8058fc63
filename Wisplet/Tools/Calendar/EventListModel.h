#pragma once

#include "Wisplet/Platform/CalendarEvent.h"

#include <QAbstractListModel>
#include <QList>

// The agenda's list: one row per event, its texts made only when a row is drawn. A new list changes the
// rows in place (changed, inserted or removed rows between what stayed the same at both ends), so a view
// keeps its scroll position, hover and focus across refreshes.
class EventListModel final : public QAbstractListModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EventListModel)

public:
    enum Role {
        startRole = Qt::UserRole + 1, // "All day" or the start's date and time
        colorRole, // the calendar's colour
        hasLinkRole, // the event has a meeting link
    };

    explicit EventListModel(QObject* parent = nullptr);

    void setEvents(const QList<CalendarEvent>& events);
    const QList<CalendarEvent>& events() const { return m_events; }

    // The colour of the event's calendar, or the panel's blue when it has none.
    static QColor colorOf(const CalendarEvent& event);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    QList<CalendarEvent> m_events;
};
