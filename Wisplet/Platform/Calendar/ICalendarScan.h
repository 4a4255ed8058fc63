#pragma once

#include "Wisplet/Platform/Calendar/ICalendarWire.h"

// One reading of a calendar folder or file, in the reader process: it lists the files, passes over those the
// program already knows unchanged, and reads, parses and expands the others in turn, each in a process of its
// own within the request's limits, sending what each gave as soon as it is done.
namespace ICalendarScan {

void run(const ICalendarWire::CalendarRequest& request, const ICalendarWire::Sink& send);

} // namespace ICalendarScan
