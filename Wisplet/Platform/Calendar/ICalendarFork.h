#pragma once

#include "Wisplet/Platform/Calendar/ICalendarWire.h"

#include <functional>

// One file's work in a process of its own, forked from the reader: a libical call cannot be interrupted, so a
// file that keeps it busy past its time, or crashes it, costs that process and never the reader, which goes on
// with the next file at once. Forking is far cheaper than starting a reader, so a short slice of time per file
// costs little more than the slice.
namespace ICalendarFork {

struct Outcome
{
    ICalendarWire::FileLoss loss = ICalendarWire::FileLoss::none;
    // What the work gave, when it ended by itself.
    QByteArray bytes;
};

// Runs `work` in a child with the allowance's processor and wall-clock time; what it returns comes back when it is
// at most `maxBytes`. A child that used up its processor time took too long; one still short of it when the wall
// clock ran out was stopped or starved, which is no fault of the file: it comes back as killed.
Outcome run(const std::function<QByteArray()>& work, ICalendarWire::Allowance allowance, qint64 maxBytes);

} // namespace ICalendarFork
