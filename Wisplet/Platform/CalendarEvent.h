#pragma once

#include <QDateTime>
#include <QString>
#include <QUrl>

// One occurrence of a calendar event. Occurrences of a recurring event share the identifier.
struct CalendarEvent
{
    // The event's UID; empty when the file gives none.
    QString identifier;
    QString title;
    // Instants; an all-day event runs from local midnight of its first day to local midnight after its last.
    QDateTime start;
    QDateTime end;
    bool allDay = false;
    QString location;
    QString notes;
    QUrl url;
    // As its file writes it (a hex colour or a colour name), for the program to paint; empty when neither the
    // event nor its calendar names one. The calendar reader draws nothing, so it leaves colours as text.
    QString color;

    bool operator==(const CalendarEvent&) const = default;
};
