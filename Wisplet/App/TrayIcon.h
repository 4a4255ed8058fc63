#pragma once

#include "Wisplet/Base/MenuModel.h"

#include <QObject>

class QMenu;
class QPoint;
class QSystemTrayIcon;
class QWidget;
class TrayMenu;

// The tray menu on screen: in the system tray whenever a tray host runs, and always available as a pop-up
// (the island's right-click, for desktops without a tray). The menu is rebuilt each time it opens.
class TrayIcon final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrayIcon)

public:
    explicit TrayIcon(TrayMenu& model, QObject* parent = nullptr);
    ~TrayIcon() override;

    QMenu& menu() const { return *m_menu; }
    QSystemTrayIcon& trayIcon() const { return *m_tray; }
    void popup(const QPoint& globalPosition);
    // The keys the menu shows next to its items also work while window has the keyboard focus.
    void addShortcutsTo(QWidget& window);

private:
    void rebuild();
    void rebuildIfShown();

    TrayMenu& m_model;
    QMenu* m_menu;
    // What the menu was last built from: Wisp's state changes often, the menu's items seldom.
    MenuItems m_shown;
    bool m_rebuildQueued = false;
    QSystemTrayIcon* m_tray = nullptr;
};
