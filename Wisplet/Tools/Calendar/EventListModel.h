#pragma once

#include "Wisplet/Base/RowListModel.h"
#include "Wisplet/Platform/CalendarEvent.h"

#include <QColor>

// The agenda's list: one row per event, its texts made only when a row is drawn.
class EventListModel final : public RowListModel<CalendarEvent>
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

    // The colour of the event's calendar, or the panel's blue when it has none.
    static QColor colorOf(const CalendarEvent& event);

    QVariant data(const QModelIndex& index, int role) const override;
};
