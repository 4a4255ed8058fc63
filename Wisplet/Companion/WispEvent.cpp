#include "Wisplet/Companion/WispEvent.h"

const std::vector<WispEventSample>& WispEventSample::all()
{
    using K = WispEvent::Kind;
    static const std::vector<WispEventSample> samples{
        {QStringLiteral("Clipboard copied"), WispEvent::of(K::clipboardCopied)},
        {QStringLiteral("Focus session started"), WispEvent::of(K::focusStarted)},
        {QStringLiteral("Focus session ended"), WispEvent::of(K::focusEnded)},
        {QStringLiteral("Break due"), WispEvent::of(K::breakDue)},
        {QStringLiteral("CPU hot"), WispEvent::of(K::cpuHot)},
        {QStringLiteral("Memory pressure"), WispEvent::of(K::memoryPressure)},
        {QStringLiteral("Battery low"), WispEvent::of(K::batteryLow)},
        {QStringLiteral("Battery charging"), WispEvent::of(K::batteryCharging)},
        {QStringLiteral("Meeting soon"), WispEvent::meetingSoon(QStringLiteral("Standup"))},
        {QStringLiteral("Music started"), WispEvent::musicStarted(QStringLiteral("Morning Light"))},
        {QStringLiteral("New sale"), WispEvent::sale(QStringLiteral("$49"))},
        {QStringLiteral("Error"), WispEvent::error(QStringLiteral("Build failed"))},
        {QStringLiteral("File dragged"), WispEvent::of(K::fileDragged)},
    };
    return samples;
}
