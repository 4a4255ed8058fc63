#pragma once

#include "Wisplet/Base/ToolID.h"
#include "Wisplet/Notch/PeekSources.h"

#include <QSet>
#include <QString>

#include <optional>

class AppSettings;
class ToolRegistry;
class WispState;

// The one line of live status the collapsed island shows beside the face (the peek), and the width the
// island widens by for it or for the companion's speech bubble. Pure rules over a snapshot of the stores.
// What the width estimates count per character: the average character widths of the fonts the peek and
// the bubble draw with, so that texts up to the estimates' caps show whole.
struct CharWidths
{
    double peek = 7.5;
    double bubble = 6.8;
};
CharWidths drawnCharWidths();

struct PeekInputs
{
    bool presentationMode = false;
    bool quietMode = false;
    QSet<ToolID> enabled;
    FocusPhase focusPhase = FocusPhase::idle;
    bool focusRunning = false;
    bool breakPrompt = false;
    std::optional<QString> focusTime;
    std::optional<QString> calendarText;
    std::optional<PeekTrack> track;
    std::optional<QString> bubble;
    bool isHovering = false;
    bool isPinnedOpen = false;
    CharWidths charWidths;
};

PeekInputs gatherPeekInputs(const AppSettings& settings, const ToolRegistry& registry, const FocusPeekSource& focus,
                            const CalendarPeekSource& calendar, const MediaPeekSource& media, const WispState& wisp);

// Focus, then calendar, then media; none in presentation mode. This is also the tool a click opens.
std::optional<ToolID> peekTool(const PeekInputs& in);
std::optional<QString> peekText(const PeekInputs& in);
QString peekIcon(const PeekInputs& in);
// The end of the peek text that is never cut where room is short: a meeting's " · 12m", the one thing its
// peek is for. Empty when the whole text may be cut.
QString peekKeptEnd(const PeekInputs& in);
// A focus session that has been paused: the label shows a pause symbol and dims its text.
bool peekPaused(const PeekInputs& in);
// Points the collapsed island widens by: for the bubble, else for the peek; 0 while the panel is open.
double peekWidth(const PeekInputs& in);
QString peekTooltip(const PeekInputs& in);
// The click on the peek.
void openPeekTool(const PeekInputs& in, ToolRegistry& registry);
