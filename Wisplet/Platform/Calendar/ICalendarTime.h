#pragma once

#include <QDateTime>

#include <libical/ical.h>

// The time of a date or time property as an instant: UTC as written, a TZID in the system's zones (or the file's own
// VTIMEZONE for names the system lacks), floating times and dates as local time. Invalid when unreadable.
QDateTime icalInstantOf(const icaltimetype& time, icalproperty* property, icalcomponent* calendar);
