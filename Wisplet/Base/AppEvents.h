#pragma once

#include <QObject>

// Notifications between parts of the process.
class AppEvents final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AppEvents)

public:
    static constexpr const char* screenChangedName = "wispScreenChanged";
    static constexpr const char* openToolName = "wispOpenTool";
    static constexpr const char* releaseFocusName = "wispReleaseFocus";

    explicit AppEvents(QObject* parent = nullptr)
        : QObject(parent)
    { }

    static AppEvents& shared();

    void postScreenChanged() { emit screenChanged(); }
    void postOpenTool() { emit openTool(); }
    void postReleaseFocus() { emit releaseFocus(); }
    void postPinOpen() { emit pinOpen(); }
    void postOpenSettings() { emit openSettings(); }

signals:
    // wispScreenChanged: the panel moves to the screen the settings now choose.
    void screenChanged();
    // wispOpenTool: the panel takes focus and comes to the front to show the selected tool.
    void openTool();
    // wispReleaseFocus: the panel gives up focus.
    void releaseFocus();
    // The companion stays open until unpinned (a tool opened, a notification clicked).
    void pinOpen();
    // The settings window comes forward.
    void openSettings();
};
