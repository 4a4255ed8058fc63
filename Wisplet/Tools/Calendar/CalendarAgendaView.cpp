#include "Wisplet/Tools/Calendar/CalendarAgendaView.h"

#include "Wisplet/Base/Colours.h"
#include "Wisplet/Base/ElidingLabel.h"
#include "Wisplet/Base/FileChooserDialog.h"
#include "Wisplet/Base/OutsideText.h"
#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Base/SymbolIcons.h"
#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Notch/ToolViews.h"
#include "Wisplet/Tools/Calendar/AgendaText.h"
#include "Wisplet/Tools/Calendar/CalendarTool.h"
#include "Wisplet/Tools/Calendar/EventListModel.h"
#include "Wisplet/Tools/Calendar/EventRow.h"
#include "Wisplet/Tools/Calendar/NextEventCard.h"
#include "Wisplet/Tools/Calendar/PaintedList.h"

#include <QLabel>
#include <QListView>
#include <QStackedWidget>
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
    layout->setSpacing(8);
    m_faces = new QStackedWidget(this);
    m_faces->addWidget(makeAccessFace());
    m_faces->addWidget(makeEmptyFace());
    m_faces->addWidget(makeAgendaFace());
    layout->addWidget(m_faces, 1);
    m_error = toolLabel({}, 12, warningOrange, this);
    m_error->setWordWrap(true);
    m_error->hide();
    layout->addWidget(m_error);
    connect(&m_calendar, &CalendarTool::changed, this, &CalendarAgendaView::refresh);
    // The store signals a change only when an event changed; the countdowns move with every reading.
    connect(&m_calendar, &CalendarTool::peekChanged, this, &CalendarAgendaView::refresh);
    connect(&m_calendar, &CalendarTool::errorTextChanged, this, &CalendarAgendaView::setErrorText);
    setErrorText(m_calendar.errorText());
    refresh();
}

void CalendarAgendaView::setErrorText(const QString& text)
{
    m_error->setText(text);
    m_error->setVisible(!text.isEmpty());
}

QWidget* CalendarAgendaView::makeAccessFace()
{
    m_accessFace = new QWidget(this);
    QVBoxLayout* column = centredColumn(m_accessFace, 8);
    column->addWidget(symbol(QStringLiteral("calendar.badge.exclamationmark"), m_accessFace), 0, Qt::AlignHCenter);
    m_accessMessage = toolLabel({}, 13, white(0.6), m_accessFace);
    m_accessMessage->setAlignment(Qt::AlignCenter);
    m_accessMessage->setWordWrap(true);
    column->addWidget(m_accessMessage);
    auto* allow = new PillButton(tr("Allow Calendar access"), QStringLiteral("calendar"), true, m_accessFace);
    connect(allow, &QAbstractButton::clicked, this, &CalendarAgendaView::chooseCalendar);
    column->addWidget(allow, 0, Qt::AlignHCenter);
    column->addStretch();
    return m_accessFace;
}

QWidget* CalendarAgendaView::makeEmptyFace()
{
    m_emptyFace = new QWidget(this);
    QVBoxLayout* column = centredColumn(m_emptyFace, 6);
    m_emptySymbol = symbol(QStringLiteral("checkmark.circle"), m_emptyFace);
    column->addWidget(m_emptySymbol, 0, Qt::AlignHCenter);
    m_emptyText = toolLabel({}, 12, white(0.7), m_emptyFace, QFont::DemiBold);
    column->addWidget(m_emptyText, 0, Qt::AlignHCenter);
    column->addStretch();
    return m_emptyFace;
}

QWidget* CalendarAgendaView::makeAgendaFace()
{
    m_agendaFace = new QWidget(this);
    auto* column = new QVBoxLayout(m_agendaFace);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    m_now = new ElidingLabel(m_agendaFace);
    styleToolLabel(m_now, 11, white(0.6));
    column->addWidget(m_now);
    m_card = new NextEventCard(m_calendar, m_agendaFace);
    column->addWidget(m_card);
    m_model = new EventListModel(this);
    m_list = paintedList(m_model, new EventRow, m_agendaFace);
    m_list->setUniformItemSizes(true);
    column->addWidget(m_list, 1);
    // Takes the room when there is no list.
    column->addStretch();
    return m_agendaFace;
}

void CalendarAgendaView::refresh()
{
    if (m_calendar.status() != CalendarTool::Status::fullAccess) {
        m_accessMessage->setText(m_calendar.status() == CalendarTool::Status::restricted
                                     ? tr("Calendar file can't be read. Check that it still exists and is readable.")
                                     : tr("Wisp can show your next meeting and a one-click join button."));
        m_faces->setCurrentWidget(m_accessFace);
    } else if (m_calendar.events().isEmpty()) {
        // Until the first reading ends, an empty week is not yet known to be empty: no all-clear mark either.
        const bool reading = m_calendar.isReadingFirst();
        m_emptyText->setText(reading ? tr("Reading the calendar…") : tr("No events in the next seven days"));
        m_emptySymbol->setVisible(!reading);
        m_faces->setCurrentWidget(m_emptyFace);
    } else {
        updateAgenda();
        m_faces->setCurrentWidget(m_agendaFace);
    }
}

void CalendarAgendaView::updateAgenda()
{
    const std::optional<CalendarEvent> current = m_calendar.currentEvent();
    if (current)
        m_now->setFullText(tr("Now: ") + OutsideText::isolated(AgendaText::title(*current, tr("Meeting"))));
    m_now->setVisible(current.has_value());
    const std::optional<CalendarEvent> next = m_calendar.nextEvent();
    if (next)
        m_card->setEvent(*next);
    m_card->setVisible(next.has_value());
    m_model->setValues(AgendaText::listed(m_calendar.events(), next));
    m_list->setVisible(m_model->rowCount() > 0);
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
