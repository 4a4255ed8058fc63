#include "Wisplet/Platform/Calendar/EarliestEvents.h"

#include <algorithm>
#include <tuple>

namespace {

auto fieldsOf(const CalendarEvent& event)
{
    return std::tie(event.identifier, event.start, event.end, event.title, event.location, event.notes, event.url,
                    event.color, event.allDay);
}

} // namespace

bool EarliestEvents::ranksBefore(const CalendarEvent& a, const CalendarEvent& b) const
{
    const QDateTime& rankA = isUnderWay(a) ? m_now : a.start;
    const QDateTime& rankB = isUnderWay(b) ? m_now : b.start;
    if (rankA != rankB)
        return rankA < rankB;
    return fieldsOf(a) < fieldsOf(b);
}

EarliestEvents::Beyond EarliestEvents::keep(QList<CalendarEvent>& events) const
{
    std::sort(events.begin(), events.end(),
              [this](const CalendarEvent& a, const CalendarEvent& b) { return ranksBefore(a, b); });
    // Those under way rank first, all at the moment they are seen from.
    const qsizetype underWay =
        std::partition_point(events.cbegin(), events.cend(), [this](const CalendarEvent& e) { return isUnderWay(e); })
        - events.cbegin();
    Beyond beyond;
    if (events.size() - underWay > m_limit) {
        beyond.toCome = events.at(underWay + m_limit);
        events.resize(underWay + m_limit);
    }
    if (underWay > m_limit) {
        beyond.underWay = events.at(m_limit);
        events.remove(m_limit, underWay - m_limit);
    }
    return beyond;
}

void EarliestEvents::merge(Beyond& into, const Beyond& more) const
{
    const auto earlier = [this](std::optional<CalendarEvent>& kept, const std::optional<CalendarEvent>& other) {
        if (other && (!kept || ranksBefore(*other, *kept)))
            kept = other;
    };
    earlier(into.underWay, more.underWay);
    earlier(into.toCome, more.toCome);
}

bool EarliestEvents::holdsAllShown(const QList<CalendarEvent>& shown, const Beyond& beyond) const
{
    if (beyond.toCome && isUnderWay(*beyond.toCome))
        return false;
    const auto firstToCome =
        std::partition_point(shown.cbegin(), shown.cend(), [this](const CalendarEvent& e) { return isUnderWay(e); });
    const auto holds = [this](auto first, auto last, const std::optional<CalendarEvent>& leftOut) {
        return !leftOut || (last - first == m_limit && !ranksBefore(*leftOut, *(last - 1)));
    };
    return holds(shown.cbegin(), firstToCome, beyond.underWay) && holds(firstToCome, shown.cend(), beyond.toCome);
}
