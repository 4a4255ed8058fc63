#pragma once

#include "Wisplet/Platform/Calendar/ICalendarWire.h"

// Reminders as iCalendar to-dos (VTODO), read and written in the reader process. Files other programs made
// are rewritten only to complete one of their to-dos, atomically and keeping their permission bits.
namespace ICalendarTodos {

// The incomplete to-dos of one file's contents, in component order.
QList<Reminder> incompleteIn(const QByteArray& data, const QString& file);
// The whole file with the matching to-do completed; empty when no to-do matches.
QByteArray completedIn(const QByteArray& data, const Reminder& reminder, const QDateTime& now);

// The incomplete to-dos of the .ics files in the folder, by file name in byte order, as far as the limits go;
// each file's are sent as soon as it is read.
void scan(const ICalendarWire::RemindersRequest& request, const ICalendarWire::Sink& send);
// Marks the matching to-do completed in its file as it is now, so that a change another program made since
// the list was read is kept. The user's words for a failure; empty on success.
QString complete(const ICalendarWire::CompleteRequest& request, const ICalendarWire::Sink& send);
// A new file "<uid>.ics" with one to-do; never replaces a file of that name.
QString add(const ICalendarWire::AddRequest& request);

// Removes from the folder the temporaries our writes of its .ics files make ("<name>.ics.~XXXXXX", regular
// files) that were last changed longer ago than `olderThanSeconds`, never anything else; a write killed
// half-way leaves one. Looks at a bounded number of entries. Returns how many were removed.
int sweepTemporaries(const QString& folder, qint64 olderThanSeconds, int maxVisits);

// A failure in the user's words: "what: why", or what alone without a reason.
QString failure(const QString& what, const QString& why);
// How a completion fails whose to-do was removed from its file: no second try can change that.
QString completionOfARemovedTodo();

} // namespace ICalendarTodos
