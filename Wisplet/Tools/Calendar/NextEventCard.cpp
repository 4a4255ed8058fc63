#include "Wisplet/Tools/Calendar/NextEventCard.h"

#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Notch/ToolViews.h"
#include "Wisplet/Tools/Calendar/AgendaText.h"
#include "Wisplet/Tools/Calendar/CalendarTool.h"
#include "Wisplet/Tools/Calendar/EventRow.h"
#include "Wisplet/Tools/Calendar/MeetingLinks.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace {

constexpr int padding = 10;
constexpr int barWidth = 4;

} // namespace

NextEventCard::NextEventCard(const CalendarEvent& event, CalendarTool& calendar, QWidget* parent)
    : QWidget(parent)
    , m_color(EventRow::colorOf(event))
{
    auto* title = toolLabel(AgendaText::title(event, tr("Untitled")), 13, Qt::white, this);
    title->setFont(headlineFont(title->font()));
    title->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* when = toolLabel(AgendaText::startText(event.start) + QStringLiteral(" · ")
                               + AgendaText::countdown(event, calendar.now()),
                           13, QColor(255, 255, 255, 153), this);
    auto* text = new QVBoxLayout;
    text->setSpacing(3);
    text->addWidget(title);
    text->addWidget(when);
    const bool hasLink = meetingURL(event).has_value();
    if (!event.location.isEmpty() && !hasLink) {
        auto* room = toolLabel(event.location, 12, QColor(255, 255, 255, 166), this);
        room->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        text->addWidget(room);
    }

    auto* line = new QHBoxLayout(this);
    // The colour bar is painted in the left margin.
    line->setContentsMargins(padding + barWidth + 12, padding, padding, padding);
    line->setSpacing(12);
    line->addLayout(text, 1);
    if (hasLink) {
        auto* join = new PillButton(tr("Join"), QStringLiteral("video.fill"), true, this);
        connect(join, &QAbstractButton::clicked, this, [&calendar, event] { calendar.joinMeeting(event); });
        line->addWidget(join);
    }
}

void NextEventCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 20));
    painter.drawRoundedRect(QRectF(rect()), 12, 12);
    painter.setBrush(m_color);
    painter.drawRoundedRect(QRectF(padding, padding, barWidth, height() - 2 * padding), 2, 2);
}
