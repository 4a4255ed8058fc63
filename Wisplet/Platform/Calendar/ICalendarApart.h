#pragma once

#include "Wisplet/Platform/Calendar/ICalendarWire.h"

#include <functional>

// Work on one file in a process of its own, forked from the reader: a libical call cannot be interrupted, so a
// file that keeps it busy past its time, or crashes it, costs that process and never the reader, which goes on
// with the next file at once. Forking is far cheaper than starting a reader, so a short slice of time per file
// costs little more than the slice.
namespace ICalendarApart {

struct Outcome
{
    ICalendarWire::FileLoss loss = ICalendarWire::FileLoss::none;
    // What the work gave, when it ended by itself.
    QByteArray bytes;
};

// Runs `work` in a child with `cpuMs` of processor time and `wallMs` of wall-clock time; what it returns comes
// back when it is at most `maxBytes`.
Outcome run(const std::function<QByteArray()>& work, int cpuMs, int wallMs, qint64 maxBytes);

} // namespace ICalendarApart
