#pragma once

#include <QColor>
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
    // Invalid when neither the event nor its calendar names one.
    QColor color;

    bool operator==(const CalendarEvent&) const = default;
};
