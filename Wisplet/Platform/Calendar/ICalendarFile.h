#pragma once

#include "Wisplet/Platform/Calendar/EarliestEvents.h"
#include "Wisplet/Platform/CalendarEvent.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>

#include <memory>
#include <optional>

struct icalcomponent_impl;

namespace ICalendarColor {

// The colour a calendar names, as text a colour reader takes ("#rrggbb", "#rgb", "tomato"); empty for none or
// for text that is no colour's form. Some calendars write #RRGGBBAA, which colour readers take as #AARRGGBB:
// the alpha is dropped.
QString named(const QString& value);

} // namespace ICalendarColor

// What expanding one file may spend and keep.
struct Expansion
{
    // Steps of each repeating event's own, so that one that runs away cuts itself short and no other.
    qint64 stepsPerEvent = 200'000;
    // For the whole file, so that many such events together stay within bounds.
    QDeadlineTimer deadline = QDeadlineTimer::Forever;
    // Events kept of each part, as EarliestEvents ranks them from the window's start.
    qsizetype keep = 4'000;
};

// One parsed iCalendar file, expanded into occurrences on request.
class ICalendarFile final
{
public:
    // Longer texts are cut: a calendar is outside input and the agenda shows a line of each.
    static constexpr qsizetype maxIdentifier = 1'000;
    static constexpr qsizetype maxTitle = 500;
    static constexpr qsizetype maxLocation = 500;
    static constexpr qsizetype maxNotes = 4'000;
    static constexpr qsizetype maxUrl = 2'000;

    struct Occurrences
    {
        // The earliest as seen from the window's start.
        QList<CalendarEvent> events;
        // What the limit on events kept left out.
        EarliestEvents::Beyond beyond;
        // An event's steps or the file's time ran out before every occurrence was made.
        bool cut = false;
    };

    // None when the data is not iCalendar, or nested too deeply to hand to libical.
    static std::optional<ICalendarFile> parse(const QByteArray& data);

    // Every occurrence that overlaps [from, to], as far as the expansion may go. A repeating event is followed
    // from near `from`, not from its start, so that its age costs nothing. calendarColor is used for events whose
    // file names no colour.
    Occurrences occurrences(const QDateTime& from, const QDateTime& to, const QString& calendarColor,
                            const Expansion& expansion) const;

private:
    explicit ICalendarFile(icalcomponent_impl* root);

    std::shared_ptr<icalcomponent_impl> m_root;
};
