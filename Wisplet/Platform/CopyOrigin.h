#pragma once

#include "Wisplet/Platform/ActiveWindowSource.h"
#include "Wisplet/Platform/Pasteboard.h"

#include <QSet>

class FrontApplications;

// What made a copy and what was in front, as they were when the copy took the clipboard: a maker that
// hides its windows, renames itself or leaves afterwards is judged as it was.
struct CopyOrigin
{
    CopyMaker maker;
    // The windows the window manager listed then.
    QList<WindowInfo> windows;
    // None when no window was in front.
    std::optional<WindowInfo> front;

    // Taken at once, but for the search for a helper that forked and left, which goes on afterwards: start
    // it as the copy arrives (Pasteboard::copied).
    static QCoro::Task<CopyOrigin> take(Pasteboard& pasteboard, const FrontApplications& applications);

    // Every id the maker, or any suspect, goes by: its names, and the desktop-entry id and class of each of
    // its windows.
    QSet<QString> makerIds() const;
    // The known maker as an application: its newest window (so it has the id and name the window in front
    // would have), else, for a process without one (a command-line tool), its name as id and class. None
    // when the maker is not known or was gone.
    std::optional<WindowInfo> makerApplication() const;
};
