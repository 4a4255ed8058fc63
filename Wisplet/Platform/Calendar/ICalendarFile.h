#pragma once

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

// The work one file's expansion may spend, shared by all its rules, so that a file of many runaway rules
// costs no more than one.
class ExpansionBudget final
{
public:
    ExpansionBudget(qint64 steps, QDeadlineTimer deadline)
        : m_steps(steps)
        , m_deadline(deadline)
    { }

    // One step of work; false once the steps or the time are spent.
    bool take();
    bool isSpent() const { return m_spent; }

private:
    qint64 m_steps;
    QDeadlineTimer m_deadline;
    bool m_spent = false;
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
        QList<CalendarEvent> events;
        // The budget ran out before every occurrence was made.
        bool cut = false;
    };

    // None when the data is not iCalendar, or nested too deeply to hand to libical.
    static std::optional<ICalendarFile> parse(const QByteArray& data);

    // Keeps the earliest `limit` by start; the start of the earliest one dropped, invalid when none was.
    static QDateTime keepEarliest(QList<CalendarEvent>& events, qsizetype limit);

    // Every occurrence that overlaps [from, to], as far as the budget goes. calendarColor is used for events
    // whose file names no colour.
    Occurrences occurrences(const QDateTime& from, const QDateTime& to, const QString& calendarColor,
                            ExpansionBudget& budget) const;

private:
    explicit ICalendarFile(icalcomponent_impl* root);

    std::shared_ptr<icalcomponent_impl> m_root;
};
