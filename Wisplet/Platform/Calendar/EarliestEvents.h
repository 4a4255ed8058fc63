#pragma once

#include "Wisplet/Platform/CalendarEvent.h"

#include <QList>

#include <optional>

// Which events are kept of more than can be held, decided by time alone. Seen from a moment, an event under way
// ranks at that moment and one to come at its start, and each of the two parts keeps up to the limit, so a crowd
// of events under way never pushes a coming meeting out. Ties go by identifier and then by every other field: what
// is kept never depends on the order files or events came in, and events alike in every field are interchangeable.
class EarliestEvents final
{
public:
    // The first event each part left out; none for a part kept whole.
    struct Beyond
    {
        std::optional<CalendarEvent> underWay;
        std::optional<CalendarEvent> toCome;

        bool operator==(const Beyond&) const = default;
    };

    EarliestEvents(QDateTime now, qsizetype limit)
        : m_now(std::move(now))
        , m_limit(limit)
    { }

    bool isUnderWay(const CalendarEvent& event) const { return event.start <= m_now; }
    bool ranksBefore(const CalendarEvent& a, const CalendarEvent& b) const;

    // Keeps the earliest of each part, in rank order, and says what each part left out first.
    Beyond keep(QList<CalendarEvent>& events) const;
    // Takes into `into` what `more` left out, where it ranks earlier.
    void merge(Beyond& into, const Beyond& more) const;
    // Whether a file that left out `beyond` held all it can add to `shown`, the earliest of every file's events as
    // keep() leaves them: each part it cut is full in `shown` and ends no later than what it left out, and nothing it
    // left out as to come has begun since (its events under way would no longer all be at hand).
    bool holdsAllShown(const QList<CalendarEvent>& shown, const Beyond& beyond) const;

private:
    QDateTime m_now;
    qsizetype m_limit;
};
