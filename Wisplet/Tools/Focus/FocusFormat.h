#pragma once

#include "Wisplet/Notch/PeekSources.h"

#include <QString>

#include <optional>

// The focus tool's clock texts and its reading of typed durations. Pure functions.

// Seconds as "mm:ss" below an hour, else "h:mm:ss", rounded down; capped at 365 days; bad input shows 00:00.
QString formatClock(double seconds);
// The clock followed by ".hh", the hundredths; both from one value rounded to the hundredth.
QString formatLap(double seconds);

// Seconds from what the user typed: "25" (minutes), "90s", "1h30m", "1.5h", "1h30", "10:00" or "1:00:00".
// Numbers are read in the C locale whatever the user's. None unless the result lies within 1 s … 24 h.
std::optional<double> parseDuration(const QString& text);

// The clock the island peeks: none while idle, the stopwatch's elapsed time, else the time left.
std::optional<QString> focusDisplayTime(FocusPhase phase, double remaining, double elapsed);
// How much of a timed phase has passed: 1 − remaining ÷ duration, not clamped; 0 while idle, for the
// stopwatch and for a duration that is not positive.
double focusProgress(FocusPhase phase, double remaining, double duration);
