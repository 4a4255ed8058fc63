#include "Wisplet/Tools/Calendar/NextEventCard.h"

#include "Wisplet/Base/ElidingLabel.h"
#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Notch/ToolViews.h"
#include "Wisplet/Tools/Calendar/AgendaText.h"
#include "Wisplet/Tools/Calendar/CalendarTool.h"
#include "Wisplet/Tools/Calendar/EventListModel.h"
#include "Wisplet/Tools/Calendar/MeetingLinks.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace {

constexpr int padding = 10;
constexpr int barWidth = 4;

ElidingLabel* line(int pixels, const QColor& colour, QWidget* parent)
{
    auto* label = new ElidingLabel(parent);
    styleToolLabel(label, pixels, colour);
    return label;
}

} // namespace

NextEventCard::NextEventCard(CalendarTool& calendar, QWidget* parent)
    : QWidget(parent)
    , m_calendar(calendar)
{
    m_title = line(13, Qt::white, this);
    m_title->setFont(headlineFont(m_title->font()));
    m_when = line(13, QColor(255, 255, 255, 153), this);
    m_room = line(12, QColor(255, 255, 255, 166), this);
    auto* text = new QVBoxLayout;
    text->setSpacing(3);
    text->addWidget(m_title);
    text->addWidget(m_when);
    text->addWidget(m_room);

    auto* row = new QHBoxLayout(this);
    // The colour bar is painted in the left margin.
    row->setContentsMargins(padding + barWidth + 12, padding, padding, padding);
    row->setSpacing(12);
    row->addLayout(text, 1);
    m_join = new PillButton(tr("Join"), QStringLiteral("video.fill"), true, this);
    connect(m_join, &QAbstractButton::clicked, this, [this] { m_calendar.joinMeeting(m_event); });
    row->addWidget(m_join);
}

void NextEventCard::setEvent(const CalendarEvent& event)
{
    m_event = event;
    m_title->setFullText(AgendaText::title(event, tr("Untitled")));
    m_when->setFullText(AgendaText::startText(event.start) + QStringLiteral(" · ")
                        + AgendaText::countdown(event, m_calendar.now()));
    const bool hasLink = meetingURL(event).has_value();
    m_room->setFullText(event.location);
    m_room->setVisible(!event.location.isEmpty() && !hasLink);
    m_join->setVisible(hasLink);
    update();
}

void NextEventCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 20));
    painter.drawRoundedRect(QRectF(rect()), 12, 12);
    painter.setBrush(EventListModel::colorOf(m_event));
    painter.drawRoundedRect(QRectF(padding, padding, barWidth, height() - 2 * padding), 2, 2);
}
