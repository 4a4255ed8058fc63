#include "Wisplet/Notch/PeekStatus.h"

#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Base/Graphemes.h"
#include "Wisplet/Base/ToolRegistry.h"
#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Notch/NotchLayout.h"

#include <QFontMetricsF>

#include <algorithm>

namespace {

bool showsBreakReminder(const PeekInputs& in)
{
    return in.breakPrompt && !in.quietMode;
}

bool isPlaying(const PeekInputs& in)
{
    return in.track && in.track->playing;
}

} // namespace

CharWidths drawnCharWidths()
{
    // The fonts are fixed in pixels, so their metrics do not change while the program runs.
    static const CharWidths widths{QFontMetricsF(NotchLayout::peekFont()).averageCharWidth(),
                                   QFontMetricsF(NotchLayout::bubbleFont()).averageCharWidth()};
    return widths;
}

PeekInputs gatherPeekInputs(const AppSettings& settings, const ToolRegistry& registry, const FocusPeekSource& focus,
                            const CalendarPeekSource& calendar, const MediaPeekSource& media, const WispState& wisp)
{
    PeekInputs in;
    in.presentationMode = settings.presentationMode();
    in.quietMode = settings.quietMode();
    in.enabled = registry.enabled();
    in.focusPhase = focus.phase();
    in.focusRunning = focus.isRunning();
    in.breakPrompt = focus.breakPrompt();
    in.focusTime = focus.displayTime();
    in.calendarText = calendar.peekText();
    in.track = media.track();
    in.bubble = wisp.bubble();
    in.isHovering = wisp.isHovering();
    in.isPinnedOpen = wisp.isPinnedOpen();
    in.charWidths = drawnCharWidths();
    return in;
}

std::optional<ToolID> peekTool(const PeekInputs& in)
{
    if (in.presentationMode)
        return std::nullopt;
    if (in.enabled.contains(ToolID::focus) && (in.focusTime || showsBreakReminder(in)))
        return ToolID::focus;
    if (in.enabled.contains(ToolID::calendar) && in.calendarText)
        return ToolID::calendar;
    if (in.enabled.contains(ToolID::media) && isPlaying(in))
        return ToolID::media;
    return std::nullopt;
}

std::optional<QString> peekText(const PeekInputs& in)
{
    const std::optional<ToolID> tool = peekTool(in);
    if (tool == ToolID::focus)
        return showsBreakReminder(in) ? QStringLiteral("Take a break") : in.focusTime;
    if (tool == ToolID::calendar)
        return in.calendarText;
    if (tool == ToolID::media && isPlaying(in))
        return QStringLiteral("\u266A ") + in.track->title;
    return std::nullopt;
}

QString peekIcon(const PeekInputs& in)
{
    const std::optional<ToolID> tool = peekTool(in);
    if (!tool)
        return QStringLiteral("music.note");
    if (*tool == ToolID::focus && (in.focusPhase == FocusPhase::shortBreak || in.focusPhase == FocusPhase::longBreak))
        return QStringLiteral("cup.and.saucer.fill");
    return toolIcon(*tool);
}

QString peekKeptEnd(const PeekInputs& in)
{
    if (peekTool(in) != ToolID::calendar)
        return {};
    // The title may hold the separator too; the minutes follow its last one.
    const QString separator = QStringLiteral(" · ");
    const qsizetype at = in.calendarText->lastIndexOf(separator);
    return at < 0 ? QString() : in.calendarText->mid(at);
}

bool peekPaused(const PeekInputs& in)
{
    return peekTool(in) == ToolID::focus && in.focusPhase != FocusPhase::idle && !in.focusRunning;
}

double peekWidth(const PeekInputs& in)
{
    if (in.isHovering || in.isPinnedOpen)
        return 0;
    if (in.bubble)
        return std::min(Graphemes::count(*in.bubble) * in.charWidths.bubble + 28 + 8, NotchLayout::widestPeekWidth);
    if (const std::optional<QString> text = peekText(in))
        return std::min(Graphemes::count(*text) * in.charWidths.peek + 30, 190.0);
    return 0;
}

QString peekTooltip(const PeekInputs& in)
{
    const std::optional<ToolID> tool = peekTool(in);
    return QStringLiteral("Open ") + (tool ? toolTitle(*tool) : QStringLiteral("tool"));
}

void openPeekTool(const PeekInputs& in, ToolRegistry& registry)
{
    if (const std::optional<ToolID> tool = peekTool(in))
        registry.open(*tool);
}
