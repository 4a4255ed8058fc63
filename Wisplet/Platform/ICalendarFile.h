#pragma once

#include "Wisplet/Platform/CalendarEvent.h"

#include <QByteArray>
#include <QList>

#include <memory>
#include <optional>

struct icalcomponent_impl;

// One parsed iCalendar file. Its events are expanded into occurrences on request, so a file is parsed once
// however often the window moves.
class ICalendarFile final
{
public:
    // None when the data is not iCalendar.
    static std::optional<ICalendarFile> parse(const QByteArray& data);

    // Every occurrence that overlaps [from, to]. calendarColor is used for events whose file names no colour.
    QList<CalendarEvent> occurrences(const QDateTime& from, const QDateTime& to, const QColor& calendarColor) const;

private:
    explicit ICalendarFile(icalcomponent_impl* root);

    std::shared_ptr<icalcomponent_impl> m_root;
};
