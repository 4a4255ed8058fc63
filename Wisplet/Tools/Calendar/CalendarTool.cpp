#include "Wisplet/Tools/Calendar/CalendarTool.h"

#include "Wisplet/Base/Notifier.h"
#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Platform/Calendar/ICalendarFiles.h"
#include "Wisplet/Platform/CalendarSource.h"
#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Platform/Defaults.h"
#include "Wisplet/Platform/Platform.h"
#include "Wisplet/Tools/Calendar/AgendaText.h"
#include "Wisplet/Tools/Calendar/MeetingLinks.h"
#include "Wisplet/Tools/Calendar/ReminderStore.h"

#include <QCoro/QCoroFuture>
#include <QDesktopServices>
#include <QPointer>

#include <algorithm>
#include <cmath>

namespace {

const QString untitledMeeting = QStringLiteral("Meeting");

CalendarTool::Status statusOf(CalendarSource::Access access)
{
    switch (access) {
    case CalendarSource::Access::unset:
        return CalendarTool::Status::notDetermined;
    case CalendarSource::Access::unreadable:
        return CalendarTool::Status::restricted;
    case CalendarSource::Access::readable:
        break;
    }
    return CalendarTool::Status::fullAccess;
}

double secondsBetween(const QDateTime& from, const QDateTime& to)
{
    return double(from.msecsTo(to)) / 1000.0;
}

} // namespace

CalendarTool& CalendarTool::shared()
{
    static ICalendarFiles source(Platform::scheduler(), {.program = ICalendarReader::standardProgram()});
    static CalendarTool tool({Platform::defaults(), Platform::clock(), source, ReminderStore::shared(),
                              WispState::shared(), Notifier::shared(), &QDesktopServices::openUrl});
    return tool;
}

CalendarTool::CalendarTool(Services services, QObject* parent)
    : CalendarPeekSource(parent)
    , m_services(std::move(services))
{
    m_timer.setInterval(tickMs);
    m_timer.setTimerType(Qt::CoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &CalendarTool::tick);
    connect(&m_services.source, &CalendarSource::changed, this, &CalendarTool::refresh);
    m_services.source.setPath(m_services.defaults.string(sourceKey));
    m_status = statusOf(m_services.source.access());
    m_accessProblem = m_services.source.problem();
    m_errorText = m_accessProblem;
}

void CalendarTool::refresh()
{
    const CalendarSource::Access access = m_services.source.access();
    m_accessProblem = m_services.source.problem();
    if (access != CalendarSource::Access::readable) {
        ++m_generation;
        m_unread = true;
        m_stillReading = false;
        setReadingFirst(false);
        m_unreadable = false;
        m_readingMessage.clear();
        setStatus(statusOf(access));
        setEvents({});
    } else if (!isRunning()) {
        ++m_generation;
        m_unread = true;
        m_stillReading = false;
        setReadingFirst(false);
        setStatus(m_unreadable ? Status::restricted : Status::fullAccess);
        setEvents({});
    } else if (m_reading) {
        m_refreshPending = true;
    } else {
        if (!m_unreadable)
            setStatus(Status::fullAccess);
        read();
    }
    showError();
    nudgeWhenRead();
}

QCoro::Task<> CalendarTool::read()
{
    const QPointer<CalendarTool> self(this);
    m_reading = true;
    setReadingFirst(m_unread);
    const quint64 generation = ++m_generation;
    const QDateTime now = m_services.clock.now();
    QDateTime end = QDateTime(now.toLocalTime().date(), QTime(0, 0), Qt::LocalTime).addDays(7);
    if (!end.isValid())
        end = now;
    const CalendarReading reading = co_await m_services.source.read(now, end);
    if (!self)
        co_return;
    m_reading = false;
    if (generation == m_generation)
        apply(reading);
    nudgeWhenRead();
    if (std::exchange(m_refreshPending, false))
        refresh();
}

void CalendarTool::apply(const CalendarReading& reading)
{
    m_unread = false;
    if (std::exchange(m_stillReading, reading.stillReading) != reading.stillReading)
        emit changed();
    setReadingFirst(false);
    m_unreadable = reading.unreadable;
    m_readingMessage = reading.message;
    setStatus(reading.unreadable ? Status::restricted : Status::fullAccess);
    showError();
    showEvents(reading.unreadable ? QList<CalendarEvent>() : reading.events);

    QSet<QString> keys;
    for (const CalendarEvent& event : std::as_const(m_events))
        keys.insert(nudgeKey(event));
    m_nudged.intersect(keys);
}

void CalendarTool::showEvents(const QList<CalendarEvent>& read)
{
    // Time moved on while the files were read.
    const QDateTime now = m_services.clock.now();
    QList<CalendarEvent> events;
    for (const CalendarEvent& event : read) {
        if (event.end > now)
            events.append(event);
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const CalendarEvent& a, const CalendarEvent& b) { return a.start < b.start; });
    // The peek's minutes move on even when the events stay.
    if (!setEvents(events))
        emit peekChanged();
}

