#include "Wisplet/Tools/Calendar/CalendarView.h"

#include "Wisplet/Notch/SegmentedPicker.h"
#include "Wisplet/Tools/Calendar/CalendarAgendaView.h"
#include "Wisplet/Tools/Calendar/RemindersView.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QStackedWidget>
#include <QVBoxLayout>

CalendarView::CalendarView(CalendarTool& calendar, ReminderStore& reminders, WispState& wisp, QWidget* parent)
    : QWidget(parent)
    , m_reminders(reminders)
    , m_wisp(wisp)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);

    auto* picker = new SegmentedPicker(tr("Calendar view"), {tr("7-day agenda"), tr("Reminders")}, this);
    m_segments = picker->segments();
    connect(m_segments, &QButtonGroup::idClicked, this, [this](int id) { setShowsReminders(id == 1); });
    layout->addWidget(picker, 0, Qt::AlignHCenter);

    m_pages = new QStackedWidget(this);
    m_pages->addWidget(new CalendarAgendaView(calendar, wisp, m_pages));
    layout->addWidget(m_pages, 1);
}

bool CalendarView::showsReminders() const
{
    return m_remindersPage && m_pages->currentWidget() == m_remindersPage;
}

void CalendarView::setShowsReminders(bool reminders)
{
    // Made on first use: showing it refreshes the reminders, which the agenda alone never needs.
    if (reminders && !m_remindersPage) {
        m_remindersPage = new RemindersView(m_reminders, m_wisp, m_pages);
        m_pages->addWidget(m_remindersPage);
    }
    m_segments->button(reminders ? 1 : 0)->setChecked(true);
    m_pages->setCurrentIndex(reminders ? 1 : 0);
}
