#pragma once

#include "Wisplet/Base/MenuModel.h"

#include <QDBusConnection>
#include <QObject>

class QMenu;
class QPoint;
class QSystemTrayIcon;
class QTimer;
class QWidget;
class TrayMenu;

// The tray menu on screen: in the system tray whenever a tray host runs, and always available as a pop-up
// (the island's right-click, for desktops without a tray). The menu is rebuilt each time it opens.
//
// Qt's tray icon asks the desktop's tray watcher on the session bus (org.kde.StatusNotifierWatcher) for the
// description of its interface and whether a tray host runs, waiting on the main thread for each answer. So
// where Qt goes through the bus, the same is asked first on a worker, which leaves the description with the
// connection for Qt, and the icon is made only once the watcher has answered both, or the bus has said there
// is no watcher.
class TrayIcon final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrayIcon)

public:
    explicit TrayIcon(TrayMenu& model, QObject* parent = nullptr);
    ~TrayIcon() override;

    QMenu& menu() const { return *m_menu; }
    // Null until shown.
    QSystemTrayIcon* trayIcon() const { return m_tray; }
    // Puts the icon in the tray, whether or not a tray runs now: Qt docks it whenever a tray host appears,
    // as at login, when the tray may start after us.
    void show();
    // The same once the tray watcher on Qt's session bus has answered; one that does not answer in D-Bus's
    // time is asked again later, less often while it keeps silent.
    void showOnceTrayWatcherAnswers(const QDBusConnection& bus);
    void popup(const QPoint& globalPosition);
    // The keys the menu shows next to its items also work while window has the keyboard focus.
    void addShortcutsTo(QWidget& window);

private:
    void rebuild();
    void rebuildIfShown();
    void askTrayWatcher();

    TrayMenu& m_model;
    QMenu* m_menu;
    // What the menu was last built from: Wisp's state changes often, the menu's items seldom.
    MenuItems m_shown;
    bool m_rebuildQueued = false;
    QSystemTrayIcon* m_tray = nullptr;
    QDBusConnection m_watcherBus{QString()};
    QTimer* m_askAgain;
    int m_askAgainMs;
    bool m_toldSilent = false;
};
