#pragma once

#include "Wisplet/Platform/CalendarEvent.h"

#include <QWidget>

class CalendarTool;
class ElidingLabel;
class PillButton;

// The next timed event: its title, start and countdown, its room when it has no meeting link, and a "Join"
// button when it has one. Shown again for each refresh by setEvent, in place.
class NextEventCard final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NextEventCard)

public:
    explicit NextEventCard(CalendarTool& calendar, QWidget* parent = nullptr);

    void setEvent(const CalendarEvent& event);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CalendarTool& m_calendar;
    CalendarEvent m_event;
    ElidingLabel* m_title = nullptr;
    ElidingLabel* m_when = nullptr;
    ElidingLabel* m_room = nullptr;
    PillButton* m_join = nullptr;
};