// The tick's nudge runs over every reading from the tick on until none leaves files still to read: the quick
// files bring the meetings on time, the later readings those of files that take long to read. Each occurrence
// is nudged once.
void CalendarTool::nudgeWhenRead()
{
    if (!m_nudgePending || m_reading)
        return;
    nudgeUpcoming();
    if (!m_refreshPending && !m_stillReading)
        m_nudgePending = false;
}

void CalendarTool::setReadingFirst(bool readingFirst)
{
    if (m_readingFirst == readingFirst)
        return;
    m_readingFirst = readingFirst;
    emit changed();
}

void CalendarTool::setStatus(Status status)
{
    if (m_status == status)
        return;
    m_status = status;
    emit statusChanged(m_status);
    emit changed();
}

void CalendarTool::showError()
{
    const QString errorText = m_accessProblem.isEmpty() ? m_readingMessage : m_accessProblem;
    if (m_errorText == errorText)
        return;
    m_errorText = errorText;
    emit errorTextChanged(m_errorText);
    emit changed();
}

bool CalendarTool::setEvents(const QList<CalendarEvent>& events)
{
    // An unchanged list is not signalled, so the agenda keeps its scroll position and hover.
    if (m_events == events)
        return false;
    m_events = events;
    emit eventsChanged(m_events);
    emit peekChanged();
    emit changed();
    return true;
}

QString CalendarTool::nudgeKey(const CalendarEvent& event) const
{
    QString seconds =
        QString::number(double(event.start.toMSecsSinceEpoch()) / 1000.0, 'g', QLocale::FloatingPointShortest);
    if (!seconds.contains(u'.') && !seconds.contains(u'e'))
        seconds += QStringLiteral(".0");
    return event.identifier + u'-' + seconds;
}

void CalendarTool::nudgeUpcoming()
{
    const QDateTime now = m_services.clock.now();
    for (const CalendarEvent& event : std::as_const(m_events)) {
        if (event.allDay)
            continue;
        const QString key = nudgeKey(event);
        const double minutes = secondsBetween(now, event.start) / 60.0;
        if (m_nudged.contains(key) || minutes <= 0 || minutes > double(nudgeSeconds) / 60.0)
            continue;
        m_nudged.insert(key);
        const QString title = AgendaText::title(event, untitledMeeting);
        m_services.wisp.handle(WispEvent::meetingSoon(title));
        const int shown = std::max(1, int(std::ceil(minutes)));
        const QString starts = shown == 1 ? tr("Starts in 1 minute.") : tr("Starts in %1 minutes.").arg(shown);
        // Only a meeting with a link can be joined from the panel.
        const QString body = meetingURL(event) ? starts + tr(" Open Calendar to join.") : starts;
        if (m_services.notifier.mayPost())
            m_services.notifier.post(ToolID::calendar, title, body, false);
    }
}

void CalendarTool::tick()
{
    // The meetings shown already come on time, however long the files read afresh take.
    nudgeUpcoming();
    m_nudgePending = true;
    refresh();
}

QDateTime CalendarTool::now() const
{
    return m_services.clock.now();
}

std::optional<CalendarEvent> CalendarTool::nextEvent() const
{
    const QDateTime now = m_services.clock.now();
    for (const CalendarEvent& event : m_events) {
        if (!event.allDay && event.start > now)
            return event;
    }
    return std::nullopt;
}

std::optional<CalendarEvent> CalendarTool::currentEvent() const
{
    const QDateTime now = m_services.clock.now();
    for (const CalendarEvent& event : m_events) {
        if (!event.allDay && event.start <= now && event.end > now)
            return event;
    }
    return std::nullopt;
}

std::optional<QString> CalendarTool::peekText() const
{
    const std::optional<CalendarEvent> next = nextEvent();
    if (!next)
        return std::nullopt;
    const double seconds = secondsBetween(m_services.clock.now(), next->start);
    if (seconds > double(peekSeconds))
        return std::nullopt;
    const int minutes = std::max(1, int(std::ceil(seconds / 60.0)));
    return AgendaText::title(*next, untitledMeeting) + QStringLiteral(" · %1m").arg(minutes);
}

void CalendarTool::requestAccess(const QString& path)
{
    m_services.defaults.set(sourceKey, path);
    m_services.source.setPath(path);
    // What was read from the old path no longer counts.
    ++m_generation;
    m_unread = true;
    m_stillReading = false;
    m_unreadable = false;
    m_readingMessage.clear();
    refresh();
}

void CalendarTool::joinMeeting(const CalendarEvent& event)
{
    const std::optional<QUrl> url = meetingURL(event);
    if (!url)
        return;
    m_services.openUrl(*url);
    m_services.wisp.react(Mood::happy, QStringLiteral("Joining…"), true, 1, 2.0);
}

void CalendarTool::start()
{
    if (isRunning())
        return;
    m_timer.start();
    refresh();
    m_services.source.setWatching(true);
}

void CalendarTool::stop()
{
    m_timer.stop();
    ++m_generation;
    m_refreshPending = false;
    m_nudgePending = false;
    m_unread = true;
    m_stillReading = false;
    // The readings that said what they left out, or still read, are stopped.
    m_readingMessage.clear();
    showError();
    setReadingFirst(false);
    m_services.source.setWatching(false);
    m_services.source.cancel();
    setEvents({});
    m_services.reminders.clear();
}
