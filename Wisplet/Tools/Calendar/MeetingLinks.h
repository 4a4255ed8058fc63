#pragma once

#include "Wisplet/Platform/CalendarEvent.h"

#include <QRegularExpression>
#include <QUrl>

#include <optional>

// The join links of seven public video-meeting services, wherever they stand in a text.
const QRegularExpression& meetingLinkPattern();

// The event's meeting link: its URL when that is itself a meeting link, else the first link found in the
// URL, the location and then the notes.
std::optional<QUrl> meetingURL(const CalendarEvent& event);
