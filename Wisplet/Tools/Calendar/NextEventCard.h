#pragma once

#include "Wisplet/Platform/CalendarEvent.h"

#include <QWidget>

class CalendarTool;

// The next timed event: its title, start and countdown, its room when it has no meeting link, and a "Join"
// button when it has one.
class NextEventCard final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NextEventCard)

public:
    NextEventCard(const CalendarEvent& event, CalendarTool& calendar, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color;
};
