#pragma once

#include <QWidget>

class CalendarTool;
class WispState;

// The calendar's page: asks for a calendar while none can be read, says when the week is empty, and
// otherwise shows what runs now, the next meeting's card and the other events of the week.
class CalendarAgendaView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CalendarAgendaView)

public:
    CalendarAgendaView(CalendarTool& calendar, WispState& wisp, QWidget* parent = nullptr);

private:
    void rebuild();
    QWidget* accessFace();
    QWidget* emptyFace();
    QWidget* agendaFace();
    void chooseCalendar();

    CalendarTool& m_calendar;
    WispState& m_wisp;
    QWidget* m_face = nullptr;
};
