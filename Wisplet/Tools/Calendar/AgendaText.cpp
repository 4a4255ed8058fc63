#include "Wisplet/Tools/Calendar/AgendaText.h"

#include <QRegularExpression>

namespace {

// The locale's short time; some locales (C among them) put seconds in it, which an agenda does not need.
QString shortTime(const QDateTime& instant, const QLocale& locale)
{
    static const QRegularExpression seconds(QStringLiteral("[:.]ss"));
    QString format = locale.timeFormat(QLocale::ShortFormat);
    format.remove(seconds);
    return locale.toString(instant.toLocalTime().time(), format);
}

} // namespace

namespace AgendaText {

QString countdown(const CalendarEvent& event, const QDateTime& now, const QLocale& locale)
{
    const qint64 seconds = now.secsTo(event.start);
    if (seconds <= 0)
        return QStringLiteral("Now · ends ") + shortTime(event.end, locale);
    const qint64 minutes = seconds / 60;
    if (minutes > 59)
        return QStringLiteral("in %1h %2m").arg(minutes / 60).arg(minutes % 60);
    return QStringLiteral("in %1 min").arg(minutes);
}

QString startText(const QDateTime& start, const QLocale& locale)
{
    return locale.toString(start.toLocalTime().date(), QStringLiteral("MMM d")) + QStringLiteral(", ")
        + shortTime(start, locale);
}

QString title(const CalendarEvent& event, const QString& fallback)
{
    return event.title.isEmpty() ? fallback : event.title;
}

QList<CalendarEvent> listed(const QList<CalendarEvent>& events, const std::optional<CalendarEvent>& next)
{
    if (!next)
        return events;
    QList<CalendarEvent> list;
    for (const CalendarEvent& event : events) {
        // Without an identifier nothing ties other events to the next one: only that one event is left out.
        const bool same = next->identifier.isEmpty() ? event == *next : event.identifier == next->identifier;
        if (!same)
            list.append(event);
    }
    return list;
}

} // namespace AgendaText
