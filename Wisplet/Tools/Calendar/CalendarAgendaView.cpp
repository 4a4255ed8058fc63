#include "Wisplet/Tools/Calendar/CalendarAgendaView.h"

#include "Wisplet/Base/FileChooserDialog.h"
#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Base/SymbolIcons.h"
#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Notch/ToolViews.h"
#include "Wisplet/Tools/Calendar/AgendaText.h"
#include "Wisplet/Tools/Calendar/CalendarTool.h"
#include "Wisplet/Tools/Calendar/EventRow.h"
#include "Wisplet/Tools/Calendar/NextEventCard.h"

#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

QColor white(double opacity)
{
    return QColor(255, 255, 255, int(opacity * 255 + 0.5));
}

QLabel* symbol(const QString& name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setPixmap(symbolPixmap(name, {20, 20}, white(0.4), parent->devicePixelRatioF()));
    return label;
}

// A column centred in the page; the caller closes it with a stretch.
QVBoxLayout* centredColumn(QWidget* page, int spacing)
{
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(spacing);
    column->addStretch();
    return column;
}

} // namespace

CalendarAgendaView::CalendarAgendaView(CalendarTool& calendar, WispState& wisp, QWidget* parent)
    : QWidget(parent)
    , m_calendar(calendar)
    , m_wisp(wisp)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    connect(&m_calendar, &CalendarTool::changed, this, &CalendarAgendaView::rebuild);
    rebuild();
}

void CalendarAgendaView::rebuild()
{
    QWidget* face = nullptr;
    if (m_calendar.status() != CalendarTool::Status::fullAccess)
        face = accessFace();
    else if (m_calendar.events().isEmpty())
        face = emptyFace();
    else
        face = agendaFace();
    if (m_face) {
        layout()->removeWidget(m_face);
        // The old face may hold the button whose click led here.
        m_face->hide();
        m_face->deleteLater();
    }
    m_face = face;
    layout()->addWidget(m_face);
}

QWidget* CalendarAgendaView::accessFace()
{
    auto* page = new QWidget(this);
    QVBoxLayout* column = centredColumn(page, 8);
    column->addWidget(symbol(QStringLiteral("calendar.badge.exclamationmark"), page), 0, Qt::AlignHCenter);
    const QString text = m_calendar.status() == CalendarTool::Status::restricted
        ? tr("Calendar file can't be read. Check that it still exists and is readable.")
        : tr("Wisp can show your next meeting and a one-click join button.");
    auto* message = toolLabel(text, 13, white(0.6), page);
    message->setAlignment(Qt::AlignCenter);
    message->setWordWrap(true);
    column->addWidget(message);
    auto* allow = new PillButton(tr("Allow Calendar access"), QStringLiteral("calendar"), true, page);
    connect(allow, &QAbstractButton::clicked, this, &CalendarAgendaView::chooseCalendar);
    column->addWidget(allow, 0, Qt::AlignHCenter);
    column->addStretch();
    return page;
}

QWidget* CalendarAgendaView::emptyFace()
{
    auto* page = new QWidget(this);
    QVBoxLayout* column = centredColumn(page, 6);
    column->addWidget(symbol(QStringLiteral("checkmark.circle"), page), 0, Qt::AlignHCenter);
    auto* text = toolLabel(tr("No events in the next seven days"), 12, white(0.7), page);
    QFont font = text->font();
    font.setWeight(QFont::DemiBold);
    text->setFont(font);
    column->addWidget(text, 0, Qt::AlignHCenter);
    column->addStretch();
    return page;
}

QWidget* CalendarAgendaView::agendaFace()
{
    auto* page = new QWidget(this);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    if (const std::optional<CalendarEvent> current = m_calendar.currentEvent()) {
        auto* now = toolLabel(tr("Now: ") + AgendaText::title(*current, tr("Meeting")), 11, white(0.6), page);
        now->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        column->addWidget(now);
    }
    const std::optional<CalendarEvent> next = m_calendar.nextEvent();
    if (next)
        column->addWidget(new NextEventCard(*next, m_calendar, page));
    const QList<CalendarEvent> listed = AgendaText::listed(m_calendar.events(), next);
    if (!listed.isEmpty()) {
        QScrollArea* scroll = toolScrollArea(page);
        QWidget* rows = scroll->widget();
        auto* list = new QVBoxLayout(rows);
        list->setContentsMargins(0, 0, 0, 0);
        list->setSpacing(4);
        for (const CalendarEvent& event : listed)
            list->addWidget(new EventRow(event, rows));
        list->addStretch();
        column->addWidget(scroll, 1);
    } else {
        column->addStretch();
    }
    return page;
}

void CalendarAgendaView::chooseCalendar()
{
    m_wisp.setPinnedOpen(true);
    CalendarTool* calendar = &m_calendar;
    FileChooserDialog::choose(this, tr("Choose a calendar folder or file"), [calendar](const QStringList& paths) {
        if (!paths.isEmpty())
            calendar->requestAccess(paths.first());
    });
}
