#pragma once

#include "Wisplet/Notch/PeekSources.h"

#include <QString>

#include <optional>

// What starting from idle does: pomodoro cycles of work and breaks, one countdown, or a stopwatch.
enum class FocusMode { pomodoro, timer, stopwatch };

QString rawValue(FocusMode mode);
std::optional<FocusMode> focusModeFromRawValue(const QString& raw);

// Phases are stored by their raw value too, in the session snapshot.
QString rawValue(FocusPhase phase);
std::optional<FocusPhase> focusPhaseFromRawValue(const QString& raw);

bool isBreak(FocusPhase phase);
// Work, breaks and the countdown run down to an end; the stopwatch counts up; idle counts nothing.
bool isTimed(FocusPhase phase);
