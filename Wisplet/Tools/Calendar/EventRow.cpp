#include "Wisplet/Tools/Calendar/EventRow.h"

#include "Wisplet/Base/SymbolIcons.h"
#include "Wisplet/Notch/ToolViews.h"
#include "Wisplet/Tools/Calendar/AgendaText.h"
#include "Wisplet/Tools/Calendar/MeetingLinks.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace {

// A filled dot in the calendar's colour.
class Dot final : public QWidget
{
public:
    Dot(const QColor& color, QWidget* parent)
        : QWidget(parent)
        , m_color(color)
    {
        setFixedSize(6, 6);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_color);
        painter.drawEllipse(rect());
    }

private:
    QColor m_color;
};

} // namespace

QColor EventRow::colorOf(const CalendarEvent& event)
{
    return event.color.isValid() ? event.color : QColor(10, 132, 255);
}

EventRow::EventRow(const CalendarEvent& event, QWidget* parent)
    : QWidget(parent)
{
    setFixedHeight(rowHeight);
    auto* when = toolLabel(event.allDay ? tr("All day") : AgendaText::startText(event.start), 13,
                           QColor(255, 255, 255, 128), this);
    when->setFixedWidth(timeWidth);
    auto* title = toolLabel(AgendaText::title(event, tr("Untitled")), 13, QColor(255, 255, 255, 217), this);
    title->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(6, 0, 6, 0);
    line->setSpacing(8);
    line->addWidget(new Dot(colorOf(event), this));
    line->addWidget(when);
    line->addWidget(title, 1);
    if (meetingURL(event)) {
        auto* video = new QLabel(this);
        video->setObjectName(QStringLiteral("video"));
        video->setPixmap(
            symbolPixmap(QStringLiteral("video.fill"), {9, 9}, QColor(255, 255, 255, 128), devicePixelRatioF()));
        line->addWidget(video);
    }
}
