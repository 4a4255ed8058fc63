#pragma once

#include "Wisplet/Platform/CalendarEvent.h"

#include <QList>
#include <QLocale>
#include <QString>

#include <optional>

// The texts and the list of the agenda, as pure rules over events and the time.
namespace AgendaText {

// "in 12 min", "in 2h 5m", or "Now · ends 10:30" once the event has started.
QString countdown(const CalendarEvent& event, const QDateTime& now, const QLocale& locale = QLocale());
// The start in local time: the locale's abbreviated date and its short time ("6 Mar 2026, 15:00").
QString startText(const QDateTime& start, const QLocale& locale = QLocale());
// A reminder's due day in local time, in the locale's long date style ("6 March 2026").
QString dueText(const QDateTime& due, const QLocale& locale = QLocale());
QString title(const CalendarEvent& event, const QString& fallback);

// The events the list shows beside the next-event card: without the next event and, when it has an
// identifier, without the other occurrences of the same event.
QList<CalendarEvent> listed(const QList<CalendarEvent>& events, const std::optional<CalendarEvent>& next);

} // namespace AgendaText
