#pragma once

#include "Wisplet/Base/MenuModel.h"

#include <QObject>

#include <functional>

class AppSettings;
class QuietControls;
class WispState;

// The tray menu: Wisp's state, the quick switches, the resting mood and face size, sample reactions and
// the ways into the studio, the settings, the update check, the tour and quitting. Its items are built
// anew each time the menu opens.
class TrayMenu final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrayMenu)

public:
    // What the menu asks of the rest of the program; any of these may be left empty.
    struct Hooks
    {
        std::function<bool()> clipboardPaused;
        std::function<void()> toggleClipboardPaused;
        std::function<bool()> canCheckForUpdates;
        std::function<void()> checkForUpdates;
        std::function<void()> openStudio;
        std::function<void()> openSettings;
        std::function<void()> showWelcomeTour;
        std::function<void()> quit;
    };

    TrayMenu(WispState& state, AppSettings& settings, QuietControls& quiet, Hooks hooks, QObject* parent = nullptr);

    // The symbol the tray shows.
    static QString symbol() { return QStringLiteral("face.smiling"); }
    // The first line: what Wisp is doing.
    QString statusLine() const;
    MenuItems items() const;
    // Performs the action an item names; false for an action that is not the menu's.
    bool trigger(const QString& action);

signals:
    // Wisp's state or the settings changed: the items may read differently now.
    void changed();

private:
    MenuItems moodItems() const;
    MenuItems faceSizeItems() const;
    MenuItems reactionItems() const;

    WispState& m_state;
    AppSettings& m_settings;
    QuietControls& m_quiet;
    Hooks m_hooks;
};
