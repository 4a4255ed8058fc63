#include "Wisplet/Tools/Focus/FocusMode.h"

#include "Wisplet/Base/RawValue.h"

namespace {

constexpr std::array<const char*, 3> modeNames{"pomodoro", "timer", "stopwatch"};
constexpr std::array<const char*, 6> phaseNames{"idle", "work", "shortBreak", "longBreak", "countdown", "stopwatch"};

} // namespace

QString rawValue(FocusMode mode)
{
    return rawValue(modeNames, mode);
}

std::optional<FocusMode> focusModeFromRawValue(const QString& raw)
{
    return fromRawValue<FocusMode>(modeNames, raw);
}

QString rawValue(FocusPhase phase)
{
    return rawValue(phaseNames, phase);
}

std::optional<FocusPhase> focusPhaseFromRawValue(const QString& raw)
{
    return fromRawValue<FocusPhase>(phaseNames, raw);
}

bool isBreak(FocusPhase phase)
{
    return phase == FocusPhase::shortBreak || phase == FocusPhase::longBreak;
}

bool isTimed(FocusPhase phase)
{
    return phase != FocusPhase::idle && phase != FocusPhase::stopwatch;
}
