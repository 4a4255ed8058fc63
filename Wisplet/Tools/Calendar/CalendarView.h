#pragma once

#include <QWidget>

class CalendarTool;
class QButtonGroup;
class QStackedWidget;
class ReminderStore;
class WispState;

// The calendar tool's page: a picker between the week's agenda and the reminders. It opens on the agenda.
class CalendarView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CalendarView)

public:
    CalendarView(CalendarTool& calendar, ReminderStore& reminders, WispState& wisp, QWidget* parent = nullptr);

    bool showsReminders() const;
    void setShowsReminders(bool reminders);

private:
    ReminderStore& m_reminders;
    WispState& m_wisp;
    QButtonGroup* m_segments = nullptr;
    QStackedWidget* m_pages = nullptr;
    QWidget* m_remindersPage = nullptr;
};
