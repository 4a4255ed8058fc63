#pragma once

#include "Wisplet/Platform/CalendarEvent.h"

#include <QWidget>

// One line of the agenda: the calendar's colour, the start (or "All day"), the title, and a video symbol
// when the event has a meeting link.
class EventRow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EventRow)

public:
    static constexpr int rowHeight = 24;
    static constexpr int timeWidth = 106;

    explicit EventRow(const CalendarEvent& event, QWidget* parent = nullptr);

    // The colour of the event's calendar, or the panel's blue when it has none.
    static QColor colorOf(const CalendarEvent& event);
};
