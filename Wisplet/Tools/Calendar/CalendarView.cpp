#include "Wisplet/Tools/Calendar/CalendarView.h"

#include "Wisplet/Tools/Calendar/CalendarAgendaView.h"
#include "Wisplet/Tools/Calendar/RemindersView.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPushButton>
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

    auto* picker = new QWidget(this);
    picker->setAccessibleName(tr("Calendar view"));
    picker->setStyleSheet(
        QStringLiteral("QPushButton { color: rgba(255,255,255,0.8); background: rgba(255,255,255,0.08); border: none;"
                       " border-radius: 6px; padding: 4px 12px; }"
                       "QPushButton:checked { color: white; background: rgba(255,255,255,0.26); }"));
    auto* segments = new QHBoxLayout(picker);
    segments->setContentsMargins(0, 0, 0, 0);
    segments->setSpacing(2);
    m_segments = new QButtonGroup(picker);
    const QStringList names{tr("7-day agenda"), tr("Reminders")};
    for (int i = 0; i < names.size(); ++i) {
        auto* segment = new QPushButton(names[i], picker);
        segment->setCheckable(true);
        segment->setChecked(i == 0);
        segment->setFocusPolicy(Qt::NoFocus);
        QFont font = segment->font();
        font.setPixelSize(12);
        font.setWeight(QFont::Medium);
        segment->setFont(font);
        m_segments->addButton(segment, i);
        segments->addWidget(segment);
    }
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
